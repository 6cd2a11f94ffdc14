// The player's interaction as whole games play it: clickable maps with their looks and chips,
// the choice menu, and the system buttons and the right click suspending a waiting command
// until their script returns.

#include "audio/sound_buffer.hpp"
#include "audio/sound_device.hpp"
#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"
#include "support/block_glyphs.hpp"
#include "support/sound_files.hpp"
#include "support/test_game.hpp"
#include "text/message_log.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vura {
namespace {

using test::BlockGlyphs;
using test::GameRun;
using test::TestGame;

// The looks picture: 20 x 20 pieces side by side, the blue of each telling it apart.
constexpr std::uint8_t kBackground = 40, kDisabled = 10, kNormal = 100, kHovered = 200, kChip = 250;

// Layer 0 the background, layer 1 the looks; button 0 at (500, 400), fired by Space and the
// wheel too, with a 50 ms click sound on channel 1; the right click opens RCLICK.
constexpr const char* kSetup = R"(call InitSoundChannels(2)
call SetChannelVolumeVariable(1, 1)
call SetLayerCount(2)
call LoadLayer(0, "bg")
call SetLayerSourceRect(0, 0, 0, -1, -1)
call SetLayerVisible(0, 1)
call LoadLayer(1, "looks")
call InitSystemButtons(1)
call SetSystemButtonLayer(1)
call SetSystemButton(0, 500, 400, 0, 0, 20, 20, "BTN")
call SetSystemButtonSound(0, 0, "", 1, "click")
call SetSystemButtonEnabled(0, 1)
call SetSystemButtonShown(0, 1)
call SetSpaceButton(0)
call SetWheelButton(0)
call SetRightClickEnabled(1)
)";
// Hotspot 0 at (100, 100), hotspot 1 at (200, 100); the chip map shows hotspot 0's chip at
// (300, 300).
constexpr const char* kPlainMap = "call ReadyToClickableMap(1, -1, \"\", -1, \"\", 100, 100, 0, "
                                  "0, 20, 20, true, 200, 100, 0, 0, 20, 20, true, 19)\n";
constexpr const char* kChipMap =
    "call ReadyToChipClickableMap(1, -1, \"\", -1, \"\", 100, 100, 0, 0, 20, 20, 300, 300, 60, "
    "0, 20, 20, true, 200, 100, 0, 0, 20, 20, 0, 0, 0, 0, 0, 0, true, 31)\n";
constexpr const char* kShow = "call StartupGraphicEffect(-1, 1)\n";
// Each handler script counts its runs in game int 9.
constexpr const char* kCount = "PushRef 9 0\nIncrement\nPop\n";

struct Interaction : ::testing::Test {
    Interaction() {
        game.layout();
        game.picture("BG.PNG", 640, 480, kBackground);
        game.picture("RED.PNG", 640, 480, 0, 0, 255);
        writeLooks();
        game.write("CLICK.WAV", test::wav16(2, 44100, test::testSignal(2205, 2, 44100)));
        game.script("BTN", std::string(kCount) + "Return");
        // The right-click screen: its own picture for 50 ms, then back.
        game.script("RCLICK", std::string(kCount) +
                                  "call SetLayerCount(1)\ncall LoadLayer(0, \"red\")\n"
                                  "call SetLayerSourceRect(0, 0, 0, -1, -1)\n"
                                  "call SetLayerVisible(0, 1)\n" +
                                  kShow +
                                  "call StartTimer()\ncall WaitTimer(50)\n"
                                  "call CloseRClickScreen()\nReturn");
    }

    void writeLooks() {
        Surface s;
        ASSERT_TRUE(s.create(80, 20, 24));
        const std::uint8_t blues[] = {kDisabled, kNormal, kHovered, kChip};
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 80; ++x) {
                std::uint8_t* p = s.row(y) + x * 3;
                p[0] = blues[x / 20];
                p[1] = p[2] = 0;
            }
        std::FILE* f = std::fopen((game.path() / "LOOKS.PNG").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(savePng(s, f));
        std::fclose(f);
    }

