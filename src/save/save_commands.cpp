// The save and load commands: the title state (91, 92), the save title and thumbnail size (93,
// 94), saving a slot (95, 117) and loading one (96).
//
// A slot is written whole to a temporary file and renamed over the old one, so a failed save
// never loses the slot. A slot is read whole and checked before anything changes: a file that
// cannot be used leaves the game exactly as it was.

#include "save/save_commands.hpp"

#include "audio/sound_buffer.hpp"
#include "audio/sound_commands.hpp"
#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/png_codec.hpp"
#include "graphics/screen.hpp"
#include "resources/resource_lookup.hpp"
#include "save/atomic_file.hpp"
#include "save/save_files.hpp"
#include "save/save_point.hpp"
#include "ui/overlay.hpp"
#include "video/video_commands.hpp"

#include <cstdio>

namespace vura {

namespace {

enum LoadPhase { kLoadRead = 0, kLoadDataSet = 1 };
// The commands a restored state is looked at for, and where the waiting message keeps its read
// flag (and whether it was read before) and the choice menu its window.
constexpr std::int32_t kMessageState = 44;
constexpr std::int32_t kChoiceState = 79;
constexpr std::int32_t kSaveState = 95;
constexpr std::int32_t kSaveNowState = 117;
constexpr int kMessageReadFlag = 2;
constexpr int kMessageReadBefore = 3;
constexpr int kChoiceWindow = 2;
enum TitlePhase { kTitleStop = 0, kTitleRestore = 1 };

constexpr std::size_t kSaveTitleArg = 128;

void showError(Engine& engine, const char* messageUtf8, BoxOwner owner = BoxOwner::MainWindow) {
    engine.platform.messageBox(owner, sjis(messageUtf8), "error", MessageBoxButtons::Ok);
}

// The thumbnail as a PNG stream, when the save has one.
bool encodeThumbnail(const Surface& thumbnail, std::vector<std::uint8_t>& out) {
    std::FILE* f = std::tmpfile();
    if (!f)
        return false;
    bool ok = savePng(thumbnail, f);
    long size = std::ftell(f);
    if (ok && size > 0) {
        out.resize(static_cast<std::size_t>(size));
        std::rewind(f);
        ok = std::fread(out.data(), 1, out.size(), f) == out.size();
    }
    std::fclose(f);
    return ok && size > 0;
}

// Commands 95 and 117 after the common data: the slot file from the last save point.
void writeSlot(Engine& engine, std::int32_t slot, const char* operation) {
    std::optional<std::string> name = slotFileName(slot);
    if (!name) {
        showError(engine, (std::string("SaveFileのOpenに失敗 in ") + operation + "()").c_str());
        return;
    }
    std::vector<std::uint8_t> file;
    const Surface& thumbnail = *engine.display.thumbnailSurface;
    if (engine.save.thumbnailWidth > 0 && engine.save.thumbnailHeight > 0 && !thumbnail.empty() &&
        !encodeThumbnail(thumbnail, file)) {
        file.clear();
        showError(engine,
                  (std::string("SaveFileサムネイル書き込みに失敗 in ") + operation + "()").c_str());
    }
    std::vector<std::uint8_t> snapshot = encodeSnapshot(BuildSnapshot(engine));
    scrambleSnapshot(snapshot);
    file.insert(file.end(), snapshot.begin(), snapshot.end());
    if (!writeFileAtomically(SlotPath(engine, *name, false), file))
        showError(engine, (std::string("SaveFileの書き込みに失敗 in ") + operation + "()").c_str());
}

// Reads and checks the slot, and the script it names, without changing anything; false with
// the message when it cannot be used.
bool readSlot(Engine& engine, std::int32_t slot) {
    std::optional<std::string> name = slotFileName(slot);
    std::vector<std::uint8_t> file;
    if (!name || !readWholeFile(SlotPath(engine, *name, true), file)) {
        showError(engine, "SaveFileのOpenに失敗 in Load()");
        return false;
    }
    std::optional<SlotParts> parts = splitSlotFile(file);
    if (!parts) {
        showError(engine, "SaveFileサムネイル読み込みに失敗 in Load()");
        return false;
    }
    std::vector<std::uint8_t> bytes(parts->snapshot.begin(), parts->snapshot.end());
    scrambleSnapshot(bytes);
    std::optional<Snapshot> snapshot = decodeSnapshot(bytes, nullptr);
    if (!snapshot) {
        showError(engine, "SaveFileのLoadに失敗 in Load()");
        return false;
    }
    std::string directory;
    std::optional<ScriptImage> script = ReadScript(engine, snapshot->scriptName, &directory);
    if (!script) {
        showError(engine, "SQXファイルロードに失敗 in LoadDataSet()");
        return false;
    }
    engine.save.pendingLoad = std::move(snapshot);
    engine.save.pendingScript = std::move(script);
    engine.save.pendingScriptDirectory = directory;
    return true;
}

// The main layer set and map current, the right-click set emptied.
void backToMainScreen(Engine& engine) {
    SwitchObjectsRC(engine, 0);
    LayerSet& rightClick = *engine.display.rightClickLayerSet;
    rightClick.resizeLayers(0, LayerSet::Table::Layers);
    rightClick.resizeLayers(0, LayerSet::Table::Masks);
}

// The command that waited when the save point was taken comes back: the saved commands above
// the ones the restored call frames still return to are unwound, the lowest of them becoming
// the engine's state. A save the script made itself (95, 117) resumes after its call.
void resumeRestoredState(Engine& engine) {
    ScriptState& script = engine.script;
    ScriptVm& vm = *script.vm;
    int resumeFrames = 0;
    for (int i = 0; i <= vm.frameTop; ++i)
        resumeFrames += vm.frames[static_cast<std::size_t>(i)].resumeCommand ? 1 : 0;
    if (script.savedCommandTop >= resumeFrames) {
        const SavedCommand& bottom =
            script.savedCommandStack[static_cast<std::size_t>(resumeFrames)];
        script.engineState = bottom.engineState;
        script.commandPhase = bottom.commandPhase;
        script.commandScratch = bottom.commandScratch;
        script.savedCommandTop = resumeFrames - 1;
    }
    if (script.engineState == kSaveState || script.engineState == kSaveNowState) {
        ++vm.pc;
        vm.Push(kInt, 0);
        script.engineState = kRunScriptState;
        script.commandPhase = 0;
        script.commandScratch.fill(0);
    }
}

// What only the waiting message or choice needs again: the choice menu's window, or whether the
// message's text was read before (the common flags are not in a save).
void restoreWaitingCommand(Engine& engine) {
    ScriptState& script = engine.script;
    if (script.engineState == kChoiceState) {
        if (engine.text.window(script.commandScratch[kChoiceWindow]))
            engine.ui.choiceMenu.window = script.commandScratch[kChoiceWindow];
    } else if (script.engineState == kMessageState) {
        const auto& flags = script.vm->commonFlags;
        const std::int32_t flag = script.commandScratch[kMessageReadFlag];
        script.commandScratch[kMessageReadBefore] =
            flag >= 0 && static_cast<std::size_t>(flag) < flags.size() && flags[flag] ? 1 : 0;
    }
}

// Every channel with a name loads its sound again at its volume; a looping one plays again.
void reloadSounds(Engine& engine, const Snapshot& snapshot) {
    SoundState& sound = engine.sound;
    for (std::size_t i = 0; i < sound.channels.size(); ++i) {
        SoundChannel& c = sound.channels[i];
        const int channel = static_cast<int>(i);
        if (c.name.empty() || !c.buffer)
            continue;
        if (!LoadSound(engine, c.name, channel)) {
            showError(engine, "Soundファイルロードに失敗 in LoadDataSet()");
            continue;
        }
        ApplyChannelVolume(engine, channel, false);
        if (i < snapshot.channels.size() && snapshot.channels[i].wasLooping)
            c.streaming ? c.buffer->startStream(true) : c.buffer->play(true);
    }
}

int loadDataSet(Engine& engine) {
    Snapshot snapshot = std::move(*engine.save.pendingLoad);
    ScriptVm& vm = *engine.script.vm;
    vm.scriptName = snapshot.scriptName;
    vm.scriptDirectory = engine.save.pendingScriptDirectory;
    vm.InstallScript(std::move(*engine.save.pendingScript));
    engine.save.pendingLoad.reset();
    engine.save.pendingScript.reset();
    RestoreSnapshot(engine, snapshot);
    resumeRestoredState(engine);
    ReloadPictures(engine, "LoadDataSet");
    restoreWaitingCommand(engine);
    restoreScreen(engine);
    reloadSounds(engine, snapshot);
    return 0; // the restored command runs on the next tick
}

} // namespace

namespace commands {

int SetTitleData(Engine& engine) {
    TakeSavePoint(engine);
    engine.save.titleSnapshot = BuildSnapshot(engine);
    return completeCommand(engine);
}

int TitleBack(Engine& engine) {
    if (engine.script.commandPhase == kTitleStop) {
        backToMainScreen(engine);
        for (std::size_t i = 0; i < engine.sound.channels.size(); ++i)
            if (SoundBuffer* buffer = engine.sound.buffer(static_cast<int>(i)))
                buffer->stop();
        engine.script.commandPhase = kTitleRestore;
        return 0;
    }
    if (!engine.save.titleSnapshot) // no title state was kept: nothing to go back to
        return completeCommand(engine);
    const Snapshot title = *engine.save.titleSnapshot;
    if (!LoadSQX(engine, title.scriptName))
        return FailFatal(engine, sjis("SQXファイルロードに失敗"), "CallSQX");
    RestoreSnapshot(engine, title);
    ReloadPictures(engine, "TitleBackSetTitleData");
    restoreScreen(engine);
    return completeCommand(engine);
}

int SetSaveTitle(Engine& engine) {
    std::string title = popString(engine, kSaveTitleArg);
    if (title.empty() || title.size() > kSaveTitleMax)
        showError(engine, "SQXタイトル文字列の長さが不正です。正しくは１～３２byteの範囲です。");
    engine.script.vm->saveTitle = title;
    return completeCommand(engine);
}

int SetThumbnailSize(Engine& engine) {
    std::int32_t height = popValue(engine);
    std::int32_t width = popValue(engine);
    engine.save.thumbnailWidth = width;
    engine.save.thumbnailHeight = height;
    return completeCommand(engine);
}

int Save(Engine& engine) {
    std::int32_t slot = popValue(engine);
    SaveCommonData(engine);
    writeSlot(engine, slot, "Save");
    return completeCommand(engine);
}

int SaveNow(Engine& engine) {
    std::int32_t slot = popValue(engine);
    TakeSavePoint(engine);
    writeSlot(engine, slot, "SaveNow");
    return completeCommand(engine);
}

int Load(Engine& engine) {
    if (engine.script.commandPhase == kLoadDataSet)
        return loadDataSet(engine);
    std::int32_t slot = popValue(engine);
    if (!readSlot(engine, slot))
        return completeCommand(engine); // nothing has changed
    backToMainScreen(engine);
    // A video still playing gives the sound back first.
    CloseVideoDevice(engine);
    if (!engine.sound.manager && !RebuildSoundDevice(engine))
        return 0; // the sound device failed: the game ends
    for (std::size_t i = 0; i < engine.sound.channels.size(); ++i)
        StopChannel(engine, static_cast<int>(i));
    engine.script.commandPhase = kLoadDataSet;
    return 0;
}

} // namespace commands

} // namespace vura
