#pragma once
// What the rows of the camera table are written with: CFA patterns, masked areas laid out
// from a camera's black borders, level tables, black sample ranges, and the options that
// several rows of a maker share. Included by the maker files of the table only.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/CameraDescription.hpp"

namespace korvane::camera_rows {

// 2 x 2 patterns, row by row: 0 red, 1 green, 2 blue.
using Pattern = std::array<std::uint8_t, 16>;
inline constexpr Pattern kRggb{0, 1, 1, 2};
inline constexpr Pattern kGrbg{1, 0, 2, 1};
inline constexpr Pattern kGbrg{1, 2, 0, 1};
inline constexpr Pattern kBggr{2, 1, 1, 0};

// Value ranges by bit depth: the maximum values of the level tables.
inline constexpr std::uint32_t k12BitRange = 4096;
inline constexpr std::uint32_t k13BitRange = 8192;
inline constexpr std::uint32_t k14BitRange = 16384;
inline constexpr std::uint32_t k16BitRange = 65536;

// A level table with only the default row: one white level for every colour and ISO.
constexpr std::array<IsoLevels, 1> defaultLevels(std::uint32_t white, std::uint32_t maximum) {
    return {{{0, white, white, white, maximum}}};
}

// Masked areas are rectangles of the frame, in the order top, left, bottom, right. The
// black level measurement wants the top and bottom ones across the active columns and the
// left and right ones along the active rows, so they are laid out from the active area and
// the rows or columns of the border that a source knows to be black.
struct MaskedAreas {
    SensorArea top{};
    SensorArea left{};
    SensorArea bottom{};
    SensorArea right{};
};
constexpr SensorArea blackColumns(const SensorArea& active, std::uint16_t x, std::uint16_t w) {
    return {x, active.top, w, active.height};
}
constexpr SensorArea blackRows(const SensorArea& active, std::uint16_t y, std::uint16_t h) {
    return {active.left, y, active.width, h};
}
constexpr std::array<SensorArea, 4> masked(const MaskedAreas& m) {
    return {m.top, m.left, m.bottom, m.right};
}

// Sample values that count as black in the masked areas: the family's black level with
// about 25 values either side, room for the read noise while hot and dead columns stay out.
struct BlackRange {
    std::uint16_t low;
    std::uint16_t high;
};
inline constexpr BlackRange kBlackNear128{100, 150};
inline constexpr BlackRange kBlackNear256{230, 280};
inline constexpr BlackRange kBlackNear1024{1000, 1050};
inline constexpr BlackRange kBlackNear2048{2020, 2075};

// A row's names, vendor and model code, and the family of files it is for; frame, coding and
// levels are added by the maker's rows.
constexpr CameraDescription cameraRow(std::string_view make, std::string_view model,
                                      std::uint16_t vendor, std::uint16_t modelCode,
                                      std::uint8_t formatCode, std::uint8_t mainImageRule,
                                      std::uint8_t fileKind = file_kind::kNotDng) {
    CameraDescription row;
    row.make = make;
    row.model = model;
    row.vendor = vendor;
    row.modelCode = modelCode;
    row.fileKind = fileKind;
    row.formatCode = formatCode;
    row.mainImageRule = mainImageRule;
    return row;
}
// The raw frame, its active area and the CFA pattern at their common origin.
constexpr CameraDescription framed(CameraDescription row, std::uint16_t width, std::uint16_t height,
                                   const SensorArea& active, const Pattern& pattern) {
    row.width = width;
    row.height = height;
    row.active = active;
    row.cfaPattern = pattern;
    return row;
}

// The same camera sold under another name, or another coding of the same frame.
constexpr CameraDescription renamed(CameraDescription row, std::string_view model,
                                    std::uint16_t modelCode) {
    row.model = model;
    row.modelCode = modelCode;
    return row;
}
constexpr CameraDescription withLevels(CameraDescription row, std::span<const IsoLevels> levels) {
    row.isoLevels = levels;
    return row;
}

// The row of a DNG file of a camera whose own raw files have `native`'s frame: the DNG
// keeps the frame, its CFA pattern and its codings are its own, and the IFD reader's choice
// of the full-resolution subfile is the raw image.
constexpr CameraDescription dngOf(CameraDescription native) {
    native.fileKind = file_kind::kDng;
    native.formatCode = format_code::kDng;
    native.compressionRequired = 0;
    native.compressionSet = 0;
    native.decodingVariant = decoding_variant::kNone;
    native.bitsRequired = kAnyBits;
    native.bitsSet = kKeepBits;
    native.sliceCount = 0;
    native.sliceWidths = {};
    native.mainImageRule = main_image_rule::kReaderChoice;
    return native;
}

// A DNG camera for which no source gives the frame: a zero frame never equals a real
// image's size, so these files are read with their own tags, as DNG files without a row.
constexpr CameraDescription dngWithoutFacts(std::string_view make, std::string_view model,
                                            std::uint16_t vendor, std::uint16_t modelCode,
                                            const Pattern& pattern) {
    CameraDescription row = cameraRow(make, model, vendor, modelCode, format_code::kDng,
                                      main_image_rule::kReaderChoice, file_kind::kDng);
    row.cfaPattern = pattern;
    return row;
}

} // namespace korvane::camera_rows
