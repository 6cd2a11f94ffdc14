#include "base/sjis.hpp"
#include "platform/headless_platform.hpp"
#include "platform/input_script.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace vura {
namespace {

// Writes down every window event as a short line.
class RecordingHandler : public WindowEventHandler {
public:
    void OnClose() override { seen.push_back("close"); }
    void OnActivateApp(bool active) override { seen.push_back(active ? "active" : "inactive"); }
    void OnMouseMove(int x, int y) override {
        seen.push_back("move " + std::to_string(x) + " " + std::to_string(y));
    }
    void OnMove(int, int) override { seen.push_back("window move"); }
    void OnPaint() override { seen.push_back("paint"); }

    std::vector<std::string> seen;
};

using Lines = std::vector<std::string>;

HeadlessConfig configFor(std::string_view scriptText, std::uint32_t tickMs = 1,
                         std::ostream* log = nullptr) {
    InputScriptResult parsed = parseInputScript(scriptText, "test");
    EXPECT_TRUE(parsed.ok) << parsed.error;
    HeadlessConfig config;
    config.tickMs = tickMs;
    config.script = std::move(parsed.script);
    config.log = log;
    return config;
}

void openWindow(HeadlessPlatform& p, int width = 640, int height = 480) {
    ASSERT_TRUE(p.registerWindowClass("VURA"));
    ASSERT_TRUE(p.openMainWindow("x", width, height));
}

TEST(HeadlessPlatform, VirtualClockAdvancesByTheTickOnEveryPumpButTheFirst) {
    constexpr std::uint32_t kStart = HeadlessPlatform::kClockStartMs;
    HeadlessPlatform p(configFor("", 7));
    RecordingHandler h;
    EXPECT_EQ(p.performanceFrequency(), std::optional<std::int64_t>(10000000));
    EXPECT_EQ(p.milliseconds(), kStart);
    EXPECT_EQ(p.performanceCounter(), std::int64_t{kStart} * 10000);
    EXPECT_EQ(p.calendarTime(), HeadlessPlatform::kCalendarStart);
    p.pumpEvents(h);
    EXPECT_EQ(p.milliseconds(), kStart);
    p.pumpEvents(h);
    EXPECT_EQ(p.milliseconds(), kStart + 7);
    EXPECT_EQ(p.performanceCounter(), std::int64_t{kStart + 7} * 10000);
    for (int i = 0; i < 1000; ++i)
        p.pumpEvents(h);
    EXPECT_EQ(p.elapsedMs(), 7007u);
    EXPECT_EQ(p.milliseconds(), kStart + 7007);
    EXPECT_EQ(p.performanceCounter(), std::int64_t{kStart + 7007} * 10000);
    EXPECT_EQ(p.calendarTime(), HeadlessPlatform::kCalendarStart + 7);
}

TEST(HeadlessPlatform, EventsTakeEffectOnTheFirstPumpAtOrAfterTheirTime) {
    HeadlessPlatform p(configFor("0 move 1 1\n25 move 2 2\n30 move 3 3\n31 close", 10));
    openWindow(p);
    RecordingHandler h;
    std::vector<Lines> perPump;
    for (int i = 0; i < 5; ++i) { // at 0, 10, 20, 30, 40 ms
        h.seen.clear();
        p.pumpEvents(h);
        perPump.push_back(h.seen);
    }
    EXPECT_EQ(perPump,
              (std::vector<Lines>{{"move 1 1"}, {}, {}, {"move 2 2", "move 3 3"}, {"close"}}));
}

TEST(HeadlessPlatform, MessageBoxAnswersAreTakenInOrderAndMisfitsGiveTheDefault) {
    std::ostringstream log;
    HeadlessPlatform p(
        configFor("answer no\nanswer ok\nanswer yes\nanswer ok\nanswer no", 1, &log));
    auto ask = [&](MessageBoxButtons b) { return p.messageBox(BoxOwner::NoWindow, "t", "c", b); };
    using A = MessageBoxAnswer;
    using B = MessageBoxButtons;
    EXPECT_EQ(ask(B::YesNo), A::No);
    EXPECT_EQ(ask(B::YesNo), A::Yes); // "ok" does not fit: used up, default given
    EXPECT_EQ(ask(B::Ok), A::Ok);     // "yes" does not fit either
    EXPECT_EQ(ask(B::Ok), A::Ok);
    EXPECT_EQ(ask(B::YesNo), A::No);
    EXPECT_EQ(ask(B::YesNo), A::Yes); // the answers have run out
    EXPECT_EQ(ask(B::Ok), A::Ok);
    EXPECT_EQ(log.str(), "messagebox: c: t -> no\n"
                         "messagebox: c: t -> yes\n"
                         "messagebox: c: t -> ok\n"
                         "messagebox: c: t -> ok\n"
                         "messagebox: c: t -> no\n"
                         "messagebox: c: t -> yes\n"
                         "messagebox: c: t -> ok\n");
}

TEST(HeadlessPlatform, MessageBoxIsLoggedInUtf8WithLineBreaksEscaped) {
    std::ostringstream log;
    HeadlessPlatform p(configFor("", 1, &log));
    // 表 has '\' as its second Shift-JIS byte; it must come through whole.
    std::string text = sjis("ゲームを終了しますか？\r\n表示は\n保存\rされます");
    EXPECT_EQ(p.messageBox(BoxOwner::MainWindow, text, sjis("終了確認"), MessageBoxButtons::YesNo),
              MessageBoxAnswer::Yes);
    EXPECT_EQ(log.str(),
              "messagebox: 終了確認: ゲームを終了しますか？\\n表示は\\n保存\\nされます -> yes\n");
    ASSERT_EQ(p.messageBoxes().size(), 1u);
    EXPECT_EQ(p.messageBoxes()[0].captionUtf8, "終了確認");
    EXPECT_EQ(p.messageBoxes()[0].textUtf8, "ゲームを終了しますか？\r\n表示は\n保存\rされます");
}

// A bottom-up BGR picture whose every pixel differs from its neighbours.
struct Picture {
    Picture(int w, int h) : width(w), height(h), pitch(w * 3 + 1), bytes(pitch * h, 0xEE) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                std::uint32_t v = expected(x, y);
                std::uint8_t* p = &bytes[(h - 1 - y) * pitch + x * 3]; // stored bottom row first
                p[0] = v & 0xFF;
                p[1] = (v >> 8) & 0xFF;
                p[2] = (v >> 16) & 0xFF;
            }
        }
    }
    static std::uint32_t expected(int x, int y) { return 0x010000u + x * 0x100u + y * 7u + 1; }
    BgrImageView view() const { return {bytes.data(), width, height, pitch}; }

    int width, height, pitch;
    std::vector<std::uint8_t> bytes;
};