    // Runs INIT: the setup, `body`, then a click wait that keeps the game up. Window 0 shows
    // its text at once: 24-pixel cells in a text area from (110, 310), 240 wide, lines 4 apart.
    std::unique_ptr<GameRun> play(const std::string& body, const std::string& input) {
        game.script("INIT", kSetup + body + "\ncall WaitClick(0)");
        auto run = std::make_unique<GameRun>(game, input);
        EXPECT_TRUE(run->start()) << run->boxes();
        Engine& e = *run->engine;
        auto w = std::make_unique<MessageWindow>(e.platform);
        w->target = e.display.screenSurface.get();
        w->source = &glyphs;
        w->screenRect = {100, 300, 260, 160};
        w->textArea = {110, 310, 240, 144};
        w->pen = {110, 310};
        w->style.font.height = 24;
        w->shadow = false;
        w->shadowOffset = {0, 0};
        w->lineSpacing = 4;
        w->instant = true;
        e.text.messageWindows.push_back(std::move(w));
        return run;
    }

    static std::uint8_t blue(GameRun& run, int x, int y) {
        return static_cast<std::uint8_t>(run.platform->screenPixel(x, y) & 0xFF);
    }
    static std::vector<std::uint32_t> screen(GameRun& run) {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                pixels.push_back(run.platform->screenPixel(x, y));
        return pixels;
    }
    static int gi(GameRun& run, int n) { return run.vm().gameInts[static_cast<std::size_t>(n)]; }

    BlockGlyphs glyphs;
    TestGame game;
};

TEST_F(Interaction, AMapWaitShowsTheHoveredLookAndChipAndStoresThePick) {
    struct Case {
        const char* map;
        const char* wait;
        const char* pick;
        int result;
        bool chips;
    };
    const Case cases[] = {
        {kPlainMap, "call ClickableMapWait(3, 1)", "400 click 205 105\n", 1, false},
        {kChipMap, "call ChipClickableMapWait(3, 1)", "400 click 205 105\n", 1, true},
        {kPlainMap, "call ClickableMapWait(3, 1)", "400 rclick 105 105\n", -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.wait) + " " + c.pick);
        auto run = play(std::string(c.map) + kShow + c.wait,
                        std::string("200 move 105 105\n300 move 50 50\n") + c.pick);
        run->runFor(250);
        EXPECT_EQ(blue(*run, 105, 105), kHovered);
        EXPECT_EQ(blue(*run, 205, 105), kNormal);
        EXPECT_EQ(blue(*run, 305, 305), c.chips ? kChip : kBackground);
        run->runFor(100);
        EXPECT_EQ(blue(*run, 105, 105), kNormal);
        EXPECT_EQ(blue(*run, 305, 305), kBackground);
        run->runFor(100);
        EXPECT_EQ(gi(*run, 3), c.result);
        EXPECT_EQ(run->engine->script.engineState, 15);
    }
}

TEST_F(Interaction, AChoiceMenuStoresThePickLogsItsLinesAndOutlivesAMenuOfAButtonScript) {
    game.script("BTN", std::string(kCount) +
                           "call ChoiceMenuReady(0, gi[5], \"x\", \"y\", \"z\", 5)\nReturn");
    // The menu's lines stand at y 310 and 338, 24 high; the button's menu is written below the
    // last of them, from y 338 on, so its second line is at 366.
    auto run = play(std::string(kShow) + "call MessageFlowReady(0, \"あ\", 0, 5)\n" +
                        "call ChoiceMenuReady(0, gi[4], \"one\", \"two\", 4)",
                    "200 click 505 405\n300 click 150 375\n400 click 150 345\n");
    Engine& e = *run->engine;
    run->runFor(250);
    ASSERT_EQ(e.ui.choiceMenu.lines.size(), 3u);
    EXPECT_EQ(e.script.savedCommandTop, 0);
    run->runFor(100);
    EXPECT_EQ(gi(*run, 5), 1);
    EXPECT_EQ(e.script.engineState, 79);
    EXPECT_EQ(e.script.savedCommandTop, -1);
    ASSERT_EQ(e.ui.choiceMenu.lines.size(), 2u);
    EXPECT_EQ(e.ui.choiceMenu.lines[1].text, "two");
    EXPECT_EQ(blue(*run, 137, 328), 255) << "the first line is written again";
    run->runFor(150);
    EXPECT_EQ(gi(*run, 4), 1);
    EXPECT_EQ(e.script.engineState, 15);
    EXPECT_EQ(e.text.messageLog->pages().back().text, "\x82\xa0one\x01two\x01");
    EXPECT_EQ(e.text.messageWindows[0]->pageText, "");
    EXPECT_FALSE(e.ui.choiceMenu.showing());
    EXPECT_EQ(blue(*run, 137, 328), kBackground) << "the text is gone";
    EXPECT_EQ(run->boxes(), "");
}

