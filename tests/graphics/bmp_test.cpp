#include "graphics/bmp_reader.hpp"
#include "graphics/surface.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace vura {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A BMP file: the 14-byte file header, a 40-byte info header, `extra` (masks, palette, a gap),
// then the rows as given.
Bytes bmp(int width, int height, int bits, std::uint32_t compression, const Bytes& extra,
          const Bytes& rows, std::uint32_t colorsUsed = 0) {
    Bytes b{'B', 'M'};
    put32(b, static_cast<std::uint32_t>(54 + extra.size() + rows.size()));
    put32(b, 0);
    put32(b, static_cast<std::uint32_t>(54 + extra.size()));
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(width));
    put32(b, static_cast<std::uint32_t>(height));
    put16(b, 1);
    put16(b, static_cast<std::uint16_t>(bits));
    put32(b, compression);
    put32(b, static_cast<std::uint32_t>(rows.size()));
    put32(b, 0);
    put32(b, 0);
    put32(b, colorsUsed);
    put32(b, 0);
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

bool load(Surface& s, const Bytes& bytes) {
    std::FILE* f = fmemopen(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), "rb");
    bool ok = loadBmp(s, f);
    std::fclose(f);
    return ok;
}

std::uint32_t pixel(const Surface& s, int x, int y) {
    const std::uint8_t* p = s.row(y) + x * 3;
    return p[0] | (p[1] << 8) | (p[2] << 16); // blue, green, red
}

TEST(Bmp, BottomUp24BitFilesLoadByteForByte) {
    Bytes rows(1920 * 480);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<std::uint8_t>(i * 31 + 7);
    Surface s;
    ASSERT_TRUE(load(s, bmp(640, 480, 24, 0, {}, rows)));
    EXPECT_EQ(s.width(), 640);
    EXPECT_EQ(std::memcmp(s.pixels(), rows.data(), rows.size()), 0);
}

TEST(Bmp, DamagedFilesFailAndLeaveTheSurfaceEmpty) {
    Bytes good = bmp(3, 2, 24, 0, {}, Bytes(24, 9)); // rows of 12 bytes
    Surface s;
    ASSERT_TRUE(load(s, good));
    Bytes notBm = good;
    notBm[0] = 'X';
    EXPECT_FALSE(load(s, notBm));
    EXPECT_TRUE(s.empty());
    for (std::size_t length : {0u, 13u, 30u, 53u, 60u, 77u}) {
        ASSERT_TRUE(load(s, good));
        EXPECT_FALSE(load(s, Bytes(good.begin(), good.begin() + length))) << length;
        EXPECT_TRUE(s.empty()) << length;
    }
    EXPECT_FALSE(load(s, bmp(2, 2, 8, 1, Bytes(1024), Bytes(8)))); // run-length: refused
    EXPECT_FALSE(load(s, bmp(0, 2, 24, 0, {}, {})));
    EXPECT_FALSE(load(s, bmp(2, 2, 7, 0, {}, Bytes(16))));
}

// Every variant we read, each a 2 x 2 picture: red, green on top; blue, white below.
TEST(Bmp, OtherVariantsConvertToThe24BitSurface) {
    const std::uint32_t expected[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    auto check = [&](const Bytes& file, const char* what) {
        Surface s;
        ASSERT_TRUE(load(s, file)) << what;
        EXPECT_EQ(pixel(s, 0, 0), expected[0]) << what;
        EXPECT_EQ(pixel(s, 1, 0), expected[1]) << what;
        EXPECT_EQ(pixel(s, 0, 1), expected[2]) << what;
        EXPECT_EQ(pixel(s, 1, 1), expected[3]) << what;
    };
    // Rows stored bottom row first unless the height is negative.
    Bytes rows24 = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    check(bmp(2, 2, 24, 0, {}, rows24), "24-bit");
    Bytes topDown = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    check(bmp(2, -2, 24, 0, {}, topDown), "24-bit top-down");
    check(bmp(2, 2, 24, 0, Bytes(10, 0xEE), rows24), "24-bit with a gap before the pixels");
    Bytes rows32 = {255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0};
    check(bmp(2, 2, 32, 0, {}, rows32), "32-bit");
    Bytes masks32;
    put32(masks32, 0x0000FF00); // red in the second byte
    put32(masks32, 0x00FF0000);
    put32(masks32, 0xFF000000);
    Bytes rowsMasked = {0, 0, 0, 255, 0, 255, 255, 255, 0, 255, 0, 0, 0, 0, 255, 0};
    check(bmp(2, 2, 32, 3, masks32, rowsMasked), "32-bit bit fields");
    Bytes rows16; // 5-5-5
    for (std::uint16_t v : {0x001F, 0x7FFF, 0x7C00, 0x03E0})
        put16(rows16, v);
    check(bmp(2, 2, 16, 0, {}, rows16), "16-bit");
    Bytes masks565;
    put32(masks565, 0xF800);
    put32(masks565, 0x07E0);
    put32(masks565, 0x001F);
    Bytes rows565;
    for (std::uint16_t v : {0x001F, 0xFFFF, 0xF800, 0x07E0})
        put16(rows565, v);
    check(bmp(2, 2, 16, 3, masks565, rows565), "16-bit 5-6-5");
    Bytes palette = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
    check(bmp(2, 2, 8, 0, palette, {2, 3, 0, 0, 0, 1, 0, 0}, 4), "8-bit palette");
    check(bmp(2, 2, 4, 0, palette, {0x23, 0, 0, 0, 0x01, 0, 0, 0}, 4), "4-bit palette");
    Bytes twoColors = {255, 0, 0, 0, 255, 255, 255, 0};
    Surface mono;
    ASSERT_TRUE(load(mono, bmp(2, 1, 1, 0, twoColors, {0x40, 0, 0, 0})));
    EXPECT_EQ(pixel(mono, 0, 0), 0x0000FFu);
    EXPECT_EQ(pixel(mono, 1, 0), 0xFFFFFFu);
}

} // namespace
} // namespace vura
