#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"
#include "platform/instance_lock.hpp"
#include "support/test_game.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace vura {
namespace {

using test::ProcessResult;
using test::runProcess;
using test::TempDir;

// Each run gets its own lock directory, so tests running side by side do not see each other
// as a second copy.
struct ProgramTest : ::testing::Test {
    // A game that waits for clicks for ever.
    ProgramTest() {
        game.layout();
        game.script("INIT", "top: call WaitClick(0)\nJump 0 top");
    }
    ProcessResult run(const std::vector<std::string>& args,
                      std::map<std::string, std::string> env = {}) {
        env.emplace("XDG_RUNTIME_DIR", runtime.path().string());
        return runProcess(VURA_BINARY, args, env);
    }
    TempDir runtime;
    test::TestGame game;
};

TEST_F(ProgramTest, SecondCopyEndsAtOnceWithCodeOneAndShowsNothing) {
    InstanceLock first;
    ASSERT_TRUE(first.acquire(runtime.path() / "vura.lock"));
    // No --headless: had the copy gone on, it would have tried to open a window.
    ProcessResult r = run({game.path().string()}, {{"DISPLAY", "<unset>"}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    first.release();
    r = run({"--headless", "--quit-after", "10", game.path().string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(ProgramTest, CloseConfirmationDecidesTheExit) {
    auto no = game.write("no.txt", "100 close\nanswer no\n");
    ProcessResult r = run({"--headless", "--trace", "--input", no.string(), "--quit-after", "400",
                           game.path().string()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("messagebox: 終了確認: 終了します。よろしいですか？ -> no"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("trace: 401 ms: quit"), std::string::npos) << r.err;

    auto yes = game.write("yes.txt", "100 close\n");
    r = run({"--headless", "--trace", "--input", yes.string(), "--quit-after", "400",
             game.path().string()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("-> yes"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("trace: 100 ms: quit"), std::string::npos) << r.err;
}

TEST_F(ProgramTest, BadInputScriptNamesTheLine) {
    auto bad = game.write("bad.txt", "# a comment\n10 click 5 5\n20 clik 5 5\n");
    ProcessResult r = run({"--headless", "--input", bad.string(), game.path().string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("bad.txt:3: unknown action 'clik'"), std::string::npos) << r.err;
}

TEST_F(ProgramTest, CommandLineMistakesEndWithCodeTwo) {
    ProcessResult r = run({"--scale", "12"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Try 'vura --help'"), std::string::npos);
    r = run({"--headless", (game.path() / "missing").string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("no game directory"), std::string::npos);
}

TEST_F(ProgramTest, WithoutADisplayTheWindowFailsClearly) {
    ProcessResult r = run(
        {game.path().string()},
        {{"DISPLAY", "<unset>"}, {"WAYLAND_DISPLAY", "<unset>"}, {"SDL_VIDEODRIVER", "<unset>"}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("use --headless"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("messagebox: error: WindowClassレジストに失敗 -> ok"), std::string::npos)
        << r.err;
}

TEST_F(ProgramTest, HelpAndVersion) {
    ProcessResult r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Usage: vura [options] [GAME_DIR]"), std::string::npos);
    r = run({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("vura ", 0), 0u);
    r = runProcess(VURA_TOOL_BINARY, {"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Usage: vura-tool"), std::string::npos);
    r = runProcess(VURA_TOOL_BINARY, {"frobnicate"});
    EXPECT_EQ(r.exitCode, 2);
}

} // namespace
} // namespace vura

namespace vura {
namespace {

TEST_F(ProgramTest, StartupFailureEndsWithCodeOneAndStillDumpsTheState) {
    std::filesystem::remove(game.path() / "INIT.SQX");
    auto dump = game.path() / "state.json";
    ProcessResult r = run({"--headless", "--dump-state", dump.string(), game.path().string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("messagebox: error: INIT.SQXが見つかりません -> ok\n"
                         "messagebox: error: INIT.SQXの読み込みに失敗 -> ok"),
              std::string::npos)
        << r.err;
    std::ifstream in(dump);
    std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(json.find("\"scriptName\": \"INIT\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"gameInts\": [0, 0"), std::string::npos) << json;
}

TEST_F(ProgramTest, ScreenshotIsWrittenWhenTheProgramEnds) {
    auto shot = game.path() / "shot.png";
    ProcessResult r = run(
        {"--headless", "--quit-after", "50", "--screenshot", shot.string(), game.path().string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::FILE* f = std::fopen(shot.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    Surface s;
    EXPECT_TRUE(loadPng(s, f));
    std::fclose(f);
    EXPECT_EQ(s.width(), 640);
    EXPECT_EQ(s.height(), 480);
}

TEST_F(ProgramTest, ToolsAssembleAGameTheEnginePlays) {
    game.write("main.asm", "call SetWindowTitle(\"x\")\nPushRef 0 0\nPushConst 0 42\n"
                           "Assign\nPop\nEnd\n");
    game.write("layout.txt", "game_ints 2\n");
    ProcessResult r = runProcess(VURA_TOOL_BINARY, {"asm", (game.path() / "main.asm").string(),
                                                    "-o", (game.path() / "INIT.SQX").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = runProcess(VURA_TOOL_BINARY, {"layout", (game.path() / "layout.txt").string(), "-o",
                                      (game.path() / "NECEMEM.SQI").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto dump = game.path() / "state.json";
    r = run({"--headless", "--dump-state", dump.string(), game.path().string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::ifstream in(dump);
    std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(json.find("\"gameInts\": [42, 0]"), std::string::npos) << json;
    r = runProcess(VURA_TOOL_BINARY, {"asm", (game.path() / "missing.asm").string(), "-o", "x"});
    EXPECT_EQ(r.exitCode, 1);
    r = runProcess(VURA_TOOL_BINARY, {"asm", (game.path() / "main.asm").string()});
    EXPECT_EQ(r.exitCode, 2);
}

} // namespace
} // namespace vura
