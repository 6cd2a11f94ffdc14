#include "base/sjis.hpp"
#include "graphics/transition.hpp"
#include "support/engine_harness.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

using test::EngineHarness;

// A command of the test's own: it counts its calls in scratch word 15 and completes once
// scratch word 14 says so.
constexpr int kProbe = 20;

int Probe(Engine& e) {
    ++e.script.commandScratch[15];
    return e.script.commandScratch[14] != 0 ? 1 : 0;
}

// Replaces state 0 so every tick in state 0 is counted.
int CountingRunScript(Engine& e) {
    ++e.script.commandScratch[15];
    return 0;
}

struct TickTest : ::testing::Test {
    void start(const std::string& script = "", std::uint32_t tickMs = 1) {
        h = std::make_unique<EngineHarness>(script, tickMs);
        h->commands[kProbe].handler = Probe;
        h->commands[0].handler = CountingRunScript;
        ASSERT_TRUE(h->init());
    }
    Engine& e() { return h->engine; }
    int calls() { return e().script.commandScratch[15]; }
    std::unique_ptr<EngineHarness> h;
};

TEST_F(TickTest, NothingRunsWhileTheWindowIsInactive) {
    start("10 focus out\n20 focus in\n");
    e().script.engineState = kProbe;
    for (int i = 0; i < 10; ++i)
        h->pass();
    EXPECT_EQ(calls(), 10);
    for (int i = 0; i < 10; ++i)
        h->pass(); // passes at 10 ms to 19 ms: inactive
    EXPECT_FALSE(e().app.appState->active);
    EXPECT_EQ(calls(), 10);
    h->pass(); // 20 ms: active again
    EXPECT_TRUE(e().app.appState->active);
    EXPECT_EQ(calls(), 11);
}

TEST_F(TickTest, CompletionReturnsToStateZeroAndClearsPhaseAndScratch) {
    start();
    e().script.engineState = kProbe;
    e().script.commandPhase = 2;
    e().script.commandScratch[3] = 77;
    h->pass();
    // Not done: everything stays for the next call.
    EXPECT_EQ(e().script.engineState, kProbe);
    EXPECT_EQ(e().script.commandPhase, 2);
    EXPECT_EQ(e().script.commandScratch[3], 77);
    e().script.commandScratch[14] = 1;
    h->pass();
    EXPECT_EQ(e().script.engineState, 0);
    EXPECT_EQ(e().script.commandPhase, 0);
    for (std::int32_t word : e().script.commandScratch)
        EXPECT_EQ(word, 0);
}

TEST_F(TickTest, DummyStatesComplain) {
    start();
    h->commands[0].handler = commands::RunScript;
    e().script.engineState = 5;
    h->pass();
    ASSERT_EQ(h->platform.messageBoxes().size(), 1u);
    EXPECT_EQ(h->platform.messageBoxes()[0].textUtf8, "なんでダミーに飛ぶねん");
    EXPECT_EQ(h->platform.messageBoxes()[0].captionUtf8, "error");
    EXPECT_EQ(e().script.engineState, 0);
}

TEST_F(TickTest, SkipModeEndsOnARightButtonReleaseButNotOnSpace) {
    start("5 tap Space\n10 down right\n20 up right\n");
    e().app.skipMode = true;
    for (int ms = 0; ms <= 19; ++ms)
        h->pass();
    EXPECT_TRUE(e().app.skipMode); // Space and a held right button change nothing
    h->pass();                     // 20 ms: released
    EXPECT_FALSE(e().app.skipMode);
}

TEST_F(TickTest, SkipModeEndsOnShiftAndReturnReleases) {
    for (const char* key : {"Return", "KPEnter", "LShift", "RShift"}) {
        start(std::string("0 tap ") + key + "\n");
        e().app.skipMode = true;
        for (int ms = 0; ms < 30; ++ms)
            h->pass();
        EXPECT_TRUE(e().app.skipMode) << key;
        h->pass();
        EXPECT_FALSE(e().app.skipMode) << key;
    }
}

// A crossfade of duration 0 takes two steps, 16 ms apart: the old picture, then the new.
TEST_F(TickTest, TransitionHoldsTheHandlerUntilItCompletes) {
    start();
    e().script.engineState = kProbe;
    ASSERT_TRUE(startTransition(*e().display.currentLayerSet, kCrossfade, 0, 0));
    e().display.effectRunning = true;
    e().display.scriptRunsDuringEffect = false;
    e().display.workSurface->row(0)[0] = 200;
    h->pass(); // the first step, due at once, draws the old picture
    EXPECT_TRUE(e().display.effectRunning);
    EXPECT_EQ(e().display.screenSurface->row(0)[0], 0);
    EXPECT_EQ(e().app.rest.waitMs(), 16); // the loop may sleep until the next step, 17 ms on
    for (int i = 0; i < 10; ++i)
        h->pass();
    EXPECT_EQ(e().app.rest.waitMs(), 7);
    int passes = 11;
    while (e().display.effectRunning && passes < 100) {
        h->pass();
        ++passes;
    }
    EXPECT_EQ(passes, 18); // the second step at 17 ms, strictly after the 16 ms interval
    EXPECT_EQ(e().display.screenSurface->row(0)[0], 200);
    EXPECT_EQ(h->platform.screenPixel(0, 0), 200u);
    // The step that completed the transition still held the handler back.
    EXPECT_EQ(calls(), 0);
    h->pass();
    EXPECT_EQ(calls(), 1);
}

