// The commands that set up the message windows and the text animations, the option commands
// the message command reads, and the script's message box.

#include "base/sjis.hpp"
#include "graphics/surface.hpp"
#include "support/test_game.hpp"
#include "text/text_commands.hpp"
#include "text/text_state.hpp"

#include <gtest/gtest.h>

#include <climits>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

struct TextCommandsTest : ::testing::Test {
    // Starts INIT, which ends waiting for a click, and runs it for `ms`.
    std::unique_ptr<GameRun> play(const std::string& init, const std::string& input = "",
                                  std::uint32_t ms = 100) {
        game.layout();
        game.script("INIT", init + "\ncall WaitClick(0)");
        auto run = std::make_unique<GameRun>(game, input);
        EXPECT_TRUE(run->start()) << run->boxes();
        run->runFor(ms);
        return run;
    }
    TestGame game;
};

void fill(Surface& s, int x, int y, int w, int h, std::uint8_t value) {
    for (int row = y; row < y + h; ++row)
        for (int col = x * 3; col < (x + w) * 3; ++col)
            s.row(row)[col] = value;
}

TEST_F(TextCommandsTest, WindowSettingsAreStoredAndANewCountStartsAfresh) {
    std::string name30 = std::string(30, 'a');
    auto run =
        play("call SetMessageWindowCount(2)\n"
             "call SetMessageFont(1, \"" +
                 std::string(40, 'f') +
                 "\", 30, 700)\n"
                 "call SetMessageFont(0, \"" +
                 name30 +
                 "あ\", 20, 400)\n"
                 "call SetMessageFontStyle(1, 1, 0, 5)\ncall SetMessageAntialias(1, 0)\n"
                 "call SetMessageBottomAlign(1, 1)\ncall SetMessageShadow(1, 0)\n"
                 "call SetMessageTextColor(1, 256, 0, 0)\n"
                 "call SetMessageShadowColor(1, -1, 300, 5)\n"
                 "call SetMessageShadowOffset(1, -2, 3)\n"
                 "call SetMessageWindowRect(1, 10, 20, 300, 100, 15, 25, 280, 80)\n"
                 "call SetMessageWindowRect(0, 0, 0, 9, 9, 5, 6, 9, 9)\n"
                 "call SetMessageWindowRect(0, 0, 0, 9, 9, 7, 8, 9, 9)\n"
                 "call SetMessageHooks(1, 3)\ncall SetMessageHangingPunctuation(1, 0)\n"
                 "call SetMessageBracketIndent(1, 0)\ncall SetMessageLogPages(1, 0)\n"
                 "call SetMessageSpeed(1, 40)\ncall SetMessageWindowVoiceChannel(1, 4)\n"
                 "call SetMessageWindowInstant(1, 1)\ncall SetMessageSpacing(1, 3, 6)\n"
                 // Windows that do not exist, and a count no game could mean.
                 "call SetMessageFont(2, \"x\", 1, 1)\ncall SetMessageTextColor(-1, 1, 1, 1)\n"
                 "call SetMessageWindowRect(9, 1, 1, 1, 1, 1, 1, 1, 1)\n"
                 "call SetMessageSpacing(2, 1, 1)\ncall SetMessageWindowCount(70000)\n"
                 "call WaitClick(0)\ncall SetMessageWindowCount(3)\n"
                 "call WaitClick(0)\ncall SetMessageWindowCount(0)",
             "300 click 5 5\n600 click 5 5\n");
    Engine& e = *run->engine;
    ASSERT_EQ(e.text.messageWindows.size(), 2u);
    const MessageWindow& w = *e.text.messageWindows[1];
    EXPECT_EQ(w.style.font.faceName, std::string(31, 'f'));
    EXPECT_EQ(w.style.font.height, 30);
    EXPECT_EQ(w.style.font.weight, 700);
    // Cut before a two-byte character that would not fit whole.
    EXPECT_EQ(e.text.messageWindows[0]->style.font.faceName, name30);
    EXPECT_EQ(w.style.font.italic, 1);
    EXPECT_EQ(w.style.font.underline, 0);
    EXPECT_EQ(w.style.font.strikeOut, 1);
    EXPECT_EQ(w.style.format, kGlyphBitmap);
    EXPECT_EQ(e.text.messageWindows[0]->style.format, kGlyphGray);
    EXPECT_TRUE(w.style.bottomAlign);
    EXPECT_FALSE(w.shadow);
    EXPECT_EQ(w.textColour, (Rgb{0, 0, 0}));
    EXPECT_EQ(w.shadowColour, (Rgb{255, 44, 5}));
    EXPECT_EQ(w.shadowOffset.dx, -2);
    EXPECT_EQ(w.shadowOffset.dy, 3);
    EXPECT_EQ(w.screenRect.x, 10);
    EXPECT_EQ(w.screenRect.height, 100);
    EXPECT_EQ(w.textArea.left, 15);
    EXPECT_EQ(w.textArea.width, 280);
    // A window that has drawn nothing starts in its text area; once placed, the pen stays.
    EXPECT_EQ(w.pen.x, 15);
    EXPECT_EQ(w.pen.y, 25);
    EXPECT_EQ(e.text.messageWindows[0]->pen.x, 5);
    EXPECT_EQ(e.text.messageWindows[0]->pen.y, 6);
    EXPECT_EQ(w.hookSelector, 3);
    EXPECT_FALSE(w.hangingPunctuation);
    EXPECT_FALSE(w.bracketIndent);
    EXPECT_FALSE(w.logPages);
    EXPECT_EQ(w.characterTimer.intervalMs, 40u);
    EXPECT_EQ(w.voiceChannel, 4);
    EXPECT_TRUE(w.instant);
    EXPECT_EQ(w.characterSpacing, 3);
    EXPECT_EQ(w.lineSpacing, 6);
    EXPECT_EQ(w.target, e.display.screenSurface.get());
    EXPECT_NE(w.source, nullptr);

    run->runFor(300);
    ASSERT_EQ(e.text.messageWindows.size(), 3u);
    MessageWindow fresh(*run->platform);
    for (const auto& window : e.text.messageWindows) {
        EXPECT_EQ(window->style.font, FontDescription{});
        EXPECT_EQ(window->style.format, kGlyphGray);
        EXPECT_EQ(window->textColour, fresh.textColour);
        EXPECT_EQ(window->hookSelector, 0);
        EXPECT_EQ(window->characterTimer.intervalMs, kDefaultCharacterIntervalMs);
        EXPECT_EQ(window->screenRect.width, 0);
        EXPECT_TRUE(window->logPages);
    }
    run->runFor(300);
    EXPECT_TRUE(e.text.messageWindows.empty());
    EXPECT_EQ(run->boxes(), "");
}

