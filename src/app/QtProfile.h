#pragma once
// The profile on QSettings in INI form: organisation "Local AppWizard-Generated Applications",
// application "Kalder". The section "General" is the INI file's top level ([General]); other
// sections are groups. KALDER_PROFILE, when set, names the INI file to use instead, so tests and
// CI never touch the user's settings.

#include "platform/Profile.h"

#include <QSettings>

#include <memory>

class QtProfile : public platform::Profile {
public:
    QtProfile();
    int GetInt(const std::string& section, const std::string& key, int def) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) override;
    void WriteInt(const std::string& section, const std::string& key, int value) override;
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;
    void Sync();
    QString FileName() const;

private:
    QString Key(const std::string& section, const std::string& key) const;
    std::unique_ptr<QSettings> settings;
};
