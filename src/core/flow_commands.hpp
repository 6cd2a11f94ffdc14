#pragma once
// The commands that move control between scripts, set the title, wait, and the small utility
// commands on variables. Each takes its arguments from the script machine's stack, last
// argument first, and pushes one Int result when it completes.

#include <string_view>

namespace vura {

class Engine;

namespace commands {

int ReturnSQX(Engine& engine);          // 2, also the state a Return instruction leads to
int LoadSQX(Engine& engine);            // 10
int CallSQX(Engine& engine);            // 11
int SetWindowTitle(Engine& engine);     // 12
int StartTimer(Engine& engine);         // 13
int WaitTimer(Engine& engine);          // 14
int WaitClick(Engine& engine);          // 15
int Random(Engine& engine);             // 104
int CompareStrings(Engine& engine);     // 105
int ShellOpen(Engine& engine);          // 113
int ResetGameVariables(Engine& engine); // 114
int SubString(Engine& engine);          // 115
int ConcatStrings(Engine& engine);      // 116
int GetDateTime(Engine& engine);        // 118

} // namespace commands

// The piece SubString takes: in mode 0 `start` and `count` count characters (a Shift-JIS pair
// is one), in any other mode bytes; `start` is 1-based. The piece never reaches outside the
// source.
std::string_view subStringPiece(std::string_view source, int mode, int start, int count);

} // namespace vura
