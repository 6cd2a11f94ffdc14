#pragma once
// The one interface between the engine and the operating system. Two backends implement it:
// SdlPlatform (a real window, sound and input through SDL2) and HeadlessPlatform (no window,
// a virtual clock and input from a script). Only files in src/platform include SDL.

#include "base/rect.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vura {

// Time as the engine reads it: a millisecond clock (wrapping at 2^32 like timeGetTime) and a
// high-resolution counter. Both advance together.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t milliseconds() = 0;
    // Counter ticks per second, or nothing when the system has no high-resolution counter.
    virtual std::optional<std::int64_t> performanceFrequency() = 0;
    virtual std::int64_t performanceCounter() = 0;
};

// A 24-bit picture as the engine stores it: blue, green, red bytes, rows bottom-up, `pitch`
// bytes from one stored row to the next.
struct BgrImageView {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;

    // First byte of picture row y (0 is the top row).
    const std::uint8_t* row(int y) const {
        return pixels + static_cast<std::ptrdiff_t>(height - 1 - y) * pitch;
    }
};

// Keyboard state indexed by DirectInput key code; bit 0x80 means the key is down.
using KeyArray = std::array<std::uint8_t, 256>;

struct MouseSnapshot {
    std::int32_t wheel = 0;                // movement since the previous read, 120 per notch
    std::array<std::uint8_t, 4> buttons{}; // bit 0x80: down; 0 left, 1 right, 2 middle, 3 x1
};

// A moment of the local clock, broken down.
struct LocalTime {
    int year = 0;
    int month = 0;   // 1 to 12
    int day = 0;     // 1 to 31
    int weekday = 0; // 0 is Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
};

enum class MessageBoxButtons { Ok, YesNo };
enum class MessageBoxAnswer { Ok, Yes, No };
enum class BoxOwner { NoWindow, MainWindow };

// Receives what happens to the main window while events are pumped; AppState implements it.
class WindowEventHandler {
public:
    virtual ~WindowEventHandler() = default;
    virtual void OnClose() = 0;                  // the title bar's close button
    virtual void OnActivateApp(bool active) = 0; // focus gained or lost
    virtual void OnMouseMove(int x, int y) = 0;  // client coordinates, 640 x 480
    virtual void OnMove(int clientOriginX, int clientOriginY) = 0;
    virtual void OnPaint() = 0; // the window needs its picture again
};

// Sound output runs at one fixed format: 44100 frames a second, each a signed 16-bit left and
// right sample.
inline constexpr int kAudioOutputRate = 44100;
inline constexpr int kAudioOutputChannels = 2;

// What the sound output pulls its frames from: the engine's mixer.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Writes `frames` frames (2 x frames samples, left first) to `out`. The real backend calls
    // this from its own sound thread as the device asks for more; the headless backend calls it
    // on the main thread as its virtual clock advances, with `deterministic` set: the source may
    // then wait for its own helper threads, so that every run gives the same sound.
    virtual void mixAudio(std::int16_t* out, std::size_t frames, bool deterministic) = 0;
};

// An open sound output. It pulls from its source until it is destroyed; once the destructor
// has returned, the source is never called again.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
};

// The keys a modal panel (a message box or the name dialog drawn by the engine) acts on.
enum class PanelKey {
    Other,
    Return,
    Escape,
    Tab,
    Space,
    Backspace,
    Delete,
    Left,
    Right,
    Up,
    Down,
    Home,
    End
};

// What reaches a modal panel while it is open.
struct PanelEvent {
    enum class Kind { Key, MouseMove, MouseDown, MouseUp, Text, Editing, Close, Redraw };
    Kind kind = Kind::Redraw;
    PanelKey key = PanelKey::Other; // Key
    bool shift = false;             // Key: a Shift key is held
    int x = 0;                      // mouse events: client coordinates
    int y = 0;
    int button = 0;       // MouseDown, MouseUp: 0 left, 1 right
    std::string text;     // Text: typed or committed (UTF-8); Editing: the composition (UTF-8)
    int cursor = 0;       // Editing: the caret, in characters of the composition
    std::uint32_t ms = 0; // when it happened, on the platform's millisecond clock
};

// Where a modal panel is drawn and takes its input from: the main window (the panel over the
// game's picture) or a small window of the panel's own.
class PanelSurface {
public:
    virtual ~PanelSurface() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Shows the whole picture, width() x height().
    virtual void show(const BgrImageView& picture) = 0;
    // The next event, waiting for one up to timeoutMs; false when none came.
    virtual bool nextEvent(PanelEvent& event, int timeoutMs) = 0;
    // Typed text through the desktop's input method (Text and Editing events) while on, its
    // candidate window beside `caret` (client coordinates).
    virtual void textInput(bool on, const Rect& caret) = 0;
};

