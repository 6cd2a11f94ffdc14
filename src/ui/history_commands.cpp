// The message history viewer: command 82 opens it over the picture on screen, lets the player
// scroll with the wheel (or the script with 83 and 84) and replay a page's voice by its icon,
// and closes on the right button or Escape with the screen exactly as it was.
//
// The pages are laid out in a copy of the layout window, so a message waiting in that window
// keeps its page, pen and read position. Settings come from the scripts unchecked: a window or
// layer that does not exist leaves its part out.

#include "ui/history_commands.hpp"

#include "audio/sound_commands.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"
#include "ui/overlay.hpp"

namespace vura {

namespace {

enum HistoryPhase { kHistoryOpen = 0, kHistoryBrowse = 1, kHistoryClose = 2 };

HistoryViewer& viewer(Engine& engine) {
    return engine.ui.history;
}

const HistorySettings& settings(Engine& engine) {
    return engine.text.historySettings;
}

int logCount(Engine& engine) {
    return static_cast<int>(engine.text.messageLog->pages().size());
}

// The picture of a layer of the current set and its mask's, when they exist.
LookPictures layerPictures(Engine& engine, int number) {
    LayerSet& set = *engine.display.currentLayerSet;
    const Layer* layer = set.layer(number);
    if (!layer)
        return {};
    const Layer* mask = set.mask(layer->maskIndex);
    return {layer->surface.get(), mask ? mask->surface.get() : nullptr};
}

// The part of the panel under a rectangle, drawn again.
void drawPanelPart(Engine& engine, const Rect& r) {
    const Layer* panel =
        engine.display.currentLayerSet->layer(settings(engine)[kHistoryPanelLayer]);
    if (!panel)
        return;
    LookPictures p = layerPictures(engine, settings(engine)[kHistoryPanelLayer]);
    drawPiece(*engine.display.screenSurface, p.picture, p.mask, r.x, r.y, r.width, r.height,
              std::int64_t{panel->srcX} + r.x - panel->x,
              std::int64_t{panel->srcY} + r.y - panel->y);
}

void drawIcon(Engine& engine, const VoiceButton& button, int look) {
    const HistorySettings& s = settings(engine);
    LookPictures p = layerPictures(engine, s[kHistoryIconLayer]);
    drawPiece(*engine.display.screenSurface, p.picture, p.mask, button.rect.x, button.rect.y,
              button.rect.width, button.rect.height,
              std::int64_t{s[kHistoryIconSrcX]} + std::int64_t{look - 1} * s[kHistoryIconWidth],
              s[kHistoryIconSrcY]);
}

// An icon shown again in a look: the backdrop, the panel under it, the look.
void showIcon(Engine& engine, int index, int look) {
    HistoryViewer& v = viewer(engine);
    if (index < 0 || static_cast<std::size_t>(index) >= v.buttons.size())
        return;
    const VoiceButton& button = v.buttons[static_cast<std::size_t>(index)];
    RestoreFromBackdrop(engine, button.rect);
    drawPanelPart(engine, button.rect);
    drawIcon(engine, button, look);
    presentScreenRect(engine, button.rect);
}

void drawPages(Engine& engine) {
    HistoryViewer& v = viewer(engine);
    MessageWindow* layout = engine.text.window(settings(engine)[kHistoryLayoutWindow]);
    if (!layout) {
        v.endMarker = v.scrollOffset;
        return;
    }
    MessageWindow copy(layout->characterTimer);
    PrepareLayoutCopy(copy, *layout);
    copy.target = engine.display.screenSurface.get();
    const TextArea area = layout->textArea;
    // An entry whose window was made anew since takes the layout window's height.
    auto heightOf = [&](int window) {
        const MessageWindow* w = engine.text.window(window);
        return (w ? w : layout)->textArea.height;
    };
    std::vector<HistoryPlace> places;
    v.endMarker = placeHistory(engine.text.messageLog->pages(), v.scrollOffset, area.top,
                               area.top + area.height, heightOf, places);
    for (const HistoryPlace& place : places) {
        const LogPage& page = engine.text.messageLog->pages()[place.entry];
        writeHistoryPage(copy, page, area.left, place.y);
        const std::size_t first = v.buttons.size();
        addVoiceButtons(page, area.left, place.y, layout->style.font.height, settings(engine),
                        v.buttons);
        for (std::size_t i = first; i < v.buttons.size(); ++i)
            drawIcon(engine, v.buttons[i], kLookNormal);
    }
    DetachHooks(copy);
}

// The history closes: the voice stops, the frozen pictures go, and the screen is the picture
// with its text again.
int closeHistory(Engine& engine) {
    HistoryViewer& v = viewer(engine);
    if (const MessageWindow* layout = engine.text.window(settings(engine)[kHistoryLayoutWindow]))
        StopChannel(engine, layout->voiceChannel);
    engine.display.currentLayerSet->releaseShownSurfaces();
    engine.display.screenSurface->copyFrom(*engine.display.workSurface);
    DrawWindowsOnTop(engine);
    presentScreen(engine);
    engine.ui.systemButtons.hovered = -1;
    v.open = false;
    v.buttons.clear();
    v.hovered = -1;
    return completeCommand(engine);
}

void replayVoice(Engine& engine, const VoiceButton& button) {
    const MessageWindow* layout = engine.text.window(settings(engine)[kHistoryLayoutWindow]);
    if (!layout || layout->voiceChannel <= 0)
        return;
    if (LoadChannelSound(engine, layout->voiceChannel, button.voice))
        PlayChannelOnce(engine, layout->voiceChannel);
}

void scroll(Engine& engine, int by) {
    viewer(engine).scrollOffset += by;
    DrawHistory(engine);
}

bool canScrollBack(Engine& engine) {
    return viewer(engine).endMarker < logCount(engine);
}

int browse(Engine& engine) {
    HistoryViewer& v = viewer(engine);
    pollInput(engine);
    const AppState& app = *engine.app.appState;
    const int hit = v.hitTest(app.mouseX, app.mouseY);
    if (hit != v.hovered) {
        showIcon(engine, v.hovered, kLookNormal);
        showIcon(engine, hit, kLookHovered);
        v.hovered = hit;
    }
    if (ProcessSystemButton(engine))
        return 1;
    const InputState& input = *engine.app.input;
    if (input.IsCancelReleased()) {
        engine.script.commandPhase = kHistoryClose;
        return 0;
    }
    if (input.currentWheel < 0 && v.scrollOffset > 0)
        scroll(engine, -1);
    else if (input.currentWheel > 0 && canScrollBack(engine))
        scroll(engine, 1);
    if (v.hovered >= 0 && input.buttonReleased(0))
        replayVoice(engine, v.buttons[static_cast<std::size_t>(v.hovered)]);
    engine.app.rest.restFor(RestPlan::kLongestMs);
    return 0;
}

} // namespace

void DrawHistory(Engine& engine) {
    HistoryViewer& v = viewer(engine);
    DisplayState& display = engine.display;
    v.buttons.clear();
    v.hovered = -1;
    display.screenSurface->copyFrom(*display.backdropSurface);
    if (const Layer* panel = display.currentLayerSet->layer(settings(engine)[kHistoryPanelLayer]))
        drawPanelPart(engine, {panel->x, panel->y, panel->width, panel->height});
    drawPages(engine);
    // The live buttons stay over the panel, in their plain look.
    const SystemButtons& buttons = engine.ui.systemButtons;
    LookPictures p = ButtonPictures(engine);
    for (const SystemButton& b : buttons.buttons) {
        if (!b.live())
            continue;
        RestoreFromBackdrop(engine, {b.hitX, b.hitY, b.hitWidth, b.hitHeight});
        drawButton(*display.screenSurface, p.picture, p.mask, b, kLookNormal);
    }
    presentScreen(engine);
}

namespace commands {

int SetHistoryLayout(Engine& engine) {
    engine.text.historySettings[kHistoryPanelLayer] = popValue(engine);
    engine.text.historySettings[kHistoryLayoutWindow] = popValue(engine);
    return completeCommand(engine);
}

int SetHistoryVoiceIcon(Engine& engine) {
    HistorySettings& s = engine.text.historySettings;
    s[kHistoryIconHeight] = popValue(engine);
    s[kHistoryIconWidth] = popValue(engine);
    s[kHistoryIconSrcY] = popValue(engine);
    s[kHistoryIconSrcX] = popValue(engine);
    s[kHistoryIconLayer] = popValue(engine);
    return completeCommand(engine);
}

int ShowMessageHistory(Engine& engine) {
    HistoryViewer& v = viewer(engine);
    switch (engine.script.commandPhase) {
    case kHistoryOpen: {
        // Nothing to show, or a viewer already open (a button script of the viewer's own).
        const int count = logCount(engine);
        if (v.open || count == 0 || (ChoiceMenuShowing(engine) && count <= 1))
            return completeCommand(engine);
        engine.ui.systemButtons.hovered = -1;
        v.savedPageTexts.clear();
        for (const auto& window : engine.text.messageWindows)
            v.savedPageTexts.push_back(window->pageText);
        freezeShown(engine);
        v.open = true;
        v.scrollOffset = 0;
        DrawHistory(engine);
        engine.script.commandPhase = kHistoryBrowse;
        return 0;
    }
    case kHistoryBrowse:
        return browse(engine);
    default:
        return closeHistory(engine);
    }
}

int ScrollHistoryBack(Engine& engine) {
    if (viewer(engine).open && canScrollBack(engine))
        scroll(engine, 1);
    return completeCommand(engine);
}

int ScrollHistoryForward(Engine& engine) {
    if (viewer(engine).open && viewer(engine).scrollOffset > 0)
        scroll(engine, -1);
    return completeCommand(engine);
}

} // namespace commands

} // namespace vura
