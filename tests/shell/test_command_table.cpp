// The command table against the menus, toolbar and accelerators written out by hand.
#include "shell/CommandTable.h"
#include "support/MenuExpectations.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The status bar explains every command the user can point at: one sentence, said once.
TEST(CommandTable, EveryMenuItemAndToolbarButtonHasOneSentenceOfHelp)
{
    std::vector<int> ids = MenuCommandIds();
    ids.insert(ids.end(), ToolbarCommands().begin(), ToolbarCommands().end());
    std::vector<std::string> seen;
    for (int id : ids) {
        const std::string help = CommandHelp(id);
        SCOPED_TRACE(std::to_string(id) + " " + CommandText(id) + ": " + help);
        ASSERT_FALSE(help.empty());
        EXPECT_TRUE(help.front() >= 'A' && help.front() <= 'Z');
        EXPECT_EQ(help.back(), '.');
        // One sentence: no full stop, question or exclamation mark before the end.
        const std::string inner = help.substr(0, help.size() - 1);
        EXPECT_EQ(inner.find(". "), std::string::npos);
        EXPECT_EQ(inner.find_first_of("?!"), std::string::npos);
        EXPECT_LE(help.size(), 110u); // fits the status bar of a normal window
        if (std::find(seen.begin(), seen.end(), help) == seen.end())
            seen.push_back(help);
    }
    // Distinct commands are told apart (the same id may be in the menu and on the toolbar).
    std::vector<int> distinct = ids;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    EXPECT_EQ(seen.size(), distinct.size());
    EXPECT_EQ(CommandHelp(-1), "");
}
