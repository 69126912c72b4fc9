// Sequential DCT frames inside lossless JPEG tiles, as a Blackmagic camera writes them: a DHT
// with a DC table of more than 17 values (some repeated) and an AC table of the same identifier,
// 16-bit quantisation values, SOF1 at 12 bits and a frame twice as wide as the tile.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/decode/JpegTestSupport.hpp"

namespace korvane::test {
namespace {

constexpr std::array<std::uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Quantised coefficients of one block in zigzag order.
using Block = std::array<std::int32_t, 64>;

struct DctStream {
    std::uint16_t samplesPerLine = 48;
    std::uint16_t lines = 10;
    std::vector<Block> blocks; // block rows top to bottom, each left to right
    std::array<std::uint16_t, 64> quant{};
    // DC table: 30 codes of 5 bits, the categories 0 to 15 and then 15 again (as the camera
    // pads its table); AC table: end of block, sixteen zeros, and runs 0..15 of sizes 1..6,
    // 98 codes of 7 bits.
    std::vector<std::uint8_t> dcValues;
    std::vector<std::uint8_t> acValues;
    std::uint8_t dcLengthIndex = 4; // codes of 5 bits
    std::uint8_t acLengthIndex = 6; // codes of 7 bits
    std::uint8_t sof = 0xC1;
    std::uint8_t precision = 12;
    // When set, the first block's AC part is these codes (each with a 1 for its bit of
    // value, if it has one) instead of its coefficients.
    std::vector<std::uint8_t> firstBlockAc;
};

DctStream standardStream() {
    DctStream s;
    for (int v = 0; v < 16; ++v)
        s.dcValues.push_back(static_cast<std::uint8_t>(v));
    s.dcValues.resize(30, 15);
    s.acValues = {0x00, 0xF0};
    for (int run = 0; run < 16; ++run)
        for (int size = 1; size <= 6; ++size)
            s.acValues.push_back(static_cast<std::uint8_t>(run << 4 | size));
    for (int k = 0; k < 64; ++k)
        s.quant[k] = static_cast<std::uint16_t>(k == 0 ? 3 : 1 + (k * 7) % 23);
    return s;
}

class BitWriter {
public:
    void put(std::uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            current_ = static_cast<std::uint8_t>(current_ << 1 | ((bits >> i) & 1));
            if (++filled_ == 8) flush();
        }
    }
    std::vector<std::uint8_t> finish() {
        while (filled_ != 0)
            put(1, 1);
        return out_;
    }

private:
    void flush() {
        out_.push_back(current_);
        if (current_ == 0xFF) out_.push_back(0x00);
        current_ = 0;
        filled_ = 0;
    }
    std::vector<std::uint8_t> out_;
    std::uint8_t current_ = 0;
    int filled_ = 0;
};

int category(std::int32_t v) {
    int size = 0;
    for (std::uint32_t m = static_cast<std::uint32_t>(std::abs(v)); m != 0; m >>= 1)
        ++size;
    return size;
}

// A table whose codes all have one length: the value's index is its code.
void putCoded(BitWriter& w, const std::vector<std::uint8_t>& values, int lengthIndex,
              std::uint8_t value) {
    const auto at = std::find(values.begin(), values.end(), value);
    ASSERT_NE(at, values.end()) << int(value);
    w.put(static_cast<std::uint32_t>(at - values.begin()), lengthIndex + 1);
}

void putValue(BitWriter& w, std::int32_t v, int size) {
    if (size > 0) w.put(static_cast<std::uint32_t>(v >= 0 ? v : v + (1 << size) - 1), size);
}

void segment(std::vector<std::uint8_t>& out, std::uint8_t code,
             const std::vector<std::uint8_t>& payload) {
    const std::size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, code, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length)});
    out.insert(out.end(), payload.begin(), payload.end());
}

std::vector<std::uint8_t> tableDefinition(std::uint8_t classId,
                                          const std::vector<std::uint8_t>& values,
                                          int lengthIndex) {
    std::vector<std::uint8_t> p;
    p.reserve(1 + 16 + values.size());
    p.push_back(classId);
    std::array<std::uint8_t, 16> counts{};
    counts[lengthIndex] = static_cast<std::uint8_t>(values.size());
    p.insert(p.end(), counts.begin(), counts.end());
    p.insert(p.end(), values.begin(), values.end());
    return p;
}

