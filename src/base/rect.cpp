#include "base/rect.hpp"

#include <algorithm>
#include <climits>

namespace vura {

namespace {

int narrow(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

// One axis of a cut: the front moves in to `low` when it starts before it, the origin of the
// other side with it, and the length stops at `high`.
void cutAxis(std::int64_t& moving, std::int64_t& other, std::int64_t& length, std::int64_t low,
             std::int64_t high) {
    if (moving < low) {
        length -= low - moving;
        other += low - moving;
        moving = low;
    }
    length = std::min(length, high - moving);
}

} // namespace

Rect intersect(const Rect& area, const Rect& bounds) {
    const int x0 = std::max(area.x, bounds.x);
    const int y0 = std::max(area.y, bounds.y);
    const std::int64_t x1 =
        std::min(std::int64_t{area.x} + area.width, std::int64_t{bounds.x} + bounds.width);
    const std::int64_t y1 =
        std::min(std::int64_t{area.y} + area.height, std::int64_t{bounds.y} + bounds.height);
    if (x1 <= x0 || y1 <= y0)
        return {x0, y0, 0, 0};
    return {x0, y0, static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

CopyRegion& CopyRegion::clipDestination(const Rect& bounds) {
    cutAxis(dx, sx, width, bounds.x, std::int64_t{bounds.x} + bounds.width);
    cutAxis(dy, sy, height, bounds.y, std::int64_t{bounds.y} + bounds.height);
    return *this;
}

CopyRegion& CopyRegion::clipSource(const Rect& bounds) {
    cutAxis(sx, dx, width, bounds.x, std::int64_t{bounds.x} + bounds.width);
    cutAxis(sy, dy, height, bounds.y, std::int64_t{bounds.y} + bounds.height);
    return *this;
}

BlendRect CopyRegion::toBlendRect() const {
    if (empty())
        return {};
    return narrowed();
}

BlendRect CopyRegion::narrowed() const {
    return {narrow(dx), narrow(dy), narrow(width), narrow(height), narrow(sx), narrow(sy)};
}

} // namespace vura
