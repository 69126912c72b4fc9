#pragma once
#include <cstdint>
#include <span>

namespace korvane {

// Where one strip or tile goes in the SampleBuffer: the whole buffer with its geometry, and
// the strip's size and first sample. A decoder writes only the samples that fall inside the
// image and uses the image width as row pitch.
struct SampleTarget {
    std::span<std::uint16_t> samples; // imageWidth x imageHeight, row after row
    std::uint32_t imageWidth = 0;
    std::uint32_t imageHeight = 0;
    std::uint32_t width = 0; // samples per row of the strip or tile
    std::uint32_t rows = 0;
    std::uint32_t rowStart = 0;
    std::uint32_t columnStart = 0;

    // Stores one sample, clipped to the image.
    void put(std::uint64_t row, std::uint64_t column, std::uint16_t value) const {
        if (row < imageHeight && column < imageWidth) samples[row * imageWidth + column] = value;
    }
    // The buffer holds the whole image.
    bool valid() const { return samples.size() >= std::uint64_t{imageWidth} * imageHeight; }
};

} // namespace korvane
