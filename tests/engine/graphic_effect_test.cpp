// Showing the layers: at once, or through the six transitions that the tick advances.

#include "graphics/layer_set.hpp"
#include "graphics/screen.hpp"
#include "graphics/transition.hpp"
#include "support/test_game.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

// A game whose INIT shows a blue background in layer 0 with `show`, then waits.
std::unique_ptr<GameRun> showBackground(TestGame& game, const std::string& show,
                                        const std::string& input = "",
                                        const std::string& before = "") {
    game.layout();
    game.picture("BG.PNG", 640, 480, 200);
    game.script("INIT", before +
                            "call SetLayerCount(2)\ncall LoadLayer(0, \"bg\")\n"
                            "call SetLayerSourceRect(0, 0, 0, -1, -1)\n"
                            "call SetLayerVisible(0, 1)\n" +
                            show + "\ncall WaitClick(0)");
    auto run = std::make_unique<GameRun>(game, input);
    EXPECT_TRUE(run->start()) << run->boxes();
    return run;
}

TEST(GraphicEffect, MinusOneShowsAtOnceWhateverTheEffectVariableSays) {
    TestGame game;
    auto run = showBackground(game, "call StartupGraphicEffect(-1, 1)", "",
                              "PushRef 0 12\nPushConst 0 1\nAssign\nPop\n");
    run->runFor(30);
    EXPECT_EQ(run->platform->screenPixel(320, 240), 200u);
    EXPECT_FALSE(run->engine->display.effectRunning);
    EXPECT_EQ(run->engine->script.engineState, 15);
    EXPECT_EQ(run->engine->display.backdropSurface->row(0)[0], 200);
}

TEST(GraphicEffect, BadArgumentsEndTheGame) {
    for (const char* show :
         // The two calls whose count disagrees with their arguments go by number, which the
         // assembler takes as written.
         {"call StartupGraphicEffect(0, 1)", "call 26(9, 1, 3)",
          "call 26(0, 5, 3)",                          // runScript not a flag
          "call StartupGraphicEffect(0, true, 2)",     // crossfade without duration
          "call StartupGraphicEffect(1, 20, true, 3)", // rule without its mask
          "call StartupGraphicEffect(\"x\", true, 2)"}) {
        TestGame game;
        auto run = showBackground(game, show);
        run->runFor(30);
        EXPECT_EQ(run->boxes(), "error: Effect指定引数が不正です in StartupGraphicEffect()\n")
            << show;
        EXPECT_FALSE(run->platform->hasMainWindow()) << show;
    }
}

TEST(GraphicEffect, TransitionsOffOrCtrlShowTheNewPictureAtOnce) {
    {
        TestGame game; // common int 0, the switch, is 0
        auto run = showBackground(game, "call StartupGraphicEffect(2, false, 2)");
        run->runFor(30);
        EXPECT_FALSE(run->engine->display.effectRunning);
        EXPECT_EQ(run->platform->screenPixel(320, 240), 200u);
    }
    {
        TestGame game;
        auto run = showBackground(game, "call StartupGraphicEffect(2, false, 2)", "0 press RCtrl\n",
                                  "PushRef 0 12\nPushConst 0 1\nAssign\nPop\n");
        run->runFor(30);
        EXPECT_FALSE(run->engine->display.effectRunning);
        EXPECT_EQ(run->platform->screenPixel(320, 240), 200u);
    }
}

TEST(GraphicEffect, ACrossfadeFollowsTheFormulaStepByStep) {
    TestGame game;
    auto run = showBackground(game, "call StartupGraphicEffect(0, 2, false, 3)", "",
                              "PushRef 0 12\nPushConst 0 1\nAssign\nPop\n");
    GameRun& r = *run;
    while (!r.engine->display.effectRunning)
        r.pass();
    // Steps at levels 0, 128 and 256 from black to blue 200: a + ((b - a) x level >> 8).
    std::vector<std::uint32_t> seen;
    while (r.engine->display.effectRunning) {
        r.pass();
        std::uint32_t pixel = r.platform->screenPixel(10, 10);
        if (seen.empty() || seen.back() != pixel)
            seen.push_back(pixel);
        // runScript false: the script waits in state 0 until the transition is over.
        EXPECT_EQ(r.engine->script.engineState, 0);
    }
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0u, 100u, 200u}));
}

