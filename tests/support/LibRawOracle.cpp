#include "tests/support/LibRawOracle.hpp"

#if KORVANE_HAVE_LIBRAW
#include <libraw/libraw.h>
#include <memory>
#endif

namespace korvane::test {

namespace {
void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}
} // namespace

#if KORVANE_HAVE_LIBRAW

bool libRawAvailable() {
    return true;
}

std::optional<LibRawImage> libRawUnpack(const std::string& path, std::string* error) {
    auto raw = std::make_unique<LibRaw>(); // large: keep it off the stack
    if (int rc = raw->open_file(path.c_str()); rc != LIBRAW_SUCCESS) {
        setError(error, std::string("open_file: ") + libraw_strerror(rc));
        return std::nullopt;
    }
    if (int rc = raw->unpack(); rc != LIBRAW_SUCCESS) {
        setError(error, std::string("unpack: ") + libraw_strerror(rc));
        return std::nullopt;
    }
    const auto& d = raw->imgdata;
    if (d.rawdata.raw_image == nullptr) {
        setError(error, "not a single-channel CFA image");
        return std::nullopt;
    }
    LibRawImage out;
    out.rawWidth = d.sizes.raw_width;
    out.rawHeight = d.sizes.raw_height;
    out.topMargin = d.sizes.top_margin;
    out.leftMargin = d.sizes.left_margin;
    out.width = d.sizes.width;
    out.height = d.sizes.height;
    const std::size_t pitch = d.sizes.raw_pitch / sizeof(std::uint16_t);
    out.samples.reserve(std::size_t{out.rawWidth} * out.rawHeight);
    for (std::uint32_t row = 0; row < out.rawHeight; ++row) {
        const std::uint16_t* first = d.rawdata.raw_image + row * pitch;
        out.samples.insert(out.samples.end(), first, first + out.rawWidth);
    }
    out.maximum = d.color.maximum;
    out.make = d.idata.make;
    out.model = d.idata.model;
    out.isoSpeed = d.other.iso_speed;
    out.shutter = d.other.shutter;
    out.aperture = d.other.aperture;
    out.focalLength = d.other.focal_len;
    return out;
}

#else

bool libRawAvailable() {
    return false;
}

std::optional<LibRawImage> libRawUnpack(const std::string&, std::string* error) {
    setError(error, "LibRaw (libraw-dev) was not found when this was built");
    return std::nullopt;
}

#endif

} // namespace korvane::test
