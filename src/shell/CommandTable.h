#pragma once
// The main menu, toolbar and accelerators as data; the Qt window is built from these tables so
// nothing about menus is written twice. Texts keep their "&" mnemonics and "\t" hints.

#include <string>
#include <vector>

enum class MenuEntryKind { Command, Separator, Submenu };

struct MenuEntry {
    MenuEntryKind kind = MenuEntryKind::Command;
    int id = 0;                     // Command only
    std::string text;               // Command and Submenu
    bool initiallyChecked = false;  // the check mark the resource shows before the first update
    std::vector<MenuEntry> entries; // Submenu (and top-level menus)
    bool rightAligned = false;      // "&Help" stands at the right end of the menu bar
};

// Top-level menus in menu-bar order; each is a Submenu entry.
const std::vector<MenuEntry>& MainMenu();

// The 15 toolbar buttons, left to right, without separators.
const std::vector<int>& ToolbarCommands();

struct Accelerator {
    std::string keys; // "Ctrl+N", "Alt+Backspace", "Shift+F6", ...
    int id;
};
const std::vector<Accelerator>& Accelerators();

// Every command id that appears in the menu, depth first.
std::vector<int> MenuCommandIds();
// The menu text of a command, or "" when it has none (toolbar-only commands).
std::string CommandText(int id);
// One sentence for the status bar about a command the viewer added, or "".
std::string StatusHelp(int id);