TEST_F(TextCommandsTest, OptionCommandsSetTheEngineFlags) {
    auto run = play("call SetLayerCount(2)\ncall SetLayerHidden(1, 1)\ncall SetLayerHidden(9, 1)\n"
                    "call SetLayerHidden(-1, 1)\ncall SetWindowModeVariable(1)\n"
                    "call SetEffectVariable(2)\ncall SetNoWaitVariable(3)\n"
                    "call SetSkipAllVariable(4)\ncall SetRightClickEnabled(7)\n"
                    "call SetWindowsOnTop(1)\ncall SetSpaceButton(2)\ncall SetWheelButton(-1)\n"
                    "call SetAnimationEnabled(1, 1)\ncall SetAnimationEnabled(2, 1)\n"
                    "call SetAnimation(-1, 0, 0, 0, 0, 0, 0, 0, 0, 0)\n"
                    // Common int 1 = 1: full screen wanted, twice.
                    "PushRef 1 12\nPushConst 0 1\nAssign\nPop\ncall ApplyWindowMode()\n"
                    "call ApplyWindowMode()");
    Engine& e = *run->engine;
    EXPECT_FALSE(e.display.currentLayerSet->layer(0)->hideInPeek);
    EXPECT_TRUE(e.display.currentLayerSet->layer(1)->hideInPeek);
    EXPECT_EQ(e.text.windowModeVariable, 1);
    EXPECT_EQ(e.text.effectVariable, 2);
    EXPECT_EQ(e.text.noWaitVariable, 3);
    EXPECT_EQ(e.text.skipAllVariable, 4);
    EXPECT_TRUE(e.ui.rightClickEnabled);
    EXPECT_TRUE(e.display.windowsOnTop);
    EXPECT_EQ(e.ui.systemButtons.spaceButton, 2);
    EXPECT_EQ(e.ui.systemButtons.wheelButton, -1);
    EXPECT_FALSE(e.text.animations[kClickWaitMark].enabled);
    EXPECT_TRUE(e.text.animations[kChoiceCursor].enabled);
    // The mode changed once, and the window was shown with it.
    EXPECT_TRUE(run->platform->fullScreen());
    EXPECT_TRUE(e.app.displayMode->isFullScreen);
    EXPECT_EQ(run->boxes(), "");
}

