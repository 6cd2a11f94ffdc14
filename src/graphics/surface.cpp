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

void Surface::copyFrom(const Surface& source) {
    if (empty() || source.empty() || source.bytesPerPixel_ != bytesPerPixel_)
        return;
    int w = std::min(width_, source.width_);
    int h = std::min(height_, source.height_);
    for (int y = 0; y < h; ++y)
        std::memcpy(row(y), source.row(y), static_cast<std::size_t>(w) * bytesPerPixel_);
}

} // namespace vura
