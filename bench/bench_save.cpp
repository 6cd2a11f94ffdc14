// A save and a load as the player makes them, in the demo's text scene with its first line
// waiting: six layers of 640 x 480 pictures, four windows, four channels with the music
// streaming. The save is the save button's: the save point with its 160 x 120 thumbnail, then
// command 95, which writes the common data file and the slot, each synced to the disk and
// renamed over the old file. The load is command 96's two ticks: the slot read and checked,
// then everything put back, the pictures and sounds loaded again and the screen rebuilt.

#include "core/engine.hpp"
#include "core/script_state.hpp"
#include "platform/headless_platform.hpp"
#include "save/save_commands.hpp"
#include "save/save_point.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace vura {
namespace {

constexpr int kMessageWait = 44;

// The demo played to its text scene's first line (the clicks of its picture scenes), with its
// saves in the build tree, on this machine's disk.
struct DemoAtFirstLine {
    HeadlessPlatform platform;
    Engine engine;
    bool ready = false;

    static HeadlessConfig input() {
        std::string clicks = "1000 click 320 240\n";
        for (int ms = 1600; ms <= 9400; ms += 600)
            clicks += std::to_string(ms) + " click 320 390\n";
        HeadlessConfig config;
        config.script = parseInputScript(clicks, "bench").script;
        return config;
    }
    static EngineConfig config() {
        EngineConfig c;
        c.gameDirectory = VURA_DEMO_DIR;
        c.saveDirectory = VURA_BENCH_SAVE_DIR;
        return c;
    }

    DemoAtFirstLine() : platform(input()), engine(platform, config()) {
        std::filesystem::remove_all(VURA_BENCH_SAVE_DIR);
        if (!InitEngine(engine) || !StartScript(engine))
            return;
        for (int pass = 0; pass < 20000; ++pass) {
            platform.pumpEvents(*engine.app.appState);
            EngineTick(engine);
            if (engine.script.engineState == kMessageWait && engine.script.commandPhase == 2) {
                ready = true;
                return;
            }
        }
    }

    // Runs a command handler as a script call would, with the slot as its argument, and puts
    // the machine back where it was for the next round.
    void call(int (*handler)(Engine&), int slot, int ticks) {
        ScriptState& s = engine.script;
        ScriptVm& vm = *s.vm;
        const auto state = s.engineState, phase = s.commandPhase;
        const auto scratch = s.commandScratch;
        const std::int32_t pc = vm.pc, top = vm.top;
        vm.Push(kInt, slot);
        s.commandPhase = 0;
        // Load's first tick reads the slot, its second puts it back.
        for (int tick = 0; tick < ticks && handler(engine) == 0; ++tick)
            ;
        vm.pc = pc, vm.top = top;
        s.engineState = state, s.commandPhase = phase, s.commandScratch = scratch;
    }
};

void BM_SaveFromButton(benchmark::State& state) {
    DemoAtFirstLine demo;
    if (!demo.ready) {
        state.SkipWithError("the demo did not reach its first line");
        return;
    }
    for (auto _ : state) {
        TakeSavePoint(demo.engine);
        demo.call(commands::Save, 1, 1);
    }
}
BENCHMARK(BM_SaveFromButton)->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
    DemoAtFirstLine demo;
    if (!demo.ready) {
        state.SkipWithError("the demo did not reach its first line");
        return;
    }
    TakeSavePoint(demo.engine);
    demo.call(commands::Save, 1, 1);
    for (auto _ : state)
        demo.call(commands::Load, 1, 2);
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vura
