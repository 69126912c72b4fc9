// Sequential DCT frames inside lossless JPEG tiles, as a Blackmagic camera writes them: a DHT
// with a DC table of more than 17 values (some repeated) and an AC table of the same identifier,
// 16-bit quantisation values, SOF1 at 12 bits and a frame twice as wide as the tile.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/decode/JpegDctWriter.hpp"
#include "tests/decode/JpegTestSupport.hpp"

namespace korvane::test {
namespace {

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
    ASSERT_EQ(r.status, kOk) << (r.reporter.records().empty() ? ""
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
            EXPECT_LE(
                std::abs(double(r.image[row * 32 + 16 + col]) - expected[row * kTileWidth + col]),
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
    ::testing::Values(DctFault{"DcCategorySixteen", [](DctStream& s) { s.dcValues.back() = 16; },
                               "DC Huffman symbol greater than 15"},
                      DctFault{"AcSizeFifteen", [](DctStream& s) { s.acValues.push_back(0x1F); },
                               "invalid AC Huffman symbol"},
                      DctFault{"AcSizeZeroOfRunThree",
                               [](DctStream& s) { s.acValues.push_back(0x30); },
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
