#include "platform/display_mode.hpp"

namespace vura {

DisplayMode::~DisplayMode() {
    if (isFullScreen)
        LeaveFullScreen();
}

bool DisplayMode::EnterFullScreen(int /*width*/, int /*height*/) {
    if (isFullScreen)
        return true;
    if (!platform_.setFullScreen(true)) {
        lastResult = -1;
        return false;
    }
    lastResult = 0;
    isFullScreen = true;
    return true;
}

void DisplayMode::LeaveFullScreen() {
    isFullScreen = false;
    platform_.setFullScreen(false);
}

} // namespace vura
