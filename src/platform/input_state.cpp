#include "platform/input_state.hpp"

namespace vura {

int InputState::InitInput() {
    return 0;
}

void InputState::PollKeyboard(bool copyPrevious) {
    if (copyPrevious)
        previousKeys = currentKeys;
    KeyArray keys;
    if (platform_.readKeyboard(keys))
        currentKeys = keys;
}

void InputState::PollMouse(bool /*reacquire*/) {
    MouseSnapshot mouse;
    bool ok = platform_.readMouse(mouse);
    previousWheel = currentWheel;
    previousButtons = currentButtons;
    if (!ok) {
        currentWheel = 0;
        return;
    }
    currentWheel = mouse.wheel;
    for (int i = 0; i < 4; ++i)
        currentButtons[i] = (mouse.buttons[i] & 0x80) ? 1 : 0;
}

bool InputState::IsAdvanceKeyReleased() const {
    return keyReleased(key::kReturn) || keyReleased(key::kKeypadEnter) ||
           keyReleased(key::kLeftShift) || keyReleased(key::kRightShift);
}

bool InputState::IsAdvanceReleased() const {
    return IsAdvanceKeyReleased() || buttonReleased(0);
}

bool InputState::IsCancelReleased() const {
    return buttonReleased(1) || keyReleased(key::kEscape);
}

bool InputState::IsSkipHeld() const {
    return keyDown(key::kLeftCtrl) || keyDown(key::kRightCtrl);
}

} // namespace vura
