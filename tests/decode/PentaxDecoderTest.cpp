// The Pentax decoder on strips in memory: a stream put together by hand with Pentax's table,
// streams of the test encoder, clipping, and strips that end early.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decode/PentaxDecoder.hpp"
#include "tests/decode/NikonTestSupport.hpp"
#include "tests/support/PentaxEncoder.hpp"

namespace korvane {
namespace {

using test::bitString;
using test::kUntouched;

struct Decoded {
    Status status = kFailed;
    std::vector<std::uint16_t> image;
    RecordingReporter reporter;
};

Decoded decode(const std::vector<std::uint8_t>& stream, std::uint32_t imageWidth,
               std::uint32_t imageHeight, std::uint32_t width, std::uint32_t rows,
               std::uint32_t byteCount = UINT32_MAX) {
    Decoded d;
    d.image.assign(std::size_t{imageWidth} * imageHeight, kUntouched);
    const SampleTarget target{d.image, imageWidth, imageHeight, width, rows, 0, 0};
    MemoryByteSource source(stream);
    const auto count =
        byteCount == UINT32_MAX ? static_cast<std::uint32_t>(stream.size()) : byteCount;
    d.status = DecodePentax(source, count, target, d.reporter, "strip.pef");
    return d;
}

// Pentax's table codes 2 difference bits as 100, 1 bit as 110, 12 bits as 1111111111 and no
// difference as 11110. In a strip of 4 x 3 the first sample moves by +3 (100 11), the first of
// row 1 by -1 (110 0), wrapping round below 0,, and the first of row 2 by +4095 (1111111111 then
// twelve one-bits); every other difference is 0. The first two rows start from 0, row 2 from
// the first pair of row 0.
TEST(PentaxHandBuilt, TableAndPredictors) {
    const std::string zero = "11110 ";
    std::string bits = "100 11 " + zero + zero + zero + "110 0 " + zero + zero + zero +
                       "1111111111 111111111111 " + zero + zero + zero;
    const Decoded d = decode(bitString(bits), 4, 3, 4, 3);
    ASSERT_EQ(d.status, kOk);
    EXPECT_TRUE(d.reporter.records().empty());
    EXPECT_EQ(d.image, (std::vector<std::uint16_t>{3, 0, 3, 0,         //
                                                   65535, 0, 65535, 0, //
                                                   4098, 0, 4098, 0}));
}

struct Size {
    std::uint32_t width, rows;
};

class PentaxRoundTrip : public testing::TestWithParam<Size> {};

TEST_P(PentaxRoundTrip, DecodesToTheSamplesCoded) {
    const auto [width, rows] = GetParam();
    const auto samples = test::noisySamples(std::size_t{width} * rows, 12, width + rows);
    const Decoded d = decode(test::encodePentax(samples, width, rows), width, rows, width, rows);
    ASSERT_EQ(d.status, kOk);
    EXPECT_TRUE(d.reporter.records().empty());
    EXPECT_EQ(d.image, samples);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PentaxRoundTrip,
                         testing::Values(Size{2, 1}, Size{2, 2}, Size{4, 3}, Size{100, 40},
                                         Size{3936, 4}));

// Stored up to the image's right edge (whole pairs) and bottom.
TEST(PentaxClipping, StoresWholePairsInsideTheImage) {
    const std::uint32_t width = 12, rows = 6;
    const auto samples = test::noisySamples(std::size_t{width} * rows, 12, 3);
    const Decoded d = decode(test::encodePentax(samples, width, rows), 9, 4, width, rows);
    ASSERT_EQ(d.status, kOk);
    for (std::uint32_t r = 0; r < 4; ++r) {
        for (std::uint32_t c = 0; c < 8; ++c)
            EXPECT_EQ(d.image[r * 9 + c], samples[r * width + c]);
        EXPECT_EQ(d.image[r * 9 + 8], kUntouched);
    }
}

TEST(PentaxEarlyEnd, ByteCountRunningOutSucceedsWithWhatWasDecoded) {
    const std::uint32_t width = 40, rows = 20;
    const auto samples = test::noisySamples(std::size_t{width} * rows, 12, 4);
    const auto stream = test::encodePentax(samples, width, rows);
    const Decoded d =
        decode(stream, width, rows, width, rows, static_cast<std::uint32_t>(stream.size() / 3));
    EXPECT_EQ(d.status, kOk);
    ASSERT_EQ(d.reporter.numbers(), std::vector<int>{16});
    EXPECT_EQ(d.reporter.records()[0].args.text1, "tile/strip data incomplete");
    const auto firstUntouched = std::find(d.image.begin(), d.image.end(), kUntouched);
    ASSERT_NE(firstUntouched, d.image.begin());
    ASSERT_NE(firstUntouched, d.image.end());
    const auto n = static_cast<std::size_t>(firstUntouched - d.image.begin());
    EXPECT_TRUE(std::equal(d.image.begin(), firstUntouched, samples.begin()));
    EXPECT_TRUE(std::all_of(firstUntouched, d.image.end(), [](auto v) { return v == kUntouched; }));
    EXPECT_GT(n, samples.size() / 4);
}

TEST(PentaxEarlyEnd, ShortSourceFails) {
    const std::uint32_t width = 40, rows = 20;
    const auto samples = test::noisySamples(std::size_t{width} * rows, 12, 4);
    auto stream = test::encodePentax(samples, width, rows);
    const auto count = static_cast<std::uint32_t>(stream.size());
    stream.resize(stream.size() / 2);
    const Decoded d = decode(stream, width, rows, width, rows, count);
    EXPECT_EQ(d.status, kFailed);
    ASSERT_EQ(d.reporter.numbers(), std::vector<int>{8});
    EXPECT_EQ(d.reporter.records()[0].args.text1, "strip.pef");
    EXPECT_EQ(d.reporter.records()[0].args.text2,
              "end of file occured\nwhile reading compressed scan data");
}

} // namespace
} // namespace korvane
