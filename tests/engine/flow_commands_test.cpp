// The flow, timing and utility commands, each run by a small script on the headless backend.

#include "base/sjis.hpp"
#include "core/flow_commands.hpp"
#include "support/test_game.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

struct FlowTest : ::testing::Test {
    // Starts INIT (and any other scripts) and runs until the quit or `ms` of engine time.
    std::unique_ptr<GameRun> play(const std::string& init, const std::string& input = "",
                                  std::uint32_t ms = 100) {
        game.layout();
        game.script("INIT", init);
        auto run = std::make_unique<GameRun>(game, input);
        EXPECT_TRUE(run->start()) << run->boxes();
        run->runFor(ms);
        return run;
    }
    TestGame game;
};

TEST_F(FlowTest, CallThenReturnResumesAfterTheCallWithIntZeroOnTop) {
    game.script("SUB", "PushRef 1 0\nPushConst 0 3\nAssign\nPop\nReturn");
    auto run = play("PushConst 0 55\nPushConst 2 \"SUB\"\nCallCommand CallSQX\n"
                    "after: PushRef 2 0\nPushConst 0 1\nAssign\nPop\ncall WaitClick(0)");
    ScriptVm& vm = run->vm();
    EXPECT_EQ(vm.gameInts[1], 3);
    EXPECT_EQ(vm.gameInts[2], 1);
    EXPECT_EQ(vm.scriptName, "INIT");
    ASSERT_EQ(vm.top, 1);
    EXPECT_EQ(vm.valueStack[0].value, 55);
    EXPECT_EQ(vm.valueStack[1].type, kInt); // CallSQX's result, left for the caller
    EXPECT_EQ(vm.valueStack[1].value, 0);
}

TEST_F(FlowTest, LoadSQXStartsTheScriptWithoutAResult) {
    game.script("NEXT", "PushRef 0 0\nPushConst 0 8\nAssign\nPop\ncall WaitClick(0)");
    auto run = play("call LoadSQX(\"NEXT\")");
    EXPECT_EQ(run->vm().gameInts[0], 8);
    EXPECT_EQ(run->vm().scriptName, "NEXT");
    EXPECT_EQ(run->vm().top, -1);
}

TEST_F(FlowTest, MissingScriptsEndTheGameWithBothMessages) {
    auto run = play("call CallSQX(\"NOPE\")");
    EXPECT_EQ(run->boxes(), "error: NOPE.SQXが見つかりません\n"
                            "error: SQXファイルロードに失敗 in CallSQX()\n");
    EXPECT_FALSE(run->platform->hasMainWindow());
    auto load = play("call LoadSQX(\"GONE\")");
    EXPECT_NE(load->boxes().find("SQXファイルロードに失敗 in LoadSQX()"), std::string::npos);
}

TEST_F(FlowTest, WaitTimerCountsFromStartTimerAndIgnoresClicks) {
    // 300 ms of other work between StartTimer and the wait: only 200 ms are left to wait.
    game.layout();
    game.script("INIT", "call StartTimer()\ncall WaitClick(300)\n"
                        "PushRef 0 0\nPushConst 0 500\nCallCommand WaitTimer\nAssign\nPop\n"
                        "call WaitClick(0)");
    GameRun run(game, "400 click 5 5\n450 click 5 5\n");
    ASSERT_TRUE(run.start());
    Engine& e = *run.engine;
    std::uint32_t waitStarted = 0;
    while (e.script.engineState != 14 || e.script.commandPhase == 0)
        run.pass();
    waitStarted = run.platform->milliseconds();
    while (e.script.engineState == 14)
        run.pass();
    EXPECT_EQ(run.platform->milliseconds(), e.script.timerStart + 500);
    EXPECT_LT(run.platform->milliseconds() - waitStarted, 300u);
    EXPECT_EQ(run.vm().gameInts[0], 0) << "time passed, not cut short";
}

