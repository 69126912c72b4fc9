#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

// What LibRaw (libraw-dev) makes of a raw file, for comparing Korvane's results with an
// independent decoder. LibRaw is only a test oracle; nothing outside the tests links it.
struct LibRawImage {
    std::uint32_t rawWidth = 0;
    std::uint32_t rawHeight = 0;
    std::uint32_t topMargin = 0;
    std::uint32_t leftMargin = 0;
    std::uint32_t width = 0; // the visible area
    std::uint32_t height = 0;
    std::vector<std::uint16_t> samples; // rawWidth x rawHeight, row after row, as unpacked
    std::uint32_t maximum = 0;
    std::string make;
    std::string model;
    float isoSpeed = 0;
    float shutter = 0;
    float aperture = 0;
    float focalLength = 0;
};

// False where the build found no LibRaw; tests then skip the comparison.
bool libRawAvailable();
// Opens and unpacks `path`; nullopt (and the reason in *error) when LibRaw cannot, or when
// the image is not a single-channel CFA one.
std::optional<LibRawImage> libRawUnpack(const std::string& path, std::string* error = nullptr);

} // namespace korvane::test
