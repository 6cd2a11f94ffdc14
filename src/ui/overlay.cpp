#include "ui/overlay.hpp"

#include "core/engine.hpp"
#include "text/text_commands.hpp"

namespace vura {

void DrawOverlays(Engine& engine, OverlayDraw which) {
    DrawSystemButtons(engine);
    DrawClickableMapItems(engine);
    if (which == OverlayDraw::All)
        DrawSaveLoadScreen(engine);
}

void DrawSystemButtons(Engine& /*engine*/) {}

void DrawClickableMapItems(Engine& /*engine*/) {}

void DrawSaveLoadScreen(Engine& /*engine*/) {}

void DrawWindowsOnTop(Engine& engine) {
    if (DrawActiveChoiceMenu(engine))
        return;
    for (auto& window : engine.text.messageWindows) {
        if (!window->pageText.empty())
            RedrawPage(engine, *window);
    }
}

bool DrawActiveChoiceMenu(Engine& /*engine*/) {
    return false;
}

bool ChoiceMenuShowing(Engine& /*engine*/) {
    return false;
}

bool ProcessSystemButton(Engine& /*engine*/) {
    return false;
}

bool ReadyToJumpRClickProcess(Engine& /*engine*/) {
    return false;
}

bool RightClickRequested(Engine& engine) {
    return engine.ui.rightClickEnabled && engine.app.input->IsCancelReleased();
}

} // namespace vura
