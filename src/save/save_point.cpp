#include "save/save_point.hpp"

#include "audio/sound_buffer.hpp"
#include "base/sjis.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"
#include "resources/resource_lookup.hpp"
#include "text/font_system.hpp"
#include "text/text_commands.hpp"

#include <algorithm>
#include <cstdio>
#include <map>

namespace vura {

namespace {

constexpr int kThumbnailMaxWidth = 640;
constexpr int kThumbnailMaxHeight = 480;

// The title cut to 32 bytes, never through the middle of a two-byte character.
std::string cutTitle(const std::string& title) {
    return std::string(sjisPrefix(title, kSaveTitleMax));
}

std::string dateText(const LocalTime& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d %02d:%02d", t.month % 100, t.day % 100,
                  t.hour % 100, t.minute % 100);
    return text;
}

LayerRecord recordOf(const Layer& l) {
    return {l.maskIndex, l.x,    l.y,         l.srcX,       l.srcY,    l.width,
            l.height,    l.name, l.blendMode, l.blendLevel, l.visible, l.hideInPeek};
}

void restoreLayer(Layer& l, const LayerRecord& r) {
    l.maskIndex = r.maskIndex, l.x = r.x, l.y = r.y, l.srcX = r.srcX, l.srcY = r.srcY;
    l.width = r.width, l.height = r.height, l.name = r.name;
    l.blendMode = r.blendMode, l.blendLevel = r.blendLevel;
    l.visible = r.visible, l.hideInPeek = r.hideInPeek;
}

WindowRecord recordOf(const MessageWindow& w) {
    WindowRecord r;
    r.characterInterval = w.characterTimer.intervalMs;
    r.settings = w.settings();
    r.pen = w.pen;
    r.readPosition = w.readPosition;
    r.textLength = w.textLength;
    r.pageText = w.pageText.substr(0, kMessageTextCapacity - 1);
    r.text = w.text;
    r.voiceName = w.voiceName;
    r.halfWidth = w.halfWidth;
    r.bracketDepth = w.bracketDepth;
    return r;
}

void machineFromSavePoint(const SavePoint& p, const ScriptVm& vm, Snapshot& s) {
    s.scriptName = p.scriptName;
    s.stack = p.stack;
    s.top = p.top;
    s.frames = p.frames;
    s.frameTop = p.frameTop;
    s.pc = p.pc;
    s.gameInts = p.gameInts;
    s.gameFlags = p.gameFlags;
    s.gameStrings = p.gameStrings;
    auto size = [](const auto& bank) { return static_cast<std::uint32_t>(bank.size()); };
    s.bankSizes = {size(p.gameInts),    size(p.gameFlags),   size(p.gameStrings),
                   size(vm.constInts),  size(vm.constFlags), size(vm.constStrings),
                   size(vm.commonInts), size(vm.commonFlags)};
    s.rightClickEnabled = p.rightClickEnabled;
    s.buttonLayer = p.systemButtons.layer;
    s.spaceButton = p.systemButtons.spaceButton;
    s.wheelButton = p.systemButtons.wheelButton;
    s.buttons = p.systemButtons.buttons;
}

void layersToSnapshot(const LayerSet& set, Snapshot& s) {
    for (int i = 0; i < set.layerCount(); ++i) {
        s.layers.push_back(recordOf(*set.layer(i)));
        s.shownLayers.push_back(recordOf(*set.shownLayer(i)));
    }
    for (int i = 0; i < set.maskCount(); ++i) {
        s.masks.push_back(recordOf(*set.mask(i)));
        s.shownMasks.push_back(recordOf(*set.shownMask(i)));
    }
    s.tone = set.screenTone;
}

void textToSnapshot(Engine& engine, Snapshot& s) {
    for (const auto& w : engine.text.messageWindows)
        s.windows.push_back(recordOf(*w));
    if (const MessageLog* log = engine.text.messageLog.get()) {
        s.log.assign(log->pages().begin(), log->pages().end());
        s.voices = log->currentVoices();
    }
    s.history.values = engine.text.historySettings;
    for (std::size_t i = 0; i < s.animations.size(); ++i) {
        const Animation& a = engine.text.animations[i];
        s.animations[i] = {a.layer, a.x,      a.y,          a.srcX,  a.srcY,
                           a.width, a.height, a.frameCount, a.frame, a.enabled};
    }
}

void soundAndUiToSnapshot(Engine& engine, Snapshot& s) {
    s.packCount = static_cast<std::int32_t>(engine.sound.packs.size());
    for (const SoundChannel& c : engine.sound.channels) {
        bool looping = c.buffer && (c.buffer->status() & kStatusLooping) != 0;
        s.channels.push_back({c.pack, c.volumePercent, c.name, c.streaming, looping});
    }
    // The main map: a save made from the right-click screen keeps the map of the screen the
    // player comes back to.
    const ClickableMap& map = engine.ui.mainMap;
    s.mapLayer = map.layer;
    s.mapHoverChannel = map.hoverChannel;
    s.mapClickChannel = map.clickChannel;
    s.mapHoverSound = map.hoverSound;
    s.mapClickSound = map.clickSound;
    s.hotspots = map.items;
    s.choiceStartText = engine.ui.choiceMenu.startText;
    s.choices = engine.ui.choiceMenu.lines;
}

void restoreRegisters(Engine& engine, const Snapshot& s) {
    engine.app.windowTitle = s.windowTitle;
    engine.platform.setCaption(s.windowTitle);
    if (engine.app.appState)
        engine.app.appState->caption = s.windowTitle;
    // The restored screen is the finished picture: a transition saved half-way is not run on.
    engine.display.effectRunning = false;
    engine.display.scriptRunsDuringEffect = s.scriptRunsDuringEffect;
    ScriptState& script = engine.script;
    script.engineState = s.state.engineState;
    script.commandPhase = s.state.commandPhase;
    script.commandScratch = s.state.commandScratch;
    script.savedCommandTop = s.savedTop;
    script.savedCommandStack = s.saved;
    engine.ui.rightClickEnabled = s.rightClickEnabled;
    engine.app.skipMode = s.skipMode;
    engine.display.windowsOnTop = s.windowsOnTop;
}

void restoreLayers(Engine& engine, const Snapshot& s) {
    DisplayState& display = engine.display;
    LayerSet& set = *display.mainLayerSet;
    set.setSurfaces(display.screenSurface.get(), display.workSurface.get(),
                    display.previousSurface.get());
    set.resizeLayers(static_cast<int>(s.layers.size()), LayerSet::Table::Layers);
    set.resizeLayers(static_cast<int>(s.masks.size()), LayerSet::Table::Masks);
    for (int i = 0; i < set.layerCount(); ++i) {
        restoreLayer(*set.layer(i), s.layers[static_cast<std::size_t>(i)]);
        restoreLayer(*set.shownLayer(i), s.shownLayers[static_cast<std::size_t>(i)]);
    }
    for (int i = 0; i < set.maskCount(); ++i) {
        restoreLayer(*set.mask(i), s.masks[static_cast<std::size_t>(i)]);
        restoreLayer(*set.shownMask(i), s.shownMasks[static_cast<std::size_t>(i)]);
    }
    set.screenTone = s.tone;
}

// Channels come back up to the count that exists; the volume variables stay as the scripts set
// them. With no channels yet, they are made as command 45 makes them.
void restoreChannels(Engine& engine, const Snapshot& s) {
    SoundState& sound = engine.sound;
    if (sound.channels.empty() && !s.channels.empty())
        sound.makeChannels(static_cast<int>(s.channels.size()));
    for (std::size_t i = 0; i < sound.channels.size() && i < s.channels.size(); ++i) {
        SoundChannel& c = sound.channels[i];
        const ChannelRecord& r = s.channels[i];
        c.pack = r.pack, c.volumePercent = r.volumePercent, c.name = r.name;
        c.streaming = r.streaming;
    }
}

void restoreMachine(Engine& engine, const Snapshot& s) {
    ScriptVm& vm = *engine.script.vm;
    vm.valueStack = s.stack;
    vm.top = s.top;
    vm.frames = s.frames;
    vm.frameTop = s.frameTop;
    vm.pc = s.pc;
    vm.gameInts = s.gameInts;
    vm.gameFlags = s.gameFlags;
    vm.gameStrings = s.gameStrings;
    vm.saveTitle = s.title;
}

void restoreWindows(Engine& engine, const Snapshot& s) {
    TextState& text = engine.text;
    for (auto& window : text.messageWindows)
        Reset(*window);
    text.messageWindows.clear();
    if (s.windows.empty())
        return;
    FontSystem& fonts = Fonts(engine);
    for (const WindowRecord& r : s.windows) {
        auto w = std::make_unique<MessageWindow>(engine.platform);
        w->target = engine.display.screenSurface.get();
        w->source = &fonts;
        w->settings() = r.settings;
        SetHookSelector(*w, r.settings.hookSelector);
        w->characterTimer.SetInterval(r.characterInterval);
        w->pen = r.pen;
        w->text = r.text;
        w->readPosition = r.readPosition;
        w->textLength = std::clamp(r.textLength, 0, static_cast<int>(kMessageTextCapacity) - 1);
        w->pageText = r.pageText;
        w->voiceName = r.voiceName;
        w->halfWidth = r.halfWidth;
        w->bracketDepth = r.bracketDepth;
        text.messageWindows.push_back(std::move(w));
    }
}

void restoreTextAndUi(Engine& engine, const Snapshot& s) {
    if (engine.text.messageLog)
        engine.text.messageLog->restore({s.log.begin(), s.log.end()}, s.voices);
    engine.text.historySettings = s.history.values;
    SystemButtons& buttons = engine.ui.systemButtons;
    buttons = SystemButtons{};
    buttons.buttons = s.buttons;
    buttons.layer = s.buttonLayer;
    buttons.spaceButton = s.spaceButton;
    buttons.wheelButton = s.wheelButton;
    ClickableMap& map = engine.ui.currentMap();
    map.clear();
    map.layer = s.mapLayer;
    map.hoverChannel = s.mapHoverChannel;
    map.clickChannel = s.mapClickChannel;
    map.hoverSound = s.mapHoverSound;
    map.clickSound = s.mapClickSound;
    map.items = s.hotspots;
    ChoiceMenu& menu = engine.ui.choiceMenu;
    menu.clear();
    menu.startText = s.choiceStartText;
    menu.lines = s.choices;
    for (std::size_t i = 0; i < s.animations.size(); ++i) {
        Animation& a = engine.text.animations[i];
        const AnimationRecord& r = s.animations[i];
        a.layer = r.layer, a.x = r.x, a.y = r.y, a.srcX = r.srcX, a.srcY = r.srcY;
        a.width = r.width, a.height = r.height, a.frameCount = r.frameCount, a.frame = r.frame;
        a.enabled = r.enabled;
    }
}

} // namespace

