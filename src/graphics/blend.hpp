#pragma once
// The six pixel primitives that mix pictures byte by byte: a picture drawn through a mask, a
// picture brightened or darkened (through a mask or not), a masked fade-in, a crossfade and a
// rule-picture transition.
//
// Every primitive treats a row as a run of bytes and applies the same integer arithmetic to each
// byte, so blue, green and red are not told apart: a mask or rule picture weights every colour
// byte with its own byte. "mix(s, d, w)" below means s + ((d - s) * w >> 8), where >> 8 is floor
// division by 256; a weight of 0 gives s and a weight of 256 gives exactly d.
//
// Mask convention: a mask byte of 0 lets the source show fully, 255 keeps the destination almost
// entirely (the weight is m/256, never 1). Black in a mask is opaque picture, white transparent.
//
// The results are exact and identical on every code path: a plain byte-by-byte reference, SSE2
// (always there on x86-64) and AVX2, chosen once at run time.

#include "base/rect.hpp"

#include <cstdint>

namespace vura {

class Surface;

// Where a primitive works, in picture coordinates (y = 0 is the top row). The destination
// rectangle (dx, dy, width, height) receives the result; every input picture, masks and rule
// pictures included, is read at (sx, sy) with the same width and height, so a mask lines up with
// the picture it belongs to rather than with the screen.
//
// Callers keep both rectangles inside their surfaces (checked by assertions in debug builds); a
// width or height of 0 or less does nothing. All surfaces are 24 bits per pixel, so a row of the
// rectangle is width * 3 bytes. An input may be the destination surface itself with the same
// rectangle (the byte is read before it is written); rectangles that overlap in any other way
// are not supported. The rectangle is a BlendRect (base/rect.hpp).

// d' = mix(s, d, m): the source drawn over the destination through the mask.
void blendMasked(Surface& dst, const BlendRect& rect, const Surface& src, const Surface& mask);

// d' = clamp(s + level) for any level: 300 turns every byte white, -300 black.
void shiftBrightness(Surface& dst, const BlendRect& rect, const Surface& src, int level);

// t = clamp(s + level); d' = mix(t, d, m): the brightened source drawn through the mask.
void shiftBrightnessMasked(Surface& dst, const BlendRect& rect, const Surface& src,
                           const Surface& mask, int level);

// A negative level draws nothing; otherwise k = clamp(m + 255 - level) and d' = mix(s, d, k).
// Level 0 leaves the layer all but invisible, 255 draws it exactly like blendMasked, and in
// between dark mask areas appear first.
void maskedFade(Surface& dst, const BlendRect& rect, const Surface& src, const Surface& mask,
                int level);

// d' = mix(a, b, level) from the old picture a to the new picture b; level runs from 0 (a) to
// 256 (exactly b), and levels outside that range count as the nearer end.
void crossfade(Surface& dst, const BlendRect& rect, const Surface& a, const Surface& b, int level);

// k = clamp(r + level - 256); d' = mix(q, p, k) from the old picture q to the new picture p
// through the rule picture r. Level runs from 0 (q) to 511 (p at weight 255/256); bright rule
// areas change first. Levels outside that range count as the nearer end.
void ruleBlend(Surface& dst, const BlendRect& rect, const Surface& p, const Surface& q,
               const Surface& r, int level);

// The reference for one row of n bytes, written as plainly as the formulas above. The vector
// paths finish every row's last bytes (fewer than one vector group) with these.
namespace scalar {

void blendMaskedRow(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* m, int n);
void shiftBrightnessRow(std::uint8_t* d, const std::uint8_t* s, int n, int level);
void shiftBrightnessMaskedRow(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* m, int n,
                              int level);
void maskedFadeRow(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* m, int n, int level);
void crossfadeRow(std::uint8_t* d, const std::uint8_t* a, const std::uint8_t* b, int n, int level);
void ruleBlendRow(std::uint8_t* d, const std::uint8_t* p, const std::uint8_t* q,
                  const std::uint8_t* r, int n, int level);

} // namespace scalar

// The individual code paths, for tests and benchmarks; the functions above use the fastest one
// the processor supports.
namespace blend_detail {

// One code path's work on a single row of n bytes, with the same arguments as the scalar rows.
struct RowKernels {
    void (*blendMasked)(std::uint8_t*, const std::uint8_t*, const std::uint8_t*, int);
    void (*shiftBrightness)(std::uint8_t*, const std::uint8_t*, int, int);
    void (*shiftBrightnessMasked)(std::uint8_t*, const std::uint8_t*, const std::uint8_t*, int,
                                  int);
    void (*maskedFade)(std::uint8_t*, const std::uint8_t*, const std::uint8_t*, int, int);
    void (*crossfade)(std::uint8_t*, const std::uint8_t*, const std::uint8_t*, int, int);
    void (*ruleBlend)(std::uint8_t*, const std::uint8_t*, const std::uint8_t*, const std::uint8_t*,
                      int, int);
};

#if defined(__x86_64__) || defined(__i386__)
extern const RowKernels sse2Rows; // blend_sse2.cpp
extern const RowKernels avx2Rows; // blend_avx2.cpp, built with AVX2 enabled
#endif

// The six primitives on whole rectangles as one code path computes them.
struct BlendOps {
    void (*blendMasked)(Surface&, const BlendRect&, const Surface&, const Surface&);
    void (*shiftBrightness)(Surface&, const BlendRect&, const Surface&, int);
    void (*shiftBrightnessMasked)(Surface&, const BlendRect&, const Surface&, const Surface&, int);
    void (*maskedFade)(Surface&, const BlendRect&, const Surface&, const Surface&, int);
    void (*crossfade)(Surface&, const BlendRect&, const Surface&, const Surface&, int);
    void (*ruleBlend)(Surface&, const BlendRect&, const Surface&, const Surface&, const Surface&,
                      int);
};

enum class BlendPath { Scalar, Sse2, Avx2 };

// The operations of one path, or null when this build or this processor lacks it.
const BlendOps* opsFor(BlendPath path);
// The path the public functions use, picked once on first use.
BlendPath activePath();

} // namespace blend_detail

} // namespace vura
