#include "core/command_table.hpp"

#include "audio/sound_commands.hpp"
#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "core/flow_commands.hpp"
#include "graphics/graphic_effect.hpp"
#include "graphics/layer_commands.hpp"
#include "save/save_commands.hpp"
#include "text/text_commands.hpp"
#include "ui/button_commands.hpp"
#include "ui/choice_commands.hpp"
#include "ui/history_commands.hpp"
#include "ui/map_commands.hpp"
#include "ui/name_entry_commands.hpp"
#include "ui/save_load_commands.hpp"
#include "video/video_commands.hpp"

#include <string>

namespace vura {

namespace {

// Where a command started: its number, the program counter of its call and how deep the stack
// was once the number was popped, and how many arguments its row says the script pushed.
void noteCommandStart(Engine& engine, std::int32_t number) {
    const ScriptVm& vm = *engine.script.vm;
    auto valueAt = [&](int depth) -> std::optional<std::int32_t> {
        if (vm.top - depth < 0)
            return std::nullopt;
        return vm.valueStack[static_cast<std::size_t>(vm.top - depth)].value;
    };
    CommandStart& start = engine.script.commandStart;
    start.number = number;
    start.pc = vm.pc;
    start.top = vm.top;
    std::optional<int> count = expectedArgumentCount(
        kCommandSignatures[static_cast<std::size_t>(number)], valueAt(0), valueAt(1));
    start.arguments = count ? *count : -1;
}

// A command that completed by stepping over its call must have taken exactly the arguments its
// row declares and pushed its one result; anything else means the handler and the table
// disagree. Commands that load a script, interrupted commands and stack faults are left out.
void checkArgumentsTaken(Engine& engine, std::int32_t number) {
    ScriptState& script = engine.script;
    CommandStart& start = script.commandStart;
    if (start.number != number || start.arguments < 0 || !script.vm ||
        script.vm->pc != start.pc + 1 ||
        kCommandSignatures[static_cast<std::size_t>(number)].result != ResultKind::Int) {
        start.number = -1;
        return;
    }
    start.number = -1;
    const int taken = start.top + 1 - script.vm->top;
    if (taken == start.arguments)
        return;
    ++script.argumentMismatches;
    if (engine.config.trace)
        *engine.config.trace << "trace: command " << number << " " << commandName(number)
                             << " took " << taken << " arguments where its row declares "
                             << start.arguments << '\n';
}

} // namespace

namespace commands {

int RunScript(Engine& engine) {
    // Without a script the engine idles. Once the window is gone the game has ended: the tick
    // that takes the quit does not run the machine again, which would repeat its last error.
    AppState* app = engine.app.appState.get();
    if (!engine.script.vm || !app || !app->hasWindow())
        return 0;
    ScriptVm& vm = *engine.script.vm;
    int result = vm.Run();
    switch (result) {
    case kRunYield:
        break; // a long loop goes on at the same place on the next tick
    case kRunEnd:
        RequestQuit(engine);
        break;
    case kRunCommand: {
        std::int32_t number = vm.Pop().value;
        if (number < 0 || number >= kCommandCount) {
            ReportVmError(engine, kErrCommandNumber);
            RequestQuit(engine);
        } else {
            engine.script.engineState = number;
            noteCommandStart(engine, number);
        }
        break;
    }
    case kRunLineMarker:
        ShowScriptLine(engine, vm.Pop().value);
        break;
    case kRunReturn:
        engine.script.engineState = kReturnState;
        break;
    default:
        ReportVmError(engine, result);
        RequestQuit(engine);
        break;
    }
    return 0;
}

int Quit(Engine& engine) {
    engine.app.appState->DestroyMainWindow();
    return 1;
}

int Dummy(Engine& engine) {
    engine.platform.messageBox(BoxOwner::MainWindow, sjis("なんでダミーに飛ぶねん"), "error",
                               MessageBoxButtons::Ok);
    return 1;
}

} // namespace commands

using namespace commands;

// A row names its handler once; the name must be the one the command's signature gives it.
#define VURA_COMMAND(number, handler)                                                              \
    CommandEntry {                                                                                 \
        number, #handler, handler                                                                  \
    }
// clang-format off
constexpr std::array<CommandEntry, kCommandCount> kCommandTable = {{
    VURA_COMMAND(0, RunScript),
    VURA_COMMAND(1, Quit),
    VURA_COMMAND(2, ReturnSQX),
    VURA_COMMAND(3, Dummy),
    VURA_COMMAND(4, Dummy),
    VURA_COMMAND(5, Dummy),
    VURA_COMMAND(6, Dummy),
    VURA_COMMAND(7, Dummy),
    VURA_COMMAND(8, Dummy),
    VURA_COMMAND(9, Dummy),
    VURA_COMMAND(10, LoadSQX),
    VURA_COMMAND(11, CallSQX),
    VURA_COMMAND(12, SetWindowTitle),
    VURA_COMMAND(13, StartTimer),
    VURA_COMMAND(14, WaitTimer),
    VURA_COMMAND(15, WaitClick),
    VURA_COMMAND(16, SetLayerCount),
    VURA_COMMAND(17, SetMaskCount),
    VURA_COMMAND(18, LoadLayer),
    VURA_COMMAND(19, LoadMask),
    VURA_COMMAND(20, SetLayerVisible),
    VURA_COMMAND(21, SetLayerPosition),
    VURA_COMMAND(22, SetLayerSourceRect),
    VURA_COMMAND(23, SetLayerMask),
    VURA_COMMAND(24, SetLayerBlend),
    VURA_COMMAND(25, SetClipRect),
    VURA_COMMAND(26, StartupGraphicEffect),
    VURA_COMMAND(27, SetEffectInterval),
    VURA_COMMAND(28, SetScreenTone),
    VURA_COMMAND(29, SetMessageWindowCount),
    VURA_COMMAND(30, SetMessageFont),
    VURA_COMMAND(31, SetMessageFontStyle),
    VURA_COMMAND(32, SetMessageAntialias),
    VURA_COMMAND(33, SetMessageBottomAlign),
    VURA_COMMAND(34, SetMessageShadow),
    VURA_COMMAND(35, SetMessageTextColor),
    VURA_COMMAND(36, SetMessageShadowColor),
    VURA_COMMAND(37, SetMessageShadowOffset),
    VURA_COMMAND(38, SetMessageWindowRect),
    VURA_COMMAND(39, SetMessageHooks),
    VURA_COMMAND(40, SetMessageHangingPunctuation),
    VURA_COMMAND(41, SetMessageBracketIndent),
    VURA_COMMAND(42, SetMessageLogPages),
    VURA_COMMAND(43, SetMessageSpeed),
    VURA_COMMAND(44, MessageFlowReady),
    VURA_COMMAND(45, InitSoundChannels),
    VURA_COMMAND(46, SetChannelPack),
    VURA_COMMAND(47, SetChannelStream),
    VURA_COMMAND(48, PlayDSB),
    VURA_COMMAND(49, InitPackFiles),
    VURA_COMMAND(50, SetPackFileName),
    VURA_COMMAND(51, StopDSB),
    VURA_COMMAND(52, SetMessageWindowVoiceChannel),
    VURA_COMMAND(53, SetMessageWindowInstant),
    VURA_COMMAND(54, InitSystemButtons),
    VURA_COMMAND(55, SetSystemButtonLayer),
    VURA_COMMAND(56, SetSystemButtonEnabled),
    VURA_COMMAND(57, SetSystemButtonShown),
    VURA_COMMAND(58, SetSystemButton),
    VURA_COMMAND(59, SetSystemButtonSound),
    VURA_COMMAND(60, MessageWindowPeek),
    VURA_COMMAND(61, SetLayerHidden),
    VURA_COMMAND(62, SetWindowModeVariable),
    VURA_COMMAND(63, SetEffectVariable),
    VURA_COMMAND(64, SetNoWaitVariable),
    VURA_COMMAND(65, SetChannelVolumeVariable),
    VURA_COMMAND(66, ApplyWindowMode),
    VURA_COMMAND(67, ApplyChannelVolume),
    VURA_COMMAND(68, ReadyToClickableMap),
    VURA_COMMAND(69, ClearClickableMap),
    VURA_COMMAND(70, ClickableMapWait),
    VURA_COMMAND(71, SetClickableMapItem),
    VURA_COMMAND(72, SetChannelVolumePercent),
    VURA_COMMAND(73, SetRightClickEnabled),
    VURA_COMMAND(74, SetSkipAllVariable),
    VURA_COMMAND(75, SetMessageSpacing),
    VURA_COMMAND(76, StartSkipMode),
    VURA_COMMAND(77, ShowMessageBox),
    VURA_COMMAND(78, NameEntryDialog),
    VURA_COMMAND(79, ChoiceMenuReady),
    VURA_COMMAND(80, SetHistoryLayout),
    VURA_COMMAND(81, SetHistoryVoiceIcon),
    VURA_COMMAND(82, ShowMessageHistory),
    VURA_COMMAND(83, ScrollHistoryBack),
    VURA_COMMAND(84, ScrollHistoryForward),
    VURA_COMMAND(85, CloseRClickScreen),
    VURA_COMMAND(86, SetWindowsOnTop),
    VURA_COMMAND(87, SetSpaceButton),
    VURA_COMMAND(88, SetWheelButton),
    VURA_COMMAND(89, SetAnimationEnabled),
    VURA_COMMAND(90, SetAnimation),
    VURA_COMMAND(91, SetTitleData),
    VURA_COMMAND(92, TitleBack),
    VURA_COMMAND(93, SetSaveTitle),
    VURA_COMMAND(94, SetThumbnailSize),
    VURA_COMMAND(95, Save),
    VURA_COMMAND(96, Load),
    VURA_COMMAND(97, ReadyToSaveLoadClickableMap),
    VURA_COMMAND(98, ClearSaveLoadMap),
    VURA_COMMAND(99, SaveLoadMapWait),
    VURA_COMMAND(100, ResetSaveLoadClickableMapsChoise),
    VURA_COMMAND(101, PlayAVI),
    VURA_COMMAND(102, InitDirectSound),
    VURA_COMMAND(103, WaitAVI),
    VURA_COMMAND(104, Random),
    VURA_COMMAND(105, CompareStrings),
    VURA_COMMAND(106, ReleaseLayerPicture),
    VURA_COMMAND(107, ReadyToChipClickableMap),
    VURA_COMMAND(108, ClearChipClickableMap),
    VURA_COMMAND(109, ChipClickableMapWait),
    VURA_COMMAND(110, SetChipClickableMapItem),
    VURA_COMMAND(111, ReleaseMaskPicture),
    VURA_COMMAND(112, ReplayMsgBoxSound),
    VURA_COMMAND(113, ShellOpen),
    VURA_COMMAND(114, ResetGameVariables),
    VURA_COMMAND(115, SubString),
    VURA_COMMAND(116, ConcatStrings),
    VURA_COMMAND(117, SaveNow),
    VURA_COMMAND(118, GetDateTime),
}};
// clang-format on

#undef VURA_COMMAND

static_assert([] {
    for (int i = 0; i < kCommandCount; ++i) {
        const auto n = static_cast<std::size_t>(i);
        if (kCommandTable[n].number != i || kCommandTable[n].name != kCommandSignatures[n].name)
            return false;
    }
    return true;
}());

void DispatchCommand(Engine& engine) {
    ScriptState& script = engine.script;
    const auto& table = engine.commands;
    const std::int32_t state = script.engineState;
    if (state < 0 || static_cast<std::size_t>(state) >= table.size()) {
        // A state outside the table can only come from a broken handler; end the game rather
        // than call through a bad index.
        engine.platform.messageBox(BoxOwner::MainWindow,
                                   sjis("不正なエンジン状態です: ") + std::to_string(state),
                                   "error", MessageBoxButtons::Ok);
        RequestQuit(engine);
        return;
    }
    if (script.vm)
        script.vm->stackFault = 0;
    if (table[static_cast<std::size_t>(state)].handler(engine) == 1) {
        if (state != kRunScriptState && (!script.vm || script.vm->stackFault == 0))
            checkArgumentsTaken(engine, state);
        script.engineState = kRunScriptState;
        script.commandPhase = 0;
        script.commandScratch.fill(0);
    }
    // A handler that popped more arguments than the script pushed, or pushed onto a full
    // stack, ends the game like the machine's own stack errors.
    if (script.vm && script.vm->stackFault != 0) {
        ReportVmError(engine, script.vm->stackFault);
        script.vm->stackFault = 0;
        RequestQuit(engine);
    }
}

} // namespace vura
