#include "graphics/graphic_effect.hpp"

#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "core/sjis.hpp"
#include "graphics/blend.hpp"
#include "graphics/layer_set.hpp"
#include "graphics/screen.hpp"
#include "graphics/transition.hpp"
#include "resources/resource_lookup.hpp"

#include <algorithm>
#include <vector>

namespace vura {

namespace {

// The overlays join with their subsystems; each has its place in the rebuild already.
void drawSystemButtons(Engine& /*engine*/) {}
void drawClickableMapItems(Engine& /*engine*/) {}
void drawSaveLoadScreen(Engine& /*engine*/) {}

// The clip rectangle cut to the surfaces a crossfade reads and writes.
BlendRect clipWithin(const LayerSet& set, std::initializer_list<const Surface*> surfaces) {
    const ClipRect& c = set.clipRect;
    long long x0 = c.x, y0 = c.y;
    long long x1 = x0 + c.width, y1 = y0 + c.height;
    x0 = std::max(x0, 0LL);
    y0 = std::max(y0, 0LL);
    for (const Surface* s : surfaces) {
        x1 = std::min<long long>(x1, s->width());
        y1 = std::min<long long>(y1, s->height());
    }
    if (x1 <= x0 || y1 <= y0)
        return {};
    int x = static_cast<int>(x0), y = static_cast<int>(y0);
    return {x, y, static_cast<int>(x1 - x0), static_cast<int>(y1 - y0), x, y};
}

bool usable(const Surface* s) {
    return s && !s->empty() && s->bitsPerPixel() == 24;
}

// The argument error of the command: the message, and the game ends.
int argumentError(Engine& engine) {
    return FailFatal(engine, sjis("Effect指定引数が不正です"), "StartupGraphicEffect");
}

// An integer argument: Int, or a game or common int variable.
bool popIntegerArgument(Engine& engine, std::int32_t& out) {
    std::optional<std::int32_t> v = popInt(engine);
    if (!v)
        return false;
    out = *v;
    return true;
}

} // namespace

bool startTransition(LayerSet& set, int type, int duration, int ruleIndex) {
    TransitionState& t = set.transition;
    if (type < kCrossfade || type > kStaggeredHorizontalStripes)
        return false;
    t = {};
    t.type = type;
    t.ruleIndex = ruleIndex;
    switch (type) {
    case kCrossfade:
        t.limit = 256;
        t.step = duration <= 0 ? 256 : std::max(1, 256 / duration);
        break;
    case kRuleCrossfade:
        t.limit = 511;
        t.step = duration / 2 <= 0 ? 256 : std::max(1, 256 / (duration / 2));
        break;
    case kVerticalStripes:
    case kHorizontalStripes:
        t.limit = 16;
        t.step = 1;
        break;
    default:
        t.limit = 56;
        t.step = 1;
        break;
    }
    return true;
}

bool stepTransitionOnce(LayerSet& set) {
    TransitionState& t = set.transition;
    Surface* screen = set.screenSurface;
    Surface* work = set.workSurface;
    Surface* previous = set.previousSurface;
    const ClipRect& clip = set.clipRect;
    const int p = t.progress;
    if (usable(screen) && usable(work)) {
        switch (t.type) {
        case kCrossfade:
            if (usable(previous)) {
                BlendRect r = clipWithin(set, {screen, work, previous});
                crossfade(*screen, r, *previous, *work, p);
            }
            break;
        case kRuleCrossfade: {
            const Layer* rule = set.mask(t.ruleIndex);
            const Surface* rulePicture = rule ? rule->surface.get() : nullptr;
            if (!usable(previous))
                break;
            if (usable(rulePicture)) {
                BlendRect r = clipWithin(set, {screen, work, previous, rulePicture});
                ruleBlend(*screen, r, *work, *previous, *rulePicture, p);
            } else {
                // Without a rule picture the change runs as a plain crossfade of the same
                // length rather than not at all.
                BlendRect r = clipWithin(set, {screen, work, previous});
                crossfade(*screen, r, *previous, *work, std::min(256, p * 256 / 511));
            }
            break;
        }
        case kVerticalStripes:
        case kStaggeredVerticalStripes:
        case kHorizontalStripes:
        case kStaggeredHorizontalStripes: {
            bool columns = t.type == kVerticalStripes || t.type == kStaggeredVerticalStripes;
            bool staggered = t.type >= kStaggeredVerticalStripes;
            int strips = columns ? 40 : 30;
            int last = staggered ? std::min(p, strips - 1) : strips - 1;
            for (int i = 0; i <= last; ++i) {
                int offset = p;
                if (staggered) {
                    if (t.strips[i] >= 16)
                        continue;
                    offset = t.strips[i]++;
                }
                int at = offset + 16 * i;
                // Stripes run past the clip rectangle's far edges; copyRect keeps them on the
                // surfaces.
                if (columns && at >= clip.x)
                    screen->copyRect(*work, at, clip.y, 1, clip.height, at, clip.y);
                else if (!columns && at >= clip.y)
                    screen->copyRect(*work, clip.x, at, clip.width, 1, clip.x, at);
            }
            break;
        }
        default:
            return true;
        }
    }
    if (p >= t.limit)
        return true;
    t.progress = std::min(p + t.step, t.limit);
    return false;
}

void composeWithOverlays(Engine& engine, bool copyBackdrop) {
    engine.currentLayerSet->compose();
    if (copyBackdrop)
        engine.backdropSurface->copyFrom(*engine.workSurface);
    drawSystemButtons(engine);
    drawClickableMapItems(engine);
    drawSaveLoadScreen(engine);
}

void refreshScreen(Engine& engine) {
    composeWithOverlays(engine);
    engine.screenSurface->copyFrom(*engine.workSurface);
    if (engine.windowsOnTop)
        RedrawWindowsOnTop(engine);
    presentScreen(engine);
}

void freezeShown(Engine& engine) {
    LayerSet& set = *engine.currentLayerSet;
    auto freeze = [&](Layer* shown, const Layer* current) {
        if (!shown || !current || shown->name == current->name)
            return;
        shown->surface = std::make_unique<Surface>();
        if (!shown->name.empty())
            LoadPicture(engine, shown->name, *shown->surface);
    };
    for (int i = 0; i < set.layerCount(); ++i)
        freeze(set.shownLayer(i), set.layer(i));
    for (int i = 0; i < set.maskCount(); ++i)
        freeze(set.shownMask(i), set.mask(i));
}

void restoreScreen(Engine& engine) {
    LayerSet& set = *engine.currentLayerSet;
    set.redrawShown(*engine.workSurface);
    engine.backdropSurface->copyFrom(*engine.workSurface);
    drawSystemButtons(engine);
    drawClickableMapItems(engine);
    engine.screenSurface->copyFrom(*engine.workSurface);
    // Here the windows come back whatever windowsOnTop says.
    RedrawWindowsOnTop(engine);
    presentScreen(engine);
    set.releaseShownSurfaces();
}

namespace commands {

int StartupGraphicEffect(Engine& engine) {
    pollInput(engine);
    std::int32_t count = popValue(engine);
    if (count == 1) {
        std::int32_t value = 0;
        if (!popIntegerArgument(engine, value) || value >= 0)
            return argumentError(engine);
        refreshScreen(engine);
        return completeCommand(engine);
    }
    // A form with fewer values than its type reads is refused like any other bad argument.
    if (count < 2 || count > 64)
        return argumentError(engine);
    Value run = popRaw(engine);
    bool runScript;
    if (run.type == kBool) {
        runScript = run.value == 1;
    } else if (run.type == kGameFlagRef) {
        const auto& flags = engine.vm->gameFlags;
        bool inside = run.value >= 0 && static_cast<std::size_t>(run.value) < flags.size();
        if (!inside && engine.vm->onAccessViolation)
            engine.vm->onAccessViolation();
        runScript = inside && flags[run.value] == 1;
    } else {
        return argumentError(engine);
    }
    std::vector<std::int32_t> parameters(static_cast<std::size_t>(count - 2));
    for (std::size_t i = parameters.size(); i-- > 0;) {
        if (!popIntegerArgument(engine, parameters[i]))
            return argumentError(engine);
    }
    std::int32_t type = 0;
    if (!popIntegerArgument(engine, type))
        return argumentError(engine);
    std::size_t k = parameters.size();
    if ((type == kCrossfade && k < 1) || (type == kRuleCrossfade && k < 2))
        return argumentError(engine);
    int duration = type == kCrossfade       ? parameters[k - 1]
                   : type == kRuleCrossfade ? parameters[k - 2]
                                            : 0;
    int ruleIndex = type == kRuleCrossfade ? parameters[k - 1] : 0;
    LayerSet& set = *engine.currentLayerSet;
    if (!startTransition(set, type, duration, ruleIndex))
        return argumentError(engine);
    // The picture now on screen is the old one of a crossfade.
    if (type == kCrossfade || type == kRuleCrossfade)
        engine.previousSurface->copyFrom(*engine.screenSurface);
    composeWithOverlays(engine);
    if (!engine.input->IsSkipHeld() && !engine.skipMode &&
        engine.vm->ReadCommonInt(engine.effectVariable) != 0) {
        engine.effectRunning = true;
        engine.scriptRunsDuringEffect = runScript;
        return completeCommand(engine);
    }
    // Transitions switched off, Ctrl held or skip mode: the new picture at once.
    engine.screenSurface->copyFrom(*engine.workSurface);
    if (engine.windowsOnTop)
        RedrawWindowsOnTop(engine);
    presentScreen(engine);
    return completeCommand(engine);
}

} // namespace commands
} // namespace vura