std::vector<std::uint8_t> encode(const DctStream& s) {
    std::vector<std::uint8_t> out{0xFF, 0xD8};
    std::vector<std::uint8_t> dqt{0x10};
    for (const std::uint16_t q : s.quant)
        dqt.insert(dqt.end(), {static_cast<std::uint8_t>(q >> 8), static_cast<std::uint8_t>(q)});
    segment(out, 0xDB, dqt);
    segment(out, 0xC4, tableDefinition(0x00, s.dcValues, s.dcLengthIndex));
    segment(out, 0xC4, tableDefinition(0x10, s.acValues, s.acLengthIndex));
    segment(out, s.sof,
            {s.precision, static_cast<std::uint8_t>(s.lines >> 8),
             static_cast<std::uint8_t>(s.lines), static_cast<std::uint8_t>(s.samplesPerLine >> 8),
             static_cast<std::uint8_t>(s.samplesPerLine), 1, 1, 0x11, 0});
    segment(out, 0xDA, {1, 1, 0x00, 0, 63, 0});
    BitWriter w;
    std::int32_t previousDc = 0;
    for (const Block& b : s.blocks) {
        const std::int32_t diff = b[0] - previousDc;
        previousDc = b[0];
        putCoded(w, s.dcValues, s.dcLengthIndex, static_cast<std::uint8_t>(category(diff)));
        putValue(w, diff, category(diff));
        if (&b == &s.blocks.front() && !s.firstBlockAc.empty()) {
            for (const std::uint8_t code : s.firstBlockAc) {
                putCoded(w, s.acValues, s.acLengthIndex, code);
                if ((code & 0x0F) != 0) w.put(1, code & 0x0F);
            }
            continue;
        }
        int run = 0;
        for (int k = 1; k < 64; ++k) {
            if (b[k] == 0) {
                ++run;
                continue;
            }
            for (; run >= 16; run -= 16)
                putCoded(w, s.acValues, s.acLengthIndex, 0xF0);
            const int size = category(b[k]);
            putCoded(w, s.acValues, s.acLengthIndex, static_cast<std::uint8_t>(run << 4 | size));
            putValue(w, b[k], size);
            run = 0;
        }
        if (run > 0) putCoded(w, s.acValues, s.acLengthIndex, 0x00);
    }
    const auto data = w.finish();
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// Blocks with a wandering DC level, a few large coefficients and long zero runs.
std::vector<Block> randomBlocks(std::size_t count, std::uint64_t variant) {
    std::vector<Block> blocks(count);
    std::uint64_t state = variant * 0x9E3779B97F4A7C15ull + 7;
    auto next = [&] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    std::int32_t dc = 0;
    for (Block& b : blocks) {
        b.fill(0);
        // The steps reach DC category 15; the levels, at quantisation 3, both ends of 12 bits.
        dc = std::clamp<std::int32_t>(dc + static_cast<std::int32_t>(next() % 6001) - 3000,
                                      -16000, 16000);
        b[0] = dc;
        for (int n = static_cast<int>(next() % 9); n > 0; --n)
            b[1 + next() % 63] = static_cast<std::int32_t>(next() % 81) - 40;
    }
    return blocks;
}

// The samples of the frame by T.81 A.3.3 in double precision, line after line.
std::vector<double> referenceFrame(const DctStream& s) {
    const int across = (s.samplesPerLine + 7) / 8;
    std::vector<double> frame(std::size_t{s.samplesPerLine} * s.lines);
    for (std::size_t i = 0; i < s.blocks.size(); ++i) {
        std::array<double, 64> f{};
        for (int k = 0; k < 64; ++k)
            f[kZigzag[k]] = double(s.blocks[i][k]) * s.quant[k];
        const int top = static_cast<int>(i / across) * 8;
        const int left = static_cast<int>(i % across) * 8;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                double sum = 0;
                for (int v = 0; v < 8; ++v)
                    for (int u = 0; u < 8; ++u)
                        sum += (u == 0 ? std::numbers::sqrt2 / 2 : 1) *
                               (v == 0 ? std::numbers::sqrt2 / 2 : 1) * f[v * 8 + u] *
                               std::cos((2 * x + 1) * u * std::numbers::pi / 16) *
                               std::cos((2 * y + 1) * v * std::numbers::pi / 16);
                if (top + y < s.lines && left + x < s.samplesPerLine)
                    frame[std::size_t(top + y) * s.samplesPerLine + left + x] =
                        std::clamp(std::floor(sum / 4 + (1 << (s.precision - 1)) + 0.5), 0.0,
                                   double((1 << s.precision) - 1));
            }
    }
    return frame;
}

// A tile of 24 x 20 samples: each frame line of 48 holds two of its rows.
constexpr std::uint32_t kTileWidth = 24;
constexpr std::uint32_t kTileRows = 20;

TEST(JpegDct, TileWithPaddedDcTableAndAcTableOfOneIdDecodesToTheInverseDct) {
    DctStream s = standardStream();
    s.blocks = randomBlocks(12, 1); // 6 across, 2 block rows of which the second is cut at 2
    s.blocks[1][0] = 16000;         // far above 4095 ...
    s.blocks[2][0] = -16000;        // ... and below 0, a DC step of category 15
    const auto r =
        decodeInto(encode(s), stripTarget(kTileWidth, kTileRows, 12), kTileWidth, kTileRows);
    ASSERT_EQ(r.status, kOk) << (r.reporter.records().empty()
                                     ? ""
                                     : r.reporter.records()[0].args.text1);
    const auto expected = referenceFrame(s);
    std::size_t exact = 0;
    bool clampedHigh = false;
    bool clampedLow = false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        // Single against double precision: a result just at a half may round the other way.
        ASSERT_LE(std::abs(double(r.image[i]) - expected[i]), 1.0) << "sample " << i;
        exact += double(r.image[i]) == expected[i];
        clampedHigh |= r.image[i] == 4095;
        clampedLow |= r.image[i] == 0;
    }
    EXPECT_GE(exact, expected.size() * 99 / 100);
    EXPECT_TRUE(clampedHigh && clampedLow) << "the blocks should reach past both ends";
}

