#include "decode/PentaxDecoder.hpp"

#include <array>

#include "decode/NikonDecoderRows.hpp"

namespace korvane {

namespace {

using predicted_rows::CodeTable;

// The code table of the K10D, K200D and K-7: code length counts, then the numbers of
// difference bits in code order.
constexpr std::array<std::uint8_t, 13> kPentaxSymbols{3, 4, 2, 5, 1, 6, 0, 7, 8, 9, 10, 11, 12};
constexpr CodeTable kPentaxCodes{{0, 2, 3, 1, 1, 1, 1, 1, 1, 2, 0, 0, 0, 0, 0, 0}, kPentaxSymbols};

} // namespace

Status DecodePentax(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                    Reporter& reporter, std::string_view path) {
    HuffmanTable table;
    if (failed(BuildHuffmanTable(kPentaxCodes.counts, kPentaxCodes.symbols, table, reporter)))
        return kFailed;
    ByteInput input(source, byteCount);
    const auto end = predicted_rows::DecodeRows(input, table, {}, target);
    return predicted_rows::GoesOnAfter(end, reporter, path) ? kOk : kFailed;
}

} // namespace korvane
