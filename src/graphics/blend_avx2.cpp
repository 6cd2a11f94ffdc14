// The primitives 32 bytes at a time with AVX2. Only this file is compiled with AVX2 enabled,
// and nothing here runs unless the processor has it. For that reason it uses no inline function
// or template from a header: the linker could keep this file's AVX2 copy of such a function for
// the whole program. Each row's last bytes that do not fill a group of 32 go through the scalar
// rows, so a rectangle narrower than eleven pixels is done entirely by them.

#include "graphics/blend.hpp"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace vura::blend_detail {

namespace {

constexpr int kGroup = 32;

__m256i load(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
void store(std::uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// base + ((other - base) * w >> 8) on 32 bytes, the same arithmetic as the SSE2 rows: 16-bit
// difference, low half of the product, logical shift, narrowing pack, wrapping byte add of base.
// AVX2 unpacks and packs within each 16-byte half, so wLow holds the weights of bytes 0-7 and
// 16-23, wHigh those of 8-15 and 24-31, and the pack puts every byte back in its place.
__m256i mix(__m256i base, __m256i other, __m256i wLow, __m256i wHigh) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i diffLow =
        _mm256_sub_epi16(_mm256_unpacklo_epi8(other, zero), _mm256_unpacklo_epi8(base, zero));
    __m256i diffHigh =
        _mm256_sub_epi16(_mm256_unpackhi_epi8(other, zero), _mm256_unpackhi_epi8(base, zero));
    __m256i termLow = _mm256_srli_epi16(_mm256_mullo_epi16(diffLow, wLow), 8);
    __m256i termHigh = _mm256_srli_epi16(_mm256_mullo_epi16(diffHigh, wHigh), 8);
    return _mm256_add_epi8(base, _mm256_packus_epi16(termLow, termHigh));
}

// The same with one byte weight per byte.
__m256i mixBytes(__m256i base, __m256i other, __m256i w) {
    const __m256i zero = _mm256_setzero_si256();
    return mix(base, other, _mm256_unpacklo_epi8(w, zero), _mm256_unpackhi_epi8(w, zero));
}

// clamp(v + level) for a level in -255..255, as a saturating add of its positive part and a
// saturating subtract of its negative part (one of the two is 0).
struct ByteShift {
    __m256i up;
    __m256i down;

    explicit ByteShift(int level)
        : up(_mm256_set1_epi8(static_cast<char>(level > 0 ? level : 0))),
          down(_mm256_set1_epi8(static_cast<char>(level < 0 ? -level : 0))) {}
    __m256i apply(__m256i v) const { return _mm256_subs_epu8(_mm256_adds_epu8(v, up), down); }
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
    const __m256i w = _mm256_set1_epi16(static_cast<short>(clampInt(level, 0, 256)));
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

const RowKernels avx2Rows = {
    blendMaskedRow, shiftBrightnessRow, shiftBrightnessMaskedRow,
    maskedFadeRow,  crossfadeRow,       ruleBlendRow,
};

} // namespace vura::blend_detail

#endif
