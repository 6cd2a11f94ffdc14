// The save/load screen: built over three ticks by command 97 (the entries, the slot files read,
// the sounds), one entry changed by 100, the player's pick waited for by 99, dropped by 98; and
// its drawing in every screen rebuild.

#include "ui/save_load_commands.hpp"

#include "audio/sound_commands.hpp"
#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/png_codec.hpp"
#include "graphics/screen.hpp"
#include "save/atomic_file.hpp"
#include "save/save_files.hpp"
#include "save/snapshot.hpp"
#include "ui/overlay.hpp"

#include <cstdio>
#include <filesystem>

namespace vura {

namespace {

enum BuildPhase { kBuildEntries = 0, kReadSlots = 1, kLoadSounds = 2 };

constexpr int kFixedValues = 11; // window to thumbnail y
constexpr int kEntryValues = 9;
constexpr int kLeastCount = 19;
constexpr std::size_t kNameArg = 64;

SaveLoadMap& screen(Engine& engine) {
    return engine.ui.saveLoadMap;
}

void showBox(Engine& engine, const std::string& utf8, BoxOwner owner = BoxOwner::MainWindow) {
    engine.platform.messageBox(owner, sjis(utf8), "error", MessageBoxButtons::Ok);
}

bool decodeThumbnail(std::span<const std::uint8_t> png, Surface& out) {
    std::FILE* f = fmemopen(const_cast<std::uint8_t*>(png.data()), png.size(), "rb");
    if (!f)
        return false;
    bool ok = loadPng(out, f);
    std::fclose(f);
    return ok;
}

// Reads one slot file's thumbnail and header; the message of what failed, or empty.
std::string readSlotInfo(SaveLoadSlot& slot, const std::filesystem::path& file) {
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(file, bytes))
        return "SaveFileOpenに失敗 in SetSaveInfoOne()";
    std::optional<SlotParts> parts = splitSlotFile(bytes);
    slot.thumbnail->release();
    if (!parts ||
        (!parts->thumbnail.empty() && !decodeThumbnail(parts->thumbnail, *slot.thumbnail)))
        return "ThumbnailLoadに失敗 in SetSaveInfoOne()";
    if (parts->snapshot.size() < kSnapshotHeaderSize)
        return "SaveHeader情報Loadに失敗 in SetSaveInfoOne()";
    std::vector<std::uint8_t> header(parts->snapshot.begin(),
                                     parts->snapshot.begin() + kSnapshotHeaderSize);
    scrambleSnapshot(header);
    auto field = [&](std::size_t at, std::size_t size) {
        std::string s(reinterpret_cast<const char*>(header.data()) + at, size);
        return s.substr(0, s.find('\0'));
    };
    slot.title = field(4, 33);
    slot.date = field(37, 12);
    slot.selectable = true;
    return {};
}

// The nine values of an entry, last first; false on a wrong type.
bool popEntry(Engine& engine, SaveLoadSlot& slot) {
    std::optional<std::int32_t> selectable = popFlag(engine);
    std::optional<std::int32_t> numbers[7];
    for (auto& n : numbers)
        n = popInt(engine);
    std::optional<std::int32_t> saveSlot = popFlag(engine);
    if (!selectable || !saveSlot)
        return false;
    for (const auto& n : numbers)
        if (!n)
            return false;
    // Popped: save number, height, width, source y, source x, y, x.
    slot.saveSlot = *saveSlot != 0;
    slot.selectable = *selectable != 0;
    slot.height = *numbers[1], slot.width = *numbers[2];
    slot.y = *numbers[5], slot.x = *numbers[6];
    slot.srcX = slot.saveSlot ? 0 : *numbers[4];
    slot.srcY = slot.saveSlot ? 0 : *numbers[3];
    slot.saveNumber = slot.saveSlot ? *numbers[0] : -1;
    return true;
}

int buildError(Engine& engine) {
    return FailFatal(engine, sjis("引数が不正です"), "ReadyToSaveLoadClickableMap");
}

int buildEntries(Engine& engine) {
    const std::int32_t count = popValue(engine);
    if (count < kLeastCount) {
        engine.platform.messageBox(BoxOwner::MainWindow,
                                   sjis("選択肢０個のSaveLoadClickableMapは不正です"), "error",
                                   MessageBoxButtons::Ok);
        RequestQuit(engine);
        return 0;
    }
    // The count leaves out one of the values before it, so one more than it is taken.
    if (count >= engine.script.vm->top + 1)
        return buildError(engine);
    for (int i = 0; i < (count - kFixedValues + 1) % kEntryValues; ++i)
        popRaw(engine); // an incomplete last entry's values are left unused
    SaveLoadMap& map = screen(engine);
    map.clear();
    map.slots.resize(static_cast<std::size_t>((count - kFixedValues + 1) / kEntryValues));
    for (std::size_t i = map.slots.size(); i-- > 0;)
        if (!popEntry(engine, map.slots[i]))
            return buildError(engine);
    std::optional<std::int32_t> numbers[5];
    for (auto& n : numbers) // thumbnail y, thumbnail x, thumbnail mode, text mode, layer
        n = popInt(engine);
    map.clickSound = popString(engine, kNameArg);
    std::optional<std::int32_t> click = popInt(engine);
    map.hoverSound = popString(engine, kNameArg);
    std::optional<std::int32_t> hover = popInt(engine);
    std::optional<std::int32_t> empty = popFlag(engine);
    std::optional<std::int32_t> window = popInt(engine);
    for (const auto& n : numbers)
        if (!n)
            return buildError(engine);
    if (!click || !hover || !empty || !window)
        return buildError(engine);
    map.thumbnailY = *numbers[0], map.thumbnailX = *numbers[1];
    map.thumbnailMode = *numbers[2], map.textMode = *numbers[3], map.layer = *numbers[4];
    map.clickChannel = *click, map.hoverChannel = *hover;
    map.emptySlotsSelectable = *empty != 0;
    map.window = *window;
    engine.script.commandPhase = kReadSlots;
    return 0;
}

// The hover and click sounds; a hover sound that cannot be loaded ends the command at once.
int loadSounds(Engine& engine) {
    SaveLoadMap& map = screen(engine);
    for (bool hover : {true, false}) {
        std::int32_t channel = hover ? map.hoverChannel : map.clickChannel;
        const std::string& name = hover ? map.hoverSound : map.clickSound;
        if (channel < 0 || !engine.sound.channel(channel))
            continue;
        if (!LoadChannelSound(engine, channel, name)) {
            showBox(engine, "ファイルロードに失敗 in ReadyToSaveLoadClickableMap2()");
            break;
        }
    }
    return completeCommand(engine);
}

LookPictures entryPictures(Engine& engine) {
    LayerSet& set = *engine.display.currentLayerSet;
    const Layer* layer = set.layer(screen(engine).layer);
    if (!layer)
        return {};
    LookPictures p{layer->surface.get(), nullptr};
    if (const Layer* mask = set.mask(layer->maskIndex))
        p.mask = mask->surface.get();
    return p;
}

// One entry drawn in a look: a plain entry from the picture, a save slot with its text (and its
// thumbnail when asked).
void drawEntry(Engine& engine, Surface& target, const SaveLoadSlot& slot, int look,
               bool withThumbnail) {
    SaveLoadMap& map = screen(engine);
    if (!slot.saveSlot) {
        LookPictures p = entryPictures(engine);
        drawPiece(target, p.picture, p.mask, slot.x, slot.y, slot.width, slot.height,
                  std::int64_t{slot.srcX} + std::int64_t{look} * slot.width, slot.srcY);
        return;
    }
    if (MessageWindow* window = engine.text.window(map.window))
        drawSaveSlot(target, map, slot, look, withThumbnail, *window);
    else if (look == kLookHovered)
        tintSlot(target, slot);
}

Rect thumbnailRect(const SaveLoadMap& map, const SaveLoadSlot& slot) {
    int x = 0, y = 0;
    thumbnailPlace(map, slot, x, y);
    return {x, y, slot.thumbnail->width(), slot.thumbnail->height()};
}

// The pointer moved onto another entry: the old one as the rebuild draws it, the new one tinted
// with its thumbnail, and the hover sound.
void followPointer(Engine& engine, int hit) {
    SaveLoadMap& map = screen(engine);
    Surface& screenSurface = *engine.display.screenSurface;
    if (const SaveLoadSlot* old = map.slot(map.hovered)) {
        const Rect area{old->x, old->y, old->width, old->height};
        RestoreFromBackdrop(engine, area);
        const bool fixedThumbnail = old->saveSlot && map.thumbnailMode != 1;
        if (fixedThumbnail && !old->thumbnail->empty()) {
            const Rect t = thumbnailRect(map, *old);
            screenSurface.copyRectInPlace(*engine.display.workSurface, t.x, t.y, t.width, t.height);
            presentScreenRect(engine, t);
        }
        drawEntry(engine, screenSurface, *old, old->selectable ? kLookNormal : kLookDisabled,
                  map.thumbnailMode == 1);
        presentScreenRect(engine, area);
    }
    if (const SaveLoadSlot* now = map.slot(hit)) {
        const Rect area{now->x, now->y, now->width, now->height};
        RestoreFromBackdrop(engine, area);
        drawEntry(engine, screenSurface, *now, kLookHovered, true);
        presentScreenRect(engine, area);
        if (now->saveSlot && !now->thumbnail->empty())
            presentScreenRect(engine, thumbnailRect(map, *now));
        if (map.hoverChannel >= 0)
            PlayChannelOnce(engine, map.hoverChannel);
    }
    map.hovered = hit;
}

} // namespace

