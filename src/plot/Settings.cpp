#include "plot/Settings.h"

#include "platform/Services.h"
#include "platform/TextFile.h"

#include <cstdio>

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
