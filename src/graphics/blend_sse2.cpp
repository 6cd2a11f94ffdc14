// The primitives 16 bytes at a time with SSE2, which every x86-64 processor has. Each row's last
// bytes that do not fill a group of 16 go through the scalar rows, so a rectangle narrower than
// six pixels is done entirely by them.

#include "graphics/blend.hpp"

#if defined(__x86_64__) || defined(__i386__)

#include <emmintrin.h>

namespace vura::blend_detail {

namespace {

constexpr int kGroup = 16;

__m128i load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
void store(std::uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// base + ((other - base) * w >> 8) on 16 bytes, wLow and wHigh holding the weights of the first
// and last eight bytes as 16-bit lanes. The product may not fit 16 signed bits, but its bits 8 to
// 15 are still those of floor((other - base) * w / 256), and since the true result lies between
// base and other, a wrapping byte add of base brings it back exactly. The logical shift leaves
// every lane below 256, so the saturating pack only narrows. (Adding base before the pack would
// go wrong wherever other < base: the lane wraps and the pack saturates it to 255.)
__m128i mix(__m128i base, __m128i other, __m128i wLow, __m128i wHigh) {
    const __m128i zero = _mm_setzero_si128();
    __m128i diffLow = _mm_sub_epi16(_mm_unpacklo_epi8(other, zero), _mm_unpacklo_epi8(base, zero));
    __m128i diffHigh = _mm_sub_epi16(_mm_unpackhi_epi8(other, zero), _mm_unpackhi_epi8(base, zero));
    __m128i termLow = _mm_srli_epi16(_mm_mullo_epi16(diffLow, wLow), 8);
    __m128i termHigh = _mm_srli_epi16(_mm_mullo_epi16(diffHigh, wHigh), 8);
    return _mm_add_epi8(base, _mm_packus_epi16(termLow, termHigh));
}

// The same with one byte weight per byte.
__m128i mixBytes(__m128i base, __m128i other, __m128i w) {
    const __m128i zero = _mm_setzero_si128();
    return mix(base, other, _mm_unpacklo_epi8(w, zero), _mm_unpackhi_epi8(w, zero));
}

// clamp(v + level) for a level in -255..255, as a saturating add of its positive part and a
// saturating subtract of its negative part (one of the two is 0).
struct ByteShift {
    __m128i up;
    __m128i down;

    explicit ByteShift(int level)
        : up(_mm_set1_epi8(static_cast<char>(level > 0 ? level : 0))),
          down(_mm_set1_epi8(static_cast<char>(level < 0 ? -level : 0))) {}
    __m128i apply(__m128i v) const { return _mm_subs_epu8(_mm_adds_epu8(v, up), down); }
};

int clampInt(int v, int low, int high) {
    return v < low ? low : v > high ? high : v;
}

void blendMaskedRow(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* m, int n) {
    int i = 0;
    for (; i + kGroup <= n; i += kGroup)
        store(d + i, mixBytes(load(s + i), load(d + i), load(m + i)));
    scalar::blendMaskedRow(d + i, s + i, m + i, n - i);
}

void shiftBrightnessRow(std::uint8_t* d, const std::uint8_t* s, int n, int level) {
    const ByteShift shift(clampInt(level, -255, 255));
    int i = 0;
    for (; i + kGroup <= n; i += kGroup)
        store(d + i, shift.apply(load(s + i)));
    scalar::shiftBrightnessRow(d + i, s + i, n - i, level);
}

void shiftBrightnessMaskedRow(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* m, int n,
                              int level) {
    const ByteShift shift(clampInt(level, -255, 255));
    int i = 0;
    for (; i + kGroup <= n; i += kGroup)
        store(d + i, mixBytes(shift.apply(load(s + i)), load(d + i), load(m + i)));
    scalar::shiftBrightnessMaskedRow(d + i, s + i, m + i, n - i, level);
}

void maskedFadeRow(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* m, int n,
                   int level) {
    if (level < 0)
        return;
    // k = clamp(m + (255 - level)): the offset lies in -255..255 once level stops at 510.
    const ByteShift weight(255 - clampInt(level, 0, 510));
    int i = 0;
    for (; i + kGroup <= n; i += kGroup)
        store(d + i, mixBytes(load(s + i), load(d + i), weight.apply(load(m + i))));
    scalar::maskedFadeRow(d + i, s + i, m + i, n - i, level);
}

void crossfadeRow(std::uint8_t* d, const std::uint8_t* a, const std::uint8_t* b, int n, int level) {
    // 256 needs the 16-bit lanes: it makes the result exactly b.
    const __m128i w = _mm_set1_epi16(static_cast<short>(clampInt(level, 0, 256)));
    int i = 0;
    for (; i + kGroup <= n; i += kGroup)
        store(d + i, mix(load(a + i), load(b + i), w, w));
    scalar::crossfadeRow(d + i, a + i, b + i, n - i, level);
}

void ruleBlendRow(std::uint8_t* d, const std::uint8_t* p, const std::uint8_t* q,
                  const std::uint8_t* r, int n, int level) {
    // k = clamp(r + (level - 256)). Levels 0 and 1 both give k = 0 for every r, so starting the
    // range at 1 keeps the offset within -255..255.
    const ByteShift weight(clampInt(level, 1, 511) - 256);
    int i = 0;
    for (; i + kGroup <= n; i += kGroup)
        store(d + i, mixBytes(load(q + i), load(p + i), weight.apply(load(r + i))));
    scalar::ruleBlendRow(d + i, p + i, q + i, r + i, n - i, level);
}

} // namespace

const RowKernels sse2Rows = {
    blendMaskedRow, shiftBrightnessRow, shiftBrightnessMaskedRow,
    maskedFadeRow,  crossfadeRow,       ruleBlendRow,
};

} // namespace vura::blend_detail

#endif
