// The message history as a game opens it from a button while a line waits: the pages newest at
// the bottom over the panel, scrolling within the log, a voice replayed from its icon, and the
// screen and the waiting line as they were once it closes.

#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"
#include "support/block_glyphs.hpp"
#include "support/sound_files.hpp"
#include "support/test_game.hpp"
#include "text/message_log.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

// Layer 0 the background (blue 40), layer 1 the panel (blue 90, 300 x 340 at (100, 80)), layer
// 2 the icon's two 20 x 20 looks (blue 150 and 220). Button 0 at (600, 10), also the wheel's,
// runs HIST. The waiting line "AB" is in window 0, which also lays the history out.
constexpr const char* kInit = R"(call InitSoundChannels(2)
call SetChannelVolumeVariable(1, 1)
call SetLayerCount(3)
call LoadLayer(0, "bg")
call SetLayerSourceRect(0, 0, 0, -1, -1)
call SetLayerVisible(0, 1)
call LoadLayer(1, "panel")
call SetLayerSourceRect(1, 0, 0, -1, -1)
call SetLayerPosition(1, 100, 80)
call LoadLayer(2, "icon")
call InitSystemButtons(1)
call SetSystemButtonLayer(2)
call SetSystemButton(0, 600, 10, 0, 0, 20, 20, "HIST")
call SetSystemButtonEnabled(0, 1)
call SetSystemButtonShown(0, 1)
call SetWheelButton(0)
call SetHistoryLayout(0, 1)
call SetHistoryVoiceIcon(2, 0, 0, 20, 20)
call ScrollHistoryBack()
call ScrollHistoryForward()
call StartupGraphicEffect(-1, 1)
call MessageFlowReady(0, "AB\w", 0, 0)
call WaitClick(0)
)";

struct History : ::testing::Test {
    History() {
        game.layout();
        game.picture("BG.PNG", 640, 480, 40);
        game.picture("PANEL.PNG", 300, 340, 90);
        writeIcon();
        game.write("VOICE.WAV", test::wav16(2, 44100, test::testSignal(44100, 2, 44100)));
        // Wheel forward inside the viewer fires the button again: one page back.
        game.script("HIST", "call ScrollHistoryBack()\ncall ShowMessageHistory()\nReturn");
        game.script("INIT", kInit);
    }

