// The conversion 16 pixels at a time with SSSE3's byte shuffle. Only this file is compiled with
// SSSE3 enabled, and nothing here runs unless the processor has it; like the blend kernels it
// uses no inline function or template from a header, so no SSSE3 copy of one can leak into the
// rest of the program.

#include "platform/pixel_convert.hpp"

#if defined(__x86_64__) || defined(__i386__)

#include <tmmintrin.h>

namespace vura::pixel_convert_detail {

// Converts `width` pixels of one row; returns how many were done (a multiple of 16). The rest
// is left to the scalar loop.
int convertRowSsse3(const std::uint8_t* s, std::uint32_t* d, int width) {
    // Three bytes of each of four pixels spread to four bytes, the fourth byte left zero.
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int x = 0;
    for (; x + 16 <= width; x += 16, s += 48) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32));
        const __m128i p0 = a;                         // bytes 0-11
        const __m128i p1 = _mm_alignr_epi8(b, a, 12); // bytes 12-23
        const __m128i p2 = _mm_alignr_epi8(c, b, 8);  // bytes 24-35
        const __m128i p3 = _mm_srli_si128(c, 4);      // bytes 36-47
        auto* out = reinterpret_cast<__m128i*>(d + x);
        _mm_storeu_si128(out, _mm_or_si128(_mm_shuffle_epi8(p0, spread), alpha));
        _mm_storeu_si128(out + 1, _mm_or_si128(_mm_shuffle_epi8(p1, spread), alpha));
        _mm_storeu_si128(out + 2, _mm_or_si128(_mm_shuffle_epi8(p2, spread), alpha));
        _mm_storeu_si128(out + 3, _mm_or_si128(_mm_shuffle_epi8(p3, spread), alpha));
    }
    return x;
}

} // namespace vura::pixel_convert_detail

#endif
