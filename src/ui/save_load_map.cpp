#include "ui/save_load_map.hpp"

#include "base/rect.hpp"
#include "text/message_window.hpp"
#include "ui/clickable_map.hpp"

#include <algorithm>
#include <cstdint>

namespace vura {

namespace {

// Enough layout steps for a slot's two short lines.
constexpr int kSlotTextSteps = 4096;

} // namespace

SaveLoadSlot* SaveLoadMap::slot(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= slots.size())
        return nullptr;
    return &slots[static_cast<std::size_t>(index)];
}

const SaveLoadSlot* SaveLoadMap::slot(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= slots.size())
        return nullptr;
    return &slots[static_cast<std::size_t>(index)];
}

int SaveLoadMap::hitTest(int x, int y) const {
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const SaveLoadSlot& s = slots[i];
        if (s.selectable && containsInclusive(s.x, s.y, s.width, s.height, x, y))
            return static_cast<int>(i);
    }
    return -1;
}

std::string slotText(const SaveLoadMap& map, const SaveLoadSlot& slot) {
    std::string number = std::to_string(slot.saveNumber);
    if (slot.saveNumber >= 0 && slot.saveNumber < 10)
        number = "0" + number;
    if (map.textMode == 0)
        return "No:" + number + " " + slot.title + " " + slot.date;
    if (map.textMode == 1)
        return "No:" + number + " " + slot.date + '\x01' + slot.title;
    return {};
}

void tintSlot(Surface& target, const SaveLoadSlot& slot) {
    if (target.empty() || target.bytesPerPixel() != 3)
        return;
    const Rect area = intersect({slot.x, slot.y, slot.width, slot.height},
                                boundsOf(target.width(), target.height()));
    for (int row = area.y; row < area.y + area.height; ++row) {
        std::uint8_t* p = target.row(row) + static_cast<std::ptrdiff_t>(area.x) * 3;
        for (int i = 0; i < area.width; ++i, p += 3) {
            p[0] = static_cast<std::uint8_t>(std::min(255, p[0] + 128));
            p[1] = static_cast<std::uint8_t>(std::max(0, p[1] - 128));
            p[2] = static_cast<std::uint8_t>(std::max(0, p[2] - 128));
        }
    }
}

void thumbnailPlace(const SaveLoadMap& map, const SaveLoadSlot& slot, int& x, int& y) {
    // Mode 1 places every thumbnail at its slot; any other mode at the one fixed place.
    x = map.thumbnailX;
    y = map.thumbnailY;
    if (map.thumbnailMode == 1) {
        x = static_cast<int>(
            std::clamp<std::int64_t>(std::int64_t{slot.x} + map.thumbnailX, INT32_MIN, INT32_MAX));
        y = static_cast<int>(
            std::clamp<std::int64_t>(std::int64_t{slot.y} + map.thumbnailY, INT32_MIN, INT32_MAX));
    }
}

void drawSaveSlot(Surface& target, const SaveLoadMap& map, const SaveLoadSlot& slot, int look,
                  bool withThumbnail, MessageWindow& window) {
    if (look == kLookHovered)
        tintSlot(target, slot);
    if (withThumbnail && !slot.thumbnail->empty()) {
        int x = 0, y = 0;
        thumbnailPlace(map, slot, x, y);
        target.copyRect(*slot.thumbnail, x, y, slot.thumbnail->width(), slot.thumbnail->height(), 0,
                        0);
    }
    // The window's own rectangle's origin becomes the slot's inner margin.
    const Rect screenRect = window.screenRect;
    const TextArea textArea = window.textArea;
    Surface* const windowTarget = window.target;
    const Rect moved{screenRect.x + slot.x, screenRect.y + slot.y, slot.width - screenRect.x,
                     slot.height - screenRect.y};
    window.screenRect = moved;
    window.textArea = {moved.x, moved.y, moved.width, moved.height};
    window.target = &target;
    window.newPage(window);
    if (SetText(window, slotText(map, slot))) {
        for (int step = 0; step < kSlotTextSteps; ++step) {
            int result = window.nextChar(window);
            if (result == kCharEnd || result == kCharPageFull)
                break;
            if (result == kCharNewLine && window.newLine(window) == kLinePageFull)
                break;
        }
    }
    SetText(window, "");
    window.pageText.clear();
    window.screenRect = screenRect;
    window.textArea = textArea;
    window.target = windowTarget;
}

} // namespace vura
