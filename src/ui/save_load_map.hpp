#pragma once
// The save/load screen: a clickable map whose entries may be save slots. A slot shows its number,
// the title and date its file holds, and its thumbnail, written with a message window's font and
// colours; a plain entry is drawn from a picture in three looks like a map's hotspot.

#include "graphics/surface.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vura {

struct MessageWindow;

struct SaveLoadSlot {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t srcX = 0;
    std::int32_t srcY = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool saveSlot = false;
    std::int32_t saveNumber = -1;
    bool selectable = false;
    // What the slot's file holds: its thumbnail (empty without one), title and date.
    std::unique_ptr<Surface> thumbnail = std::make_unique<Surface>();
    std::string title; // Shift-JIS
    std::string date;
};

struct SaveLoadMap {
    // The message window whose font, colours, spacing and shadow write the slots' texts; -1
    // while no screen is built.
    std::int32_t window = -1;
    std::vector<SaveLoadSlot> slots;
    // 0: only the hovered slot's thumbnail, at (thumbnailX, thumbnailY); 1: every slot's, at its
    // own place moved by (thumbnailX, thumbnailY).
    std::int32_t thumbnailMode = 0;
    // 0: "No:nn title date" on one line; 1: "No:nn date", then the title on the next line.
    std::int32_t textMode = 0;
    std::int32_t thumbnailX = 0;
    std::int32_t thumbnailY = 0;
    // The layer holding the plain entries' looks.
    std::int32_t layer = -1;
    std::int32_t hoverChannel = -1;
    std::int32_t clickChannel = -1;
    std::string hoverSound;
    std::string clickSound;
    bool emptySlotsSelectable = false;
    int hovered = -1;

    bool built() const { return window >= 0 || !slots.empty(); }
    void clear() { *this = SaveLoadMap{}; }
    SaveLoadSlot* slot(int index);
    const SaveLoadSlot* slot(int index) const;
    // The first selectable entry whose rectangle holds the point, edges included; -1 for none.
    int hitTest(int x, int y) const;
};

// The slot's text in the map's text mode: "No:" and the two-digit number, then the title and
// date as the mode places them (code 1 breaks the line). Nothing for another mode.
std::string slotText(const SaveLoadMap& map, const SaveLoadSlot& slot);

// Blue + 128, green and red - 128 over the rectangle, each kept within 0 to 255: a hovered slot.
void tintSlot(Surface& target, const SaveLoadSlot& slot);

// Where the slot's thumbnail goes in the map's thumbnail mode.
void thumbnailPlace(const SaveLoadMap& map, const SaveLoadSlot& slot, int& x, int& y);

// A save slot drawn into `target` in a look (2 tinted), with its thumbnail when `withThumbnail`,
// and its text written by the window moved into the slot; the window is left as it was.
void drawSaveSlot(Surface& target, const SaveLoadMap& map, const SaveLoadSlot& slot, int look,
                  bool withThumbnail, MessageWindow& window);

} // namespace vura
