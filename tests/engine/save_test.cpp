// Saves as games make them: a slot saved from a button while a line waits loads back to that
// line, saving again gives the same bytes, a slot written by hand loads, a broken or missing slot
// changes nothing, and the common variables outlive the program.

#include "base/byte_order.hpp"
#include "base/sjis.hpp"
#include "save/atomic_file.hpp"
#include "save/snapshot.hpp"
#include "support/test_game.hpp"
#include "ui/save_load_map.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

// One window showing its lines at once, a background layer, 32 x 24 thumbnails, and three
// buttons along the top: at (600, 10) one whose script saves slot 1, at (560, 10) one that
// loads it, at (520, 10) one that sets game int 0 to 7.
constexpr const char* kSetup = R"(call SetThumbnailSize(32, 24)
call SetMessageWindowCount(1)
call SetMessageWindowRect(0, 20, 300, 600, 160, 40, 320, 560, 120)
call SetMessageWindowInstant(0, 1)
call SetLayerCount(1)
call LoadLayer(0, "bg")
call SetLayerSourceRect(0, 0, 0, -1, -1)
call SetLayerVisible(0, 1)
call InitSystemButtons(3)
call SetSystemButton(0, 600, 10, 0, 0, 30, 30, "SAVEBTN")
call SetSystemButton(1, 560, 10, 0, 0, 30, 30, "LOADBTN")
call SetSystemButton(2, 520, 10, 0, 0, 30, 30, "BUMP")
call SetSystemButtonEnabled(0, 1)
call SetSystemButtonEnabled(1, 1)
call SetSystemButtonEnabled(2, 1)
call SetSystemButtonShown(0, 1)
call SetSystemButtonShown(1, 1)
call SetSystemButtonShown(2, 1)
call StartupGraphicEffect(-1, 1)
)";

// Game int 0 is 5 while the line waits, 9 after it.
constexpr const char* kStory = R"(PushRef 0 0
PushConst 0 5
Assign
Pop
call MessageFlowReady(0, "hello\w", 0, 0)
PushRef 0 0
PushConst 0 9
Assign
Pop
call WaitClick(0)
)";

struct Saves : ::testing::Test {
    Saves() {
        game.layout();
        game.picture("BG.PNG", 640, 480, 90);
        game.script("SAVEBTN", "call Save(1)\nReturn");
        game.script("LOADBTN", "call Load(1)\nReturn");
        game.script("BUMP", "PushRef 0 0\nPushConst 0 7\nAssign\nPop\nReturn");
        game.script("INIT", std::string(kSetup) + kStory);
    }
    std::vector<std::uint8_t> slot(int n) {
        std::vector<std::uint8_t> bytes;
        readWholeFile(game.path() / "sav" / *slotFileName(n), bytes);
        return bytes;
    }
    static std::vector<std::uint8_t> snapshotOf(const std::vector<std::uint8_t>& file) {
        auto parts = splitSlotFile(file);
        if (!parts || parts->snapshot.size() < kSnapshotFixedSize)
            return {};
        std::vector<std::uint8_t> s(parts->snapshot.begin(), parts->snapshot.end());
        scrambleSnapshot(s);
        std::fill_n(s.begin() + 37, 12, 0); // the date
        return s;
    }
    TestGame game;
};

TEST_F(Saves, ASaveFromAButtonLoadsBackToTheWaitingLineAndSavesAgainTheSame) {
    // While "hello" waits: saved at 300 ms, game int 0 set to 7 at 450 ms, the slot loaded at
    // 600 ms (the line waits again, game int 0 back at 5), saved again at 900 ms.
    GameRun run(game, "300 click 610 20\n450 click 530 20\n600 click 570 20\n900 click 610 20\n");
    ASSERT_TRUE(run.start());
    run.runFor(400);
    const std::vector<std::uint8_t> first = slot(1);
    ASSERT_GT(first.size(), 13400u);
    EXPECT_EQ(first[1], 'P'); // the thumbnail comes first
    run.runFor(100);
    EXPECT_EQ(run.vm().gameInts[0], 7);
    run.runFor(300);
    Engine& e = *run.engine;
    EXPECT_EQ(e.script.engineState, 44);
    EXPECT_EQ(e.script.commandPhase, 2);
    EXPECT_EQ(e.script.savedCommandTop, -1);
    EXPECT_EQ(run.vm().frameTop, -1);
    EXPECT_EQ(run.vm().gameInts[0], 5);
    EXPECT_EQ(e.text.messageWindows[0]->pageText, "hello\x02");
    EXPECT_EQ(e.display.currentLayerSet->layer(0)->name, "BG");
    EXPECT_EQ(run.platform->screenPixel(5, 5) & 0xFF, 90u);
    EXPECT_EQ(run.vm().top, -1);
    // Saving again from the loaded state writes the same snapshot, but for its date.
    run.runFor(300);
    EXPECT_EQ(snapshotOf(slot(1)), snapshotOf(first));
    EXPECT_EQ(run.boxes(), "");
}

