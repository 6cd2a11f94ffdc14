// Whole games on the headless backend: start-up, the machine's errors, the dispatcher and the
// interruption of a running command.

#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/state_dump.hpp"
#include "resources/resource_lookup.hpp"
#include "support/test_game.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

TEST(ScriptStart, MissingLayoutOrInitFailsWithBothMessages) {
    {
        TestGame game;
        game.script("INIT", "End");
        GameRun run(game);
        EXPECT_FALSE(run.start());
        EXPECT_EQ(run.boxes(), "error: NECEMEM.SQIが見つかりません\n"
                               "error: NECEMEM.SQIセットに失敗\n");
    }
    {
        TestGame game;
        game.layout();
        GameRun run(game);
        EXPECT_FALSE(run.start());
        EXPECT_EQ(run.boxes(), "error: INIT.SQXが見つかりません\n"
                               "error: INIT.SQXの読み込みに失敗\n");
    }
    {
        // An image shorter than its header claims is refused without a message of its own.
        TestGame game;
        game.layout();
        game.write("INIT.SQX", std::string("\x02\0\0\0\0\0\0\0", 8));
        GameRun run(game);
        EXPECT_FALSE(run.start());
        EXPECT_EQ(run.boxes(), "error: INIT.SQXの読み込みに失敗\n");
    }
}

TEST(ScriptStart, ScriptsAndTheLayoutAreFoundInSqxToo) {
    TestGame game;
    game.layout();
    std::filesystem::create_directories(game.path() / "sqx");
    std::filesystem::rename(game.path() / "NECEMEM.SQI", game.path() / "sqx" / "NECEMEM.SQI");
    game.script("INIT", "call CallSQX(\"SUB\")\nEnd", "sqx");
    game.script("SUB", "PushRef 3 0\nPushConst 0 9\nAssign\nPop\nReturn", "sqx");
    GameRun run(game);
    ASSERT_TRUE(run.start()) << run.boxes();
    EXPECT_TRUE(run.runFor(100));
    EXPECT_EQ(run.vm().gameInts[3], 9);
    EXPECT_EQ(run.vm().scriptName, "INIT");
    EXPECT_NE(run.vm().scriptDirectory.find("sqx"), std::string::npos);
    // A loose script beside the game wins over sqx/.
    game.script("SUB", "PushRef 3 0\nPushConst 0 4\nAssign\nPop\nReturn");
    GameRun again(game);
    ASSERT_TRUE(again.start());
    again.runFor(100);
    EXPECT_EQ(again.vm().gameInts[3], 4);
}

TEST(ScriptRun, EveryCommandTakesTwoTicks) {
    TestGame game;
    game.layout();
    game.script("INIT", "call StartTimer()\ncall StartTimer()\nEnd");
    GameRun run(game);
    ASSERT_TRUE(run.start());
    const int expected[] = {13, 0, 13, 0, 1};
    for (int state : expected) {
        run.pass();
        EXPECT_EQ(run.engine->script.engineState, state);
    }
    EXPECT_FALSE(run.pass()); // state 1 destroys the window
    EXPECT_TRUE(run.pass());  // and the quit is taken on the next pass
    EXPECT_TRUE(run.platform->messageBoxes().empty());
}

// A handler that pops fewer arguments than its row declares is caught when it completes, and
// the game goes on: the check watches the engine, not the script.
int TakesNothing(Engine& engine) {
    return completeCommand(engine);
}

TEST(ScriptRun, HandlerTakingOtherArgumentsThanItsRowIsCounted) {
    TestGame game;
    game.layout();
    game.script("INIT", "call SetLayerCount(3)\ncall SetMaskCount(2)\nEnd");
    GameRun run(game);
    std::array<CommandEntry, kCommandCount> table = kCommandTable;
    table[16].handler = TakesNothing;
    run.engine->commands = table;
    ASSERT_TRUE(run.start());
    EXPECT_TRUE(run.runFor(50));
    EXPECT_EQ(run.engine->script.argumentMismatches, 1);
    EXPECT_EQ(run.engine->display.currentLayerSet->maskCount(), 2);
    run.engine->script.argumentMismatches = 0;
}

TEST(ScriptRun, MachineErrorsEndTheGameWithTheirCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"PushConst 1 1\nPushConst 0 1\nAdd", "SQXError: Error code is -2\n"},
        {"Op 20", "SQXError: Error code is -1\n"},
        {"PushConst 0 1\nCallCommand 119", "SQXError: Error code is -29\n"},
        {"Return", "SQXError: Error code is -27\n"},
        {"CallCommand 12", "SQXError: Error code is -25\n"}, // a command without its argument
    };
    for (const auto& [source, boxes] : cases) {
        TestGame game;
        game.layout();
        game.script("INIT", source);
        GameRun run(game);
        ASSERT_TRUE(run.start());
        EXPECT_TRUE(run.runFor(50)) << source;
        EXPECT_EQ(run.boxes(), boxes) << source;
    }
}

TEST(ScriptRun, DummyCommandsComplainAndRepeat) {
    TestGame game;
    game.layout();
    game.script("INIT", "CallCommand 5\nEnd");
    GameRun run(game, "answer ok\n");
    ASSERT_TRUE(run.start());
    for (int i = 0; i < 4; ++i)
        run.pass();
    EXPECT_EQ(run.boxes(), "error: なんでダミーに飛ぶねん\nerror: なんでダミーに飛ぶねん\n");
    EXPECT_EQ(run.vm().pc, 0);
}

