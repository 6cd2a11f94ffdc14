#include "platform/sdl_platform.hpp"

#include "base/sjis.hpp"
#include "platform/headless_platform.hpp"
#include "platform/key_codes.hpp"
#include "platform/pixel_convert.hpp"
#include "platform/sdl_input.hpp"
#include "platform/window_icon.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

// SDL last: its X11 headers define macros (FocusIn, FocusOut, ...) that clash with our names.
// clang-format off
#include <SDL.h>
#include <SDL_syswm.h>
// clang-format on

namespace vura {

namespace {

// The sound device's thread asks for more frames here.
void SDLCALL pullAudio(void* userdata, Uint8* stream, int len) {
    auto* source = static_cast<AudioSource*>(userdata);
    std::size_t frames =
        static_cast<std::size_t>(len) / (sizeof(std::int16_t) * kAudioOutputChannels);
    source->mixAudio(reinterpret_cast<std::int16_t*>(stream), frames, false);
}

// The default output device at our format, 1024-frame buffers (23 ms), paused; 0 on failure.
SDL_AudioDeviceID openDefaultAudioDevice(AudioSource& source) {
    SDL_AudioSpec want{};
    want.freq = kAudioOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = kAudioOutputChannels;
    want.samples = 1024;
    want.callback = pullAudio;
    want.userdata = &source;
    SDL_AudioSpec have{};
    // No changes allowed: when the device runs at another rate or format, SDL converts, and the
    // callback always sees 44100 Hz 16-bit stereo.
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

// True when the renderer draws through an OpenGL that rasterizes on the processor (Mesa's
// llvmpipe or softpipe: no GPU, as under Xvfb or on a remote desktop).
bool rendersOnTheProcessor(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name ||
        std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned int kGlRenderer = 0x1F01;
    const unsigned char* name = getString ? getString(kGlRenderer) : nullptr;
    if (!name)
        return false;
    const std::string text(reinterpret_cast<const char*>(name));
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (text.find(software) != std::string::npos)
            return true;
    return false;
}

#if defined(SDL_VIDEO_DRIVER_X11)
// The X11 connection and window behind an SDL window; nothing on another window system.
struct X11Handles {
    Display* display = nullptr;
    ::Window window = 0;
};

std::optional<X11Handles> x11Handles(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return std::nullopt;
    return X11Handles{info.info.x11.display, info.info.x11.window};
}
#endif

// Whether this process can reach a GPU at all: a render node, or NVIDIA's own device. Without
// one, OpenGL could only be Mesa's rasterizer on the processor, and loading it to ask would
// cost start-up time for nothing.
bool gpuReachable() {
    std::error_code ec;
    if (std::filesystem::exists("/dev/nvidiactl", ec))
        return true;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ec))
        if (entry.path().filename().string().starts_with("renderD"))
            return true;
    return false;
}

// The window's renderer, without vertical sync: presenting must never block the tick, which
// paces itself. A GPU's renderer where there is one. Where OpenGL would rasterize on the
// processor, SDL's own software renderer costs far less for the same frames (a crossfade under
// Xvfb takes a third of the time): it composes in memory and hands the frame to the X server
// through shared memory, once the window's framebuffer is no longer emulated with OpenGL. A
// renderer named in SDL_RENDER_DRIVER is taken as it is.
SDL_Renderer* createRenderer(SDL_Window* window) {
    if (const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER); chosen && *chosen)
        return SDL_CreateRenderer(window, -1, 0);
    if (gpuReachable()) {
        if (SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED)) {
            if (!rendersOnTheProcessor(renderer))
                return renderer;
            SDL_DestroyRenderer(renderer);
        }
    }
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    return SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
}

} // namespace

// The open device. close() may be called twice: by the output's destructor and by the
// platform's, whichever comes first.
struct SdlPlatform::AudioDevice {
    SDL_AudioDeviceID id = 0;

    void close() {
        if (id != 0) {
            // Waits for a callback in progress; none comes after.
            SDL_CloseAudioDevice(id);
            id = 0;
        }
    }
};

class SdlPlatform::Output final : public AudioOutput {
public:
    explicit Output(std::shared_ptr<AudioDevice> device) : device_(std::move(device)) {}
    ~Output() override { device_->close(); }

private:
    std::shared_ptr<AudioDevice> device_;
};

SdlPlatform::SdlPlatform(SdlConfig config) : config_(config) {
    if (config_.scale < 1)
        config_.scale = 1;
}

