#include <gtest/gtest.h>

#include "SyntheticImage.hpp"
#include "analysis/ExposureCounts.hpp"

namespace korvane {
namespace {

TEST(ExposureCounts, AThousandRedOfAMillionSamplesAreFourTenthsOfAPercentOfTheRed) {
    ImageDescriptor image = test::makeImage(1000, 1000, 500);
    for (std::uint32_t i = 0; i < 1000; ++i)
        test::sampleAt(image, 2 * (i / 500), 2 * (i % 500)) = 3;
    const ExposureCountTexts texts = CountExposureClasses(image, 10, 4095, true);
    EXPECT_EQ(texts.blackSide, "R,G,B  #: 1000, 0, 0\nR,G,B %: 0.4000%, 0%, 0%");
    EXPECT_EQ(texts.whiteSide, "R,G,B  #: 0, 0, 0\nR,G,B %: 0%, 0%, 0%");
    EXPECT_EQ(image.exposureCounts, (ExposureCounts{1000, 0, 0, 0, 0, 0}));
    EXPECT_EQ(image.blackPoint, 10u);
    EXPECT_EQ(image.whitePoint, 4095u);
}

TEST(ExposureCounts, APictureCountedInPartsCountsEveryRowOnce) {
    // 2.4 million samples: counted in parts wherever there is more than one processor.
    ImageDescriptor image = test::makeImage(2000, 1200, 500);
    for (std::uint32_t r = 0; r < 1200; r += 2) {
        test::sampleAt(image, r, 0) = 3;        // a red below the black point in every pair of rows
        test::sampleAt(image, r + 1, 1) = 5000; // a blue above the white point
    }
    (void)CountExposureClasses(image, 10, 4095, true);
    EXPECT_EQ(image.exposureCounts, (ExposureCounts{600, 0, 0, 0, 0, 600}));
}

TEST(ExposureCounts, InsideTheRangeEverySampleCountsOnOneSideOf2048) {
    ImageDescriptor image = test::makeImage(4, 4);
    // Rows of red/green and green/blue pairs: reds 100, 100, 3000, 3000; greens 2047 and
    // 2048 alternately; blues 65535.
    test::fillSamples(image, [](std::uint32_t r, std::uint32_t c) -> std::uint16_t {
        const bool redRow = r % 2 == 0, first = c % 2 == 0;
        if (redRow && first) return r == 0 ? 100 : 3000;
        if (!redRow && !first) return 65535;
        return c < 2 ? 2047 : 2048;
    });
    const ExposureCountTexts texts = CountExposureClasses(image, 0, 65535, false);
    EXPECT_EQ(image.exposureCounts, (ExposureCounts{2, 4, 0, 2, 4, 4}));
    EXPECT_EQ(texts.blackSide, "R,G,B  #: 2, 4, 0\nR,G,B %: 50%, 50%, 0%");
    EXPECT_EQ(texts.whiteSide, "R,G,B  #: 2, 4, 4\nR,G,B %: 50%, 50%, 100%");

    (void)CountExposureClasses(image, 101, 2500, false); // the points bound the range
    EXPECT_EQ(image.exposureCounts, (ExposureCounts{0, 4, 0, 0, 4, 0}));
}

TEST(ExposureCounts, OutsideTheRangeCountsAtOrBeyondEachPoint) {
    ImageDescriptor image = test::makeImage(2, 2);
    test::fillSamples(image, [](std::uint32_t r, std::uint32_t c) -> std::uint16_t {
        return 1000 * (r * 2 + c + 1);
    });
    // red 1000, greens 2000 and 3000, blue 4000
    (void)CountExposureClasses(image, 2000, 3000, true);
    EXPECT_EQ(image.exposureCounts, (ExposureCounts{1, 1, 0, 0, 1, 1}));
}

TEST(ExposureCounts, AGreenWithoutWhiteBalanceIsNotCounted) {
    ImageDescriptor image = test::makeImage(4, 4, 100);
    image.wbMultipliers[1] = 0; // the first green: the greens of the red rows
    (void)CountExposureClasses(image, 0, 65535, false);
    EXPECT_EQ(image.exposureCounts, (ExposureCounts{4, 4, 4, 0, 0, 0}));
    image.wbMultipliers[1] = 1;
    image.wbMultipliers[2] = 0;
    (void)CountExposureClasses(image, 0, 65535, false);
    EXPECT_EQ(image.exposureCounts[exposure_count::kLowGreen], 4u);
}

TEST(ExposureCounts, OnlyTheActiveAreaCounts) {
    ImageDescriptor image = test::makeImage(6, 6, 5000);
    image.activeTop = image.activeLeft = 2;
    image.activeHeight = image.activeWidth = 2;
    test::sampleAt(image, 2, 2) = 1; // red at the active area's top-left corner
    const ExposureCountTexts texts = CountExposureClasses(image, 10, 4000, true);
    EXPECT_EQ(image.exposureCounts, (ExposureCounts{1, 0, 0, 0, 2, 1}));
    EXPECT_EQ(texts.blackSide, "R,G,B  #: 1, 0, 0\nR,G,B %: 100%, 0%, 0%");
}

TEST(ExposurePercentage, WholeSharesHaveNoDecimals) {
    EXPECT_EQ(ExposurePercentage(1, 3, 4, 1), "133.3333");
    EXPECT_EQ(ExposurePercentage(250000, 1000000, 4, 2), "50");
    EXPECT_EQ(ExposurePercentage(5, 100, 4, 0), "0"); // a colour the pattern does not have
}

TEST(ExposureCounts, TheRendererRunsThemWhenAsked) {
    ImageDescriptor image = test::makeImage(4, 4, 100);
    RenderSettings s = test::identitySettings(10, 10);
    s.countsPending = true;
    s.blackPoint = 100;
    s.checks.outsideRange = true;
    const test::Rendered r = test::render(image, s);
    ASSERT_TRUE(r.outcome.counts.has_value());
    EXPECT_EQ(r.outcome.counts->blackSide, "R,G,B  #: 4, 8, 4\nR,G,B %: 100%, 100%, 100%");
}

} // namespace
} // namespace korvane
