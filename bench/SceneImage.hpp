#pragma once
#include <algorithm>
#include <cstdint>

#include "common/IfdNode.hpp"

namespace korvane::bench {

// A width x height image of 14-bit RGGB samples (red at the top-left): a smooth scene with
// noise and a few clipped highlights, the same on every run.
inline ImageDescriptor sceneImage(std::uint32_t width, std::uint32_t height) {
    ImageDescriptor image;
    image.imageWidth = width;
    image.imageLength = height;
    image.cfaRepeatRows = image.cfaRepeatCols = 2;
    image.cfaPatternCount = 4;
    image.cfaPattern = {0, 1, 1, 2};
    image.cfaPlaneColorCount = 3;
    image.cfaPlaneColors = {0, 1, 2, 0};
    image.orientation = 1;
    image.samples.resize(std::size_t{width} * height);
    std::uint32_t x = 12345;
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c) {
            x = x * 1103515245u + 12345u;
            const std::uint32_t scene = 600 + (r * 3 + c * 2) % 12000 + ((x >> 16) & 255);
            image.samples[std::size_t{r} * width + c] =
                static_cast<std::uint16_t>(std::min(scene, 16383u));
        }
    return image;
}

} // namespace korvane::bench
