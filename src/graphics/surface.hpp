#pragma once
// A picture in memory: 24 bits per pixel as blue, green, red bytes, rows stored bottom-up with
// `pitch` bytes each, no alpha channel (transparency comes from separate masks).

#include "platform/platform.hpp"

#include <cstdint>
#include <memory>

namespace vura {

class Surface {
public:
    Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    Surface(Surface&& other) noexcept { swap(other); }
    Surface& operator=(Surface&& other) noexcept {
        Surface gone(std::move(other));
        swap(gone);
        return *this;
    }
    void swap(Surface& other) noexcept;

    // Releases any current picture and makes a new one, cleared to black. 8 bits per pixel is
    // refused (no palette is ever built) and leaves the surface as it was.
    bool create(int width, int height, int bitsPerPixel);
    // Back to the empty state; safe on an empty surface and safe twice.
    void release();

    bool empty() const { return pixels_ == nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bitsPerPixel_; }
    int bytesPerPixel() const { return bytesPerPixel_; }
    int pitch() const { return pitch_; }
    std::uint8_t* pixels() { return pixels_.get(); }
    const std::uint8_t* pixels() const { return pixels_.get(); }

    // First byte of picture row y (0 is the top row): rows are stored bottom-up.
    std::uint8_t* row(int y) { return pixels_.get() + rowOffset(y); }
    const std::uint8_t* row(int y) const { return pixels_.get() + rowOffset(y); }

    // Copies the source's whole picture to (0, 0), clipped to this surface.
    void copyFrom(const Surface& source);
    // Copies a width x height rectangle from (sx, sy) of the source to (dx, dy), row by row;
    // the part outside either surface is left out.
    void copyRect(const Surface& source, int dx, int dy, int width, int height, int sx, int sy);
    // The same rectangle of the source to the same place.
    void copyRectInPlace(const Surface& source, int x, int y, int width, int height) {
        copyRect(source, x, y, width, height, x, y);
    }
    // Scales a source rectangle onto a destination rectangle taking the nearest source pixel,
    // as the colour-on-colour stretch of the games' platform does: destination pixel i takes
    // source pixel sx + floor(i x sw / dw).
    void stretchFrom(const Surface& source, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                     int sh);

    BgrImageView view() const { return {pixels_.get(), width_, height_, pitch_}; }

    // (width x bytes per pixel + 3) rounded down to a multiple of 4.
    static int pitchFor(int width, int bytesPerPixel) { return (width * bytesPerPixel + 3) & ~3; }

private:
    std::ptrdiff_t rowOffset(int y) const {
        return static_cast<std::ptrdiff_t>(height_ - 1 - y) * pitch_;
    }

    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    int bytesPerPixel_ = 0;
    int pitch_ = 0;
    std::unique_ptr<std::uint8_t[]> pixels_;
};

} // namespace vura
