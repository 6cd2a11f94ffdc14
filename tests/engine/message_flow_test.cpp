// The message command as a player meets it: the reveal's pace, clicks, skipping read lines,
// no-wait, voices, page ends and the log; the redraw of a page and the peek.

#include "audio/sound_buffer.hpp"
#include "support/block_glyphs.hpp"
#include "support/sound_files.hpp"
#include "support/test_game.hpp"
#include "text/message_log.hpp"
#include "text/text_commands.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vura {
namespace {

using test::BlockGlyphs;
using test::GameRun;
using test::TestGame;

constexpr int kReadFlag = 5;
// Three characters a line (24-pixel cells, shadow off), two lines a page.
constexpr Rect kWindowRect{100, 300, 200, 100};

struct MessageFlowTest : ::testing::Test {
    MessageFlowTest() {
        game.layout();
        game.write("VOICE.WAV", test::wav16(2, 44100, test::testSignal(44100, 2, 44100)));
    }

    // Runs INIT (`body`, then a click wait so the game stays up) with window 0 ready.
    std::unique_ptr<GameRun> play(const std::string& body, const std::string& input = "") {
        game.script("INIT", "call InitSoundChannels(3)\ncall SetChannelVolumeVariable(2, 1)\n" +
                                body + "\ncall WaitClick(0)");
        auto run = std::make_unique<GameRun>(game, input);
        EXPECT_TRUE(run->start()) << run->boxes();
        Engine& e = *run->engine;
        auto w = std::make_unique<MessageWindow>(e.platform);
        w->target = e.display.screenSurface.get();
        w->source = &glyphs;
        w->screenRect = kWindowRect;
        w->textArea = {110, 310, 3 * 24, 2 * 24};
        w->pen = {110, 310};
        w->shadow = false;
        w->voiceChannel = 2;
        w->characterTimer.SetInterval(30);
        e.text.messageWindows.push_back(std::move(w));
        run->vm().commonInts[1] = 100; // the voice channel's master volume
        return run;
    }
    static MessageWindow& window(GameRun& run) { return *run.engine->text.messageWindows[0]; }
    static std::size_t consumed(GameRun& run) { return window(run).pageText.size(); }

    BlockGlyphs glyphs;
    TestGame game;
};

// "あいうえお" and so on: Shift-JIS hiragana, two bytes each.
std::string kana(int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        s += '\x82';
        s += static_cast<char>(0xA0 + i);
    }
    return s;
}

