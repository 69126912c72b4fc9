#pragma once
#include <cstdint>
#include <string>

#include "common/IfdNode.hpp"

namespace korvane {

// The two level statistics texts: 1021 for the black side, 1020 for the white side.
struct ExposureCountTexts {
    std::string blackSide;
    std::string whiteSide;
};

// Counts, per colour, the samples of the active area (stored orientation) on the low and on
// the high side: with `outsideRange`, at or below the black point and at or above the white
// point; without it, from the black point to the white point, low up to 2047 and high from
// 2048. A green counts only while its white balance multiplier is not 0. Stores the points
// and the six counts in the image.
[[nodiscard]] ExposureCountTexts CountExposureClasses(ImageDescriptor& image,
                                                      std::uint32_t blackPoint,
                                                      std::uint32_t whitePoint, bool outsideRange);

// A count as a share of that colour's samples, in percent: "%.4f" with a fractional part,
// "%u" without. `colourEntries` of the pattern's `entries` have the colour; none gives "0".
[[nodiscard]] std::string ExposurePercentage(std::uint64_t count, std::uint64_t samples,
                                             std::uint32_t entries, std::uint32_t colourEntries);

} // namespace korvane
