#include "graphics/transition.hpp"

#include "core/engine.hpp"
#include "graphics/graphic_effect.hpp"

namespace vura {

bool RunTransitionStep(Engine& engine) {
    return stepTransitionOnce(*engine.currentLayerSet);
}

} // namespace vura
