// One tick of a clickable map's wait with 8 system buttons and 32 hotspots on screen: the buttons'
// and the map's hit tests and, when the pointer has moved onto or off a hotspot, the rectangle
// put back from the backdrop and the look drawn over it.

#include "core/engine.hpp"
#include "platform/headless_platform.hpp"

#include <benchmark/benchmark.h>

namespace vura {
namespace {

constexpr int kMapWait = 70;

struct Scene {
    HeadlessPlatform platform;
    Engine engine{platform, {}};
    bool ready = false;

    Scene() {
        if (!InitEngine(engine))
            return;
        // One picture holds every look: three 60 x 40 looks side by side, as maps and buttons
        // keep them.
        LayerSet& set = *engine.display.mainLayerSet;
        set.resizeLayers(1, LayerSet::Table::Layers);
        Surface& picture = *set.layer(0)->surface;
        picture.create(180, 40, 24);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 180 * 3; ++x)
                picture.row(y)[x] = static_cast<std::uint8_t>(x * 7 + y);
        SystemButtons& buttons = engine.ui.systemButtons;
        buttons.layer = 0;
        for (int i = 0; i < 8; ++i) {
            SystemButton b;
            b.x = b.hitX = 10 + 76 * i, b.y = b.hitY = 10;
            b.width = b.hitWidth = 60, b.height = b.hitHeight = 24;
            b.enabled = b.shown = true;
            buttons.buttons.push_back(b);
        }
        ClickableMap& map = engine.ui.mainMap;
        map.layer = 0;
        for (int i = 0; i < 32; ++i) {
            ClickableMapItem item;
            item.x = 20 + 76 * (i % 8), item.y = 100 + 60 * (i / 8);
            item.width = item.srcWidth = 60, item.height = item.srcHeight = 40;
            item.enabled = true;
            map.items.push_back(item);
        }
        engine.script.engineState = kMapWait;
        engine.script.commandPhase = 1;
        ready = true;
    }

    void pointAt(int x, int y) {
        engine.app.appState->mouseX = x;
        engine.app.appState->mouseY = y;
    }
};

// The pointer moves inside one hotspot: nothing changes on screen.
void BM_HoverTickNothingChanges(benchmark::State& state) {
    Scene scene;
    if (!scene.ready) {
        state.SkipWithError("start-up failed");
        return;
    }
    scene.pointAt(500, 300);
    EngineTick(scene.engine);
    int step = 0;
    for (auto _ : state) {
        scene.pointAt(500 + (step++ & 7), 300);
        EngineTick(scene.engine);
    }
}
BENCHMARK(BM_HoverTickNothingChanges);

// The pointer moves onto a hotspot and off it again, tick by tick: each tick puts one rectangle
// back and draws one look.
void BM_HoverTickEnterOrLeave(benchmark::State& state) {
    Scene scene;
    if (!scene.ready) {
        state.SkipWithError("start-up failed");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        scene.pointAt(500, (step++ & 1) ? 300 : 90);
        EngineTick(scene.engine);
    }
}
BENCHMARK(BM_HoverTickEnterOrLeave);

} // namespace
} // namespace vura
