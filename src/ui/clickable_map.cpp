#include "ui/clickable_map.hpp"

#include "base/rect.hpp"
#include "graphics/blend.hpp"
#include "graphics/surface.hpp"

namespace vura {

namespace {

bool usable(const Surface* s) {
    return s && !s->empty() && s->bytesPerPixel() == 3;
}

} // namespace

void ClickableMap::clear() {
    *this = ClickableMap{};
}

const ClickableMapItem* ClickableMap::item(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= items.size())
        return nullptr;
    return &items[static_cast<std::size_t>(index)];
}

ClickableMapItem* ClickableMap::item(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= items.size())
        return nullptr;
    return &items[static_cast<std::size_t>(index)];
}

bool containsInclusive(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
                       int px, int py) {
    return x <= px && px <= x + width && y <= py && py <= y + height;
}

int ClickableMap::hitTest(int x, int y) const {
    for (std::size_t i = 0; i < items.size(); ++i) {
        const ClickableMapItem& it = items[i];
        if (it.enabled && containsInclusive(it.x, it.y, it.width, it.height, x, y))
            return static_cast<int>(i);
    }
    return -1;
}

void drawPiece(Surface& target, const Surface* picture, const Surface* mask, std::int64_t x,
               std::int64_t y, std::int64_t width, std::int64_t height, std::int64_t srcX,
               std::int64_t srcY) {
    if (!usable(&target) || !usable(picture))
        return;
    const bool masked = usable(mask);
    CopyRegion region(x, y, width, height, srcX, srcY);
    region.clipDestination(boundsOf(target.width(), target.height()))
        .clipSource(boundsOf(picture->width(), picture->height()));
    if (masked)
        region.clipSource(boundsOf(mask->width(), mask->height()));
    if (region.empty())
        return;
    const BlendRect r = region.toBlendRect();
    if (masked)
        blendMasked(target, r, *picture, *mask);
    else
        target.copyRect(*picture, r.dx, r.dy, r.width, r.height, r.sx, r.sy);
}

void drawMapItem(Surface& target, const Surface* picture, const Surface* mask,
                 const ClickableMapItem& item, int look) {
    drawPiece(target, picture, mask, item.x, item.y, item.srcWidth, item.srcHeight,
              std::int64_t{item.srcX} + std::int64_t{look} * item.srcWidth, item.srcY);
}

void drawMap(Surface& target, const Surface* picture, const Surface* mask,
             const ClickableMap& map) {
    for (const ClickableMapItem& item : map.items)
        drawMapItem(target, picture, mask, item, item.enabled ? kLookNormal : kLookDisabled);
}

void drawChip(Surface& target, const Surface* picture, const Surface* mask,
              const ClickableMapItem& item) {
    if (!item.hasChip())
        return;
    drawPiece(target, picture, mask, item.chipX, item.chipY, item.chipWidth, item.chipHeight,
              item.chipSrcX, item.chipSrcY);
}

} // namespace vura
