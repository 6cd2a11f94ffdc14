#pragma once
// The main window's record: whether the application is active, where the mouse is, and the
// window's answers to what happens to it (close, focus, moves, repaint).

#include "platform/display_mode.hpp"
#include "platform/platform.hpp"

#include <functional>
#include <string>
#include <string_view>

namespace vura {

class InputState;

enum class WindowCreation { Ok, ClassNotRegistered, WindowNotCreated };

class AppState final : public WindowEventHandler {
public:
    explicit AppState(Platform& platform) : platform_(platform) {}
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;
    // Destroys the window if it still exists.
    ~AppState() override;

    static constexpr const char* kClassName = "VURA";

    // Registers the window class and opens the 640 x 480 window centred on the desktop.
    WindowCreation CreateMainWindow(std::string_view captionSjis);
    void DestroyMainWindow();
    bool hasWindow() const { return platform_.hasMainWindow(); }

    // Asks "終了します。よろしいですか？"; Yes destroys the window (and so ends the program),
    // No leaves everything exactly as it was.
    void OnClose() override;
    // The tick runs only while the application is active.
    void OnActivateApp(bool isActive) override;
    void OnMouseMove(int x, int y) override;
    void OnMove(int clientOriginX, int clientOriginY) override;
    // Paints the screen surface into the window again.
    void OnPaint() override;

    int x = 0;
    int y = 0;
    int width = 640;
    int height = 480;
    std::string caption; // Shift-JIS

    bool active = false;
    int previousMouseX = 0;
    int previousMouseY = 0;
    int mouseX = 0;
    int mouseY = 0;
    int clientOriginX = 0;
    int clientOriginY = 0;
    InputState* input = nullptr;
    // Paints the whole screen surface into the window; set by start-up once the surfaces exist.
    std::function<void()> paintScreen;

private:
    Platform& platform_;
};

// Switches the main window to full screen or back to a window. Switching to the mode already in
// force only shows the window again. When full screen cannot be entered the window stays a
// window.
void SetWindowMode(Platform& platform, AppState& app, DisplayMode& display, bool fullScreen);

} // namespace vura
