#pragma once
// The row coding that Nikon's compressed NEF data and Pentax's PEF data share: two samples a
// pair, each a Huffman-coded difference from the last sample of its column parity; the first
// pair of a row is predicted from the first pair two rows up. Only the two decoders include
// this.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/Reporter.hpp"
#include "decode/BitReader.hpp"
#include "decode/HuffmanTable.hpp"
#include "decode/SampleTarget.hpp"

namespace korvane::predicted_rows {

// A fixed code table: the counts of codes of lengths 1 to 16, and the symbol values (numbers
// of difference bits) in code order.
struct CodeTable {
    std::array<std::uint8_t, 16> counts;
    std::span<const std::uint8_t> symbols;
};

// [row parity][column parity]: the values the first pair of the first two rows is predicted
// from.
using VerticalPredictors = std::array<std::array<std::uint16_t, 2>, 2>;

// Why the rows stopped.
enum class RowsEnd : std::uint8_t {
    Done,      // every stored row is decoded
    StripEnd,  // the strip's byte count ran out first
    SourceEnd, // the source ended before the byte count
    BadCode,   // 16 bits began no code of the table
};

// Decodes the strip's rows from `input` into the target: width / 2 pairs a row, stored up to
// the image's right edge (whole pairs) and bottom. Samples decoded before a stop stay stored.
[[nodiscard]] RowsEnd DecodeRows(ByteInput& input, const HuffmanTable& table,
                                 VerticalPredictors vertical, const SampleTarget& target);

// Tells the user why the rows stopped early and whether decoding goes on: a strip whose byte
// count ran out shows MessageId::JpegDataError "tile/strip data incomplete" and goes on with the
// rest of the strip as it was; a source that ended first (MessageId::ProcessingFailed with `path`)
// and a code not in the table (MessageId::JpegDataError "unidentified Huffman code") end it.
[[nodiscard]] bool GoesOnAfter(RowsEnd end, Reporter& reporter, std::string_view path);

} // namespace korvane::predicted_rows
