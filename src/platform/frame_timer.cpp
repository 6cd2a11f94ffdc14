#include "platform/frame_timer.hpp"

namespace vura {

void FrameTimer::SetInterval(std::uint32_t ms) {
    usesTimeGetTime = 1;
    frequency = 0;
    intervalTicks = 0;
    nextDueTicks = 0;
    nextDueMs = 0;
    intervalMs = ms;
    if (auto f = clock_->performanceFrequency(); f && *f > 0) {
        usesTimeGetTime = 0;
        frequency = *f;
        intervalTicks = frequency * static_cast<std::int64_t>(intervalMs) / 1000;
        // A value the counter has already passed, so the first check is due at once.
        nextDueTicks = clock_->performanceCounter() - 1;
        check_ = &FrameTimer::counterCheck;
    } else {
        nextDueMs = clock_->milliseconds();
        check_ = &FrameTimer::millisecondCheck;
    }
}

void FrameTimer::Reset() {
    frequency = 0;
    intervalTicks = 0;
    nextDueTicks = 0;
    nextDueMs = 0;
    usesTimeGetTime = 1;
    intervalMs = 16;
}

bool FrameTimer::counterCheck() {
    std::int64_t now = clock_->performanceCounter();
    if (now > nextDueTicks) {
        nextDueTicks = now + intervalTicks;
        return true;
    }
    return false;
}

bool FrameTimer::millisecondCheck() {
    std::uint32_t now = clock_->milliseconds();
    if (now > nextDueMs) {
        nextDueMs = now + intervalMs;
        return true;
    }
    return false;
}

} // namespace vura
