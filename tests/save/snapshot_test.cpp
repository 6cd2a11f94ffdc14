// The slot file's snapshot, the common data file and the writer that never loses the old file.

#include "base/byte_order.hpp"
#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"
#include "save/atomic_file.hpp"
#include "save/common_data.hpp"
#include "save/snapshot.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>

namespace vura {
namespace {

// A snapshot with something in every part.
Snapshot sample() {
    Snapshot s;
    s.title = "タイトル";
    s.date = "01/02 03:04";
    s.windowTitle = "vura";
    s.state = {44, 2, {1, 0, 5, 1}};
    s.savedTop = 0;
    s.saved[0] = {70, 1, {3}};
    s.scriptName = "STORY";
    s.top = 1;
    s.stack[0] = {kInt, 7};
    s.stack[1] = {kGameStrRef, 2};
    s.frameTop = 0;
    s.frames[0] = {"INIT", 12, true};
    s.pc = 40;
    s.bankSizes = {2, 3, 2, 1, 1, 1, 4, 5};
    s.gameInts = {-1, 9};
    s.gameFlags = {1, 0, 1};
    s.gameStrings = {"abc", std::string("x\0y", 3)};
    s.layers = {LayerRecord{-1, 1, 2, 3, 4, 5, 6, "BG", 0, 9, true, false}};
    s.shownLayers = s.layers;
    s.masks = {LayerRecord{}};
    s.shownMasks = s.masks;
    s.channels = {ChannelRecord{0, 70, "BGM", true, true}};
    WindowRecord w;
    w.settings.screenRect = {16, 328, 608, 140};
    w.settings.style.font.faceName = "face";
    w.pageText = "page";
    w.text[0] = 'T';
    s.windows = {w};
    s.log = {LogPage{1, "logged", {}}};
    s.buttons = {SystemButton{1, 2, 3, 4, 5, 6, 1, 2, 5, 6, true, true, "SKIP", 3, 1, "h", "c"}};
    s.hotspots = {ClickableMapItem{}};
    s.choices = {ChoiceLine{74, 378, 494, 26, "夕焼け"}};
    s.animations[1] = {2, 0, 0, 0, 0, 24, 24, 4, 3, true};
    return s;
}

TEST(Snapshot, SizesOffsetsAndRoundTrip) {
    // Only the header and the main record when there is nothing variable.
    EXPECT_EQ(encodeSnapshot(Snapshot{}).size(), 13400u);
    const Snapshot s = sample();
    const std::vector<std::uint8_t> bytes = encodeSnapshot(s);
    EXPECT_EQ(bytes.size(), 13400u + 4 * 2 + 3 + (4 + 3) + (4 + 3) + 2 * 104 + 2 * 104 + 76 + 2288 +
                                1608 + 244 + 68 + 80);
    EXPECT_EQ(readLe32(bytes.data()), bytes.size());
    auto at = [&](std::size_t offset) { return readLe32(bytes.data() + 52 + offset); };
    EXPECT_EQ(at(144), 1u);  // windows
    EXPECT_EQ(at(156), 44u); // engine state
    EXPECT_EQ(at(228), 0u);  // saved-command top
    EXPECT_EQ(at(840), 1u);  // layers
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 52 + 864), "STORY");
    EXPECT_EQ(at(11432), 40u); // pc
    EXPECT_EQ(at(12240), 1u);  // choice lines
    // Unused stack entries are zeros, so equal states give equal bytes.
    EXPECT_EQ(at(928 + 8 * 5), 0u);
    std::optional<Snapshot> back = decodeSnapshot(bytes, nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(encodeSnapshot(*back), bytes);
    EXPECT_EQ(back->gameStrings[1], std::string("x\0y", 3));
    EXPECT_EQ(back->windows[0], s.windows[0]);
    EXPECT_EQ(back->buttons[0], s.buttons[0]);
}

TEST(Snapshot, ScramblingIsPositionModulo255) {
    std::vector<std::uint8_t> bytes(300, 0);
    scrambleSnapshot(bytes);
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(bytes[254], 254);
    EXPECT_EQ(bytes[255], 0);
    EXPECT_EQ(bytes[256], 1);
    scrambleSnapshot(bytes);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>(300, 0));
}

