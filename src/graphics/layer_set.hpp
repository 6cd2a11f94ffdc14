#pragma once
// A set of layers and masks with its own transition state. The engine has two: the main set
// and the set the right-click screen draws with. The layer and mask tables join this record
// with the layer commands.

#include "graphics/surface.hpp"
#include "platform/frame_timer.hpp"

namespace vura {

struct LayerSet {
    explicit LayerSet(Clock& clock) : stepTimer(clock) {}

    // Paces the steps of a running transition.
    FrameTimer stepTimer;
    // The engine surfaces this set composes into and presents from.
    Surface* screenSurface = nullptr;
    Surface* workSurface = nullptr;
    Surface* previousSurface = nullptr;
};

} // namespace vura
