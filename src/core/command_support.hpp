#pragma once
// What every command handler shares: popping its arguments (last argument first) with the
// helper that matches the kind its row in kCommandSignatures declares, completing with its
// result, the fatal-failure pattern, the machine's error report and the saved-command stack of
// interrupted commands.

#include "core/script_vm.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vura {

class Engine;

// value and count: the next argument's value, whatever its type.
std::int32_t popValue(Engine& engine);
// int: Int as it is, GameIntRef and CommonIntRef read through the checked accessors; any other
// type gives nothing, for the handler to refuse with its own message.
std::optional<std::int32_t> popInt(Engine& engine);
// flag: the value of a Bool, or of the game flag a GameFlagRef names (a flag outside the bank
// shows the machine's access message and reads as 0). Any other type gives nothing. Commands
// differ in what counts as set: 26 wants 1, the maps anything but 0.
std::optional<std::int32_t> popFlag(Engine& engine);
// stringN: resolved with a buffer of maxLen bytes, as the handler sees it: the text up to its
// first zero byte. A failed resolution leaves the text produced so far.
std::string popString(Engine& engine, std::size_t maxLen);
// stringN, resolved later with resolveString, where a handler resolves its strings in an order
// of its own.
Value popUnresolvedString(Engine& engine);
std::string resolveString(Engine& engine, Value value, std::size_t maxLen);
// ref: the index of the game int a GameIntRef names; any other type gives nothing.
std::optional<std::int32_t> popGameIntRef(Engine& engine);
// raw: the next argument as it is on the stack.
Value popRaw(Engine& engine);

// Reads the keyboard (keeping the last reading as the previous state, for release edges) and
// the mouse.
void pollInput(Engine& engine);

// Steps over the CallCommand and pushes the command's one result; the handler then returns 1.
int completeCommand(Engine& engine, std::int32_t result = 0);

// Switches the engine to the quit state: the window closes on the next tick.
void RequestQuit(Engine& engine);

// Shows "<what> in <operation>()" (caption "error", owned by the main window), switches the
// engine to the quit state and returns 0 for the handler to return. `whatSjis` is Shift-JIS;
// `operation` is the engine's ASCII operation name.
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
