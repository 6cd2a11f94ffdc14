#include "core/command_table.hpp"

#include <gtest/gtest.h>

#include <optional>
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

TEST(CommandSignatures, ArgumentCountsFollowTheRowsCountsAndMarker) {
    auto expected = [](int number, std::optional<std::int32_t> count,
                       std::optional<std::int32_t> marker) {
        return expectedArgumentCount(kCommandSignatures[number], count, marker);
    };
    EXPECT_EQ(expected(48, {}, {}), 3); // PlayDSB
    EXPECT_EQ(expected(13, {}, {}), 0); // StartTimer
    EXPECT_EQ(expected(44, {}, 3), 5);  // a voiced message
    EXPECT_EQ(expected(44, {}, 0), 4);  // and one without a voice
    EXPECT_EQ(expected(44, {}, {}), std::nullopt);
    EXPECT_EQ(expected(26, 1, {}), 2); // the one-value form
    EXPECT_EQ(expected(26, 4, {}), 5); // type, two parameters, runScript, count
    EXPECT_EQ(expected(26, 0, {}), std::nullopt);
    EXPECT_EQ(expected(68, 5 + 7 * 2, {}), 20);    // two hotspots
    EXPECT_EQ(expected(68, 13, {}), std::nullopt); // not whole hotspots
    EXPECT_EQ(expected(68, 5, {}), std::nullopt);  // below the least count
    EXPECT_EQ(expected(79, 2 + 3, {}), 6);         // three choices
    EXPECT_EQ(describeArguments(kCommandSignatures[48]), "channel, name: string(64), loop");
    EXPECT_EQ(describeArguments(kCommandSignatures[79]),
              "window: int, resultVariable: ref, {choice: string(1024)}..., count: count");
}

} // namespace
} // namespace vura
