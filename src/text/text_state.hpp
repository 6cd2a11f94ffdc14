#pragma once
// The engine-wide records of the text subsystem besides the windows themselves: the two small
// animations that go with text, the keys that fire system buttons, and the options the message
// command reads.

#include "platform/frame_timer.hpp"

#include <cstdint>

namespace vura {

class Engine;

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

// The keys that fire a system button wherever the pointer is: releasing Space, and the wheel
// turned forward. Negative: none.
struct SystemButtons {
    std::int32_t spaceButton = -1;
    std::int32_t wheelButton = -1;
};

// Erases the animation's previous frame (its rectangle back from the work surface), draws the
// current frame through the layer's mask (a plain copy when the layer has no mask), steps the
// frame and presents the rectangle. Nothing for an animation number outside the two.
void DrawAnimationFrame(Engine& engine, int animation, int x, int y);

} // namespace vura