    void writeIcon() {
        Surface s;
        ASSERT_TRUE(s.create(40, 20, 24));
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
                s.row(y)[3 * x] = x < 20 ? 150 : 220;
        std::FILE* f = std::fopen((game.path() / "ICON.PNG").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(savePng(s, f));
        std::fclose(f);
    }

    std::unique_ptr<GameRun> play(const std::string& input, int pageWindow = 1) {
        auto run = std::make_unique<GameRun>(game, input, 1, 978307200, true);
        EXPECT_TRUE(run->start()) << run->boxes();
        Engine& e = *run->engine;
        for (int i = 0; i < 2; ++i) {
            auto w = std::make_unique<MessageWindow>(e.platform);
            w->target = e.display.screenSurface.get();
            w->source = &glyphs;
            w->style.font.height = 24;
            w->shadow = false;
            w->instant = true;
            w->voiceChannel = 1;
            w->screenRect = {100, 80, 300, 340};
            w->textArea = i == 0 ? TextArea{110, 100, 240, 300} : TextArea{0, 0, 240, 60};
            w->pen = {w->textArea.left, w->textArea.top};
            e.text.messageWindows.push_back(std::move(w));
        }
        run->vm().commonInts[1] = 100;
        // Seven pages of window 1, 60 pixels each; the newest started a voice at its top.
        MessageLog& log = *e.text.messageLog;
        for (int i = 0; i < 7; ++i) {
            if (i == 6)
                log.AddVoice(110, 0, "VOICE");
            log.AddPage(pageWindow, "P" + std::to_string(i));
        }
        return run;
    }
    static std::uint32_t blue(GameRun& run, int x, int y) {
        return run.platform->screenPixel(x, y) & 0xFF;
    }
    // Whether a text row band holds a drawn character (the block glyphs are white).
    static bool textIn(GameRun& run, int y) {
        for (int row = y; row < y + 24; ++row)
            for (int x = 110; x < 150; ++x)
                if (run.platform->screenPixel(x, row) == 0xFFFFFF)
                    return true;
        return false;
    }
    static std::vector<std::uint32_t> screen(GameRun& run) {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                pixels.push_back(run.platform->screenPixel(x, y));
        return pixels;
    }
    static double loudness(GameRun& run, int fromMs, int toMs) {
        const auto& a = run.platform->recordedAudio();
        double sum = 0;
        for (std::size_t i = fromMs * 88u; i < toMs * 88u && i < a.size(); ++i)
            sum += std::abs(a[i]);
        return sum;
    }

    test::BlockGlyphs glyphs;
    TestGame game;
};

TEST_F(History, OpensOverTheWaitingLineScrollsWithinTheLogAndClosesAsItWas) {
    auto run = play("100 click 610 20\n"
                    "200 wheel 1\n250 wheel 1\n300 wheel 1\n"
                    "350 wheel -1\n400 wheel -1\n450 wheel -1\n"
                    "500 move 95 350\n550 click 95 350\n"
                    "800 rclick 300 200\n");
    run->runFor(90);
    const std::vector<std::uint32_t> before = screen(*run);
    Engine& e = *run->engine;
    const HistoryViewer& v = e.ui.history;
    EXPECT_FALSE(v.open); // 83 and 84 did nothing before the viewer opened
    run->runFor(60);
    // Newest at the bottom, 60 pixels each from 340 up to the text area's top at 100.
    ASSERT_TRUE(v.open);
    EXPECT_EQ(v.endMarker, 5);
    for (int y : {340, 280, 220, 160, 100})
        EXPECT_TRUE(textIn(*run, y)) << y;
    EXPECT_EQ(blue(*run, 105, 85), 90u);  // the panel
    EXPECT_EQ(blue(*run, 95, 350), 150u); // the newest page's voice icon, left of the text
    ASSERT_EQ(v.buttons.size(), 1u);
    EXPECT_EQ(v.buttons[0].rect, (Rect{90, 342, 20, 20}));

    // Three turns back: two pages, then the oldest is in view and it stops.
    run->runFor(170);
    EXPECT_EQ(v.scrollOffset, 2);
    EXPECT_EQ(v.endMarker, 7);
    EXPECT_EQ(blue(*run, 95, 350), 40u); // the icon scrolled away
    run->runFor(150);
    EXPECT_EQ(v.scrollOffset, 0);
    EXPECT_EQ(blue(*run, 95, 350), 150u);

    // The icon lit up under the pointer, and a click plays the page's voice on channel 1.
    run->runFor(60);
    EXPECT_EQ(v.hovered, 0);
    EXPECT_EQ(blue(*run, 95, 350), 220u);
    run->runFor(240);
    EXPECT_GT(loudness(*run, 650, 790), 0);

    // The right button closes it: the voice stops, the screen is as it was, the line still
    // waits with its page.
    run->runFor(150);
    EXPECT_FALSE(v.open);
    EXPECT_EQ(loudness(*run, 850, 940), 0);
    EXPECT_EQ(screen(*run), before);
    EXPECT_EQ(e.text.messageWindows[0]->pageText, "AB\x02");
    EXPECT_EQ(e.script.engineState, 44);
    EXPECT_EQ(run->boxes(), "");
}

TEST_F(History, APageWhoseWindowIsGoneTakesTheLayoutWindowsHeight) {
    // Window 9 no longer exists: its pages are 300 tall, as the layout window's text area, so
    // one fills the area from 100 to 400.
    auto run = play("100 click 610 20\n", 9);
    run->runFor(150);
    const HistoryViewer& v = run->engine->ui.history;
    ASSERT_TRUE(v.open);
    EXPECT_EQ(v.endMarker, 1);
    EXPECT_TRUE(textIn(*run, 100));
    EXPECT_EQ(v.buttons[0].rect.y, 102);
}

} // namespace
} // namespace vura