SdlPlatform::~SdlPlatform() {
    // An output still open stops pulling before SDL shuts down under it.
    if (audio_)
        audio_->close();
    if (audioStarted_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    destroyMainWindow();
    if (videoReady_)
        SDL_Quit();
}

std::uint32_t SdlPlatform::milliseconds() {
    return SDL_GetTicks();
}

std::optional<std::int64_t> SdlPlatform::performanceFrequency() {
    Uint64 f = SDL_GetPerformanceFrequency();
    if (f == 0)
        return std::nullopt;
    return static_cast<std::int64_t>(f);
}

std::int64_t SdlPlatform::performanceCounter() {
    return static_cast<std::int64_t>(SDL_GetPerformanceCounter());
}

std::int64_t SdlPlatform::calendarTime() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

LocalTime SdlPlatform::localTime() {
    return brokenDownTime(calendarTime(), true);
}

bool SdlPlatform::registerWindowClass(std::string_view className) {
    if (videoReady_)
        return true;
    // SDL reads the X11 window class from the environment when it starts its video driver.
    ::setenv("SDL_VIDEO_X11_WMCLASS", std::string(className).c_str(), 1);
    SDL_SetHint(SDL_HINT_APP_NAME, std::string(className).c_str());
    // The close button asks the engine first; SDL must not quit by itself.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A click that brings the window to the front reaches the game too, as on the desktop the
    // games were made for.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // The name dialog types through the desktop's input method: its candidate window is shown,
    // and long compositions arrive whole.
    SDL_SetHint(SDL_HINT_IME_SHOW_UI, "1");
    SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
    // With no display SDL would fall back to a driver that draws nowhere, and a player would
    // wait for a window that never appears. Other drivers (a console's) are used when asked
    // for by SDL_VIDEODRIVER.
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
        std::cerr << "vura: no display to open a window on (DISPLAY and WAYLAND_DISPLAY are "
                     "unset); use --headless, or run under xvfb-run\n";
        return false;
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::cerr << "vura: cannot start the window system: " << SDL_GetError()
                  << " (use --headless, or run under xvfb-run)\n";
        return false;
    }
    videoReady_ = true;
    return true;
}

bool SdlPlatform::openMainWindow(std::string_view captionSjis, int clientWidth, int clientHeight) {
    if (!videoReady_ || window_)
        return false;
    width_ = clientWidth;
    height_ = clientHeight;
    window_ = SDL_CreateWindow(cp932ToUtf8(captionSjis).c_str(), SDL_WINDOWPOS_CENTERED,
                               SDL_WINDOWPOS_CENTERED, clientWidth * config_.scale,
                               clientHeight * config_.scale, SDL_WINDOW_HIDDEN);
    if (!window_) {
        std::cerr << "vura: cannot create the window: " << SDL_GetError() << '\n';
        return false;
    }
    renderer_ = createRenderer(window_);
    if (renderer_) {
        SDL_RenderSetLogicalSize(renderer_, clientWidth, clientHeight);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                     SDL_TEXTUREACCESS_STREAMING, clientWidth, clientHeight);
        // The picture is opaque: copied, never blended (a format with alpha would blend).
        if (texture_)
            SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    }
    if (!renderer_ || !texture_) {
        std::cerr << "vura: cannot draw into the window: " << SDL_GetError() << '\n';
        destroyMainWindow();
        quitPosted_ = false;
        return false;
    }
    std::vector<std::uint32_t> icon = windowIconPixels();
    if (SDL_Surface* s =
            SDL_CreateRGBSurfaceWithFormatFrom(icon.data(), kWindowIconSize, kWindowIconSize, 32,
                                               kWindowIconSize * 4, SDL_PIXELFORMAT_ARGB8888)) {
        SDL_SetWindowIcon(window_, s);
        SDL_FreeSurface(s);
    }
    // Typed text is asked for only by the name-entry dialog.
    SDL_StopTextInput();
    updateScaleMode();
    // The new window starts black.
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) == 0) {
        for (int y = 0; y < clientHeight; ++y)
            std::memset(static_cast<std::uint8_t*>(pixels) + y * pitch, 0,
                        static_cast<std::size_t>(clientWidth) * 4);
        SDL_UnlockTexture(texture_);
    }
    SDL_ShowWindow(window_);
    renderFrame();
    focused_ = true;
    return true;
}

void SdlPlatform::showMainWindow() {
    if (window_)
        SDL_ShowWindow(window_);
}