void SetSaveInfoOne(Engine& engine, int entry) {
    SaveLoadMap& map = screen(engine);
    SaveLoadSlot* slot = map.slot(entry);
    if (!slot || !slot->saveSlot)
        return;
    std::optional<std::string> name = slotFileName(slot->saveNumber);
    std::filesystem::path file = name ? SlotPath(engine, *name, true) : std::filesystem::path();
    std::error_code ec;
    std::string failure;
    if (!file.empty() && std::filesystem::exists(file, ec)) {
        failure = readSlotInfo(*slot, file);
        if (failure.empty())
            return;
        showBox(engine, failure, BoxOwner::NoWindow);
    }
    slot->thumbnail->release();
    slot->title = sjis("－ＮｏＤａｔａ－");
    slot->date = "--/-- --:--";
    // A slot that could not be read can still be saved over.
    slot->selectable = failure.empty() ? map.emptySlotsSelectable : true;
}

void DrawSaveLoadScreen(Engine& engine) {
    SaveLoadMap& map = screen(engine);
    for (const SaveLoadSlot& slot : map.slots)
        drawEntry(engine, *engine.display.workSurface, slot,
                  slot.selectable ? kLookNormal : kLookDisabled, map.thumbnailMode == 1);
    // Every entry is drawn plain now; the wait lights the one under the pointer again.
    map.hovered = -1;
}

