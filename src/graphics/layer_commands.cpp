#include "graphics/layer_commands.hpp"

#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/layer_set.hpp"
#include "resources/resource_lookup.hpp"

#include <string>

namespace vura {

namespace {

LayerSet& currentSet(Engine& engine) {
    return *engine.display.currentLayerSet;
}

int resize(Engine& engine, LayerSet::Table table, const char* operation) {
    std::int32_t count = popValue(engine);
    if (count > kMaxLayerCount)
        return FailFatal(engine, sjis("レイヤー数が多すぎます"), operation);
    currentSet(engine).resizeLayers(count, table);
    return completeCommand(engine);
}

// Loads a picture into a layer or mask entry unless the entry already holds the picture of
// that name (compared upper-cased, Shift-JIS pairs left alone). The name is stored whether the
// load succeeded or not, so a failed name is not tried again.
int loadInto(Engine& engine, bool mask) {
    std::string name = popString(engine, 64);
    std::int32_t index = popValue(engine);
    LayerSet& set = currentSet(engine);
    // An index with no entry is ignored.
    if (Layer* entry = mask ? set.mask(index) : set.layer(index)) {
        std::string upper = sjisToUpper(name);
        if (upper != entry->name) {
            if (!LoadPicture(engine, name, *entry->surface)) {
                entry->surface->release();
                engine.platform.messageBox(BoxOwner::MainWindow,
                                           sjis("画像読み込みに失敗 in LoadLayer()"), "error",
                                           MessageBoxButtons::Ok);
            }
            entry->name = upper;
        }
    }
    return completeCommand(engine);
}

} // namespace

namespace commands {

int SetLayerCount(Engine& engine) {
    return resize(engine, LayerSet::Table::Layers, "SetLayerCount");
}

int SetMaskCount(Engine& engine) {
    return resize(engine, LayerSet::Table::Masks, "SetMaskCount");
}

int LoadLayer(Engine& engine) {
    return loadInto(engine, false);
}

int LoadMask(Engine& engine) {
    return loadInto(engine, true);
}

int SetLayerVisible(Engine& engine) {
    std::int32_t visible = popValue(engine);
    if (Layer* entry = currentSet(engine).layer(popValue(engine)))
        entry->visible = visible != 0;
    return completeCommand(engine);
}

int SetLayerPosition(Engine& engine) {
    std::int32_t y = popValue(engine);
    std::int32_t x = popValue(engine);
    if (Layer* entry = currentSet(engine).layer(popValue(engine))) {
        entry->x = x;
        entry->y = y;
    }
    return completeCommand(engine);
}

int SetLayerSourceRect(Engine& engine) {
    std::int32_t height = popValue(engine);
    std::int32_t width = popValue(engine);
    std::int32_t srcY = popValue(engine);
    std::int32_t srcX = popValue(engine);
    if (Layer* entry = currentSet(engine).layer(popValue(engine))) {
        // A negative size means the picture's own, as loaded now (0 for a failed load).
        entry->srcX = srcX;
        entry->srcY = srcY;
        entry->width = width < 0 ? entry->surface->width() : width;
        entry->height = height < 0 ? entry->surface->height() : height;
    }
    return completeCommand(engine);
}

int SetLayerMask(Engine& engine) {
    std::int32_t maskIndex = popValue(engine);
    if (Layer* entry = currentSet(engine).layer(popValue(engine)))
        entry->maskIndex = maskIndex;
    return completeCommand(engine);
}

int SetLayerBlend(Engine& engine) {
    std::int32_t level = popValue(engine);
    std::int32_t mode = popValue(engine);
    if (Layer* entry = currentSet(engine).layer(popValue(engine))) {
        entry->blendMode = mode;
        entry->blendLevel = level;
    }
    return completeCommand(engine);
}

int SetClipRect(Engine& engine) {
    std::int32_t height = popValue(engine);
    std::int32_t width = popValue(engine);
    std::int32_t y = popValue(engine);
    std::int32_t x = popValue(engine);
    currentSet(engine).setClipRect(x, y, width, height);
    return completeCommand(engine);
}

int SetEffectInterval(Engine& engine) {
    currentSet(engine).stepTimer.SetInterval(static_cast<std::uint32_t>(popValue(engine)));
    return completeCommand(engine);
}

int SetScreenTone(Engine& engine) {
    std::int32_t level = popValue(engine);
    std::int32_t mode = popValue(engine);
    ScreenTone& tone = currentSet(engine).screenTone;
    tone.mode = mode;
    tone.level = level;
    return completeCommand(engine);
}

int ReleaseLayerPicture(Engine& engine) {
    if (Layer* entry = currentSet(engine).layer(popValue(engine))) {
        entry->surface->release();
        entry->name.clear();
        entry->visible = false;
        entry->hideInPeek = false;
    }
    return completeCommand(engine);
}

int ReleaseMaskPicture(Engine& engine) {
    if (Layer* entry = currentSet(engine).mask(popValue(engine))) {
        entry->surface->release();
        entry->name.clear();
    }
    return completeCommand(engine);
}

} // namespace commands
} // namespace vura
