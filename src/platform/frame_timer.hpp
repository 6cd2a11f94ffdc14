#pragma once
// A pacing timer for work that runs once per tick but must advance at a fixed pace (transition
// steps, character-by-character text). It answers one question: is the next step due?

#include "platform/platform.hpp"

#include <cstdint>

namespace vura {

class FrameTimer {
public:
    explicit FrameTimer(Clock& clock, std::uint32_t intervalMs = 16) : clock_(&clock) {
        SetInterval(intervalMs);
    }

    // Clears everything and starts over with this interval. With a high-resolution counter the
    // first check is due at once; with the millisecond clock it is due once the clock has
    // moved on by at least 1 ms.
    void SetInterval(std::uint32_t intervalMs);
    // Clears every field but keeps the selected check. With the counter check every later
    // check is then due (whenever the counter has moved) until the next SetInterval.
    void Reset();
    // The next step is due. The one after is scheduled from this moment, not from the previous
    // due time, so a late tick never causes catch-up steps: a slow machine simply runs slower.
    bool isDue() { return (this->*check_)(); }

    std::int32_t usesTimeGetTime = 1;
    std::int64_t frequency = 0;
    std::int64_t intervalTicks = 0;
    std::int64_t nextDueTicks = 0;
    std::uint32_t intervalMs = 16;
    std::uint32_t nextDueMs = 0;

private:
    bool counterCheck();
    bool millisecondCheck();

    Clock* clock_;
    bool (FrameTimer::*check_)() = &FrameTimer::millisecondCheck;
};

} // namespace vura
