#pragma once
// The Pentax rows of the camera table.
//
// PEF files hold the raw image in the first IFD, next to an Exif IFD that is read after it,
// so the rows take the first IFD (the last directory read would be the Exif IFD). The files
// carry their own CFA pattern and their black level in the maker note; the coding is the
// file's own (65535 Pentax Huffman, 1 uncompressed) except for the K100D, whose 12-bit data
// is packed. Frames and active areas are the sample dumps'; white levels rawspeed's. The
// cameras also write DNG files, which keep the PEF frame and its 12-bit values.
#include <array>

#include "container/CameraTableParts.hpp"

namespace korvane::camera_rows {

constexpr CameraDescription pef(std::string_view make, std::string_view model,
                                std::uint16_t modelCode, std::uint16_t width, std::uint16_t height,
                                const SensorArea& active, const Pattern& pattern) {
    CameraDescription row = framed(cameraRow(make, model, vendor::kPentax, modelCode,
                                             format_code::kPentax, main_image_rule::kFirstIfd),
                                   width, height, active, pattern);
    row.bitsSet = 12;
    return row;
}

inline constexpr auto kPentax4095 = defaultLevels(4095, k12BitRange);
inline constexpr auto kPentax3950 = defaultLevels(3950, k12BitRange);

// Makes as the cameras write them, blanks included.
inline constexpr std::string_view kPentaxCorporation = "PENTAX Corporation ";
inline constexpr std::string_view kPentaxPadded = "PENTAX             ";

// The *ist D stores its 12-bit samples in 16-bit words.
inline constexpr CameraDescription kIstD = withLevels(
    pef(kPentaxCorporation, "PENTAX *ist D      ", 5121, 3040, 2024, {0, 0, 3040, 2024}, kRggb),
    kPentax4095);
inline constexpr CameraDescription kK10D = withLevels(
    pef(kPentaxCorporation, "PENTAX K10D        ", 5122, 3936, 2624, {0, 0, 3888, 2608}, kRggb),
    kPentax4095);
inline constexpr CameraDescription kK100D = [] {
    CameraDescription row = withLevels(
        pef(kPentaxCorporation, "PENTAX K100D       ", 5123, 3040, 2024, {0, 0, 3040, 2024}, kRggb),
        kPentax3950);
    row.compressionRequired = compression::kUncompressed;
    row.compressionSet = compression::kPacked;
    row.bitsRequired = 12;
    return row;
}();
inline constexpr CameraDescription kK200D = withLevels(
    pef(kPentaxCorporation, "PENTAX K200D       ", 5124, 3936, 2624, {0, 0, 3896, 2616}, kRggb),
    kPentax4095);
inline constexpr CameraDescription kK20D = withLevels(
    // CFA BGGR, like the K-7's: the sensor's own at the frame's origin (rawspeed, rawler).
    pef(kPentaxPadded, "PENTAX K20D        ", 5125, 4864, 3136, {0, 0, 4688, 3124}, kBggr),
    kPentax4095);
inline constexpr CameraDescription kK7 = withLevels(
    pef(kPentaxPadded, "PENTAX K-7         ", 5126, 4736, 3136, {0, 2, 4684, 3122}, kBggr),
    kPentax4095);

// In table order.
inline constexpr std::array<CameraDescription, 9> kPentaxRows{
    kIstD,
    dngOf(kK10D),
    kK10D,
    kK100D,
    kK200D,
    dngOf(kK20D),
    kK7,
    dngOf(kK7),
    [] {
        CameraDescription row = dngOf(kK7);
        row.make = "PENTAX";
        row.model = "PENTAX K-7";
        return row;
    }(),
};

} // namespace korvane::camera_rows
