// The clickable map commands, plain (68 to 71) and with chips (107 to 110): building the current
// map from the script's values, changing one hotspot, dropping the map, and waiting for the
// player's pick with hover looks, chips and sounds.

#include "ui/map_commands.hpp"

#include "audio/sound_commands.hpp"
#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"
#include "ui/overlay.hpp"

#include <optional>
#include <string>
#include <vector>

namespace vura {

namespace {

// The two forms of a map: a hotspot's values in script order, and the messages.
struct MapForm {
    int group;             // values per hotspot: 7, or 13 with the chip
    const char* operation; // the name failures are reported under
    const char* noHotspotsUtf8;
    bool letteredErrors; // the chip map names each wrong value with a letter
};

constexpr MapForm kPlainMap{7, "ReadyToClickableMap", "選択肢０個のClickableMapは不正です", false};
constexpr MapForm kChipMap{13, "ReadyToChipClickableMap",
                           "選択肢０個のChip付きClickableMapは不正です", true};
// The values before the hotspots: layer, hover channel, hover sound, click channel, click sound.
constexpr int kFixedValues = 5;
constexpr int kLeastCount = 12;
constexpr std::size_t kSoundNameArg = 64;

// Where a wait keeps its arguments, and its two phases.

// "引数が不正です" (with the chip map's letter for the value, when there is one) in the form's
// operation; the game ends.
int argumentError(Engine& engine, const MapForm& form, char letter) {
    std::string what = sjis("引数が不正です");
    if (form.letteredErrors && letter != 0)
        what += letter;
    return FailFatal(engine, what, form.operation);
}

// A hotspot's values as popped, last first. Numbers are ints or int variables, the enabled
// flag a flag; false on a wrong type, with the letter of the value that was wrong.
bool popHotspot(Engine& engine, const MapForm& form, ClickableMapItem& item, char& wrong) {
    std::optional<std::int32_t> enabled = popFlag(engine);
    if (!enabled) {
        wrong = 'a';
        return false;
    }
    item.enabled = *enabled != 0;
    std::int32_t values[12] = {};
    const int numbers = form.group - 1;
    for (int i = 0; i < numbers; ++i) {
        std::optional<std::int32_t> v = popInt(engine);
        if (!v) {
            wrong = static_cast<char>('b' + i);
            return false;
        }
        values[i] = *v;
    }
    // Popped last first: (chip height, chip width, chip source y, chip source x, chip y,
    // chip x,) height, width, source y, source x, y, x.
    const std::int32_t* v = values;
    if (form.group == kChipMap.group) {
        item.chipHeight = item.chipSrcHeight = v[0];
        item.chipWidth = item.chipSrcWidth = v[1];
        item.chipSrcY = v[2];
        item.chipSrcX = v[3];
        item.chipY = v[4];
        item.chipX = v[5];
        v += 6;
    }
    item.height = item.srcHeight = v[0];
    item.width = item.srcWidth = v[1];
    item.srcY = v[2];
    item.srcX = v[3];
    item.y = v[4];
    item.x = v[5];
    return true;
}

// Loads a map's sound into its channel; a negative channel has none, and a channel outside the
// table plays nothing. False when the sound cannot be loaded.
bool loadMapSound(Engine& engine, std::int32_t channel, const std::string& name) {
    if (channel < 0 || !engine.sound.channel(channel))
        return true;
    return LoadChannelSound(engine, channel, name);
}

int readyMap(Engine& engine, const MapForm& form) {
    const std::int32_t count = popValue(engine);
    if (count < kLeastCount) {
        engine.platform.messageBox(BoxOwner::MainWindow, sjis(form.noHotspotsUtf8), "error",
                                   MessageBoxButtons::Ok);
        RequestQuit(engine);
        return 0;
    }
    // A count that claims more values than the script pushed is a wrong argument, before
    // anything is popped.
    if (count > engine.script.vm->top + 1)
        return argumentError(engine, form, 0);
    // The values of an incomplete last hotspot are taken and left unused.
    for (int i = 0; i < (count - kFixedValues) % form.group; ++i)
        popRaw(engine);
    ClickableMap& map = engine.ui.currentMap();
    map.clear();
    map.items.resize(static_cast<std::size_t>((count - kFixedValues) / form.group));
    for (std::size_t i = map.items.size(); i-- > 0;) {
        char wrong = 'a';
        if (!popHotspot(engine, form, map.items[i], wrong))
            return argumentError(engine, form, wrong);
    }
    std::string clickSound = popString(engine, kSoundNameArg);
    std::optional<std::int32_t> clickChannel = popInt(engine);
    if (!clickChannel)
        return argumentError(engine, form, 'n');
    std::string hoverSound = popString(engine, kSoundNameArg);
    std::optional<std::int32_t> hoverChannel = popInt(engine);
    if (!hoverChannel)
        return argumentError(engine, form, 'o');
    std::optional<std::int32_t> layer = popInt(engine);
    if (!layer)
        return argumentError(engine, form, 'p');
    map.layer = *layer;
    map.hoverChannel = *hoverChannel;
    map.hoverSound = hoverSound;
    map.clickChannel = *clickChannel;
    map.clickSound = clickSound;
    // A hover sound that cannot be loaded leaves the click sound unloaded.
    if (!loadMapSound(engine, map.hoverChannel, map.hoverSound) ||
        !loadMapSound(engine, map.clickChannel, map.clickSound)) {
        engine.platform.messageBox(BoxOwner::MainWindow,
                                   sjis("ファイルロードに失敗") + " in " + form.operation + "()",
                                   "error", MessageBoxButtons::Ok);
    }
    return completeCommand(engine);
}

void playMapSound(Engine& engine, std::int32_t channel) {
    if (channel >= 0)
        PlayChannelOnce(engine, channel);
}

// The hotspot drawn again on the screen in a look, over the backdrop.
void showItemLook(Engine& engine, const ClickableMap& map, const ClickableMapItem& item, int look) {
    RestoreFromBackdrop(engine, {item.x, item.y, item.width, item.height});
    LookPictures p = MapPictures(engine, map);
    drawMapItem(*engine.display.screenSurface, p.picture, p.mask, item, look);
}

// The pointer moved onto another hotspot (or off every one): the old one plain again, the new one
// highlighted with its hover sound. A chip map also takes the old chip away and shows the new
// one, and presents the whole screen.
void followPointer(Engine& engine, ClickableMap& map, int hit, bool chips) {
    if (const ClickableMapItem* old = map.item(map.hovered)) {
        if (chips)
            RestoreFromBackdrop(engine, {old->chipX, old->chipY, old->chipWidth, old->chipHeight});
        showItemLook(engine, map, *old, old->enabled ? kLookNormal : kLookDisabled);
        if (!chips)
            presentScreenRect(engine, {old->x, old->y, old->width, old->height});
    }
    if (const ClickableMapItem* now = map.item(hit)) {
        if (chips) {
            LookPictures p = MapPictures(engine, map);
            drawChip(*engine.display.screenSurface, p.picture, p.mask, *now);
        }
        showItemLook(engine, map, *now, kLookHovered);
        if (!chips)
            presentScreenRect(engine, {now->x, now->y, now->width, now->height});
    }
    if (chips)
        presentScreen(engine);
    if (hit >= 0)
        playMapSound(engine, map.hoverChannel);
    map.hovered = hit;
}

int waitOnMap(Engine& engine, bool chips) {
    ScriptState& script = engine.script;
    if (StartPickWait(engine))
        return 0;
    pollInput(engine);
    if (ProcessSystemButton(engine))
        return 1;
    ClickableMap& map = engine.ui.currentMap();
    const AppState& app = *engine.app.appState;
    const int hit = map.hitTest(app.mouseX, app.mouseY);
    if (hit != map.hovered)
        followPointer(engine, map, hit, chips);
    const InputState& input = *engine.app.input;
    if (input.IsCancelReleased()) {
        if (script.commandScratch[kPickMayCancel] != 0)
            return FinishPickWait(engine, -1);
        if (engine.ui.rightClickEnabled && ReadyToJumpRClickProcess(engine))
            return 1;
    }
    if (hit >= 0 && input.buttonReleased(0)) {
        playMapSound(engine, map.clickChannel);
        map.hovered = -1;
        return FinishPickWait(engine, hit);
    }
    engine.app.rest.restFor(RestPlan::kLongestMs);
    return 0;
}

// Commands 71 and 110: one hotspot's values as they are, the last one first.
int setItem(Engine& engine, bool chip) {
    ClickableMapItem values;
    values.enabled = popValue(engine) != 0;
    if (chip) {
        values.chipHeight = values.chipSrcHeight = popValue(engine);
        values.chipWidth = values.chipSrcWidth = popValue(engine);
        values.chipSrcY = popValue(engine);
        values.chipSrcX = popValue(engine);
        values.chipY = popValue(engine);
        values.chipX = popValue(engine);
    }
    values.height = values.srcHeight = popValue(engine);
    values.width = values.srcWidth = popValue(engine);
    values.srcY = popValue(engine);
    values.srcX = popValue(engine);
    values.y = popValue(engine);
    values.x = popValue(engine);
    ClickableMap& map = engine.ui.currentMap();
    if (ClickableMapItem* item = map.item(popValue(engine))) {
        if (!chip) {
            // A plain map's hotspot keeps its chip.
            values.chipX = item->chipX, values.chipY = item->chipY;
            values.chipWidth = item->chipWidth, values.chipHeight = item->chipHeight;
            values.chipSrcX = item->chipSrcX, values.chipSrcY = item->chipSrcY;
            values.chipSrcWidth = item->chipSrcWidth, values.chipSrcHeight = item->chipSrcHeight;
        }
        *item = values;
        map.hovered = -1;
    }
    return completeCommand(engine);
}

} // namespace

namespace commands {

int ReadyToClickableMap(Engine& engine) {
    return readyMap(engine, kPlainMap);
}

int ClearClickableMap(Engine& engine) {
    engine.ui.currentMap().clear();
    return completeCommand(engine);
}

int ClickableMapWait(Engine& engine) {
    return waitOnMap(engine, false);
}

int SetClickableMapItem(Engine& engine) {
    return setItem(engine, false);
}

int ReadyToChipClickableMap(Engine& engine) {
    return readyMap(engine, kChipMap);
}

int ClearChipClickableMap(Engine& engine) {
    engine.ui.currentMap().clear();
    return completeCommand(engine);
}

int ChipClickableMapWait(Engine& engine) {
    return waitOnMap(engine, true);
}

int SetChipClickableMapItem(Engine& engine) {
    return setItem(engine, true);
}

} // namespace commands

} // namespace vura
