#include "core/command_support.hpp"

#include "core/engine.hpp"
#include "core/sjis.hpp"

namespace vura {

Value popRaw(Engine& engine) {
    return engine.vm->Pop();
}

std::int32_t popValue(Engine& engine) {
    return engine.vm->Pop().value;
}

std::optional<std::int32_t> popInt(Engine& engine) {
    Value v = engine.vm->Pop();
    switch (v.type) {
    case kInt:
        return v.value;
    case kGameIntRef:
        return engine.vm->ReadGameInt(v.value);
    case kCommonIntRef:
        return engine.vm->ReadCommonInt(v.value);
    default:
        return std::nullopt;
    }
}

std::optional<bool> popFlag(Engine& engine) {
    Value v = engine.vm->Pop();
    if (v.type == kBool)
        return v.value != 0;
    if (v.type == kGameFlagRef) {
        auto& flags = engine.vm->gameFlags;
        if (v.value < 0 || static_cast<std::size_t>(v.value) >= flags.size()) {
            if (engine.vm->onAccessViolation)
                engine.vm->onAccessViolation();
            return false;
        }
        return flags[v.value] != 0;
    }
    return std::nullopt;
}

std::string popString(Engine& engine, std::size_t maxLen) {
    std::string text;
    engine.vm->ResolveStringArg(engine.vm->Pop(), text, maxLen);
    if (auto zero = text.find('\0'); zero != std::string::npos)
        text.resize(zero);
    return text;
}

void pollInput(Engine& engine) {
    engine.input->PollKeyboard(true);
    engine.input->PollMouse(engine.appState->active);
}

int completeCommand(Engine& engine, std::int32_t result) {
    ++engine.vm->pc;
    engine.vm->Push(kInt, result);
    return 1;
}

int FailFatal(Engine& engine, std::string_view whatSjis, std::string_view operation) {
    std::string text(whatSjis);
    text += " in ";
    text += operation;
    text += "()";
    engine.platform.messageBox(BoxOwner::MainWindow, text, "error", MessageBoxButtons::Ok);
    engine.engineState = 1;
    return 0;
}

void ReportVmError(Engine& engine, int code) {
    engine.platform.messageBox(BoxOwner::NoWindow, "Error code is " + std::to_string(code),
                               "SQXError", MessageBoxButtons::Ok);
}

bool PushSavedCommand(Engine& engine) {
    if (engine.savedCommandTop + 1 >= kSavedCommandDepth) {
        engine.platform.messageBox(
            BoxOwner::MainWindow, sjis("割り込みが8段を超えました。これ以上スクリプトを呼べません"),
            "error", MessageBoxButtons::Ok);
        return false;
    }
    SavedCommand& saved = engine.savedCommandStack[++engine.savedCommandTop];
    saved.engineState = engine.engineState;
    saved.commandPhase = engine.commandPhase;
    saved.commandScratch = engine.commandScratch;
    return true;
}

bool PopSavedCommand(Engine& engine) {
    if (engine.savedCommandTop < 0)
        return false;
    const SavedCommand& saved = engine.savedCommandStack[engine.savedCommandTop--];
    engine.engineState = saved.engineState;
    engine.commandPhase = saved.commandPhase;
    engine.commandScratch = saved.commandScratch;
    return true;
}

} // namespace vura
