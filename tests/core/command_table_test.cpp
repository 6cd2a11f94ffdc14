#include "core/command_table.hpp"

#include <gtest/gtest.h>

#include <set>

namespace vura {
namespace {

TEST(CommandTable, NumbersAndNamesAsScriptsUseThem) {
    ASSERT_EQ(kCommandTable.size(), 119u);
    EXPECT_EQ(commandName(0), "RunScript");
    EXPECT_EQ(commandName(1), "Quit");
    EXPECT_EQ(commandName(44), "MessageFlowReady");
    EXPECT_EQ(commandName(48), "PlayDSB");
    EXPECT_EQ(commandName(100), "ResetSaveLoadClickableMapsChoise");
    EXPECT_EQ(commandName(118), "GetDateTime");
    EXPECT_EQ(commandName(119), "?");
    EXPECT_EQ(commandName(-1), "?");
    std::set<std::string_view> names;
    for (const CommandEntry& e : kCommandTable) {
        EXPECT_NE(e.handler, nullptr) << e.number;
        if (e.name != "Dummy") {
            EXPECT_TRUE(names.insert(e.name).second) << "duplicate " << e.name;
        }
    }
    for (int n = 3; n <= 9; ++n)
        EXPECT_EQ(commandName(n), "Dummy");
}

} // namespace
} // namespace vura
