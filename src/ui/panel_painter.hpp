#pragma once
// The engine's own look for modal panels (message boxes, the name dialog): a light panel with a
// dark caption bar, text in the gothic face on fixed cells (a full-width character one cell, a
// half-width one half), push buttons and edit fields, each showing where the keyboard focus is.

#include "base/rect.hpp"
#include "text/glyph_renderer.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace vura {

class Surface;

struct PanelColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

class PanelPainter {
public:
    // Text `cell` pixels high, drawn by `source`.
    PanelPainter(GlyphSource& source, int cell);

    int cell() const { return cell_; }
    // The width of a Shift-JIS text on the painter's cells.
    int textWidth(std::string_view sjis) const;
    // The text broken into lines no wider than maxWidth (at least one character each), at its
    // own line breaks ("\n", "\r\n") too.
    std::vector<std::string> wrap(std::string_view sjis, int maxWidth) const;

    void fill(Surface& target, const Rect& r, PanelColour colour) const;
    // A one-pixel outline, `thickness` pixels thick inwards.
    void outline(Surface& target, const Rect& r, PanelColour colour, int thickness = 1) const;
    // Text with its cells' top-left corner at (x, y).
    void text(Surface& target, int x, int y, std::string_view sjis, PanelColour colour);
    // The panel's body with its caption bar (captionHeight() tall) along the top.
    void frame(Surface& target, const Rect& r, std::string_view captionSjis);
    int captionHeight() const { return cell_ + 8; }
    void button(Surface& target, const Rect& r, std::string_view labelSjis, bool focused,
                bool pressed);
    // An edit field: its text, then the composition in progress underlined, with the caret
    // (a byte offset into the text, and one into the composition) drawn when focused.
    void field(Surface& target, const Rect& r, std::string_view textSjis, std::size_t caret,
               std::string_view compositionSjis, std::size_t compositionCaret, bool focused);
    // Where a field's caret stands, for the input method's candidate window.
    Rect caretRect(const Rect& field, std::string_view textSjis, std::size_t caret,
                   std::string_view compositionSjis, std::size_t compositionCaret) const;

private:
    GlyphSource& source_;
    GlyphRenderer renderer_;
    GlyphStyle style_;
    int cell_;
};

} // namespace vura