// A slot made byte by byte as the format says: state 0 at instruction 4 of INIT, game ints 2 and
// 3 holding 11 and 12, one game string.
std::vector<std::uint8_t> handMadeSlot() {
    std::vector<std::uint8_t> s(13400 + 4 * 16 + 8 + 4 * 8 + 2, 0);
    auto i32 = [&](std::size_t at, std::int32_t v) { writeLe32(s.data() + at, v); };
    i32(0, static_cast<std::int32_t>(s.size()));
    const std::size_t main = 52;
    std::copy_n("INIT", 4, s.begin() + main + 864);
    i32(main + 228, -1);   // no saved command
    i32(main + 7072, -1);  // empty stack
    i32(main + 11428, -1); // no frames
    i32(main + 11432, 4);  // pc
    // The constant and common banks' sizes disagree with the layout's: nothing stands behind
    // them in the file, so a load keeps the layout's.
    const std::int32_t banks[8] = {16, 8, 8, 5, 5, 5, 3, 3};
    for (int i = 0; i < 8; ++i)
        i32(main + 11436 + 4 * i, banks[i]);
    i32(13400 + 8, 11);
    i32(13400 + 12, 12);
    i32(13400 + 64 + 8, 2); // game string 0: "ok"
    s[13400 + 64 + 8 + 4] = 'o';
    s[13400 + 64 + 8 + 5] = 'k';
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] ^= static_cast<std::uint8_t>(i % 255);
    return s;
}

TEST_F(Saves, ASlotWrittenByHandLoadsAndBrokenOrMissingSlotsChangeNothing) {
    // Instructions 0 to 3 load the slot and end; the slot resumes at instruction 4, which a run
    // without it never reaches: game int 4 = 7, then a wait.
    game.script("INIT", "call Load(5)\nEnd\n"
                        "PushRef 4 0\nPushConst 0 7\nAssign\nPop\ncall WaitClick(0)");
    const std::vector<std::uint8_t> slot = handMadeSlot();
    game.write("sav/SAVE05.OVS", std::string(slot.begin(), slot.end()));
    std::vector<std::uint8_t> cut(slot.begin(), slot.end() - 1);
    game.write("sav/SAVE06.OVS", std::string(cut.begin(), cut.end()));
    GameRun run(game);
    ASSERT_TRUE(run.start());
    run.runFor(100);
    EXPECT_EQ(run.vm().gameInts[2], 11);
    EXPECT_EQ(run.vm().gameInts[3], 12);
    EXPECT_EQ(run.vm().gameInts[4], 7);
    EXPECT_EQ(run.vm().gameStrings[0], "ok");
    EXPECT_EQ(run.vm().constInts, (std::vector<std::int32_t>{7, -3}));
    EXPECT_EQ(run.vm().commonInts.size(), 8u);
    EXPECT_EQ(run.engine->script.engineState, 15);
    EXPECT_EQ(run.boxes(), "");
    // The cut slot and a missing one: the message, and the script goes on.
    game.script("INIT", "call Load(6)\ncall Load(7)\ncall Save(-1)\ncall WaitClick(0)");
    GameRun broken(game);
    ASSERT_TRUE(broken.start());
    broken.runFor(100);
    EXPECT_EQ(broken.boxes(), "error: SaveFileのLoadに失敗 in Load()\n"
                              "error: SaveFileのOpenに失敗 in Load()\n"
                              "error: SaveFileのOpenに失敗 in Save()\n");
    EXPECT_EQ(broken.engine->script.engineState, 15);
}

TEST_F(Saves, CommonVariablesOutliveTheProgram) {
    game.script("INIT", std::string(kSetup) + "PushRef 2 12\nPushConst 0 77\nAssign\nPop\n" +
                            "call MessageFlowReady(0, \"read\", 0, 3)\nEnd");
    {
        GameRun run(game);
        ASSERT_TRUE(run.start());
        EXPECT_TRUE(run.runFor(100));
        run.engine.reset(); // shut-down writes the common data
    }
    EXPECT_EQ(std::filesystem::file_size(game.path() / "sav" / "SAVE__.OVS"), 8u * 8 + 2u * 8);
    game.script("INIT", "call WaitClick(0)");
    GameRun again(game);
    ASSERT_TRUE(again.start());
    EXPECT_EQ(again.vm().commonInts[2], 77);
    EXPECT_EQ(again.vm().commonFlags[3], 1);
}

