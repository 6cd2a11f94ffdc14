// The message command: a line of scenario text revealed in a message window character by
// character, click waits, the line's voice, skipping of read text and the message log; the peek
// at the picture without the text, the voice replay, and the redraw of the windows' pages.

#include "audio/sound_buffer.hpp"
#include "audio/sound_commands.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "core/sjis.hpp"
#include "graphics/graphic_effect.hpp"
#include "graphics/screen.hpp"
#include "graphics/transition.hpp"
#include "platform/key_codes.hpp"
#include "resources/resource_lookup.hpp"
#include "text/text_commands.hpp"

#include <string>

namespace vura {

namespace {

// Where command 44 keeps its message between ticks.
enum Scratch {
    kWindowNumber = 0,
    kVoiced = 1,
    kReadFlag = 2,
    kReadBefore = 3,
};

enum Phase {
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

// Erases the window's page: its screen rectangle back from the picture without text.
void eraseWindow(Engine& engine, const MessageWindow& window) {
    const ScreenRect& r = window.screenRect;
    engine.screenSurface->copyRectInPlace(*engine.workSurface, r.x, r.y, r.width, r.height);
}

// A page that ended by filling up or by code 3 goes to the log when the window logs pages.
void logPage(Engine& engine, int number, const MessageWindow& window) {
    if (window.logPages && engine.messageLog)
        engine.messageLog->AddPage(number, window.pageText);
}

// A voice on a streaming channel is started as a stream, played once; a stream's buffer would
// otherwise play its first two seconds only.
bool playOnce(Engine& engine, int channel) {
    SoundChannel* record = FindSoundChannel(engine, channel);
    SoundBuffer* buffer = FindChannelBuffer(engine, channel);
    if (!record || !buffer)
        return false;
    return record->streaming ? buffer->startStream(false) : buffer->play(false);
}

void stopVoice(Engine& engine, const MessageWindow& window) {
    if (SoundBuffer* buffer = FindChannelBuffer(engine, window.voiceChannel))
        buffer->stop();
}

// Loads the voice into the window's channel at the channel's volume; false when it cannot.
bool loadVoice(Engine& engine, const MessageWindow& window, const std::string& name) {
    int channel = window.voiceChannel;
    if (!FindChannelBuffer(engine, channel))
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
    bool readBefore = engine.commandScratch[kReadBefore] != 0;
    bool skipAll = engine.vm->ReadCommonInt(engine.skipAllVariable) != 0;
    if (inWait && !readBefore && !skipAll)
        engine.skipMode = false;
    if (!skipAll && !readBefore)
        return false;
    return engine.input->IsSkipHeld() || engine.skipMode;
}

bool noWait(Engine& engine) {
    return engine.vm->ReadCommonInt(engine.noWaitVariable) != 0;
}

// The text ran out: the voice stops, the message counts as read, and the command completes.
int finishMessage(Engine& engine, const MessageWindow& window) {
    if (engine.commandScratch[kVoiced] != 0)
        stopVoice(engine, window);
    engine.vm->WriteCommonFlag(engine.commandScratch[kReadFlag], true);
    return completeCommand(engine, 0);
}

int ready(Engine& engine) {
    std::int32_t readFlag = popValue(engine);
    bool readBefore = engine.vm->ReadCommonFlag(readFlag);
    bool voiced = popValue(engine) == 3;
    Value text = popRaw(engine);
    Value voice{};
    if (voiced)
        voice = popRaw(engine);
    std::optional<std::int32_t> number = popInt(engine);
    if (!number)
        return FailFatal(engine, sjis("引数が不正です"), "MessageFlowReady");
    MessageWindow* window = FindMessageWindow(engine, *number);
    if (!window)
        return completeCommand(engine, 0); // no such window: nothing to show

    engine.commandScratch[kWindowNumber] = *number;
    engine.commandScratch[kVoiced] = voiced ? 1 : 0;
    engine.commandScratch[kReadFlag] = readFlag;
    engine.commandScratch[kReadBefore] = readBefore ? 1 : 0;

    if (voiced) {
        std::string name;
        engine.vm->ResolveStringArg(voice, name, kStringArgMax);
        name = name.substr(0, name.find('\0'));
        if (!loadVoice(engine, *window, name))
            showBox(engine, "Voiceファイルロードに失敗 in MessageFlowReady()", "Warning");
        window->voiceName = name;
        if (engine.messageLog)
            engine.messageLog->AddVoice(window->pen.x, window->pen.y - window->textArea.top, name);
    } else {
        window->voiceName.clear();
    }

    std::string resolved;
    engine.vm->ResolveStringArg(text, resolved, kStringArgMax);
    SetText(*window, resolved.substr(0, resolved.find('\0')));

    engine.animations[kClickWaitMark].frame = 0;
    pollInput(engine);
    if (skipApplies(engine, false)) {
        engine.commandPhase = kFlush; // shown at once, and the voice is not started
        return 0;
    }
    if (voiced && !playOnce(engine, window->voiceChannel))
        showBox(engine, "Voice再生に失敗 in MessageFlowReady()", "error");
    engine.commandPhase = !window->instant && !noWait(engine) ? kReveal : kFlush;
    return 0;
}

// One character at a time: the first one drawn is shown and the next waits for the timer.
int reveal(Engine& engine, MessageWindow& window) {
    const int number = engine.commandScratch[kWindowNumber];
    for (int step = 0; step < kLayoutStepsPerTick; ++step) {
        int result = window.nextChar(window);
        switch (result) {
        case kCharDrawn:
            presentWindow(engine, window);
            engine.commandPhase = kCharacterDelay;
            return 0;
        case kCharNewLine:
            window.newLine(window);
            break;
        case kCharClickWait:
            engine.commandPhase = kClickWait;
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
    const int number = engine.commandScratch[kWindowNumber];
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
            engine.commandPhase = kClickWait;
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
        engine.commandPhase = kFlush;
        return 0;
    }
    // A system button or the right-click script takes over; the command resumes here later.
    if (ProcessSystemButton(engine))
        return 1;
    InputState& input = *engine.input;
    if (engine.rightClickEnabled && (input.buttonReleased(1) || input.keyReleased(key::kEscape)) &&
        ReadyToJumpRClickProcess(engine))
        return 1;
    Animation& mark = engine.animations[kClickWaitMark];
    if (mark.enabled && mark.timer.isDue())
        DrawAnimationFrame(engine, kClickWaitMark, mark.x, mark.y);
    if (input.IsAdvanceReleased()) {
        // An instant window shows the page after a click wait at once too, as it does the first.
        engine.commandPhase = window.instant || noWait(engine) ? kFlush : kReveal;
        engine.screenSurface->copyRectInPlace(*engine.workSurface, mark.x, mark.y, mark.width,
                                              mark.height);
        presentScreenRect(engine, {mark.x, mark.y, mark.width, mark.height});
    }
    return 0;
}

int characterDelay(Engine& engine, MessageWindow& window) {
    pollInput(engine);
    // A click shows the rest of the page at once, and so does skipping.
    if (engine.input->IsAdvanceReleased() || skipApplies(engine, true))
        return flush(engine, window);
    if (window.characterTimer.isDue())
        engine.commandPhase = kReveal;
    return 0;
}

// The choice menu is drawn over the picture in place of the message windows while it is up;
// there is never one yet.
bool DrawActiveChoiceMenu(Engine&) {
    return false;
}

// Every window with text on its page, drawn again over the screen.
void redrawWindows(Engine& engine) {
    if (DrawActiveChoiceMenu(engine))
        return;
    for (auto& window : engine.messageWindows) {
        if (!window->pageText.empty())
            RedrawPage(engine, *window);
    }
}

bool peekEndReleased(const InputState& input) {
    return input.buttonReleased(0) || input.buttonReleased(1) || input.keyReleased(key::kReturn) ||
           input.keyReleased(key::kKeypadEnter) || input.keyReleased(key::kSpace) ||
           input.keyReleased(key::kLeftShift) || input.keyReleased(key::kRightShift) ||
           input.keyReleased(key::kEscape);
}

} // namespace

bool ProcessSystemButton(Engine&) {
    return false; // no system button exists yet
}

bool ReadyToJumpRClickProcess(Engine&) {
    return false; // there is no right-click script to run yet
}

void RedrawPage(Engine& engine, MessageWindow& window) {
    MessageWindow copy(window.characterTimer);
    Reset(copy);
    copy.target = window.target;
    copy.source = window.source;
    copy.renderer.font = window.renderer.font;
    copy.renderer.red = window.renderer.red;
    copy.renderer.green = window.renderer.green;
    copy.renderer.blue = window.renderer.blue;
    copy.renderer.format = window.renderer.format;
    copy.renderer.bottomAlign = window.renderer.bottomAlign;
    copy.screenRect = window.screenRect;
    copy.textArea = window.textArea;
    copy.lineSpacing = window.lineSpacing;
    copy.characterSpacing = window.characterSpacing;
    copy.shadowOffset = window.shadowOffset;
    copy.shadow = window.shadow;
    copy.bracketIndent = window.bracketIndent;
    copy.bracketDepth = window.bracketDepth;
    copy.hangingPunctuation = window.hangingPunctuation;
    copy.textColour = window.textColour;
    copy.shadowColour = window.shadowColour;
    SetHookSelector(copy, window.hookSelector);
    // The page is laid out again where it was first drawn, from the text area's top-left. A
    // page text longer than a window's text is cut, as in the log, rather than left out.
    SetText(copy, std::string_view(window.pageText).substr(0, kMessageTextCapacity - 1));
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

void RedrawWindowsOnTop(Engine& engine) {
    redrawWindows(engine);
}

namespace commands {

int MessageFlowReady(Engine& engine) {
    if (engine.commandPhase == kReady)
        return ready(engine);
    MessageWindow* window = FindMessageWindow(engine, engine.commandScratch[kWindowNumber]);
    if (!window)
        return completeCommand(engine, 0); // the windows were made anew under the message
    switch (engine.commandPhase) {
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
    switch (engine.commandPhase) {
    case 0: {
        // The picture as it was last drawn, without the text and the layers hidden in a peek.
        freezeShown(engine);
        engine.currentLayerSet->redrawShown(*engine.screenSurface);
        presentScreen(engine);
        engine.currentLayerSet->releaseShownSurfaces();
        engine.commandPhase = 1;
        return 0;
    }
    case 1:
        pollInput(engine);
        if (peekEndReleased(*engine.input))
            engine.commandPhase = 2;
        return 0;
    default:
        // The backdrop still holds the layers as they were before the peek.
        composeWithOverlays(engine, false);
        engine.screenSurface->copyFrom(*engine.workSurface);
        redrawWindows(engine);
        presentScreen(engine);
        return completeCommand(engine, 0);
    }
}

int ReplayMsgBoxSound(Engine& engine) {
    std::int32_t number = popValue(engine);
    MessageWindow* window = FindMessageWindow(engine, number);
    if (!window || window->voiceName.empty())
        return completeCommand(engine, 0);
    if (!loadVoice(engine, *window, window->voiceName))
        showBox(engine, "Voiceファイルロードに失敗 in ReplayMsgBoxSound()", "Warning");
    if (!playOnce(engine, window->voiceChannel))
        showBox(engine, "Voice再生に失敗 in ReplayMsgBoxSound()", "error");
    return completeCommand(engine, 0);
}

} // namespace commands

} // namespace vura
