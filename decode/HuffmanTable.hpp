#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// A Huffman table with codes of 1 to 16 bits assigned the canonical way of ITU-T T.81 Annex C.
// The difference categories that lossless JPEG and the vendor codings share need at most 17
// symbols (categories 0 to 16); the tables of DCT-coded JPEG hold up to 256.
struct HuffmanTable {
    // The most symbols of a difference-category table.
    static constexpr int kMaxSymbols = 17;
    // The most symbols any table holds: one per 8-bit value.
    static constexpr int kMaxStoredSymbols = 256;
    static constexpr int kMaxCodeLength = 16;
    // The first 17 bits that begin no code all ones: a code longer than 16 bits, not a code
    // the table lacks.
    static constexpr std::uint32_t kLongCode = 0x1FFFF;
    // Codes of up to this many bits are found with one look-up; longer ones by length.
    static constexpr int kFastBits = 11;

    bool defined = false;
    std::uint16_t symbolCount = 0;
    // Per symbol in code order: its code, the code's length and the symbol value.
    std::array<std::uint16_t, kMaxStoredSymbols> codes{};
    std::array<std::uint8_t, kMaxStoredSymbols> lengths{};
    std::array<std::uint8_t, kMaxStoredSymbols> values{};
    // Per code length L: the number of codes of length L, the first of them, and the index of
    // its symbol. Canonical codes of one length are consecutive numbers.
    std::array<std::uint16_t, kMaxCodeLength + 1> countOfLength{};
    std::array<std::uint32_t, kMaxCodeLength + 1> firstCode{};
    std::array<std::uint16_t, kMaxCodeLength + 1> firstIndex{};
    // Indexed by the next kFastBits bits: (length << 8) | value of the code they begin with,
    // or 0 when that code is longer than kFastBits bits (or there is none).
    std::array<std::uint16_t, 1u << kFastBits> fast{};

    // The symbol whose code is the `length` bits `code`, or -1 when it is none.
    int symbolOf(std::uint32_t code, int length) const {
        const std::uint32_t offset = code - firstCode[length];
        return offset < countOfLength[length] ? values[firstIndex[length] + offset] : -1;
    }
    // The symbol whose code begins `window` (16 bits, the first bit highest) and the code's
    // length; -1 when no code of up to 16 bits begins it.
    int match(std::uint32_t window, int& length) const {
        const std::uint16_t entry = fast[window >> (kMaxCodeLength - kFastBits)];
        if (entry != 0) {
            length = entry >> 8;
            return entry & 0xFF;
        }
        for (int l = kFastBits + 1; l <= kMaxCodeLength; ++l) {
            const int symbol = symbolOf(window >> (kMaxCodeLength - l), l);
            if (symbol >= 0) {
                length = l;
                return symbol;
            }
        }
        return -1;
    }
};

// The value of `size` bits (1 to 16) from the bits (T.81 EXTEND): a leading 1 bit gives the
// bits as they stand, a leading 0 the negative value they complement. Without a branch: the
// sign bit of a coded value is as good as random, and a guessed branch would be wrong half the
// time.
constexpr std::int32_t extendBits(int size, std::uint32_t bits) {
    // All ones when the leading bit is 0 (a negative value), else 0.
    const std::int32_t negative = static_cast<std::int32_t>(bits >> (size - 1)) - 1;
    return static_cast<std::int32_t>(bits) + (negative & (1 - (1 << size)));
}
static_assert(extendBits(3, 0b101) == 5 && extendBits(3, 0b010) == -5 && extendBits(1, 0) == -1 &&
              extendBits(1, 1) == 1 && extendBits(15, 0) == -32767 &&
              extendBits(15, 0x7FFF) == 32767);

// The difference of category `symbol` from its `symbol` extra bits, modulo 2^16 (as the
// negative values come out of extendBits). Category 16 has no extra bits and stands for
// 32768 (-32768).
constexpr std::uint32_t extendDifference(int symbol, std::uint32_t bits) {
    if (symbol == 0) return 0;
    if (symbol == 16) return 32768;
    return static_cast<std::uint32_t>(extendBits(symbol, bits));
}
static_assert(extendDifference(3, 0b101) == 5 && (extendDifference(3, 0b010) & 0xFFFF) == 0xFFFB);

// Builds `table` from the counts of codes of lengths 1 to 16 and the symbol values in code
// order. Fails, after MessageId::JpegDataError, when the counts give no symbol or more than 17,
// when a code does not fit its length, when a value is above 16, or when `values` holds fewer
// values than the counts name.
[[nodiscard]] Status BuildHuffmanTable(std::span<const std::uint8_t, 16> counts,
                                       std::span<const std::uint8_t> values, HuffmanTable& table,
                                       Reporter& reporter);

// What a table may hold: how many symbols, which values, and the text for a value it may not.
struct HuffmanRules {
    unsigned maxSymbols = HuffmanTable::kMaxSymbols;
    bool (*valueAllowed)(std::uint8_t value) = nullptr;
    const char* valueFault = "";
};

// Builds `table` under `rules`; nullptr on success, else the text of MessageId::JpegDataError that
// tells why not ("Huffman table nr of symbols invalid", "Huffman code invalid" or the rules' own).
// BuildHuffmanTable is this with 17 symbols of values 0 to 16, and reports the text.
[[nodiscard]] const char* AssignHuffmanCodes(std::span<const std::uint8_t, 16> counts,
                                             std::span<const std::uint8_t> values,
                                             const HuffmanRules& rules, HuffmanTable& table);

} // namespace korvane