TEST(JpegDct, TileBeyondTheImageEdgeKeepsOnlyItsColumnsInside) {
    DctStream s = standardStream();
    s.blocks = randomBlocks(12, 2);
    LosslessJpegTarget target = stripTarget(kTileWidth, kTileRows, 12);
    target.columnStart = 16; // the image is 32 wide: 8 columns of the tile fall outside
    const auto r = decodeInto(encode(s), target, 32, kTileRows);
    ASSERT_EQ(r.status, kOk);
    const auto expected = referenceFrame(s);
    for (std::uint32_t row = 0; row < kTileRows; ++row) {
        for (std::uint32_t col = 0; col < 16; ++col)
            EXPECT_EQ(r.image[row * 32 + col], kUntouched);
        for (std::uint32_t col = 0; col < 16; ++col)
            EXPECT_LE(std::abs(double(r.image[row * 32 + 16 + col]) -
                               expected[row * kTileWidth + col]),
                      1.0);
    }
}

struct DctFault {
    const char* name;
    void (*damage)(DctStream&);
    const char* text;
};

class JpegDctFaults : public ::testing::TestWithParam<DctFault> {};

TEST_P(JpegDctFaults, AreRefused) {
    DctStream s = standardStream();
    s.blocks = randomBlocks(12, 3);
    GetParam().damage(s);
    const auto r =
        decodeInto(encode(s), stripTarget(kTileWidth, kTileRows, 12), kTileWidth, kTileRows);
    EXPECT_EQ(r.status, kFailed);
    EXPECT_EQ(jpegMessages(r.reporter), std::vector<std::string>{GetParam().text});
}

INSTANTIATE_TEST_SUITE_P(
    Tables, JpegDctFaults,
    ::testing::Values(
        DctFault{"DcCategorySixteen", [](DctStream& s) { s.dcValues.back() = 16; },
                 "DC Huffman symbol greater than 15"},
        DctFault{"AcSizeFifteen", [](DctStream& s) { s.acValues.push_back(0x1F); },
                 "invalid AC Huffman symbol"},
        DctFault{"AcSizeZeroOfRunThree", [](DctStream& s) { s.acValues.push_back(0x30); },
                 "invalid AC Huffman symbol"},
        // 30 codes do not fit in 4 bits.
        DctFault{"OverfullDcCodes", [](DctStream& s) { s.dcLengthIndex = 3; },
                 "Huffman code invalid"},
        DctFault{"QuantisationValueZero", [](DctStream& s) { s.quant[5] = 0; },
                 "quantization value 0 in DQT"},
        DctFault{"EightBitsAgainstTwelve", [](DctStream& s) { s.precision = 14; },
                 "invalid sample precision in SOF"},
        DctFault{"FrameOfOtherSize", [](DctStream& s) { s.lines = 11; },
                 "invalid size specification in SOF"},
        // The same tables under a lossless frame: 30 values are far too many there.
        DctFault{"LosslessFrame", [](DctStream& s) { s.sof = 0xC3; },
                 "Huffman table nr of symbols invalid"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegDct, CoefficientsPastTheEndOfTheBlockAreRefused) {
    // Three runs of sixteen zeros reach position 49; fifteen more zeros and a value would be
    // the 65th coefficient.
    for (const auto& codes : {std::vector<std::uint8_t>{0xF0, 0xF0, 0xF0, 0xF1},
                              std::vector<std::uint8_t>{0xF0, 0xF0, 0xF0, 0xF0, 0xF0}}) {
        DctStream s = standardStream();
        s.blocks = randomBlocks(12, 4);
        s.firstBlockAc = codes;
        const auto r =
            decodeInto(encode(s), stripTarget(kTileWidth, kTileRows, 12), kTileWidth, kTileRows);
        EXPECT_EQ(r.status, kFailed);
        EXPECT_EQ(jpegMessages(r.reporter),
                  std::vector<std::string>{"AC coefficients past the end of the block"});
    }
    // Three runs of sixteen and fourteen zeros before a value: the 63rd, the block's last,
    // after which the next block follows without an end-of-block code.
    DctStream s = standardStream();
    s.blocks = randomBlocks(12, 4);
    s.firstBlockAc = {0xF0, 0xF0, 0xF0, 0xE1};
    const auto r =
        decodeInto(encode(s), stripTarget(kTileWidth, kTileRows, 12), kTileWidth, kTileRows);
    EXPECT_EQ(r.status, kOk);
}

} // namespace
} // namespace korvane::test
