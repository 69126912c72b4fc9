#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "tests/support/TiffWriter.hpp"

namespace korvane::test {

// A Huffman table as a DHT segment holds it: the number of codes of each length 1 to 16 and
// the symbols in code order.
struct HuffmanCounts {
    std::array<std::uint8_t, 16> counts{};
    std::vector<std::uint8_t> symbols;
};

// Raw bytes written into the scan data after a number of samples, once the bits so far are
// padded to a byte with one-bits: markers in places a decoder must accept or refuse.
struct ScanInsertion {
    std::size_t afterSamples = 0;
    std::vector<std::uint8_t> bytes;
};

struct LosslessJpegOptions {
    std::uint8_t precision = 14; // P, 2 to 16
    std::uint8_t components = 2; // Nf, 1 to 4 (more for the sliced layouts' error cases)
    // Selection value 1 to 7 of T.81; 8 and above stand for the Hasselblad rule: the last value
    // of the same component, from 0 at the start, across lines.
    std::uint8_t predictor = 1;
    std::uint16_t samplesPerLine = 0; // X, MCUs per line
    std::uint16_t lines = 0;          // Y
    // MCUs between restart markers (a DRI segment is written); 0 for none.
    std::uint16_t restartInterval = 0;
    enum class Tables : std::uint8_t {
        Optimal, // per component, from the frequencies of its differences
        Fixed,   // one data-independent table for every category, shared by all components
        Given,   // `given`, shared by all components
    } tables = Tables::Optimal;
    HuffmanCounts given;
    // False: 0xFF bytes of the scan are written as they are (Hasselblad).
    bool stuffing = true;
    // Ends the stream with EOI after this many samples (a premature end); SIZE_MAX for none.
    std::size_t endAfterSamples = SIZE_MAX;
    std::vector<ScanInsertion> insertions;
    // Segments written between SOI and SOF3 as they are (APPn, COM...).
    std::vector<std::uint8_t> leadingSegments;
};

// A lossless JPEG stream (SOI, DHT, optional DRI, SOF3, SOS, scan, EOI) of `samples`, which
// hold lines x samplesPerLine MCUs of `components` samples each, in stream order.
std::vector<std::uint8_t> encodeLosslessJpeg(std::span<const std::uint16_t> samples,
                                             const LosslessJpegOptions& options);

// Code lengths limited to 16 bits for the given symbol frequencies, with no code of all
// one-bits (T.81 Annex K.2). Symbols of frequency 0 get no code.
HuffmanCounts optimalHuffmanCounts(const std::array<std::uint64_t, 17>& frequencies);

// The offset of the first marker 0xFF `code` in the segments before the scan data, or
// SIZE_MAX; for tests that damage one field of a segment.
std::size_t findMarker(std::span<const std::uint8_t> stream, std::uint8_t code);

// The samples of a strip of width x rows (row after row) in the order a sliced stream holds
// them: each slice whole, row by row, slices left to right. The widths are those of all
// slices and add up to the width.
std::vector<std::uint16_t> slicedOrder(std::span<const std::uint16_t> strip, std::uint32_t width,
                                       std::uint32_t rows, std::span<const std::uint32_t> widths);

// The tile of tileWidth x tileLength samples at (top, left) of an image; where the tile lies
// beyond the image it holds `fill`.
std::vector<std::uint16_t> tileOf(std::span<const std::uint16_t> image, std::uint32_t imageWidth,
                                  std::uint32_t imageHeight, std::uint32_t top, std::uint32_t left,
                                  std::uint32_t tileWidth, std::uint32_t tileLength,
                                  std::uint16_t fill);

// A CFA DNG (RGGB, one IFD) whose image is stored in lossless JPEG tiles of tileWidth x
// tileLength, each coded with `options` (samplesPerLine and lines are set per tile from the
// tile size and the component count: X = tileWidth / components, Y = tileLength).
std::vector<std::uint8_t> losslessJpegDng(std::span<const std::uint16_t> image, std::uint32_t width,
                                          std::uint32_t height, std::uint32_t tileWidth,
                                          std::uint32_t tileLength,
                                          const LosslessJpegOptions& options,
                                          ByteOrder order = ByteOrder::Little);

} // namespace korvane::test
