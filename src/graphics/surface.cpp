#include "graphics/surface.hpp"

#include "base/rect.hpp"

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
    const BlendRect r = CopyRegion(dx, dy, width, height, sx, sy)
                            .clipDestination(boundsOf(width_, height_))
                            .clipSource(boundsOf(source.width_, source.height_))
                            .toBlendRect();
    if (r.width <= 0 || r.height <= 0)
        return;
    const std::size_t bytes = static_cast<std::size_t>(r.width) * bytesPerPixel_;
    for (int i = 0; i < r.height; ++i) {
        std::memmove(row(r.dy + i) + static_cast<std::ptrdiff_t>(r.dx) * bytesPerPixel_,
                     source.row(r.sy + i) + static_cast<std::ptrdiff_t>(r.sx) * bytesPerPixel_,
                     bytes);
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
