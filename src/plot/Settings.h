#pragma once
// Typed access to the persistent settings, all in the profile section "General". Every read
// passes the variable's current value as the default, so a missing key leaves it unchanged.
// Floats are stored as "%f" text (six decimals).
//
// The profile is a text file users edit by hand: a value that is not wholly a number, is not
// finite, or lies outside the range the setting allows leaves the variable at its default.

#include <climits>
#include <limits>
#include <string>
#include <vector>

inline constexpr float SettingFloatMax = std::numeric_limits<float>::max();

void ReadSettingInt(const std::string& key, int& value, int min = INT_MIN, int max = INT_MAX);
void ReadSettingFloat(const std::string& key, float& value, float min = -SettingFloatMax,
                      float max = SettingFloatMax);
void WriteSettingInt(const std::string& key, int value);
void WriteSettingFloat(const std::string& key, float value);

// One persistent setting, declared once: its profile key, the member that holds it and the range
// of values the program can use. The member's value when it is read is its default (a missing or
// unusable key leaves it unchanged), so a record declares its keys, defaults and members in one
// table and reads and writes it with one loop.
struct SettingBinding {
    std::string key;
    int* intValue = nullptr;     // an integer setting, or
    float* floatValue = nullptr; // a float setting ("%f" text)
    double min = -SettingFloatMax;
    double max = SettingFloatMax;
};
SettingBinding IntSetting(std::string key, int& value, int min = INT_MIN, int max = INT_MAX);
SettingBinding FloatSetting(std::string key, float& value, float min = -SettingFloatMax,
                            float max = SettingFloatMax);
void ReadSettings(const std::vector<SettingBinding>& settings);
void WriteSettings(const std::vector<SettingBinding>& settings);

// The profile section every setting lives in.
inline constexpr const char* SettingsSection = "General";
