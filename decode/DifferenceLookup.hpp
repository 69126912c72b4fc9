#pragma once
#include <cstdint>
#include <vector>

#include "decode/BitReaderJpeg.hpp"
#include "decode/HuffmanTable.hpp"

namespace korvane {

// A look-up by the next kLookupBits bits of the difference they begin with: where a code and
// its extra bits fit in them, the difference itself and the bits it takes; otherwise nothing,
// and the code is matched in its table.
class DifferenceLookup {
public:
    static constexpr int kLookupBits = 12;
    static constexpr std::uint32_t kWhole = 0x80000000u;

    void build(const HuffmanTable& table) {
        entries_.assign(std::size_t{1} << kLookupBits, 0);
        for (int i = 0; i < table.symbolCount; ++i) {
            const int length = table.lengths[i];
            const int symbol = table.values[i];
            const int extra = symbol == 16 ? 0 : symbol;
            if (length + extra > kLookupBits) continue;
            const int spare = kLookupBits - length;
            const std::uint32_t first = std::uint32_t{table.codes[i]} << spare;
            for (std::uint32_t k = 0; k < (1u << spare); ++k) {
                const std::uint32_t bits = extra == 0 ? 0 : k >> (spare - extra);
                entries_[first + k] = kWhole | static_cast<std::uint32_t>(length + extra) << 16 |
                                      (extendDifference(symbol, bits) & 0xFFFF);
            }
        }
    }
    // Takes the difference that the reader's next bits begin with where the look-up holds it
    // whole; false leaves the bits as they were. At least kLookupBits bits must be cached.
    bool take(JpegBitReader& bits, std::uint32_t& difference) const {
        const std::uint32_t entry = entries_[bits.peek(kLookupBits)];
        if ((entry & kWhole) == 0) return false;
        bits.skip(static_cast<int>(entry >> 16) & 0xFF);
        difference = entry & 0xFFFF;
        return true;
    }

private:
    std::vector<std::uint32_t> entries_;
};

} // namespace korvane
