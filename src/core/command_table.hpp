#pragma once
// The engine's command table: for each of the 119 command numbers its handler, next to the row
// of kCommandSignatures that says what the command takes and gives. The engine state is the
// number of the command being carried out; a handler returns 1 when its command has completed
// and 0 to be called again on the next tick.

#include "core/command_signatures.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace vura {

class Engine;

using CommandHandler = int (*)(Engine&);

struct CommandEntry {
    int number;
    std::string_view name;
    CommandHandler handler;
};

extern const std::array<CommandEntry, kCommandCount> kCommandTable;

// Runs the handler of the current engine state. On completion the state returns to 0 and the
// phase and scratch are cleared; any other result leaves all three as they are.
void DispatchCommand(Engine& engine);

namespace commands {

// State 0: runs the script machine until it names the next command. Never completes.
int RunScript(Engine& engine);
// State 1: destroys the main window, which ends the program.
int Quit(Engine& engine);
// States 3 to 9 are not commands: a script that reaches them is told so, and the call repeats.
int Dummy(Engine& engine);

} // namespace commands

} // namespace vura
