// Drawing one 24-pixel kanji into a 640 x 480 surface: from the glyph cache, rendered afresh
// (the cache emptied before every draw), and FreeType's own load and render of the same
// character in the same face, the floor for a fresh glyph.

#include "graphics/surface.hpp"
#include "text/font_system.hpp"
#include "text/glyph_renderer.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace vura {
namespace {

constexpr std::uint16_t kKanji = 0x8ABF; // 漢

FontSystem& fonts() {
    static FontSystem system;
    return system;
}

struct Scene {
    Scene() {
        surface.create(640, 480, 24);
        renderer.red = renderer.green = renderer.blue = 255;
    }
    Surface surface;
    GlyphRenderer renderer;
};

bool ready(benchmark::State& state) {
    if (fonts().resolve(FontDescription{}).drawsJapanese)
        return true;
    state.SkipWithError("no Japanese font installed");
    return false;
}

void BM_DrawGlyphCached(benchmark::State& state) {
    if (!ready(state))
        return;
    Scene scene;
    scene.renderer.format = static_cast<int>(state.range(0));
    scene.renderer.DrawGlyph(fonts(), scene.surface, 100, 100, kKanji);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            scene.renderer.DrawGlyph(fonts(), scene.surface, 100, 100, kKanji));
}
BENCHMARK(BM_DrawGlyphCached)->Arg(kGlyphGray)->Arg(kGlyphBitmap);

void BM_DrawGlyphUncached(benchmark::State& state) {
    if (!ready(state))
        return;
    Scene scene;
    scene.renderer.format = static_cast<int>(state.range(0));
    for (auto _ : state) {
        fonts().clearGlyphCache();
        benchmark::DoNotOptimize(
            scene.renderer.DrawGlyph(fonts(), scene.surface, 100, 100, kKanji));
    }
}
BENCHMARK(BM_DrawGlyphUncached)->Arg(kGlyphGray)->Arg(kGlyphBitmap);

void BM_FreeTypeLoadAndRender(benchmark::State& state) {
    if (!ready(state))
        return;
    const int format = static_cast<int>(state.range(0));
    const FontDescription font;
    for (auto _ : state)
        benchmark::DoNotOptimize(fonts().renderDirect(font, format, kKanji));
}
BENCHMARK(BM_FreeTypeLoadAndRender)->Arg(kGlyphGray)->Arg(kGlyphBitmap);

} // namespace
} // namespace vura
