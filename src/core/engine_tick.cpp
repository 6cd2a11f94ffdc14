#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"
#include "video/video_commands.hpp"

namespace vura {

void EngineTick(Engine& engine) {
    // The movie advances first, and also while the window is inactive, as a movie player keeps
    // playing when its window is not in front.
    RestPlan& rest = engine.app.rest;
    rest.startPass();
    AdvanceVideo(engine);
    // While the window is inactive the script is frozen, waits included.
    if (!engine.app.appState || !engine.app.appState->active) {
        rest.restFor(RestPlan::kLongestMs);
        return;
    }

    // Skip mode ends when a mouse button or an advance key is let go.
    if (engine.app.skipMode) {
        pollInput(engine);
        const InputState& input = *engine.app.input;
        if (input.IsAdvanceReleased() || input.buttonReleased(1))
            engine.app.skipMode = false;
    }

    if (engine.display.effectRunning && !AdvanceTransition(engine)) {
        rest.restFor(RestPlan::kLongestMs); // the transition has said when its next step is due
        return;
    }

    DispatchCommand(engine);
}

} // namespace vura