TEST_F(Interaction, AWaitSuspendedByAButtonOrTheRightClickResumesInItsPhase) {
    struct Wait {
        int command;
        std::string body;
        const char* finish;
    };
    const std::string map = std::string(kPlainMap) + kShow;
    const Wait waits[] = {
        {44, map + "call MessageFlowReady(0, \"あ\\w\", 0, 5)", "500 click 50 50\n"},
        {70, map + "call ClickableMapWait(3, 0)", "500 click 105 105\n"},
        {79,
         std::string(kShow) + "call MessageFlowReady(0, \"あ\", 0, 5)\n" +
             "call ChoiceMenuReady(0, gi[4], \"one\", \"two\", 4)",
         "500 click 150 320\n"},
        {109, std::string(kChipMap) + kShow + "call ChipClickableMapWait(3, 0)",
         "500 click 205 105\n"},
    };
    struct Trigger {
        const char* input;
        const char* baseline; // the same pointer without the interruption
        bool rightClick;
    };
    const Trigger triggers[] = {
        {"300 click 505 405\n", "300 move 505 405\n", false},
        {"300 tap Space\n", "", false},
        {"300 wheel 1\n", "", false},
        {"300 rclick 50 50\n", "300 move 50 50\n", true},
    };
    for (const Wait& w : waits)
        for (const Trigger& t : triggers) {
            SCOPED_TRACE(std::to_string(w.command) + " " + t.input);
            auto base = play(w.body, std::string(t.baseline) + w.finish);
            auto run = play(w.body, std::string(t.input) + w.finish);
            base->runFor(360);
            run->runFor(360);
            if (t.rightClick) {
                EXPECT_EQ(run->platform->screenPixel(50, 50) & 0xFFFFFF, 0xFF0000u)
                    << "the right-click screen";
            }
            base->runFor(90);
            run->runFor(90);
            ScriptState& s = run->engine->script;
            EXPECT_EQ(gi(*run, 9), 1);
            EXPECT_EQ(s.savedCommandTop, -1);
            EXPECT_EQ(s.engineState, w.command);
            EXPECT_EQ(s.commandPhase, base->engine->script.commandPhase);
            EXPECT_TRUE(screen(*run) == screen(*base)) << "the screen as without the interruption";
            base->runFor(200);
            run->runFor(200);
            EXPECT_EQ(s.engineState, 15);
            EXPECT_EQ(run->vm().top, base->vm().top);
            EXPECT_EQ(run->vm().frameTop, -1);
            EXPECT_EQ(gi(*run, 3), gi(*base, 3));
            EXPECT_EQ(gi(*run, 4), gi(*base, 4));
            EXPECT_EQ(run->boxes(), "");
        }
}

