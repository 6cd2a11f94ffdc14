// The six blend primitives over a full 640 x 480 frame on every code path, beside memcpy of the
// same 921,600 bytes. "cache" reuses one set of four frames, which then stays in the processor's
// caches; "memory" cycles through 265 MB of frames so that every pass reads from main memory (a
// 64 MB set still partly stayed in the last-level cache of the machine this was tuned on).

#include "graphics/blend.hpp"
#include "graphics/surface.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace vura {
namespace {

using blend_detail::BlendOps;
using blend_detail::BlendPath;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr BlendRect kFrame{0, 0, kWidth, kHeight, 0, 0};
constexpr std::int64_t kFrameBytes = 1920 * kHeight;
// Every pass uses four frames: the destination and up to three inputs.
constexpr int kFramesPerPass = 4;
constexpr int kCacheFrames = kFramesPerPass;
constexpr int kMemoryFrames = 288;

// Frames of noise, made once and shared by all benchmarks.
Surface* frames(int count) {
    static std::unique_ptr<Surface[]> pool;
    static int made = 0;
    if (made < count) {
        pool = std::make_unique<Surface[]>(count);
        std::uint32_t x = 12345;
        for (int f = 0; f < count; ++f) {
            pool[f].create(kWidth, kHeight, 24);
            for (int i = 0; i < pool[f].pitch() * kHeight; ++i) {
                x = x * 1103515245u + 12345u;
                pool[f].pixels()[i] = static_cast<std::uint8_t>(x >> 24);
            }
        }
        made = count;
    }
    return pool.get();
}

enum Primitive { kBlendMasked, kShift, kShiftMasked, kMaskedFade, kCrossfade, kRuleBlend };
constexpr const char* kPrimitiveNames[] = {
    "blendMasked", "shiftBrightness", "shiftBrightnessMasked",
    "maskedFade",  "crossfade",       "ruleBlend"};

// Mid-range levels, so that every byte does real work.
void runOnce(const BlendOps& ops, Primitive which, Surface* f) {
    switch (which) {
    case kBlendMasked:
        return ops.blendMasked(f[0], kFrame, f[1], f[2]);
    case kShift:
        return ops.shiftBrightness(f[0], kFrame, f[1], 40);
    case kShiftMasked:
        return ops.shiftBrightnessMasked(f[0], kFrame, f[1], f[2], -40);
    case kMaskedFade:
        return ops.maskedFade(f[0], kFrame, f[1], f[2], 128);
    case kCrossfade:
        return ops.crossfade(f[0], kFrame, f[1], f[2], 128);
    case kRuleBlend:
        return ops.ruleBlend(f[0], kFrame, f[1], f[2], f[3], 300);
    }
}

void BM_Blend(benchmark::State& state, Primitive which, BlendPath path, int poolFrames) {
    const BlendOps* ops = blend_detail::opsFor(path);
    if (ops == nullptr) {
        state.SkipWithError("code path not available on this processor");
        return;
    }
    Surface* pool = frames(poolFrames);
    int first = 0;
    for (auto _ : state) {
        runOnce(*ops, which, pool + first);
        benchmark::DoNotOptimize(pool[first].pixels());
        first = (first + kFramesPerPass) % poolFrames;
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}

void BM_MemcpyFrame(benchmark::State& state, int poolFrames) {
    Surface* pool = frames(poolFrames);
    int first = 0;
    for (auto _ : state) {
        std::memcpy(pool[first].pixels(), pool[first + 1].pixels(), kFrameBytes);
        benchmark::DoNotOptimize(pool[first].pixels());
        first = (first + 2) % poolFrames;
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}

const bool registered = [] {
    const std::pair<const char*, int> pools[] = {{"cache", kCacheFrames},
                                                 {"memory", kMemoryFrames}};
    const std::pair<const char*, BlendPath> paths[] = {
        {"scalar", BlendPath::Scalar}, {"sse2", BlendPath::Sse2}, {"avx2", BlendPath::Avx2}};
    for (auto [poolName, poolFrames] : pools) {
        benchmark::RegisterBenchmark((std::string("BM_MemcpyFrame/") + poolName).c_str(),
                                     BM_MemcpyFrame, poolFrames);
        for (int which = kBlendMasked; which <= kRuleBlend; ++which) {
            for (auto [pathName, path] : paths) {
                std::string name = std::string("BM_Blend/") + kPrimitiveNames[which] + "/" +
                                   pathName + "/" + poolName;
                benchmark::RegisterBenchmark(name.c_str(), BM_Blend, static_cast<Primitive>(which),
                                             path, poolFrames);
            }
        }
    }
    return true;
}();

} // namespace
} // namespace vura