namespace commands {

int ReadyToSaveLoadClickableMap(Engine& engine) {
    switch (engine.script.commandPhase) {
    case kBuildEntries:
        return buildEntries(engine);
    case kReadSlots:
        for (std::size_t i = 0; i < screen(engine).slots.size(); ++i)
            SetSaveInfoOne(engine, static_cast<int>(i));
        engine.script.commandPhase = kLoadSounds;
        return 0;
    default:
        return loadSounds(engine);
    }
}

int ClearSaveLoadMap(Engine& engine) {
    screen(engine).clear();
    return completeCommand(engine);
}

int SaveLoadMapWait(Engine& engine) {
    ScriptState& script = engine.script;
    if (StartPickWait(engine))
        return 0;
    pollInput(engine);
    if (ProcessSystemButton(engine))
        return 1;
    SaveLoadMap& map = screen(engine);
    const AppState& app = *engine.app.appState;
    const int hit = map.hitTest(app.mouseX, app.mouseY);
    if (hit != map.hovered)
        followPointer(engine, hit);
    const InputState& input = *engine.app.input;
    if (input.IsCancelReleased()) {
        if (script.commandScratch[kPickMayCancel] != 0)
            return FinishPickWait(engine, -1);
        if (engine.ui.rightClickEnabled && ReadyToJumpRClickProcess(engine))
            return 1;
    }
    if (hit >= 0 && input.buttonReleased(0)) {
        if (map.clickChannel >= 0)
            PlayChannelOnce(engine, map.clickChannel);
        map.hovered = -1;
        return FinishPickWait(engine, hit);
    }
    engine.app.rest.restFor(RestPlan::kLongestMs);
    return 0;
}

int ResetSaveLoadClickableMapsChoise(Engine& engine) {
    SaveLoadSlot values;
    if (!popEntry(engine, values))
        return FailFatal(engine, sjis("引数が不正です"), "ResetSaveLoadClickableMapsChoise");
    const int entry = popValue(engine);
    if (SaveLoadSlot* slot = screen(engine).slot(entry)) {
        *slot = std::move(values);
        screen(engine).hovered = -1;
        SetSaveInfoOne(engine, entry);
    }
    return completeCommand(engine);
}

} // namespace commands

} // namespace vura
