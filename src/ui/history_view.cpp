#include "ui/history_view.hpp"

#include "text/message_window.hpp"
#include "ui/clickable_map.hpp"

#include <algorithm>

namespace vura {

namespace {

// More than any page of 1023 bytes needs, line breaks included.
constexpr int kHistoryStepsPerPage = 16384;

} // namespace

int HistoryViewer::hitTest(int x, int y) const {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const Rect& r = buttons[i].rect;
        if (containsInclusive(r.x, r.y, r.width, r.height, x, y))
            return static_cast<int>(i);
    }
    return -1;
}

int placeHistory(const std::deque<LogPage>& pages, int offset, int top, int bottom,
                 const std::function<int(int window)>& heightOf, std::vector<HistoryPlace>& out) {
    out.clear();
    const int count = static_cast<int>(pages.size());
    std::int64_t y = bottom;
    int n = 0;
    for (; offset + n < count; ++n) {
        const std::size_t entry = static_cast<std::size_t>(count - 1 - (offset + n));
        const int height = heightOf(pages[entry].window);
        if (height <= 0)
            break;
        y -= height;
        if (y < top)
            break;
        out.push_back({entry, static_cast<int>(y)});
    }
    return offset + n;
}

void writeHistoryPage(MessageWindow& window, const LogPage& page, int left, int y) {
    window.pen = Pen{left, y};
    if (!SetText(window, page.text))
        return;
    int stuckAt = -1; // the read position where the last line break was asked for
    for (int step = 0; step < kHistoryStepsPerPage; ++step) {
        const int before = window.readPosition;
        const int result = window.nextChar(window);
        if (result == kCharEnd)
            return;
        const bool consumed = window.readPosition != before;
        if (result == kCharPageFull && !consumed)
            return; // nothing more fits below
        if (result == kCharNewLine) {
            if (!consumed && stuckAt == before)
                return; // a fresh line cannot take this character either
            if (!consumed)
                stuckAt = before;
            window.newLine(window);
        }
    }
}

void addVoiceButtons(const LogPage& page, int left, int y, int fontHeight,
                     const HistorySettings& settings, std::vector<VoiceButton>& out) {
    const int width = settings[kHistoryIconWidth];
    const int height = settings[kHistoryIconHeight];
    const int count = std::min(page.voices.count, kPageVoicesMax);
    for (int i = 0; i < count; ++i) {
        const PageVoice& slot = page.voices.slots[static_cast<std::size_t>(i)];
        const std::int64_t top = std::int64_t{y} + (fontHeight - height) / 2 + slot.y;
        out.push_back({{left - width, static_cast<int>(top), width, height}, slot.name});
    }
}

} // namespace vura
