// Lossless JPEG streams decode to the samples they were made from: a stream put together by
// hand bit by bit, and streams of the test encoder over the range of precisions, component
// counts, predictors, tables, restart intervals and byte stuffing.
#include <algorithm>
#include <gtest/gtest.h>

#include "tests/decode/JpegTestSupport.hpp"

namespace korvane {
namespace {

using test::decodeInto;
using test::DecodeResult;
using test::encodeLosslessJpeg;
using test::frameOf;
using test::jpegMessages;
using test::LosslessJpegOptions;
using test::noisySamples;
using test::stripTarget;

bool containsPair(const std::vector<std::uint8_t>& bytes, std::uint8_t first, std::uint8_t second) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == first && bytes[i + 1] == second) return true;
    return false;
}

// Written out by hand: 8-bit, one component, 3 x 2, predictor 1; a table of three 2-bit codes
// 00, 01, 10 for the categories 0, 1, 2. The samples 130 131 131 / 129 130 132 give the
// differences +2 +1 0 / -1 (from 130 above) +1 +2:
// 10|10 01|1 00 01|0 01|1 10|10 and one-bits to the byte: A6 27 5F.
TEST(LosslessJpegHandBuilt, FirstSampleOfEachRowIsPredictedFromTheSampleAbove) {
    const std::vector<std::uint8_t> stream{
        0xFF, 0xD8,                   // SOI
        0xFF, 0xC4, 0x00, 0x16, 0x00, // DHT, table 0
        0,    3,    0,    0,    0,    0, 0,    0, 0, 0, 0, 0,    0,
        0,    0,    0,                                              // three codes of 2 bits
        0,    1,    2,                                              // for categories 0, 1, 2
        0xFF, 0xC3, 0x00, 0x0B, 8,    0, 2,    0, 3, 1, 1, 0x11, 0, // SOF3 8-bit 3 x 2
        0xFF, 0xDA, 0x00, 0x08, 1,    1, 0x00, 1, 0, 0,             // SOS, predictor 1
        0xA6, 0x27, 0x5F, 0xFF, 0xD9};
    const DecodeResult r = decodeInto(stream, stripTarget(3, 2, 8), 3, 2);
    ASSERT_EQ(r.status, kOk);
    EXPECT_TRUE(r.reporter.records().empty());
    EXPECT_EQ(r.image, (std::vector<std::uint16_t>{130, 131, 131, 129, 130, 132}));
}

// With two 1-bit codes, 0 for category 0 and 1 for category 1, the data byte 0xFF (written
// 0xFF 0x00) holds four differences of +1 (code 1, extra bit 1), and the 0x00 after it eight
// differences of 0.
TEST(LosslessJpegHandBuilt, StuffedFfIsOneDataByte) {
    const std::vector<std::uint8_t> stream{
        0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x15, 0x00, 2, 0, 0, 0,    0,    0,    0,    0,    0,
        0,    0,    0,    0,    0,    0,    0, // two 1-bit codes: 0 and 1
        0,    1,    0xFF, 0xC3, 0x00, 0x0B, 8,    0, 2, 0, 6,    1,    1,    0x11, 0, // 6 x 2
        0xFF, 0xDA, 0x00, 0x08, 1,    1,    0x00, 1, 0, 0, 0xFF, 0x00, 0x00, 0x0F, 0xFF, 0xD9};
    const DecodeResult r = decodeInto(stream, stripTarget(6, 2, 8), 6, 2);
    ASSERT_EQ(r.status, kOk);
    // Row 0: 128 + 1, +1, +1, +1, then 0, 0. Row 1 starts from 129 above: 0 x 6.
    EXPECT_EQ(r.image, (std::vector<std::uint16_t>{129, 130, 131, 132, 132, 132, //
                                                   129, 129, 129, 129, 129, 129}));
}

struct RoundTrip {
    const char* name;
    int components;
    int precision;
    int predictor;
    std::uint16_t restartInterval;
    LosslessJpegOptions::Tables tables;
};

void PrintTo(const RoundTrip& c, std::ostream* os) {
    *os << c.name;
}

class LosslessJpegRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(LosslessJpegRoundTrip, DecodesToTheSamplesEncoded) {
    const RoundTrip& c = GetParam();
    constexpr std::uint32_t kWidth = 48;
    constexpr std::uint32_t kRows = 9;
    const auto samples = noisySamples(kWidth * kRows, c.precision, kWidth + c.precision);
    LosslessJpegOptions o = frameOf(kWidth, kRows, c.components, c.precision);
    o.predictor = static_cast<std::uint8_t>(c.predictor);
    o.restartInterval = c.restartInterval;
    o.tables = c.tables;
    const auto stream = encodeLosslessJpeg(samples, o);
    if (c.restartInterval != 0) {
        EXPECT_TRUE(containsPair(stream, 0xFF, 0xD0));
        EXPECT_TRUE(containsPair(stream, 0xFF, 0xD7)); // the numbers go round
    }
    const DecodeResult r =
        decodeInto(stream, stripTarget(kWidth, kRows, c.precision), kWidth, kRows);
    ASSERT_EQ(r.status, kOk) << ::testing::PrintToString(jpegMessages(r.reporter));
    EXPECT_TRUE(r.reporter.records().empty());
    EXPECT_EQ(r.image, samples);
}

using Tables = LosslessJpegOptions::Tables;
INSTANTIATE_TEST_SUITE_P(
    Streams, LosslessJpegRoundTrip,
    ::testing::Values(RoundTrip{"Canon2Components14Bit", 2, 14, 1, 0, Tables::Optimal},
                      RoundTrip{"Canon2Components12Bit", 2, 12, 1, 0, Tables::Optimal},
                      RoundTrip{"OneComponent8Bit", 1, 8, 1, 0, Tables::Optimal},
                      RoundTrip{"OneComponent16Bit", 1, 16, 1, 0, Tables::Optimal},
                      RoundTrip{"TwoComponents16Bit", 2, 16, 1, 0, Tables::Optimal},
                      RoundTrip{"TwoComponents10BitFixedTable", 2, 10, 1, 0, Tables::Fixed},
                      RoundTrip{"Predictor6OneComponent14Bit", 1, 14, 6, 0, Tables::Optimal},
                      RoundTrip{"Predictor6OneComponent16Bit", 1, 16, 6, 0, Tables::Fixed},
                      RoundTrip{"RestartEveryLine", 2, 14, 1, 24, Tables::Optimal},
                      RoundTrip{"RestartInsideLines", 2, 12, 1, 5, Tables::Optimal},
                      RoundTrip{"RestartEveryMcu", 1, 12, 1, 1, Tables::Fixed},
                      RoundTrip{"Predictor6RestartEveryLine", 1, 14, 6, 48, Tables::Optimal},
                      RoundTrip{"Predictor6RestartInsideLines", 1, 14, 6, 7, Tables::Optimal}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LosslessJpegStuffing, NoisyDataWithManyFfBytesDecodes) {
    const auto samples = noisySamples(64 * 32, 16, 7);
    const LosslessJpegOptions o = frameOf(64, 32, 2, 16);
    const auto stream = encodeLosslessJpeg(samples, o);
    ASSERT_TRUE(containsPair(stream, 0xFF, 0x00));
    const DecodeResult r = decodeInto(stream, stripTarget(64, 32), 64, 32);
    ASSERT_EQ(r.status, kOk);
    EXPECT_EQ(r.image, samples);
}

// Codes of every length up to 16 bits, the longest beyond the one-look-up range.
TEST(LosslessJpegCodes, CodesOfUpTo16BitsAreFound) {
    LosslessJpegOptions o = frameOf(40, 10, 2, 16);
    o.tables = Tables::Given;
    o.given.counts = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2};
    for (std::uint8_t s = 0; s <= 16; ++s)
        o.given.symbols.push_back(static_cast<std::uint8_t>(16 - s));
    const auto samples = noisySamples(400, 16, 3);
    const DecodeResult r = decodeInto(encodeLosslessJpeg(samples, o), stripTarget(40, 10), 40, 10);
    ASSERT_EQ(r.status, kOk) << ::testing::PrintToString(jpegMessages(r.reporter));
    EXPECT_EQ(r.image, samples);
}

TEST(LosslessJpegSegments, SegmentsBeforeTheFrameArePassedOverWhateverTheirLength) {
    LosslessJpegOptions o = frameOf(16, 4, 2, 12);
    std::vector<std::uint8_t> app{0xFF, 0xE1, 0x07, 0xD2}; // APP1 of 2000 bytes
    app.resize(4 + 2000, 0xFF);
    const std::vector<std::uint8_t> com{0xFF, 0xFE, 0x00, 0x02}; // an empty COM
    o.leadingSegments = app;
    o.leadingSegments.insert(o.leadingSegments.end(), com.begin(), com.end());
    const auto samples = noisySamples(64, 12, 9);
    const DecodeResult r =
        decodeInto(encodeLosslessJpeg(samples, o), stripTarget(16, 4, 12), 16, 4);
    ASSERT_EQ(r.status, kOk) << ::testing::PrintToString(jpegMessages(r.reporter));
    EXPECT_EQ(r.image, samples);
}

