#include "decode/HuffmanTable.hpp"

#include <algorithm>

namespace korvane {

namespace {

constexpr HuffmanRules kCategoryRules{HuffmanTable::kMaxSymbols,
                                      [](std::uint8_t value) { return value <= 16; },
                                      "Huffman symbol greater than 16"};

} // namespace

const char* AssignHuffmanCodes(std::span<const std::uint8_t, 16> counts,
                               std::span<const std::uint8_t> values, const HuffmanRules& rules,
                               HuffmanTable& table) {
    table = HuffmanTable{};
    // Summed in full width: 256 or more symbols must not wrap round to a small count.
    unsigned symbolCount = 0;
    for (const std::uint8_t count : counts)
        symbolCount += count;
    const unsigned limit = std::min<unsigned>(rules.maxSymbols, HuffmanTable::kMaxStoredSymbols);
    if (symbolCount == 0 || symbolCount > limit || values.size() < symbolCount)
        return "Huffman table nr of symbols invalid";
    std::uint32_t code = 0;
    int index = 0;
    for (int length = 1; length <= HuffmanTable::kMaxCodeLength; ++length) {
        table.countOfLength[length] = counts[length - 1];
        table.firstCode[length] = code;
        table.firstIndex[length] = static_cast<std::uint16_t>(index);
        for (int i = 0; i < counts[length - 1]; ++i, ++index) {
            // Also at 16 bits: an over-full last length would wrap round onto shorter codes.
            if ((code >> length) != 0) return "Huffman code invalid";
            if (rules.valueAllowed != nullptr && !rules.valueAllowed(values[index]))
                return rules.valueFault;
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
    return nullptr;
}

Status BuildHuffmanTable(std::span<const std::uint8_t, 16> counts,
                         std::span<const std::uint8_t> values, HuffmanTable& table,
                         Reporter& reporter) {
    const char* fault = AssignHuffmanCodes(counts, values, kCategoryRules, table);
    if (fault == nullptr) return kOk;
    table = HuffmanTable{};
    reporter.ShowMessage(MessageId::JpegDataError, fault);
    return kFailed;
}

} // namespace korvane
