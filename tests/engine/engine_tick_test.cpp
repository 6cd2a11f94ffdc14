#include "core/sjis.hpp"
#include "support/engine_harness.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

using test::EngineHarness;

// A command of the test's own: it counts its calls in scratch word 15 and completes once
// scratch word 14 says so.
constexpr int kProbe = 20;

int Probe(Engine& e) {
    ++e.commandScratch[15];
    return e.commandScratch[14] != 0 ? 1 : 0;
}

// Replaces state 0 so every tick in state 0 is counted.
int CountingRunScript(Engine& e) {
    ++e.commandScratch[15];
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
    int calls() { return e().commandScratch[15]; }
    std::unique_ptr<EngineHarness> h;
};

TEST_F(TickTest, NothingRunsWhileTheWindowIsInactive) {
    start("10 focus out\n20 focus in\n");
    e().engineState = kProbe;
    for (int i = 0; i < 10; ++i)
        h->pass();
    EXPECT_EQ(calls(), 10);
    for (int i = 0; i < 10; ++i)
        h->pass(); // passes at 10 ms to 19 ms: inactive
    EXPECT_FALSE(e().appState->active);
    EXPECT_EQ(calls(), 10);
    h->pass(); // 20 ms: active again
    EXPECT_TRUE(e().appState->active);
    EXPECT_EQ(calls(), 11);
}

TEST_F(TickTest, CompletionReturnsToStateZeroAndClearsPhaseAndScratch) {
    start();
    e().engineState = kProbe;
    e().commandPhase = 2;
    e().commandScratch[3] = 77;
    h->pass();
    // Not done: everything stays for the next call.
    EXPECT_EQ(e().engineState, kProbe);
    EXPECT_EQ(e().commandPhase, 2);
    EXPECT_EQ(e().commandScratch[3], 77);
    e().commandScratch[14] = 1;
    h->pass();
    EXPECT_EQ(e().engineState, 0);
    EXPECT_EQ(e().commandPhase, 0);
    for (std::int32_t word : e().commandScratch)
        EXPECT_EQ(word, 0);
}

TEST_F(TickTest, DummyStatesComplain) {
    start();
    h->commands[0].handler = commands::RunScript;
    e().engineState = 5;
    h->pass();
    ASSERT_EQ(h->platform.messageBoxes().size(), 1u);
    EXPECT_EQ(h->platform.messageBoxes()[0].textUtf8, "なんでダミーに飛ぶねん");
    EXPECT_EQ(h->platform.messageBoxes()[0].captionUtf8, "error");
    EXPECT_EQ(e().engineState, 0);
}

TEST_F(TickTest, UnbuiltCommandNamesItselfAndQuits) {
    start();
    e().engineState = 48;
    h->pass();
    ASSERT_EQ(h->platform.messageBoxes().size(), 1u);
    EXPECT_NE(h->platform.messageBoxes()[0].textUtf8.find("48 PlayDSB"), std::string::npos);
    EXPECT_EQ(e().engineState, 1);
    h->pass(); // state 1 destroys the window
    EXPECT_FALSE(h->platform.hasMainWindow());
    EXPECT_TRUE(h->pass()); // and the quit is seen on the next pass
}

TEST_F(TickTest, SkipModeEndsOnARightButtonReleaseButNotOnSpace) {
    start("5 tap Space\n10 down right\n20 up right\n");
    e().skipMode = true;
    for (int ms = 0; ms <= 19; ++ms)
        h->pass();
    EXPECT_TRUE(e().skipMode); // Space and a held right button change nothing
    h->pass();                 // 20 ms: released
    EXPECT_FALSE(e().skipMode);
}

TEST_F(TickTest, SkipModeEndsOnShiftAndReturnReleases) {
    for (const char* key : {"Return", "KPEnter", "LShift", "RShift"}) {
        start(std::string("0 tap ") + key + "\n");
        e().skipMode = true;
        for (int ms = 0; ms < 30; ++ms)
            h->pass();
        EXPECT_TRUE(e().skipMode) << key;
        h->pass();
        EXPECT_FALSE(e().skipMode) << key;
    }
}

