#include "plot/Settings.h"

#include "platform/Services.h"
#include "platform/TextFile.h"

#include <cstdio>
#include <utility>

void ReadSettingInt(const std::string& key, int& value)
{
    value = platform::GetProfile().GetInt(SettingsSection, key, value);
}

void ReadSettingFloat(const std::string& key, float& value)
{
    std::string text =
        platform::GetProfile().GetString(SettingsSection, key, platform::Format("%f", value));
    float parsed = 0;
    if (std::sscanf(text.c_str(), "%f", &parsed) == 1)
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

SettingBinding IntSetting(std::string key, int& value)
{
    return {std::move(key), &value, nullptr};
}

SettingBinding FloatSetting(std::string key, float& value)
{
    return {std::move(key), nullptr, &value};
}

void ReadSettings(const std::vector<SettingBinding>& settings)
{
    for (const SettingBinding& s : settings) {
        if (s.intValue)
            ReadSettingInt(s.key, *s.intValue);
        else if (s.floatValue)
            ReadSettingFloat(s.key, *s.floatValue);
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
