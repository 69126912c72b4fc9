#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace korvane {

// The image one directory describes: geometry, levels, and the display state that lives
// with the image while it is current. The container fills the description, the loader the
// samples, the dialog and renderer the display state.
struct ImageDescriptor {
    // Description of the stored image.
    std::uint32_t imageWidth = 0;
    std::uint32_t imageLength = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t compression = 0;
    std::uint16_t orientation = 1;  // TIFF orientation code 1 to 8

    // Levels.
    std::int32_t whiteLevel = 0;
    std::int32_t maximumValue = 0;
    std::int32_t valueRange = 0;  // the number of raw values the image can hold
    std::int32_t displayWhite = 0;
    std::uint16_t blackLevelMinimum = 0;
    std::array<std::int32_t, 4> channelWhite{};
    std::array<std::int32_t, 4> channelMaximum{};
    std::array<float, 4> wbMultipliers{1.0f, 1.0f, 1.0f, 1.0f};

    // Exposure: slider step 0 to 96 (48 is 0 EV), the same in 1/36 EV, and the factor.
    std::int32_t defaultExposureStep = 48;
    std::int32_t exposureStep = 48;
    std::int32_t exposureStep6 = 288;
    double exposureFactor = 1.0;

    // Display state.
    std::int32_t scrollX = 0;
    std::int32_t scrollY = 0;
    std::array<std::int32_t, 5> selection{-1, -1, -1, -1, -1};  // -1: no selection mark
    std::int32_t mappingFunction = 0;  // row of the mapping function table

    // One 16-bit value per CFA sample, row after row; empty until the image is loaded.
    std::vector<std::uint16_t> samples;
};

} // namespace korvane
