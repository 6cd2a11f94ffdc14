#include "platform/pixel_convert.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace vura {
namespace {

// The plain per-pixel form of the conversion.
std::uint32_t referencePixel(const BgrImageView& src, int x, int y) {
    const std::uint8_t* p = src.row(y) + x * 3;
    return 0xFF000000u | p[0] | (p[1] << 8) | (std::uint32_t{p[2]} << 16);
}

TEST(PixelConvert, MatchesPerPixelReferenceForOddWidthsAndOffsets) {
    constexpr int kWidth = 700;
    constexpr int kHeight = 40;
    constexpr int kPitch = kWidth * 3 + 5; // rows padded to an odd length
    std::mt19937 rng(12345);
    std::vector<std::uint8_t> bytes(kPitch * kHeight);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(rng());
    BgrImageView src{bytes.data(), kWidth, kHeight, kPitch};

    for (int width : {1, 2, 3, 4, 5, 7, 8, 15, 16, 17, 33, 641}) {
        for (Rect area : {Rect{0, 0, width, 3}, Rect{1, 5, width, 4},
                          Rect{kWidth - width, kHeight - 2, width, 2}}) {
            SCOPED_TRACE(testing::Message() << "area " << area.x << "," << area.y << " "
                                            << area.width << "x" << area.height);
            const int rowBytes = area.width * 4;
            const int pitch = rowBytes + 12; // destination rows have slack after them
            std::vector<std::uint8_t> dest(pitch * area.height, 0xCD);
            convertBgrToXrgb(src, area, dest.data(), pitch);
            int wrong = 0;
            for (int y = 0; y < area.height; ++y) {
                for (int x = 0; x < area.width; ++x) {
                    std::uint32_t got;
                    std::memcpy(&got, &dest[y * pitch + x * 4], 4);
                    if (got != referencePixel(src, area.x + x, area.y + y))
                        ++wrong;
                }
                for (int i = rowBytes; i < pitch; ++i)
                    EXPECT_EQ(dest[y * pitch + i], 0xCD) << "slack written in row " << y;
            }
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(PixelConvert, ClipRectKeepsThePartInsideThePicture) {
    struct Case {
        Rect in;
        Rect out; // width or height 0: empty, origin not checked
    };
    for (Case c : {
             Case{{0, 0, 640, 480}, {0, 0, 640, 480}},
             {{-5, -3, 20, 10}, {0, 0, 15, 7}},
             {{630, 470, 20, 20}, {630, 470, 10, 10}},
             {{-10, -10, 700, 500}, {0, 0, 640, 480}},
             {{10, 10, INT_MAX, INT_MAX}, {10, 10, 630, 470}},
             {{-10, -20, INT_MAX, INT_MAX}, {0, 0, 640, 480}},
             {{640, 0, 10, 10}, {}},
             {{0, 480, 10, 10}, {}},
             {{-50, 10, 20, 5}, {}},
             {{10, 10, 0, 5}, {}},
             {{10, 10, -5, 5}, {}},
             {{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, {}},
             {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {}},
         }) {
        SCOPED_TRACE(testing::Message() << "in " << c.in.x << "," << c.in.y << " " << c.in.width
                                        << "x" << c.in.height);
        Rect r = clipRect(c.in, 640, 480);
        if (c.out.width == 0) {
            EXPECT_TRUE(r.width == 0 || r.height == 0) << r.width << "x" << r.height;
        } else {
            EXPECT_EQ(r.x, c.out.x);
            EXPECT_EQ(r.y, c.out.y);
            EXPECT_EQ(r.width, c.out.width);
            EXPECT_EQ(r.height, c.out.height);
        }
        EXPECT_GE(r.width, 0);
        EXPECT_GE(r.height, 0);
    }
}

} // namespace
} // namespace vura
