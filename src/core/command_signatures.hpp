#pragma once
// What each of the 119 script commands takes and gives: its name, its arguments in script order
// (the script pushes the first one first; the handler pops the last one first) and its result.
// The engine's command table and the authors' tools both read it, so the assembler refuses a
// call with the wrong number of arguments before a game ever runs it.
//
// An argument list is a row of words "name:kind", separated by spaces:
//   value      an integer taken as it is, whatever its type (the default: "name" alone)
//   int        an Int, or a game or common int variable read through it; other types refused
//   flag       a Bool, or a game flag variable
//   stringN    a string argument resolved with a buffer of N bytes, its terminating zero included
//   ref        a reference to the game int that receives the command's answer
//   raw        any value, used by its type (a string variable both read and written)
//   count      the number of arguments pushed before it (less the row's countLeavesOut); the
//              script pushes it last
// Words between "{" and "}" are a group the script repeats as often as it likes (counted
// commands). A name ending in "?" is pushed only when the voice marker (the argument named
// "marker") is 3.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vura {

enum class ArgKind : std::uint8_t { Value, Int, Flag, String, GameIntRef, Raw, Count };

struct ArgSpec {
    std::string_view name;
    ArgKind kind = ArgKind::Value;
    int length = 0;        // String: the resolve buffer in bytes, terminating zero included
    bool repeated = false; // one of the group a counted command repeats
    bool voiced = false;   // pushed only when the voice marker is 3
};

enum class ResultKind : std::uint8_t {
    Int,  // one Int pushed when the command completes
    None, // nothing pushed: the command loads a script or hands over to a restored state
};

struct CommandSignature {
    int number;
    std::string_view name;
    std::string_view arguments;
    ResultKind result = ResultKind::Int;
    // Counted commands: the smallest count the handler accepts.
    int minimumCount = 0;
    // Counted commands: the arguments of the short form, used when the count is 1.
    std::string_view shortForm = {};
    // Counted commands: how many of the arguments before the count it leaves out (the games
    // count 97's arguments without one of its own).
    int countLeavesOut = 0;
};

inline constexpr int kCommandCount = 119;

namespace signature_detail {

constexpr bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Every word a name with a known kind, the braces paired and not nested, a count only at the
// end: checked for every row when the engine is compiled.
constexpr bool wellFormed(std::string_view list) {
    bool inGroup = false;
    bool sawCount = false;
    std::size_t i = 0;
    while (i < list.size()) {
        if (list[i] == ' ') {
            ++i;
            continue;
        }
        if (sawCount)
            return false;
        if (list[i] == '{' || list[i] == '}') {
            if ((list[i] == '{') == inGroup)
                return false;
            inGroup = !inGroup;
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < list.size() && list[end] != ' ' && list[end] != '}')
            ++end;
        std::string_view word = list.substr(i, end - i);
        std::size_t colon = word.find(':');
        std::string_view name = word.substr(0, colon);
        if (!name.empty() && name.back() == '?')
            name.remove_suffix(1);
        if (name.empty())
            return false;
        for (char c : name)
            if (!isNameChar(c))
                return false;
        if (colon != std::string_view::npos) {
            std::string_view kind = word.substr(colon + 1);
            if (kind == "count") {
                if (inGroup)
                    return false;
                sawCount = true;
            } else if (kind.starts_with("string")) {
                std::string_view digits = kind.substr(6);
                if (digits.empty())
                    return false;
                for (char c : digits)
                    if (c < '0' || c > '9')
                        return false;
            } else if (kind != "value" && kind != "int" && kind != "flag" && kind != "ref" &&
                       kind != "raw") {
                return false;
            }
        }
        i = end;
    }
    return !inGroup;
}

} // namespace signature_detail