void TakeSavePoint(Engine& engine) {
    if (!engine.script.vm)
        return;
    const ScriptVm& vm = *engine.script.vm;
    SavePoint& p = engine.save.savePoint;
    p.taken = true;
    p.scriptName = vm.scriptName;
    p.stack = vm.valueStack;
    p.top = vm.top;
    p.frames = vm.frames;
    p.frameTop = vm.frameTop;
    p.pc = vm.pc;
    p.gameInts = vm.gameInts;
    p.gameFlags = vm.gameFlags;
    p.gameStrings = vm.gameStrings;
    p.rightClickEnabled = engine.ui.rightClickEnabled;
    p.systemButtons = engine.ui.systemButtons;
    // The thumbnail: the whole screen stretched to its size, capped at the screen's own.
    Surface& thumbnail = *engine.display.thumbnailSurface;
    const int w = std::min<std::int32_t>(engine.save.thumbnailWidth, kThumbnailMaxWidth);
    const int h = std::min<std::int32_t>(engine.save.thumbnailHeight, kThumbnailMaxHeight);
    if (w <= 0 || h <= 0) {
        thumbnail.release();
        return;
    }
    if (thumbnail.width() != w || thumbnail.height() != h)
        thumbnail.create(w, h, 24);
    const Surface& screen = *engine.display.screenSurface;
    thumbnail.stretchFrom(screen, 0, 0, w, h, 0, 0, screen.width(), screen.height());
}

