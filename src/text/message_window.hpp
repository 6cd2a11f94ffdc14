#pragma once
// A message window: where its text goes on the screen, how it looks, and the layout operations
// that walk its text byte by byte, place each character with its shadow and report whether the
// character was drawn, whether a line break or a new page is needed, whether a control code was
// met, or whether the text is over. The message command decides when to show the result.

#include "base/rect.hpp"
#include "platform/frame_timer.hpp"
#include "platform/platform.hpp"
#include "text/glyph_renderer.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vura {

class Surface;
struct MessageWindow;

// Results of NextChar. A control code (1 to 31) is returned as itself, so code 1 asks for a line
// break and code 3 for a new page exactly as the fit results do, and code 2 asks for a click.
inline constexpr int kCharDrawn = 0;
inline constexpr int kCharNewLine = 1;
inline constexpr int kCharClickWait = 2;
inline constexpr int kCharPageFull = 3;
inline constexpr int kCharLastControlCode = 31;
inline constexpr int kCharEnd = 255;

// Results of NewLine.
inline constexpr int kLineStarted = 0;
inline constexpr int kLinePageFull = 1;

// Bytes a window's text holds, its terminating NUL included.
inline constexpr std::size_t kMessageTextCapacity = 1024;
inline constexpr std::uint32_t kDefaultCharacterIntervalMs = 16;

inline constexpr std::uint16_t kSpace = 0x20;
inline constexpr std::uint16_t kIdeographicSpace = 0x8140;

// The line-breaking character sets. Full-width members are two-byte Shift-JIS codes (lead byte
// in the high 8 bits); half-width members are single bytes shifted left by 8, so "?" is 0x3F00.
struct CharacterSet {
    std::span<const std::uint16_t> fullWidth;
    std::span<const std::uint16_t> halfWidth;
};
// ？！、。，）〕］｝〉》」』 and ? ! , . ) ] }: characters that may not start a line and hang past
// the right edge instead.
extern const CharacterSet kNoLineStart;
// （〔［｛〈《「『 and ( [ {
extern const CharacterSet kOpeningBrackets;
// ）〕］｝〉》」』 and ) ] }
extern const CharacterSet kClosingBrackets;

// Membership of one character: a two-byte code (lead x 256 + trail) against the full-width list
// when halfWidth is false, a single byte (0-255) against the half-width list when it is true.
bool InCharacterSet(const CharacterSet& set, std::uint16_t code, bool halfWidth);
inline bool IsNoLineStart(std::uint16_t code, bool halfWidth) {
    return InCharacterSet(kNoLineStart, code, halfWidth);
}
inline bool IsOpeningBracket(std::uint16_t code, bool halfWidth) {
    return InCharacterSet(kOpeningBrackets, code, halfWidth);
}
inline bool IsClosingBracket(std::uint16_t code, bool halfWidth) {
    return InCharacterSet(kClosingBrackets, code, halfWidth);
}

// One of a window's replaceable layout operations.
using LayoutOperation = std::function<int(MessageWindow&)>;

// The standard layout operations, installed for every hook selector.
int AttachHooks(MessageWindow& window); // does nothing, returns 0
int NextChar(MessageWindow& window);    // one of the kChar results or a control code
int NewLine(MessageWindow& window);     // kLineStarted or kLinePageFull
int NewPage(MessageWindow& window);     // returns 0
int DetachHooks(MessageWindow& window); // does nothing, returns 0

struct TextArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TextArea&) const = default;
};

struct Pen {
    int x = 0; // top-left of the next character cell
    int y = 0;
    bool operator==(const Pen&) const = default;
};

struct ShadowOffset {
    int dx = 1;
    int dy = 1;
    bool operator==(const ShadowOffset&) const = default;
};

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

// What the setup commands give a window: where it stands and where its text goes, how its
// characters look and are laid out, its voice channel and its options. A redraw of the page
// copies it whole, and saves store it whole with the page.
struct MessageWindowSettings {
    Rect screenRect;
    TextArea textArea;
    int lineSpacing = 0;
    int characterSpacing = 0;
    GlyphStyle style;
    Rgb textColour{255, 255, 255};
    Rgb shadowColour{0, 0, 0};
    ShadowOffset shadowOffset;
    bool shadow = true;
    bool bracketIndent = true;
    bool hangingPunctuation = true;
    bool logPages = true;
    bool instant = false;
    int voiceChannel = -1;
    int hookSelector = 0;

    bool operator==(const MessageWindowSettings&) const = default;
};

struct MessageWindow : MessageWindowSettings {
    // The window paces its reveal on this clock (the platform, or a test's own clock).
    explicit MessageWindow(Clock& clock) : characterTimer(clock, kDefaultCharacterIntervalMs) {}
    // A window with every default around an existing timer (Reset keeps the timer's clock).
    explicit MessageWindow(const FrameTimer& timer) : characterTimer(timer) {}

    MessageWindowSettings& settings() { return *this; }
    const MessageWindowSettings& settings() const { return *this; }

    FrameTimer characterTimer;
    // Glyphs are drawn into `target`, rasterised by `source` (the stand-in for the owner window
    // whose device context did the rasterising). Either missing, nothing is drawn but the layout
    // goes on as if it had been.
    Surface* target = nullptr;
    GlyphSource* source = nullptr;
    GlyphRenderer renderer;
    // The page as it stands.
    Pen pen;
    int readPosition = -1;
    int textLength = 0;
    std::string pageText; // every byte consumed since the last new page, control codes included
    std::array<char, kMessageTextCapacity> text{};
    std::string voiceName;
    bool halfWidth = false; // the character being laid out is a single byte
    int bracketDepth = 0;   // opening minus closing brackets on this page, never below 0
    LayoutOperation attachHooks = AttachHooks;
    LayoutOperation nextChar = NextChar;
    LayoutOperation newLine = NewLine;
    LayoutOperation newPage = NewPage;
    LayoutOperation detachHooks = DetachHooks;
};

// Gives the window a new text and reads it from its first byte. A text of more than 1023 bytes
// is refused (false) and the window keeps its old text and read position.
bool SetText(MessageWindow& window, std::string_view text);

// Runs the window's DetachHooks, then returns every field to its default; the character timer
// starts over at 16 ms, as in a new window, and the window keeps its clock.
void Reset(MessageWindow& window);

// Runs DetachHooks, stores the selector, installs the standard operations (every selector uses
// them) and runs AttachHooks.
void SetHookSelector(MessageWindow& window, int selector);

// Makes `copy` (made around the window's timer) a fresh window that lays out and draws exactly
// as `window` does: its settings, surfaces, bracket depth and hooks. Redraws and the history lay
// text out in such a copy, so the window's own page, pen and read position stay as they are.
void PrepareLayoutCopy(MessageWindow& copy, const MessageWindow& window);

} // namespace vura
