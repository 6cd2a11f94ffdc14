#include "platform/device_state.hpp"

#include <limits>

namespace vura {

void DeviceState::beginBatch() {
    keyLatched_.fill(false);
    buttonLatched_.fill(false);
}

void DeviceState::keyDown(std::uint8_t code) {
    keyHeld_[code] = true;
    keyLatched_[code] = true;
}

void DeviceState::keyUp(std::uint8_t code) {
    keyHeld_[code] = false;
}

void DeviceState::buttonDown(int button) {
    if (button < 0 || button >= 4)
        return;
    buttonHeld_[button] = true;
    buttonLatched_[button] = true;
}

void DeviceState::buttonUp(int button) {
    if (button >= 0 && button < 4)
        buttonHeld_[button] = false;
}

void DeviceState::addWheel(std::int32_t delta) {
    // Saturate rather than overflow when a script or a free-spinning wheel piles up movement.
    std::int64_t sum = static_cast<std::int64_t>(wheel_) + delta;
    if (sum > std::numeric_limits<std::int32_t>::max())
        sum = std::numeric_limits<std::int32_t>::max();
    if (sum < std::numeric_limits<std::int32_t>::min())
        sum = std::numeric_limits<std::int32_t>::min();
    wheel_ = static_cast<std::int32_t>(sum);
}

void DeviceState::clear() {
    keyHeld_.fill(false);
    keyLatched_.fill(false);
    buttonHeld_.fill(false);
    buttonLatched_.fill(false);
    wheel_ = 0;
}

void DeviceState::readKeys(KeyArray& keys) const {
    for (int i = 0; i < 256; ++i)
        keys[i] = (keyHeld_[i] || keyLatched_[i]) ? 0x80 : 0x00;
}

MouseSnapshot DeviceState::takeMouse() {
    MouseSnapshot m;
    m.wheel = wheel_;
    wheel_ = 0;
    for (int i = 0; i < 4; ++i)
        m.buttons[i] = (buttonHeld_[i] || buttonLatched_[i]) ? 0x80 : 0x00;
    return m;
}

} // namespace vura
