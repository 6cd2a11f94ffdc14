#pragma once
// A message box as the engine draws it: the caption, the text wrapped to the box, and its
// buttons (OK, or はい and いいえ), the first one focused. Tab and the arrows move the focus,
// Enter or Space press the focused button, a click presses a button, and Escape or the window's
// close button answer いいえ (or OK).

#include "platform/platform.hpp"
#include "ui/panel_painter.hpp"

#include <optional>
#include <string>
#include <vector>

namespace vura {

class MessagePanel {
public:
    MessagePanel(std::string_view textSjis, std::string_view captionSjis,
                 MessageBoxButtons buttons);

    // The size the box needs.
    static void sizeFor(const PanelPainter& painter, std::string_view textSjis,
                        std::string_view captionSjis, MessageBoxButtons buttons, int& width,
                        int& height);
    // Places the box centred on a surface of this size.
    void layout(const PanelPainter& painter, int width, int height);
    // Takes one event; the answer once the box is answered.
    std::optional<MessageBoxAnswer> handle(const PanelEvent& event);
    void draw(Surface& target, PanelPainter& painter) const;

    int focus() const { return focus_; }

private:
    struct Button {
        std::string label; // Shift-JIS
        MessageBoxAnswer answer;
        Rect rect;
    };
    int buttonAt(int x, int y) const;

    std::string text_;
    std::string caption_;
    std::vector<std::string> lines_;
    std::vector<Button> buttons_;
    MessageBoxAnswer cancel_;
    Rect rect_;
    int focus_ = 0;
    int pressed_ = -1; // the button the left button went down on
};

} // namespace vura
