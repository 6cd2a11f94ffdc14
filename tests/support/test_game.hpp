#pragma once
// A small game made in a temporary directory from assembler source, and an engine playing it on
// the headless backend.

#include "core/engine.hpp"
#include "platform/headless_platform.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

namespace vura::test {

inline constexpr const char* kDefaultLayout = "game_ints 16\n"
                                              "game_flags 8\n"
                                              "game_strings 8\n"
                                              "common_ints 8\n"
                                              "common_flags 8\n"
                                              "const_ints 7 -3\n"
                                              "const_flags 1 0\n"
                                              "const_string \"定数\"\n";

class TestGame {
public:
    // Assembles `source` into <name>.SQX inside `subdirectory` of the game ("" for the game's
    // own directory). A mistake in the source fails the test.
    void script(const std::string& name, const std::string& source,
                const std::string& subdirectory = "");
    void layout(const std::string& source = kDefaultLayout);
    // A w x h PNG picture of one colour (blue, green, red) named `name` in the game.
    void picture(const std::string& name, int w, int h, std::uint8_t blue, std::uint8_t green = 0,
                 std::uint8_t red = 0);
    std::filesystem::path write(const std::string& name, const std::string& bytes) {
        return dir.write(name, bytes);
    }
    const std::filesystem::path& path() const { return dir.path(); }

    TempDir dir;
};

// An engine started on a TestGame: InitEngine and StartScript done in start().
class GameRun {
public:
    // With keepAudio the platform keeps every frame of sound it mixed (recordedAudio()).
    explicit GameRun(const TestGame& game, const std::string& inputScript = "",
                     std::uint32_t tickMs = 1, std::int64_t calendarStart = 978307200,
                     bool keepAudio = false);

    // Every command the game completed took the arguments its row declares.
    ~GameRun();

    bool start();
    // One pass of the main loop; true when the quit was seen.
    bool pass();
    // Passes until the quit is seen or `ms` of virtual time have passed; true when it quit.
    bool runFor(std::uint32_t ms);
    ScriptVm& vm() { return *engine->script.vm; }
    // The message boxes shown so far, one "caption: text" line each.
    std::string boxes() const;

    std::ostringstream log;
    std::unique_ptr<HeadlessPlatform> platform;
    std::unique_ptr<Engine> engine;
};

} // namespace vura::test
