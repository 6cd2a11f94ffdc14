#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"

namespace vura {

void EngineTick(Engine& engine) {
    // While the window is inactive the script is frozen, waits included.
    if (!engine.app.appState || !engine.app.appState->active)
        return;

    // Skip mode ends when a mouse button or an advance key is let go.
    if (engine.app.skipMode) {
        pollInput(engine);
        const InputState& input = *engine.app.input;
        if (input.IsAdvanceReleased() || input.buttonReleased(1))
            engine.app.skipMode = false;
    }

    if (engine.display.effectRunning && !AdvanceTransition(engine))
        return;

    DispatchCommand(engine);
}

} // namespace vura
