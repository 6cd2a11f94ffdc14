#pragma once
// The script subsystem's record: the script machine, the engine state with the current
// command's phase and scratch, the commands waiting under a handler script, the timer
// registers and the random generator. The engine state is the number of the command being
// carried out; the states below are the ones that are not a command of their own.

#include "core/crt_random.hpp"
#include "core/script_vm.hpp"

#include <array>
#include <cstdint>
#include <memory>

namespace vura {

inline constexpr int kScratchWords = 16;
inline constexpr int kSavedCommandDepth = 8;

using CommandScratch = std::array<std::int32_t, kScratchWords>;

// State 0 runs the machine until it names a command; state 1 closes the window and so ends the
// program; state 2 returns from a called script. 3 to 9 are not commands.
inline constexpr std::int32_t kRunScriptState = 0;
inline constexpr std::int32_t kQuitState = 1;
inline constexpr std::int32_t kReturnState = 2;
inline constexpr std::int32_t kFirstDummyState = 3;
inline constexpr std::int32_t kLastDummyState = 9;

// A command interrupted by a script, kept until the script returns.
struct SavedCommand {
    std::int32_t engineState = 0;
    std::int32_t commandPhase = 0;
    CommandScratch commandScratch{};
};

// Where the command being carried out started, for the check that its handler took the
// arguments its row declares: its number (-1 when none is being checked), the program counter of
// its call, the stack's top once the number was popped, and the number of arguments expected
// (-1 when it depends on values the call did not push).
struct CommandStart {
    std::int32_t number = -1;
    std::int32_t pc = 0;
    std::int32_t top = -1;
    int arguments = -1;
};

struct ScriptState {
    // Created by StartScript, once everything else exists.
    std::unique_ptr<ScriptVm> vm;
    std::int32_t engineState = kRunScriptState;
    std::int32_t commandPhase = 0;
    CommandScratch commandScratch{};
    std::array<SavedCommand, kSavedCommandDepth> savedCommandStack{};
    int savedCommandTop = -1;
    // Set by StartTimer, read by WaitTimer; the start of the current WaitClick. Neither is
    // saved with an interrupted command: both keep running while a handler script runs.
    std::uint32_t timerStart = 0;
    std::uint32_t waitClickStart = 0;
    CrtRandom random;
    CommandStart commandStart;
    // Completed commands whose handler took another number of arguments than their row
    // declares: a fault in the engine, which the tests watch for.
    int argumentMismatches = 0;
};

} // namespace vura
