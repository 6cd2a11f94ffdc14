#pragma once
// What every command handler shares: popping its arguments (last argument first), completing
// with its result, the fatal-failure pattern, the machine's error report and the saved-command
// stack of interrupted commands.

#include "core/script_vm.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vura {

class Engine;

// The next argument as it is on the stack.
Value popRaw(Engine& engine);
// The next argument's value, whatever its type (the flow commands take integers so).
std::int32_t popValue(Engine& engine);
// An integer argument: Int as it is, GameIntRef and CommonIntRef read through the checked
// accessors; any other type gives nothing, for the handler to refuse with its own message.
std::optional<std::int32_t> popInt(Engine& engine);
// A flag argument: Bool as it is, GameFlagRef read from the game flags.
std::optional<bool> popFlag(Engine& engine);
// A string argument resolved with a buffer of maxLen bytes, as the handler sees it: the text
// up to its first zero byte. A failed resolution leaves the text produced so far.
std::string popString(Engine& engine, std::size_t maxLen);

// Reads the keyboard (keeping the last reading as the previous state, for release edges) and
// the mouse.
void pollInput(Engine& engine);

// Steps over the CallCommand and pushes the command's one result; the handler then returns 1.
int completeCommand(Engine& engine, std::int32_t result = 0);

// Shows "<what> in <operation>()" (caption "error", owned by the main window), switches the
// engine to state 1 so it quits on the next tick, and returns 0 for the handler to return.
// `whatSjis` is Shift-JIS; `operation` is the engine's ASCII operation name.
int FailFatal(Engine& engine, std::string_view whatSjis, std::string_view operation);

// "Error code is <code>" with the caption "SQXError".
void ReportVmError(Engine& engine, int code);

// An interrupted command waits on the saved-command stack (8 deep) until its script returns.
// A ninth push is refused with a message and writes nothing.
bool PushSavedCommand(Engine& engine);
// Restores the top saved command into the engine state, phase and scratch; false when the
// stack is empty.
bool PopSavedCommand(Engine& engine);

} // namespace vura
