// The Nikon decoder on strips in memory: the checks of the CompressionInfo structure, streams
// put together by hand bit by bit, lossless streams of the test encoder, clipping at the
// image's edges, and strips that end early.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/NikonDecoder.hpp"
#include "decode/NikonDecoderRows.hpp"
#include "tests/decode/NikonTestSupport.hpp"
#include "tests/support/NikonEncoder.hpp"

namespace korvane {
namespace {

using test::bitString;
using test::CompressionInfoLayout;
using test::kUntouched;
using test::PairPredictors;

struct Decoded {
    Status status = kFailed;
    std::vector<std::uint16_t> image;
    RecordingReporter reporter;
    std::vector<int> numbers() const { return reporter.numbers(); }
    std::string text() const {
        return reporter.records().empty() ? std::string()
                                          : test::messageText(reporter.records().front());
    }
};

struct Shape {
    std::uint32_t imageWidth, imageHeight;
    std::uint32_t width, rows;
    std::uint32_t rowStart = 0, columnStart = 0;
};

// Decodes `byteCount` bytes (all of the stream by default) of a source holding `stream`.
Decoded decode(const std::vector<std::uint8_t>& stream, const NikonCompression& c, Shape s,
               std::uint32_t byteCount = UINT32_MAX) {
    Decoded d;
    d.image.assign(std::size_t{s.imageWidth} * s.imageHeight, kUntouched);
    const SampleTarget target{d.image, s.imageWidth, s.imageHeight, s.width,
                              s.rows,  s.rowStart,   s.columnStart};
    MemoryByteSource source(stream);
    const auto count =
        byteCount == UINT32_MAX ? static_cast<std::uint32_t>(stream.size()) : byteCount;
    d.status = DecodeNikon(source, count, target, c, false, d.reporter, "strip.nef");
    return d;
}

NikonCompression compression(std::uint16_t kind, const std::vector<std::uint8_t>& info, int bits,
                             test::ByteOrder order = test::ByteOrder::Big) {
    NikonCompression c;
    c.kind = kind;
    c.hasInfo = true;
    c.info = info;
    c.bigEndian = order == test::ByteOrder::Big;
    c.bitsPerSample = static_cast<std::uint8_t>(bits);
    return c;
}

std::vector<std::uint8_t> losslessInfo(PairPredictors vertical = {},
                                       test::ByteOrder order = test::ByteOrder::Big) {
    CompressionInfoLayout layout;
    layout.vertical = vertical;
    return test::compressionInfoBytes(layout, order);
}

// --- The structure ------------------------------------------------------------------------

struct StructureCase {
    const char* name;
    std::uint16_t kind;
    CompressionInfoLayout layout;
    int message;
    std::string text;
};

CompressionInfoLayout lossy(std::uint8_t subType, std::size_t points = 257) {
    CompressionInfoLayout s;
    s.type = 0x44;
    s.subType = subType;
    s.points = test::risingCurve(points, 4096);
    return s;
}
CompressionInfoLayout lossless() {
    return {};
}
template <typename F> CompressionInfoLayout with(CompressionInfoLayout s, F change) {
    change(s);
    return s;
}

const std::string kShort = "compression info shorter than the required";

class NikonStructure : public testing::TestWithParam<StructureCase> {};

TEST_P(NikonStructure, IsCheckedBeforeAnyBitIsRead) {
    const StructureCase& c = GetParam();
    const std::vector<std::uint8_t> info =
        test::compressionInfoBytes(c.layout, test::ByteOrder::Big);
    const Decoded d =
        decode(std::vector<std::uint8_t>(64, 0), compression(c.kind, info, 12), {4, 2, 4, 2});
    EXPECT_EQ(d.status, c.message == 0 ? kOk : kFailed);
    if (c.message == 0) {
        EXPECT_TRUE(d.numbers().empty()) << d.text();
        return;
    }
    EXPECT_EQ(d.numbers(), std::vector<int>{c.message});
    EXPECT_EQ(d.text(), c.text);
    if (c.message == 15) {
        EXPECT_EQ(d.reporter.records().front().args.text1, "strip.nef");
    }
    EXPECT_TRUE(
        std::all_of(d.image.begin(), d.image.end(), [](auto v) { return v == kUntouched; }));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NikonStructure,
    testing::Values(
        StructureCase{"Lossless", 3, lossless(), 0, ""},
        StructureCase{"LossyType1", 1, lossy(0x10), 0, ""},
        StructureCase{"LossyType2", 4, lossy(0x20), 0, ""},
        StructureCase{"HundredPoints", 1, lossy(0x10, 100), 0, ""},
        StructureCase{"FourThousandAndNinetySixPoints", 4, lossy(0x20, 4096), 0, ""},
        StructureCase{"TwelveBytes", 3, with(lossless(), [](auto& s) { s.cut = 0; }), 0, ""},
        StructureCase{"ElevenBytes", 3, with(lossless(), [](auto& s) { s.cut = 1; }), 15, kShort},
        StructureCase{"Type46WithKind1", 1, lossless(), 15,
                      "compression type contradicting with structure type 0x46"},
        StructureCase{"Type46WithKind4", 4, lossless(), 15,
                      "compression type contradicting with structure type 0x46"},
        StructureCase{"Type46Not30", 3, with(lossless(), [](auto& s) { s.subType = 0x31; }), 15,
                      "compression info structure type 0x46 but not 0x30"},
        // Type 0x46 wants 12 + n bytes, n being the point count.
        StructureCase{"Type46PointsCut", 3,
                      with(lossless(), [](auto& s) { s.points.assign(9, 0), s.cut = 10; }), 15,
                      kShort},
        StructureCase{"Type44WithKind3", 3, lossy(0x10), 15,
                      "compression type contradicting with structure type 0x44"},
        StructureCase{"NinetyNinePoints", 1, lossy(0x10, 99), 15, "linearization array too large"},
        StructureCase{"FourThousandAndNinetySevenPoints", 4, lossy(0x20, 4097), 15,
                      "linearization array too large"},
        StructureCase{"SkipCountMissing", 1,
                      with(lossy(0x10), [](auto& s) { s.cut = 2 + 34 + 2 + 1; }), 15, kShort},
        StructureCase{
            "SkippedBytesMissing", 1,
            with(lossy(0x10), [](auto& s) { s.skip = 40, s.veryNoisy = 0, s.cut = 2 + 2 + 1; }), 15,
            kShort},
        StructureCase{"Type4410WithKind4", 4, lossy(0x10), 15,
                      "compression type contradicting with structure type 0x4410"},
        StructureCase{"Type4420WithKind1", 1, lossy(0x20), 15,
                      "compression type contradicting with structure type 0x4420"},
        StructureCase{"VeryNoisyIndicatorMissing", 4, with(lossy(0x20), [](auto& s) { s.cut = 1; }),
                      15, kShort},
        StructureCase{"VeryNoisy", 4, with(lossy(0x20), [](auto& s) { s.veryNoisy = 1; }), 24,
                      "decompression of lossily compressed very noisy Nikon images"},
        StructureCase{"VeryNoisyAfterShortSkip", 4,
                      with(lossy(0x20), [](auto& s) { s.skip = 6, s.veryNoisy = 0x100; }), 24,
                      "decompression of lossily compressed very noisy Nikon images"},
        StructureCase{"Type4430", 1, with(lossy(0x10), [](auto& s) { s.subType = 0x30; }), 15,
                      "unknown compression structure type"},
        StructureCase{"Type45", 3, with(lossless(), [](auto& s) { s.type = 0x45; }), 15,
                      "unknown compression structure type"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NikonStructure, MissingEntry) {
    NikonCompression c;
    c.kind = 3;
    const Decoded d = decode({0, 0, 0, 0}, c, {4, 2, 4, 2});
    EXPECT_EQ(d.status, kFailed);
    EXPECT_EQ(d.numbers(), std::vector<int>{15});
    EXPECT_EQ(d.text(), "compression info missing");
}

// With a skip count of 32 the indicator stands two bytes further on: what the two bytes
// between hold does not count.
TEST(NikonStructure, VeryNoisyIndicatorAfterASkipOf32) {
    CompressionInfoLayout layout = lossy(0x20);
    std::vector<std::uint8_t> info = test::compressionInfoBytes(layout, test::ByteOrder::Big);
    const std::size_t padding = 12 + 2 * 257 + 2 + 32;
    info[padding] = info[padding + 1] = 0xFF;
    EXPECT_EQ(
        decode(std::vector<std::uint8_t>(64, 0), compression(4, info, 12), {4, 2, 4, 2}).status,
        kOk);
    info[padding + 3] = 1;
    const Decoded noisy =
        decode(std::vector<std::uint8_t>(64, 0), compression(4, info, 12), {4, 2, 4, 2});
    EXPECT_EQ(noisy.numbers(), std::vector<int>{24});
}

// --- Streams put together by hand -----------------------------------------------------------

// The lossless 12-bit table codes 3 difference bits as 100 and no difference as 11110. In a
// strip of 4 x 4 the first sample of row 0 moves by +5 (100 101) and that of row 1 by -5
// (100 010); every other difference is 0. Rows 2 and 3 start from the first pair of rows 0 and
// 1, the other pairs of a row from the pair before.
TEST(NikonHandBuilt, FirstPairsComeFromTwoRowsUp) {
    const std::string zero = "11110 ";
    std::string bits = "100101 ";
    for (int i = 0; i < 3; ++i)
        bits += zero;
    bits += "100010 ";
    for (int i = 0; i < 3 + 4 + 4; ++i)
        bits += zero;
    const auto info = losslessInfo({{{10, 20}, {30, 40}}});
    const Decoded d = decode(bitString(bits), compression(3, info, 12), {4, 4, 4, 4});
    ASSERT_EQ(d.status, kOk);
    EXPECT_TRUE(d.numbers().empty());
    EXPECT_EQ(d.image, (std::vector<std::uint16_t>{15, 20, 15, 20, //
                                                   25, 40, 25, 40, //
                                                   15, 20, 15, 20, //
                                                   25, 40, 25, 40}));
}

// The lossy 14-bit table codes no difference as 111110 and 14 bits as 1111111111. 14 zero
// bits are -16383, and the 16-bit sum wraps round: 3 - 16383 is 49156 modulo 2^16, which
// lies past the curve and so becomes the top value of 14 bits.
TEST(NikonHandBuilt, FourteenBitLossyCodesAndWrap) {
    const std::string zero = "111110 ";
    const std::string bits = "1111111111 00000000000000 " + zero + zero + zero;
    CompressionInfoLayout layout = lossy(0x10, 4096);
    for (std::size_t i = 0; i < layout.points.size(); ++i)
        layout.points[i] = static_cast<std::uint16_t>(i);
    layout.vertical = {{{3, 0}, {0, 0}}};
    const auto info = test::compressionInfoBytes(layout, test::ByteOrder::Big);
    const Decoded d = decode(bitString(bits), compression(1, info, 14), {4, 1, 4, 1});
    ASSERT_EQ(d.status, kOk);
    EXPECT_EQ(d.image, (std::vector<std::uint16_t>{16383, 0, 16383, 0}));
}

// --- Lossless streams of the encoder -----------------------------------------------------------

struct LosslessCase {
    int bits;
    std::uint32_t width, rows;
    test::ByteOrder order;
};

class NikonLossless : public testing::TestWithParam<LosslessCase> {};

TEST_P(NikonLossless, DecodesToTheSamplesCoded) {
    const LosslessCase& c = GetParam();
    const PairPredictors vertical{{{1000, 2000}, {3000, 4000}}};
    const auto samples =
        test::noisySamples(std::size_t{c.width} * c.rows, std::min(c.bits, 14), c.width);
    const auto stream =
        test::encodePairRows(samples, c.width, c.rows, test::nikonCodes(true, c.bits), vertical);
    const auto info = losslessInfo(vertical, c.order);
    const Decoded d =
        decode(stream, compression(3, info, c.bits, c.order), {c.width, c.rows, c.width, c.rows});
    ASSERT_EQ(d.status, kOk);
    EXPECT_TRUE(d.numbers().empty()) << d.text();
    EXPECT_EQ(d.image, samples);
}

INSTANTIATE_TEST_SUITE_P(Sizes, NikonLossless,
                         testing::Values(LosslessCase{12, 2, 1, test::ByteOrder::Big},
                                         LosslessCase{12, 64, 33, test::ByteOrder::Little},
                                         LosslessCase{14, 64, 33, test::ByteOrder::Big},
                                         LosslessCase{14, 1000, 7, test::ByteOrder::Little},
                                         // Bits other than 12 are taken as 14.
                                         LosslessCase{16, 30, 9, test::ByteOrder::Big}));

// Only samples inside the image are stored, whole pairs of them; the pairs past the right
// edge are decoded all the same, so the next row starts in the right place.
TEST(NikonClipping, StoresWholePairsInsideTheImage) {
    const std::uint32_t width = 10, rows = 5;
    const auto samples = test::noisySamples(std::size_t{width} * rows, 12, 5);
    const auto stream = test::encodePairRows(samples, width, rows, test::nikonCodes(true, 12), {});
    const auto info = losslessInfo();
    const Decoded d = decode(stream, compression(3, info, 12), {7, 3, width, rows});
    ASSERT_EQ(d.status, kOk);
    for (std::uint32_t r = 0; r < 3; ++r) {
        for (std::uint32_t c = 0; c < 6; ++c)
            EXPECT_EQ(d.image[r * 7 + c], samples[r * width + c]);
        EXPECT_EQ(d.image[r * 7 + 6], kUntouched) << "the odd last column holds half a pair";
    }
}

TEST(NikonClipping, StripAtAnOffsetInTheImage) {
    const std::uint32_t width = 6, rows = 3;
    const auto samples = test::noisySamples(std::size_t{width} * rows, 14, 6);
    const auto stream = test::encodePairRows(samples, width, rows, test::nikonCodes(true, 14), {});
    const auto info = losslessInfo();
    const Decoded d = decode(stream, compression(3, info, 14), {12, 4, width, rows, 2, 8});
    ASSERT_EQ(d.status, kOk);
    for (std::uint32_t r = 0; r < 4; ++r)
        for (std::uint32_t c = 0; c < 12; ++c) {
            const bool inside = r >= 2 && c >= 8;
            EXPECT_EQ(d.image[r * 12 + c], inside ? samples[(r - 2) * width + c - 8] : kUntouched)
                << r << "," << c;
        }
}

// --- Strips that end early --------------------------------------------------------------------

// The samples decoded before the end, and none after.
std::size_t decodedPrefix(const std::vector<std::uint16_t>& image,
                          const std::vector<std::uint16_t>& samples) {
    std::size_t n = 0;
    while (n < image.size() && image[n] == samples[n])
        ++n;
    for (std::size_t i = n; i < image.size(); ++i)
        if (image[i] != kUntouched) return SIZE_MAX;
    return n;
}

TEST(NikonEarlyEnd, ByteCountRunningOutKeepsWhatWasDecoded) {
    const std::uint32_t width = 32, rows = 16;
    const auto samples = test::noisySamples(std::size_t{width} * rows, 12, 9);
    const auto stream = test::encodePairRows(samples, width, rows, test::nikonCodes(true, 12), {});
    const auto info = losslessInfo();
    const Decoded d = decode(stream, compression(3, info, 12), {width, rows, width, rows},
                             static_cast<std::uint32_t>(stream.size() / 2));
    EXPECT_EQ(d.status, kOk);
    EXPECT_EQ(d.numbers(), std::vector<int>{16});
    EXPECT_EQ(d.text(), "tile/strip data incomplete");
    const std::size_t n = decodedPrefix(d.image, samples);
    EXPECT_GT(n, samples.size() / 4);
    EXPECT_LT(n, samples.size());
}

TEST(NikonEarlyEnd, ShortSourceFails) {
    const std::uint32_t width = 32, rows = 16;
    const auto samples = test::noisySamples(std::size_t{width} * rows, 12, 9);
    auto stream = test::encodePairRows(samples, width, rows, test::nikonCodes(true, 12), {});
    const auto count = static_cast<std::uint32_t>(stream.size());
    stream.resize(stream.size() / 2);
    const auto info = losslessInfo();
    const Decoded d = decode(stream, compression(3, info, 12), {width, rows, width, rows}, count);
    EXPECT_EQ(d.status, kFailed);
    EXPECT_EQ(d.numbers(), std::vector<int>{8});
    EXPECT_EQ(d.reporter.records().front().args.text1, "strip.nef");
    EXPECT_EQ(d.text(), "end of file occured\nwhile reading compressed scan data");
    EXPECT_NE(decodedPrefix(d.image, samples), SIZE_MAX);
}

// --- Codes the table does not have ---------------------------------------------------------

// Nikon's and Pentax's tables leave no bit string without a code; a table that does (here
// one code, 0, for no difference) shows how 16 one-bits are refused, whether the bits are
// taken with the look-up or, near the end of the data, one at a time.
TEST(NikonRows, SixteenBitsWithoutACodeStopTheStrip) {
    HuffmanTable table;
    RecordingReporter built;
    const std::array<std::uint8_t, 16> counts{1};
    const std::array<std::uint8_t, 1> symbols{0};
    ASSERT_EQ(BuildHuffmanTable(counts, symbols, table, built), kOk);
    for (const std::size_t ones : {2u, 64u}) {
        std::vector<std::uint8_t> stream{0x00}; // eight samples of no difference
        stream.resize(1 + ones, 0xFF);
        std::vector<std::uint16_t> image(16, kUntouched);
        MemoryByteSource source(stream);
        ByteInput input(source, static_cast<std::uint32_t>(stream.size()));
        const SampleTarget target{image, 16, 1, 16, 1, 0, 0};
        const auto end = predicted_rows::DecodeRows(input, table, {{{7, 9}, {0, 0}}}, target);
        EXPECT_EQ(end, predicted_rows::RowsEnd::BadCode) << ones;
        EXPECT_EQ(image, (std::vector<std::uint16_t>{7, 9, 7, 9, 7, 9, 7, 9, kUntouched, kUntouched,
                                                     kUntouched, kUntouched, kUntouched, kUntouched,
                                                     kUntouched, kUntouched}));
        RecordingReporter reporter;
        EXPECT_FALSE(predicted_rows::GoesOnAfter(end, reporter, "strip.nef"));
        ASSERT_EQ(reporter.numbers(), std::vector<int>{16});
        EXPECT_EQ(reporter.records()[0].args.text1, "unidentified Huffman code");
    }
}

} // namespace
} // namespace korvane
