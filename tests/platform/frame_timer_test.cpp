#include "platform/frame_timer.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace vura {
namespace {

// A clock that only moves when the test moves it.
class FakeClock : public Clock {
public:
    std::uint32_t ms = 50000;
    std::optional<std::int64_t> frequency;
    std::int64_t counter = 7000000;

    std::uint32_t milliseconds() override { return ms; }
    std::optional<std::int64_t> performanceFrequency() override { return frequency; }
    std::int64_t performanceCounter() override { return counter; }
};

// The two checks behave alike once started; these run each test against both. With the counter
// at 1000 ticks per second one tick is one millisecond, so the same numbers serve both.
struct Mode {
    const char* name;
    bool counter;
};

void PrintTo(const Mode& mode, std::ostream* os) {
    *os << mode.name;
}

class EitherCheck : public ::testing::TestWithParam<Mode> {
protected:
    void SetUp() override {
        if (GetParam().counter)
            clock.frequency = 1000;
    }
    // Moves whichever time source the timer reads.
    void advance(std::int64_t units) {
        if (GetParam().counter)
            clock.counter += units;
        else
            clock.ms += static_cast<std::uint32_t>(units);
    }
    // Starts the timer and takes its first due step.
    void start(FrameTimer& timer) {
        if (!GetParam().counter)
            advance(1);
        ASSERT_TRUE(timer.isDue());
    }

