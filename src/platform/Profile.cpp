#include "platform/Profile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace platform {

int MemoryProfile::GetInt(const std::string& section, const std::string& key, int def)
{
    auto it = entries.find({section, key});
    if (it == entries.end())
        return def;
    // Like the Windows profile, a value that is not a number reads as 0.
    const char* text = it->second.c_str();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || v > INT_MAX || v < INT_MIN)
        return 0;
    return static_cast<int>(v);
}

std::string MemoryProfile::GetString(const std::string& section, const std::string& key,
                                     const std::string& def)
{
    auto it = entries.find({section, key});
    return it == entries.end() ? def : it->second;
}

void MemoryProfile::WriteInt(const std::string& section, const std::string& key, int value)
{
    entries[{section, key}] = std::to_string(value);
}

void MemoryProfile::WriteString(const std::string& section, const std::string& key,
                                const std::string& value)
{
    entries[{section, key}] = value;
}

bool MemoryProfile::Has(const std::string& section, const std::string& key) const
{
    return entries.count({section, key}) != 0;
}

int OverlayProfile::GetInt(const std::string& section, const std::string& key, int def)
{
    return written.Has(section, key) ? written.GetInt(section, key, def)
                                     : base.GetInt(section, key, def);
}

std::string OverlayProfile::GetString(const std::string& section, const std::string& key,
                                      const std::string& def)
{
    return written.Has(section, key) ? written.GetString(section, key, def)
                                     : base.GetString(section, key, def);
}

void OverlayProfile::WriteInt(const std::string& section, const std::string& key, int value)
{
    written.WriteInt(section, key, value);
}

void OverlayProfile::WriteString(const std::string& section, const std::string& key,
                                 const std::string& value)
{
    written.WriteString(section, key, value);
}

} // namespace platform
