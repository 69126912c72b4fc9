#pragma once
// Pentax compressed raw data for the tests, and PEF files laid out as the cameras write them.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tests/support/NikonEncoder.hpp"

namespace korvane::test {

// Pentax's code table, typed from the camera's documentation rather than taken from the
// decoder.
HuffmanCounts pentaxCodes();

// The coded rows of `samples` (width x rows): Nikon's row coding with Pentax's table, the first
// two rows predicted from 0.
std::vector<std::uint8_t> encodePentax(std::span<const std::uint16_t> samples, std::uint32_t width,
                                       std::uint32_t rows);

// A PEF: the raw image in IFD0 (CFA RGGB, one strip, compression 65535) with Make and Model,
// and an Exif IFD holding the Pentax maker note ("AOC", 0, "MM", a directory whose offsets
// count from the start of the file) with the code table as the cameras also store it
// (tag 0x220), which other readers take the table from.
struct PefLayout {
    std::string make = "PENTAX Corporation ";
    std::string model = "PENTAX K10D        ";
    std::uint32_t width = 3936;
    std::uint32_t height = 2624;
    std::vector<std::uint8_t> strip;
    ByteOrder order = ByteOrder::Big;
};
std::vector<std::uint8_t> buildPef(const PefLayout& layout);

} // namespace korvane::test
