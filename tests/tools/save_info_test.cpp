// What `vura-tool save-info` tells an author about a slot and about the common data file.

#include "core/crt_random.hpp"
#include "save/common_data.hpp"
#include "save/snapshot.hpp"
#include "save_info.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

std::vector<std::uint8_t> slotFile(const Snapshot& s) {
    // A thumbnail that is only the PNG signature and an IEND chunk is enough to split on.
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0,    0,
                                      0,    0,   'I', 'E', 'N',  'D',  0xAE, 0x42, 0x60, 0x82};
    std::vector<std::uint8_t> snapshot = encodeSnapshot(s);
    scrambleSnapshot(snapshot);
    file.insert(file.end(), snapshot.begin(), snapshot.end());
    return file;
}

TEST(SaveInfo, SlotShowsWhereItResumesAsTextAndJson) {
    Snapshot s;
    s.title = "\x83\x5E\x83\x43\x83\x67\x83\x8B"; // タイトル in Shift-JIS
    s.date = "12/08 15:04";
    s.scriptName = "STORY";
    s.pc = 40;
    s.state = {44, 2, {}};
    std::vector<std::uint8_t> file = slotFile(s);
    std::string text;
    ASSERT_TRUE(tools::describeSlotFile(file, false, text)) << text;
    EXPECT_NE(text.find("thumbnailBytes: 20\n"), std::string::npos) << text;
    EXPECT_NE(text.find("title: タイトル\n"), std::string::npos) << text;
    EXPECT_NE(text.find("script: STORY\npc: 40\nengineState: 44 "), std::string::npos) << text;
    std::string json;
    ASSERT_TRUE(tools::describeSlotFile(file, true, json));
    EXPECT_NE(json.find("\"date\": \"12/08 15:04\",\n  \"script\": \"STORY\",\n  \"pc\": 40,"),
              std::string::npos)
        << json;

    file.resize(file.size() - 1); // one byte short of the size its header gives
    EXPECT_FALSE(tools::describeSlotFile(file, false, text));
    EXPECT_NE(text.find("not a slot the engine can load"), std::string::npos) << text;
}

TEST(SaveInfo, CommonDataShowsKeysAndValuesAndChecksTheSize) {
    CrtRandom keys; // seeded with 1, so the first key is 41
    std::vector<std::uint8_t> file = encodeCommonData({{-5, 300}, {1, 0, 1}}, keys);
    std::string out;
    ASSERT_TRUE(tools::describeCommonData(file, 2, 3, false, out)) << out;
    EXPECT_NE(out.find("common ints:\n  0: key 41, value -5\n"), std::string::npos) << out;
    EXPECT_NE(out.find(", value 300\ncommon flags:\n"), std::string::npos) << out;
    ASSERT_TRUE(tools::describeCommonData(file, 2, 3, true, out));
    EXPECT_NE(out.find("\"commonInts\": [{\"key\": 41, \"value\": -5}, "), std::string::npos)
        << out;
    EXPECT_FALSE(tools::describeCommonData(file, 2, 4, false, out));
    EXPECT_EQ(out, "not 24 bytes, the size for 2 common ints and 4 common flags");
}

} // namespace
} // namespace vura
