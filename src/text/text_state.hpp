#pragma once
// The text subsystem's record: the message windows of command 29 and the fonts they draw with,
// the two small animations that go with text, the log of the pages that went by, and the common
// variables the message command reads its options from.

#include "platform/frame_timer.hpp"
#include "text/message_log.hpp"
#include "text/message_window.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace vura {

class FontSystem;

inline constexpr int kClickWaitMark = 0; // shown while a message waits for a click
inline constexpr int kChoiceCursor = 1;  // beside the hovered line of a choice menu
inline constexpr int kAnimationCount = 2;

// Frames side by side in the picture of a layer of the main layer set, masked by that layer's
// mask entry; frame n starts at srcX + n x width.
struct Animation {
    explicit Animation(Clock& clock) : timer(clock) {}

    std::int32_t layer = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t srcX = 0;
    std::int32_t srcY = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t frameCount = 0;
    std::int32_t frame = 0; // drawn next; wraps to 0 after the last
    FrameTimer timer;
    bool enabled = false;
};

struct TextState {
    explicit TextState(Clock& clock);
    TextState(const TextState&) = delete;
    TextState& operator=(const TextState&) = delete;
    ~TextState();

    std::vector<std::unique_ptr<MessageWindow>> messageWindows;
    // Opened at the first window, or at start-up when a font file is forced.
    std::unique_ptr<FontSystem> fonts;
    std::array<Animation, kAnimationCount> animations;
    std::unique_ptr<MessageLog> messageLog;
    // The numbers of the common ints that show whole pages at once (no-wait), let skipping pass
    // unread text (skip-all), switch transitions on and hold the full-screen choice; common int
    // 0 until a script names another.
    std::int32_t noWaitVariable = 0;
    std::int32_t skipAllVariable = 0;
    std::int32_t effectVariable = 0;
    std::int32_t windowModeVariable = 0;
    // The message history viewer's layout and voice icon (commands 80 and 81), kept with the log
    // and in saves.
    std::array<std::int32_t, 7> historySettings{};

    // The window with this number, or null when there is none.
    MessageWindow* window(int number) const;
};

} // namespace vura
