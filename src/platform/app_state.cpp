#include "platform/app_state.hpp"

#include "base/sjis.hpp"

namespace vura {

AppState::~AppState() {
    if (platform_.hasMainWindow())
        platform_.destroyMainWindow();
}

WindowCreation AppState::CreateMainWindow(std::string_view captionSjis) {
    if (!platform_.registerWindowClass(kClassName))
        return WindowCreation::ClassNotRegistered;
    if (!platform_.openMainWindow(captionSjis, width, height))
        return WindowCreation::WindowNotCreated;
    caption = captionSjis;
    // A newly shown top-level window is the active one, as it would be on a desktop that hands
    // the focus to new windows; focus events correct this from then on.
    active = true;
    return WindowCreation::Ok;
}

void AppState::DestroyMainWindow() {
    platform_.destroyMainWindow();
}

void AppState::OnClose() {
    MessageBoxAnswer answer =
        platform_.messageBox(BoxOwner::MainWindow, sjis("終了します。よろしいですか？"),
                             sjis("終了確認"), MessageBoxButtons::YesNo);
    if (answer == MessageBoxAnswer::Yes)
        DestroyMainWindow();
}

void AppState::OnActivateApp(bool isActive) {
    active = isActive;
}

void AppState::OnMouseMove(int newX, int newY) {
    previousMouseX = mouseX;
    previousMouseY = mouseY;
    mouseX = newX;
    mouseY = newY;
}

void AppState::OnMove(int originX, int originY) {
    clientOriginX = originX;
    clientOriginY = originY;
}

void AppState::OnPaint() {
    if (paintScreen)
        paintScreen();
}

void SetWindowMode(Platform& platform, AppState& app, DisplayMode& display, bool fullScreen) {
    if (fullScreen == display.isFullScreen) {
        platform.showMainWindow();
        return;
    }
    if (fullScreen) {
        if (!display.EnterFullScreen(640, 480))
            display.LeaveFullScreen();
    } else {
        display.LeaveFullScreen();
    }
    app.width = 640;
    app.height = 480;
}

} // namespace vura