TEST_F(TextCommandsTest, ShowMessageBoxStoresTheAnswerAndEndsSkipMode) {
    // In skip mode a click wait passes at once with the result 1, kept in game int 8.
    auto run = play("call StartSkipMode()\n"
                    "PushRef 8 0\nPushConst 0 0\nCallCommand WaitClick\nAssign\nPop\n"
                    "call ShowMessageBox(\"続けますか\", \"確認\", 1, 5)\n"
                    "call ShowMessageBox(\"はい\", \"確認\", 1, 6)\n"
                    "call ShowMessageBox(\"了解\", \"info\", 0, 7)\n"
                    "call ShowMessageBox(\"x\", \"y\", 0, 99)", // no such game int
                    "answer no\nanswer yes\n");
    Engine& e = *run->engine;
    EXPECT_EQ(run->vm().gameInts[8], 1);
    EXPECT_FALSE(e.app.skipMode);
    EXPECT_EQ(run->vm().gameInts[5], 0);
    EXPECT_EQ(run->vm().gameInts[6], 1);
    EXPECT_EQ(run->vm().gameInts[7], 1);
    EXPECT_EQ(run->boxes(), "確認: 続けますか\n確認: はい\ninfo: 了解\ny: x\n"
                            "err: アクセスバイオレーションしてます＞＜\n");
}

TEST_F(TextCommandsTest, AnimationFramesAreDrawnInTurnThroughTheMask) {
    auto run = play("call SetLayerCount(2)\ncall SetMaskCount(1)\n"
                    "call SetAnimation(0, 1, 100, 50, 0, 0, 2, 2, 4, 16)");
    Engine& e = *run->engine;
    Layer* layer = e.display.mainLayerSet->layer(1);
    Layer* mask = e.display.mainLayerSet->mask(0);
    ASSERT_TRUE(layer && mask);
    // Four 2 x 2 frames side by side, frame f all 40 x (f + 1); the mask lets the left column
    // of each frame show and keeps the right one out.
    ASSERT_TRUE(layer->surface->create(8, 2, 24));
    ASSERT_TRUE(mask->surface->create(8, 2, 24));
    for (int f = 0; f < 4; ++f) {
        fill(*layer->surface, 2 * f, 0, 2, 2, static_cast<std::uint8_t>(40 * (f + 1)));
        fill(*mask->surface, 2 * f + 1, 0, 1, 2, 255);
    }
    layer->maskIndex = 0;
    fill(*e.display.workSurface, 100, 50, 2, 2, 7);
    auto at = [&](int x, int y) { return e.display.screenSurface->row(y)[x * 3]; };

    const int expected[] = {40, 80, 120, 160, 40};
    for (int frame : expected) {
        DrawAnimationFrame(e, kClickWaitMark, 100, 50);
        EXPECT_EQ(at(100, 51), frame);
        EXPECT_EQ(at(101, 51), 7); // the work surface under the masked column
        EXPECT_EQ(run->platform->screenPixel(100, 50), frame * 0x010101u);
    }
    EXPECT_EQ(e.text.animations[kClickWaitMark].frame, 1);

    // Without a mask entry, or with a mask without a picture, the frame is copied whole.
    layer->maskIndex = -1;
    DrawAnimationFrame(e, kClickWaitMark, 100, 50);
    EXPECT_EQ(at(101, 50), 80);
    layer->maskIndex = 0;
    mask->surface->release();
    DrawAnimationFrame(e, kClickWaitMark, 100, 50);
    EXPECT_EQ(at(101, 50), 120);

    // A layer that does not exist draws nothing but still erases and steps the frame.
    Animation& a = e.text.animations[kClickWaitMark];
    a.layer = 9;
    DrawAnimationFrame(e, kClickWaitMark, 100, 50);
    EXPECT_EQ(at(100, 50), 7);
    EXPECT_EQ(a.frame, 0);

    // Rectangles reaching outside the screen and the picture are cut, never read beyond them.
    a.layer = 1;
    layer->maskIndex = -1;
    a.srcX = INT_MAX;
    a.width = INT_MAX;
    a.height = 3;
    a.frame = 2;
    DrawAnimationFrame(e, kClickWaitMark, 638, 479);
    DrawAnimationFrame(e, kClickWaitMark, INT_MIN, INT_MIN);
    a.srcX = -1;
    a.srcY = -1;
    a.width = 4;
    DrawAnimationFrame(e, kClickWaitMark, 638, 478);
    EXPECT_EQ(at(639, 479), 40); // picture pixel (0, 0) landed at (639, 479)
    // Animation numbers outside the two change nothing.
    DrawAnimationFrame(e, 2, 0, 0);
    DrawAnimationFrame(e, -1, 0, 0);
    // frameCount 0: the frame stays 0.
    a.frameCount = 0;
    DrawAnimationFrame(e, kClickWaitMark, 0, 0);
    EXPECT_EQ(a.frame, 0);
}

} // namespace
} // namespace vura
