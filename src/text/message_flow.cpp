// The message command: a line of scenario text revealed in a message window character by
// character, click waits, the line's voice, skipping of read text and the message log; the peek
// at the picture without the text, the voice replay, and the redraw of the windows' pages.

#include "audio/sound_buffer.hpp"
#include "audio/sound_commands.hpp"
#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"
#include "platform/key_codes.hpp"
#include "resources/resource_lookup.hpp"
#include "text/text_commands.hpp"
#include "ui/overlay.hpp"

#include <string>

namespace vura {

namespace {

// Where command 44 keeps its message between ticks: the window's number, whether the line has
// a voice, the number of its read flag and whether that flag was set when the line began.
enum MessageScratch {
    kWindowNumber = 0,
    kVoiced = 1,
    kReadFlag = 2,
    kReadBefore = 3,
};

// Its five phases: the arguments taken and the text given to the window; characters revealed
// one at a time; waiting for a click; waiting for the character timer; the rest of the page at
// once.
enum MessagePhase {
    kReady = 0,
    kReveal = 1,
    kClickWait = 2,
    kCharacterDelay = 3,
    kFlush = 4,
};

// A page of the longest text takes about 1100 layout steps; far more in one tick means a
// layout that no longer advances, and the tick ends rather than hang the game.
constexpr int kLayoutStepsPerTick = 16384;

constexpr std::size_t kStringArgMax = 1024;

void showBox(Engine& engine, const char* messageUtf8, const char* caption) {
    engine.platform.messageBox(BoxOwner::MainWindow, sjis(messageUtf8), caption,
                               MessageBoxButtons::Ok);
}

void presentWindow(Engine& engine, const MessageWindow& window) {
    presentScreenRect(engine, window.screenRect);
}

CommandScratch& scratch(Engine& engine) {
    return engine.script.commandScratch;
}

void setPhase(Engine& engine, MessagePhase phase) {
    engine.script.commandPhase = phase;
}

// Erases the window's page: its screen rectangle back from the picture without text.
void eraseWindow(Engine& engine, const MessageWindow& window) {
    const Rect& r = window.screenRect;
    DisplayState& display = engine.display;
    display.screenSurface->copyRectInPlace(*display.workSurface, r.x, r.y, r.width, r.height);
}

// A page that ended by filling up or by code 3 goes to the log when the window logs pages.
void logPage(Engine& engine, int number, const MessageWindow& window) {
    if (window.logPages && engine.text.messageLog)
        engine.text.messageLog->AddPage(number, window.pageText);
}

void stopVoice(Engine& engine, const MessageWindow& window) {
    if (SoundBuffer* buffer = engine.sound.buffer(window.voiceChannel))
        buffer->stop();
}

// Loads the voice into the window's channel at the channel's volume; false when it cannot.
bool loadVoice(Engine& engine, const MessageWindow& window, const std::string& name) {
    int channel = window.voiceChannel;
    if (!engine.sound.buffer(channel))
        return false;
    StopChannel(engine, channel);
    if (!LoadSound(engine, name, channel))
        return false;
    ApplyChannelVolume(engine, channel, false);
    return true;
}

// Whether the message may be skipped: the skip-all variable is on, or it was read before.
// `inWait` adds the rule of the waiting phases: unread text, with skip-all off, ends skip mode.
bool skipApplies(Engine& engine, bool inWait) {
    bool readBefore = scratch(engine)[kReadBefore] != 0;
    bool skipAll = engine.script.vm->ReadCommonInt(engine.text.skipAllVariable) != 0;
    if (inWait && !readBefore && !skipAll)
        engine.app.skipMode = false;
    if (!skipAll && !readBefore)
        return false;
    return engine.app.input->IsSkipHeld() || engine.app.skipMode;
}

bool noWait(Engine& engine) {
    return engine.script.vm->ReadCommonInt(engine.text.noWaitVariable) != 0;
}

// The text ran out: the voice stops, the message counts as read, and the command completes.
int finishMessage(Engine& engine, const MessageWindow& window) {
    if (scratch(engine)[kVoiced] != 0)
        stopVoice(engine, window);
    engine.script.vm->WriteCommonFlag(scratch(engine)[kReadFlag], true);
    return completeCommand(engine, 0);
}

int ready(Engine& engine) {
    std::int32_t readFlag = popValue(engine);
    bool readBefore = engine.script.vm->ReadCommonFlag(readFlag);
    bool voiced = popValue(engine) == 3;
    // The strings are resolved once the window is known: the voice first, then the text.
    Value text = popUnresolvedString(engine);
    Value voice{};
    if (voiced)
        voice = popUnresolvedString(engine);
    std::optional<std::int32_t> number = popInt(engine);
    if (!number)
        return FailFatal(engine, sjis("引数が不正です"), "MessageFlowReady");
    MessageWindow* window = engine.text.window(*number);
    if (!window)
        return completeCommand(engine, 0); // no such window: nothing to show

    scratch(engine)[kWindowNumber] = *number;
    scratch(engine)[kVoiced] = voiced ? 1 : 0;
    scratch(engine)[kReadFlag] = readFlag;
    scratch(engine)[kReadBefore] = readBefore ? 1 : 0;

    if (voiced) {
        std::string name = resolveString(engine, voice, kStringArgMax);
        // With no sound device (a movie owns the output) the line is simply not voiced.
        if (engine.sound.manager && !loadVoice(engine, *window, name))
            showBox(engine, "Voiceファイルロードに失敗 in MessageFlowReady()", "Warning");
        window->voiceName = name;
        if (engine.text.messageLog)
            engine.text.messageLog->AddVoice(window->pen.x, window->pen.y - window->textArea.top,
                                             name);
    } else {
        window->voiceName.clear();
    }

    SetText(*window, resolveString(engine, text, kStringArgMax));

    engine.text.animations[kClickWaitMark].frame = 0;
    pollInput(engine);
    if (skipApplies(engine, false)) {
        setPhase(engine, kFlush); // shown at once, and the voice is not started
        return 0;
    }
    if (voiced && engine.sound.manager && !PlayChannelOnce(engine, window->voiceChannel))
        showBox(engine, "Voice再生に失敗 in MessageFlowReady()", "error");
    setPhase(engine, !window->instant && !noWait(engine) ? kReveal : kFlush);
    return 0;
}

// One character at a time: the first one drawn is shown and the next waits for the timer.
int reveal(Engine& engine, MessageWindow& window) {
    const int number = scratch(engine)[kWindowNumber];
    for (int step = 0; step < kLayoutStepsPerTick; ++step) {
        int result = window.nextChar(window);
        switch (result) {
        case kCharDrawn:
            presentWindow(engine, window);
            setPhase(engine, kCharacterDelay);
            return 0;
        case kCharNewLine:
            window.newLine(window);
            break;
        case kCharClickWait:
            setPhase(engine, kClickWait);
            return 0;
        case kCharPageFull:
            logPage(engine, number, window);
            window.newPage(window);
            eraseWindow(engine, window);
            presentWindow(engine, window);
            break;
        case kCharEnd:
            return finishMessage(engine, window);
        default:
            break; // other control codes are consumed
        }
    }
    return 0;
}

// The rest of the page up to the next click wait, drawn in one go and shown once.
int flush(Engine& engine, MessageWindow& window) {
    const int number = scratch(engine)[kWindowNumber];
    for (int step = 0; step < kLayoutStepsPerTick; ++step) {
        int result = window.nextChar(window);
        switch (result) {
        case kCharDrawn:
            break;
        case kCharNewLine:
            window.newLine(window);
            break;
        case kCharClickWait:
            presentWindow(engine, window);
            setPhase(engine, kClickWait);
            return 0;
        case kCharPageFull:
            // The full page is shown before it is erased for the next one.
            logPage(engine, number, window);
            window.newPage(window);
            presentWindow(engine, window);
            eraseWindow(engine, window);
            break;
        case kCharEnd:
            presentWindow(engine, window);
            return finishMessage(engine, window);
        default:
            break;
        }
    }
    presentWindow(engine, window);
    return 0;
}

int clickWait(Engine& engine, const MessageWindow& window) {
    pollInput(engine);
    if (skipApplies(engine, true)) {
        setPhase(engine, kFlush);
        return 0;
    }
    // A system button or the right-click script takes over; the command resumes here later.
    if (ProcessSystemButton(engine))
        return 1;
    if (RightClickRequested(engine) && ReadyToJumpRClickProcess(engine))
        return 1;
    Animation& mark = engine.text.animations[kClickWaitMark];
    if (mark.enabled && mark.timer.isDue())
        DrawAnimationFrame(engine, kClickWaitMark, mark.x, mark.y);
    if (!engine.app.input->IsAdvanceReleased()) {
        engine.app.rest.restFor(mark.enabled ? mark.timer.msUntilDue() : RestPlan::kLongestMs);
    } else {
        // An instant window shows the page after a click wait at once too, as it does the first.
        setPhase(engine, window.instant || noWait(engine) ? kFlush : kReveal);
        engine.display.screenSurface->copyRectInPlace(*engine.display.workSurface, mark.x, mark.y,
                                                      mark.width, mark.height);
        presentScreenRect(engine, {mark.x, mark.y, mark.width, mark.height});
    }
    return 0;
}

int characterDelay(Engine& engine, MessageWindow& window) {
    pollInput(engine);
    // A click shows the rest of the page at once, and so does skipping.
    if (engine.app.input->IsAdvanceReleased() || skipApplies(engine, true))
        return flush(engine, window);
    if (window.characterTimer.isDue())
        setPhase(engine, kReveal);
    else
        engine.app.rest.restFor(window.characterTimer.msUntilDue());
    return 0;
}

// The peek ends when the player lets go of an advance key, a mouse button, Space or Escape.
bool peekEndReleased(const InputState& input) {
    return input.IsAdvanceReleased() || input.IsCancelReleased() || input.keyReleased(key::kSpace);
}

// The peek's three phases: the picture shown without the text; waiting for the player; the
// screen rebuilt with the text.
enum PeekPhase {
    kPeekShow = 0,
    kPeekWait = 1,
    kPeekEnd = 2,
};

} // namespace

void RedrawPage(Engine& engine, MessageWindow& window) {
    MessageWindow copy(window.characterTimer);
    PrepareLayoutCopy(copy, window);
    // The page is laid out again where it was first drawn, from the text area's top-left. A
    // page text longer than a window's text is cut, as in the log, rather than left out.
    SetText(copy, sjisPrefix(window.pageText, kMessageTextCapacity - 1));
    copy.pen = Pen{window.textArea.left, window.textArea.top};
    for (int step = 0; step < kLayoutStepsPerTick; ++step) {
        int result = copy.nextChar(copy);
        if (result == kCharEnd)
            break;
        if (result == kCharNewLine) {
            copy.newLine(copy);
        } else if (result == kCharPageFull) {
            copy.newPage(copy);
            eraseWindow(engine, copy);
        }
    }
    DetachHooks(copy);
}

namespace commands {

int MessageFlowReady(Engine& engine) {
    if (engine.script.commandPhase == kReady)
        return ready(engine);
    MessageWindow* window = engine.text.window(scratch(engine)[kWindowNumber]);
    if (!window)
        return completeCommand(engine, 0); // the windows were made anew under the message
    switch (engine.script.commandPhase) {
    case kReveal:
        return reveal(engine, *window);
    case kClickWait:
        return clickWait(engine, *window);
    case kCharacterDelay:
        return characterDelay(engine, *window);
    case kFlush:
        return flush(engine, *window);
    default:
        return completeCommand(engine, 0);
    }
}

int MessageWindowPeek(Engine& engine) {
    DisplayState& display = engine.display;
    switch (engine.script.commandPhase) {
    case kPeekShow:
        // The picture as it was last drawn, without the text and the layers hidden in a peek.
        freezeShown(engine);
        display.currentLayerSet->redrawShown(*display.screenSurface);
        presentScreen(engine);
        display.currentLayerSet->releaseShownSurfaces();
        engine.script.commandPhase = kPeekWait;
        return 0;
    case kPeekWait:
        pollInput(engine);
        if (peekEndReleased(*engine.app.input))
            engine.script.commandPhase = kPeekEnd;
        else
            engine.app.rest.restFor(RestPlan::kLongestMs);
        return 0;
    default:
        rebuildAfterPeek(engine);
        return completeCommand(engine, 0);
    }
}

int ReplayMsgBoxSound(Engine& engine) {
    std::int32_t number = popValue(engine);
    MessageWindow* window = engine.text.window(number);
    if (!window || window->voiceName.empty() || !engine.sound.manager)
        return completeCommand(engine, 0);
    if (!loadVoice(engine, *window, window->voiceName))
        showBox(engine, "Voiceファイルロードに失敗 in ReplayMsgBoxSound()", "Warning");
    if (!PlayChannelOnce(engine, window->voiceChannel))
        showBox(engine, "Voice再生に失敗 in ReplayMsgBoxSound()", "error");
    return completeCommand(engine, 0);
}

} // namespace commands

} // namespace vura
