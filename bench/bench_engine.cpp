// The cost of the main loop's fixed parts: an idle pass and showing a full frame.

#include "core/engine.hpp"
#include "graphics/png_codec.hpp"
#include "graphics/screen.hpp"
#include "platform/headless_platform.hpp"
#include "platform/pixel_convert.hpp"
#include "platform/sdl_platform.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace vura {
namespace {

// One pass of an engine waiting in state 0: the headless backend's event pump and one tick.
void BM_IdlePass(benchmark::State& state) {
    HeadlessPlatform platform;
    Engine engine(platform, {});
    if (!InitEngine(engine)) {
        state.SkipWithError("start-up failed");
        return;
    }
    for (auto _ : state) {
        platform.pumpEvents(*engine.app.appState);
        EngineTick(engine);
    }
}
BENCHMARK(BM_IdlePass);

// The tick alone, in a state whose handler does nothing.
void BM_IdleTick(benchmark::State& state) {
    HeadlessPlatform platform;
    Engine engine(platform, {});
    if (!InitEngine(engine)) {
        state.SkipWithError("start-up failed");
        return;
    }
    for (auto _ : state)
        EngineTick(engine);
}
BENCHMARK(BM_IdleTick);

std::vector<std::uint8_t> noiseFrame() {
    std::vector<std::uint8_t> frame(1920 * 480);
    std::uint32_t x = 12345;
    for (auto& b : frame) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return frame;
}

// What a full 640 x 480 frame costs at the least: copying its bytes.
void BM_MemcpyFrame(benchmark::State& state) {
    std::vector<std::uint8_t> source = noiseFrame(), dest(source.size());
    for (auto _ : state) {
        std::memcpy(dest.data(), source.data(), source.size());
        benchmark::DoNotOptimize(dest.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_MemcpyFrame);

// presentScreen of a full frame of noise, over and over, through the given backend.
void presentFullFrames(benchmark::State& state, Platform& platform) {
    Engine engine(platform, {});
    if (!InitEngine(engine)) {
        state.SkipWithError("start-up failed");
        return;
    }
    std::vector<std::uint8_t> frame = noiseFrame();
    std::memcpy(engine.display.screenSurface->pixels(), frame.data(), frame.size());
    for (auto _ : state)
        presentScreen(engine);
    state.SetBytesProcessed(state.iterations() * 1920 * 480);
}

// presentScreen of a full frame on the headless backend: a copy into its in-memory screen.
void BM_PresentScreenHeadless(benchmark::State& state) {
    HeadlessPlatform platform;
    presentFullFrames(state, platform);
}
BENCHMARK(BM_PresentScreenHeadless);

// The CPU part of presenting to a window: 24-bit bottom-up rows into 32-bit texture rows.
void BM_ConvertFullFrame(benchmark::State& state) {
    std::vector<std::uint8_t> frame = noiseFrame();
    std::vector<std::uint8_t> texture(640 * 4 * 480);
    BgrImageView view{frame.data(), 640, 480, 1920};
    for (auto _ : state) {
        convertBgrToXrgb(view, {0, 0, 640, 480}, texture.data(), 640 * 4);
        benchmark::DoNotOptimize(texture.data());
    }
    state.SetBytesProcessed(state.iterations() * 1920 * 480);
}
BENCHMARK(BM_ConvertFullFrame);

// Decoding a 640 x 480 PNG picture with smooth gradients and some noise, like a background.
void BM_PngDecode640x480(benchmark::State& state) {
    Surface picture;
    picture.create(640, 480, 24);
    std::uint32_t noise = 1;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            noise = noise * 1103515245u + 12345u;
            std::uint8_t* p = picture.row(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x / 3 + ((noise >> 28) & 3));
            p[1] = static_cast<std::uint8_t>(y / 2);
            p[2] = static_cast<std::uint8_t>((x + y) / 5);
        }
    std::FILE* file = std::tmpfile();
    savePng(picture, file);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::ftell(file)));
    std::rewind(file);
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        state.SkipWithError("could not make the picture");
        return;
    }
    std::fclose(file);
    for (auto _ : state) {
        std::FILE* in = fmemopen(bytes.data(), bytes.size(), "rb");
        Surface decoded;
        if (!loadPng(decoded, in))
            state.SkipWithError("decoding failed");
        std::fclose(in);
    }
    state.counters["file bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_PngDecode640x480)->Unit(benchmark::kMillisecond);

// presentScreen of a full frame into a real window; needs a display (run under xvfb-run).
void BM_PresentScreenWindow(benchmark::State& state) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        state.SkipWithError("no display: run under xvfb-run to measure the window");
        return;
    }
    SdlPlatform platform;
    presentFullFrames(state, platform);
}
BENCHMARK(BM_PresentScreenWindow)->UseRealTime();

} // namespace
} // namespace vura
