#pragma once
// Reading BMP files into 24-bit surfaces.

#include <cstdio>

namespace vura {

class Surface;

// Reads a BMP file from its first byte, at the file's position. Bottom-up 24-bit files go
// straight into the pixel memory; top-down, 32-, 16-, 8-, 4- and 1-bit files are converted to
// 24 bits. Compressed files are refused. A failed load leaves the surface empty.
bool loadBmp(Surface& target, std::FILE* file);

} // namespace vura