// clang-format off
inline constexpr std::array<CommandSignature, kCommandCount> kCommandSignatures = {{
    {0, "RunScript", "", ResultKind::None},
    {1, "Quit", "", ResultKind::None},
    {2, "ReturnSQX", "", ResultKind::None},
    {3, "Dummy", "", ResultKind::None},
    {4, "Dummy", "", ResultKind::None},
    {5, "Dummy", "", ResultKind::None},
    {6, "Dummy", "", ResultKind::None},
    {7, "Dummy", "", ResultKind::None},
    {8, "Dummy", "", ResultKind::None},
    {9, "Dummy", "", ResultKind::None},
    {10, "LoadSQX", "name:string128", ResultKind::None},
    {11, "CallSQX", "name:string128"},
    {12, "SetWindowTitle", "title:string128"},
    {13, "StartTimer", ""},
    {14, "WaitTimer", "milliseconds"},
    {15, "WaitClick", "milliseconds"},
    {16, "SetLayerCount", "count"},
    {17, "SetMaskCount", "count"},
    {18, "LoadLayer", "layer name:string64"},
    {19, "LoadMask", "mask name:string64"},
    {20, "SetLayerVisible", "layer visible"},
    {21, "SetLayerPosition", "layer x y"},
    {22, "SetLayerSourceRect", "layer srcX srcY width height"},
    {23, "SetLayerMask", "layer mask"},
    {24, "SetLayerBlend", "layer mode level"},
    {25, "SetClipRect", "x y width height"},
    {26, "StartupGraphicEffect", "type:int {parameter:int} runScript:flag count:count",
     ResultKind::Int, 1, "value:int count:count"},
    {27, "SetEffectInterval", "milliseconds"},
    {28, "SetScreenTone", "mode level"},
    {29, "SetMessageWindowCount", "count"},
    {30, "SetMessageFont", "window face:string64 height weight"},
    {31, "SetMessageFontStyle", "window italic underline strikeOut"},
    {32, "SetMessageAntialias", "window on"},
    {33, "SetMessageBottomAlign", "window on"},
    {34, "SetMessageShadow", "window on"},
    {35, "SetMessageTextColor", "window red green blue"},
    {36, "SetMessageShadowColor", "window red green blue"},
    {37, "SetMessageShadowOffset", "window dx dy"},
    {38, "SetMessageWindowRect", "window x y width height left top areaWidth areaHeight"},
    {39, "SetMessageHooks", "window selector"},
    {40, "SetMessageHangingPunctuation", "window on"},
    {41, "SetMessageBracketIndent", "window on"},
    {42, "SetMessageLogPages", "window on"},
    {43, "SetMessageSpeed", "window milliseconds"},
    {44, "MessageFlowReady",
     "window:int voice?:string1024 text:string1024 marker readFlag"},
    {45, "InitSoundChannels", "count"},
    {46, "SetChannelPack", "channel pack"},
    {47, "SetChannelStream", "channel on"},
    {48, "PlayDSB", "channel name:string64 loop"},
    {49, "InitPackFiles", "count"},
    {50, "SetPackFileName", "pack name:string64"},
    {51, "StopDSB", "channel"},
    {52, "SetMessageWindowVoiceChannel", "window channel"},
    {53, "SetMessageWindowInstant", "window on"},
    {54, "InitSystemButtons", "count"},
    {55, "SetSystemButtonLayer", "layer"},
    {56, "SetSystemButtonEnabled", "button on"},
    {57, "SetSystemButtonShown", "button on"},
    {58, "SetSystemButton", "button x y srcX srcY width height script:string64"},
    {59, "SetSystemButtonSound",
     "button hoverChannel hoverName:string64 clickChannel clickName:string64"},
    {60, "MessageWindowPeek", ""},
    {61, "SetLayerHidden", "layer on"},
    {62, "SetWindowModeVariable", "variable"},
    {63, "SetEffectVariable", "variable"},
    {64, "SetNoWaitVariable", "variable"},
    {65, "SetChannelVolumeVariable", "channel variable"},
    {66, "ApplyWindowMode", ""},
    {67, "ApplyChannelVolume", "channel"},
    {68, "ReadyToClickableMap",
     "layer:int hoverChannel:int hoverSound:string64 clickChannel:int clickSound:string64 "
     "{x:int y:int srcX:int srcY:int width:int height:int enabled:flag} count:count",
     ResultKind::Int, 12},
    {69, "ClearClickableMap", ""},
    {70, "ClickableMapWait", "resultVariable mayCancel"},
    {71, "SetClickableMapItem", "hotspot x y srcX srcY width height enabled"},
    {72, "SetChannelVolumePercent", "channel percent"},
    {73, "SetRightClickEnabled", "on"},
    {74, "SetSkipAllVariable", "variable"},
    {75, "SetMessageSpacing", "window characterSpacing lineSpacing"},
    {76, "StartSkipMode", ""},
    {77, "ShowMessageBox", "text:string128 caption:string128 kind resultVariable"},
    {78, "NameEntryDialog",
     "defaultFamily:string7 defaultGiven:string7 familyVariable:raw givenVariable:raw"},
    {79, "ChoiceMenuReady", "window:int resultVariable:ref {choice:string1024} count:count",
     ResultKind::Int, 2},
    {80, "SetHistoryLayout", "window panelLayer"},
    {81, "SetHistoryVoiceIcon", "layer srcX srcY width height"},
    {82, "ShowMessageHistory", ""},
    {83, "ScrollHistoryBack", ""},
    {84, "ScrollHistoryForward", ""},
    {85, "CloseRClickScreen", ""},
    {86, "SetWindowsOnTop", "on"},
    {87, "SetSpaceButton", "button"},
    {88, "SetWheelButton", "button"},
    {89, "SetAnimationEnabled", "animation on"},
    {90, "SetAnimation",
     "animation layer x y srcX srcY width height frameCount milliseconds"},
    {91, "SetTitleData", ""},
    {92, "TitleBack", ""},
    {93, "SetSaveTitle", "title:string128"},
    {94, "SetThumbnailSize", "width height"},
    {95, "Save", "slot"},
    {96, "Load", "slot", ResultKind::None},
    {97, "ReadyToSaveLoadClickableMap",
     "window:int emptySlotsSelectable:flag hoverChannel:int hoverSound:string64 "
     "clickChannel:int clickSound:string64 layer:int textMode:int thumbnailMode:int "
     "thumbnailX:int thumbnailY:int {saveSlot:flag x:int y:int srcX:int srcY:int width:int "
     "height:int saveNumber:int selectable:flag} count:count",
     ResultKind::Int, 19, {}, 1},
    {98, "ClearSaveLoadMap", ""},
    {99, "SaveLoadMapWait", "resultVariable mayCancel"},
    {100, "ResetSaveLoadClickableMapsChoise",
     "entry saveSlot:flag x:int y:int srcX:int srcY:int width:int height:int saveNumber:int "
     "selectable:flag"},
    {101, "PlayAVI", "name:string64 repeat"},
    {102, "InitDirectSound", ""},
    {103, "WaitAVI", ""},
    {104, "Random", "modulus variable"},
    {105, "CompareStrings", "first:string1024 second:string1024 flagVariable"},
    {106, "ReleaseLayerPicture", "layer"},
    {107, "ReadyToChipClickableMap",
     "layer:int hoverChannel:int hoverSound:string64 clickChannel:int clickSound:string64 "
     "{x:int y:int srcX:int srcY:int width:int height:int chipX:int chipY:int chipSrcX:int "
     "chipSrcY:int chipWidth:int chipHeight:int enabled:flag} count:count",
     ResultKind::Int, 12},
    {108, "ClearChipClickableMap", ""},
    {109, "ChipClickableMapWait", "resultVariable mayCancel"},
    {110, "SetChipClickableMapItem",
     "hotspot x y srcX srcY width height chipX chipY chipSrcX chipSrcY chipWidth chipHeight "
     "enabled"},
    {111, "ReleaseMaskPicture", "mask"},
    {112, "ReplayMsgBoxSound", "window"},
    {113, "ShellOpen", "path:string64 absolute"},
    {114, "ResetGameVariables", ""},
    {115, "SubString", "mode start count source:string256 destination"},
    {116, "ConcatStrings", "first:string256 second:string256 destination"},
    {117, "SaveNow", "slot"},
    {118, "GetDateTime", "month day weekday hour minute second"},
}};
// clang-format on

