#include "platform/device_state.hpp"
#include "platform/headless_platform.hpp"
#include "platform/input_script.hpp"
#include "platform/input_state.hpp"
#include "platform/key_codes.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace vura {
namespace {

class IgnoreWindowEvents : public WindowEventHandler {
public:
    void OnClose() override {}
    void OnActivateApp(bool) override {}
    void OnMouseMove(int, int) override {}
    void OnMove(int, int) override {}
    void OnPaint() override {}
};

HeadlessConfig configFor(std::string_view scriptText, std::uint32_t tickMs) {
    InputScriptResult parsed = parseInputScript(scriptText, "test");
    EXPECT_TRUE(parsed.ok) << parsed.error;
    HeadlessConfig config;
    config.tickMs = tickMs;
    config.script = std::move(parsed.script);
    return config;
}

// The headless backend and the engine's input polls, driven one main-loop pass at a time.
class Rig {
public:
    explicit Rig(std::string_view scriptText, std::uint32_t tickMs = 10)
        : platform(configFor(scriptText, tickMs)), input(platform) {
        platform.registerWindowClass("VURA");
        platform.openMainWindow("x", 640, 480);
    }

    void pump() { platform.pumpEvents(handler); }
    // One pass: take the events, then poll both devices as the engine does.
    void step() {
        pump();
        input.PollKeyboard();
        input.PollMouse();
    }
    // Runs passes until `untilMs` and returns the virtual times at which an advance showed.
    std::vector<std::uint64_t> advanceTimes(std::uint64_t untilMs) {
        std::vector<std::uint64_t> times;
        while (platform.elapsedMs() < untilMs) {
            step();
            if (input.IsAdvanceReleased())
                times.push_back(platform.elapsedMs());
        }
        return times;
    }

