// The statistics per CFA channel of an area against a plain reference: every sample's
// channel found from the pattern bytes directly, the moments in extended precision.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analysis/AreaStatistics.hpp"
#include "tests/analysis/SyntheticImage.hpp"

namespace korvane::test {
namespace {

struct Reference {
    std::uint64_t count = 0, atWhite = 0, atBlack = 0;
    std::uint32_t minimum = 0xFFFF, maximum = 0;
    long double sum = 0, squares = 0;
};

// The channel R 0, G1 1, G2 2, B 3 of a 2 x 2 pattern of colour planes 0 red, 1 green,
// 2 blue, at a row and column of the active area.
std::size_t referenceChannel(const std::array<std::uint8_t, 4>& pattern, std::uint32_t row,
                             std::uint32_t column) {
    const std::uint8_t plane = pattern[(row % 2) * 2 + column % 2];
    if (plane == 0) return 0;
    if (plane == 2) return 3;
    return row % 2 == 0 ? 1 : 2;
}

struct AreaCase {
    const char* name;
    std::array<std::uint8_t, 4> pattern;
    SampleRect active; // top, left, height, width
    SampleRect area;   // in the active area
    std::uint32_t black, white;
};

class MeasureAreaCases : public ::testing::TestWithParam<AreaCase> {};

TEST_P(MeasureAreaCases, AgreesWithTheReference) {
    const AreaCase& c = GetParam();
    ImageDescriptor image = makeImage(61, 47);
    std::copy(c.pattern.begin(), c.pattern.end(), image.cfaPattern.begin());
    image.activeTop = c.active.top;
    image.activeLeft = c.active.left;
    image.activeHeight = c.active.height;
    image.activeWidth = c.active.width;
    std::mt19937 random(61);
    for (auto& s : image.samples)
        s = static_cast<std::uint16_t>(random() % 3 == 0 ? random() & 0xFFFF
                                                         : 2000 + random() % 500);
    // Samples exactly at both levels count as at them.
    image.samples[(c.active.top + c.area.top) * 61 + c.active.left + c.area.left] =
        static_cast<std::uint16_t>(c.white);
    image.samples[(c.active.top + c.area.top + 1) * 61 + c.active.left + c.area.left + 1] =
        static_cast<std::uint16_t>(c.black);

    std::array<Reference, 4> expected{};
    for (std::uint32_t y = c.area.top; y < c.area.top + c.area.height; ++y) {
        for (std::uint32_t x = c.area.left; x < c.area.left + c.area.width; ++x) {
            const std::uint32_t v = image.samples[(c.active.top + y) * 61 + c.active.left + x];
            Reference& r = expected[referenceChannel(c.pattern, y, x)];
            ++r.count;
            r.minimum = std::min(r.minimum, v);
            r.maximum = std::max(r.maximum, v);
            r.sum += v;
            r.squares += static_cast<long double>(v) * v;
            r.atWhite += v >= c.white;
            r.atBlack += v <= c.black;
        }
    }
    const AreaStatistics got = MeasureArea(image, c.area, c.black, c.white);
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(kChannelNames[k]);
        const Reference& r = expected[k];
        const ChannelFigures& f = got.channels[k];
        ASSERT_EQ(f.count, r.count);
        EXPECT_EQ(f.atWhite, r.atWhite);
        EXPECT_EQ(f.atBlack, r.atBlack);
        EXPECT_EQ(static_cast<long double>(f.sum), r.sum);
        EXPECT_EQ(static_cast<long double>(f.sumOfSquares), r.squares);
        if (r.count == 0) {
            EXPECT_EQ(f.mean(), 0.0);
            continue;
        }
        EXPECT_EQ(f.minimum, r.minimum);
        EXPECT_EQ(f.maximum, r.maximum);
        const long double mean = r.sum / r.count;
        const long double variance = r.squares / r.count - mean * mean;
        EXPECT_NEAR(f.mean(), static_cast<double>(mean), 1e-9 * static_cast<double>(mean));
        EXPECT_NEAR(f.standardDeviation(), std::sqrt(static_cast<double>(variance)), 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, MeasureAreaCases,
    ::testing::Values(
        AreaCase{"RggbWhole", {0, 1, 1, 2}, {0, 0, 47, 61}, {0, 0, 47, 61}, 2100, 60000},
        AreaCase{"GrbgOddActiveArea", {1, 0, 2, 1}, {3, 5, 41, 53}, {0, 0, 41, 53}, 2000, 65535},
        AreaCase{"BggrOddRectangle", {2, 1, 1, 0}, {2, 4, 44, 56}, {7, 3, 20, 31}, 2300, 40000},
        AreaCase{"GbrgOneColumn", {1, 2, 0, 1}, {0, 0, 47, 61}, {1, 9, 30, 1}, 2200, 50000},
        AreaCase{"RggbOneSample", {0, 1, 1, 2}, {1, 1, 46, 60}, {5, 5, 2, 2}, 2400, 2450},
        AreaCase{"LevelsAtTheEnds", {0, 1, 1, 2}, {0, 1, 47, 60}, {2, 1, 40, 57}, 65535, 0},
        AreaCase{"LevelsCrossed", {2, 1, 1, 0}, {0, 0, 47, 61}, {0, 0, 47, 61}, 40000, 1000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MeasureArea, AnAreaBeyondTheActiveAreaCountsNothing) {
    ImageDescriptor image = makeImage(20, 10, 7);
    image.activeTop = 2;
    image.activeHeight = 8;
    const AreaStatistics inside = MeasureArea(image, {0, 0, 8, 20}, 0, 100);
    EXPECT_EQ(inside.channels[0].count + inside.channels[1].count + inside.channels[2].count +
                  inside.channels[3].count,
              160u);
    for (const SampleRect& r :
         {SampleRect{1, 0, 8, 20}, SampleRect{0, 1, 8, 20}, SampleRect{0, 0, 0, 5}})
        for (const ChannelFigures& f : MeasureArea(image, r, 0, 100).channels)
            EXPECT_EQ(f.count, 0u);
}

TEST(ChannelFigures, TheMomentsOfFullScaleSamplesStayExact) {
    // 10000 x 10000 / 4 samples of one channel half at 0 and half at 65535: the sums need
    // every bit of their 64, the spread more than 64.
    ChannelFigures f;
    f.count = 25'000'000;
    f.sum = 12'500'000ull * 65535;
    f.sumOfSquares = 12'500'000ull * 65535 * 65535;
    EXPECT_DOUBLE_EQ(f.mean(), 32767.5);
    EXPECT_DOUBLE_EQ(f.standardDeviation(), 32767.5);
}

} // namespace
} // namespace korvane::test
