// Where decoded samples land: Canon's halves and slices, tiles across the image's right and
// bottom edges, frames whose lines are not the strip's rows, and slice layouts that do not fit.
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
using test::slicedOrder;
using test::stripTarget;

struct Slicing {
    const char* name;
    std::uint8_t variant;
    std::uint32_t width;
    std::uint32_t rows;
    int components;
    std::vector<std::uint32_t> widths; // of every slice, as the stream holds them
};

void PrintTo(const Slicing& s, std::ostream* os) {
    *os << s.name;
}

class LosslessJpegSlices : public ::testing::TestWithParam<Slicing> {};

TEST_P(LosslessJpegSlices, SamplesGoBackToTheirColumns) {
    const Slicing& s = GetParam();
    const auto strip = noisySamples(std::size_t{s.width} * s.rows, 14, s.width);
    const auto stream = encodeLosslessJpeg(slicedOrder(strip, s.width, s.rows, s.widths),
                                           frameOf(s.width, s.rows, s.components, 14));
    auto target = stripTarget(s.width, s.rows, 14);
    target.variant = s.variant;
    target.sliceCount = static_cast<std::uint8_t>(s.widths.size());
    for (std::size_t i = 0; i + 1 < s.widths.size(); ++i)
        target.sliceWidths[i] = static_cast<std::uint16_t>(s.widths[i]);
    const DecodeResult r = decodeInto(stream, target, s.width, s.rows);
    ASSERT_EQ(r.status, kOk) << ::testing::PrintToString(jpegMessages(r.reporter));
    EXPECT_EQ(r.image, strip);
}

INSTANTIATE_TEST_SUITE_P(
    Canon, LosslessJpegSlices,
    ::testing::Values(
        // Variant 6: the left half for all rows, then the right half.
        Slicing{"HalvesOfTwoComponents", 6, 40, 6, 2, {20, 20}},
        // Halves of 9: an MCU of two samples spans the end of one half row and the next.
        Slicing{"HalvesThatSplitMcus", 6, 18, 4, 2, {9, 9}},
        Slicing{"HalvesOfOddWidth", 6, 14, 4, 1, {7, 7}},
        // Variant 7, as the camera table gives them: 40D one width and the rest, 50D two,
        // 450D three; 5D Mark II style with four components.
        Slicing{"TwoSlices", 7, 46, 6, 2, {24, 22}},
        Slicing{"ThreeSlices", 7, 40, 5, 2, {16, 16, 8}},
        Slicing{"FourSlices", 7, 44, 4, 2, {12, 12, 10, 10}},
        Slicing{"ThreeSlicesFourComponents", 7, 48, 4, 4, {16, 16, 16}},
        Slicing{"OneSlice", 7, 20, 3, 2, {20}}),
    [](const auto& info) { return std::string(info.param.name); });

// The layouts that cannot hold a strip: no slices, a slice of no width, given widths that
// leave nothing for the last slice.
TEST(LosslessJpegSliceWidths, SlicesThatDoNotFitTheStripAreInconsistent) {
    const auto strip = noisySamples(40 * 4, 12, 1);
    const auto stream = encodeLosslessJpeg(strip, frameOf(40, 4, 2, 12));
    struct Layout {
        std::uint8_t count;
        std::array<std::uint16_t, 4> widths;
    };
    for (const Layout& l : {Layout{0, {}}, Layout{3, {20, 0}}, Layout{2, {40}}, Layout{3, {30, 12}},
                            Layout{6, {4, 4, 4, 4}}}) {
        auto target = stripTarget(40, 4, 12);
        target.variant = ljpeg_variant::kCanonSlices;
        target.sliceCount = l.count;
        target.sliceWidths = l.widths;
        const DecodeResult r = decodeInto(stream, target, 40, 4);
        EXPECT_EQ(r.status, kFailed);
        ASSERT_EQ(r.reporter.numbers(), std::vector<int>{15});
        EXPECT_EQ(r.reporter.records()[0].args.text1, "strip.raw");
        EXPECT_EQ(r.reporter.records()[0].args.text2, "slice widths");
        EXPECT_EQ(r.image, std::vector<std::uint16_t>(160, test::kUntouched));
    }
}

struct Tiling {
    const char* name;
    std::uint32_t imageWidth;
    std::uint32_t imageHeight;
    std::uint32_t tileWidth;
    std::uint32_t tileLength;
    int components;
};

void PrintTo(const Tiling& t, std::ostream* os) {
    *os << t.name;
}

class LosslessJpegTiles : public ::testing::TestWithParam<Tiling> {};

