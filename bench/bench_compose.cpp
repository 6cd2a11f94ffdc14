// Composing a typical scene into the 640 x 480 work surface: an opaque background, two masked
// characters, a masked layer fading in, and a darkening screen tone.

#include "graphics/layer_set.hpp"
#include "graphics/transition.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>

namespace vura {
namespace {

class StillClock : public Clock {
public:
    std::uint32_t milliseconds() override { return 0; }
    std::optional<std::int64_t> performanceFrequency() override { return std::nullopt; }
    std::int64_t performanceCounter() override { return 0; }
};

void noise(Surface& s, int width, int height, std::uint32_t seed) {
    s.create(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x) {
            seed = seed * 1103515245u + 12345u;
            s.row(y)[x] = static_cast<std::uint8_t>(seed >> 24);
        }
}

Layer& place(LayerSet& set, int index, int x, int y, int width, int height, std::uint32_t seed) {
    Layer& e = *set.layer(index);
    noise(*e.surface, width, height, seed);
    e.x = x;
    e.y = y;
    e.width = width;
    e.height = height;
    e.visible = true;
    return e;
}

void BM_ComposeTypicalFrame(benchmark::State& state) {
    StillClock clock;
    Surface screen, work, previous;
    for (Surface* s : {&screen, &work, &previous})
        s->create(640, 480, 24);
    LayerSet set(clock);
    set.setSurfaces(&screen, &work, &previous);
    set.resizeLayers(4, LayerSet::Table::Layers);
    set.resizeLayers(3, LayerSet::Table::Masks);
    for (int m = 0; m < 3; ++m)
        noise(*set.mask(m)->surface, 300, 450, 100u + m);

    place(set, 3, 0, 0, 640, 480, 1);                 // background
    place(set, 2, 20, 30, 300, 450, 2).maskIndex = 0; // characters
    place(set, 1, 320, 30, 300, 450, 3).maskIndex = 1;
    Layer& fading = place(set, 0, 170, 30, 300, 450, 4);
    fading.maskIndex = 2;
    fading.blendMode = 1;
    fading.blendLevel = 128;
    set.screenTone.mode = 0;
    set.screenTone.level = -40;
    set.compose(); // the tone shows from the second composition on

    for (auto _ : state) {
        set.compose();
        benchmark::DoNotOptimize(work.pixels());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ComposeTypicalFrame)->Unit(benchmark::kMicrosecond);

// One step of each transition type over the whole screen, in the middle of its run.
void BM_TransitionStep(benchmark::State& state) {
    StillClock clock;
    Surface screen, work, previous;
    for (Surface* s : {&screen, &work, &previous})
        s->create(640, 480, 24);
    noise(work, 640, 480, 5);
    noise(previous, 640, 480, 6);
    LayerSet set(clock);
    set.setSurfaces(&screen, &work, &previous);
    set.resizeLayers(1, LayerSet::Table::Masks);
    noise(*set.mask(0)->surface, 640, 480, 7);
    const int type = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        startTransition(set, type, 32, 0);
        set.transition.progress = type <= kRuleCrossfade ? 128 : 8;
        state.ResumeTiming();
        stepTransitionOnce(set);
        benchmark::DoNotOptimize(screen.pixels());
    }
}
BENCHMARK(BM_TransitionStep)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vura
