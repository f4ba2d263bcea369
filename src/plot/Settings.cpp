#include "plot/Settings.h"

#include "platform/Services.h"
#include "platform/TextFile.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace {

// The value text without surrounding white space and one leading '+' (from_chars takes none).
std::string Trimmed(const std::string& text)
{
    const char* space = " \t\r\n";
    const std::size_t first = text.find_first_not_of(space);
    if (first == std::string::npos)
        return {};
    std::string t = text.substr(first, text.find_last_not_of(space) - first + 1);
    if (!t.empty() && t[0] == '+')
        t.erase(0, 1);
    return t;
}

// Whole-text number parsing, independent of the C locale; false for text, a partial number or
// a value beyond the type.
template <typename T> bool ParseWhole(const std::string& text, T& value)
{
    const std::string t = Trimmed(text);
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    return !t.empty() && ec == std::errc() && ptr == t.data() + t.size();
}

} // namespace

void ReadSettingInt(const std::string& key, int& value, int min, int max)
{
    // Read as text so that a word where a number belongs keeps the default instead of reading 0.
    const std::string text = platform::GetProfile().GetString(SettingsSection, key,
                                                              std::to_string(value));
    int parsed = 0;
    if (ParseWhole(text, parsed) && parsed >= min && parsed <= max)
        value = parsed;
}

void ReadSettingFloat(const std::string& key, float& value, float min, float max)
{
    const std::string text =
        platform::GetProfile().GetString(SettingsSection, key, platform::Format("%f", value));
    float parsed = 0;
    if (ParseWhole(text, parsed) && std::isfinite(parsed) && parsed >= min && parsed <= max)
        value = parsed;
}

void WriteSettingInt(const std::string& key, int value)
{
    platform::GetProfile().WriteInt(SettingsSection, key, value);
}

void WriteSettingFloat(const std::string& key, float value)
{
    platform::GetProfile().WriteString(SettingsSection, key, platform::Format("%f", value));
}

SettingBinding IntSetting(std::string key, int& value, int min, int max)
{
    return {std::move(key), &value, nullptr, static_cast<double>(min), static_cast<double>(max)};
}

SettingBinding FloatSetting(std::string key, float& value, float min, float max)
{
    return {std::move(key), nullptr, &value, min, max};
}

void ReadSettings(const std::vector<SettingBinding>& settings)
{
    for (const SettingBinding& s : settings) {
        if (s.intValue)
            ReadSettingInt(s.key, *s.intValue, static_cast<int>(s.min), static_cast<int>(s.max));
        else if (s.floatValue)
            ReadSettingFloat(s.key, *s.floatValue, static_cast<float>(s.min),
                             static_cast<float>(s.max));
    }
}

void WriteSettings(const std::vector<SettingBinding>& settings)
{
    for (const SettingBinding& s : settings) {
        if (s.intValue)
            WriteSettingInt(s.key, *s.intValue);
        else if (s.floatValue)
            WriteSettingFloat(s.key, *s.floatValue);
    }
}
