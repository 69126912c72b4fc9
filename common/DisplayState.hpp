#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace korvane {

// The tone curve arrays of an image: one display byte and one 16-bit fraction of it (in
// units of 1/65535) per position. Callers set positionCount and outputRange, then rebuild.
struct MappingArrays {
    std::vector<std::uint8_t> values;       // capacity entries
    std::vector<std::uint16_t> corrections; // capacity entries
    std::uint32_t positionCount = 0;        // positions in use, at most 131072
    std::uint16_t outputRange = 0;          // display levels; the callers set 256
    std::uint32_t capacity = 0;             // positions both arrays hold
    std::int32_t builtFunction = -1;        // table row the arrays were last built from
};

// How display steps walk the image: the image row and column (relative to the active area)
// of the top-left visible sample, and how column and row change per step right (X) and
// down (Y); each step is -1, 0 or 1.
struct ViewportState {
    std::int32_t firstRow = 0;
    std::int32_t firstColumn = 0;
    std::int8_t colPerX = 1;
    std::int8_t colPerY = 0;
    std::int8_t rowPerY = 1;
    std::int8_t rowPerX = 0;
};

// The selection in display orientation, counted from the top-left corner of the active area
// as displayed, all edges inclusive; written after each drawing with a selection.
struct SelectionArea {
    std::uint16_t top = 0;
    std::uint16_t left = 0;
    std::uint16_t right = 0;
    std::uint16_t bottom = 0;
};

// Exposure counts: samples at the low and at the high side of the black and white points.
namespace exposure_count {
inline constexpr int kLowRed = 0, kLowGreen = 1, kLowBlue = 2;
inline constexpr int kHighRed = 3, kHighGreen = 4, kHighBlue = 5;
} // namespace exposure_count
using ExposureCounts = std::array<std::uint32_t, 6>;

} // namespace korvane
