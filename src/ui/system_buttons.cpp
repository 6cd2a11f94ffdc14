#include "ui/system_buttons.hpp"

#include "ui/clickable_map.hpp"

namespace vura {

SystemButton* SystemButtons::button(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= buttons.size())
        return nullptr;
    return &buttons[static_cast<std::size_t>(index)];
}

const SystemButton* SystemButtons::button(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= buttons.size())
        return nullptr;
    return &buttons[static_cast<std::size_t>(index)];
}

int SystemButtons::hitTest(int x, int y) const {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const SystemButton& b = buttons[i];
        if (b.live() && containsInclusive(b.hitX, b.hitY, b.hitWidth, b.hitHeight, x, y))
            return static_cast<int>(i);
    }
    return -1;
}

int SystemButtons::shortcut(bool spaceReleased, int wheel) const {
    int chosen = -1;
    if (const SystemButton* b = button(spaceButton); b && b->live() && spaceReleased)
        chosen = spaceButton;
    // The wheel wins when both happen in one tick.
    if (const SystemButton* b = button(wheelButton); b && b->live() && wheel > 0)
        chosen = wheelButton;
    return chosen;
}

void drawButton(Surface& target, const Surface* picture, const Surface* mask,
                const SystemButton& button, int look) {
    drawPiece(target, picture, mask, button.x, button.y, button.width, button.height,
              std::int64_t{button.srcX} + std::int64_t{look} * button.width, button.srcY);
}

void drawButtons(Surface& target, const Surface* picture, const Surface* mask,
                 const SystemButtons& buttons) {
    for (std::size_t i = 0; i < buttons.buttons.size(); ++i) {
        const SystemButton& b = buttons.buttons[i];
        if (!b.shown)
            continue;
        int look = !b.enabled                               ? kLookDisabled
                   : static_cast<int>(i) == buttons.hovered ? kLookHovered
                                                            : kLookNormal;
        drawButton(target, picture, mask, b, look);
    }
}

} // namespace vura
