#include "graphics/screen.hpp"

#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/transition.hpp"
#include "resources/resource_lookup.hpp"
#include "ui/overlay.hpp"

namespace vura {

void presentScreen(Engine& engine) {
    presentScreenRect(engine, {0, 0, engine.display.screenWidth, engine.display.screenHeight});
}

void presentScreenRect(Engine& engine, const Rect& area) {
    const Surface* screen = engine.display.screenSurface.get();
    // While a movie shows, the window is the movie's.
    if (!screen || screen->empty() || engine.video.showing)
        return;
    presentPicture(engine, screen->view(), area);
}

void presentPicture(Engine& engine, const BgrImageView& picture, const Rect& area) {
    engine.platform.present(picture, area);
    // The first picture marks the end of start-up, which the window benchmark times.
    if (!engine.display.pictureShown && engine.config.trace)
        *engine.config.trace << "trace: first picture presented\n";
    engine.display.pictureShown = true;
}

void composeWithOverlays(Engine& engine, bool copyBackdrop) {
    DisplayState& display = engine.display;
    display.currentLayerSet->compose();
    if (copyBackdrop)
        display.backdropSurface->copyFrom(*display.workSurface);
    DrawOverlays(engine);
}

void showComposedPicture(Engine& engine) {
    engine.display.screenSurface->copyFrom(*engine.display.workSurface);
    if (engine.display.windowsOnTop)
        DrawWindowsOnTop(engine);
    presentScreen(engine);
}

void refreshScreen(Engine& engine) {
    composeWithOverlays(engine);
    showComposedPicture(engine);
}

void freezeShown(Engine& engine) {
    LayerSet& set = *engine.display.currentLayerSet;
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
    DisplayState& display = engine.display;
    LayerSet& set = *display.currentLayerSet;
    set.redrawShown(*display.workSurface);
    display.backdropSurface->copyFrom(*display.workSurface);
    DrawOverlays(engine, OverlayDraw::WithoutSaveLoadScreen);
    display.screenSurface->copyFrom(*display.workSurface);
    // Here the windows come back whatever windowsOnTop says.
    DrawWindowsOnTop(engine);
    presentScreen(engine);
    set.releaseShownSurfaces();
}

void rebuildAfterPeek(Engine& engine) {
    composeWithOverlays(engine, false);
    engine.display.screenSurface->copyFrom(*engine.display.workSurface);
    DrawWindowsOnTop(engine);
    presentScreen(engine);
}

bool AdvanceTransition(Engine& engine) {
    DisplayState& display = engine.display;
    pollInput(engine);
    if (engine.app.input->IsSkipHeld() || engine.app.skipMode) {
        // Ctrl or skip mode finishes the transition at once, and the command's handler still
        // runs in this tick. Windows kept on top stay on top of the finished picture.
        showComposedPicture(engine);
        display.effectRunning = false;
        return true;
    }
    if (display.currentLayerSet->stepTimer.isDue()) {
        if (stepTransitionOnce(*display.currentLayerSet))
            display.effectRunning = false;
        if (display.windowsOnTop)
            DrawWindowsOnTop(engine);
        presentScreen(engine);
    }
    if (display.effectRunning)
        engine.app.rest.dueIn(display.currentLayerSet->stepTimer.msUntilDue());
    // A transition that holds the script holds it also in the tick that completes it.
    return display.scriptRunsDuringEffect;
}

} // namespace vura
