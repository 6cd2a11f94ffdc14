#pragma once
// The keyboard and mouse snapshots the engine polls. Each poll shifts the current snapshot into
// the previous one, so callers see presses and releases as edges between the two; clicks and
// keys act on release.

#include "platform/key_codes.hpp"
#include "platform/platform.hpp"

#include <array>
#include <cstdint>

namespace vura {

class InputState {
public:
    explicit InputState(Platform& platform) : platform_(platform) {}
    virtual ~InputState() = default;

    // Opens the devices; 0 on success, otherwise the number of the step that failed. The
    // backends deliver input through their event queues, so nothing here can fail today.
    int InitInput();

    // Copies the current keys into the previous ones (when asked, as every caller does) and
    // reads the keyboard. A read that fails (the window lost the focus) keeps the last
    // snapshot, so no edge appears while the devices are away.
    void PollKeyboard(bool copyPrevious = true);
    // Reads the mouse, then shifts current into previous and stores the new buttons and wheel
    // movement. A failed read keeps the buttons and reports no wheel movement. The engine
    // passes its active flag as `reacquire`; the backends can read the mouse exactly when the
    // window has the focus, so the flag changes nothing here.
    void PollMouse(bool reacquire = true);

    // An advance key released: Return, keypad Enter or either Shift.
    bool IsAdvanceKeyReleased() const;
    // An advance key or the left button released: what moves text and waits on.
    bool IsAdvanceReleased() const;
    // The right button or Escape released: what cancels a menu or opens the right-click screen.
    bool IsCancelReleased() const;
    // Either Ctrl key held.
    bool IsSkipHeld() const;

    bool keyDown(std::uint8_t code) const { return (currentKeys[code] & 0x80) != 0; }
    bool keyReleased(std::uint8_t code) const {
        return (previousKeys[code] & 0x80) != 0 && (currentKeys[code] & 0x80) == 0;
    }
    bool buttonReleased(int button) const {
        return previousButtons[button] == 1 && currentButtons[button] == 0;
    }

    KeyArray previousKeys{};
    KeyArray currentKeys{};
    std::int32_t previousWheel = 0;
    std::array<std::uint8_t, 4> previousButtons{};
    std::int32_t currentWheel = 0;
    std::array<std::uint8_t, 4> currentButtons{};

private:
    Platform& platform_;
};

} // namespace vura
