#include "cli/PngWriter.hpp"

#include <cstdio>
#include <memory>
#include <png.h>
#include <vector>

namespace korvane::cli {

bool writePng(const platform::Surface& picture, const std::string& path, std::string& error) {
    if (picture.width() <= 0 || picture.height() <= 0) {
        error = "the picture is empty";
        return false;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!out) {
        error = "cannot create " + path;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory";
        return false;
    }
    std::vector<png_byte> row(static_cast<std::size_t>(picture.width()) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "cannot write " + path;
        return false;
    }
    png_init_io(png, out.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height(); ++y) {
        const platform::Rgb* src = picture.row(y);
        for (int x = 0; x < picture.width(); ++x) {
            row[3 * x] = static_cast<png_byte>(src[x] >> 16);
            row[3 * x + 1] = static_cast<png_byte>(src[x] >> 8);
            row[3 * x + 2] = static_cast<png_byte>(src[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace korvane::cli
