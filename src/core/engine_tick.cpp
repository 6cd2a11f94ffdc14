#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"
#include "graphics/transition.hpp"
#include "platform/key_codes.hpp"

namespace vura {

namespace {

// Skip mode ends when a mouse button or an advance key is let go: left or right button,
// Return, keypad Enter or either Shift.
bool skipModeReleased(const InputState& in) {
    return in.buttonReleased(0) || in.buttonReleased(1) || in.keyReleased(key::kReturn) ||
           in.keyReleased(key::kKeypadEnter) || in.keyReleased(key::kLeftShift) ||
           in.keyReleased(key::kRightShift);
}

} // namespace

void EngineTick(Engine& engine) {
    // While the window is inactive the script is frozen, waits included.
    if (!engine.appState || !engine.appState->active)
        return;

    if (engine.skipMode) {
        pollInput(engine);
        if (skipModeReleased(*engine.input))
            engine.skipMode = false;
    }

    if (engine.effectRunning) {
        pollInput(engine);
        if (engine.input->IsSkipHeld() || engine.skipMode) {
            // Ctrl or skip mode finishes the transition at once, and the command's handler
            // still runs in this tick. Windows kept on top stay on top of the finished picture.
            engine.screenSurface->copyFrom(*engine.workSurface);
            if (engine.windowsOnTop)
                RedrawWindowsOnTop(engine);
            presentScreen(engine);
            engine.effectRunning = false;
        } else {
            if (engine.currentLayerSet->stepTimer.isDue()) {
                if (RunTransitionStep(engine))
                    engine.effectRunning = false;
                if (engine.windowsOnTop)
                    RedrawWindowsOnTop(engine);
                presentScreen(engine);
            }
            // A transition that holds the script holds it also in the tick that completes it.
            if (!engine.scriptRunsDuringEffect)
                return;
        }
    }

    DispatchCommand(engine);
}

} // namespace vura