// A wait lets the main loop sleep until its end or an event, never past it; running commands
// and a frozen script are told apart.
TEST_F(FlowTest, WaitsLetTheLoopRestUntilTheirEnd) {
    game.layout();
    game.script("INIT", "call StartTimer()\nPushRef 0 0\nPushConst 0 40\nCallCommand WaitTimer\n"
                        "Assign\nPop\ncall WaitClick(0)");
    GameRun run(game, "100 focus out\n");
    ASSERT_TRUE(run.start());
    Engine& e = *run.engine;
    run.pass();
    EXPECT_EQ(e.app.rest.waitMs(), 1); // the script is running
    while (e.script.engineState != 14 || e.script.commandPhase == 0)
        run.pass();
    std::uint32_t left = e.script.timerStart + 40 - run.platform->milliseconds();
    run.pass();
    EXPECT_EQ(e.app.rest.waitMs(), static_cast<int>(std::min(left - 1, 16u)));
    run.runFor(45);
    EXPECT_EQ(e.app.rest.waitMs(), 16); // WaitClick(0): only the player ends it
    run.runFor(55);
    EXPECT_FALSE(e.app.appState->active);
    EXPECT_EQ(e.app.rest.waitMs(), 16);
}

TEST_F(FlowTest, WaitTimerCutShortByCtrl) {
    auto run = play("call StartTimer()\n"
                    "PushRef 0 0\nPushConst 0 5000\nCallCommand WaitTimer\nAssign\nPop\n"
                    "call WaitClick(0)",
                    "50 press LCtrl\n52 release LCtrl\n", 100);
    EXPECT_EQ(run->vm().gameInts[0], 1);
    EXPECT_EQ(run->engine->script.engineState, 15);
}

TEST_F(FlowTest, WaitClickEndsOnReleaseNotOnPress) {
    game.layout();
    game.script("INIT", "call WaitClick(0)\nEnd");
    GameRun run(game, "20 down left\n60 up left\n");
    ASSERT_TRUE(run.start());
    run.runFor(59);
    EXPECT_EQ(run.engine->script.engineState, 15); // held since 20 ms: still waiting
    run.runFor(2);
    EXPECT_NE(run.engine->script.engineState, 15);
}

TEST_F(FlowTest, WaitClickTimesOutAndReportsHow) {
    // Result 0 when the time passed, 1 when the player ended it; kept in game ints 0 and 1.
    const char* script = "PushRef 0 0\nPushConst 0 150\nCallCommand WaitClick\nAssign\nPop\n"
                         "PushRef 1 0\nPushConst 0 0\nCallCommand WaitClick\nAssign\nPop\n"
                         "call WaitClick(0)";
    auto run = play(script, "400 tap Return\n", 600);
    EXPECT_EQ(run->vm().gameInts[0], 0);
    EXPECT_EQ(run->vm().gameInts[1], 1);
}

TEST_F(FlowTest, WaitClickStartedWithTheButtonHeldEndsOnItsRelease) {
    auto run = play("call WaitClick(0)\nPushRef 0 0\nPushConst 0 1\nAssign\nPop\n"
                    "call WaitClick(0)",
                    "0 down left\n40 up left\n", 39);
    EXPECT_EQ(run->vm().gameInts[0], 0);
    run->runFor(5);
    EXPECT_EQ(run->vm().gameInts[0], 1);
}

TEST_F(FlowTest, SetWindowTitleChangesTheCaption) {
    auto run = play("call SetWindowTitle(\"体験版 {int:3}\")\ncall WaitClick(0)");
    EXPECT_EQ(cp932ToUtf8(run->platform->captionSjis()), "体験版 0");
    EXPECT_EQ(cp932ToUtf8(run->engine->app.windowTitle), "体験版 0");
}

TEST_F(FlowTest, RandomFollowsTheRuntimeSequence) {
    auto run = play("call Random(6, 0)\ncall Random(0, 1)\ncall Random(-4, 2)\n"
                    "call Random(32768, 3)\ncall WaitClick(0)");
    CrtRandom expected;
    expected.seed(static_cast<std::uint32_t>(HeadlessPlatform::kCalendarStart));
    EXPECT_EQ(run->vm().gameInts[0], expected.next() % 6);
    EXPECT_EQ(run->vm().gameInts[1], 0); // modulus 0 and a negative one store 0
    EXPECT_EQ(run->vm().gameInts[2], 0);
    EXPECT_EQ(run->vm().gameInts[3], expected.next());
    CrtRandom known;
    known.seed(1);
    EXPECT_EQ(known.next(), 41); // the runtime's first value for seed 1
    EXPECT_EQ(known.next(), 18467);
}

