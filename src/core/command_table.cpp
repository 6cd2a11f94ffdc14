#include "core/command_table.hpp"

#include "audio/sound_commands.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "core/flow_commands.hpp"
#include "core/sjis.hpp"
#include "graphics/graphic_effect.hpp"
#include "graphics/layer_commands.hpp"
#include "text/text_commands.hpp"

#include <string>

namespace vura {

namespace {

// Commands whose subsystem has not been built yet say so, by name and number, and end the
// game; a script never runs on past a command that did nothing.
int NotBuilt(Engine& engine) {
    std::string text = sjis("未実装のコマンドです: ") + std::to_string(engine.engineState) + " " +
                       std::string(commandName(engine.engineState));
    engine.platform.messageBox(BoxOwner::MainWindow, text, "error", MessageBoxButtons::Ok);
    engine.engineState = 1;
    return 0;
}

} // namespace

namespace commands {

int RunScript(Engine& engine) {
    // Without a script the engine idles. Once the window is gone the game has ended: the tick
    // that takes the quit does not run the machine again, which would repeat its last error.
    if (!engine.vm || !engine.appState || !engine.appState->hasWindow())
        return 0;
    ScriptVm& vm = *engine.vm;
    int result = vm.Run();
    switch (result) {
    case kRunYield:
        break; // a long loop goes on at the same place on the next tick
    case kRunEnd:
        engine.engineState = 1;
        break;
    case kRunCommand: {
        std::int32_t number = vm.Pop().value;
        if (number < 0 || number >= kCommandCount) {
            ReportVmError(engine, kErrCommandNumber);
            engine.engineState = 1;
        } else {
            engine.engineState = number;
        }
        break;
    }
    case kRunLineMarker:
        ShowScriptLine(engine, vm.Pop().value);
        break;
    case kRunReturn:
        engine.engineState = 2;
        break;
    default:
        ReportVmError(engine, result);
        engine.engineState = 1;
        break;
    }
    return 0;
}

int Quit(Engine& engine) {
    engine.appState->DestroyMainWindow();
    return 1;
}

int Dummy(Engine& engine) {
    engine.platform.messageBox(BoxOwner::MainWindow, sjis("なんでダミーに飛ぶねん"), "error",
                               MessageBoxButtons::Ok);
    return 1;
}

} // namespace commands

using namespace commands;

constexpr std::array<CommandEntry, kCommandCount> kCommandTable = {{
    {0, "RunScript", RunScript},
    {1, "Quit", Quit},
    {2, "ReturnSQX", ReturnSQX},
    {3, "Dummy", Dummy},
    {4, "Dummy", Dummy},
    {5, "Dummy", Dummy},
    {6, "Dummy", Dummy},
    {7, "Dummy", Dummy},
    {8, "Dummy", Dummy},
    {9, "Dummy", Dummy},
    {10, "LoadSQX", LoadSQX},
    {11, "CallSQX", CallSQX},
    {12, "SetWindowTitle", SetWindowTitle},
    {13, "StartTimer", StartTimer},
    {14, "WaitTimer", WaitTimer},
    {15, "WaitClick", WaitClick},
    {16, "SetLayerCount", SetLayerCount},
    {17, "SetMaskCount", SetMaskCount},
    {18, "LoadLayer", LoadLayer},
    {19, "LoadMask", LoadMask},
    {20, "SetLayerVisible", SetLayerVisible},
    {21, "SetLayerPosition", SetLayerPosition},
    {22, "SetLayerSourceRect", SetLayerSourceRect},
    {23, "SetLayerMask", SetLayerMask},
    {24, "SetLayerBlend", SetLayerBlend},
    {25, "SetClipRect", SetClipRect},
    {26, "StartupGraphicEffect", StartupGraphicEffect},
    {27, "SetEffectInterval", SetEffectInterval},
    {28, "SetScreenTone", SetScreenTone},
    {29, "SetMessageWindowCount", SetMessageWindowCount},
    {30, "SetMessageFont", SetMessageFont},
    {31, "SetMessageFontStyle", SetMessageFontStyle},
    {32, "SetMessageAntialias", SetMessageAntialias},
    {33, "SetMessageBottomAlign", SetMessageBottomAlign},
    {34, "SetMessageShadow", SetMessageShadow},
    {35, "SetMessageTextColor", SetMessageTextColor},
    {36, "SetMessageShadowColor", SetMessageShadowColor},
    {37, "SetMessageShadowOffset", SetMessageShadowOffset},
    {38, "SetMessageWindowRect", SetMessageWindowRect},
    {39, "SetMessageHooks", SetMessageHooks},
    {40, "SetMessageHangingPunctuation", SetMessageHangingPunctuation},
    {41, "SetMessageBracketIndent", SetMessageBracketIndent},
    {42, "SetMessageLogPages", SetMessageLogPages},
    {43, "SetMessageSpeed", SetMessageSpeed},
    {44, "MessageFlowReady", MessageFlowReady},
    {45, "InitSoundChannels", InitSoundChannels},
    {46, "SetChannelPack", SetChannelPack},
    {47, "SetChannelStream", SetChannelStream},
    {48, "PlayDSB", PlayDSB},
    {49, "InitPackFiles", InitPackFiles},
    {50, "SetPackFileName", SetPackFileName},
    {51, "StopDSB", StopDSB},
    {52, "SetMessageWindowVoiceChannel", SetMessageWindowVoiceChannel},
    {53, "SetMessageWindowInstant", SetMessageWindowInstant},
    {54, "InitSystemButtons", NotBuilt},
    {55, "SetSystemButtonLayer", NotBuilt},
    {56, "SetSystemButtonEnabled", NotBuilt},
    {57, "SetSystemButtonShown", NotBuilt},
    {58, "SetSystemButton", NotBuilt},
    {59, "SetSystemButtonSound", NotBuilt},
    {60, "MessageWindowPeek", MessageWindowPeek},
    {61, "SetLayerHidden", SetLayerHidden},
    {62, "SetWindowModeVariable", SetWindowModeVariable},
    {63, "SetEffectVariable", SetEffectVariable},
    {64, "SetNoWaitVariable", SetNoWaitVariable},
    {65, "SetChannelVolumeVariable", SetChannelVolumeVariable},
    {66, "ApplyWindowMode", ApplyWindowMode},
    {67, "ApplyChannelVolume", ApplyChannelVolume},
    {68, "ReadyToClickableMap", NotBuilt},
    {69, "ClearClickableMap", NotBuilt},
    {70, "ClickableMapWait", NotBuilt},
    {71, "SetClickableMapItem", NotBuilt},
    {72, "SetChannelVolumePercent", SetChannelVolumePercent},
    {73, "SetRightClickEnabled", SetRightClickEnabled},
    {74, "SetSkipAllVariable", SetSkipAllVariable},
    {75, "SetMessageSpacing", SetMessageSpacing},
    {76, "StartSkipMode", StartSkipMode},
    {77, "ShowMessageBox", ShowMessageBox},
    {78, "NameEntryDialog", NotBuilt},
    {79, "ChoiceMenuReady", NotBuilt},
    {80, "SetHistoryLayout", NotBuilt},
    {81, "SetHistoryVoiceIcon", NotBuilt},
    {82, "ShowMessageHistory", NotBuilt},
    {83, "ScrollHistoryBack", NotBuilt},
    {84, "ScrollHistoryForward", NotBuilt},
    {85, "CloseRClickScreen", NotBuilt},
    {86, "SetWindowsOnTop", SetWindowsOnTop},
    {87, "SetSpaceButton", SetSpaceButton},
    {88, "SetWheelButton", SetWheelButton},
    {89, "SetAnimationEnabled", SetAnimationEnabled},
    {90, "SetAnimation", SetAnimation},
    {91, "SetTitleData", NotBuilt},
    {92, "TitleBack", NotBuilt},
    {93, "SetSaveTitle", NotBuilt},
    {94, "SetThumbnailSize", NotBuilt},
    {95, "Save", NotBuilt},
    {96, "Load", NotBuilt},
    {97, "ReadyToSaveLoadClickableMap", NotBuilt},
    {98, "ClearSaveLoadMap", NotBuilt},
    {99, "SaveLoadMapWait", NotBuilt},
    {100, "ResetSaveLoadClickableMapsChoise", NotBuilt},
    {101, "PlayAVI", NotBuilt},
    {102, "InitDirectSound", InitDirectSound},
    {103, "WaitAVI", NotBuilt},
    {104, "Random", Random},
    {105, "CompareStrings", CompareStrings},
    {106, "ReleaseLayerPicture", ReleaseLayerPicture},
    {107, "ReadyToChipClickableMap", NotBuilt},
    {108, "ClearChipClickableMap", NotBuilt},
    {109, "ChipClickableMapWait", NotBuilt},
    {110, "SetChipClickableMapItem", NotBuilt},
    {111, "ReleaseMaskPicture", ReleaseMaskPicture},
    {112, "ReplayMsgBoxSound", ReplayMsgBoxSound},
    {113, "ShellOpen", ShellOpen},
    {114, "ResetGameVariables", ResetGameVariables},
    {115, "SubString", SubString},
    {116, "ConcatStrings", ConcatStrings},
    {117, "SaveNow", NotBuilt},
    {118, "GetDateTime", GetDateTime},
}};

static_assert(kCommandTable.size() == 119);
static_assert([] {
    for (int i = 0; i < kCommandCount; ++i) {
        if (kCommandTable[i].number != i)
            return false;
    }
    return true;
}());

std::string_view commandName(int number) {
    if (number < 0 || number >= kCommandCount)
        return "?";
    return kCommandTable[number].name;
}

void DispatchCommand(Engine& engine) {
    const auto& table = engine.commands;
    int state = engine.engineState;
    if (state < 0 || static_cast<std::size_t>(state) >= table.size()) {
        // A state outside the table can only come from a broken handler; end the game rather
        // than call through a bad index.
        engine.platform.messageBox(BoxOwner::MainWindow,
                                   sjis("不正なエンジン状態です: ") + std::to_string(state),
                                   "error", MessageBoxButtons::Ok);
        engine.engineState = 1;
        return;
    }
    if (engine.vm)
        engine.vm->stackFault = 0;
    if (table[state].handler(engine) == 1) {
        engine.engineState = 0;
        engine.commandPhase = 0;
        engine.commandScratch.fill(0);
    }
    // A handler that popped more arguments than the script pushed, or pushed onto a full
    // stack, ends the game like the machine's own stack errors.
    if (engine.vm && engine.vm->stackFault != 0) {
        ReportVmError(engine, engine.vm->stackFault);
        engine.vm->stackFault = 0;
        engine.engineState = 1;
    }
}

} // namespace vura
