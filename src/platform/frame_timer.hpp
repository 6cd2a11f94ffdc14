#pragma once
// A pacing timer for work that runs once per tick but must advance at a fixed pace (transition
// steps, character-by-character text). It answers one question: is the next step due?

#include "platform/platform.hpp"

#include <algorithm>
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
    // Milliseconds until isDue() next answers true, rounded up; 0 when it is due now.
    std::uint32_t msUntilDue();

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

// How long the main loop may wait for an event before its next pass. Each pass starts with no
// rest allowed; a command that only waits (for the player, or for one of its timers) allows it
// until its next work is due, and anything else that has work at a given time says so. A pass
// nobody allowed to rest keeps the loop at its quickest pace, so work that says nothing is never
// slowed down.
struct RestPlan {
    static constexpr std::uint32_t kShortestMs = 1;
    static constexpr std::uint32_t kLongestMs = 16;

    void startPass() {
        allowed = false;
        dueInMs = kLongestMs;
    }
    // Something has work within `ms`, whether or not the pass may rest.
    void dueIn(std::uint32_t ms) { dueInMs = std::min(dueInMs, ms); }
    // The pass only waited: it may rest until its next work, `ms` from now.
    void restFor(std::uint32_t ms) {
        allowed = true;
        dueIn(ms);
    }
    // The longest wait for an event before the next pass.
    int waitMs() const {
        return static_cast<int>(allowed ? std::clamp(dueInMs, kShortestMs, kLongestMs)
                                        : kShortestMs);
    }

    bool allowed = false;
    std::uint32_t dueInMs = kLongestMs;
};

} // namespace vura
