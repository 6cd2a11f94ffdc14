#include "ui/panel_painter.hpp"

#include "base/sjis.hpp"
#include "graphics/surface.hpp"
#include "platform/pixel_convert.hpp"

#include <algorithm>

namespace vura {

namespace {

constexpr PanelColour kBody{236, 236, 240};
constexpr PanelColour kBorder{70, 76, 96};
constexpr PanelColour kCaptionBar{36, 56, 116};
constexpr PanelColour kCaptionText{255, 255, 255};
constexpr PanelColour kInk{16, 16, 24};
constexpr PanelColour kButtonFace{222, 224, 232};
constexpr PanelColour kButtonPressed{196, 200, 214};
constexpr PanelColour kFocus{40, 90, 200};
constexpr PanelColour kFieldFace{255, 255, 255};

// The characters of a Shift-JIS text: their byte offset and length.
template <typename Visit>
void eachCharacter(std::string_view s, Visit visit) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = isSjisDoubleByteAt(s, i) ? 2 : 1;
        visit(i, n);
        i += n;
    }
}

} // namespace

PanelPainter::PanelPainter(GlyphSource& source, int cell) : source_(source), cell_(cell) {
    style_.font.height = cell;
    style_.font.weight = 400;
}

int PanelPainter::textWidth(std::string_view sjis) const {
    int width = 0;
    eachCharacter(sjis, [&](std::size_t, std::size_t n) { width += n == 2 ? cell_ : cell_ / 2; });
    return width;
}

std::vector<std::string> PanelPainter::wrap(std::string_view sjis, int maxWidth) const {
    std::vector<std::string> lines(1);
    int width = 0;
    eachCharacter(sjis, [&](std::size_t at, std::size_t n) {
        const char c = sjis[at];
        if (n == 1 && (c == '\n' || c == '\r')) {
            if (c == '\n') {
                lines.emplace_back();
                width = 0;
            }
            return;
        }
        const int w = n == 2 ? cell_ : cell_ / 2;
        if (width + w > maxWidth && !lines.back().empty()) {
            lines.emplace_back();
            width = 0;
        }
        lines.back().append(sjis.substr(at, n));
        width += w;
    });
    return lines;
}

void PanelPainter::fill(Surface& target, const Rect& r, PanelColour colour) const {
    const Rect c = clipRect(r, target.width(), target.height());
    for (int y = c.y; y < c.y + c.height; ++y) {
        std::uint8_t* p = target.row(y) + c.x * 3;
        for (int x = 0; x < c.width; ++x, p += 3)
            p[0] = colour.blue, p[1] = colour.green, p[2] = colour.red;
    }
}

void PanelPainter::outline(Surface& target, const Rect& r, PanelColour colour,
                           int thickness) const {
    for (int t = 0; t < thickness; ++t) {
        const Rect i{r.x + t, r.y + t, r.width - 2 * t, r.height - 2 * t};
        fill(target, {i.x, i.y, i.width, 1}, colour);
        fill(target, {i.x, i.y + i.height - 1, i.width, 1}, colour);
        fill(target, {i.x, i.y, 1, i.height}, colour);
        fill(target, {i.x + i.width - 1, i.y, 1, i.height}, colour);
    }
}

void PanelPainter::text(Surface& target, int x, int y, std::string_view sjis, PanelColour colour) {
    renderer_.red = colour.red, renderer_.green = colour.green, renderer_.blue = colour.blue;
    eachCharacter(sjis, [&](std::size_t at, std::size_t n) {
        const auto lead = static_cast<std::uint8_t>(sjis[at]);
        const std::uint16_t code =
            n == 2 ? static_cast<std::uint16_t>(lead << 8 | static_cast<std::uint8_t>(sjis[at + 1]))
                   : lead;
        renderer_.DrawGlyph(style_, source_, target, x, y + cell_, code);
        x += n == 2 ? cell_ : cell_ / 2;
    });
}

void PanelPainter::frame(Surface& target, const Rect& r, std::string_view captionSjis) {
    fill(target, r, kBody);
    fill(target, {r.x, r.y, r.width, captionHeight()}, kCaptionBar);
    outline(target, r, kBorder);
    text(target, r.x + 8, r.y + 4, captionSjis, kCaptionText);
}

void PanelPainter::button(Surface& target, const Rect& r, std::string_view labelSjis, bool focused,
                          bool pressed) {
    fill(target, r, pressed ? kButtonPressed : kButtonFace);
    outline(target, r, focused ? kFocus : kBorder, focused ? 2 : 1);
    const int offset = pressed ? 1 : 0;
    text(target, r.x + (r.width - textWidth(labelSjis)) / 2 + offset,
         r.y + (r.height - cell_) / 2 + offset, labelSjis, kInk);
}

void PanelPainter::field(Surface& target, const Rect& r, std::string_view textSjis,
                         std::size_t caret, std::string_view compositionSjis,
                         std::size_t compositionCaret, bool focused) {
    fill(target, r, kFieldFace);
    outline(target, r, focused ? kFocus : kBorder, focused ? 2 : 1);
    const int x = r.x + 4, y = r.y + (r.height - cell_) / 2;
    const std::string_view before = textSjis.substr(0, std::min(caret, textSjis.size()));
    const std::string_view after = textSjis.substr(before.size());
    text(target, x, y, before, kInk);
    const int compositionX = x + textWidth(before);
    text(target, compositionX, y, compositionSjis, kInk);
    if (!compositionSjis.empty())
        fill(target, {compositionX, y + cell_ + 1, textWidth(compositionSjis), 1}, kInk);
    text(target, compositionX + textWidth(compositionSjis), y, after, kInk);
    if (focused)
        fill(target, caretRect(r, textSjis, caret, compositionSjis, compositionCaret), kInk);
}

Rect PanelPainter::caretRect(const Rect& field, std::string_view textSjis, std::size_t caret,
                             std::string_view compositionSjis, std::size_t compositionCaret) const {
    const int x =
        field.x + 4 + textWidth(textSjis.substr(0, std::min(caret, textSjis.size()))) +
        textWidth(compositionSjis.substr(0, std::min(compositionCaret, compositionSjis.size())));
    return {x, field.y + (field.height - cell_) / 2, 1, cell_};
}

} // namespace vura