TEST(Snapshot, ABrokenSnapshotIsRefusedAndCosmeticFieldsAreClamped) {
    const std::vector<std::uint8_t> good = encodeSnapshot(sample());
    auto edited = [&](std::size_t offset, std::uint32_t value) {
        std::vector<std::uint8_t> b = good;
        writeLe32(b.data() + offset, value);
        return b;
    };
    const std::pair<std::vector<std::uint8_t>, const char*> refused[] = {
        {std::vector<std::uint8_t>(good.begin(), good.begin() + 13399), "short"},
        {edited(0, 13399), "size below the fixed part"},
        {edited(0, static_cast<std::uint32_t>(good.size() + 1)), "size past the bytes"},
        {edited(52 + 156, 119), "engine state"},
        {edited(52 + 160, 5), "phase 5 of the message command"},
        {edited(52 + 7072, 768), "stack top"},
        {edited(52 + 11428, 32), "frame top"},
        {edited(52 + 228, 8), "saved-command top"},
        {edited(52 + 144, 2), "a window more than the bytes hold"},
        {edited(52 + 144, 0xFFFFFFFF), "a negative count"},
        {edited(52 + 11436, 0x40000000), "a huge bank"},
    };
    for (const auto& [bytes, what] : refused) {
        std::string error;
        EXPECT_FALSE(decodeSnapshot(bytes, &error)) << what;
        EXPECT_FALSE(error.empty()) << what;
    }
    std::optional<Snapshot> clamped = decodeSnapshot(edited(52 + 11500, 99), nullptr);
    ASSERT_TRUE(clamped);
    EXPECT_EQ(clamped->voices.count, 8);
}

TEST(Snapshot, SlotFilesNamesAndThumbnails) {
    EXPECT_EQ(slotFileName(0), "SAVE00.OVS");
    EXPECT_EQ(slotFileName(9), "SAVE09.OVS");
    EXPECT_EQ(slotFileName(12), "SAVE12.OVS");
    EXPECT_EQ(slotFileName(-1), std::nullopt);
    Surface thumb;
    ASSERT_TRUE(thumb.create(16, 12, 24));
    std::FILE* f = std::tmpfile();
    ASSERT_TRUE(savePng(thumb, f));
    std::vector<std::uint8_t> file(static_cast<std::size_t>(std::ftell(f)));
    std::rewind(f);
    ASSERT_EQ(std::fread(file.data(), 1, file.size(), f), file.size());
    std::fclose(f);
    const std::size_t png = file.size();
    file.insert(file.end(), {1, 2, 3});
    auto parts = splitSlotFile(file);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->thumbnail.size(), png);
    EXPECT_EQ(parts->snapshot.size(), 3u);
    // Without the signature the whole file is the snapshot; a cut thumbnail is no file at all.
    EXPECT_EQ(splitSlotFile(std::vector<std::uint8_t>{1, 2, 3})->snapshot.size(), 3u);
    EXPECT_FALSE(splitSlotFile(std::span(file).first(png - 1)));
}

TEST(CommonData, KeysChangeValuesStay) {
    CommonData data{{7, -1, 100}, {1, 0, 1, 1, 0}};
    CrtRandom keys;
    std::vector<std::uint8_t> a = encodeCommonData(data, keys), b = encodeCommonData(data, keys);
    EXPECT_EQ(a.size(), 34u);
    EXPECT_NE(a, b);
    for (const auto& bytes : {a, b}) {
        std::optional<CommonData> back = decodeCommonData(bytes, 3, 5);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->ints, data.ints);
        EXPECT_EQ(back->flags, data.flags);
    }
    // Only a byte that gives exactly 1 with its key is a set flag.
    std::vector<std::uint8_t> two = a;
    two[24 + 5] = static_cast<std::uint8_t>(two[24] ^ 2);
    EXPECT_EQ(decodeCommonData(two, 3, 5)->flags[0], 0);
    EXPECT_FALSE(decodeCommonData(a, 4, 5));
    EXPECT_TRUE(decodeCommonData({}, 0, 0));
}

TEST(AtomicFile, AFailureAtAnyByteKeepsTheOldFile) {
    test::TempDir dir;
    const std::filesystem::path slot = dir.path() / "SAVE01.OVS";
    const std::vector<std::uint8_t> before(40, 'a'), after(40, 'b');
    ASSERT_TRUE(writeFileAtomically(slot, before));
    for (std::size_t failAt = 0; failAt < after.size(); ++failAt) {
        std::size_t written = 0;
        auto failing = [&](int fd, const std::uint8_t* bytes, std::size_t count) -> long {
            std::size_t n = std::min<std::size_t>(count, failAt - written);
            if (n == 0)
                return -1;
            written += n;
            return static_cast<long>(::write(fd, bytes, n));
        };
        EXPECT_FALSE(writeFileAtomically(slot, after, failing)) << failAt;
        std::vector<std::uint8_t> now;
        ASSERT_TRUE(readWholeFile(slot, now));
        EXPECT_EQ(now, before) << failAt;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    ASSERT_TRUE(writeFileAtomically(slot, after));
    std::vector<std::uint8_t> now;
    ASSERT_TRUE(readWholeFile(slot, now));
    EXPECT_EQ(now, after);
}

} // namespace
} // namespace vura
