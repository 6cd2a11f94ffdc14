// The real window, looked at from outside through X11. Runs inside its own Xvfb server.

#include "base/sjis.hpp"
#include "platform/sdl_platform.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

// X11 last: its headers define macros (None, FocusIn, ...) that clash with ordinary names.
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

namespace vura {
namespace {

class NullHandler : public WindowEventHandler {
public:
    void OnClose() override { ++closes; }
    void OnActivateApp(bool) override {}
    void OnMouseMove(int, int) override { ++moves; }
    void OnMove(int, int) override {}
    void OnPaint() override {}
    int closes = 0;
    int moves = 0;
};

struct X11Window {
    X11Window() : display(XOpenDisplay(nullptr)) {}
    ~X11Window() {
        if (display)
            XCloseDisplay(display);
    }
    std::string netWmName(Window w) {
        Atom name = XInternAtom(display, "_NET_WM_NAME", False);
        Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        std::string result;
        if (XGetWindowProperty(display, w, name, 0, 1024, False, utf8, &type, &format, &items,
                               &after, &data) == Success &&
            data) {
            result.assign(reinterpret_cast<char*>(data), items);
            XFree(data);
        }
        return result;
    }
    std::string resClass(Window w) {
        XClassHint hint{};
        std::string result;
        if (XGetClassHint(display, w, &hint)) {
            result = hint.res_class ? hint.res_class : "";
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        return result;
    }
    Display* display;
};

// Pumps events for a while so the window system catches up with what was asked of it.
void settle(SdlPlatform& platform, NullHandler& handler) {
    for (int i = 0; i < 50; ++i) {
        platform.pumpEvents(handler);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// A 640 x 480 main window, open and settled, for the tests that start from one.
struct OpenWindow : ::testing::Test {
    void SetUp() override {
        ASSERT_NE(x.display, nullptr) << "no X display";
        ASSERT_TRUE(platform.registerWindowClass("VURA"));
        ASSERT_TRUE(platform.openMainWindow("x", 640, 480));
        settle(platform, handler);
        window = static_cast<Window>(platform.nativeWindowId());
    }
    X11Window x;
    SdlPlatform platform;
    NullHandler handler;
    Window window = 0;
};

TEST(SdlWindow, OpensWithClientAreaCaptionClassAndPicture) {
    X11Window x;
    ASSERT_NE(x.display, nullptr) << "no X display";
    SdlPlatform platform;
    NullHandler handler;
    ASSERT_TRUE(platform.registerWindowClass("VURA"));
    ASSERT_TRUE(platform.openMainWindow(sjis("RO-VivereVirezo ver1.0"), 640, 480));
    settle(platform, handler);
    auto window = static_cast<Window>(platform.nativeWindowId());
    ASSERT_NE(window, 0u);

    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(x.display, window, &attributes));
    EXPECT_EQ(attributes.width, 640);
    EXPECT_EQ(attributes.height, 480);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_EQ(x.resClass(window), "VURA");
    EXPECT_EQ(x.netWmName(window), "RO-VivereVirezo ver1.0");

    // A Japanese caption arrives as UTF-8.
    platform.setCaption(sjis("体験版"));
    settle(platform, handler);
    EXPECT_EQ(x.netWmName(window), "体験版");

    // Present a picture: left half pure red, right half pure blue; read it back.
    std::vector<std::uint8_t> pixels(1920 * 480);
    for (int y = 0; y < 480; ++y)
        for (int px = 0; px < 640; ++px) {
            std::uint8_t* p = &pixels[static_cast<std::size_t>(479 - y) * 1920 + px * 3];
            p[0] = px < 320 ? 0 : 255;
            p[2] = px < 320 ? 255 : 0;
        }
    platform.present({pixels.data(), 640, 480, 1920}, {0, 0, 640, 480});
    settle(platform, handler);
    XImage* image = XGetImage(x.display, window, 0, 0, 640, 480, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    unsigned long left = XGetPixel(image, 100, 240);
    unsigned long right = XGetPixel(image, 500, 240);
    XDestroyImage(image);
    EXPECT_EQ(left & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(right & 0xFFFFFF, 0x0000FFu);

    platform.destroyMainWindow();
    EXPECT_TRUE(platform.pumpEvents(handler));
    EXPECT_FALSE(platform.pumpEvents(handler));
}

TEST(SdlWindow, ScaledWindowKeepsThePictureInClientCoordinates) {
    X11Window x;
    ASSERT_NE(x.display, nullptr);
    SdlPlatform platform(SdlConfig{2});
    NullHandler handler;
    ASSERT_TRUE(platform.registerWindowClass("VURA"));
    ASSERT_TRUE(platform.openMainWindow("x", 640, 480));
    settle(platform, handler);
    auto window = static_cast<Window>(platform.nativeWindowId());
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(x.display, window, &attributes));
    EXPECT_EQ(attributes.width, 1280);
    EXPECT_EQ(attributes.height, 960);

    // One white pixel at (10, 20) becomes a 2 x 2 block at (20, 40).
    std::vector<std::uint8_t> pixels(1920 * 480);
    std::uint8_t* p = &pixels[static_cast<std::size_t>(479 - 20) * 1920 + 10 * 3];
    p[0] = p[1] = p[2] = 255;
    platform.present({pixels.data(), 640, 480, 1920}, {0, 0, 640, 480});
    settle(platform, handler);
    XImage* image = XGetImage(x.display, window, 0, 0, 1280, 960, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 20, 40) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(XGetPixel(image, 21, 41) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(XGetPixel(image, 22, 40) & 0xFFFFFF, 0u);
    XDestroyImage(image);
}

// Full screen covers the display, with a window manager (x11.SdlWindowUnderOpenbox) and
// without one (x11.SdlWindow, a bare server), and leaving it brings the window back. The
// 1280 x 1024 display shows the picture twice as large between 32-pixel bars.
TEST_F(OpenWindow, FullScreenCoversTheDisplayAndLeavingRestoresTheWindow) {
    std::vector<std::uint8_t> pixels(1920 * 480, 255); // white
    platform.present({pixels.data(), 640, 480, 1920}, {0, 0, 640, 480});

    ASSERT_TRUE(platform.setFullScreen(true));
    XWindowAttributes a{};
    for (int i = 0; i < 20 && XGetWindowAttributes(x.display, window, &a) && a.width != 1280; ++i)
        settle(platform, handler);
    EXPECT_EQ(a.width, 1280);
    EXPECT_EQ(a.height, 1024);
    settle(platform, handler);
    XImage* image = XGetImage(x.display, window, 0, 0, 1280, 1024, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 640, 16) & 0xFFFFFF, 0u);          // the bar above
    EXPECT_EQ(XGetPixel(image, 0, 32) & 0xFFFFFF, 0xFFFFFFu);     // the picture's corner
    EXPECT_EQ(XGetPixel(image, 1279, 991) & 0xFFFFFF, 0xFFFFFFu); // and the opposite one
    EXPECT_EQ(XGetPixel(image, 640, 1010) & 0xFFFFFF, 0u);        // the bar below
    XDestroyImage(image);

    ASSERT_TRUE(platform.setFullScreen(false));
    for (int i = 0; i < 20 && XGetWindowAttributes(x.display, window, &a) && a.width != 640; ++i)
        settle(platform, handler);
    EXPECT_EQ(a.width, 640);
    EXPECT_EQ(a.height, 480);
}

TEST(SdlWindow, PresentUploadsOnlyTheRectangleAskedFor) {
    X11Window x;
    ASSERT_NE(x.display, nullptr);
    SdlPlatform platform;
    NullHandler handler;
    ASSERT_TRUE(platform.registerWindowClass("VURA"));
    ASSERT_TRUE(platform.openMainWindow("x", 640, 480));
    std::vector<std::uint8_t> green(1920 * 480);
    for (std::size_t i = 1; i < green.size(); i += 3)
        green[i] = 255;
    platform.present({green.data(), 640, 480, 1920}, {100, 100, 50, 50});
    settle(platform, handler);
    auto window = static_cast<Window>(platform.nativeWindowId());
    XImage* image = XGetImage(x.display, window, 0, 0, 640, 480, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 120, 120) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(XGetPixel(image, 99, 120) & 0xFFFFFF, 0u);
    EXPECT_EQ(XGetPixel(image, 120, 150) & 0xFFFFFF, 0u);
    XDestroyImage(image);
}

class CountingSource : public AudioSource {
public:
    void mixAudio(std::int16_t* out, std::size_t n, bool deterministic) override {
        std::fill(out, out + 2 * n, std::int16_t{0});
        frames += n;
        if (deterministic)
            sawDeterministic = true;
    }
    std::atomic<std::size_t> frames{0};
    std::atomic<bool> sawDeterministic{false};
};

// Waits up to 2 s for the source to be pulled.
bool pulled(CountingSource& source) {
    for (int i = 0; i < 200 && source.frames == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return source.frames > 0;
}

// An idle engine sleeps in pumpEvents for as long as it asked, but an event arriving in the
// meantime ends the sleep at once and is handled in the same call.
TEST_F(OpenWindow, EventWaitSleepsUntilAnEventArrives) {
    using Clock = std::chrono::steady_clock;
    auto elapsedMs = [](Clock::time_point since) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
    };

    // A late event of the window's own may end one wait early; one of a few must last.
    bool slept = false;
    for (int attempt = 0; attempt < 5 && !slept; ++attempt) {
        platform.setEventWait(80);
        const auto begin = Clock::now();
        platform.pumpEvents(handler);
        slept = elapsedMs(begin) >= 70;
    }
    EXPECT_TRUE(slept);

    std::thread mover([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        X11Window other;
        XWarpPointer(other.display, 0, window, 0, 0, 0, 0, 100, 100);
        XFlush(other.display);
    });
    platform.setEventWait(3000);
    const auto start = Clock::now();
    while (handler.moves == 0 && elapsedMs(start) < 3000)
        platform.pumpEvents(handler);
    mover.join();
    EXPECT_GT(handler.moves, 0);
    EXPECT_LT(elapsedMs(start), 1000);
}

TEST(SdlAudio, PullsInRealTimeAndStopsWhenDestroyed) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlPlatform platform;
    CountingSource source;
    auto output = platform.openAudio(source);
    ASSERT_NE(output, nullptr);
    CountingSource other;
    EXPECT_EQ(platform.openAudio(other), nullptr);
    ASSERT_TRUE(pulled(source));
    EXPECT_EQ(source.frames % 1024, 0u); // whole 1024-frame buffers
    EXPECT_FALSE(source.sawDeterministic);
    output.reset();
    std::size_t after = source.frames;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(source.frames, after);

    // Without any usable driver the output falls back to the dummy one and still pulls.
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    CountingSource fallback;
    output = platform.openAudio(fallback);
    ::unsetenv("SDL_AUDIODRIVER");
    ASSERT_NE(output, nullptr);
    EXPECT_TRUE(pulled(fallback));
}

} // namespace
} // namespace vura
