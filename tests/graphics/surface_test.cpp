#include "graphics/surface.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace vura {
namespace {

// Fills a surface so each pixel's bytes name its position: blue x, green y, red 7.
void fillPositions(Surface& s) {
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            std::uint8_t* p = s.row(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 7;
        }
}

std::uint32_t pixel(const Surface& s, int x, int y) {
    const std::uint8_t* p = s.row(y) + x * 3;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

TEST(Surface, LayoutIsBottomUpWithFourByteRows) {
    Surface s;
    ASSERT_TRUE(s.create(1, 3, 24));
    EXPECT_EQ(s.pitch(), 4);
    ASSERT_TRUE(s.create(641, 2, 24));
    EXPECT_EQ(s.pitch(), 1924);
    // Picture row 0 is the last row in memory.
    EXPECT_EQ(s.row(0), s.pixels() + 1924);
    EXPECT_EQ(s.row(1), s.pixels());
    EXPECT_EQ(s.pixels()[0], 0); // a new surface is black
}

TEST(Surface, EightBitsAreRefusedAndReleaseIsSafe) {
    Surface s;
    ASSERT_TRUE(s.create(5, 5, 24));
    std::uint8_t* before = s.pixels();
    EXPECT_FALSE(s.create(10, 10, 8));
    EXPECT_EQ(s.pixels(), before); // left as it was
    EXPECT_EQ(s.width(), 5);
    s.release();
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.pitch(), 0);
    s.release();
    EXPECT_FALSE(s.create(0, 5, 24));
    EXPECT_FALSE(s.create(5, 5, 12));
}

TEST(Surface, RectangleCopiesClipToBothSurfaces) {
    Surface src, dst;
    ASSERT_TRUE(src.create(10, 10, 24));
    ASSERT_TRUE(dst.create(8, 8, 24));
    fillPositions(src);
    dst.copyRect(src, 2, 3, 4, 2, 5, 6);
    EXPECT_EQ(pixel(dst, 2, 3), pixel(src, 5, 6));
    EXPECT_EQ(pixel(dst, 5, 4), pixel(src, 8, 7));
    EXPECT_EQ(pixel(dst, 6, 4), 0u);
    EXPECT_EQ(pixel(dst, 2, 5), 0u);
    // Negative positions and rectangles past the edges move both origins together.
    Surface clipped;
    ASSERT_TRUE(clipped.create(8, 8, 24));
    clipped.copyRect(src, -2, 6, 5, 100, 3, 0);
    EXPECT_EQ(pixel(clipped, 0, 6), pixel(src, 5, 0));
    EXPECT_EQ(pixel(clipped, 2, 7), pixel(src, 7, 1));
    EXPECT_EQ(pixel(clipped, 3, 7), 0u);
    clipped.copyRectInPlace(src, 7, 7, 5, 5);
    EXPECT_EQ(pixel(clipped, 7, 7), pixel(src, 7, 7));
    // Rectangles at the limits of int copy nothing or their clipped part, without overflow.
    constexpr int kMin = std::numeric_limits<int>::min();
    constexpr int kMax = std::numeric_limits<int>::max();
    Surface extreme;
    ASSERT_TRUE(extreme.create(8, 8, 24));
    extreme.copyRect(src, -1, -1, kMin, kMin, 0, 0);
    extreme.copyRect(src, kMax, 0, kMax, 1, kMin, 0);
    extreme.copyRect(src, kMin, kMin, kMax, kMax, kMax, kMax);
    EXPECT_EQ(pixel(extreme, 0, 0), 0u);
    extreme.copyRect(src, -1, -1, kMax, kMax, 0, 0);
    EXPECT_EQ(pixel(extreme, 0, 0), pixel(src, 1, 1));
}

TEST(Surface, StretchTakesTheNearestSourcePixel) {
    Surface src, dst;
    ASSERT_TRUE(src.create(4, 2, 24));
    ASSERT_TRUE(dst.create(10, 5, 24));
    fillPositions(src);
    dst.stretchFrom(src, 1, 1, 8, 4, 0, 0, 4, 2); // twice the size
    EXPECT_EQ(pixel(dst, 1, 1), pixel(src, 0, 0));
    EXPECT_EQ(pixel(dst, 2, 1), pixel(src, 0, 0));
    EXPECT_EQ(pixel(dst, 3, 2), pixel(src, 1, 0));
    EXPECT_EQ(pixel(dst, 8, 4), pixel(src, 3, 1));
    EXPECT_EQ(pixel(dst, 9, 4), 0u);
    Surface small;
    ASSERT_TRUE(small.create(2, 1, 24));
    small.stretchFrom(src, 0, 0, 2, 1, 0, 0, 4, 2); // half: every other pixel
    EXPECT_EQ(pixel(small, 1, 0), pixel(src, 2, 0));
}

} // namespace
} // namespace vura
