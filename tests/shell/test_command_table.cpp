// The command table against the menus, toolbar and accelerators written out by hand.
#include "shell/CommandTable.h"
#include "support/MenuExpectations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void Outline(const std::vector<MenuEntry>& entries, const std::string& indent,
             std::vector<std::string>& out)
{
    for (const MenuEntry& e : entries) {
        switch (e.kind) {
        case MenuEntryKind::Separator:
            out.push_back(indent + "---");
            break;
        case MenuEntryKind::Submenu:
            out.push_back(indent + "> " + e.text + (e.rightAligned ? " (right)" : ""));
            Outline(e.entries, indent + "  ", out);
            break;
        case MenuEntryKind::Command:
            out.push_back(indent + std::to_string(e.id) + " " + e.text +
                          (e.initiallyChecked ? " [x]" : ""));
            break;
        }
    }
}

} // namespace

TEST(CommandTable, HoldsEveryMenuItemToolbarButtonAndAcceleratorAsWritten)
{
    std::vector<std::string> menu;
    Outline(MainMenu(), "", menu);
    EXPECT_EQ(menu, testing_support::ExpectedMenuOutline());

    EXPECT_EQ(ToolbarCommands(), testing_support::ExpectedToolbar());

    std::vector<std::pair<std::string, int>> keys;
    for (const Accelerator& a : Accelerators())
        keys.emplace_back(a.keys, a.id);
    EXPECT_EQ(keys, testing_support::ExpectedAccelerators());
}
