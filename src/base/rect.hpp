#pragma once
// Rectangles and their clipping. Scripts give positions and sizes of any 32-bit value, so every
// sum of an origin and a size is taken in 64 bits: a rectangle near the ends of the int range is
// cut like any other and never overflows on the way.

#include <cstdint>

namespace vura {

// A screen or picture area: top-left corner and size, y = 0 at the top.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const Rect&) const = default;
};

// The part of `area` inside `bounds`. Empty, it keeps the cut top-left corner and has width and
// height 0.
Rect intersect(const Rect& area, const Rect& bounds);

// Where a copy or a pixel primitive works: the width x height block read at (sx, sy) of its
// inputs is written at (dx, dy) of its destination.
struct BlendRect {
    int dx = 0;
    int dy = 0;
    int width = 0;
    int height = 0;
    int sx = 0;
    int sy = 0;
};

// A copy while it is being cut, in 64 bits. Each cut moves the destination and source origins
// together, so the pixels that stay are read from where they were.
struct CopyRegion {
    std::int64_t dx = 0;
    std::int64_t dy = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t sx = 0;
    std::int64_t sy = 0;

    CopyRegion() = default;
    CopyRegion(std::int64_t dx, std::int64_t dy, std::int64_t width, std::int64_t height,
               std::int64_t sx, std::int64_t sy)
        : dx(dx), dy(dy), width(width), height(height), sx(sx), sy(sy) {}
    explicit CopyRegion(const BlendRect& r)
        : CopyRegion(r.dx, r.dy, r.width, r.height, r.sx, r.sy) {}

    // Cuts the copy so that it writes only inside `bounds`.
    CopyRegion& clipDestination(const Rect& bounds);
    // Cuts the copy so that it reads only inside `bounds`, a picture of that size at (0, 0) when
    // bounds is the picture's own rectangle.
    CopyRegion& clipSource(const Rect& bounds);

    bool empty() const { return width <= 0 || height <= 0; }
    // The copy for the primitives: all zero when nothing is left.
    BlendRect toBlendRect() const;
    // Every value brought into the int range, the nearest end for one beyond it, so that a copy
    // lying wholly outside the int range stays outside every surface; the size may be 0 or less.
    BlendRect narrowed() const;
};

// A picture's own rectangle: (0, 0) and its size.
inline Rect boundsOf(int width, int height) {
    return {0, 0, width, height};
}

} // namespace vura
