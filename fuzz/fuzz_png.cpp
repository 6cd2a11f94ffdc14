// Arbitrary bytes as a PNG stream: libpng's errors must come back as a failed load that leaves
// the surface as it was; a decoded picture must also survive saving and loading again.

#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    vura::Surface surface;
    if (!surface.create(2, 2, 24)) {
        std::fclose(file);
        return 0;
    }
    bool ok = vura::loadPng(surface, file);
    std::fclose(file);
    if (!ok) {
        if (surface.width() != 2 || surface.height() != 2)
            std::abort();
        return 0;
    }
    // Pictures of many megapixels are valid but slow to write back; the round trip is checked
    // on the small ones.
    if (static_cast<long long>(surface.width()) * surface.height() > 1 << 20)
        return 0;
    std::FILE* out = std::tmpfile();
    if (!out || !vura::savePng(surface, out))
        std::abort();
    std::rewind(out);
    vura::Surface again;
    if (!vura::loadPng(again, out))
        std::abort();
    std::fclose(out);
    for (int y = 0; y < surface.height(); ++y) {
        if (std::memcmp(surface.row(y), again.row(y),
                        static_cast<std::size_t>(surface.width()) * 3) != 0)
            std::abort();
    }
    return 0;
}
