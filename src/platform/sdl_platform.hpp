#pragma once
// The SDL2 backend: a real window drawn through an SDL renderer, input from SDL's events, sound
// through SDL's audio device, the system's clocks. This header does not include SDL; only
// sdl_platform.cpp does.

#include "platform/device_state.hpp"
#include "platform/platform.hpp"
#include "platform/sdl_panel.hpp"

#include <cstdint>
#include <memory>
#include <optional>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace vura {

struct SdlConfig {
    int scale = 1; // the window opens at this many times 640 x 480
};

class SdlPlatform final : public Platform {
public:
    explicit SdlPlatform(SdlConfig config = {});
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;
    ~SdlPlatform() override;

    std::uint32_t milliseconds() override;
    std::optional<std::int64_t> performanceFrequency() override;
    std::int64_t performanceCounter() override;
    std::int64_t calendarTime() override;
    LocalTime localTime() override;

    bool registerWindowClass(std::string_view className) override;
    bool openMainWindow(std::string_view captionSjis, int clientWidth, int clientHeight) override;
    bool hasMainWindow() const override { return window_ != nullptr; }
    void showMainWindow() override;
    void setCaption(std::string_view captionSjis) override;
    void present(const BgrImageView& screen, const Rect& area) override;
    bool setFullScreen(bool on) override;
    void destroyMainWindow() override;
    bool pumpEvents(WindowEventHandler& handler) override;
    void setEventWait(int ms) override { eventWaitMs_ = ms < 1 ? 1 : ms; }
    bool readKeyboard(KeyArray& keys) override;
    bool readMouse(MouseSnapshot& mouse) override;
    MessageBoxAnswer messageBox(BoxOwner owner, std::string_view textSjis,
                                std::string_view captionSjis, MessageBoxButtons buttons) override;
    void shellOpen(std::string_view target) override;
    std::unique_ptr<AudioOutput> openAudio(AudioSource& source) override;
    void setBoxPainter(BoxPainter* painter) override { painter_ = painter; }
    PanelSurface* mainPanelSurface() override;

    // The X11 window id of the main window (0 without one or on another window system), for
    // tests that look at the window from outside.
    std::uint64_t nativeWindowId() const;

private:
    struct AudioDevice; // the open sound device, shared by the output and the platform
    class Output;

    void handleEvent(const SDL_Event& event, WindowEventHandler& handler);
    void holdButton(std::uint8_t sdlButton, bool down);
    void releaseCapture();
    void renderFrame();
    void updateScaleMode();
    void coverDisplayWithoutWindowManager();
    void restoreAfterCovering();
    MessageBoxAnswer systemMessageBox(BoxOwner owner, std::string_view textSjis,
                                      std::string_view captionSjis, MessageBoxButtons buttons);

    SdlConfig config_;
    bool videoReady_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    bool focused_ = false;
    bool quitPosted_ = false;
    int eventWaitMs_ = 1; // for the next pumpEvents only
    // Where the window was before the engine itself laid it over the display (no window
    // manager granted full screen).
    std::optional<Rect> covered_;
    DeviceState devices_;
    // The SDL buttons held down, one bit each, while the mouse is captured.
    unsigned heldButtons_ = 0;
    std::shared_ptr<AudioDevice> audio_;
    bool audioStarted_ = false; // SDL's sound subsystem was started here, and is quit at the end
    BoxPainter* painter_ = nullptr;
    std::unique_ptr<SdlPanelSurface> mainPanel_;
};

} // namespace vura
