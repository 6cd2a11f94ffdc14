#pragma once
// A clickable map: rectangular hotspots over the screen, each drawn from one picture in three
// looks side by side (0 disabled, 1 normal, 2 hovered), with a sound when the pointer enters a
// hotspot and one when a hotspot is clicked. A chip map's hotspots also own a chip: a second
// piece of the same picture, shown elsewhere while the hotspot is hovered.

#include <cstdint>
#include <string>
#include <vector>

namespace vura {

class Surface;

inline constexpr int kLookDisabled = 0;
inline constexpr int kLookNormal = 1;
inline constexpr int kLookHovered = 2;

struct ClickableMapItem {
    // The hotspot on screen.
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Where its looks start in the picture, and the size of one look (the hotspot's own).
    std::int32_t srcX = 0;
    std::int32_t srcY = 0;
    std::int32_t srcWidth = 0;
    std::int32_t srcHeight = 0;
    // The chip: where it is drawn, its size, and where it lies in the picture. A chip of width
    // or height 0 or less is absent.
    std::int32_t chipX = 0;
    std::int32_t chipY = 0;
    std::int32_t chipWidth = 0;
    std::int32_t chipHeight = 0;
    std::int32_t chipSrcX = 0;
    std::int32_t chipSrcY = 0;
    std::int32_t chipSrcWidth = 0;
    std::int32_t chipSrcHeight = 0;
    bool enabled = false;

    bool operator==(const ClickableMapItem&) const = default;
    bool hasChip() const { return chipWidth > 0 && chipHeight > 0; }
};

struct ClickableMap {
    std::vector<ClickableMapItem> items;
    // The layer whose picture (and its mask) holds the looks, in the layer set the map belongs
    // to; -1 when cleared.
    std::int32_t layer = -1;
    // Channels played when the pointer enters a hotspot and when one is clicked; negative: none.
    std::int32_t hoverChannel = -1;
    std::string hoverSound;
    std::int32_t clickChannel = -1;
    std::string clickSound;
    // The hotspot under the pointer as last drawn; -1 for none.
    int hovered = -1;

    // Back to no hotspots, no layer, no sounds.
    void clear();
    // The first enabled hotspot, in index order, whose rectangle holds the point, its right and
    // bottom edges included; -1 for none.
    int hitTest(int x, int y) const;
    // The hotspot with this number, or null.
    const ClickableMapItem* item(int index) const;
    ClickableMapItem* item(int index);
};

// The pixels of a copy from a picture: drawn through the mask when there is one (the mask read
// where the picture is), else copied. Cut to the target, the picture and the mask, in 64 bits;
// nothing without a picture.
void drawPiece(Surface& target, const Surface* picture, const Surface* mask, std::int64_t x,
               std::int64_t y, std::int64_t width, std::int64_t height, std::int64_t srcX,
               std::int64_t srcY);

// One look of a hotspot at its place on screen.
void drawMapItem(Surface& target, const Surface* picture, const Surface* mask,
                 const ClickableMapItem& item, int look);
// Every hotspot: look 1 when enabled, look 0 when not.
void drawMap(Surface& target, const Surface* picture, const Surface* mask, const ClickableMap& map);
// The hotspot's chip at the chip's place; nothing for an absent chip.
void drawChip(Surface& target, const Surface* picture, const Surface* mask,
              const ClickableMapItem& item);

// Whether the point lies in the rectangle, its right and bottom edges included.
bool containsInclusive(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
                       int px, int py);

} // namespace vura
