#include "graphics/transition.hpp"

#include "core/engine.hpp"

namespace vura {

bool RunTransitionStep(Engine& engine) {
    // The transition types arrive with the graphic effects. Until then a transition has one
    // step, which shows the new picture.
    if (engine.screenSurface && engine.workSurface)
        engine.screenSurface->copyFrom(*engine.workSurface);
    return true;
}

void RedrawWindowsOnTop(Engine& /*engine*/) {
    // Message windows and the choice menu arrive with the text subsystem; nothing is on top yet.
}

} // namespace vura
