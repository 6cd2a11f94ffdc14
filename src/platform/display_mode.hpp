#pragma once
// Full screen and back. Full screen keeps the 640 x 480 picture with its aspect ratio, scaled
// to the display the window is on and letterboxed; the display's own resolution never changes.

#include "platform/platform.hpp"

namespace vura {

class DisplayMode {
public:
    explicit DisplayMode(Platform& platform) : platform_(platform) {}
    DisplayMode(const DisplayMode&) = delete;
    DisplayMode& operator=(const DisplayMode&) = delete;
    // Leaves full screen when it is on.
    ~DisplayMode();

    bool EnterFullScreen(int width, int height);
    void LeaveFullScreen();

    bool isFullScreen = false;
    int lastResult = 0; // 0 after a successful change, -1 after a refused one

private:
    Platform& platform_;
};

} // namespace vura
