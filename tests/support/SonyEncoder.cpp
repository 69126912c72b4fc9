#include "tests/support/SonyEncoder.hpp"

#include <algorithm>
#include <stdexcept>

#include "tests/support/TiffTags.hpp"
#include "tests/support/TiffWriter.hpp"

namespace korvane::test {

namespace {

constexpr std::uint16_t kPixelValueRangeTag = 28688;
constexpr std::uint16_t kSonyRawCompression = 32767;

// Writes `count` bits of `value` at bit `position` of a little-endian bit stream.
void putBits(std::array<std::uint8_t, 16>& bytes, unsigned position, unsigned count,
             unsigned value) {
    for (unsigned i = 0; i < count; ++i, ++position)
        if ((value >> i) & 1u)
            bytes[position / 8] |= static_cast<std::uint8_t>(1u << (position % 8));
}

// The block of 16 values, the first position of the max and another of the min.
SonyBlock blockOf(const std::array<std::uint16_t, 16>& values,
                  std::array<std::uint16_t, 16>& coded) {
    SonyBlock block;
    const auto maxAt = std::max_element(values.begin(), values.end());
    block.max = *maxAt;
    block.maxIndex = static_cast<std::uint8_t>(maxAt - values.begin());
    block.min = *std::min_element(values.begin(), values.end());
    for (std::uint8_t i = 0; i < 16; ++i)
        if (i != block.maxIndex && values[i] == block.min) {
            block.minIndex = i;
            break;
        }
    const unsigned shift = sonyStepShift(block.max - block.min);
    std::size_t step = 0;
    for (std::uint8_t i = 0; i < 16; ++i) {
        if (i == block.maxIndex || i == block.minIndex) {
            coded[i] = values[i];
            continue;
        }
        const auto d = static_cast<std::uint8_t>((values[i] - block.min) >> shift);
        block.steps[step++] = d;
        coded[i] = static_cast<std::uint16_t>(std::min(block.min + (d << shift), 2047));
    }
    return block;
}

} // namespace

unsigned sonyStepShift(int spread) {
    unsigned shift = 0;
    while (shift < 4 && spread >= (128 << shift))
        ++shift;
    return shift;
}

std::array<std::uint8_t, 16> packSonyBlock(const SonyBlock& block) {
    std::array<std::uint8_t, 16> bytes{};
    putBits(bytes, 0, 11, block.max);
    putBits(bytes, 11, 11, block.min);
    putBits(bytes, 22, 4, block.maxIndex);
    putBits(bytes, 26, 4, block.minIndex);
    for (unsigned i = 0; i < block.steps.size(); ++i)
        putBits(bytes, 30 + 7 * i, 7, block.steps[i]);
    return bytes;
}

std::vector<std::uint8_t> encodeSonyCraw(std::span<const std::uint16_t> values, std::uint32_t width,
                                         std::vector<std::uint16_t>* coded) {
    if (width == 0 || width % 32 != 0 || values.size() % width != 0)
        throw std::invalid_argument("Sony coding: the width must be a multiple of 32");
    std::vector<std::uint8_t> out;
    out.reserve(values.size());
    if (coded) coded->assign(values.begin(), values.end());
    for (std::size_t unit = 0; unit < values.size(); unit += 32) {
        for (std::size_t parity = 0; parity < 2; ++parity) {
            std::array<std::uint16_t, 16> block{}, back{};
            for (std::size_t i = 0; i < 16; ++i)
                block[i] = std::min<std::uint16_t>(values[unit + 2 * i + parity], 2047);
            const auto bytes = packSonyBlock(blockOf(block, back));
            out.insert(out.end(), bytes.begin(), bytes.end());
            if (coded)
                for (std::size_t i = 0; i < 16; ++i)
                    (*coded)[unit + 2 * i + parity] = back[i];
        }
    }
    return out;
}

std::uint16_t sonySampleOf(std::uint16_t value, const std::array<std::uint16_t, 4>& ranges) {
    // The curve as the sum of its five rising segments up to the point x.
    const std::array<int, 6> bounds{0,   ranges[0] / 4, ranges[1] / 4, ranges[2] / 4, ranges[3] / 4,
                                    4095};
    const int x = 2 * value;
    int curve = 0;
    for (int k = 0; k < 5; ++k) {
        const int reach = std::clamp(x, bounds[k], bounds[k + 1]) - bounds[k];
        curve += reach << k;
    }
    return static_cast<std::uint16_t>(curve / 2);
}

std::vector<std::uint8_t> sonyArw(std::span<const std::uint16_t> values,
                                  const SonyArwLayout& layout) {
    TiffWriter writer(ByteOrder::Little);
    const BlockId preview = writer.addBlock({0xFF, 0xD8, 0xFF, 0xD9});
    const BlockId data = writer.addBlock(encodeSonyCraw(values, layout.width));
    Ifd raw;
    raw.addLong(tag::kNewSubFileType, 0).addLong(tag::kImageWidth, layout.width);
    raw.addLong(tag::kImageLength, layout.height).addShort(tag::kBitsPerSample, 8);
    raw.addShort(tag::kCompression, kSonyRawCompression)
        .addShort(tag::kPhotometricInterpretation, 32803);
    raw.addBlockOffsets(tag::kStripOffsets, {data}).addShort(tag::kSamplesPerPixel, 1);
    raw.addLong(tag::kRowsPerStrip, layout.height);
    raw.addLong(tag::kStripByteCounts,
                static_cast<std::uint32_t>(writer.blockSize(data) + layout.byteCountChange));
    raw.addShorts(tag::kCfaRepeatPatternDim, {2, 2}).addBytes(tag::kCfaPattern, {0, 1, 1, 2});
    if (layout.withRanges)
        raw.addShorts(kPixelValueRangeTag,
                      {layout.ranges[0], layout.ranges[1], layout.ranges[2], layout.ranges[3]});
    Ifd first;
    first.addLong(tag::kNewSubFileType, 1)
        .addLong(tag::kImageWidth, 160)
        .addLong(tag::kImageLength, 120);
    first.addShort(tag::kCompression, 6)
        .addAscii(tag::kMake, "SONY ")
        .addAscii(tag::kModel, "DSLR-A700");
    first.addBlockOffsets(tag::kStripOffsets, {preview}).addLong(tag::kStripByteCounts, 4);
    first.addSubIfds(tag::kSubIfds, {raw});
    writer.addIfd(first);
    return writer.write();
}

} // namespace korvane::test
