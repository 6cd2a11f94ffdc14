#include "platform/frame_timer.hpp"

#include <cstdint>

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

std::uint32_t FrameTimer::msUntilDue() {
    if (check_ == &FrameTimer::counterCheck) {
        const std::int64_t now = clock_->performanceCounter();
        if (now > nextDueTicks || frequency <= 0)
            return 0;
        // Due once the counter passes nextDueTicks.
        const std::int64_t ticks = nextDueTicks + 1 - now;
        const std::int64_t ms =
            ticks / frequency * 1000 + (ticks % frequency * 1000 + frequency - 1) / frequency;
        return static_cast<std::uint32_t>(std::min<std::int64_t>(ms, UINT32_MAX));
    }
    const std::uint32_t now = clock_->milliseconds();
    return now > nextDueMs ? 0 : nextDueMs - now + 1;
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