// Draws message boxes in the engine's look for a backend that shows them itself.
class BoxPainter {
public:
    virtual ~BoxPainter() = default;
    // The size a box needs as a window of its own.
    virtual void boxSize(std::string_view textSjis, std::string_view captionSjis,
                         MessageBoxButtons buttons, int& width, int& height) = 0;
    // Shows the box until it is answered: over the picture the surface shows, or, with
    // `ownWindow`, filling a window of its own.
    virtual MessageBoxAnswer runBox(PanelSurface& surface, bool ownWindow,
                                    std::string_view textSjis, std::string_view captionSjis,
                                    MessageBoxButtons buttons) = 0;
};

// One press of the name dialog's OK button as an input script gives it.
struct NameAnswer {
    std::string family;    // UTF-8
    std::string given;     // UTF-8
    bool defaults = false; // the defaults button was pressed first: the fields hold the defaults
};

// Breaks a calendar time down in the local time zone, or in UTC.
LocalTime brokenDownTime(std::int64_t calendarTime, bool local);

class Platform : public Clock {
public:
    // Seconds since 1970-01-01 UTC: the calendar time.
    virtual std::int64_t calendarTime() = 0;
    // The local date and time now.
    virtual LocalTime localTime() = 0;

    // Prepares the window system for windows of this class (the X11 window class under SDL).
    virtual bool registerWindowClass(std::string_view className) = 0;
    // Opens the main window with a client area of clientWidth x clientHeight, centred on the
    // desktop, and shows it.
    virtual bool openMainWindow(std::string_view captionSjis, int clientWidth,
                                int clientHeight) = 0;
    virtual bool hasMainWindow() const = 0;
    virtual void showMainWindow() = 0;
    virtual void setCaption(std::string_view captionSjis) = 0;
    // Shows the given rectangle of the picture at the same place in the client area.
    virtual void present(const BgrImageView& screen, const Rect& area) = 0;
    // Switches between the window and full screen; false when full screen cannot be entered.
    virtual bool setFullScreen(bool on) = 0;
    // Destroys the main window and posts the quit, which the next pumpEvents reports.
    virtual void destroyMainWindow() = 0;
    // Takes every waiting event and hands it to the handler; returns true once the quit posted
    // by destroyMainWindow has been taken. When no event is waiting it may first wait for one,
    // up to the time set by setEventWait.
    virtual bool pumpEvents(WindowEventHandler& handler) = 0;
    // The longest the next pumpEvents waits for an event when none is waiting (at least 1 ms).
    // A backend on a virtual clock never waits.
    virtual void setEventWait(int /*ms*/) {}

    // Read the devices; false when they cannot be read (the window does not have the focus).
    virtual bool readKeyboard(KeyArray& keys) = 0;
    virtual bool readMouse(MouseSnapshot& mouse) = 0;

    virtual MessageBoxAnswer messageBox(BoxOwner owner, std::string_view textSjis,
                                        std::string_view captionSjis,
                                        MessageBoxButtons buttons) = 0;
    // Opens a file or an address with the desktop's default program.
    virtual void shellOpen(std::string_view target) = 0;

    // True for a backend whose clock is virtual (headless): everything must then repeat exactly,
    // so nothing may run on threads of its own pace.
    virtual bool runsOnVirtualClock() const { return false; }

    // The engine's painter for message boxes, for a backend that draws them (SDL); null goes
    // back to the backend's own way.
    virtual void setBoxPainter(BoxPainter* /*painter*/) {}
    // The main window as a surface for a modal panel; null without one (headless, or before
    // the window opens).
    virtual PanelSurface* mainPanelSurface() { return nullptr; }
    // A backend that plays the player from a script (headless) answers the name dialog from it.
    virtual bool scriptsNameEntry() const { return false; }
    // The script's next press of OK; nothing when it holds no more.
    virtual std::optional<NameAnswer> nextNameAnswer() { return std::nullopt; }

    // Starts the sound output, pulling from `source` (kAudioOutputRate, stereo, 16 bits).
    // Null when no output can be opened. At most one output is open at a time.
    virtual std::unique_ptr<AudioOutput> openAudio(AudioSource& source) = 0;
};

} // namespace vura
