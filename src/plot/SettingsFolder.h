#pragma once
// The per-user working folder "<root>/Norvane/Pelorix/<name>", in which the program writes its
// dump and picked-data files. The root stands in for the Windows drive "c:\": $KALDER_HOME when
// set, else $XDG_DATA_HOME, else ~/.local/share.

#include <string>

// The root the two fixed levels are made under, without a trailing '/'.
std::string SettingsRoot();

// Makes each missing level of the folder and returns its path, or the empty string when any
// level could not be created (a file in the way, no rights). Callers treat the empty string as
// the current directory.
std::string GetSettingsFolder(const std::string& name);