TEST_F(TickTest, TransitionHoldsTheHandlerUntilItCompletes) {
    start();
    e().engineState = kProbe;
    e().effectRunning = true;
    e().scriptRunsDuringEffect = false;
    e().workSurface->row(0)[0] = 200;
    h->pass();
    // The one step completed the transition, yet the handler waits for the next tick.
    EXPECT_FALSE(e().effectRunning);
    EXPECT_EQ(e().screenSurface->row(0)[0], 200);
    EXPECT_EQ(h->platform.screenPixel(0, 0), 200u);
    EXPECT_EQ(calls(), 0);
    h->pass();
    EXPECT_EQ(calls(), 1);
}

TEST_F(TickTest, TransitionStepsFollowTheStepTimer) {
    start();
    e().engineState = kProbe;
    e().currentLayerSet->stepTimer.SetInterval(16);
    // The timer's first check is due at once; spend it, so the step must wait 16 ms.
    ASSERT_TRUE(e().currentLayerSet->stepTimer.isDue());
    e().effectRunning = true;
    e().scriptRunsDuringEffect = true;
    h->pass();
    EXPECT_TRUE(e().effectRunning); // no step due yet
    EXPECT_EQ(calls(), 1);          // but the handler runs alongside
    for (int i = 0; i < 17; ++i)
        h->pass();
    EXPECT_FALSE(e().effectRunning);
}

TEST_F(TickTest, CtrlFinishesTheTransitionAndTheHandlerRunsInTheSameTick) {
    start("0 press LCtrl\n");
    e().engineState = kProbe;
    e().effectRunning = true;
    e().scriptRunsDuringEffect = false;
    e().workSurface->row(10)[30] = 99;
    h->pass();
    EXPECT_FALSE(e().effectRunning);
    EXPECT_EQ(e().screenSurface->row(10)[30], 99);
    EXPECT_EQ(h->platform.screenPixel(10, 10), 99u);
    EXPECT_EQ(calls(), 1);
}

TEST_F(TickTest, SkipModeFinishesTheTransitionAtOnce) {
    start();
    e().engineState = kProbe;
    e().skipMode = true;
    e().effectRunning = true;
    h->pass();
    EXPECT_FALSE(e().effectRunning);
    EXPECT_EQ(calls(), 1);
}

TEST(MainLoop, CloseAnsweredNoKeepsRunningExactlyWhereItWas) {
    EngineHarness h("100 close\nanswer no\n");
    h.commands[kProbe].handler = Probe;
    ASSERT_TRUE(h.init());
    h.engine.engineState = kProbe;
    h.engine.commandPhase = 3;
    RunMainLoop(h.engine, 300);
    ASSERT_EQ(h.platform.messageBoxes().size(), 1u);
    EXPECT_EQ(h.platform.messageBoxes()[0].captionUtf8, "終了確認");
    EXPECT_EQ(h.platform.messageBoxes()[0].textUtf8, "終了します。よろしいですか？");
    EXPECT_EQ(h.platform.messageBoxes()[0].answer, MessageBoxAnswer::No);
    EXPECT_EQ(h.engine.engineState, kProbe);
    EXPECT_EQ(h.engine.commandPhase, 3);
    // Passes at 0 to 301 ms (the window goes at 300, the quit is taken at 301), every one of
    // them a tick: the box cost the command nothing.
    EXPECT_EQ(h.engine.commandScratch[15], 302);
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
    EXPECT_EQ(h.engine.commandScratch[15], 101);
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
    h.engine.engineState = 1;
    RunMainLoop(h.engine);
    EXPECT_NE(trace.str().find("state 1 -> 0 RunScript"), std::string::npos) << trace.str();
    EXPECT_NE(trace.str().find("quit"), std::string::npos);
}

TEST(MainLoop, MouseMovesReachTheWindowRecord) {
    EngineHarness h("5 move 10 20\n6 click 300 400\n");
    ASSERT_TRUE(h.init());
    for (int i = 0; i <= 6; ++i)
        h.pass();
    EXPECT_EQ(h.engine.appState->previousMouseX, 10);
    EXPECT_EQ(h.engine.appState->previousMouseY, 20);
    EXPECT_EQ(h.engine.appState->mouseX, 300);
    EXPECT_EQ(h.engine.appState->mouseY, 400);
}

} // namespace
} // namespace vura