// The same characters as the script's source spells them.
std::string kanaSource(int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        char32_t c = U'\u3042' + static_cast<char32_t>(i);
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

std::string message(const std::string& text, int window = 0) {
    return "call MessageFlowReady(" + std::to_string(window) + ", \"" + text + "\", 0, " +
           std::to_string(kReadFlag) + ")";
}

TEST_F(MessageFlowTest, RevealFollowsTheCharacterTimerAndAClickShowsTheRestOfThePage) {
    auto run =
        play(message(kanaSource(8) + "\\w"), "130 press LCtrl\n300 release LCtrl\n400 click 5 5\n");
    run->runFor(105);
    // One character every 30 ms of the window's timer.
    EXPECT_GE(consumed(*run), 6u);
    EXPECT_LE(consumed(*run), 10u);
    // Ctrl on an unread line, with skip-all off, changes nothing.
    run->runFor(50);
    EXPECT_GE(consumed(*run), 10u);
    EXPECT_LE(consumed(*run), 12u);
    run->runFor(200);
    // The line up to its click wait: the first six characters filled the page.
    EXPECT_EQ(window(*run).pageText, kana(8).substr(12) + "\x02");
    EXPECT_EQ(run->engine->text.messageLog->pages().size(), 1u);
    EXPECT_EQ(run->engine->script.engineState, 44);
    EXPECT_FALSE(run->vm().commonFlags[kReadFlag]);
    run->runFor(400); // the click ends the wait, and the text runs out
    EXPECT_NE(run->engine->script.engineState, 44);
    EXPECT_TRUE(run->vm().commonFlags[kReadFlag]);
    EXPECT_EQ(run->boxes(), "");
}

TEST_F(MessageFlowTest, AClickDuringTheRevealShowsThePageUpToTheNextWait) {
    auto run = play(message(kanaSource(5) + "\\w" + kanaSource(2)), "40 click 5 5\n");
    run->runFor(100);
    EXPECT_EQ(consumed(*run), 11u);
    EXPECT_EQ(run->engine->script.commandPhase, 2);
    // The reveal went through the screen: the first cell is drawn in white.
    const std::uint8_t* p = run->engine->display.screenSurface->row(310 + 24 - 6) + 3 * (110 + 3);
    EXPECT_EQ(p[0], 255);
}

TEST_F(MessageFlowTest, ReadLinesAreSkippedWithCtrlAndSkipModeEndsAtTheFirstUnreadLine) {
    auto run = play(message(kanaSource(2) + "\\w") + "\n" + "call MessageFlowReady(0, \"" +
                    kanaSource(2) + "\\w\", 0, 6)");
    run->vm().commonFlags[kReadFlag] = 1;
    run->engine->app.skipMode = true;
    run->runFor(30);
    // The read line went by at once, click wait included; the unread one stopped skip mode.
    EXPECT_FALSE(run->engine->app.skipMode);
    EXPECT_EQ(run->engine->script.engineState, 44);
    EXPECT_EQ(window(*run).pageText.substr(0, 5), kana(2) + "\x02");
    EXPECT_LT(window(*run).pageText.size(), 10u);
    EXPECT_FALSE(run->vm().commonFlags[6]);

    // With skip-all on, unread text is skipped too.
    run->vm().commonInts[2] = 1;
    run->engine->text.skipAllVariable = 2;
    run->engine->app.skipMode = true;
    run->runFor(20);
    EXPECT_TRUE(run->vm().commonFlags[6]);
    EXPECT_TRUE(run->engine->app.skipMode);
}

TEST_F(MessageFlowTest, NoWaitShowsEveryPageAtOnceAndFullPagesGoToTheLog) {
    // Fifteen characters: two full pages of six, then three more.
    auto run = play(message(kanaSource(15) + "\\w") + "\n" + message("\\p" + kanaSource(1)),
                    "100 click 5 5\n");
    run->vm().commonInts[3] = 1;
    run->engine->text.noWaitVariable = 3;
    run->runFor(20);
    EXPECT_EQ(run->engine->script.commandPhase, 2);
    ASSERT_EQ(run->engine->text.messageLog->pages().size(), 2u);
    EXPECT_EQ(run->engine->text.messageLog->pages()[0].text, kana(6));
    EXPECT_EQ(run->engine->text.messageLog->pages()[1].text, kana(12).substr(12));
    EXPECT_EQ(window(*run).pageText, kana(15).substr(24) + "\x02");
    // Code 3 ends the page the next message shares, and the last page stays out of the log.
    run->runFor(150);
    ASSERT_EQ(run->engine->text.messageLog->pages().size(), 3u);
    EXPECT_EQ(run->engine->text.messageLog->pages()[2].text, kana(15).substr(24) + "\x02\x03");
    EXPECT_EQ(window(*run).pageText, kana(1));
    // An erased page leaves the picture without text.
    Engine& e = *run->engine;
    const std::uint8_t* screen = e.display.screenSurface->row(310 + 24 - 6) + 3 * (110 + 24 + 3);
    const std::uint8_t* work = e.display.workSurface->row(310 + 24 - 6) + 3 * (110 + 24 + 3);
    EXPECT_EQ(screen[0], work[0]);
}

TEST_F(MessageFlowTest, AnInstantWindowShowsEveryPageAtOnceAlsoAfterAClickWait) {
    auto run = play(message(kanaSource(1) + "\\w" + kanaSource(2) + "\\w"), "100 click 5 5\n");
    window(*run).instant = true;
    run->runFor(20);
    EXPECT_EQ(window(*run).pageText, kana(1) + "\x02");
    run->runFor(115); // the click is released at 130
    EXPECT_EQ(run->engine->script.commandPhase, 2);
    EXPECT_EQ(window(*run).pageText, kana(1) + "\x02" + kana(2) + "\x02");
}

TEST_F(MessageFlowTest, AVoiceSoundsThroughTheClickWaitAndStopsWhenTheTextRunsOut) {
    auto run = play("call MessageFlowReady(0, \"voice\", \"" + kanaSource(1) +
                        "\\w\", 3, 5)\ncall WaitClick(0)\ncall ReplayMsgBoxSound(0)",
                    "300 click 5 5\n500 click 5 5\n");
    run->runFor(100);
    SoundBuffer& voice = *run->engine->sound.manager->channel(2);
    EXPECT_EQ(run->engine->script.commandPhase, 2);
    EXPECT_EQ(voice.status(), kStatusPlaying);
    EXPECT_EQ(window(*run).voiceName, "voice");
    const PageVoiceList& voices = run->engine->text.messageLog->currentVoices();
    ASSERT_EQ(voices.count, 1);
    EXPECT_EQ(voices.slots[0], (PageVoice{110, 0, "voice"}));
    run->runFor(300);
    EXPECT_NE(run->engine->script.engineState, 44);
    EXPECT_EQ(voice.status(), 0u);
    run->runFor(200); // the replay plays the window's voice again
    EXPECT_EQ(voice.status(), kStatusPlaying);
    EXPECT_EQ(run->boxes(), "");

    // A voice that cannot be found warns, and the line still runs with its name logged.
    run.reset();
    auto missing = play("call MessageFlowReady(0, \"nothing\", \"" + kanaSource(1) + "\", 3, 5)");
    missing->runFor(100);
    EXPECT_EQ(missing->boxes(), "error: nothing.OGG&WAVが見つかりません\n"
                                "Warning: Voiceファイルロードに失敗 in MessageFlowReady()\n");
    EXPECT_EQ(missing->engine->text.messageLog->currentVoices().slots[0].name, "nothing");
}

TEST_F(MessageFlowTest, AWindowNumberOfAnotherTypeEndsTheGame) {
    auto run = play("call MessageFlowReady(true, \"x\", 0, 5)");
    EXPECT_TRUE(run->runFor(100));
    EXPECT_EQ(run->boxes(), "error: 引数が不正です in MessageFlowReady()\n");
}

TEST_F(MessageFlowTest, ARedrawnPageLandsWhereItWasFirstDrawn) {
    auto run = play(message(kanaSource(2) + "\\n" + kanaSource(1) + "\\w"));
    run->runFor(200);
    Engine& e = *run->engine;
    ASSERT_EQ(e.script.commandPhase, 2);
    auto picture = [&e] {
        std::vector<std::uint8_t> rows;
        for (int y = kWindowRect.y; y < kWindowRect.y + kWindowRect.height; ++y) {
            const std::uint8_t* r = e.display.screenSurface->row(y) + 3 * kWindowRect.x;
            rows.insert(rows.end(), r, r + 3 * kWindowRect.width);
        }
        return rows;
    };
    std::vector<std::uint8_t> shown = picture();
    e.display.screenSurface->copyFrom(*e.display.workSurface);
    ASSERT_NE(picture(), shown);
    RedrawPage(e, window(*run));
    EXPECT_EQ(picture(), shown);
    EXPECT_EQ(window(*run).pageText, kana(2) + "\x01" + kana(1) + "\x02");
}

TEST_F(MessageFlowTest, APeekShowsThePictureWithoutTheTextUntilAClick) {
    game.picture("BG.PNG", 640, 480, 200);
    auto run = play("call SetLayerCount(2)\ncall LoadLayer(0, \"bg\")\n"
                    "call SetLayerSourceRect(0, 0, 0, -1, -1)\ncall SetLayerVisible(0, 1)\n"
                    "call StartupGraphicEffect(-1, 1)\n" +
                        message(kanaSource(1) + "\\w") + "\ncall MessageWindowPeek()",
                    "100 click 5 5\n300 tap Space\n");
    Engine& e = *run->engine;
    auto blue = [&e] { return e.display.screenSurface->row(328)[3 * 113]; };
    run->runFor(90);
    EXPECT_EQ(blue(), 255) << "the text is on the picture";
    run->runFor(110);
    EXPECT_EQ(e.script.engineState, 60);
    EXPECT_EQ(blue(), 200) << "the peek shows the picture alone";
    EXPECT_EQ(run->platform->screenPixel(113, 328) & 0xFF, 200u);
    run->runFor(150);
    EXPECT_NE(e.script.engineState, 60);
    EXPECT_EQ(blue(), 255) << "the page is back";
}

TEST_F(MessageFlowTest, WindowsOnTopStayThroughATransitionAndWhenCtrlCutsItShort) {
    game.picture("BG.PNG", 640, 480, 200);
    auto run = play("call SetLayerCount(2)\ncall LoadLayer(0, \"bg\")\n"
                    "call SetLayerSourceRect(0, 0, 0, -1, -1)\ncall SetLayerVisible(0, 1)\n"
                    "call StartupGraphicEffect(-1, 1)\n" +
                        message(kanaSource(1) + "\\w") +
                        "\ncall SetWindowsOnTop(1)\ncall StartupGraphicEffect(0, 64, false, 3)",
                    "100 click 5 5\n300 press LCtrl\n");
    run->vm().commonInts[0] = 1; // transitions on
    Engine& e = *run->engine;
    auto blue = [&e] { return e.display.screenSurface->row(328)[3 * 113]; };
    run->runFor(250);
    ASSERT_TRUE(e.display.effectRunning);
    EXPECT_EQ(blue(), 255);
    run->runFor(60);
    ASSERT_FALSE(e.display.effectRunning);
    EXPECT_EQ(blue(), 255);
    EXPECT_EQ(run->platform->screenPixel(113, 328) & 0xFF, 255u);
}

TEST(MessageLog, KeepsTheLastHundredPagesAndEightVoicesAPage) {
    MessageLog log;
    for (int v = 0; v < 9; ++v)
        log.AddVoice(v, 0, std::string(70, 'a' + v));
    EXPECT_EQ(log.currentVoices().count, 8);
    EXPECT_EQ(log.currentVoices().slots[7].name, std::string(63, 'h'));
    for (int page = 0; page < 101; ++page)
        log.AddPage(page % 2, std::to_string(page) + std::string(page == 100 ? 2000 : 0, 'x'));
    ASSERT_EQ(log.pages().size(), 100u);
    EXPECT_EQ(log.pages().front().text, "1");
    EXPECT_EQ(log.pages().back().text.size(), 1023u);
    EXPECT_EQ(log.pages()[0].voices.count, 0);
    EXPECT_EQ(log.currentVoices().count, 0);
    log.SetCursor(1);
    EXPECT_EQ(log.cursorPage(), &log.pages().back());
    log.CursorOlder();
    EXPECT_EQ(log.cursorPage()->text, "99");
    log.SetCursor(500);
    EXPECT_EQ(log.cursor(), 100);
    log.CursorOlder();
    EXPECT_EQ(log.cursor(), 100);
}

} // namespace
} // namespace vura
