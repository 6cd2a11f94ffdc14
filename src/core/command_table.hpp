#pragma once
// The script commands: number, name and handler of each of the 119. The engine state is the
// number of the command being carried out; a handler returns 1 when its command has completed
// and 0 to be called again on the next tick.

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

inline constexpr int kCommandCount = 119;

extern const std::array<CommandEntry, kCommandCount> kCommandTable;

// The name of a command number, or "?" outside the table.
std::string_view commandName(int number);

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
