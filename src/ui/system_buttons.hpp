#pragma once
// The system buttons: picture buttons on screen, each bound to a script it calls when it fires,
// drawn in three looks side by side (0 disabled, 1 normal, 2 hovered), with a sound on entering
// and one on firing. Releasing Space and turning the wheel forward can fire a button of their
// own wherever the pointer is.

#include <cstdint>
#include <string>
#include <vector>

namespace vura {

class Surface;

struct SystemButton {
    // Where it is drawn, where its looks start in the picture, and the size of one look.
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t srcX = 0;
    std::int32_t srcY = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // The rectangle the pointer is tested against, its right and bottom edges included.
    std::int32_t hitX = 0;
    std::int32_t hitY = 0;
    std::int32_t hitWidth = 0;
    std::int32_t hitHeight = 0;
    bool enabled = false;
    bool shown = false;
    std::string script; // Shift-JIS, without extension
    // Channels above 0 sound when the pointer enters the button and when it fires.
    std::int32_t hoverChannel = 0;
    std::int32_t clickChannel = 0;
    std::string hoverSound;
    std::string clickSound;

    bool operator==(const SystemButton&) const = default;
    bool live() const { return enabled && shown; }
};

struct SystemButtons {
    std::vector<SystemButton> buttons;
    // The button under the pointer as last drawn; -1 for none.
    int hovered = -1;
    // The layer whose picture (and its mask) holds the looks, and whether it is a layer of the
    // right-click layer set (the set that was current when the layer was named); -1 for none.
    std::int32_t layer = -1;
    bool layerInRightClickSet = false;
    // The buttons fired by releasing Space and by turning the wheel forward; negative: none.
    std::int32_t spaceButton = -1;
    std::int32_t wheelButton = -1;

    // The button with this number, or null.
    SystemButton* button(int index);
    const SystemButton* button(int index) const;
    // The first button, in index order, that is enabled, shown and under the point; -1 for none.
    int hitTest(int x, int y) const;
    // The button a shortcut fires this tick, or -1: the Space button when Space was released,
    // then the wheel button instead when the wheel turned forward; only a live button fires.
    int shortcut(bool spaceReleased, int wheel) const;
};

// One look of a button at its place.
void drawButton(Surface& target, const Surface* picture, const Surface* mask,
                const SystemButton& button, int look);
// Every shown button: look 2 for the hovered one, 1 for the others, 0 when disabled.
void drawButtons(Surface& target, const Surface* picture, const Surface* mask,
                 const SystemButtons& buttons);

} // namespace vura
