#pragma once
// Nikon compressed raw data for the tests: the row coding that Nikon and Pentax share, the
// CompressionInfo structure, and NEF files laid out as the cameras write them.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tests/support/LosslessJpegEncoder.hpp"
#include "tests/support/TiffWriter.hpp"

namespace korvane::test {

// Nikon's code tables, typed here again from the camera's documentation rather than taken
// from the decoder, so that a wrong entry there shows.
HuffmanCounts nikonCodes(bool lossless, int bits);

// [row parity][column parity]: what the first pair of the first two rows is predicted from.
using PairPredictors = std::array<std::array<std::uint16_t, 2>, 2>;

// The coded rows of `samples` (width x rows, row after row): each sample's difference modulo
// 2^16 from the last sample of its column parity in the row, or, for the first pair of a row,
// from the first pair two rows up (`vertical` for the first two rows). An odd last column is
// not coded. The bits end with zero bits to a whole byte. Throws std::invalid_argument for a
// difference whose bit count the table has no code for.
std::vector<std::uint8_t> encodePairRows(std::span<const std::uint16_t> samples,
                                         std::uint32_t width, std::uint32_t rows,
                                         const HuffmanCounts& codes, PairPredictors vertical);

// The CompressionInfo entry (maker note tag 150) as a camera writes it.
struct CompressionInfoLayout {
    std::uint8_t type = 0x46; // 0x46 lossless, 0x44 lossy
    std::uint8_t subType = 0x30;
    PairPredictors vertical{};
    std::vector<std::uint16_t> points; // the curve; its count goes before it
    // Type 0x44: the skip count after the points, the bytes it skips (zeros), two bytes more
    // when it is 32, and the very noisy indicator.
    std::uint16_t skip = 32;
    std::uint16_t veryNoisy = 0;
    // Bytes to drop from the end, for structures too short.
    std::size_t cut = 0;
};
std::vector<std::uint8_t> compressionInfoBytes(const CompressionInfoLayout& layout,
                                               ByteOrder order);

// A lossy curve of `count` points rising from 0 towards top - 1: steep at first, flatter
// later, as the cameras' curves are.
std::vector<std::uint16_t> risingCurve(std::size_t count, std::uint32_t top);

// A NEF: IFD0 with Make, Model, an Exif IFD holding the maker note, and the raw image in a
// SubIFD (NewSubfileType 0, CFA RGGB, one strip, compression 34713). The maker note is of the
// third kind: "Nikon", a version and a TIFF header of its own whose offsets it counts from,
// with the Nikon compression (tag 147) and, unless `info` is empty, CompressionInfo (150).
struct NefLayout {
    std::string model = "NIKON D700";
    std::uint32_t width = 4288;
    std::uint32_t height = 2844;
    std::uint8_t bits = 14;
    std::uint16_t kind = 3;
    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> strip;
    ByteOrder order = ByteOrder::Big;
    // The maker note's own byte order (the cameras write the file's).
    ByteOrder noteOrder = ByteOrder::Big;
};
std::vector<std::uint8_t> buildNef(const NefLayout& layout);

// A NEF of a scene coded with Nikon compression `kind` (1 lossy type 1, 3 lossless, 4 lossy
// type 2) at `bits`, its CompressionInfo and strip as the file holds them.
struct SyntheticNef {
    std::vector<std::uint8_t> info, strip, file;
};
SyntheticNef syntheticNef(std::uint16_t kind, std::uint8_t bits, const std::string& model,
                          std::uint32_t width, std::uint32_t height);

// Samples of a scene below 2^bits: smooth shading with a little noise, so that most codes
// are short, and a few sharp edges, so that long ones turn up too.
std::vector<std::uint16_t> sceneSamples(std::uint32_t width, std::uint32_t height, int bits,
                                        std::uint64_t sequence);

} // namespace korvane::test
