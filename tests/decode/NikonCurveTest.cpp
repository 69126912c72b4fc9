// The curves of Nikon's lossy codings: type 1 takes its points as they are, type 2 runs
// linearly between points spread over the range; values past the curve take the top value;
// dithering spreads a raw value over the gap to the next curve value; each strip is mapped
// once.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "decode/NikonDecoder.hpp"
#include "tests/support/NikonEncoder.hpp"

namespace korvane {
namespace {

using test::CompressionInfoLayout;

struct Lossy {
    std::uint16_t kind; // 1 or 4
    int bits;
    std::vector<std::uint16_t> points;
};

struct Decoded {
    Status status = kFailed;
    std::vector<std::uint16_t> image;
    RecordingReporter reporter;
};

std::vector<std::uint8_t> infoOf(const Lossy& l) {
    CompressionInfoLayout layout;
    layout.type = 0x44;
    layout.subType = l.kind == 1 ? 0x10 : 0x20;
    layout.points = l.points;
    return test::compressionInfoBytes(layout, test::ByteOrder::Big);
}

// Codes `raw` (width x rows) and decodes it as one strip of an image of the same size.
Decoded decodeLossy(const Lossy& l, const std::vector<std::uint16_t>& raw, std::uint32_t width,
                    bool dither = false) {
    const auto rows = static_cast<std::uint32_t>(raw.size() / width);
    const auto stream = test::encodePairRows(raw, width, rows, test::nikonCodes(false, l.bits), {});
    const auto info = infoOf(l);
    NikonCompression c{l.kind, true, info, true, static_cast<std::uint8_t>(l.bits)};
    Decoded d;
    d.image.assign(raw.size(), 0);
    const SampleTarget target{d.image, width, rows, width, rows, 0, 0};
    MemoryByteSource source(stream);
    d.status = DecodeNikon(source, static_cast<std::uint32_t>(stream.size()), target, c, dither,
                           d.reporter, "lossy.nef");
    return d;
}

// Every raw value from 0 to count - 1 once.
std::vector<std::uint16_t> everyValue(std::uint32_t count) {
    std::vector<std::uint16_t> raw(count);
    std::iota(raw.begin(), raw.end(), std::uint16_t{0});
    return raw;
}

// Type 2's curve as a weighted mean of the points either side of a value, which is how the
// cameras' documentation puts it: point i stands at value i x step.
std::uint32_t interpolated(const std::vector<std::uint16_t>& points, std::uint32_t step,
                           std::uint32_t v) {
    const std::uint32_t i = v / step, j = v % step;
    return (points[i] * (step - j) + points[i + 1] * j) / step;
}

TEST(NikonLossyType1, CurveAsStoredAndTheTopPastIt) {
    const Lossy l{1, 12, test::risingCurve(683, 4096)};
    std::vector<std::uint16_t> raw = everyValue(683);
    for (const std::uint16_t past : {683, 684, 2000, 4095})
        raw.push_back(past);
    raw.push_back(0); // an even count: whole pairs
    const Decoded d = decodeLossy(l, raw, static_cast<std::uint32_t>(raw.size()));
    ASSERT_EQ(d.status, kOk);
    EXPECT_TRUE(d.reporter.records().empty());
    for (std::uint32_t v = 0; v < 683; ++v)
        ASSERT_EQ(d.image[v], l.points[v]) << v;
    EXPECT_EQ(std::vector<std::uint16_t>(d.image.begin() + 683, d.image.begin() + 687),
              (std::vector<std::uint16_t>{4095, 4095, 4095, 4095}));
}

TEST(NikonLossyType1, FourteenBitTopPastTheCurve) {
    const Lossy l{1, 14, test::risingCurve(100, 16384)};
    const Decoded d = decodeLossy(l, {99, 100, 16383, 0}, 4);
    ASSERT_EQ(d.status, kOk);
    EXPECT_EQ(d.image, (std::vector<std::uint16_t>{16383, 16383, 16383, 0}));
}

struct Type2Case {
    int bits;
    std::size_t points;
};

class NikonLossyType2 : public testing::TestWithParam<Type2Case> {};

TEST_P(NikonLossyType2, RunsLinearlyBetweenThePoints) {
    const auto [bits, count] = GetParam();
    const std::uint32_t top = 1u << bits;
    const Lossy l{4, bits, test::risingCurve(count, top)};
    const std::uint32_t step = top / static_cast<std::uint32_t>(count - 1);
    const std::uint32_t covered = static_cast<std::uint32_t>(count - 1) * step;
    const Decoded d = decodeLossy(l, everyValue(top), 256);
    ASSERT_EQ(d.status, kOk);
    for (std::uint32_t v = 0; v < covered; ++v)
        ASSERT_EQ(d.image[v], interpolated(l.points, step, v)) << v;
    // The last point is the first to reach the top: beyond it, top - 1.
    for (std::uint32_t v = covered; v < top; ++v)
        ASSERT_EQ(d.image[v], top - 1) << v;
}

INSTANTIATE_TEST_SUITE_P(Depths, NikonLossyType2,
                         testing::Values(Type2Case{12, 257}, Type2Case{14, 257}, Type2Case{12, 683},
                                         Type2Case{14, 4096}));

// Only the points up to the first one that reaches the top count: past its interval every
// value is top - 1, whatever the later points say.
TEST(NikonLossyType2Points, UpToTheFirstThatReachesTheTop) {
    std::vector<std::uint16_t> points(257, 0);
    for (std::size_t i = 0; i < 200; ++i)
        points[i] = static_cast<std::uint16_t>(i * 20);
    points[200] = points[201] = 4095; // 201 and after would pull values down
    const Lossy l{4, 12, points};
    const Decoded d = decodeLossy(l, everyValue(4096), 256);
    ASSERT_EQ(d.status, kOk);
    for (std::uint32_t v = 0; v < 201 * 16; ++v)
        ASSERT_EQ(d.image[v], interpolated(points, 16, v)) << v;
    for (std::uint32_t v = 201 * 16; v < 4096; ++v)
        ASSERT_EQ(d.image[v], 4095) << v;
}

// A curve none of whose points reaches the top: the interval after the last point has no
// point to run to and holds the last point's value; past it, the top.
TEST(NikonLossyType2Points, IntervalAfterTheLastPointHoldsItsValue) {
    std::vector<std::uint16_t> points(257);
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i] = static_cast<std::uint16_t>(i * 15);
    const Lossy l{4, 12, points};
    const Decoded d = decodeLossy(l, {4095, 4096, 4100, 4111, 4112, 5000}, 6);
    ASSERT_EQ(d.status, kOk);
    const auto last = static_cast<std::uint16_t>(interpolated(points, 16, 4095));
    EXPECT_EQ(d.image, (std::vector<std::uint16_t>{last, 3840, 3840, 3840, 4095, 4095}));
}

// --- Dithering -------------------------------------------------------------------------------

std::vector<std::uint16_t> repeated(std::uint16_t value, std::size_t count) {
    return std::vector<std::uint16_t>(count, value);
}

TEST(NikonDither, CyclesThroughTheGapToTheNextCurveValue) {
    std::vector<std::uint16_t> points(100);
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i] = static_cast<std::uint16_t>(i * 10);
    points[6] = 40; // a falling step is not spread
    const Lossy l{1, 12, points};
    std::vector<std::uint16_t> raw = repeated(1, 12);
    for (const std::uint16_t v : repeated(5, 4))
        raw.push_back(v);
    for (const std::uint16_t v : repeated(99, 4))
        raw.push_back(v);
    raw.push_back(100); // past the curve
    raw.push_back(100);
    const Decoded d = decodeLossy(l, raw, 2, true);
    ASSERT_EQ(d.status, kOk);
    EXPECT_EQ(d.image, (std::vector<std::uint16_t>{
                           11,   12,  13,  14,  15, 16, 17, 18, 19, 10, 11, 12, // 10 to 20
                           50,   50,  50,  50,                                  // 50 down to 40
                           991,  992, 993, 994, // the last value spreads towards 4096
                           4095, 4095}));
}

