#include "QtProfile.h"

#include <cstdlib>

QtProfile::QtProfile()
{
    const char* file = std::getenv("KALDER_PROFILE");
    if (file && *file)
        settings = std::make_unique<QSettings>(QString::fromLocal8Bit(file), QSettings::IniFormat);
    else
        settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                               "Local AppWizard-Generated Applications", "Kalder");
}

QString QtProfile::Key(const std::string& section, const std::string& key) const
{
    // QSettings writes top-level keys into the INI section [General].
    if (section == "General")
        return QString::fromStdString(key);
    return QString::fromStdString(section) + "/" + QString::fromStdString(key);
}

int QtProfile::GetInt(const std::string& section, const std::string& key, int def)
{
    QVariant v = settings->value(Key(section, key));
    if (!v.isValid())
        return def;
    bool ok = false;
    int i = v.toString().trimmed().toInt(&ok);
    return ok ? i : 0; // like the Windows profile, text that is not a number reads as 0
}

std::string QtProfile::GetString(const std::string& section, const std::string& key,
                                 const std::string& def)
{
    QVariant v = settings->value(Key(section, key));
    return v.isValid() ? v.toString().toStdString() : def;
}

void QtProfile::WriteInt(const std::string& section, const std::string& key, int value)
{
    settings->setValue(Key(section, key), value);
}

void QtProfile::WriteString(const std::string& section, const std::string& key,
                            const std::string& value)
{
    settings->setValue(Key(section, key), QString::fromStdString(value));
}

void QtProfile::Sync()
{
    settings->sync();
}

QString QtProfile::FileName() const
{
    return settings->fileName();
}