static_assert([] {
    for (int i = 0; i < kCommandCount; ++i) {
        const CommandSignature& s = kCommandSignatures[static_cast<std::size_t>(i)];
        if (s.number != i || !signature_detail::wellFormed(s.arguments) ||
            !signature_detail::wellFormed(s.shortForm))
            return false;
    }
    return true;
}());

// The name of a command number, or "?" outside the table.
std::string_view commandName(int number);
// The number of the command with this name (not "Dummy"), matched exactly.
std::optional<int> commandNumber(std::string_view name);

// The arguments of a row (or of its short form) in script order.
std::vector<ArgSpec> parseArguments(std::string_view list);

// How many arguments a call of the command pushes, given the values of its count (the last
// argument) and its voice marker where it has them: nothing when the call cannot be right
// whatever it pushes (a count below the command's least).
std::optional<int> expectedArgumentCount(const CommandSignature& command,
                                         std::optional<std::int32_t> countValue,
                                         std::optional<std::int32_t> markerValue);

// Checks a call that pushes `given` arguments; the values of its last argument and of the one
// before it are given when the call writes them as numbers. Empty when the call fits the row,
// else what is wrong, in a sentence that names the command ("PlayDSB takes 3 arguments
// (channel, name, loop), not 2").
std::string checkCallArguments(const CommandSignature& command, int given,
                               std::optional<std::int32_t> lastValue,
                               std::optional<std::int32_t> secondLastValue);

// "channel, name: string(64), loop" with the group in braces and "..." after it.
std::string describeArguments(const CommandSignature& command);
std::string describeArguments(std::string_view list);

} // namespace vura
