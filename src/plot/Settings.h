#pragma once
// Typed access to the persistent settings, all in the profile section "General". Every read
// passes the variable's current value as the default, so a missing key leaves it unchanged.
// Floats are stored as "%f" text (six decimals).

#include <string>
#include <vector>

void ReadSettingInt(const std::string& key, int& value);
void ReadSettingFloat(const std::string& key, float& value);
void WriteSettingInt(const std::string& key, int value);
void WriteSettingFloat(const std::string& key, float value);

// One persistent setting, declared once: its profile key and the member that holds it. The
// member's value when it is read is its default (a missing key leaves it unchanged), so a record
// declares its keys, defaults and members in one table and reads and writes it with one loop.
struct SettingBinding {
    std::string key;
    int* intValue = nullptr;     // an integer setting, or
    float* floatValue = nullptr; // a float setting ("%f" text)
};
SettingBinding IntSetting(std::string key, int& value);
SettingBinding FloatSetting(std::string key, float& value);
void ReadSettings(const std::vector<SettingBinding>& settings);
void WriteSettings(const std::vector<SettingBinding>& settings);

// The profile section every setting lives in.
inline constexpr const char* SettingsSection = "General";
