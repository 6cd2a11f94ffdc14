// Reading BMP files into 24-bit surfaces.

#include "base/byte_order.hpp"
#include "graphics/surface.hpp"

#include <array>
#include <cstring>
#include <limits>
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

} // namespace

bool Surface::loadBmp(std::FILE* file) {
    release();
    std::uint8_t fileHeader[14];
    if (!file || !readExactly(file, fileHeader, 14) || fileHeader[0] != 'B' || fileHeader[1] != 'M')
        return false;
    std::uint32_t pixelOffset = readLe32(fileHeader + 10);

    std::uint8_t sizeBytes[4];
    if (!readExactly(file, sizeBytes, 4))
        return false;
    std::uint32_t headerSize = readLe32(sizeBytes);
    if (headerSize != 12 && (headerSize < 40 || headerSize > 4096))
        return false;
    std::vector<std::uint8_t> header(headerSize);
    std::memcpy(header.data(), sizeBytes, 4);
    if (!readExactly(file, header.data() + 4, headerSize - 4))
        return false;

    std::int64_t width, height;
    int bitCount;
    std::uint32_t compression = kBiRgb, colorsUsed = 0;
    bool core = headerSize == 12; // the oldest header: 16-bit sizes, 3-byte palette entries
    if (core) {
        width = readLe16(header.data() + 4);
        height = static_cast<std::int16_t>(readLe16(header.data() + 6));
        bitCount = readLe16(header.data() + 10);
    } else {
        width = static_cast<std::int32_t>(readLe32(header.data() + 4));
        height = static_cast<std::int32_t>(readLe32(header.data() + 8));
        bitCount = readLe16(header.data() + 14);
        compression = readLe32(header.data() + 16);
        colorsUsed = readLe32(header.data() + 32);
    }
    bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return false;
    // Run-length, JPEG and PNG compressed files are refused.
    if (compression != kBiRgb &&
        !((compression == kBiBitfields || compression == kBiAlphaBitfields) &&
          (bitCount == 16 || bitCount == 32)))
        return false;
    std::uint64_t consumed = 14 + headerSize;

    Channel red, green, blue;
    if (bitCount == 16 || bitCount == 32) {
        std::uint32_t masks[3];
        if (compression == kBiRgb) {
            masks[0] = bitCount == 16 ? 0x7C00 : 0xFF0000;
            masks[1] = bitCount == 16 ? 0x03E0 : 0x00FF00;
            masks[2] = bitCount == 16 ? 0x001F : 0x0000FF;
        } else if (headerSize >= 52) {
            for (int i = 0; i < 3; ++i)
                masks[i] = readLe32(header.data() + 40 + 4 * i);
        } else {
            // A 40-byte header is followed by the three masks.
            std::uint8_t m[12];
            if (!readExactly(file, m, 12))
                return false;
            consumed += 12;
            for (int i = 0; i < 3; ++i)
                masks[i] = readLe32(m + 4 * i);
        }
        red = Channel(masks[0]);
        green = Channel(masks[1]);
        blue = Channel(masks[2]);
    }

    std::array<std::array<std::uint8_t, 3>, 256> palette{};
    if (bitCount <= 8) {
        std::uint32_t maxColors = 1u << bitCount;
        std::uint32_t count = colorsUsed == 0 || colorsUsed > maxColors ? maxColors : colorsUsed;
        int entrySize = core ? 3 : 4;
        std::vector<std::uint8_t> table(static_cast<std::size_t>(count) * entrySize);
        if (!readExactly(file, table.data(), table.size()))
            return false;
        consumed += table.size();
        for (std::uint32_t i = 0; i < count; ++i)
            std::memcpy(palette[i].data(), &table[i * entrySize], 3);
    }
    // The pixels start where the file header says; a file that points into its own headers
    // has its pixels right after them.
    if (pixelOffset > consumed && !skip(file, pixelOffset - consumed))
        return false;

    const std::size_t fileStride = ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
    // A small damaged file claiming a huge picture is refused before the memory is taken,
    // whenever the stream can tell how much is left.
    if (long here = std::ftell(file); here >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        long end = std::ftell(file);
        std::fseek(file, here, SEEK_SET);
        if (end >= here && static_cast<std::uint64_t>(end - here) <
                               static_cast<std::uint64_t>(fileStride) * height)
            return false;
    }
    if (!create(static_cast<int>(width), static_cast<int>(height), 24))
        return false;

    // The common case reads straight into the pixel memory: a bottom-up 24-bit file's rows are
    // the surface's rows.
    if (bitCount == 24 && !topDown) {
        if (!readExactly(file, pixels_.get(), static_cast<std::size_t>(pitch_) * height_)) {
            release();
            return false;
        }
        return true;
    }

    std::vector<std::uint8_t> line(fileStride);
    for (int i = 0; i < height_; ++i) {
        if (!readExactly(file, line.data(), fileStride)) {
            release();
            return false;
        }
        int y = topDown ? i : height_ - 1 - i;
        std::uint8_t* out = row(y);
        for (int x = 0; x < width_; ++x) {
            std::uint8_t* px = out + x * 3;
            if (bitCount == 24) {
                std::memcpy(px, &line[x * 3], 3);
            } else if (bitCount <= 8) {
                int perByte = 8 / bitCount;
                int shift = 8 - bitCount * (1 + x % perByte);
                int index = (line[x / perByte] >> shift) & ((1 << bitCount) - 1);
                std::memcpy(px, palette[index].data(), 3);
            } else {
                std::uint32_t v = bitCount == 16 ? readLe16(&line[x * 2]) : readLe32(&line[x * 4]);
                px[0] = blue.value(v);
                px[1] = green.value(v);
                px[2] = red.value(v);
            }
        }
    }
    return true;
}

} // namespace vura
