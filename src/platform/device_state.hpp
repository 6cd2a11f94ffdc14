#pragma once
// Keyboard and mouse state fed by events, read by the engine's polls. Both backends use it.

#include "platform/platform.hpp"

#include <array>
#include <cstdint>

namespace vura {

class DeviceState {
public:
    // Starts a new batch of events. A key or button pressed and released within one batch
    // reads as down until the next batch begins, so a click that arrives between two polls is
    // still seen as a press followed by a release.
    void beginBatch();

    void keyDown(std::uint8_t code);
    void keyUp(std::uint8_t code);
    void buttonDown(int button);
    void buttonUp(int button);
    void addWheel(std::int32_t delta);
    // The focus was lost: every key and button is up and the wheel movement is forgotten.
    void clear();

    void readKeys(KeyArray& keys) const;
    // The buttons, and the wheel movement since the previous call.
    MouseSnapshot takeMouse();

private:
    std::array<bool, 256> keyHeld_{};
    std::array<bool, 256> keyLatched_{};
    std::array<bool, 4> buttonHeld_{};
    std::array<bool, 4> buttonLatched_{};
    std::int32_t wheel_ = 0;
};

} // namespace vura
