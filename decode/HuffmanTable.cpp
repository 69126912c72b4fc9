#include "decode/HuffmanTable.hpp"

namespace korvane {

namespace {

constexpr std::int16_t kJpegError = 16;

} // namespace

Status BuildHuffmanTable(std::span<const std::uint8_t, 16> counts,
                         std::span<const std::uint8_t> values, HuffmanTable& table,
                         Reporter& reporter) {
    table = HuffmanTable{};
    // Summed in full width: 256 or more symbols must not wrap round to a small count.
    unsigned symbolCount = 0;
    for (const std::uint8_t count : counts)
        symbolCount += count;
    if (symbolCount == 0 || symbolCount > HuffmanTable::kMaxSymbols ||
        values.size() < symbolCount) {
        reporter.ShowMessage(kJpegError, "Huffman table nr of symbols invalid");
        return kFailed;
    }
    std::uint32_t code = 0;
    int index = 0;
    for (int length = 1; length <= HuffmanTable::kMaxCodeLength; ++length) {
        table.countOfLength[length] = counts[length - 1];
        table.firstCode[length] = code;
        table.firstIndex[length] = static_cast<std::uint16_t>(index);
        for (int i = 0; i < counts[length - 1]; ++i, ++index) {
            // Also at 16 bits: an over-full last length would wrap round onto shorter codes.
            if ((code >> length) != 0) {
                reporter.ShowMessage(kJpegError, "Huffman code invalid");
                return kFailed;
            }
            if (values[index] > 16) {
                reporter.ShowMessage(kJpegError, "Huffman symbol greater than 16");
                return kFailed;
            }
            table.codes[index] = static_cast<std::uint16_t>(code);
            table.lengths[index] = static_cast<std::uint8_t>(length);
            table.values[index] = values[index];
            if (length <= HuffmanTable::kFastBits) {
                const int spare = HuffmanTable::kFastBits - length;
                const auto entry = static_cast<std::uint16_t>((length << 8) | values[index]);
                for (std::uint32_t k = code << spare; k < (code + 1) << spare; ++k)
                    table.fast[k] = entry;
            }
            ++code;
        }
        code <<= 1;
    }
    table.symbolCount = static_cast<std::uint16_t>(symbolCount);
    table.defined = true;
    return kOk;
}

} // namespace korvane