void SdlPlatform::setCaption(std::string_view captionSjis) {
    if (window_)
        SDL_SetWindowTitle(window_, cp932ToUtf8(captionSjis).c_str());
}

void SdlPlatform::present(const BgrImageView& screen, const Rect& area) {
    if (!texture_ || !screen.pixels)
        return;
    Rect r = clipRect(area, std::min(width_, screen.width), std::min(height_, screen.height));
    if (r.width <= 0 || r.height <= 0)
        return;
    // Only the rectangle asked for is converted and uploaded; the texture keeps the rest.
    if (uploadToTexture(texture_, screen, r))
        renderFrame();
}

void SdlPlatform::renderFrame() {
    renderTexture(renderer_, texture_);
}

// Whole-number scales (a --scale window, a display of exactly twice 640 x 480) stay sharp with
// nearest-pixel scaling; any other scale is smoothed.
void SdlPlatform::updateScaleMode() {
    if (!renderer_ || !texture_)
        return;
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    double scale = std::min(static_cast<double>(w) / width_, static_cast<double>(h) / height_);
    bool whole = std::abs(scale - std::round(scale)) < 1e-9;
    SDL_SetTextureScaleMode(texture_, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
}

bool SdlPlatform::setFullScreen(bool on) {
    if (!window_)
        return false;
    // Full screen at the desktop's own resolution, with the picture scaled and letterboxed by
    // the renderer's logical size; leaving it restores the window's size and place.
    if (SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        return false;
    if (on)
        coverDisplayWithoutWindowManager();
    else
        restoreAfterCovering();
    updateScaleMode();
    renderFrame();
    return true;
}

// Full screen is a request to the window manager. Without one (a kiosk X session) nobody
// grants it: the window keeps its size while SDL scales the picture for the whole display,
// so only its middle would show. When the window's real size has not followed within a
// moment, the engine sizes and places it over the display itself, and puts it back on leaving.
void SdlPlatform::coverDisplayWithoutWindowManager() {
#if defined(SDL_VIDEO_DRIVER_X11)
    const std::optional<X11Handles> x11 = x11Handles(window_);
    SDL_Rect bounds{};
    if (!x11 || SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window_), &bounds) != 0)
        return;
    Display* display = x11->display;
    const ::Window window = x11->window;
    XWindowAttributes now{};
    for (int wait = 0; wait < 20; ++wait) {
        XSync(display, False);
        if (!XGetWindowAttributes(display, window, &now))
            return;
        if (now.width == bounds.w && now.height == bounds.h)
            return; // a window manager did it
        SDL_Delay(10);
    }
    ::Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    covered_ = Rect{x, y, now.width, now.height};
    XMoveResizeWindow(display, window, bounds.x, bounds.y, static_cast<unsigned>(bounds.w),
                      static_cast<unsigned>(bounds.h));
    XRaiseWindow(display, window);
    XSync(display, False);
#endif
}

void SdlPlatform::restoreAfterCovering() {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (!covered_)
        return;
    const Rect r = *covered_;
    covered_.reset();
    const std::optional<X11Handles> x11 = x11Handles(window_);
    if (!x11)
        return;
    XMoveResizeWindow(x11->display, x11->window, r.x, r.y, static_cast<unsigned>(r.width),
                      static_cast<unsigned>(r.height));
    XSync(x11->display, False);
#endif
}

PanelSurface* SdlPlatform::mainPanelSurface() {
    if (!window_)
        return nullptr;
    if (!mainPanel_)
        mainPanel_ =
            std::make_unique<SdlPanelSurface>(window_, renderer_, texture_, width_, height_);
    return mainPanel_.get();
}

void SdlPlatform::destroyMainWindow() {
    if (!window_)
        return;
    mainPanel_.reset();
    if (texture_)
        SDL_DestroyTexture(texture_);
    if (renderer_)
        SDL_DestroyRenderer(renderer_);
    SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    focused_ = false;
    devices_.clear();
    quitPosted_ = true;
}

bool SdlPlatform::pumpEvents(WindowEventHandler& handler) {
    // An interrupt that arrived while a panel was open ends the program now.
    if (mainPanel_ && mainPanel_->quitSeen())
        destroyMainWindow();
    if (videoReady_) {
        devices_.beginBatch();
        SDL_Event event;
        bool any = false;
        while (SDL_PollEvent(&event)) {
            any = true;
            handleEvent(event, handler);
        }
        // Nothing waiting: rest until an event arrives or the engine's next work is due. An
        // event ends the wait at once, so the pass that follows sees it without delay.
        const int waitMs = eventWaitMs_;
        eventWaitMs_ = 1;
        if (!any && window_ && SDL_WaitEventTimeout(&event, waitMs)) {
            handleEvent(event, handler);
            while (SDL_PollEvent(&event))
                handleEvent(event, handler);
        }
    }
    bool quit = quitPosted_;
    quitPosted_ = false;
    return quit;
}