TEST_F(TickTest, TransitionStepsFollowTheStepTimerWhileTheScriptRuns) {
    start();
    e().script.engineState = kProbe;
    ASSERT_TRUE(startTransition(*e().display.currentLayerSet, kVerticalStripes, 0, 0));
    e().display.effectRunning = true;
    e().display.scriptRunsDuringEffect = true;
    int passes = 0;
    while (e().display.effectRunning && passes < 1000) {
        h->pass();
        ++passes;
    }
    // 17 steps, the first at once and then one every 17 ms.
    EXPECT_EQ(passes, 1 + 16 * 17);
    EXPECT_EQ(calls(), passes); // the handler ran alongside in every tick
}

TEST_F(TickTest, CtrlFinishesTheTransitionAndTheHandlerRunsInTheSameTick) {
    start("0 press LCtrl\n");
    e().script.engineState = kProbe;
    e().display.effectRunning = true;
    e().display.scriptRunsDuringEffect = false;
    e().display.workSurface->row(10)[30] = 99;
    h->pass();
    EXPECT_FALSE(e().display.effectRunning);
    EXPECT_EQ(e().display.screenSurface->row(10)[30], 99);
    EXPECT_EQ(h->platform.screenPixel(10, 10), 99u);
    EXPECT_EQ(calls(), 1);
}

TEST_F(TickTest, SkipModeFinishesTheTransitionAtOnce) {
    start();
    e().script.engineState = kProbe;
    e().app.skipMode = true;
    e().display.effectRunning = true;
    h->pass();
    EXPECT_FALSE(e().display.effectRunning);
    EXPECT_EQ(calls(), 1);
}

TEST(MainLoop, CloseAnsweredNoKeepsRunningExactlyWhereItWas) {
    EngineHarness h("100 close\nanswer no\n");
    h.commands[kProbe].handler = Probe;
    ASSERT_TRUE(h.init());
    h.engine.script.engineState = kProbe;
    h.engine.script.commandPhase = 3;
    RunMainLoop(h.engine, 300);
    ASSERT_EQ(h.platform.messageBoxes().size(), 1u);
    EXPECT_EQ(h.platform.messageBoxes()[0].captionUtf8, "終了確認");
    EXPECT_EQ(h.platform.messageBoxes()[0].textUtf8, "終了します。よろしいですか？");
    EXPECT_EQ(h.platform.messageBoxes()[0].answer, MessageBoxAnswer::No);
    EXPECT_EQ(h.engine.script.engineState, kProbe);
    EXPECT_EQ(h.engine.script.commandPhase, 3);
    // Passes at 0 to 301 ms (the window goes at 300, the quit is taken at 301), every one of
    // them a tick: the box cost the command nothing.
    EXPECT_EQ(h.engine.script.commandScratch[15], 302);
    EXPECT_EQ(h.platform.elapsedMs(), 301u);
    EXPECT_NE(h.log.str().find("messagebox: 終了確認: 終了します。よろしいですか？ -> no"),
              std::string::npos);
}

TEST(MainLoop, CloseAnsweredYesEndsAfterOneMoreTick) {
    EngineHarness h("100 close\nanswer yes\n");
    h.commands[0].handler = CountingRunScript;
    ASSERT_TRUE(h.init());
    RunMainLoop(h.engine);
    EXPECT_FALSE(h.platform.hasMainWindow());
    EXPECT_EQ(h.platform.elapsedMs(), 100u);
    // The pass in which the quit arrives still runs its tick: 0 to 100 ms.
    EXPECT_EQ(h.engine.script.commandScratch[15], 101);
}

TEST(MainLoop, QuitAfterEndsWithoutAsking) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    RunMainLoop(h.engine, 250);
    EXPECT_TRUE(h.platform.messageBoxes().empty());
    // The window goes at 250 ms and the quit is taken on the next pass.
    EXPECT_EQ(h.platform.elapsedMs(), 251u);
}

TEST(MainLoop, TraceReportsStateChanges) {
    std::ostringstream trace;
    EngineConfig config;
    config.trace = &trace;
    EngineHarness h("", 1, config);
    ASSERT_TRUE(h.init());
    h.engine.script.engineState = 1;
    RunMainLoop(h.engine);
    EXPECT_NE(trace.str().find("state 1 -> 0 RunScript"), std::string::npos) << trace.str();
    EXPECT_NE(trace.str().find("quit"), std::string::npos);
}

TEST(MainLoop, MouseMovesReachTheWindowRecord) {
    EngineHarness h("5 move 10 20\n6 click 300 400\n");
    ASSERT_TRUE(h.init());
    for (int i = 0; i <= 6; ++i)
        h.pass();
    EXPECT_EQ(h.engine.app.appState->previousMouseX, 10);
    EXPECT_EQ(h.engine.app.appState->previousMouseY, 20);
    EXPECT_EQ(h.engine.app.appState->mouseX, 300);
    EXPECT_EQ(h.engine.app.appState->mouseY, 400);
}

} // namespace
} // namespace vura