// Every tile decoded into one image gives the image back, and nothing beyond its edges is
// written: the tiles' parts outside hold a value the image never has.
TEST_P(LosslessJpegTiles, TilesAcrossTheEdgesStoreOnlyTheirPartInside) {
    const Tiling& t = GetParam();
    const auto image = noisySamples(std::size_t{t.imageWidth} * t.imageHeight, 12, 21);
    std::vector<std::uint16_t> decoded(image.size(), test::kUntouched);
    for (std::uint32_t top = 0; top < t.imageHeight; top += t.tileLength) {
        for (std::uint32_t left = 0; left < t.imageWidth; left += t.tileWidth) {
            const auto tile = test::tileOf(image, t.imageWidth, t.imageHeight, top, left,
                                           t.tileWidth, t.tileLength, 0xF00D);
            const auto stream =
                encodeLosslessJpeg(tile, frameOf(t.tileWidth, t.tileLength, t.components, 16));
            LosslessJpegTarget target = stripTarget(t.tileWidth, t.tileLength);
            target.image = decoded;
            target.imageWidth = t.imageWidth;
            target.imageHeight = t.imageHeight;
            target.rowStart = top;
            target.columnStart = left;
            RecordingReporter reporter;
            MemoryByteSource source(stream);
            ASSERT_EQ(DecodeLosslessJpeg(source, static_cast<std::uint32_t>(stream.size()), target,
                                         reporter, "tile.dng"),
                      kOk);
            EXPECT_TRUE(reporter.records().empty());
        }
    }
    EXPECT_EQ(decoded, image);
}

INSTANTIATE_TEST_SUITE_P(
    Dng, LosslessJpegTiles,
    ::testing::Values(Tiling{"ExactFit", 32, 16, 16, 8, 2},
                      Tiling{"RightAndBottomEdges", 37, 21, 16, 8, 2},
                      // 15 columns left of a 16-wide tile of two-sample MCUs: the last
                      // column is half an MCU and must still be stored.
                      Tiling{"OddColumnsLeftOfTheEdge", 15, 9, 16, 16, 2},
                      Tiling{"OneComponentEdges", 23, 11, 8, 8, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LosslessJpegTileOutside, ATileBelowTheImageWritesNothingAndSucceeds) {
    const auto tile = noisySamples(16 * 8, 12, 2);
    const auto stream = encodeLosslessJpeg(tile, frameOf(16, 8, 2, 12));
    auto target = stripTarget(16, 8, 12);
    target.rowStart = 8;
    const DecodeResult below = decodeInto(stream, target, 16, 8);
    EXPECT_EQ(below.status, kOk);
    EXPECT_EQ(below.image, std::vector<std::uint16_t>(128, test::kUntouched));
    target.rowStart = 0;
    target.columnStart = 16;
    const DecodeResult right = decodeInto(stream, target, 16, 8);
    EXPECT_EQ(right.status, kOk);
    EXPECT_EQ(right.image, std::vector<std::uint16_t>(128, test::kUntouched));
}

// A DNG writer may code a tile as a frame of another shape with the same number of samples:
// here one frame line holds two tile rows. Prediction follows the frame's lines; the samples
// fill the tile row by row.
TEST(LosslessJpegFrameShape, FrameLinesOfTwoTileRowsFillTheTileInOrder) {
    const auto tile = noisySamples(16 * 8, 14, 4);
    LosslessJpegOptions o = frameOf(32, 4, 2, 14); // X = 16 MCUs of 2: 32 samples a line
    const DecodeResult r = decodeInto(encodeLosslessJpeg(tile, o), stripTarget(16, 8, 14), 16, 8);
    ASSERT_EQ(r.status, kOk) << ::testing::PrintToString(jpegMessages(r.reporter));
    EXPECT_EQ(r.image, tile);
}

TEST(LosslessJpegTarget, AStripWithoutSamplesOrABufferTooSmallIsRefused) {
    const auto stream = encodeLosslessJpeg(noisySamples(16, 12, 1), frameOf(8, 2, 2, 12));
    std::vector<std::uint16_t> small(15);
    LosslessJpegTarget target = stripTarget(8, 2, 12);
    target.image = small;
    target.imageWidth = 8;
    target.imageHeight = 2;
    RecordingReporter reporter;
    MemoryByteSource source(stream);
    EXPECT_EQ(DecodeLosslessJpeg(source, static_cast<std::uint32_t>(stream.size()), target,
                                 reporter, "x"),
              kFailed);
    EXPECT_EQ(reporter.numbers(), std::vector<int>{18});
    const DecodeResult empty = decodeInto(stream, stripTarget(0, 2, 12), 8, 2);
    EXPECT_EQ(empty.status, kFailed);
    EXPECT_EQ(empty.reporter.numbers(), std::vector<int>{18});
}

} // namespace
} // namespace korvane
