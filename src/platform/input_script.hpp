#pragma once
// The headless backend's input script: what the "player" does, and when.
//
// One entry per line; '#' starts a comment. Timed entries begin with the virtual time in
// milliseconds since the start:
//   <ms> move <x> <y>           <ms> down <button>          <ms> up <button>
//   <ms> click <x> <y>          <ms> rclick <x> <y>         (press at ms, release at ms + 30)
//   <ms> press <KEY>            <ms> release <KEY>          <ms> tap <KEY>
//   <ms> wheel <n>              <ms> focus out|in           <ms> close
// and untimed entries answer dialogs in the order they appear:
//   answer yes|no|ok            name <family> <given>       name default
// ("" is an empty name; "name default" presses the defaults button before OK).
// Buttons are left, right, middle and x1; positive wheel movement is forward.

#include "platform/platform.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vura {

struct InputEvent {
    enum class Kind { Move, ButtonDown, ButtonUp, KeyDown, KeyUp, Wheel, FocusOut, FocusIn, Close };
    std::uint32_t ms = 0;
    Kind kind = Kind::Move;
    int x = 0;              // Move
    int y = 0;              // Move
    int button = 0;         // ButtonDown, ButtonUp: 0 left, 1 right, 2 middle, 3 x1
    std::uint8_t key = 0;   // KeyDown, KeyUp: DirectInput key code
    std::int32_t wheel = 0; // Wheel: notches, positive forward
    int line = 0;           // the script line the event came from
};

struct InputScript {
    std::vector<InputEvent> events;        // in time order; equal times keep file order
    std::vector<MessageBoxAnswer> answers; // for message boxes, in order
    std::vector<NameAnswer> names;         // for name-entry dialogs, in order
};

struct InputScriptResult {
    bool ok = false;
    std::string error; // "<source>:<line>: <what is wrong>"
    InputScript script;
};

// A click or a tap holds its button or key down this long.
inline constexpr std::uint32_t kClickHoldMs = 30;

InputScriptResult parseInputScript(std::string_view text, std::string_view sourceName);

} // namespace vura
