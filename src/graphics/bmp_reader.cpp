// Reading BMP files into 24-bit surfaces.

#include "graphics/bmp_reader.hpp"

#include "base/byte_order.hpp"
#include "graphics/surface.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace vura {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

bool readExactly(std::FILE* file, void* out, std::size_t size) {
    return std::fread(out, 1, size, file) == size;
}

// Skips forward without seeking, so the reader works on any stream (a pack's included).
bool skip(std::FILE* file, std::uint64_t count) {
    std::uint8_t buffer[4096];
    while (count > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof buffer));
        if (!readExactly(file, buffer, n))
            return false;
        count -= n;
    }
    return true;
}

// One colour channel described by a bit mask, scaled to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (mask == 0)
            return;
        while (((mask >> shift) & 1) == 0)
            ++shift;
        while (bits < 32 - shift && ((mask >> (shift + bits)) & 1) != 0)
            ++bits;
    }
    std::uint8_t value(std::uint32_t pixel) const {
        if (bits == 0)
            return 0;
        std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return static_cast<std::uint8_t>(v >> (bits - 8));
        // Widen by repeating the bits, so the largest value becomes 255.
        std::uint32_t max = (1u << bits) - 1;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

using Palette = std::array<std::array<std::uint8_t, 3>, 256>;

// What the file and info headers say, and how the pixels are to be read.
struct BmpFormat {
    std::uint32_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    std::vector<std::uint8_t> header; // the info header, its size field included
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    bool core = false; // the oldest header: 16-bit sizes, 3-byte palette entries
    bool topDown = false;
    std::uint64_t consumed = 0; // bytes read so far
    Channel red, green, blue;   // 16 and 32 bits
    Palette palette{};          // 8 bits and fewer
};

// Reads the file header and the info header's bytes.
bool readHeaderBytes(std::FILE* file, BmpFormat& f) {
    std::uint8_t fileHeader[14];
    if (!file || !readExactly(file, fileHeader, 14) || fileHeader[0] != 'B' || fileHeader[1] != 'M')
        return false;
    f.pixelOffset = readLe32(fileHeader + 10);

    std::uint8_t sizeBytes[4];
    if (!readExactly(file, sizeBytes, 4))
        return false;
    f.headerSize = readLe32(sizeBytes);
    if (f.headerSize != 12 && (f.headerSize < 40 || f.headerSize > 4096))
        return false;
    f.header.resize(f.headerSize);
    std::memcpy(f.header.data(), sizeBytes, 4);
    if (!readExactly(file, f.header.data() + 4, f.headerSize - 4))
        return false;
    f.consumed = 14 + f.headerSize;
    return true;
}

// Takes the size, depth and compression from the info header and refuses what cannot be read.
bool parseInfoHeader(BmpFormat& f) {
    const std::uint8_t* h = f.header.data();
    f.core = f.headerSize == 12;
    if (f.core) {
        f.width = readLe16(h + 4);
        f.height = static_cast<std::int16_t>(readLe16(h + 6));
        f.bitCount = readLe16(h + 10);
    } else {
        f.width = static_cast<std::int32_t>(readLe32(h + 4));
        f.height = static_cast<std::int32_t>(readLe32(h + 8));
        f.bitCount = readLe16(h + 14);
        f.compression = readLe32(h + 16);
        f.colorsUsed = readLe32(h + 32);
    }
    f.topDown = f.height < 0;
    if (f.topDown)
        f.height = -f.height;
    if (f.width <= 0 || f.height <= 0 || f.width > 16384 || f.height > 16384)
        return false;
    int bits = f.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    // Run-length, JPEG and PNG compressed files are refused.
    return f.compression == kBiRgb ||
           ((f.compression == kBiBitfields || f.compression == kBiAlphaBitfields) &&
            (bits == 16 || bits == 32));
}

// The channel masks of a 16- or 32-bit file: the defaults, or those given after the header.
bool readMasks(std::FILE* file, BmpFormat& f) {
    std::uint32_t masks[3];
    if (f.compression == kBiRgb) {
        masks[0] = f.bitCount == 16 ? 0x7C00 : 0xFF0000;
        masks[1] = f.bitCount == 16 ? 0x03E0 : 0x00FF00;
        masks[2] = f.bitCount == 16 ? 0x001F : 0x0000FF;
    } else if (f.headerSize >= 52) {
        for (int i = 0; i < 3; ++i)
            masks[i] = readLe32(f.header.data() + 40 + 4 * i);
    } else {
        // A 40-byte header is followed by the three masks.
        std::uint8_t m[12];
        if (!readExactly(file, m, 12))
            return false;
        f.consumed += 12;
        for (int i = 0; i < 3; ++i)
            masks[i] = readLe32(m + 4 * i);
    }
    f.red = Channel(masks[0]);
    f.green = Channel(masks[1]);
    f.blue = Channel(masks[2]);
    return true;
}

// The colour table of an 8-, 4- or 1-bit file; entries it leaves out are black.
bool readPalette(std::FILE* file, BmpFormat& f) {
    std::uint32_t maxColors = 1u << f.bitCount;
    std::uint32_t count = f.colorsUsed == 0 || f.colorsUsed > maxColors ? maxColors : f.colorsUsed;
    int entrySize = f.core ? 3 : 4;
    std::vector<std::uint8_t> table(static_cast<std::size_t>(count) * entrySize);
    if (!readExactly(file, table.data(), table.size()))
        return false;
    f.consumed += table.size();
    for (std::uint32_t i = 0; i < count; ++i)
        std::memcpy(f.palette[i].data(), &table[i * entrySize], 3);
    return true;
}

// Everything before the pixels: both headers, the masks or the palette, and the gap up to the
// pixels' offset.
bool readFormat(std::FILE* file, BmpFormat& f) {
    if (!readHeaderBytes(file, f) || !parseInfoHeader(f))
        return false;
    if ((f.bitCount == 16 || f.bitCount == 32) && !readMasks(file, f))
        return false;
    if (f.bitCount <= 8 && !readPalette(file, f))
        return false;
    // The pixels start where the file header says; a file that points into its own headers
    // has its pixels right after them.
    return f.pixelOffset <= f.consumed || skip(file, f.pixelOffset - f.consumed);
}

// A small damaged file claiming a huge picture is refused before the memory is taken,
// whenever the stream can tell how much is left.
bool shorterThan(std::FILE* file, std::uint64_t needed) {
    if (long here = std::ftell(file); here >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        long end = std::ftell(file);
        std::fseek(file, here, SEEK_SET);
        if (end >= here && static_cast<std::uint64_t>(end - here) < needed)
            return true;
    }
    return false;
}

// The rows are written through byte pointers, which may point anywhere, so what the loops read
// of the format is copied first.
void convertIndexedRow(const BmpFormat& f, const std::uint8_t* line, std::uint8_t* out, int width) {
    const int bits = f.bitCount;
    const int perByte = 8 / bits;
    const Palette palette = f.palette;
    for (int x = 0; x < width; ++x) {
        int shift = 8 - bits * (1 + x % perByte);
        int index = (line[x / perByte] >> shift) & ((1 << bits) - 1);
        std::memcpy(out + x * 3, palette[index].data(), 3);
    }
}

void convertMaskedRow(const BmpFormat& f, const std::uint8_t* line, std::uint8_t* out, int width) {
    const bool sixteen = f.bitCount == 16;
    const Channel red = f.red, green = f.green, blue = f.blue;
    for (int x = 0; x < width; ++x) {
        std::uint32_t v = sixteen ? readLe16(&line[x * 2]) : readLe32(&line[x * 4]);
        std::uint8_t* px = out + x * 3;
        px[0] = blue.value(v);
        px[1] = green.value(v);
        px[2] = red.value(v);
    }
}

// Reads the file's rows one at a time, in the file's order, and converts each to 24 bits.
bool readRows(std::FILE* file, const BmpFormat& f, std::size_t fileStride, Surface& target) {
    const int width = target.width();
    const int height = target.height();
    std::vector<std::uint8_t> line(fileStride);
    for (int i = 0; i < height; ++i) {
        if (!readExactly(file, line.data(), fileStride))
            return false;
        std::uint8_t* out = target.row(f.topDown ? i : height - 1 - i);
        if (f.bitCount == 24)
            std::memcpy(out, line.data(), static_cast<std::size_t>(width) * 3);
        else if (f.bitCount <= 8)
            convertIndexedRow(f, line.data(), out, width);
        else
            convertMaskedRow(f, line.data(), out, width);
    }
    return true;
}

} // namespace

bool loadBmp(Surface& target, std::FILE* file) {
    target.release();
    BmpFormat f;
    if (!readFormat(file, f))
        return false;
    const std::size_t fileStride = ((static_cast<std::size_t>(f.width) * f.bitCount + 31) / 32) * 4;
    if (shorterThan(file, static_cast<std::uint64_t>(fileStride) * f.height))
        return false;
    if (!target.create(static_cast<int>(f.width), static_cast<int>(f.height), 24))
        return false;

    // The common case reads straight into the pixel memory: a bottom-up 24-bit file's rows are
    // the surface's rows.
    bool ok = f.bitCount == 24 && !f.topDown
                  ? readExactly(file, target.pixels(),
                                static_cast<std::size_t>(target.pitch()) * target.height())
                  : readRows(file, f, fileStride, target);
    if (!ok)
        target.release();
    return ok;
}

} // namespace vura
