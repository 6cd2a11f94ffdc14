#include "core/command_support.hpp"

#include "base/sjis.hpp"
#include "core/engine.hpp"

namespace vura {

namespace {

ScriptVm& machine(Engine& engine) {
    return *engine.script.vm;
}

} // namespace

Value popRaw(Engine& engine) {
    return machine(engine).Pop();
}

std::int32_t popValue(Engine& engine) {
    return machine(engine).Pop().value;
}

std::optional<std::int32_t> popInt(Engine& engine) {
    ScriptVm& vm = machine(engine);
    Value v = vm.Pop();
    switch (v.type) {
    case kInt:
        return v.value;
    case kGameIntRef:
        return vm.ReadGameInt(v.value);
    case kCommonIntRef:
        return vm.ReadCommonInt(v.value);
    default:
        return std::nullopt;
    }
}

std::optional<std::int32_t> popFlag(Engine& engine) {
    ScriptVm& vm = machine(engine);
    Value v = vm.Pop();
    if (v.type == kBool)
        return v.value;
    if (v.type != kGameFlagRef)
        return std::nullopt;
    const auto& flags = vm.gameFlags;
    if (v.value < 0 || static_cast<std::size_t>(v.value) >= flags.size()) {
        if (vm.onAccessViolation)
            vm.onAccessViolation();
        return 0;
    }
    return flags[static_cast<std::size_t>(v.value)];
}

std::string resolveString(Engine& engine, Value value, std::size_t maxLen) {
    std::string text;
    machine(engine).ResolveStringArg(value, text, maxLen);
    if (auto zero = text.find('\0'); zero != std::string::npos)
        text.resize(zero);
    return text;
}

std::string popString(Engine& engine, std::size_t maxLen) {
    return resolveString(engine, machine(engine).Pop(), maxLen);
}

Value popUnresolvedString(Engine& engine) {
    return machine(engine).Pop();
}

std::optional<std::int32_t> popGameIntRef(Engine& engine) {
    Value v = machine(engine).Pop();
    if (v.type != kGameIntRef)
        return std::nullopt;
    return v.value;
}

void pollInput(Engine& engine) {
    engine.app.input->PollKeyboard(true);
    engine.app.input->PollMouse(engine.app.appState->active);
}

int completeCommand(Engine& engine, std::int32_t result) {
    ScriptVm& vm = machine(engine);
    ++vm.pc;
    vm.Push(kInt, result);
    return 1;
}

void RequestQuit(Engine& engine) {
    engine.script.engineState = kQuitState;
}

int FailFatal(Engine& engine, std::string_view whatSjis, std::string_view operation) {
    std::string text(whatSjis);
    text += " in ";
    text += operation;
    text += "()";
    engine.platform.messageBox(BoxOwner::MainWindow, text, "error", MessageBoxButtons::Ok);
    RequestQuit(engine);
    return 0;
}

void ReportVmError(Engine& engine, int code) {
    engine.platform.messageBox(BoxOwner::NoWindow, "Error code is " + std::to_string(code),
                               "SQXError", MessageBoxButtons::Ok);
}

bool PushSavedCommand(Engine& engine) {
    ScriptState& script = engine.script;
    if (script.savedCommandTop + 1 >= kSavedCommandDepth) {
        engine.platform.messageBox(
            BoxOwner::MainWindow, sjis("割り込みが8段を超えました。これ以上スクリプトを呼べません"),
            "error", MessageBoxButtons::Ok);
        return false;
    }
    SavedCommand& saved = script.savedCommandStack[++script.savedCommandTop];
    saved.engineState = script.engineState;
    saved.commandPhase = script.commandPhase;
    saved.commandScratch = script.commandScratch;
    return true;
}

bool PopSavedCommand(Engine& engine) {
    ScriptState& script = engine.script;
    if (script.savedCommandTop < 0)
        return false;
    const SavedCommand& saved = script.savedCommandStack[script.savedCommandTop--];
    script.engineState = saved.engineState;
    script.commandPhase = saved.commandPhase;
    script.commandScratch = saved.commandScratch;
    return true;
}

} // namespace vura
