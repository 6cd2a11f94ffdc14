#include "graphics/graphic_effect.hpp"

#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"
#include "graphics/transition.hpp"

#include <vector>

namespace vura {

namespace {

// The argument error of the command: the message, and the game ends.
int argumentError(Engine& engine) {
    return FailFatal(engine, sjis("Effect指定引数が不正です"), "StartupGraphicEffect");
}

// The one-value form: a negative value shows the layer set at once.
int showAtOnce(Engine& engine) {
    std::optional<std::int32_t> value = popInt(engine);
    if (!value || *value >= 0)
        return argumentError(engine);
    refreshScreen(engine);
    return completeCommand(engine);
}

} // namespace

namespace commands {

int StartupGraphicEffect(Engine& engine) {
    pollInput(engine);
    std::int32_t count = popValue(engine);
    if (count == 1)
        return showAtOnce(engine);
    // A form with fewer values than its type reads is refused like any other bad argument.
    if (count < 2 || count > 64)
        return argumentError(engine);
    std::optional<std::int32_t> runScript = popFlag(engine);
    if (!runScript)
        return argumentError(engine);
    std::vector<std::int32_t> parameters(static_cast<std::size_t>(count - 2));
    for (std::size_t i = parameters.size(); i-- > 0;) {
        std::optional<std::int32_t> p = popInt(engine);
        if (!p)
            return argumentError(engine);
        parameters[i] = *p;
    }
    std::optional<std::int32_t> type = popInt(engine);
    if (!type)
        return argumentError(engine);
    std::size_t k = parameters.size();
    if ((*type == kCrossfade && k < 1) || (*type == kRuleCrossfade && k < 2))
        return argumentError(engine);
    int duration = *type == kCrossfade       ? parameters[k - 1]
                   : *type == kRuleCrossfade ? parameters[k - 2]
                                             : 0;
    int ruleIndex = *type == kRuleCrossfade ? parameters[k - 1] : 0;
    DisplayState& display = engine.display;
    if (!startTransition(*display.currentLayerSet, *type, duration, ruleIndex))
        return argumentError(engine);
    // The picture now on screen is the old one of a crossfade.
    if (*type == kCrossfade || *type == kRuleCrossfade)
        display.previousSurface->copyFrom(*display.screenSurface);
    composeWithOverlays(engine);
    if (!engine.app.input->IsSkipHeld() && !engine.app.skipMode &&
        engine.script.vm->ReadCommonInt(engine.text.effectVariable) != 0) {
        display.effectRunning = true;
        display.scriptRunsDuringEffect = *runScript == 1;
        return completeCommand(engine);
    }
    // Transitions switched off, Ctrl held or skip mode: the new picture at once.
    showComposedPicture(engine);
    return completeCommand(engine);
}

} // namespace commands
} // namespace vura
