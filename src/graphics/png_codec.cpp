#include "graphics/png_codec.hpp"

#include "graphics/surface.hpp"

#include <png.h>

#include <csetjmp>
#include <ostream>
#include <vector>

namespace vura {

namespace {

// libpng's errors end in a jump back to the recovery point of the call in progress; they never
// return into the library.
void onError(png_structp png, png_const_charp message) {
    if (auto* log = static_cast<std::ostream*>(png_get_error_ptr(png)))
        *log << "libpng error:" << message << '\n';
    png_longjmp(png, 1);
}

void onWarning(png_structp png, png_const_charp message) {
    if (auto* log = static_cast<std::ostream*>(png_get_error_ptr(png)))
        *log << "libpng warning:" << message << '\n';
}

// Destroys the library's structures on every path.
struct ReadHolder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadHolder() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct WriteHolder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteHolder() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

// Everything that lives across the recovery point is made before it, so a jump back skips no
// constructor and no destructor.
bool decode(ReadHolder& h, Surface& decoded, std::vector<png_bytep>& rows, std::FILE* file) {
    if (setjmp(png_jmpbuf(h.png)))
        return false;
    png_init_io(h.png, file);
    png_set_sig_bytes(h.png, 8);
    png_read_info(h.png, h.info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(h.png, h.info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
    bool transparency = png_get_valid(h.png, h.info, PNG_INFO_tRNS) != 0;
    if (colorType & PNG_COLOR_MASK_ALPHA)
        png_set_strip_alpha(h.png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_expand(h.png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand(h.png);
    if (transparency) {
        // Transparency becomes an alpha channel when it is expanded; that alpha is dropped
        // like every other, so such pictures load instead of being refused.
        png_set_expand(h.png);
        png_set_strip_alpha(h.png);
    }
    if (depth > 8)
        png_set_strip_16(h.png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(h.png);
    png_set_interlace_handling(h.png);
    png_read_update_info(h.png, h.info);
    png_get_IHDR(h.png, h.info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
    if (colorType != PNG_COLOR_TYPE_RGB || depth != 8 || width > 16384 || height > 16384)
        return false;
    if (!decoded.create(static_cast<int>(width), static_cast<int>(height), 24))
        return false;
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = decoded.row(static_cast<int>(y));
    png_set_bgr(h.png);
    png_read_image(h.png, rows.data());
    png_read_end(h.png, nullptr);
    return true;
}

bool encode(WriteHolder& h, const Surface& surface, std::vector<png_bytep>& rows, std::FILE* file) {
    if (setjmp(png_jmpbuf(h.png)))
        return false;
    png_init_io(h.png, file);
    png_set_filter(h.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(h.png, h.info, static_cast<png_uint_32>(surface.width()),
                 static_cast<png_uint_32>(surface.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(h.png, h.info);
    rows.resize(static_cast<std::size_t>(surface.height()));
    for (int y = 0; y < surface.height(); ++y)
        rows[y] = const_cast<png_bytep>(surface.row(y));
    png_set_bgr(h.png);
    png_write_image(h.png, rows.data());
    png_write_end(h.png, nullptr);
    return true;
}

} // namespace

bool loadPng(Surface& surface, std::FILE* file, std::ostream* warnings) {
    png_byte signature[8];
    if (!file || std::fread(signature, 1, 8, file) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return false;
    ReadHolder h;
    h.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, warnings, onError, onWarning);
    if (!h.png)
        return false;
    h.info = png_create_info_struct(h.png);
    if (!h.info)
        return false;
    Surface decoded;
    std::vector<png_bytep> rows;
    if (!decode(h, decoded, rows, file))
        return false;
    surface = std::move(decoded);
    return true;
}

bool savePng(const Surface& surface, std::FILE* file, std::ostream* warnings) {
    if (!file || surface.empty() || surface.bitsPerPixel() != 24)
        return false;
    WriteHolder h;
    h.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, warnings, onError, onWarning);
    if (!h.png)
        return false;
    h.info = png_create_info_struct(h.png);
    if (!h.info)
        return false;
    std::vector<png_bytep> rows;
    if (!encode(h, surface, rows, file))
        return false;
    return std::fflush(file) == 0;
}

} // namespace vura