TEST(NikonDither, LastValueAtTheTopIsNotSpread) {
    std::vector<std::uint16_t> points = test::risingCurve(257, 4096);
    const Lossy l{4, 12, points};
    // The curve's last entry (value 4111, in the stretch after the last point) is the top value
    // itself: nothing is left to spread over.
    const Decoded d = decodeLossy(l, repeated(4111, 4), 4, true);
    ASSERT_EQ(d.status, kOk);
    EXPECT_EQ(d.image, repeated(4095, 4));
}

// --- Strips ----------------------------------------------------------------------------------

// Each strip maps its own samples: the strips decoded before keep their values.
TEST(NikonStrips, EachStripIsMappedOnce) {
    std::vector<std::uint16_t> points(100);
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i] = static_cast<std::uint16_t>(i + 1);
    const Lossy l{1, 12, points};
    const auto info = infoOf(l);
    const NikonCompression c{1, true, info, true, 12};
    const std::uint32_t width = 8, rows = 2;
    std::vector<std::uint16_t> image(width * 2 * rows, 0);
    RecordingReporter reporter;
    for (std::uint32_t strip = 0; strip < 2; ++strip) {
        std::vector<std::uint16_t> raw(width * rows);
        for (std::uint32_t i = 0; i < raw.size(); ++i)
            raw[i] = static_cast<std::uint16_t>(strip * 40 + i);
        const auto stream = test::encodePairRows(raw, width, rows, test::nikonCodes(false, 12), {});
        MemoryByteSource source(stream);
        const SampleTarget target{image, width, 2 * rows, width, rows, strip * rows, 0};
        ASSERT_EQ(DecodeNikon(source, static_cast<std::uint32_t>(stream.size()), target, c, false,
                              reporter, "two.nef"),
                  kOk);
    }
    for (std::uint32_t i = 0; i < image.size(); ++i) {
        const std::uint32_t raw = i < width * rows ? i : 40 + i - width * rows;
        EXPECT_EQ(image[i], raw + 1) << i;
    }
}

} // namespace
} // namespace korvane
