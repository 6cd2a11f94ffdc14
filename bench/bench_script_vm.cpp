// The script machine's raw speed: an arithmetic loop with no commands in it, so every
// instruction is the machine's own work.

#include "core/script_vm.hpp"
#include "script_asm.hpp"

#include <benchmark/benchmark.h>

namespace vura {
namespace {

constexpr std::int64_t kIterations = 1'000'000;

// Game int 0 counts up to a million; each pass also works out (3 * 5 + 7) and drops it.
constexpr const char* kLoop = R"(
        PushRef 0 0
        PushConst 0 0
        Assign
        Pop
loop:   PushConst 0 3
        PushConst 0 5
        Mul
        PushConst 0 7
        Add
        Pop
        PushRef 0 0
        Increment
        PushConst 0 1000000
        Compare 2               ; counter < 1000000
        JumpIfTrue 0 loop
        End
)";
constexpr std::int64_t kInstructionsPerRun = 4 + 11 * kIterations + 1;

void BM_ScriptVmArithmeticLoop(benchmark::State& state) {
    tools::AssembleResult program = tools::assemble(kLoop, "loop.asm");
    if (!program.ok) {
        state.SkipWithError(program.error.c_str());
        return;
    }
    LayoutImage layout;
    layout.gameInts = 1;
    ScriptVm vm;
    vm.InstallLayout(layout);
    std::int64_t instructions = 0;
    for (auto _ : state) {
        vm.InstallScript(program.image);
        int result = kRunYield;
        while (result == kRunYield)
            result = vm.Run();
        if (result != kRunEnd || vm.gameInts[0] != kIterations) {
            state.SkipWithError("the loop did not run to its End");
            return;
        }
        vm.top = -1;
        instructions += kInstructionsPerRun;
    }
    state.counters["instructions/s"] =
        benchmark::Counter(static_cast<double>(instructions), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScriptVmArithmeticLoop)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vura