    HeadlessPlatform platform;
    InputState input;
    IgnoreWindowEvents handler;
};

using Times = std::vector<std::uint64_t>;

TEST(DeviceInput, AdvanceKeysActOnReleaseExactlyOnce) {
    for (const char* name : {"Return", "KPEnter", "LShift", "RShift"}) {
        SCOPED_TRACE(name);
        Rig rig(std::string("0 press ") + name + "\n100 release " + name);
        std::uint8_t code = *key::codeFromName(name);
        rig.step();
        EXPECT_TRUE(rig.input.keyDown(code));
        // Held for 100 ms without any effect, then one advance on the poll after the release.
        EXPECT_EQ(rig.advanceTimes(300), Times{100});
    }
    Rig rig("0 press Space\n100 release Space");
    EXPECT_EQ(rig.advanceTimes(300), Times{});
}

TEST(DeviceInput, EitherCtrlHeldIsSkipOnEveryPoll) {
    Rig rig("0 press LCtrl\n50 release LCtrl\n100 press RCtrl\n150 release RCtrl");
    while (rig.platform.elapsedMs() < 200) {
        rig.step();
        std::uint64_t t = rig.platform.elapsedMs();
        bool held = t < 50 || (t >= 100 && t < 150);
        EXPECT_EQ(rig.input.IsSkipHeld(), held) << "at " << t << " ms";
        EXPECT_FALSE(rig.input.IsAdvanceReleased()) << "at " << t << " ms";
    }
}

TEST(DeviceInput, LeftButtonReleaseAdvancesRightDoesNot) {
    Rig rig("0 rclick 10 10\n100 click 10 10");
    Times rightReleases;
    Times advances;
    while (rig.platform.elapsedMs() < 200) {
        rig.step();
        if (rig.input.buttonReleased(1))
            rightReleases.push_back(rig.platform.elapsedMs());
        if (rig.input.IsAdvanceReleased())
            advances.push_back(rig.platform.elapsedMs());
    }
    EXPECT_EQ(rightReleases, Times{30});
    EXPECT_EQ(advances, Times{130});
}

TEST(DeviceInput, PressAndReleaseWithinOnePumpShowAsDownThenReleased) {
    Rig rig("10 click 5 5\n10 tap Return", 50);
    rig.step(); // 0 ms
    EXPECT_EQ(rig.input.currentButtons[0], 0);
    rig.step(); // 50 ms: down at 10, up at 40, both in this batch
    EXPECT_EQ(rig.input.currentButtons[0], 1);
    EXPECT_TRUE(rig.input.keyDown(key::kReturn));
    EXPECT_FALSE(rig.input.IsAdvanceReleased());
    rig.step(); // 100 ms
    EXPECT_TRUE(rig.input.buttonReleased(0));
    EXPECT_TRUE(rig.input.keyReleased(key::kReturn));
    EXPECT_TRUE(rig.input.IsAdvanceReleased());
    rig.step();
    EXPECT_FALSE(rig.input.IsAdvanceReleased());
}

TEST(DeviceInput, WheelAccumulatesBetweenPollsThenReadsZero) {
    Rig rig("10 wheel 1\n20 wheel 2\n30 wheel -5");
    rig.step(); // 0 ms
    EXPECT_EQ(rig.input.currentWheel, 0);
    rig.pump(); // 10 ms, not polled
    rig.step(); // 20 ms
    EXPECT_EQ(rig.input.currentWheel, 360);
    rig.step(); // 30 ms
    EXPECT_EQ(rig.input.currentWheel, -600);
    EXPECT_EQ(rig.input.previousWheel, 360);
    rig.step();
    EXPECT_EQ(rig.input.currentWheel, 0);
}

// While the focus is away every read fails and the polls keep the last snapshot, so nothing
// changes edge-wise. The backend forgets every key and button when the focus goes (as the
// window system stops reporting them), so anything down before is up once the focus is back:
// the first poll after the return shows one release. That matches what a player did (let go
// while away) and it can only fire once, because the release was never seen before.
TEST(DeviceInput, FocusLossKeepsTheSnapshotAndReleaseShowsOnReturn) {
    Rig rig("0 press Return\n0 down left\n20 focus out\n30 wheel 3\n"
            "40 release Return\n40 up left\n60 focus in");
    rig.step(); // 0
    rig.step(); // 10
    for (std::uint64_t t = 20; t < 60; t += 10) {
        rig.step();
        EXPECT_TRUE(rig.input.keyDown(key::kReturn)) << "at " << t << " ms";
        EXPECT_EQ(rig.input.currentButtons[0], 1) << "at " << t << " ms";
        EXPECT_FALSE(rig.input.IsAdvanceReleased()) << "at " << t << " ms";
        EXPECT_EQ(rig.input.currentWheel, 0) << "at " << t << " ms";
    }
    rig.step(); // 60: back
    EXPECT_TRUE(rig.input.keyReleased(key::kReturn));
    EXPECT_TRUE(rig.input.buttonReleased(0));
    EXPECT_TRUE(rig.input.IsAdvanceReleased());
    EXPECT_EQ(rig.input.currentWheel, 0); // movement while away is not delivered
    rig.step();
    EXPECT_FALSE(rig.input.IsAdvanceReleased());

    // A key still held across the focus loss also reads as released on return; a new press is
    // needed before it counts as down again.
    Rig held("0 press LCtrl\n20 focus out\n40 focus in\n60 press LCtrl");
    held.step();
    EXPECT_TRUE(held.input.IsSkipHeld());
    held.step(); // 10
    held.step(); // 20: away
    EXPECT_TRUE(held.input.IsSkipHeld());
    held.step(); // 30
    held.step(); // 40: back
    EXPECT_TRUE(held.input.keyReleased(key::kLeftCtrl));
    EXPECT_FALSE(held.input.IsSkipHeld());
    held.step(); // 50
    held.step(); // 60
    EXPECT_TRUE(held.input.IsSkipHeld());
}

TEST(DeviceState, WheelSaturatesAtInt32Limits) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    DeviceState d;
    d.addWheel(kMax);
    d.addWheel(kMax);
    EXPECT_EQ(d.takeMouse().wheel, kMax);
    EXPECT_EQ(d.takeMouse().wheel, 0);
    d.addWheel(kMin);
    d.addWheel(-1);
    EXPECT_EQ(d.takeMouse().wheel, kMin);
    d.addWheel(kMax);
    d.addWheel(kMin);
    EXPECT_EQ(d.takeMouse().wheel, -1);
}

} // namespace
} // namespace vura
