#include "graphics/blend.hpp"
#include "graphics/surface.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <utility>

namespace vura {
namespace {

using blend_detail::BlendOps;
using blend_detail::BlendPath;

// A 24-bit surface whose byte i of picture row y is value(i, y).
template <typename Value>
Surface filled(int width, int height, Value value) {
    Surface s;
    EXPECT_TRUE(s.create(width, height, 24));
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * 3; ++i)
            s.row(y)[i] = static_cast<std::uint8_t>(value(i, y));
    return s;
}
// 40 pixels make 120 bytes per row: whole vector groups and a tail on every path.
constexpr BlendRect kWhole{0, 0, 40, 3, 0, 0};
Surface uniform(int v, int width = 40, int height = 3) {
    return filled(width, height, [=](int, int) { return v; });
}
Surface pattern(int seed) {
    return filled(40, 3, [=](int i, int y) { return (i * 37 + y * 11 + seed * 101) % 256; });
}
Surface copyOf(const Surface& s) {
    return filled(s.width(), s.height(), [&](int i, int y) { return s.row(y)[i]; });
}
// Bytes that differ between two surfaces of one size, row padding included.
int differingBytes(const Surface& a, const Surface& b) {
    int n = 0;
    for (int i = 0; i < a.pitch() * a.height(); ++i)
        n += a.pixels()[i] != b.pixels()[i];
    return n;
}

// s + floor((d - s) * w / 256), the division written out rather than shifted.
int floorMix(int s, int d, int w) {
    int p = (d - s) * w;
    return s + (p >= 0 ? p / 256 : -((-p + 255) / 256));
}

TEST(BlendMix, LaneArithmeticEqualsFloorFormulaForEveryInput) {
    // What one 16-bit lane computes: difference, low half of the product, logical shift,
    // truncating narrow, wrapping byte add.
    int wrong = 0, wrongWhenSaturating = 0;
    for (int w = 0; w <= 256; ++w)
        for (int s = 0; s < 256; ++s)
            for (int d = 0; d < 256; ++d) {
                auto product = static_cast<std::uint16_t>(static_cast<std::uint16_t>(d - s) * w);
                int term = product >> 8;
                wrong += static_cast<std::uint8_t>(s + term) != floorMix(s, d, w);
                // Adding s in 16 bits and packing with saturation instead fails where d < s.
                wrongWhenSaturating += std::min(s + term, 255) != floorMix(s, d, w);
            }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(wrongWhenSaturating, 0);
}

// Runs each test on one code path; a path this processor lacks is skipped.
class BlendPathTest : public testing::TestWithParam<BlendPath> {
protected:
    void SetUp() override {
        ops_ = blend_detail::opsFor(GetParam());
        if (ops_ == nullptr)
            GTEST_SKIP() << "code path not available on this processor";
    }
    const BlendOps& ops() const { return *ops_; }

private:
    const BlendOps* ops_ = nullptr;
};
std::string pathName(const testing::TestParamInfo<BlendPath>& info) {
    const char* names[] = {"Scalar", "Sse2", "Avx2"};
    return names[static_cast<int>(info.param)];
}

using BlendEdges = BlendPathTest;

TEST_P(BlendEdges, BlendMaskedBlackMaskCopiesSourceWhiteKeepsDestinationOneStepShort) {
    Surface src = pattern(1), dst = pattern(2);
    ops().blendMasked(dst, kWhole, src, uniform(0));
    EXPECT_EQ(differingBytes(dst, src), 0);
    // {s, d, d'}: s + floor((d - s) * 255 / 256) falls one short of d only where d > s.
    const int cases[][3] = {{100, 200, 199}, {100, 10, 10}, {0, 255, 254}, {255, 0, 0}};
    for (auto [s, d, want] : cases) {
        Surface out = uniform(d);
        ops().blendMasked(out, kWhole, uniform(s), uniform(255));
        EXPECT_EQ(differingBytes(out, uniform(want)), 0) << s << " over " << d;
    }
}

TEST_P(BlendEdges, CrossfadeEndsAndMidpoint) {
    Surface a = pattern(3), b = pattern(4), out = uniform(77);
    for (auto [level, want] : {std::pair{0, &a}, {-5, &a}, {256, &b}, {1000, &b}}) {
        ops().crossfade(out, kWhole, a, b, level);
        EXPECT_EQ(differingBytes(out, *want), 0) << level;
    }
    // Level 128 gives the floor of the mean whichever picture is the old one.
    const int cases[][3] = {{10, 21, 15}, {21, 10, 15}, {0, 255, 127}, {255, 0, 127}};
    for (auto [from, to, want] : cases) {
        ops().crossfade(out, kWhole, uniform(from), uniform(to), 128);
        EXPECT_EQ(differingBytes(out, uniform(want)), 0) << from << " to " << to;
    }
}

TEST_P(BlendEdges, BrightnessClampsForAnyLevel) {
    // {source byte, level, result}
    const int cases[][3] = {{128, -300, 0},    {128, 300, 255}, {0, INT_MAX, 255},
                            {255, INT_MIN, 0}, {230, 40, 255},  {10, 40, 50},
                            {30, -40, 0},      {200, -40, 160}, {99, 0, 99}};
    for (auto [s, level, want] : cases) {
        Surface out = uniform(s); // in place: source and destination are one surface
        ops().shiftBrightness(out, kWhole, out, level);
        EXPECT_EQ(differingBytes(out, uniform(want)), 0) << s << " + " << level;
    }
    // Through a black mask the brightened source shows fully.
    Surface src = pattern(5), plain = uniform(0), masked = uniform(0);
    ops().shiftBrightness(plain, kWhole, src, -70);
    ops().shiftBrightnessMasked(masked, kWhole, src, uniform(0), -70);
    EXPECT_EQ(differingBytes(plain, masked), 0);
}

TEST_P(BlendEdges, MaskedFadeLevels) {
    Surface src = pattern(6), mask = pattern(7), before = pattern(8), blended = pattern(8);
    ops().blendMasked(blended, kWhole, src, mask);
    // Negative levels draw nothing, 255 draws like blendMasked, 510 and above copy the source.
    const std::pair<int, const Surface*> cases[] = {
        {-1, &before}, {INT_MIN, &before}, {255, &blended}, {510, &src}, {INT_MAX, &src}};
    for (auto [level, want] : cases) {
        Surface out = copyOf(before);
        ops().maskedFade(out, kWhole, src, mask, level);
        EXPECT_EQ(differingBytes(out, *want), 0) << level;
    }
    // m = 100 at level 200: k = 155, so 0 + floor(200 * 155 / 256) = 121.
    Surface out = uniform(200);
    ops().maskedFade(out, kWhole, uniform(0), uniform(100), 200);
    EXPECT_EQ(differingBytes(out, uniform(121)), 0);
}

TEST_P(BlendEdges, RuleBlendLevels) {
    Surface p = pattern(9), q = pattern(10), rule = pattern(11), out = uniform(1);
    for (int level : {0, -7}) {
        ops().ruleBlend(out, kWhole, p, q, rule, level);
        EXPECT_EQ(differingBytes(out, q), 0) << level;
    }
    auto almostP = [&](int i, int y) { return floorMix(q.row(y)[i], p.row(y)[i], 255); };
    for (int level : {511, 9999}) {
        ops().ruleBlend(out, kWhole, p, q, rule, level);
        EXPECT_EQ(differingBytes(out, filled(40, 3, almostP)), 0) << level;
    }
    // r = 100 at level 300: k = 144, so 0 + floor(200 * 144 / 256) = 112.
    ops().ruleBlend(out, kWhole, uniform(200), uniform(0), uniform(100), 300);
    EXPECT_EQ(differingBytes(out, uniform(112)), 0);
}

// Runs primitive `which` with inputs x, y, z, as many as it takes.
void runPrimitive(const BlendOps& ops, int which, Surface& dst, const BlendRect& r,
                  const Surface& x, const Surface& y, const Surface& z, int level) {
    switch (which) {
    case 0:
        return ops.blendMasked(dst, r, x, y);
    case 1:
        return ops.shiftBrightness(dst, r, x, level);
    case 2:
        return ops.shiftBrightnessMasked(dst, r, x, y, level);
    case 3:
        return ops.maskedFade(dst, r, x, y, level);
    case 4:
        return ops.crossfade(dst, r, x, y, level);
    default:
        return ops.ruleBlend(dst, r, x, y, z, level);
    }
}
constexpr const char* kNames[] = {"blendMasked", "shiftBrightness", "shiftBrightnessMasked",
                                  "maskedFade",  "crossfade",       "ruleBlend"};

TEST_P(BlendEdges, EveryByteOfTheRectangleAndNothingElse) {
    const Surface src = filled(161, 4, [](int i, int y) { return (i * 7 + y * 3) % 251; });
    const Surface black = uniform(0, 161, 4);
    // Levels at which each primitive reproduces `src`; crossfade and ruleBlend take it second.
    const int levels[] = {0, 0, 0, 510, 256, 0};
    // 101 pixels in the middle and at both edges, 1 and 2 pixels at the right and left edges.
    const BlendRect rects[] = {{20, 1, 101, 3, 7, 0},
                               {0, 0, 101, 4, 60, 0},
                               {60, 0, 101, 2, 0, 2},
                               {160, 0, 1, 4, 0, 0},
                               {0, 3, 2, 1, 159, 0}};
    for (const BlendRect& r : rects) {
        for (int which = 0; which < 6; ++which) {
            Surface dst = uniform(0xA5, 161, 4), want = copyOf(dst);
            for (int y = 0; y < r.height; ++y)
                std::memcpy(want.row(r.dy + y) + r.dx * 3, src.row(r.sy + y) + r.sx * 3,
                            r.width * 3);
            const bool second = which >= 4;
            runPrimitive(ops(), which, dst, r, second ? black : src, second ? src : black, black,
                         levels[which]);
            EXPECT_EQ(differingBytes(dst, want), 0)
                << kNames[which] << " at " << r.dx << "," << r.dy << " width " << r.width;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllPaths, BlendEdges,
                         testing::Values(BlendPath::Scalar, BlendPath::Sse2, BlendPath::Avx2),
                         pathName);

// Compares `ops` with the scalar reference on random pictures, rectangles and levels.
void expectSameAsReference(const BlendOps& ops, int rounds) {
    const BlendOps& reference = *blend_detail::opsFor(BlendPath::Scalar);
    const int levels[] = {INT_MIN, -1000, -256, -255, -1,  0,   1,   128,  254,    255,
                          256,     257,   300,  509,  510, 511, 512, 1000, INT_MAX};
    std::mt19937 rng(2024);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto noise = [&](int, int) { return pick(256); };
    for (int width : {1, 2, 3, 5, 101, 641}) {
        const int height = 1 + pick(6);
        Surface dst = filled(width, height, noise), x = filled(width, height, noise),
                y = filled(width, height, noise), z = filled(width, height, noise);
        for (int round = 0; round < rounds; ++round) {
            BlendRect r;
            r.width = std::min(width, round % 3 == 0 ? 1 : round % 3 == 1 ? 2 : 1 + pick(width));
            r.height = 1 + pick(height);
            const int room = width - r.width + 1;
            r.dx = round % 4 == 0 ? 0 : round % 4 == 1 ? room - 1 : pick(room);
            r.dy = pick(height - r.height + 1);
            // Now and then the first input is the destination itself at the same place.
            const bool inPlace = round % 5 == 0;
            r.sx = inPlace ? r.dx : pick(room);
            r.sy = inPlace ? r.dy : pick(height - r.height + 1);
            const int level = round % 2 ? levels[pick(std::size(levels))] : pick(1200) - 400;
            for (int which = 0; which < 6; ++which) {
                Surface want = copyOf(dst), got = copyOf(dst);
                runPrimitive(reference, which, want, r, inPlace ? want : x, y, z, level);
                runPrimitive(ops, which, got, r, inPlace ? got : x, y, z, level);
                EXPECT_EQ(differingBytes(got, want), 0)
                    << kNames[which] << " on width " << width << ", rect " << r.dx << "," << r.dy
                    << " " << r.width << "x" << r.height << " from " << r.sx << "," << r.sy
                    << (inPlace ? " in place" : "") << ", level " << level;
            }
        }
    }
}

using BlendVsScalar = BlendPathTest;

TEST_P(BlendVsScalar, BitIdenticalOnRandomInputs) {
    expectSameAsReference(ops(), 60);
}

INSTANTIATE_TEST_SUITE_P(VectorPaths, BlendVsScalar,
                         testing::Values(BlendPath::Sse2, BlendPath::Avx2), pathName);

TEST(BlendDispatch, PublicFunctionsMatchTheReference) {
    const BlendOps publicOps = {blendMasked, shiftBrightness, shiftBrightnessMasked,
                                maskedFade,  crossfade,       ruleBlend};
    expectSameAsReference(publicOps, 12);
}

} // namespace
} // namespace vura
