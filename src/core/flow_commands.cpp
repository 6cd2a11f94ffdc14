#include "core/flow_commands.hpp"

#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "resources/resource_lookup.hpp"
#include "ui/overlay.hpp"

#include <algorithm>
#include <string>

namespace vura {

namespace {

// WaitTimer and WaitClick take their duration in their first phase and wait in their second,
// keeping the duration in the first scratch word.
enum WaitPhase {
    kWaitStart = 0,
    kWaiting = 1,
};
enum WaitScratch {
    kWaitDuration = 0,
};

// A wait's end, in unsigned 32-bit arithmetic as the millisecond clock wraps.
bool reached(std::uint32_t now, std::uint32_t start, std::int32_t duration) {
    return now >= start + static_cast<std::uint32_t>(duration);
}

// A wait not yet reached lets the main loop rest until its end.
int keepWaiting(Engine& engine, std::uint32_t now, std::uint32_t start, std::int32_t duration) {
    engine.app.rest.restFor(start + static_cast<std::uint32_t>(duration) - now);
    return 0;
}

} // namespace

std::string_view subStringPiece(std::string_view source, int mode, int start, int count) {
    if (count <= 0)
        return {};
    std::size_t begin = 0;
    std::size_t end = 0;
    if (mode == 0) {
        auto stepChar = [&](std::size_t pos) {
            return pos + (isSjisDoubleByteAt(source, pos) ? 2 : 1);
        };
        for (int i = 1; i < start && begin < source.size(); ++i)
            begin = stepChar(begin);
        end = begin;
        for (int i = 0; i < count && end < source.size(); ++i)
            end = stepChar(end);
    } else {
        begin = start <= 1
                    ? 0
                    : std::min<std::size_t>(static_cast<std::size_t>(start) - 1, source.size());
        end = begin + std::min<std::size_t>(static_cast<std::size_t>(count), source.size() - begin);
    }
    return source.substr(begin, end - begin);
}

namespace commands {

int ReturnSQX(Engine& engine) {
    ScriptVm& vm = *engine.script.vm;
    CallFrame frame;
    if (!vm.PopFrame(frame)) {
        // A Return with no call to return to.
        ReportVmError(engine, kErrFrameUnderflow);
        RequestQuit(engine);
        return 0;
    }
    if (!vura::LoadSQX(engine, frame.scriptName))
        return FailFatal(engine, sjis("SQXファイルロードに失敗"), "ReturnSQX");
    vm.pc = frame.returnPc;
    if (frame.resumeCommand) {
        if (!PopSavedCommand(engine)) {
            engine.platform.messageBox(BoxOwner::MainWindow,
                                       sjis("再開するコマンドがありません in ReturnSQX()"), "error",
                                       MessageBoxButtons::Ok);
            RequestQuit(engine);
            return 0;
        }
        ResumeSuspended(engine);
        return 0;
    }
    return 1;
}

int LoadSQX(Engine& engine) {
    std::string name = popString(engine, 128);
    if (!vura::LoadSQX(engine, name))
        return FailFatal(engine, sjis("SQXファイルロードに失敗"), "LoadSQX");
    return 1;
}

int CallSQX(Engine& engine) {
    ScriptVm& vm = *engine.script.vm;
    // The name is read from the caller's constant pool before the called script replaces it.
    std::string text = popString(engine, 128);
    ++vm.pc;
    if (!vm.PushFrame(false)) {
        ReportVmError(engine, kErrFrameOverflow);
        RequestQuit(engine);
        return 0;
    }
    if (!vura::LoadSQX(engine, text))
        return FailFatal(engine, sjis("SQXファイルロードに失敗"), "CallSQX");
    vm.Push(kInt, 0);
    return 1;
}

int SetWindowTitle(Engine& engine) {
    std::string title = popString(engine, 128);
    engine.app.windowTitle = title;
    engine.platform.setCaption(title);
    if (engine.app.appState)
        engine.app.appState->caption = title;
    return completeCommand(engine);
}

int StartTimer(Engine& engine) {
    engine.script.timerStart = engine.platform.milliseconds();
    return completeCommand(engine);
}

int WaitTimer(Engine& engine) {
    ScriptState& script = engine.script;
    if (script.commandPhase == kWaitStart) {
        script.commandScratch[kWaitDuration] = popValue(engine);
        script.commandPhase = kWaiting;
        return 0;
    }
    pollInput(engine);
    if (engine.app.input->IsSkipHeld() || engine.app.skipMode)
        return completeCommand(engine, 1);
    const std::uint32_t now = engine.platform.milliseconds();
    if (reached(now, script.timerStart, script.commandScratch[kWaitDuration]))
        return completeCommand(engine, 0);
    return keepWaiting(engine, now, script.timerStart, script.commandScratch[kWaitDuration]);
}

int WaitClick(Engine& engine) {
    ScriptState& script = engine.script;
    if (script.commandPhase == kWaitStart) {
        script.commandScratch[kWaitDuration] = popValue(engine);
        pollInput(engine);
        script.waitClickStart = engine.platform.milliseconds();
        script.commandPhase = kWaiting;
        return 0;
    }
    pollInput(engine);
    if (engine.app.input->IsSkipHeld() || engine.app.skipMode ||
        engine.app.input->IsAdvanceReleased())
        return completeCommand(engine, 1);
    std::int32_t duration = script.commandScratch[kWaitDuration];
    if (duration == 0) {
        engine.app.rest.restFor(RestPlan::kLongestMs); // only the player ends it
        return 0;
    }
    const std::uint32_t now = engine.platform.milliseconds();
    if (reached(now, script.waitClickStart, duration))
        return completeCommand(engine, 0);
    return keepWaiting(engine, now, script.waitClickStart, duration);
}

int Random(Engine& engine) {
    std::int32_t variable = popValue(engine);
    std::int32_t modulus = popValue(engine);
    engine.script.vm->WriteGameInt(variable,
                                   modulus >= 1 ? engine.script.random.next() % modulus : 0);
    return completeCommand(engine);
}

int CompareStrings(Engine& engine) {
    std::int32_t flag = popValue(engine);
    std::string second = popString(engine, 1024);
    std::string first = popString(engine, 1024);
    engine.script.vm->WriteGameFlag(flag, first == second);
    return completeCommand(engine);
}

int ShellOpen(Engine& engine) {
    std::int32_t absolute = popValue(engine);
    std::string path = cp932ToUtf8(popString(engine, 64));
    // Windows separators become ours, except inside an address.
    if (path.find("://") == std::string::npos)
        std::replace(path.begin(), path.end(), '\\', '/');
    std::string target =
        absolute != 0 ? path : (engine.app.systemInfo->programDirectory / path).string();
    engine.platform.shellOpen(target);
    return completeCommand(engine);
}

int ResetGameVariables(Engine& engine) {
    ScriptVm& vm = *engine.script.vm;
    std::fill(vm.gameInts.begin(), vm.gameInts.end(), 0);
    std::fill(vm.gameFlags.begin(), vm.gameFlags.end(), 0);
    for (std::string& s : vm.gameStrings)
        s.clear();
    return completeCommand(engine);
}

int SubString(Engine& engine) {
    std::int32_t destination = popValue(engine);
    std::string source = popString(engine, 256);
    std::int32_t count = popValue(engine);
    std::int32_t start = popValue(engine);
    std::int32_t mode = popValue(engine);
    std::string piece(subStringPiece(source, mode, start, count));
    // The stored bytes end with one zero byte, as the games' saves have them.
    engine.script.vm->SetGameString(destination, piece.c_str(),
                                    static_cast<std::int32_t>(piece.size()) + 1);
    return completeCommand(engine);
}

int ConcatStrings(Engine& engine) {
    std::int32_t destination = popValue(engine);
    std::string second = popString(engine, 256);
    std::string joined = popString(engine, 256) + second;
    engine.script.vm->SetGameString(destination, joined.c_str(),
                                    static_cast<std::int32_t>(joined.size()) + 1);
    return completeCommand(engine);
}

int GetDateTime(Engine& engine) {
    std::int32_t targets[6];
    for (int i = 5; i >= 0; --i)
        targets[i] = popValue(engine);
    LocalTime t = engine.platform.localTime();
    const std::int32_t values[6] = {t.month, t.day, t.weekday, t.hour, t.minute, t.second};
    for (int i = 0; i < 6; ++i) {
        if (targets[i] >= 0)
            engine.script.vm->WriteGameInt(targets[i], values[i]);
    }
    return completeCommand(engine);
}

} // namespace commands
} // namespace vura
