#pragma once
// The program's entry: the single-instance lock, the backend, start-up, the main loop and
// shut-down, and the exit code.

#include <iosfwd>
#include <span>
#include <string_view>

namespace vura {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // another copy runs, or start-up failed
inline constexpr int kExitUsage = 2;  // a bad command line

int RunProgram(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

} // namespace vura
