#pragma once
// A whole engine on the headless backend, for tests that drive it pass by pass.

#include "core/engine.hpp"
#include "platform/headless_platform.hpp"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>

namespace vura::test {

inline HeadlessConfig headlessConfig(const std::string& inputScript, std::uint32_t tickMs,
                                     std::ostream* log) {
    HeadlessConfig config;
    config.tickMs = tickMs;
    config.log = log;
    InputScriptResult parsed = parseInputScript(inputScript, "test-input");
    EXPECT_TRUE(parsed.ok) << parsed.error;
    config.script = parsed.script;
    return config;
}

struct EngineHarness {
    explicit EngineHarness(const std::string& inputScript = "", std::uint32_t tickMs = 1,
                           EngineConfig config = {})
        : platform(headlessConfig(inputScript, tickMs, &log)), engine(platform, config) {
        commands = kCommandTable;
        engine.commands = commands;
    }

    // Every command that completed took the arguments its row declares.
    ~EngineHarness() { EXPECT_EQ(engine.script.argumentMismatches, 0); }

    bool init() { return InitEngine(engine); }

    // One pass of the main loop: events, then one tick. Returns true when the quit was seen.
    bool pass() {
        bool quit = platform.pumpEvents(*engine.app.appState);
        EngineTick(engine);
        return quit;
    }

    std::ostringstream log;
    HeadlessPlatform platform;
    Engine engine;
    // A copy of the command table that a test may change.
    std::array<CommandEntry, kCommandCount> commands{};
};

} // namespace vura::test
