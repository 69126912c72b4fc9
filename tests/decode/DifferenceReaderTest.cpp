// The Huffman difference reader that lossless JPEG, Nikon and Pentax share, against a reader
// of its own that takes one bit at a time, over random tables and streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "decode/DifferenceReader.hpp"

namespace korvane {
namespace {

using Read = DifferenceReader::Read;

// A random table of 1 to 17 distinct categories with code lengths that fit (Kraft), lengths
// of 16 and category 16 among them often; codes assigned here the canonical way, apart from
// BuildHuffmanTable.
struct RandomTable {
    std::array<std::uint8_t, 16> counts{};
    std::vector<std::uint8_t> values;                      // in code order
    std::map<std::pair<int, std::uint32_t>, int> symbolOf; // (length, code) -> category
    std::vector<std::pair<int, std::uint32_t>> codeOf =
        std::vector<std::pair<int, std::uint32_t>>(17);

    explicit RandomTable(std::mt19937& random) {
        std::vector<std::uint8_t> categories(17);
        for (int i = 0; i < 17; ++i)
            categories[i] = static_cast<std::uint8_t>(i);
        std::shuffle(categories.begin(), categories.end(), random);
        categories.resize(1 + random() % 17);
        std::vector<int> lengths;
        do {
            lengths.clear();
            for (std::size_t i = 0; i < categories.size(); ++i)
                lengths.push_back(random() % 4 == 0 ? 16 : 1 + static_cast<int>(random() % 16));
            std::sort(lengths.begin(), lengths.end());
        } while (!fits(lengths));
        values = categories;
        std::uint32_t code = 0;
        int length = 1;
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            for (; length < lengths[i]; ++length)
                code <<= 1;
            ++counts[length - 1];
            symbolOf[{length, code}] = values[i];
            codeOf[values[i]] = {length, code};
            ++code;
        }
    }
    static bool fits(const std::vector<int>& lengths) {
        std::uint32_t room = 0; // in units of 2^-16
        for (const int l : lengths)
            room += 1u << (16 - l);
        return room <= 1u << 16;
    }
};

// The bits of a stream, first bit highest, with its own reading of differences.
class ReferenceReader {
public:
    ReferenceReader(const RandomTable& table, const std::vector<std::uint8_t>& bytes,
                    bool tellLongCodes)
        : table_(table), tellLongCodes_(tellLongCodes) {
        for (const std::uint8_t byte : bytes)
            for (int i = 7; i >= 0; --i)
                bits_.push_back((byte >> i) & 1);
    }

    Read next(std::uint32_t& difference) {
        std::uint32_t code = 0;
        for (int length = 1;; ++length) {
            if (length > 16 && !tellLongCodes_) return Read::BadCode;
            if (at_ == bits_.size()) return Read::Stopped;
            code = code << 1 | bits_[at_++];
            if (length > 16) return code == 0x1FFFF ? Read::LongCode : Read::BadCode;
            const auto found = table_.symbolOf.find({length, code});
            if (found == table_.symbolOf.end()) continue;
            const int category = found->second;
            if (category == 0 || category == 16) {
                difference = category == 0 ? 0 : 32768;
                return Read::Difference;
            }
            if (bits_.size() - at_ < static_cast<std::size_t>(category)) return Read::Stopped;
            std::int32_t v = 0;
            for (int i = 0; i < category; ++i)
                v = v << 1 | bits_[at_++];
            // A leading 0 bit: the negative value whose magnitude the bits complement.
            if (v < (1 << (category - 1))) v -= (1 << category) - 1;
            difference = static_cast<std::uint32_t>(v) & 0xFFFF;
            return Read::Difference;
        }
    }

private:
    const RandomTable& table_;
    bool tellLongCodes_;
    std::vector<int> bits_;
    std::size_t at_ = 0;
};

// Bytes of coded differences with random extra bits, then (in some streams) random bits or
// a run of 17 or more one-bits, cut short at a random byte in others.
std::vector<std::uint8_t> randomStream(std::mt19937& random, const RandomTable& table) {
    std::vector<int> bits;
    const int differences = static_cast<int>(random() % 300);
    for (int d = 0; d < differences; ++d) {
        const int category = table.values[random() % table.values.size()];
        const auto [length, code] = table.codeOf[category];
        for (int i = length - 1; i >= 0; --i)
            bits.push_back((code >> i) & 1);
        if (category != 16)
            for (int i = 0; i < category; ++i)
                bits.push_back(static_cast<int>(random() & 1));
    }
    const int tail = static_cast<int>(random() % 4);
    const int tailBits = tail == 0   ? 0
                         : tail == 1 ? static_cast<int>(random() % 40)
                                     : 17 + static_cast<int>(random() % 24);
    for (int i = 0; i < tailBits; ++i)
        bits.push_back(tail == 1 ? static_cast<int>(random() & 1) : 1);
    std::vector<std::uint8_t> bytes((bits.size() + 7) / 8);
    for (std::size_t i = 0; i < bits.size(); ++i)
        bytes[i / 8] |= static_cast<std::uint8_t>(bits[i] << (7 - i % 8));
    if (random() % 3 == 0) bytes.resize(random() % (bytes.size() + 1));
    return bytes;
}

// Every difference, and what ends the stream (its end, a code longer than 16 bits or one that
// is not in the table), agree with the reference's, read both through the look-up and the
// table while the bits last and a bit at a time near the end, with and without the 17th bit.
TEST(DifferenceReader, AgreesWithABitAtATimeReaderOverRandomTablesAndStreams) {
    std::mt19937 random(29);
    std::map<Read, int> endings;
    int sixteens = 0;
    for (int round = 0; round < 4000; ++round) {
        const RandomTable t(random);
        HuffmanTable table;
        RecordingReporter reporter;
        ASSERT_EQ(BuildHuffmanTable(t.counts, t.values, table, reporter), kOk) << round;
        const bool tellLongCodes = round % 2 == 0;
        const DifferenceReader reader(table, tellLongCodes);
        const std::vector<std::uint8_t> bytes = randomStream(random, t);
        ReferenceReader reference(t, bytes, tellLongCodes);
        MemoryByteSource source(bytes);
        ByteInput input(source, static_cast<std::uint32_t>(bytes.size()));
        JpegBitReader bits(input, false);
        int stopsSeen = 0;
        const auto onStop = [&](bool) {
            ++stopsSeen;
            return false;
        };
        for (int n = 0;; ++n) {
            std::uint32_t expected = 0, got = 0;
            const Read want = reference.next(expected);
            const Read read = reader.next(bits, got, n % 2 == 0, onStop);
            ASSERT_EQ(read, want) << round << " difference " << n;
            if (read != Read::Difference) {
                // The stop is told once, and only when it ends the stream.
                EXPECT_EQ(stopsSeen, read == Read::Stopped ? 1 : 0) << round;
                ++endings[read];
                break;
            }
            ASSERT_EQ(got & 0xFFFF, expected) << round << " difference " << n;
            sixteens += expected == 32768;
        }
    }
    // Each ending came up, and differences of category 16.
    EXPECT_GT(endings[Read::Stopped], 100);
    EXPECT_GT(endings[Read::LongCode], 20);
    EXPECT_GT(endings[Read::BadCode], 100);
    EXPECT_GT(sixteens, 100);
}

} // namespace
} // namespace korvane
