#pragma once
#include <cstdint>
#include <string_view>

#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "decode/ByteSource.hpp"
#include "decode/SampleTarget.hpp"

namespace korvane {

// How 12-bit samples are packed in the three bytes b0 b1 b2 of a pair.
enum class PackedBitOrder : std::uint8_t {
    BigEndian,    // first = b0 << 4 | b1 >> 4, second = (b1 & 15) << 8 | b2
    LittleEndian, // first = b0 | (b1 & 15) << 8, second = b2 << 4 | b1 >> 4
};

// Camera layouts of packed data (the DecodingVariant):
//   0 plain pairs, the byte count exactly 1.5 bytes a sample;
//   1 Nikon D2X: in image rows 0 to 9 pairs stand four columns further right;
//   4 Nikon E8800: the even rows of the strip come first, then the odd rows;
//   5 one pad byte after every 10 samples and 10 at the end of a row that is not a multiple of
//     10 long; 9 (Olympus) the same with its own byte count.
// The byte count is checked against the variant first (MessageId::ProcessingFailed "mismatch
// between packed block length and packed pixels"; MessageId::NotImplemented for odd pixel
// counts); data ending early gives MessageId::ProcessingFailed with the path.
[[nodiscard]] Status DecodePacked(ByteSource& source, std::uint32_t byteCount,
                                  const SampleTarget& target, std::uint8_t variant,
                                  PackedBitOrder order, Reporter& reporter, std::string_view path);

} // namespace korvane
