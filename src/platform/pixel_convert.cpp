#include "platform/pixel_convert.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vura {

#if defined(__x86_64__) || defined(__i386__)
namespace pixel_convert_detail {
int convertRowSsse3(const std::uint8_t* s, std::uint32_t* d, int width);
}

namespace {

// Chosen once: the shuffle kernel when the processor has SSSE3.
const bool kHasSsse3 = __builtin_cpu_supports("ssse3");

} // namespace
#endif

Rect clipRect(const Rect& area, int width, int height) {
    return intersect(area, boundsOf(width, height));
}

void convertBgrToXrgb(const BgrImageView& source, const Rect& area, std::uint8_t* dest,
                      int destPitchBytes) {
    for (int y = 0; y < area.height; ++y) {
        const std::uint8_t* s = source.row(area.y + y) + area.x * 3;
        auto* d = reinterpret_cast<std::uint32_t*>(dest +
                                                   static_cast<std::ptrdiff_t>(y) * destPitchBytes);
        int x = 0;
#if defined(__x86_64__) || defined(__i386__)
        if (kHasSsse3) {
            x = pixel_convert_detail::convertRowSsse3(s, d, area.width);
            s += 3 * x;
        }
#endif
        // Four pixels at a time read as three 32-bit words; the compiler keeps this in
        // registers, which is several times faster than byte-wise loads.
        for (; std::endian::native == std::endian::little && x + 4 <= area.width; x += 4, s += 12) {
            std::uint32_t w0, w1, w2;
            std::memcpy(&w0, s, 4);
            std::memcpy(&w1, s + 4, 4);
            std::memcpy(&w2, s + 8, 4);
            d[x + 0] = 0xFF000000u | (w0 & 0x00FFFFFFu);
            d[x + 1] = 0xFF000000u | (w0 >> 24) | ((w1 & 0x0000FFFFu) << 8);
            d[x + 2] = 0xFF000000u | (w1 >> 16) | ((w2 & 0x000000FFu) << 16);
            d[x + 3] = 0xFF000000u | (w2 >> 8);
        }
        for (; x < area.width; ++x, s += 3)
            d[x] = 0xFF000000u | s[0] | (s[1] << 8) | (static_cast<std::uint32_t>(s[2]) << 16);
    }
}

} // namespace vura
