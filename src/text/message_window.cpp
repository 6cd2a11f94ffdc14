#include "text/message_window.hpp"

#include "base/sjis.hpp"
#include "graphics/surface.hpp"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace vura {

namespace {

constexpr std::uint16_t kNoLineStartFull[] = {0x8148, 0x8149, 0x8141, 0x8142, 0x8143,
                                              0x816A, 0x816C, 0x816E, 0x8170, 0x8172,
                                              0x8174, 0x8176, 0x8178};
constexpr std::uint16_t kNoLineStartHalf[] = {'?' << 8, '!' << 8, ',' << 8, '.' << 8,
                                              ')' << 8, ']' << 8, '}' << 8};
constexpr std::uint16_t kOpeningFull[] = {0x8169, 0x816B, 0x816D, 0x816F,
                                          0x8171, 0x8173, 0x8175, 0x8177};
constexpr std::uint16_t kOpeningHalf[] = {'(' << 8, '[' << 8, '{' << 8};
constexpr std::uint16_t kClosingFull[] = {0x816A, 0x816C, 0x816E, 0x8170,
                                          0x8172, 0x8174, 0x8176, 0x8178};
constexpr std::uint16_t kClosingHalf[] = {')' << 8, ']' << 8, '}' << 8};

// The layout works in 64 bits so that spacings, offsets and font heights stored without
// validation by the setup commands cannot overflow; the pen keeps the nearest int.
int toInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

// Glyphs are placed by coordinates kept within this range: anything beyond lies off every
// surface either way, and the renderer then adds its glyph offsets without overflowing.
int toDrawCoordinate(std::int64_t v) {
    constexpr std::int64_t kLimit = std::int64_t{1} << 28;
    return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

// The sizes every layout step uses. The font height is the character cell; a negative height
// (which asks the font for a character height rather than a cell height) lays out by its size,
// so text still runs to the right and down.
struct Cell {
    std::int64_t h;  // full-width cell and baseline offset
    std::int64_t dx; // shadow offset, 0 with the shadow off
    std::int64_t dy;
};

Cell cellOf(const MessageWindow& w) {
    Cell c{};
    c.h = std::abs(static_cast<std::int64_t>(w.style.font.height));
    c.dx = w.shadow ? w.shadowOffset.dx : 0;
    c.dy = w.shadow ? w.shadowOffset.dy : 0;
    return c;
}

std::int64_t advanceOf(const MessageWindow& w, const Cell& c, bool halfWidth) {
    return std::int64_t{w.characterSpacing} + c.dx + (halfWidth ? c.h / 2 : c.h);
}

// Where a line starts: the left edge, or one full cell in while inside brackets.
std::int64_t lineStartOf(const MessageWindow& w, const Cell& c) {
    std::int64_t x = w.textArea.left;
    if (w.bracketIndent && w.bracketDepth > 0) {
        x += advanceOf(w, c, false);
    }
    return x;
}

int fitTest(const MessageWindow& w, const Cell& c) {
    std::int64_t right = w.pen.x + advanceOf(w, c, w.halfWidth);
    if (right <= std::int64_t{w.textArea.left} + w.textArea.width) {
        return kCharDrawn;
    }
    std::int64_t nextBottom = std::int64_t{w.pen.y} + w.lineSpacing + 2 * (c.h + c.dy);
    if (nextBottom <= std::int64_t{w.textArea.top} + w.textArea.height) {
        return kCharNewLine;
    }
    return kCharPageFull;
}

void drawWithShadow(MessageWindow& w, const Cell& c, std::uint16_t code) {
    if (w.target != nullptr && w.source != nullptr) {
        std::int64_t x = w.pen.x;
        std::int64_t y = w.pen.y;
        // A glyph that cannot be rasterised is skipped; the pen advances all the same.
        if (w.shadow) {
            w.renderer.red = w.shadowColour.red;
            w.renderer.green = w.shadowColour.green;
            w.renderer.blue = w.shadowColour.blue;
            w.renderer.DrawGlyph(w.style, *w.source, *w.target, toDrawCoordinate(x + c.dx),
                                 toDrawCoordinate(y + c.dy + c.h), code);
        }
        w.renderer.red = w.textColour.red;
        w.renderer.green = w.textColour.green;
        w.renderer.blue = w.textColour.blue;
        w.renderer.DrawGlyph(w.style, *w.source, *w.target, toDrawCoordinate(x),
                             toDrawCoordinate(y + c.h), code);
    }
    w.pen.x = toInt(w.pen.x + advanceOf(w, c, w.halfWidth));
}

void startPage(MessageWindow& w) {
    w.pen.x = w.textArea.left;
    w.pen.y = w.textArea.top;
    w.bracketDepth = 0;
    w.pageText.clear();
}

} // namespace

const CharacterSet kNoLineStart{kNoLineStartFull, kNoLineStartHalf};
const CharacterSet kOpeningBrackets{kOpeningFull, kOpeningHalf};
const CharacterSet kClosingBrackets{kClosingFull, kClosingHalf};

bool InCharacterSet(const CharacterSet& set, std::uint16_t code, bool halfWidth) {
    if (halfWidth) {
        if (code > 0xFF) {
            return false;
        }
        code = static_cast<std::uint16_t>(code << 8);
    }
    auto list = halfWidth ? set.halfWidth : set.fullWidth;
    return std::find(list.begin(), list.end(), code) != list.end();
}

int AttachHooks(MessageWindow&) {
    return 0;
}

int DetachHooks(MessageWindow&) {
    return 0;
}

int NextChar(MessageWindow& w) {
    // The read position is -1 until a text is given, and a loaded save may bring any value:
    // outside the buffer there is no text left to read.
    if (w.readPosition < 0 || w.readPosition >= static_cast<int>(w.text.size())) {
        return kCharEnd;
    }
    auto pos = static_cast<std::size_t>(w.readPosition);
    auto lead = static_cast<std::uint8_t>(w.text[pos]);
    if (lead == 0) {
        return kCharEnd;
    }
    // A lead byte right before the terminating NUL (or at the buffer's end) is a single byte:
    // NUL is never a trail byte.
    std::uint16_t code = lead;
    std::size_t length = 1;
    w.halfWidth = true;
    if (pos + 1 < w.text.size() && isSjisLeadByte(lead) &&
        isSjisTrailByte(static_cast<std::uint8_t>(w.text[pos + 1]))) {
        code = static_cast<std::uint16_t>(lead << 8 | static_cast<std::uint8_t>(w.text[pos + 1]));
        length = 2;
        w.halfWidth = false;
    }

    if (w.halfWidth && lead <= kCharLastControlCode) {
        w.pageText.push_back(static_cast<char>(lead));
        ++w.readPosition;
        return lead;
    }

    Cell c = cellOf(w);
    int fit = fitTest(w, c);
    // A character wider than the whole text area would never fit, and the caller's loop of
    // NewLine and NextChar would never end. So a character that finds the pen at the start of a
    // line is drawn there anyway, past the edge: every line and every page takes at least one
    // character.
    if (fit != kCharDrawn && w.pen.x > lineStartOf(w, c)) {
        if (!w.hangingPunctuation || !IsNoLineStart(code, w.halfWidth)) {
            return fit;
        }
    }

    if (IsOpeningBracket(code, w.halfWidth) && w.bracketDepth < INT_MAX) {
        ++w.bracketDepth;
    }
    if (IsClosingBracket(code, w.halfWidth)) {
        w.bracketDepth = w.bracketDepth > 0 ? w.bracketDepth - 1 : 0;
    }

    drawWithShadow(w, c, code);

    w.pageText.append(w.text.data() + pos, length);
    w.readPosition += static_cast<int>(length);
    return kCharDrawn;
}

int NewLine(MessageWindow& w) {
    Cell c = cellOf(w);
    w.pen.x = toInt(lineStartOf(w, c));
    std::int64_t y = w.pen.y + c.h + w.lineSpacing + c.dy;
    w.pen.y = toInt(y);
    if (y + c.dy + c.h > std::int64_t{w.textArea.top} + w.textArea.height) {
        startPage(w);
        return kLinePageFull;
    }
    return kLineStarted;
}

int NewPage(MessageWindow& w) {
    startPage(w);
    return 0;
}

bool SetText(MessageWindow& w, std::string_view text) {
    if (text.size() >= w.text.size()) {
        return false;
    }
    auto end = std::copy(text.begin(), text.end(), w.text.begin());
    // The rest of the buffer is cleared too: the whole buffer goes into save files.
    std::fill(end, w.text.end(), '\0');
    w.readPosition = 0;
    w.textLength = static_cast<int>(text.size());
    return true;
}

void Reset(MessageWindow& w) {
    if (w.detachHooks) {
        w.detachHooks(w);
    }
    w = MessageWindow(w.characterTimer);
    w.characterTimer.SetInterval(kDefaultCharacterIntervalMs);
}

void SetHookSelector(MessageWindow& w, int selector) {
    if (w.detachHooks) {
        w.detachHooks(w);
    }
    w.hookSelector = selector;
    w.attachHooks = AttachHooks;
    w.nextChar = NextChar;
    w.newLine = NewLine;
    w.newPage = NewPage;
    w.detachHooks = DetachHooks;
    w.attachHooks(w);
}

void PrepareLayoutCopy(MessageWindow& copy, const MessageWindow& window) {
    Reset(copy);
    copy.target = window.target;
    copy.source = window.source;
    copy.settings() = window.settings();
    copy.bracketDepth = window.bracketDepth;
    SetHookSelector(copy, window.hookSelector);
}

} // namespace vura