class LosslessJpegPrematureEnd : public ::testing::TestWithParam<std::size_t> {};

TEST_P(LosslessJpegPrematureEnd, SucceedsWithTheSamplesBeforeTheEnd) {
    const std::size_t end = GetParam();
    const auto samples = noisySamples(32 * 6, 14, 5);
    LosslessJpegOptions o = frameOf(32, 6, 2, 14);
    o.endAfterSamples = end;
    const DecodeResult r =
        decodeInto(encodeLosslessJpeg(samples, o), stripTarget(32, 6, 14), 32, 6);
    ASSERT_EQ(r.status, kOk);
    EXPECT_EQ(jpegMessages(r.reporter), std::vector<std::string>{"Premature End Of Image"});
    for (std::size_t i = 0; i < samples.size(); ++i)
        ASSERT_EQ(r.image[i], i < end ? samples[i] : test::kUntouched) << "sample " << i;
}

// After the first MCU, inside the first line, at a line's end and inside a later line.
INSTANTIATE_TEST_SUITE_P(Ends, LosslessJpegPrematureEnd, ::testing::Values(2, 6, 32, 100));

TEST(LosslessJpegScanMarkers, DefineRestartIntervalAndFillBytesBetweenMcusArePassedOver) {
    const auto samples = noisySamples(20 * 4, 12, 11);
    LosslessJpegOptions o = frameOf(20, 4, 2, 12);
    o.insertions = {{10, {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x09}},              // a DRI after 5 MCUs
                    {40, {0xFF, 0xFF, 0xFF, 0xDD, 0x00, 0x04, 0x00, 0x01}}}; // fill first
    const DecodeResult r =
        decodeInto(encodeLosslessJpeg(samples, o), stripTarget(20, 4, 12), 20, 4);
    ASSERT_EQ(r.status, kOk) << ::testing::PrintToString(jpegMessages(r.reporter));
    EXPECT_EQ(r.image, samples);
}

TEST(LosslessJpegScanMarkers, RestartMarkerResetsThePredictorsToTheMiddleValue) {
    // Constant samples at the middle value code as all zero differences; a restart marker
    // inserted after 3 MCUs puts the predictors back to the middle value, so nothing changes.
    // A stream whose samples are 100 above the middle instead, with the same insertion, must
    // show the reset: the MCU after the marker decodes its difference 0 as the middle value.
    LosslessJpegOptions o = frameOf(8, 2, 2, 12);
    std::vector<std::uint16_t> samples(16, 2048 + 100);
    o.insertions = {{6, {0xFF, 0xD0}}};
    const DecodeResult r = decodeInto(encodeLosslessJpeg(samples, o), stripTarget(8, 2, 12), 8, 2);
    ASSERT_EQ(r.status, kOk);
    std::vector<std::uint16_t> expected = samples;
    expected[6] = expected[7] = 2048; // predicted from the middle value, difference 0
    EXPECT_EQ(std::vector<std::uint16_t>(r.image.begin(), r.image.begin() + 8),
              std::vector<std::uint16_t>(expected.begin(), expected.begin() + 8));
}

TEST(LosslessJpegHasselblad, Variant10TakesEveryFfAsDataAndPredictorsAbove7FromZero) {
    const auto samples = noisySamples(32 * 8, 16, 13);
    LosslessJpegOptions o = frameOf(32, 8, 2, 16);
    o.predictor = 8;
    o.stuffing = false;
    const auto stream = encodeLosslessJpeg(samples, o);
    auto target = stripTarget(32, 8);
    target.variant = ljpeg_variant::kHasselblad;
    target.hasselblad = true;
    const DecodeResult r = decodeInto(stream, target, 32, 8);
    ASSERT_EQ(r.status, kOk) << ::testing::PrintToString(jpegMessages(r.reporter));
    EXPECT_EQ(r.image, samples);
    // The same stream read with stuffing meets its first unstuffed 0xFF as a marker.
    target.variant = 0;
    const DecodeResult stuffed = decodeInto(stream, target, 32, 8);
    EXPECT_NE(stuffed.image, samples);
}

} // namespace
} // namespace korvane
