#pragma once
// PNG pictures through libpng: decoding into a 24-bit surface, and writing a surface as PNG
// (slot thumbnails, screenshots).

#include <cstdio>
#include <iosfwd>

namespace vura {

class Surface;

// Decodes a PNG stream that starts at the file's position. Every colour type and depth loads as
// 8-bit blue, green, red: alpha channels and transparency are dropped, 16-bit samples keep their
// high byte, palettes and gray are expanded. A damaged stream gives false and leaves the surface
// as it was. libpng's warnings go to `warnings` when given.
bool loadPng(Surface& surface, std::FILE* file, std::ostream* warnings = nullptr);

// Writes a 24-bit surface as a PNG stream: RGB, 8 bits, no interlace, the Sub filter on every
// row.
bool savePng(const Surface& surface, std::FILE* file, std::ostream* warnings = nullptr);

} // namespace vura
