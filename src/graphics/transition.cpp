#include "graphics/transition.hpp"

#include "core/engine.hpp"
#include "graphics/graphic_effect.hpp"

namespace vura {

bool RunTransitionStep(Engine& engine) {
    return stepTransitionOnce(*engine.currentLayerSet);
}

void RedrawWindowsOnTop(Engine& /*engine*/) {
    // Message windows and the choice menu arrive with the text subsystem; nothing is on top yet.
}

} // namespace vura
