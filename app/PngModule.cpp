// The PNG writer as a module that dyskel-cli loads only for dir --png, so
// that no other command maps libpng.  Exports one function.
#include "app/PngFile.h"

#include <png.h>

#include <new>
#include <vector>

extern "C" __attribute__((visibility("default"))) bool dyskel_encode_png(const dyskel::C64Picture* picture,
                                                                         std::string* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row;
    try {
        row.resize(static_cast<std::size_t>(picture->width) * 3);
    } catch (const std::bad_alloc&) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) { // libpng fails only for want of memory here
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(
        png, out,
        [](png_structp p, png_bytep data, png_size_t length) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), length);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture->width),
                 static_cast<png_uint_32>(picture->height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture->height; ++y) {
        const std::uint32_t* px =
            picture->pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture->width);
        for (int x = 0; x < picture->width; ++x) {
            row[static_cast<std::size_t>(3 * x)] = static_cast<png_byte>(px[x] >> 16);
            row[static_cast<std::size_t>(3 * x + 1)] = static_cast<png_byte>(px[x] >> 8);
            row[static_cast<std::size_t>(3 * x + 2)] = static_cast<png_byte>(px[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
