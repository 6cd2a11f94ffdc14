#pragma once
// The records of what is drawn over the composed picture and takes the player's clicks before
// the script: today the keys that fire a system button and whether the right button opens the
// right-click screen. The buttons themselves, the clickable maps, the choice menu and the
// save/load screen join here.

#include <cstdint>

namespace vura {

// The keys that fire a system button wherever the pointer is: releasing Space, and the wheel
// turned forward. Negative: none.
struct SystemButtons {
    std::int32_t spaceButton = -1;
    std::int32_t wheelButton = -1;
};

struct UiState {
    SystemButtons systemButtons;
    // The right button and Escape start the right-click process while this is set.
    bool rightClickEnabled = false;
};

} // namespace vura