Snapshot BuildSnapshot(Engine& engine) {
    if (!engine.save.savePoint.taken)
        TakeSavePoint(engine); // a slot never names an empty script
    const ScriptVm& vm = *engine.script.vm;
    Snapshot s;
    s.title = cutTitle(vm.saveTitle);
    s.date = dateText(engine.platform.localTime());
    s.windowTitle = engine.app.windowTitle;
    s.screenWidth = engine.display.screenWidth;
    s.screenHeight = engine.display.screenHeight;
    s.effectRunning = engine.display.effectRunning;
    s.scriptRunsDuringEffect = engine.display.scriptRunsDuringEffect;
    const ScriptState& script = engine.script;
    s.state = {script.engineState, script.commandPhase, script.commandScratch};
    s.savedTop = script.savedCommandTop;
    s.saved = script.savedCommandStack;
    s.skipMode = engine.app.skipMode;
    s.windowsOnTop = engine.display.windowsOnTop;
    machineFromSavePoint(engine.save.savePoint, vm, s);
    layersToSnapshot(*engine.display.mainLayerSet, s);
    textToSnapshot(engine, s);
    soundAndUiToSnapshot(engine, s);
    return s;
}

void RestoreSnapshot(Engine& engine, const Snapshot& snapshot) {
    restoreRegisters(engine, snapshot);
    restoreLayers(engine, snapshot);
    restoreChannels(engine, snapshot);
    restoreMachine(engine, snapshot);
    restoreWindows(engine, snapshot);
    restoreTextAndUi(engine, snapshot);
}

void ReloadPictures(Engine& engine, const char* operation) {
    LayerSet& set = *engine.display.mainLayerSet;
    // A layer and its shown entry usually hold the same picture: each name is decoded once and
    // copied to the other entries that name it.
    std::map<std::string, const Surface*> loaded;
    auto reload = [&](Layer* entry) {
        if (!entry || entry->name.empty())
            return;
        if (!entry->surface)
            entry->surface = std::make_unique<Surface>();
        if (auto same = loaded.find(entry->name); same != loaded.end()) {
            const Surface& picture = *same->second;
            if (entry->surface->create(picture.width(), picture.height(), picture.bitsPerPixel())) {
                entry->surface->copyFrom(picture);
                return;
            }
        }
        if (!LoadPicture(engine, entry->name, *entry->surface)) {
            entry->surface->release();
            engine.platform.messageBox(BoxOwner::MainWindow,
                                       sjis("画像読み込みに失敗") + " in " + operation + "()",
                                       "error", MessageBoxButtons::Ok);
            return;
        }
        loaded.emplace(entry->name, entry->surface.get());
    };
    for (int i = 0; i < set.layerCount(); ++i) {
        reload(set.layer(i));
        reload(set.shownLayer(i));
    }
    for (int i = 0; i < set.maskCount(); ++i) {
        reload(set.mask(i));
        reload(set.shownMask(i));
    }
}

} // namespace vura
