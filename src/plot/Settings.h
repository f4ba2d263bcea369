#pragma once
// Typed access to the persistent settings, all in the profile section "General". Every read
// passes the variable's current value as the default, so a missing key leaves it unchanged.
// Floats are stored as "%f" text (six decimals).

#include <string>

void ReadSettingInt(const std::string& key, int& value);
void ReadSettingFloat(const std::string& key, float& value);
void WriteSettingInt(const std::string& key, int value);
void WriteSettingFloat(const std::string& key, float value);

// The profile section every setting lives in.
inline constexpr const char* SettingsSection = "General";