// While a button is held the mouse is captured, so that a release outside the window (a drag
// off its edge) still arrives and no button stays held for ever.
void SdlPlatform::holdButton(std::uint8_t sdlButton, bool down) {
    const unsigned bit = 1u << (sdlButton & 31);
    const unsigned before = heldButtons_;
    heldButtons_ = down ? heldButtons_ | bit : heldButtons_ & ~bit;
    if (before == 0 && heldButtons_ != 0)
        SDL_CaptureMouse(SDL_TRUE);
    else if (before != 0 && heldButtons_ == 0)
        SDL_CaptureMouse(SDL_FALSE);
}

void SdlPlatform::releaseCapture() {
    if (heldButtons_ != 0)
        SDL_CaptureMouse(SDL_FALSE);
    heldButtons_ = 0;
}

void SdlPlatform::handleEvent(const SDL_Event& event, WindowEventHandler& handler) {
    switch (event.type) {
    case SDL_QUIT:
        // An interrupt or a session ending: quit as the engine's own quit does, without asking.
        destroyMainWindow();
        break;
    case SDL_WINDOWEVENT:
        if (!window_ || event.window.windowID != SDL_GetWindowID(window_))
            break;
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            handler.OnClose();
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (!focused_) {
                focused_ = true;
                handler.OnActivateApp(true);
            }
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (focused_) {
                focused_ = false;
                devices_.clear();
                releaseCapture();
                handler.OnActivateApp(false);
            }
            break;
        case SDL_WINDOWEVENT_MOVED:
            handler.OnMove(event.window.data1, event.window.data2);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            updateScaleMode();
            renderFrame();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            handler.OnPaint();
            renderFrame();
            break;
        default:
            break;
        }
        break;
    case SDL_MOUSEMOTION:
        // The renderer has already turned the position into 640 x 480 coordinates; positions
        // on the letterbox bars are outside the client area and are not reported.
        if (event.motion.x >= 0 && event.motion.y >= 0 && event.motion.x < width_ &&
            event.motion.y < height_)
            handler.OnMouseMove(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
        devices_.buttonDown(buttonIndexOf(event.button.button));
        holdButton(event.button.button, true);
        break;
    case SDL_MOUSEBUTTONUP:
        devices_.buttonUp(buttonIndexOf(event.button.button));
        holdButton(event.button.button, false);
        break;
    case SDL_MOUSEWHEEL: {
        int y = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            y = -y;
        devices_.addWheel(y * 120);
        break;
    }
    case SDL_KEYDOWN:
        if (std::uint8_t code = keyCodeOfScancode(event.key.keysym.scancode))
            devices_.keyDown(code);
        break;
    case SDL_KEYUP:
        if (std::uint8_t code = keyCodeOfScancode(event.key.keysym.scancode))
            devices_.keyUp(code);
        break;
    default:
        break;
    }
}

bool SdlPlatform::readKeyboard(KeyArray& keys) {
    if (!window_ || !focused_)
        return false;
    devices_.readKeys(keys);
    return true;
}

bool SdlPlatform::readMouse(MouseSnapshot& mouse) {
    if (!window_ || !focused_)
        return false;
    mouse = devices_.takeMouse();
    return true;
}

MessageBoxAnswer SdlPlatform::messageBox(BoxOwner owner, std::string_view textSjis,
                                         std::string_view captionSjis, MessageBoxButtons buttons) {
    if (!painter_)
        return systemMessageBox(owner, textSjis, captionSjis, buttons);
    MessageBoxAnswer answer;
    if (PanelSurface* panel = mainPanelSurface()) {
        // Drawn over the game's picture, which comes back when the box closes.
        answer = painter_->runBox(*panel, false, textSjis, captionSjis, buttons);
    } else {
        // Before the main window (a start that failed): the box goes to standard error, and
        // into a small window of its own when there is a display.
        int width = 0, height = 0;
        painter_->boxSize(textSjis, captionSjis, buttons, width, height);
        answer = buttons == MessageBoxButtons::YesNo ? MessageBoxAnswer::Yes : MessageBoxAnswer::Ok;
        if (videoReady_) {
            SdlPanelSurface own(cp932ToUtf8(captionSjis), width, height);
            if (own.ok())
                answer = painter_->runBox(own, true, textSjis, captionSjis, buttons);
        }
        std::cerr << formatMessageBoxLine({cp932ToUtf8(captionSjis), cp932ToUtf8(textSjis), answer})
                  << '\n';
    }
    devices_.clear();
    return answer;
}

