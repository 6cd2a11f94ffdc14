#pragma once
// The message history viewer: the pages that went by, newest at the bottom, laid out in the
// layout window's text area over a panel picture, with a voice icon beside every place on a page
// where a voice started. The settings (commands 80 and 81) live with the text records, as saves
// keep them; what lives here is the viewer while it is open.

#include "base/rect.hpp"
#include "text/message_log.hpp"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vura {

struct MessageWindow;

// The seven settings, in the order saves store them.
enum HistorySetting {
    kHistoryLayoutWindow = 0,
    kHistoryPanelLayer = 1,
    kHistoryIconLayer = 2,
    kHistoryIconSrcX = 3,
    kHistoryIconSrcY = 4,
    kHistoryIconWidth = 5,
    kHistoryIconHeight = 6,
};
using HistorySettings = std::array<std::int32_t, 7>;

struct VoiceButton {
    Rect rect;
    std::string voice; // Shift-JIS
};

struct HistoryViewer {
    bool open = false;
    // Log entries left out at the newest end: 0 shows the newest page at the bottom.
    int scrollOffset = 0;
    // One past the oldest entry the last drawing showed; scrolling back stops there.
    int endMarker = 0;
    std::vector<VoiceButton> buttons;
    int hovered = -1;
    // Every window's page text when the viewer opened.
    std::vector<std::string> savedPageTexts;

    // The first voice button under the point, edges included; -1 for none.
    int hitTest(int x, int y) const;
};

// Where one log entry goes: its index in the log (0 the oldest) and the top of its text.
struct HistoryPlace {
    std::size_t entry = 0;
    int y = 0;
};

// Places the entries from `offset` entries back from the newest upwards, each as tall as the
// text area of the window that recorded it (`heightOf`), starting from `bottom`; an entry that
// would start above `top` is not placed, nor is anything after it. Returns the end marker: one
// past the last entry placed, counted from the newest. A height of 0 or less ends the placing.
int placeHistory(const std::deque<LogPage>& pages, int offset, int top, int bottom,
                 const std::function<int(int window)>& heightOf, std::vector<HistoryPlace>& out);

// Writes the page's text with the window from (left, y), breaking lines as the window does. A
// line that cannot take its next character and a page that is full stop the entry; so does a
// step budget, so a page wider or taller than the area always ends.
void writeHistoryPage(MessageWindow& window, const LogPage& page, int left, int y);

// The voice icons of a page written at y: left of the text area, centred on the line of the
// font's height where each voice started.
void addVoiceButtons(const LogPage& page, int left, int y, int fontHeight,
                     const HistorySettings& settings, std::vector<VoiceButton>& out);

} // namespace vura
