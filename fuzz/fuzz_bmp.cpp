// Arbitrary bytes as a BMP file: the reader must refuse or decode them, never read out of
// bounds, and leave an empty surface whenever it refuses.

#include "graphics/bmp_reader.hpp"
#include "graphics/surface.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    vura::Surface surface;
    bool ok = vura::loadBmp(surface, file);
    std::fclose(file);
    if (ok != !surface.empty())
        std::abort();
    if (ok && (surface.width() <= 0 || surface.height() <= 0 || surface.bitsPerPixel() != 24))
        std::abort();
    return 0;
}
