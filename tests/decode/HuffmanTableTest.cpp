// The canonical code assignment of BuildHuffmanTable, and the tables it refuses.
#include <gtest/gtest.h>

#include "common/RecordingReporter.hpp"
#include "decode/HuffmanTable.hpp"

namespace korvane {
namespace {

using Counts = std::array<std::uint8_t, 16>;

struct Built {
    Status status;
    HuffmanTable table;
    RecordingReporter reporter;
};

Built build(const Counts& counts, const std::vector<std::uint8_t>& values) {
    Built b;
    b.status = BuildHuffmanTable(counts, values, b.table, b.reporter);
    return b;
}

// extendBits, which has no branch, against EXTEND as T.81 writes it, for every size and every
// value of its bits; extendDifference is the same modulo 2^16, with categories 0 and 16.
TEST(ExtendBits, IsT81ExtendForEverySizeAndEveryValue) {
    for (int size = 1; size <= 16; ++size)
        for (std::uint32_t bits = 0; bits < (1u << size); ++bits) {
            const auto value = static_cast<std::int32_t>(bits);
            const std::int32_t expected =
                bits < (1u << (size - 1)) ? value - (1 << size) + 1 : value;
            ASSERT_EQ(extendBits(size, bits), expected) << size << " bits " << bits;
            if (size < 16) {
                ASSERT_EQ(extendDifference(size, bits), static_cast<std::uint32_t>(expected))
                    << size << " bits " << bits;
            }
        }
    EXPECT_EQ(extendDifference(0, 0), 0u);
    EXPECT_EQ(extendDifference(16, 0), 32768u);
}

// The Pentax table of the vendor decoders: counts 0,2,3,1,1,1,1,1,1,2 give the codes
// 00 01 | 100 101 110 | 1110 | 11110 | ... in order.
TEST(BuildHuffmanTable, AssignsCanonicalCodesLengthByLength) {
    const Built b =
        build({0, 2, 3, 1, 1, 1, 1, 1, 1, 2}, {3, 4, 2, 5, 1, 6, 0, 7, 8, 9, 10, 11, 12});
    ASSERT_EQ(b.status, kOk);
    EXPECT_TRUE(b.reporter.records().empty());
    EXPECT_TRUE(b.table.defined);
    EXPECT_EQ(b.table.symbolCount, 13);
    const std::vector<std::uint16_t> codes{
        0b00,     0b01,      0b100,      0b101,       0b110,        0b1110,      0b11110,
        0b111110, 0b1111110, 0b11111110, 0b111111110, 0b1111111110, 0b1111111111};
    const std::vector<std::uint8_t> lengths{2, 2, 3, 3, 3, 4, 5, 6, 7, 8, 9, 10, 10};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(b.table.codes[i], codes[i]) << i;
        EXPECT_EQ(b.table.lengths[i], lengths[i]) << i;
        EXPECT_EQ(b.table.symbolOf(codes[i], lengths[i]), b.table.values[i]) << i;
    }
    // Every 16-bit window that begins with a code finds it, with its length.
    for (std::size_t i = 0; i < codes.size(); ++i) {
        int length = 0;
        const std::uint32_t window = std::uint32_t{codes[i]} << (16 - lengths[i]);
        EXPECT_EQ(b.table.match(window | 1, length), b.table.values[i]);
        EXPECT_EQ(length, lengths[i]);
    }
    EXPECT_EQ(b.table.symbolOf(0b111, 3), -1); // a prefix of longer codes is no code
}

TEST(BuildHuffmanTable, FindsCodesLongerThanTheFastLookUp) {
    // One code of each length 1 to 15 and two of 16: the last is sixteen one-bits.
    Counts counts{};
    counts.fill(1);
    counts[15] = 2;
    std::vector<std::uint8_t> values;
    for (int v = 0; v <= 16; ++v)
        values.push_back(static_cast<std::uint8_t>(v));
    const Built b = build(counts, values);
    ASSERT_EQ(b.status, kOk);
    int length = 0;
    EXPECT_EQ(b.table.match(0xFFFF, length), 16);
    EXPECT_EQ(length, 16);
    EXPECT_EQ(b.table.match(0xFFFE, length), 15);
    EXPECT_EQ(length, 16);
    EXPECT_EQ(b.table.match(0xFFFC, length), 14); // fourteen one-bits and a zero
    EXPECT_EQ(length, 15);
    EXPECT_EQ(b.table.match(0x7FFF, length), 0);
    EXPECT_EQ(length, 1);
}

TEST(BuildHuffmanTable, AnIncompleteTableLeavesWindowsWithoutACode) {
    const Built b = build({0, 1}, {0}); // the single code 00
    ASSERT_EQ(b.status, kOk);
    int length = 0;
    EXPECT_EQ(b.table.match(0x0000, length), 0);
    EXPECT_EQ(b.table.match(0x4000, length), -1);
    EXPECT_EQ(b.table.match(0xFFFF, length), -1);
}

struct Refused {
    const char* name;
    Counts counts;
    std::vector<std::uint8_t> values;
    const char* text;
};

void PrintTo(const Refused& r, std::ostream* os) {
    *os << r.name;
}

class BuildHuffmanTableRefuses : public ::testing::TestWithParam<Refused> {};

TEST_P(BuildHuffmanTableRefuses, WithMessage16) {
    const Refused& r = GetParam();
    const Built b = build(r.counts, r.values);
    EXPECT_EQ(b.status, kFailed);
    EXPECT_FALSE(b.table.defined);
    ASSERT_EQ(b.reporter.numbers(), std::vector<int>{16});
    EXPECT_EQ(b.reporter.records()[0].args.text1, r.text);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, BuildHuffmanTableRefuses,
    ::testing::Values(
        Refused{"NoSymbols", {}, {}, "Huffman table nr of symbols invalid"},
        Refused{"EighteenSymbols",
                {0, 0, 0, 0, 18},
                std::vector<std::uint8_t>(18, 1),
                "Huffman table nr of symbols invalid"},
        // 256 codes would be 0 in an 8-bit sum; counted in full they are far too many.
        Refused{"CountsOf256",
                {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255},
                std::vector<std::uint8_t>(256, 0),
                "Huffman table nr of symbols invalid"},
        Refused{"FewerValuesThanCounts", {0, 3}, {0, 1}, "Huffman table nr of symbols invalid"},
        Refused{"ThreeCodesOfOneBit", {3}, {0, 1, 2}, "Huffman code invalid"},
        Refused{"FiveCodesOfTwoBits", {0, 5}, {0, 1, 2, 3, 4}, "Huffman code invalid"},
        // Two 1-bit codes fill the code space; a 16-bit one after them would wrap to 0.
        Refused{"OverfullAtSixteenBits",
                {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
                {0, 1, 2},
                "Huffman code invalid"},
        Refused{"Symbol17", {0, 2}, {1, 17}, "Huffman symbol greater than 16"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korvane
