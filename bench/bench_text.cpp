// Drawing one 24-pixel kanji into a 640 x 480 surface: from the glyph cache, rendered afresh
// (the cache emptied before every draw), and FreeType's own load and render of the same
// character in the same face, the floor for a fresh glyph. Then a whole page of the longest
// text a window takes, laid out and drawn in one go as a click or no-wait shows it.

#include "graphics/surface.hpp"
#include "text/font_system.hpp"
#include "text/glyph_renderer.hpp"
#include "text/message_window.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

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
    GlyphStyle style;
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
    scene.style.format = static_cast<int>(state.range(0));
    scene.renderer.DrawGlyph(scene.style, fonts(), scene.surface, 100, 100, kKanji);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            scene.renderer.DrawGlyph(scene.style, fonts(), scene.surface, 100, 100, kKanji));
}
BENCHMARK(BM_DrawGlyphCached)->Arg(kGlyphGray)->Arg(kGlyphBitmap);

void BM_DrawGlyphUncached(benchmark::State& state) {
    if (!ready(state))
        return;
    Scene scene;
    scene.style.format = static_cast<int>(state.range(0));
    for (auto _ : state) {
        fonts().clearGlyphCache();
        benchmark::DoNotOptimize(
            scene.renderer.DrawGlyph(scene.style, fonts(), scene.surface, 100, 100, kKanji));
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

class FixedClock : public Clock {
public:
    std::uint32_t milliseconds() override { return 0; }
    std::optional<std::int64_t> performanceFrequency() override { return std::nullopt; }
    std::int64_t performanceCounter() override { return 0; }
};

// 511 characters of ordinary Japanese prose (kana, kanji, punctuation and brackets) and one
// ASCII letter: 1023 bytes.
std::string fullPage() {
    const std::string prose = "\x81\x75\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x41"
                              "\x8d\xa1\x93\xfa\x82\xcd\x82\xa2\x82\xa2\x93\x56\x8b\x43"
                              "\x82\xc5\x82\xb7\x82\xcb\x81\x42\x81\x76\x8e\x84\x82\xcd"
                              "\x91\x8b\x82\xa9\x82\xe7\x8a\x4f\x82\xf0\x8c\xa9\x82\xbd"
                              "\x81\x42";
    std::string text;
    while (text.size() + prose.size() <= 1022)
        text += prose;
    while (text.size() < 1022)
        text += "\x82\xa0";
    return text + "a";
}

void BM_FlushFullPage(benchmark::State& state) {
    if (!ready(state))
        return;
    FixedClock clock;
    Surface surface;
    surface.create(640, 480, 24);
    MessageWindow window(clock);
    window.target = &surface;
    window.source = &fonts();
    window.style.font.height = 20;
    window.screenRect = {0, 0, 640, 480};
    window.textArea = {0, 0, 640, 480};
    const std::string text = fullPage();
    int pages = 0;
    for (auto _ : state) {
        SetText(window, text);
        NewPage(window);
        for (;;) {
            int result = window.nextChar(window);
            if (result == kCharEnd)
                break;
            if (result == kCharNewLine)
                window.newLine(window);
            else if (result == kCharPageFull)
                ++pages, window.newPage(window);
        }
    }
    if (pages != 0)
        state.SkipWithError("the text did not fit on one page");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_FlushFullPage)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vura