TEST_F(Saves, AChoiceSavedFromAButtonLoadsBackWithItsMenu) {
    game.script("INIT", std::string(kSetup) + "call ChoiceMenuReady(0, gi[3], \"yes\", \"no\", 4)\n"
                                              "call WaitClick(0)\n");
    // Where the second line lies, from a run that only shows the menu.
    ChoiceLine second;
    {
        GameRun look(game);
        ASSERT_TRUE(look.start());
        look.runFor(100);
        ASSERT_EQ(look.engine->ui.choiceMenu.lines.size(), 2u);
        second = look.engine->ui.choiceMenu.lines[1];
    }
    // Saved at 300 ms, loaded at 600 ms, the second line picked at 900 ms.
    const std::string pick =
        std::to_string(second.x + 2) + " " + std::to_string(second.y + second.height / 2);
    GameRun run(game, "300 click 610 20\n600 click 570 20\n850 move " + pick + "\n900 click " +
                          pick + "\n");
    ASSERT_TRUE(run.start());
    run.runFor(700);
    Engine& e = *run.engine;
    EXPECT_EQ(e.script.engineState, 79);
    EXPECT_EQ(e.script.savedCommandTop, -1);
    EXPECT_EQ(e.ui.choiceMenu.window, 0);
    EXPECT_EQ(e.ui.choiceMenu.lines.size(), 2u);
    run.runFor(300);
    EXPECT_EQ(run.vm().gameInts[3], 1);
    EXPECT_EQ(e.script.engineState, 15);
    EXPECT_EQ(run.boxes(), "");
}

TEST_F(Saves, TheSaveLoadScreenShowsEachSlotAndTakesThePick) {
    // Slot 7 saved with a 33-byte title, slot 12 missing, slot 3 a file whose thumbnail is cut
    // short, and a plain entry; empty slots cannot be picked. The pointer rests on slot 7 at
    // 200 ms and clicks it at 300 ms.
    game.picture("WHITE.PNG", 640, 480, 255, 255, 255);
    game.write("sav/SAVE03.OVS", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    game.script("INIT", R"(call SetThumbnailSize(32, 24)
call SetMessageWindowCount(1)
call SetMessageWindowRect(0, 100, 4, 200, 50, 100, 4, 200, 50)
call SetLayerCount(1)
call LoadLayer(0, "white")
call SetLayerSourceRect(0, 0, 0, -1, -1)
call SetLayerVisible(0, 1)
call SetSaveTitle("aあいうえおかきくけこさしすせそた")
call SaveNow(7)
call ReadyToSaveLoadClickableMap(0, false, -1, "", -1, "", 0, 0, 0, 400, 400, true, 0, 0, 0, 0, 200, 50, 7, true, true, 0, 60, 0, 0, 200, 50, 12, true, true, 0, 120, 0, 0, 200, 50, 3, true, false, 300, 0, 0, 0, 30, 30, -1, true, 46)
call StartupGraphicEffect(-1, 1)
call SaveLoadMapWait(1, 1)
call WaitClick(0)
)");
    GameRun run(game, "200 move 100 25\n300 click 100 25\n");
    ASSERT_TRUE(run.start());
    run.runFor(250);
    Engine& e = *run.engine;
    const SaveLoadMap& map = e.ui.saveLoadMap;
    ASSERT_EQ(map.slots.size(), 4u);
    // The title was too long: the message, and the slot keeps its first 31 bytes, which end on
    // a whole character.
    EXPECT_EQ(map.slots[0].title, "a" + sjis("あいうえおかきくけこさしすせそ"));
    EXPECT_EQ(map.slots[0].date, "01/01 00:00");
    EXPECT_TRUE(map.slots[0].selectable);
    EXPECT_EQ(slotText(map, map.slots[0]).substr(0, 6), "No:07 ");
    EXPECT_EQ(slotText(map, map.slots[1]), "No:12 " + sjis("－ＮｏＤａｔａ－") + " --/-- --:--");
    EXPECT_FALSE(map.slots[1].selectable);
    // The unreadable slot: its message once, shown empty, and it can still be saved over.
    EXPECT_EQ(map.slots[2].title, sjis("－ＮｏＤａｔａ－"));
    EXPECT_TRUE(map.slots[2].selectable);
    EXPECT_EQ(run.boxes(),
              "error: SQXタイトル文字列の長さが不正です。正しくは１～３２byteの範囲です。\n"
              "error: ThumbnailLoadに失敗 in SetSaveInfoOne()\n");
    // The hovered slot is tinted: white keeps blue 255 and gets green and red 127.
    EXPECT_EQ(run.platform->screenPixel(5, 45), 0x7F7FFFu);
    EXPECT_EQ(run.platform->screenPixel(5, 65), 0xFFFFFFu);
    run.runFor(100);
    EXPECT_EQ(run.vm().gameInts[1], 0);
    EXPECT_EQ(e.script.engineState, 15);

    // Black goes to blue 128 and nothing else.
    Surface black;
    ASSERT_TRUE(black.create(2, 1, 24));
    SaveLoadSlot slot;
    slot.width = 1, slot.height = 1;
    tintSlot(black, slot);
    EXPECT_EQ(black.row(0)[0], 128);
    EXPECT_EQ(black.row(0)[1], 0);
    EXPECT_EQ(black.row(0)[2], 0);
    EXPECT_EQ(black.row(0)[3], 0); // outside the slot
}

} // namespace
} // namespace vura