TEST(ScriptRun, LineMarkerShowsTheLineInTheCaption) {
    TestGame game;
    game.layout();
    game.script("INIT", "call SetWindowTitle(\"デモ\")\nLineMarker 12\ncall WaitClick(0)");
    GameRun run(game);
    ASSERT_TRUE(run.start());
    run.runFor(10);
    EXPECT_EQ(cp932ToUtf8(run.platform->captionSjis()), "デモINIT.SQX=Line : 12");
}

TEST(ScriptRun, AccessViolationIsShownAndTheGameGoesOn) {
    TestGame game;
    game.layout();
    game.script("INIT", "call Random(10, 99)\ncall WaitClick(0)");
    GameRun run(game);
    ASSERT_TRUE(run.start());
    EXPECT_FALSE(run.runFor(20));
    EXPECT_EQ(run.boxes(), "err: アクセスバイオレーションしてます＞＜\n");
    EXPECT_EQ(run.engine->script.engineState, 15);
}

TEST(ScriptRun, LongLoopsYieldToTheTickAndContinue) {
    TestGame game;
    game.layout();
    // Twenty million instructions: the machine gives the tick back once on the way.
    game.script("INIT", "PushRef 0 0\nPushConst 0 0\nAssign\nPop\n"
                        "top: PushRef 0 0\nIncrement\nPushConst 0 4000000\nCompare 2\n"
                        "JumpIfTrue 0 top\nEnd");
    GameRun run(game);
    ASSERT_TRUE(run.start());
    run.pass();
    EXPECT_EQ(run.engine->script.engineState, 0);
    EXPECT_GT(run.vm().gameInts[0], 0);
    EXPECT_LT(run.vm().gameInts[0], 4000000);
    run.pass();
    run.pass();
    EXPECT_EQ(run.vm().gameInts[0], 4000000);
    EXPECT_EQ(run.engine->script.engineState, 1);
}

// A command interrupted by a handler script resumes in the phase it had, with its scratch.
TEST(ScriptRun, InterruptionAndReturnResumeTheCommand) {
    TestGame game;
    game.layout();
    game.script("INIT", "call StartTimer()\ncall WaitTimer(1000)\nEnd");
    game.script("HANDLER", "PushRef 5 0\nPushConst 0 1\nAssign\nPop\nReturn");
    GameRun run(game);
    ASSERT_TRUE(run.start());
    run.runFor(10);
    Engine& e = *run.engine;
    ASSERT_EQ(e.script.engineState, 14);
    ASSERT_EQ(e.script.commandPhase, 1);
    ASSERT_EQ(e.script.commandScratch[0], 1000);
    e.script.commandScratch[7] = 1234;
    // What a system button does: save the frame and the command, load the handler script.
    ASSERT_TRUE(run.vm().PushFrame(true));
    ASSERT_TRUE(LoadSQX(e, "HANDLER"));
    ASSERT_TRUE(PushSavedCommand(e));
    e.script.engineState = 0;
    e.script.commandPhase = 0;
    e.script.commandScratch.fill(0);
    run.runFor(20);
    EXPECT_EQ(run.vm().gameInts[5], 1);
    EXPECT_EQ(run.vm().scriptName, "INIT");
    EXPECT_EQ(e.script.engineState, 14);
    EXPECT_EQ(e.script.commandPhase, 1);
    EXPECT_EQ(e.script.commandScratch[0], 1000);
    EXPECT_EQ(e.script.commandScratch[7], 1234);
    EXPECT_EQ(e.script.savedCommandTop, -1);
    EXPECT_TRUE(run.runFor(2000)); // the wait ends and the script with it
    EXPECT_EQ(run.vm().top, -1);   // the call popped the wait's result
}

TEST(ScriptRun, NinthSavedCommandIsRefused) {
    TestGame game;
    game.layout();
    game.script("INIT", "End");
    GameRun run(game);
    ASSERT_TRUE(run.start());
    for (int i = 0; i < 8; ++i) {
        run.engine->script.engineState = 20 + i;
        ASSERT_TRUE(PushSavedCommand(*run.engine));
    }
    EXPECT_FALSE(PushSavedCommand(*run.engine));
    EXPECT_EQ(run.engine->script.savedCommandTop, 7);
    EXPECT_EQ(run.platform->messageBoxes().size(), 1u);
    ASSERT_TRUE(PopSavedCommand(*run.engine));
    EXPECT_EQ(run.engine->script.engineState, 27);
}

TEST(ScriptRun, StateDumpShowsTheMachineInUtf8) {
    TestGame game;
    game.layout();
    game.script("INIT", "PushRef 2 4\nPushConst 2 \"名前\\\"\"\nAssign\nPushConst 1 1\n"
                        "call WaitClick(0)");
    GameRun run(game);
    ASSERT_TRUE(run.start());
    run.runFor(10);
    std::string json = stateDumpJson(*run.engine);
    EXPECT_NE(json.find("\"engineState\": 15"), std::string::npos) << json;
    EXPECT_NE(json.find("\"scriptName\": \"INIT\""), std::string::npos);
    EXPECT_NE(json.find("\"gameStrings\": [\"\", \"\", \"名前\\\"\", \"\""), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"stack\": [{\"type\": 0, \"value\": 1}, {\"type\": 1, \"value\": 1}]"),
              std::string::npos)
        << json;
}

} // namespace
} // namespace vura
