#pragma once
#include <algorithm>
#include <cstdint>

#include "analysis/DisplayMode.hpp"
#include "common/IfdNode.hpp"

namespace korvane {

// The repeat size of the image's CFA pattern; an image without one is taken as one colour
// per sample repeated everywhere (1 x 1).
inline std::uint32_t cfaPatternWidth(const ImageDescriptor& image) {
    return std::clamp<std::uint32_t>(image.cfaRepeatCols, 1, 8);
}
inline std::uint32_t cfaPatternHeight(const ImageDescriptor& image) {
    return std::clamp<std::uint32_t>(image.cfaRepeatRows, 1, 8);
}

// The colour of the pattern entry at `position` (row x pattern width + column): the entry
// names a colour plane, and the image's plane colours say which colour that plane is.
inline CfaColour cfaColourOfEntry(const ImageDescriptor& image, std::uint32_t position) {
    const std::uint8_t plane = position < image.cfaPattern.size() ? image.cfaPattern[position] : 0;
    const std::uint8_t colour =
        plane < image.cfaPlaneColors.size() ? image.cfaPlaneColors[plane] : plane;
    return static_cast<CfaColour>(std::min<std::uint8_t>(colour, 2));
}

// The colour at a row and column counted from the active area's top-left corner, in the
// stored orientation.
inline CfaColour cfaColourAt(const ImageDescriptor& image, std::uint32_t row,
                             std::uint32_t column) {
    const std::uint32_t w = cfaPatternWidth(image);
    return cfaColourOfEntry(image, (row % cfaPatternHeight(image)) * w + column % w);
}

// The channel of the levels a colour at a cell row stands for: a green in the cell's first
// row is the first green, in any other row the second.
constexpr int channelOf(CfaColour colour, std::uint32_t cellRow) {
    switch (colour) {
    case CfaColour::Red:
        return kChannelRed;
    case CfaColour::Blue:
        return kChannelBlue;
    default:
        return cellRow == 0 ? kChannelGreen1 : kChannelGreen2;
    }
}

} // namespace korvane
