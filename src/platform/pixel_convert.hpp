#pragma once
// Turns part of the engine's picture (24-bit, bottom-up) into 32-bit top-down pixels
// (0xFFRRGGBB), the form the window's texture takes.

#include "platform/platform.hpp"

#include <cstdint>

namespace vura {

// Converts `area` of `source` (already clipped to it) into `dest`, whose first pixel is the
// area's top-left corner and whose rows lie `destPitchBytes` apart.
void convertBgrToXrgb(const BgrImageView& source, const Rect& area, std::uint8_t* dest,
                      int destPitchBytes);

// Clips `area` to a width x height picture; the result may be empty.
Rect clipRect(const Rect& area, int width, int height);

} // namespace vura
