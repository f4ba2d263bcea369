#pragma once
// The per-user application profile: integers and strings by section and key.

#include <map>
#include <string>
#include <utility>

namespace platform {

class Profile {
public:
    virtual ~Profile() = default;
    // A missing key yields the caller's default.
    virtual int GetInt(const std::string& section, const std::string& key, int def) = 0;
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& def) = 0;
    // Writes are not checked: a failed write is not reported.
    virtual void WriteInt(const std::string& section, const std::string& key, int value) = 0;
    virtual void WriteString(const std::string& section, const std::string& key,
                             const std::string& value) = 0;
};

// Headless profile for tests and the command-line tool. Integers are kept as their decimal text,
// as an INI file would, so a key written as a string can be read as an integer and back.
class MemoryProfile : public Profile {
public:
    int GetInt(const std::string& section, const std::string& key, int def) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) override;
    void WriteInt(const std::string& section, const std::string& key, int value) override;
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;

    bool Has(const std::string& section, const std::string& key) const;
    void Clear() { entries.clear(); }

    std::map<std::pair<std::string, std::string>, std::string> entries;
};

// A profile that reads through to another and keeps its own writes in memory: a run that must
// leave the user's settings as they were (a snapshot) still sees them.
class OverlayProfile : public Profile {
public:
    explicit OverlayProfile(Profile& base) : base(base) {}
    int GetInt(const std::string& section, const std::string& key, int def) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) override;
    void WriteInt(const std::string& section, const std::string& key, int value) override;
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;

private:
    Profile& base;
    MemoryProfile written;
};

} // namespace platform