TEST(GraphicEffect, StepCountsOfEveryType) {
    struct Case {
        int type, duration, steps;
    };
    const Case cases[] = {{kCrossfade, 32, 33},
                          {kCrossfade, 0, 2},
                          {kCrossfade, -4, 2},
                          {kCrossfade, 1000, 257},
                          {kRuleCrossfade, 20, 22},
                          {kRuleCrossfade, 1, 3},
                          {kVerticalStripes, 0, 17},
                          {kHorizontalStripes, 0, 17},
                          {kStaggeredVerticalStripes, 0, 57},
                          {kStaggeredHorizontalStripes, 0, 57}};
    test::ManualClock clock;
    for (const Case& c : cases) {
        LayerSet set(clock);
        ASSERT_TRUE(startTransition(set, c.type, c.duration, 0));
        int steps = 1;
        while (!stepTransitionOnce(set) && steps < 10000)
            ++steps;
        EXPECT_EQ(steps, c.steps) << c.type << " " << c.duration;
    }
    LayerSet set(clock);
    EXPECT_FALSE(startTransition(set, 6, 0, 0));
    EXPECT_FALSE(startTransition(set, -1, 0, 0));
}

TEST(GraphicEffect, StripesCopyEveryColumnOnceAndStayOnTheSurface) {
    test::ManualClock clock;
    for (int type : {kVerticalStripes, kStaggeredVerticalStripes, kHorizontalStripes,
                     kStaggeredHorizontalStripes}) {
        Surface screen, work, previous;
        ASSERT_TRUE(screen.create(640, 480, 24));
        ASSERT_TRUE(work.create(640, 480, 24));
        ASSERT_TRUE(previous.create(640, 480, 24));
        for (int y = 0; y < 480; ++y)
            std::fill(work.row(y), work.row(y) + 1920, 77);
        LayerSet set(clock);
        set.setSurfaces(&screen, &work, &previous);
        ASSERT_TRUE(startTransition(set, type, 0, 0));
        while (!stepTransitionOnce(set)) {
        }
        int missing = 0;
        for (int y = 0; y < 480; ++y)
            missing += static_cast<int>(std::count(screen.row(y), screen.row(y) + 1920, 0));
        EXPECT_EQ(missing, 0) << type;
    }
}

TEST(GraphicEffect, FrozenShownPicturesAreRedrawnAfterTheScriptChangedTheTables) {
    TestGame game;
    game.picture("NIGHT.PNG", 640, 480, 30);
    auto run = showBackground(game, "call StartupGraphicEffect(-1, 1)\n"
                                    "call LoadLayer(0, \"night\")\ncall WaitClick(0)");
    run->runFor(50);
    Engine& e = *run->engine;
    // The script has loaded another picture but not shown it yet.
    ASSERT_EQ(e.display.currentLayerSet->layer(0)->name, "NIGHT");
    ASSERT_EQ(e.display.currentLayerSet->shownLayer(0)->name, "BG");
    freezeShown(e);
    e.display.screenSurface->row(0)[0] = 0; // something drew over the screen meanwhile
    restoreScreen(e);
    EXPECT_EQ(run->platform->screenPixel(5, 5), 200u); // the picture shown last, not the new one
    EXPECT_EQ(e.display.currentLayerSet->shownLayer(0)->surface, nullptr); // released again
    refreshScreen(e);
    EXPECT_EQ(run->platform->screenPixel(5, 5), 30u);
}

} // namespace
} // namespace vura
