// Command 79, the choice menu, in three phases: the lines laid out and written into the window;
// the player hovering (the line tinted, the choice cursor beside it) until a line is clicked,
// while the system buttons and the right button may suspend the menu; the pick stored, the page
// logged with its choices and emptied, and the picture shown again without text.

#include "ui/choice_commands.hpp"

#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"
#include "text/text_commands.hpp"
#include "ui/overlay.hpp"

#include <cstdlib>
#include <string>
#include <vector>

namespace vura {

namespace {

enum ChoicePhase { kChoiceShow = 0, kChoosing = 1, kChoiceEnd = 2 };
// The game int the pick goes to, the line picked, and the menu's window (where a load finds it).
enum ChoiceScratch { kResultVariable = 0, kChosen = 1, kWindow = 2 };

constexpr std::size_t kChoiceTextArg = 1024;

int argumentError(Engine& engine) {
    return FailFatal(engine, sjis("引数が不正です"), "ChoiceMenuReady");
}

// Where the choice cursor stands beside a line: left of it, centred on the font's height.
Rect cursorRect(const MessageWindow& window, const Animation& cursor, const ChoiceLine& line) {
    const int h = std::abs(window.style.font.height);
    return {line.x - cursor.width, line.y + (h - cursor.height) / 2 + 3, cursor.width,
            cursor.height};
}

int show(Engine& engine) {
    engine.app.skipMode = false;
    const std::int32_t count = popValue(engine);
    // The window, the result variable and the choices must all be there.
    if (count < 2 || count > engine.script.vm->top + 1)
        return argumentError(engine);
    std::vector<Value> choices(static_cast<std::size_t>(count - 2));
    for (std::size_t i = choices.size(); i-- > 0;)
        choices[i] = popUnresolvedString(engine);
    std::optional<std::int32_t> result = popGameIntRef(engine);
    if (!result)
        return argumentError(engine);
    std::optional<std::int32_t> number = popInt(engine);
    if (!number)
        return argumentError(engine);
    MessageWindow* window = engine.text.window(*number);
    if (!window)
        return completeCommand(engine); // no such window: nothing to show, nothing stored
    std::vector<std::string> texts;
    for (const Value& choice : choices)
        texts.push_back(resolveString(engine, choice, kChoiceTextArg));
    ChoiceMenu& menu = engine.ui.choiceMenu;
    menu.clear();
    menu.window = *number;
    menu.startText = window->pageText;
    menu.lines = layoutChoiceLines(*window, texts);
    for (const ChoiceLine& line : menu.lines)
        drawChoiceText(*window, line);
    presentScreenRect(engine, window->screenRect);
    engine.script.commandScratch[kResultVariable] = *result;
    engine.script.commandScratch[kWindow] = *number;
    engine.script.commandPhase = kChoosing;
    return 0;
}

// The choice cursor follows the line under the pointer: taken away from the old line and drawn
// from its first frame beside the new one, stepped while the line stays the same.
void moveCursor(Engine& engine, const MessageWindow& window, int hit) {
    Animation& cursor = engine.text.animations[kChoiceCursor];
    const ChoiceMenu& menu = engine.ui.choiceMenu;
    if (!cursor.enabled)
        return;
    if (hit == menu.hovered) {
        if (hit >= 0 && cursor.timer.isDue()) {
            Rect at = cursorRect(window, cursor, menu.lines[static_cast<std::size_t>(hit)]);
            DrawAnimationFrame(engine, kChoiceCursor, at.x, at.y);
        }
        return;
    }
    if (menu.hovered >= 0 && static_cast<std::size_t>(menu.hovered) < menu.lines.size()) {
        Rect old = cursorRect(window, cursor, menu.lines[static_cast<std::size_t>(menu.hovered)]);
        engine.display.screenSurface->copyRectInPlace(*engine.display.workSurface, old.x, old.y,
                                                      old.width, old.height);
        presentScreenRect(engine, old);
    }
    if (hit >= 0) {
        Rect at = cursorRect(window, cursor, menu.lines[static_cast<std::size_t>(hit)]);
        cursor.frame = 0;
        DrawAnimationFrame(engine, kChoiceCursor, at.x, at.y);
    }
}

int choose(Engine& engine, MessageWindow& window) {
    pollInput(engine);
    // A system button or the right-click script takes over; the menu resumes here later.
    if (ProcessSystemButton(engine))
        return 1;
    if (RightClickRequested(engine) && ReadyToJumpRClickProcess(engine))
        return 1;
    ChoiceMenu& menu = engine.ui.choiceMenu;
    const AppState& app = *engine.app.appState;
    const int hit = menu.hitTest(app.mouseX, app.mouseY);
    moveCursor(engine, window, hit);
    if (hit != menu.hovered) {
        Surface& screen = *engine.display.screenSurface;
        const Surface& work = *engine.display.workSurface;
        if (menu.hovered >= 0 && static_cast<std::size_t>(menu.hovered) < menu.lines.size())
            drawChoiceLine(screen, work, window, menu.lines[static_cast<std::size_t>(menu.hovered)],
                           false);
        if (hit >= 0)
            drawChoiceLine(screen, work, window, menu.lines[static_cast<std::size_t>(hit)], true);
        presentScreenRect(engine, window.screenRect);
        menu.hovered = hit;
    }
    if (hit >= 0 && engine.app.input->buttonReleased(0)) {
        engine.script.commandScratch[kChosen] = hit;
        engine.script.commandPhase = kChoiceEnd;
        return 0;
    }
    Animation& cursor = engine.text.animations[kChoiceCursor];
    engine.app.rest.restFor(hit >= 0 && cursor.enabled ? cursor.timer.msUntilDue()
                                                       : RestPlan::kLongestMs);
    return 0;
}

int finish(Engine& engine, MessageWindow& window) {
    ChoiceMenu& menu = engine.ui.choiceMenu;
    engine.script.vm->WriteGameInt(engine.script.commandScratch[kResultVariable],
                                   engine.script.commandScratch[kChosen]);
    // The page goes to the log with every choice on a line of its own.
    std::string logText = menu.startText;
    for (const ChoiceLine& line : menu.lines)
        logText += line.text + '\x01';
    if (window.logPages && engine.text.messageLog)
        engine.text.messageLog->AddPage(menu.window, logText);
    window.newPage(window);
    // The picture again without text: the layers and the overlays, the backdrop left alone.
    composeWithOverlays(engine, false);
    engine.display.screenSurface->copyFrom(*engine.display.workSurface);
    presentScreen(engine);
    menu.clear();
    return completeCommand(engine);
}

} // namespace

namespace commands {

int ChoiceMenuReady(Engine& engine) {
    if (engine.script.commandPhase == kChoiceShow)
        return show(engine);
    MessageWindow* window = engine.text.window(engine.ui.choiceMenu.window);
    if (!window) {
        // The windows were made anew under the menu: nothing to choose from any more.
        engine.ui.choiceMenu.clear();
        return completeCommand(engine);
    }
    if (engine.script.commandPhase == kChoosing)
        return choose(engine, *window);
    return finish(engine, *window);
}

} // namespace commands

} // namespace vura
