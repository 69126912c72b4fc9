#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace korvane::test {

// One 16-byte block of Sony's compressed raw coding, field by field: the block's largest and
// smallest 11-bit value, their positions among its 16, and the 7-bit steps of the other
// fourteen positions, in order, each counting 2^shift where the spread max - min sets shift.
struct SonyBlock {
    std::uint16_t max = 0;
    std::uint16_t min = 0;
    std::uint8_t maxIndex = 0;
    std::uint8_t minIndex = 1;
    std::array<std::uint8_t, 14> steps{};
};
// The block's bytes: a little-endian bit stream of max (bits 0 to 10), min (11 to 21), the two
// indices (22 to 25, 26 to 29) and the steps (7 bits each from bit 30). Fields are cut to
// their widths.
std::array<std::uint8_t, 16> packSonyBlock(const SonyBlock& block);

// The shift a block of this spread gives its steps.
unsigned sonyStepShift(int spread);

// Codes rows of 11-bit values, `width` (a multiple of 32) a row: every 32 values become a
// block of the 16 in even columns and one of the 16 in odd columns. A value that falls
// between two steps of its block is coded as the step below it; `coded`, when given,
// receives the values as a decoder gives them back.
std::vector<std::uint8_t> encodeSonyCraw(std::span<const std::uint16_t> values, std::uint32_t width,
                                         std::vector<std::uint16_t>* coded = nullptr);

// The sample an 11-bit value stands for under the curve of the four ranges of tag 28688,
// for ranges that rise: the curve at 2 x value, halved, where the curve climbs 1 a step up to
// range 1 / 4, 2 up to range 2 / 4, then 4, 8, and 16 up to 4095.
std::uint16_t sonySampleOf(std::uint16_t value, const std::array<std::uint16_t, 4>& ranges);

// The ranges of the A700 files (tag 28688 in their raw directory).
inline constexpr std::array<std::uint16_t, 4> kSonyA700Ranges{8000, 10400, 12900, 14100};

// An ARW file as the DSLR-A700 writes its compressed raw data: IFD0 a preview with Make
// "SONY " and Model "DSLR-A700", its SubIFD the raw image, 8 bits a sample, compression
// 32767, one strip and the ranges in tag 28688. `values` are the 11-bit values, width x
// height of them.
struct SonyArwLayout {
    std::uint32_t width = 4288;
    std::uint32_t height = 2856;
    std::array<std::uint16_t, 4> ranges = kSonyA700Ranges;
    bool withRanges = true;           // false: the raw directory has no tag 28688
    std::int32_t byteCountChange = 0; // added to the strip byte count, data unchanged
};
std::vector<std::uint8_t> sonyArw(std::span<const std::uint16_t> values,
                                  const SonyArwLayout& layout);

} // namespace korvane::test