    FakeClock clock;
};

INSTANTIATE_TEST_SUITE_P(FrameTimer, EitherCheck,
                         ::testing::Values(Mode{"Counter", true}, Mode{"Milliseconds", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrameTimer, CounterCheckIsDueAtOnceAfterSetInterval) {
    FakeClock clock;
    clock.frequency = 10000000;
    FrameTimer timer(clock, 16);
    EXPECT_EQ(timer.usesTimeGetTime, 0);
    EXPECT_TRUE(timer.isDue());
    EXPECT_FALSE(timer.isDue());
}

TEST(FrameTimer, MillisecondCheckIsDueOnceTheClockHasMovedOn) {
    FakeClock clock; // no performance counter
    FrameTimer timer(clock, 16);
    EXPECT_EQ(timer.usesTimeGetTime, 1);
    EXPECT_FALSE(timer.isDue()); // same millisecond as SetInterval
    clock.ms += 1;
    EXPECT_TRUE(timer.isDue());
}

TEST_P(EitherCheck, DueOnlyStrictlyAfterTheScheduledValue) {
    FrameTimer timer(clock, 16);
    start(timer);
    EXPECT_FALSE(timer.isDue()); // twice within one interval
    advance(15);
    EXPECT_FALSE(timer.isDue());
    advance(1); // exactly at the scheduled value
    EXPECT_FALSE(timer.isDue());
    advance(1);
    EXPECT_TRUE(timer.isDue());
    EXPECT_FALSE(timer.isDue());
}

TEST_P(EitherCheck, ZeroIntervalIsDueWheneverTheClockMovedButNeverTwicePerReading) {
    FrameTimer timer(clock, 0);
    start(timer);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(timer.isDue());
        advance(1);
        EXPECT_TRUE(timer.isDue());
    }
}

TEST_P(EitherCheck, LateCheckSchedulesFromNowWithoutCatchUp) {
    FrameTimer timer(clock, 16);
    start(timer);
    advance(1000); // a long stall: sixty-odd intervals missed
    EXPECT_TRUE(timer.isDue());
    EXPECT_FALSE(timer.isDue()); // no burst of the missed steps
    advance(16);
    EXPECT_FALSE(timer.isDue());
    advance(1);
    EXPECT_TRUE(timer.isDue());
}

// The main loop sleeps on this answer, so it must never say later than isDue() would.
TEST_P(EitherCheck, MsUntilDueCountsDownToTheDueCheck) {
    FrameTimer timer(clock, 16);
    start(timer);
    for (std::uint32_t left = 17; left > 0; --left) {
        EXPECT_EQ(timer.msUntilDue(), left);
        EXPECT_FALSE(timer.isDue());
        advance(1);
    }
    EXPECT_EQ(timer.msUntilDue(), 0u);
    EXPECT_TRUE(timer.isDue());
}

TEST(RestPlan, OnlyAPassThatWaitedRestsAndNeverPastWhatIsDue) {
    RestPlan plan;
    plan.startPass();
    plan.dueIn(5);
    EXPECT_EQ(plan.waitMs(), 1); // nobody waited: the quickest pace
    plan.restFor(40);
    EXPECT_EQ(plan.waitMs(), 5); // the earlier work wins
    plan.startPass();
    plan.restFor(40);
    EXPECT_EQ(plan.waitMs(), 16);
    plan.restFor(0);
    EXPECT_EQ(plan.waitMs(), 1);
}

TEST(FrameTimer, IntervalTicksAreComputedIn64Bits) {
    FakeClock clock;
    clock.frequency = 10000000;
    FrameTimer timer(clock, 1000);
    EXPECT_EQ(timer.intervalTicks, 10000000); // the product before the division is past 2^32

    clock.frequency = 3579545; // rounds down
    timer.SetInterval(16);
    EXPECT_EQ(timer.intervalTicks, 57272);

    clock.frequency = 1000000000;
    timer.SetInterval(UINT32_MAX);
    EXPECT_EQ(timer.intervalTicks, std::int64_t{UINT32_MAX} * 1000000);
}

TEST(FrameTimer, ResetKeepsCounterCheckAndThenEveryMovedReadingIsDue) {
    FakeClock clock;
    clock.frequency = 1000;
    FrameTimer timer(clock, 100);
    ASSERT_TRUE(timer.isDue());
    timer.Reset();
    EXPECT_EQ(timer.usesTimeGetTime, 1);
    EXPECT_EQ(timer.intervalMs, 16u);

    // Still the counter check, now with no interval: the millisecond clock is never read.
    EXPECT_TRUE(timer.isDue());
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(timer.isDue());
        clock.ms += 1000;
        EXPECT_FALSE(timer.isDue());
        clock.counter += 1;
        EXPECT_TRUE(timer.isDue());
    }
}

TEST(FrameTimer, ResetKeepsMillisecondCheckAtSixteenMilliseconds) {
    FakeClock clock;
    FrameTimer timer(clock, 100);
    timer.Reset();
    EXPECT_TRUE(timer.isDue()); // the due value went back to 0
    clock.ms += 16;
    EXPECT_FALSE(timer.isDue());
    clock.ms += 1;
    EXPECT_TRUE(timer.isDue());
}

// The millisecond clock wraps every 2^32 ms (about 49.7 days) and the comparison is a plain
// unsigned one. Near the wrap the pacing therefore breaks in two ways, pinned here.
TEST(FrameTimer, MillisecondCheckAcrossTheClockWrapIsUnsigned) {
    FakeClock clock;
    clock.ms = 0xFFFFFFF0u;
    FrameTimer timer(clock, 16);
    clock.ms = 0xFFFFFFF8u;
    ASSERT_TRUE(timer.isDue());
    EXPECT_EQ(timer.nextDueMs, 8u); // the due value wrapped
    // Until the clock wraps as well, every reading is past the due value: steps come at once.
    clock.ms = 0xFFFFFFF9u;
    EXPECT_TRUE(timer.isDue());
    EXPECT_EQ(timer.nextDueMs, 9u);
    clock.ms = 0xFFFFFFFAu;
    EXPECT_TRUE(timer.isDue());
    // Once the clock has wrapped too, pacing is normal again.
    clock.ms = 5;
    EXPECT_FALSE(timer.isDue());
    clock.ms = 11;
    EXPECT_TRUE(timer.isDue());

    // A due value just below the wrap that the clock passes before the next check is not met
    // again until the clock climbs back up to it.
    clock.ms = 0xFFFFFFE0u;
    timer.SetInterval(16);
    clock.ms = 0xFFFFFFE1u;
    ASSERT_TRUE(timer.isDue());
    EXPECT_EQ(timer.nextDueMs, 0xFFFFFFF1u);
    clock.ms = 0x10;
    EXPECT_FALSE(timer.isDue());
    clock.ms = 0x7FFFFFFFu;
    EXPECT_FALSE(timer.isDue());
    clock.ms = 0xFFFFFFF2u;
    EXPECT_TRUE(timer.isDue());
}

} // namespace
} // namespace vura
