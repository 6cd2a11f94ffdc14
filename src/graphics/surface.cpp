#include "graphics/surface.hpp"

#include <algorithm>
#include <cstring>
#include <new>

namespace vura {

namespace {
// Large enough for any picture a game shows, small enough that width x height x 4 fits an int.
constexpr int kMaxDimension = 16384;
} // namespace

bool Surface::create(int width, int height, int bitsPerPixel) {
    if (bitsPerPixel == 8)
        return false;
    release();
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension ||
        (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32))
        return false;
    int bytes = (bitsPerPixel + 7) / 8;
    int pitch = pitchFor(width, bytes);
    std::size_t size = static_cast<std::size_t>(pitch) * height;
    std::unique_ptr<std::uint8_t[]> memory(new (std::nothrow) std::uint8_t[size]());
    if (!memory)
        return false;
    pixels_ = std::move(memory);
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    bytesPerPixel_ = bytes;
    pitch_ = pitch;
    return true;
}

void Surface::release() {
    pixels_.reset();
    width_ = height_ = bitsPerPixel_ = bytesPerPixel_ = pitch_ = 0;
}

void Surface::swap(Surface& other) noexcept {
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(bitsPerPixel_, other.bitsPerPixel_);
    std::swap(bytesPerPixel_, other.bytesPerPixel_);
    std::swap(pitch_, other.pitch_);
    std::swap(pixels_, other.pixels_);
}

void Surface::copyRect(const Surface& source, int dx, int dy, int width, int height, int sx,
                       int sy) {
    if (empty() || source.empty() || source.bytesPerPixel_ != bytesPerPixel_)
        return;
    // Clip against both surfaces, moving both origins together, in 64 bits: scripts give
    // rectangles of any value, and none may overflow on the way.
    std::int64_t x = dx, y = dy, fromX = sx, fromY = sy, w = width, h = height;
    auto clipStart = [](std::int64_t& a, std::int64_t& b, std::int64_t& size) {
        std::int64_t shift = std::max<std::int64_t>({0, -a, -b});
        a += shift;
        b += shift;
        size -= shift;
    };
    clipStart(x, fromX, w);
    clipStart(y, fromY, h);
    w = std::min<std::int64_t>({w, width_ - x, source.width_ - fromX});
    h = std::min<std::int64_t>({h, height_ - y, source.height_ - fromY});
    if (w <= 0 || h <= 0)
        return;
    const std::size_t bytes = static_cast<std::size_t>(w) * bytesPerPixel_;
    for (std::int64_t i = 0; i < h; ++i) {
        std::memmove(row(static_cast<int>(y + i)) + x * bytesPerPixel_,
                     source.row(static_cast<int>(fromY + i)) + fromX * bytesPerPixel_, bytes);
    }
}

void Surface::stretchFrom(const Surface& source, int dx, int dy, int dw, int dh, int sx, int sy,
                          int sw, int sh) {
    if (empty() || source.empty() || source.bytesPerPixel_ != bytesPerPixel_ || dw <= 0 ||
        dh <= 0 || sw <= 0 || sh <= 0)
        return;
    const int bpp = bytesPerPixel_;
    for (int y = 0; y < dh; ++y) {
        int ty = dy + y;
        int fy = sy + static_cast<int>(static_cast<std::int64_t>(y) * sh / dh);
        if (ty < 0 || ty >= height_ || fy < 0 || fy >= source.height_)
            continue;
        std::uint8_t* out = row(ty);
        const std::uint8_t* in = source.row(fy);
        for (int x = 0; x < dw; ++x) {
            int tx = dx + x;
            int fx = sx + static_cast<int>(static_cast<std::int64_t>(x) * sw / dw);
            if (tx < 0 || tx >= width_ || fx < 0 || fx >= source.width_)
                continue;
            std::memcpy(out + static_cast<std::ptrdiff_t>(tx) * bpp,
                        in + static_cast<std::ptrdiff_t>(fx) * bpp, bpp);
        }
    }
}

void Surface::copyFrom(const Surface& source) {
    if (empty() || source.empty() || source.bytesPerPixel_ != bytesPerPixel_)
        return;
    int w = std::min(width_, source.width_);
    int h = std::min(height_, source.height_);
    for (int y = 0; y < h; ++y)
        std::memcpy(row(y), source.row(y), static_cast<std::size_t>(w) * bytesPerPixel_);
}

} // namespace vura