TEST_F(FlowTest, CompareStringsTreatsEmptyStringsAsTheRuntimeDid) {
    auto run = play("call CompareStrings(\"\", \"\", 0)\n"
                    "call CompareStrings(\"\", \"a\", 1)\n"
                    "call CompareStrings(\"かな\", \"かな\", 2)\n"
                    "call CompareStrings(\"かな\", \"カナ\", 3)\n"
                    "call WaitClick(0)");
    const auto& f = run->vm().gameFlags;
    EXPECT_EQ(f[0], 1);
    EXPECT_EQ(f[1], 0);
    EXPECT_EQ(f[2], 1);
    EXPECT_EQ(f[3], 0);
}

TEST(SubString, CountsCharactersOrBytesAndStaysInsideTheSource) {
    const std::string text = sjis("あいうabc");
    EXPECT_EQ(subStringPiece(text, 0, 2, 1), sjis("い"));
    EXPECT_EQ(subStringPiece(text, 0, 3, 3), sjis("うab"));
    EXPECT_EQ(subStringPiece(text, 0, 0, 1), sjis("あ"));
    EXPECT_EQ(subStringPiece(text, 0, 6, 9), "c");
    EXPECT_EQ(subStringPiece(text, 0, 9, 1), "");
    EXPECT_EQ(subStringPiece(text, 0, 1, 0), "");
    EXPECT_EQ(subStringPiece(text, 1, 2, 2), text.substr(1, 2)); // bytes: half a character
    EXPECT_EQ(subStringPiece(text, 1, -3, 2), text.substr(0, 2));
    EXPECT_EQ(subStringPiece(text, 1, 8, 100), "bc");
    EXPECT_EQ(subStringPiece(text, 1, 100, 1), "");
}

TEST_F(FlowTest, SubStringAndConcatStoreTheirTextWithATerminatingZero) {
    auto run = play("call SubString(0, 2, 1, \"あいう\", 0)\n"
                    "call ConcatStrings(\"{str:0}\", \"と\", 1)\n"
                    "call WaitClick(0)");
    EXPECT_EQ(run->vm().gameStrings[0], sjis("い") + std::string(1, '\0'));
    // The zero ends the text as a command sees it, so the join has no zero in the middle.
    EXPECT_EQ(run->vm().gameStrings[1], sjis("いと") + std::string(1, '\0'));
}

TEST_F(FlowTest, ResetGameVariablesLeavesConstantsAndCommonsAlone) {
    auto run = play("PushRef 0 0\nPushConst 0 5\nAssign\nPop\n"
                    "PushRef 1 2\nPushConst 1 1\nAssign\nPop\n"
                    "PushRef 2 4\nPushConst 2 \"x\"\nAssign\nPop\n"
                    "PushRef 3 12\nPushConst 0 6\nAssign\nPop\n"
                    "call ResetGameVariables()\ncall WaitClick(0)");
    const ScriptVm& vm = run->vm();
    EXPECT_EQ(vm.gameInts[0], 0);
    EXPECT_EQ(vm.gameFlags[1], 0);
    EXPECT_EQ(vm.gameStrings[2], "");
    EXPECT_EQ(vm.gameStrings.size(), 8u);
    EXPECT_EQ(vm.commonInts[3], 6);
    EXPECT_EQ(vm.constInts[0], 7);
}

TEST_F(FlowTest, ShellOpenBuildsTheTargetFromTheGameDirectory) {
    auto run = play("call ShellOpen(\"manual.html\", 0)\n"
                    "call ShellOpen(\"https://example.org/a\\\\b\", 1)\n"
                    "call ShellOpen(\"doc\\\\read me.txt\", 0)\n"
                    "call WaitClick(0)");
    const auto& requests = run->platform->shellRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0], (game.path() / "manual.html").string());
    EXPECT_EQ(requests[1], "https://example.org/a\\b");
    EXPECT_EQ(requests[2], (game.path() / "doc/read me.txt").string());
}

TEST_F(FlowTest, GetDateTimeReadsThePlatformClock) {
    game.layout();
    game.script("INIT", "call GetDateTime(0, 1, 2, -1, 4, 5)\ncall WaitClick(0)");
    // 2026-12-07 22:28:14 UTC, a Monday.
    GameRun run(game, "", 1, 1796682494);
    ASSERT_TRUE(run.start());
    run.runFor(10);
    const auto& v = run.vm().gameInts;
    EXPECT_EQ(v[0], 12);
    EXPECT_EQ(v[1], 7);
    EXPECT_EQ(v[2], 1);
    EXPECT_EQ(v[3], 0); // a negative number skips the hour
    EXPECT_EQ(v[4], 28);
    EXPECT_EQ(v[5], 14);
}

} // namespace
} // namespace vura