TEST_F(Interaction, RefusedInterruptionsLeaveTheWaitWaiting) {
    const std::string nested = std::string(kCount) + "call ClickableMapWait(3, 0)\nReturn";
    std::string nineClicks;
    for (int ms = 100; ms <= 900; ms += 100)
        nineClicks += std::to_string(ms) + " click 505 405\n";
    struct Case {
        const char* name;
        std::string setup, button, rightClick, input;
        int suspended; // and call frames, and runs of the handler scripts
        const char* boxes;
    };
    const std::string off = "call SetSystemButtonEnabled(0, 0)\n";
    const std::string hidden = "call SetSystemButtonShown(0, 0)\n";
    const Case cases[] = {
        {"disabled, clicked", off, "", "", "300 click 505 405\n", 0, ""},
        {"disabled, Space", off, "", "", "300 tap Space\n", 0, ""},
        {"disabled, wheel", off, "", "", "300 wheel 1\n", 0, ""},
        {"hidden, clicked", hidden, "", "", "300 click 505 405\n", 0, ""},
        {"hidden, Space", hidden, "", "", "300 tap Space\n", 0, ""},
        {"hidden, wheel", hidden, "", "", "300 wheel 1\n", 0, ""},
        {"wheel backward", "", "", "", "300 wheel -1\n", 0, ""},
        {"script missing", "call SetSystemButton(0, 500, 400, 0, 0, 20, 20, \"NOPE\")\n", "", "",
         "300 click 505 405\n", 0,
         "error: NOPE.SQXが見つかりません\nerror: SQXCallに失敗 in ProcessSystemButton()\n"},
        {"right click on the right-click screen", "", "", nested,
         "200 rclick 50 50\n300 rclick 50 50\n", 1, ""},
        {"ninth suspension", "", nested, "", nineClicks, 8, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.button.empty())
            game.script("BTN", c.button);
        if (!c.rightClick.empty())
            game.script("RCLICK", c.rightClick);
        auto run = play(c.setup + kPlainMap + kShow + "call ClickableMapWait(3, 0)", c.input);
        run->runFor(940);
        ScriptState& s = run->engine->script;
        EXPECT_EQ(s.engineState, 70);
        EXPECT_EQ(s.commandPhase, 1);
        EXPECT_EQ(s.savedCommandTop, c.suspended - 1);
        EXPECT_EQ(run->vm().frameTop, c.suspended - 1);
        EXPECT_EQ(gi(*run, 9), c.suspended);
        if (c.suspended == 0) {
            EXPECT_EQ(run->vm().scriptName, "INIT");
        }
        // The eighth click's sound ended at 880; a ninth would sound from 930.
        EXPECT_EQ(run->engine->sound.manager->channel(1)->status() & kStatusPlaying, 0u);
        EXPECT_EQ(run->boxes(), c.boxes);
    }
}

TEST_F(Interaction, WrongArgumentCountsEndTheGame) {
    const std::pair<const char*, const char*> cases[] = {
        {"call 68(1, -1, \"\", -1, \"\", 100, 100, 0, 0, 20, 20, true, 13)",
         "error: 引数が不正です in ReadyToClickableMap()\n"},
        {"call 79(0, 1)", "error: 引数が不正です in ChoiceMenuReady()\n"},
    };
    for (const auto& [source, boxes] : cases) {
        auto run = play(source, "");
        EXPECT_TRUE(run->runFor(200)) << source;
        EXPECT_EQ(run->boxes(), boxes);
    }
}

// Count 13 is one hotspot and one value too many: the stray value is taken and left unused, so
// the stack ends as it began. The looks are found through their layer at every draw: once the
// layers are made anew, the next rebuild draws nothing there (and reads no freed picture).
TEST_F(Interaction, AnIncompleteHotspotIsDroppedAndLooksFollowTheirLayer) {
    auto run = play("call 68(1, -1, \"\", -1, \"\", 100, 100, 0, 0, 20, 20, true, 7, 13)\n" +
                        std::string(kShow) + "PushRef 1 0\nPushConst 0 1\nAssign\nPop\n" +
                        "call SetLayerCount(2)\ncall LoadLayer(0, \"bg\")\n"
                        "call SetLayerSourceRect(0, 0, 0, -1, -1)\ncall SetLayerVisible(0, 1)\n" +
                        kShow,
                    "");
    run->runFor(200);
    EXPECT_EQ(run->engine->ui.mainMap.items.size(), 1u);
    EXPECT_EQ(run->vm().top, -1);
    EXPECT_EQ(gi(*run, 1), 1);
    EXPECT_EQ(blue(*run, 105, 105), kBackground);
    EXPECT_EQ(run->boxes(), "");
}

} // namespace
} // namespace vura