// The window system's own box, when the engine has no painter installed.
MessageBoxAnswer SdlPlatform::systemMessageBox(BoxOwner owner, std::string_view textSjis,
                                               std::string_view captionSjis,
                                               MessageBoxButtons buttons) {
    std::string text = cp932ToUtf8(textSjis);
    std::string caption = cp932ToUtf8(captionSjis);
    std::string yes = cp932ToUtf8(sjis("はい"));
    std::string no = cp932ToUtf8(sjis("いいえ"));
    SDL_MessageBoxButtonData yesNo[2] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, yes.c_str()},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, no.c_str()},
    };
    SDL_MessageBoxButtonData ok[1] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1,
         "OK"},
    };
    bool isYesNo = buttons == MessageBoxButtons::YesNo;
    SDL_MessageBoxData data{};
    data.flags = (isYesNo ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_ERROR) |
                 SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    data.window = owner == BoxOwner::MainWindow ? window_ : nullptr;
    data.title = caption.c_str();
    data.message = text.c_str();
    data.numbuttons = isYesNo ? 2 : 1;
    data.buttons = isYesNo ? yesNo : ok;
    int pressed = -1;
    MessageBoxAnswer answer = isYesNo ? MessageBoxAnswer::Yes : MessageBoxAnswer::Ok;
    if (videoReady_ && SDL_ShowMessageBox(&data, &pressed) == 0) {
        if (isYesNo)
            answer = pressed == 0 ? MessageBoxAnswer::No : MessageBoxAnswer::Yes;
    } else {
        // Without a window system the box cannot be shown; it goes to standard error in the
        // headless form and takes its default answer.
        std::cerr << formatMessageBoxLine({caption, text, answer}) << '\n';
    }
    // The box swallowed the button and key releases; start again from a clean slate so the
    // click that closed it does not also reach the game.
    devices_.clear();
    return answer;
}

void SdlPlatform::shellOpen(std::string_view target) {
    if (SDL_OpenURL(std::string(target).c_str()) != 0)
        std::cerr << "vura: cannot open " << target << ": " << SDL_GetError() << '\n';
}

std::uint64_t SdlPlatform::nativeWindowId() const {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (const std::optional<X11Handles> x11 = x11Handles(window_))
        return static_cast<std::uint64_t>(x11->window);
#endif
    return 0;
}

std::unique_ptr<AudioOutput> SdlPlatform::openAudio(AudioSource& source) {
    if (audio_ && audio_->id != 0)
        return nullptr; // one output at a time
    auto device = std::make_shared<AudioDevice>();
    // SDL's sound subsystem starts with the first output and stays up until the platform ends:
    // looking for a driver and a device again for each output (a movie's, then the game's
    // again) would cost tens of milliseconds every time, the most where there is no device.
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        audioStarted_ = true;
    if (SDL_WasInit(SDL_INIT_AUDIO) != 0)
        device->id = openDefaultAudioDevice(source);
    if (device->id == 0) {
        // Servers and containers often have no sound device. SDL's dummy driver then takes the
        // frames and drops them, pulling at the device's pace, so the game's sound (and whatever
        // waits for it to end) keeps real time. It stays the driver for the rest of the run.
        std::cerr << "vura: no sound device (" << SDL_GetError() << "); playing silently\n";
        if (SDL_WasInit(SDL_INIT_AUDIO) != 0) {
            // Replaces the running driver; the subsystem stays started as it was.
            if (SDL_AudioInit("dummy") == 0)
                device->id = openDefaultAudioDevice(source);
        } else {
            // No driver started at all: start the subsystem with the dummy driver, which the
            // hint chooses over SDL_AUDIODRIVER too while it is set with this priority.
            SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
                audioStarted_ = true;
                device->id = openDefaultAudioDevice(source);
            }
            SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        }
    }
    if (device->id == 0) {
        device->close();
        return nullptr;
    }
    SDL_PauseAudioDevice(device->id, 0);
    audio_ = device;
    return std::make_unique<Output>(std::move(device));
}

} // namespace vura