// Every screen pixel with x0 <= x < x1 and y0 <= y < y1 shows the picture; every other one is
// still black.
void expectOnlyRectangleCopied(const HeadlessPlatform& p, int x0, int y0, int x1, int y1) {
    int wrong = 0;
    for (int y = 0; y < p.screenHeight(); ++y) {
        for (int x = 0; x < p.screenWidth(); ++x) {
            bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
            std::uint32_t want = inside ? Picture::expected(x, y) : 0;
            if (p.screenPixel(x, y) != want && ++wrong <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << p.screenPixel(x, y)
                              << ", expected " << want;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(HeadlessPlatform, PresentCopiesExactlyTheClippedRectangleTopDown) {
    Picture pic(640, 480);
    {
        HeadlessPlatform p;
        openWindow(p);
        p.present(pic.view(), {10, 20, 3, 2});
        expectOnlyRectangleCopied(p, 10, 20, 13, 22);
        EXPECT_EQ(p.presentCount(), 1);
    }
    {
        HeadlessPlatform p;
        openWindow(p);
        p.present(pic.view(), {-5, 470, 20, 50}); // past the left and bottom edges
        expectOnlyRectangleCopied(p, 0, 470, 15, 480);
        p.present(pic.view(), {700, 0, 10, 10}); // wholly outside: nothing, and not counted
        EXPECT_EQ(p.presentCount(), 1);
    }
    {
        // The window is larger than the picture: only the picture's part can be copied.
        Picture small(100, 50);
        HeadlessPlatform p;
        openWindow(p);
        p.present(small.view(), {90, 40, 100, 100});
        expectOnlyRectangleCopied(p, 90, 40, 100, 50);
    }
}

TEST(HeadlessPlatform, PresentClipsHugeWidthsWithoutOverflow) {
    Picture pic(640, 480);
    HeadlessPlatform p;
    openWindow(p);
    p.present(pic.view(), {600, 470, INT_MAX, INT_MAX});
    expectOnlyRectangleCopied(p, 600, 470, 640, 480);
}

TEST(HeadlessPlatform, DestroyedWindowReportsQuitOnceAndIgnoresLaterEvents) {
    HeadlessPlatform p(configFor("10 move 1 1\n10 close\n10 focus out\n20 press A", 10));
    openWindow(p);
    RecordingHandler h;
    EXPECT_FALSE(p.pumpEvents(h));
    p.destroyMainWindow();
    EXPECT_FALSE(p.hasMainWindow());
    EXPECT_TRUE(p.pumpEvents(h));
    EXPECT_FALSE(p.pumpEvents(h));
    EXPECT_FALSE(p.pumpEvents(h));
    EXPECT_EQ(h.seen, Lines{});
    EXPECT_TRUE(p.focused());
    KeyArray keys;
    EXPECT_FALSE(p.readKeyboard(keys));
    MouseSnapshot mouse;
    EXPECT_FALSE(p.readMouse(mouse));
    p.destroyMainWindow(); // a second destroy posts nothing
    EXPECT_FALSE(p.pumpEvents(h));
}

TEST(HeadlessPlatform, FocusOutNotifiesOnceAndReadsFailUntilFocusReturns) {
    HeadlessPlatform p(configFor("10 focus out\n20 focus out\n30 focus in\n40 focus in", 10));
    openWindow(p);
    RecordingHandler h;
    KeyArray keys;
    MouseSnapshot mouse;
    std::vector<bool> readable;
    for (int i = 0; i < 5; ++i) { // at 0, 10, 20, 30, 40 ms
        p.pumpEvents(h);
        bool k = p.readKeyboard(keys);
        EXPECT_EQ(p.readMouse(mouse), k);
        EXPECT_EQ(p.focused(), k);
        readable.push_back(k);
    }
    EXPECT_EQ(readable, (std::vector<bool>{true, false, false, true, true}));
    EXPECT_EQ(h.seen, (Lines{"inactive", "active"}));
}

} // namespace
} // namespace vura
