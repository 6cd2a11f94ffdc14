#include "ui/overlay.hpp"

#include "audio/sound_commands.hpp"
#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"
#include "platform/key_codes.hpp"
#include "resources/resource_lookup.hpp"
#include "save/save_point.hpp"
#include "text/text_commands.hpp"

#include <string>

namespace vura {

namespace {

LayerSet* layerSetOf(Engine& engine, bool rightClick) {
    return rightClick ? engine.display.rightClickLayerSet.get() : engine.display.mainLayerSet.get();
}

LookPictures picturesOf(LayerSet* set, int layerNumber) {
    const Layer* layer = set ? set->layer(layerNumber) : nullptr;
    if (!layer)
        return {};
    LookPictures pictures{layer->surface.get(), nullptr};
    if (const Layer* mask = set->mask(layer->maskIndex))
        pictures.mask = mask->surface.get();
    return pictures;
}

void present(Engine& engine, const Rect& area) {
    presentScreenRect(engine, area);
}

// A button drawn again on the screen: its hit rectangle back from the backdrop, then its look
// (the plain one of a disabled button), unless it is hidden.
void showButtonLook(Engine& engine, int index, int look) {
    const SystemButton* b = engine.ui.systemButtons.button(index);
    if (!b)
        return;
    const Rect hit{b->hitX, b->hitY, b->hitWidth, b->hitHeight};
    RestoreFromBackdrop(engine, hit);
    if (b->shown) {
        LookPictures p = ButtonPictures(engine);
        drawButton(*engine.display.screenSurface, p.picture, p.mask, *b,
                   b->enabled ? look : kLookDisabled);
    }
    present(engine, hit);
    present(engine, {b->x, b->y, b->width, b->height});
}

} // namespace

void DrawOverlays(Engine& engine, OverlayDraw which) {
    DrawSystemButtons(engine);
    DrawClickableMapItems(engine);
    if (which == OverlayDraw::All)
        DrawSaveLoadScreen(engine);
}

void DrawSystemButtons(Engine& engine) {
    LookPictures p = ButtonPictures(engine);
    drawButtons(*engine.display.workSurface, p.picture, p.mask, engine.ui.systemButtons);
}

void DrawClickableMapItems(Engine& engine) {
    ClickableMap& map = engine.ui.currentMap();
    LookPictures p = MapPictures(engine, map);
    drawMap(*engine.display.workSurface, p.picture, p.mask, map);
    // Every hotspot is drawn plain now; the wait highlights the one under the pointer again.
    map.hovered = -1;
}

void DrawWindowsOnTop(Engine& engine) {
    if (DrawActiveChoiceMenu(engine))
        return;
    for (auto& window : engine.text.messageWindows) {
        if (!window->pageText.empty())
            RedrawPage(engine, *window);
    }
}

bool DrawActiveChoiceMenu(Engine& engine) {
    const ChoiceMenu& menu = engine.ui.choiceMenu;
    MessageWindow* window = menu.showing() ? engine.text.window(menu.window) : nullptr;
    if (!window)
        return false;
    drawPageText(*window, menu.startText);
    for (const ChoiceLine& line : menu.lines)
        drawChoiceText(*window, line);
    return true;
}

bool ChoiceMenuShowing(Engine& engine) {
    return engine.ui.choiceMenu.showing();
}

LookPictures MapPictures(Engine& engine, const ClickableMap& map) {
    return picturesOf(layerSetOf(engine, &map == &engine.ui.rightClickMap), map.layer);
}

LookPictures ButtonPictures(Engine& engine) {
    const SystemButtons& buttons = engine.ui.systemButtons;
    return picturesOf(layerSetOf(engine, buttons.layerInRightClickSet), buttons.layer);
}

void RestoreFromBackdrop(Engine& engine, const Rect& area) {
    engine.display.screenSurface->copyRectInPlace(*engine.display.backdropSurface, area.x, area.y,
                                                  area.width, area.height);
}

bool ProcessSystemButton(Engine& engine) {
    SystemButtons& buttons = engine.ui.systemButtons;
    const AppState& app = *engine.app.appState;
    const InputState& input = *engine.app.input;
    const int hit = buttons.hitTest(app.mouseX, app.mouseY);
    if (hit != buttons.hovered) {
        showButtonLook(engine, buttons.hovered, kLookNormal);
        showButtonLook(engine, hit, kLookHovered);
        if (const SystemButton* b = buttons.button(hit); b && b->hoverChannel > 0)
            PlayChannelOnce(engine, b->hoverChannel);
        buttons.hovered = hit;
    }
    int fire = buttons.shortcut(input.keyReleased(key::kSpace), input.currentWheel);
    if (fire < 0) {
        if (hit < 0 || !input.buttonReleased(0))
            return false;
        fire = hit;
    }
    // A ninth suspension is refused before anything happens: the command waits on.
    if (!CanSuspend(engine))
        return false;
    const SystemButton button = buttons.buttons[static_cast<std::size_t>(fire)];
    if (button.clickChannel > 0)
        PlayChannelOnce(engine, button.clickChannel);
    showButtonLook(engine, fire, kLookNormal);
    TakeSavePoint(engine);
    buttons.hovered = -1;
    return SuspendForScript(engine, button.script, "ProcessSystemButton");
}

bool ReadyToJumpRClickProcess(Engine& engine) {
    // One right-click screen at a time, and no ninth suspension.
    if (engine.ui.rightClickMapCurrent ||
        engine.display.currentLayerSet == engine.display.rightClickLayerSet.get() ||
        !CanSuspend(engine))
        return false;
    TakeSavePoint(engine);
    if (!SuspendForScript(engine, "RCLICK", "ReadyToJumpRClickProcess"))
        return false;
    SwitchObjectsRC(engine, 1);
    return true;
}

bool RightClickRequested(Engine& engine) {
    return engine.ui.rightClickEnabled && engine.app.input->IsCancelReleased();
}

void SwitchObjectsRC(Engine& engine, int which) {
    DisplayState& display = engine.display;
    if (which == 0) {
        display.currentLayerSet = display.mainLayerSet.get();
        engine.ui.rightClickMapCurrent = false;
    } else if (which == 1) {
        display.rightClickLayerSet->setSurfaces(
            display.screenSurface.get(), display.workSurface.get(), display.previousSurface.get());
        display.currentLayerSet = display.rightClickLayerSet.get();
        engine.ui.rightClickMapCurrent = true;
    } else {
        engine.platform.messageBox(BoxOwner::MainWindow, "illigal Switch in SwitchObjectsRC()",
                                   "error", MessageBoxButtons::Ok);
    }
}

void ReturnFromRClickScreen(Engine& engine) {
    SwitchObjectsRC(engine, 0);
    freezeShown(engine);
    restoreScreen(engine);
}

bool CanSuspend(const Engine& engine) {
    return engine.script.savedCommandTop + 1 < kSavedCommandDepth;
}

bool SuspendForScript(Engine& engine, std::string_view scriptSjis, std::string_view operation) {
    if (!engine.script.vm || !CanSuspend(engine))
        return false;
    ScriptVm& vm = *engine.script.vm;
    const std::string name = vm.scriptName;
    const std::string directory = vm.scriptDirectory;
    bool called = vm.PushFrame(true);
    if (called && !LoadSQX(engine, scriptSjis)) {
        // Nothing is suspended: the frame goes, and the machine still stands in its script.
        CallFrame dropped;
        vm.PopFrame(dropped);
        vm.scriptName = name;
        vm.scriptDirectory = directory;
        called = false;
    }
    if (!called) {
        std::string text = sjis("SQXCallに失敗") + " in " + std::string(operation) + "()";
        engine.platform.messageBox(BoxOwner::MainWindow, text, "error", MessageBoxButtons::Ok);
        return false;
    }
    engine.ui.suspendedMenus[static_cast<std::size_t>(engine.script.savedCommandTop + 1)] =
        engine.ui.choiceMenu;
    PushSavedCommand(engine);
    return true;
}

void ResumeSuspended(Engine& engine) {
    const int slot = engine.script.savedCommandTop + 1;
    if (slot < 0 || slot >= kSuspendedMenuDepth)
        return;
    ChoiceMenu& saved = engine.ui.suspendedMenus[static_cast<std::size_t>(slot)];
    if (saved != engine.ui.choiceMenu) {
        engine.ui.choiceMenu = std::move(saved);
        if (DrawActiveChoiceMenu(engine))
            if (const MessageWindow* w = engine.text.window(engine.ui.choiceMenu.window))
                present(engine, w->screenRect);
    }
    saved = ChoiceMenu{};
}

bool StartPickWait(Engine& engine) {
    ScriptState& script = engine.script;
    if (script.commandPhase != 0)
        return false;
    engine.app.skipMode = false;
    script.commandScratch[kPickMayCancel] = popValue(engine);
    script.commandScratch[kPickResultVariable] = popValue(engine);
    script.commandPhase = 1;
    return true;
}

int FinishPickWait(Engine& engine, std::int32_t result) {
    engine.script.vm->WriteGameInt(engine.script.commandScratch[kPickResultVariable], result);
    return completeCommand(engine);
}

} // namespace vura
