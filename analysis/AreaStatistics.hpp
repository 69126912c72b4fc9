#pragma once
#include <array>
#include <cstdint>

#include "common/IfdNode.hpp"

namespace korvane {

// The figures of one CFA channel of an area, from exact integer sums.
struct ChannelFigures {
    std::uint64_t count = 0;
    std::uint16_t minimum = 0xFFFF;
    std::uint16_t maximum = 0;
    std::uint64_t sum = 0;
    // Each square is below 2^32, so the sum holds 2^32 samples of a channel before it could
    // overflow: far more than the 10000 x 10000 samples an image is allowed.
    std::uint64_t sumOfSquares = 0;
    std::uint64_t atWhite = 0; // samples at or above the white level
    std::uint64_t atBlack = 0; // samples at or below the black level

    // The mean and the population standard deviation; 0 without samples.
    double mean() const;
    double standardDeviation() const;
};

// The channels in the order the levels arrays keep them, named R, G1, G2, B.
inline constexpr std::array<const char*, 4> kChannelNames{"R", "G1", "G2", "B"};

struct AreaStatistics {
    std::array<ChannelFigures, 4> channels{}; // R, G1, G2, B
};

// The statistics per CFA channel of `area`, in the active area's coordinates (0,0 its
// top-left sample), which must lie inside the active area: the colour of each sample follows
// the CFA pattern from the active area's top-left corner, greens of the cell's first row
// being G1 and of its second G2. `black` and `white` are the levels counted against.
[[nodiscard]] AreaStatistics MeasureArea(const ImageDescriptor& image, const SampleRect& area,
                                         std::uint32_t black, std::uint32_t white);

} // namespace korvane
