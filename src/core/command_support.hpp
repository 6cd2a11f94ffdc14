#pragma once
// What every command handler shares: the fatal-failure pattern, spelled once.

#include <string_view>

namespace vura {

class Engine;

// Shows "<what> in <operation>()" (caption "error", owned by the main window), switches the
// engine to state 1 so it quits on the next tick, and returns 0 for the handler to return.
// `whatSjis` is Shift-JIS; `operation` is the engine's ASCII operation name.
int FailFatal(Engine& engine, std::string_view whatSjis, std::string_view operation);

} // namespace vura
