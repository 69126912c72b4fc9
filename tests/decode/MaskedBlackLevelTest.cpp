// Black level measurement in masked areas, and its summary.
#include "decode/MaskedBlackLevel.hpp"

#include <gtest/gtest.h>

#include "common/RecordingReporter.hpp"
#include "tests/support/StripEncoder.hpp"

namespace korvane::test {
namespace {

enum { kTop = 0, kLeft = 1, kBottom = 2, kRight = 3 };

// A 12 x 10 image whose active area is rows 2 to 9 and columns 4 to 11, with every sample
// at `fill`; black samples count from 1 to 4000.
ImageDescriptor maskedImage(std::uint16_t fill = 3000) {
    ImageDescriptor image;
    describeImage(image, 12, 10, 16);
    image.activeTop = 2;
    image.activeLeft = 4;
    image.activeHeight = 8;
    image.activeWidth = 8;
    image.samples.assign(120, fill);
    image.blackRangeLow = 1;
    image.blackRangeHigh = 4000;
    return image;
}
void set(ImageDescriptor& image, std::uint32_t row, std::uint32_t column, std::uint16_t v) {
    image.samples[row * image.imageWidth + column] = v;
}

TEST(MaskedBlackLevel, WithoutMaskedAreasTheSingleLevelStands) {
    ImageDescriptor image = maskedImage();
    image.blackLevel = 128;
    image.blackOffsetMaximum = 7; // left from an earlier measurement
    RecordingReporter reporter;
    ASSERT_EQ(MeasureMaskedBlackLevel(image, reporter), kOk);
    EXPECT_TRUE(reporter.records().empty());
    EXPECT_EQ(image.blackLevel, 128);
    EXPECT_EQ(image.blackOffsetMaximum, 0);
    EXPECT_EQ(image.blackLevelMinimum, 128);
    EXPECT_EQ(image.blackLevelMaximum, 128);
    EXPECT_EQ(image.blackLevelAverage, 128);
}

TEST(MaskedBlackLevel, ContradictingAreasAreACameraDescriptionFault) {
    struct Case {
        std::array<SensorArea, 4> areas;
        const char* text;
    };
    const Case cases[] = {
        // Top and bottom of different widths.
        {{{SensorArea{4, 0, 8, 2}, {}, SensorArea{4, 9, 6, 1}, {}}},
         "Contradicting top/bottom masked area specification"},
        // A top area narrower than the active width.
        {{{SensorArea{4, 0, 6, 2}, {}, {}, {}}},
         "Contradicting top/bottom masked area specification"},
        // Left and right at different tops.
        {{{{}, SensorArea{0, 2, 4, 8}, {}, SensorArea{11, 1, 1, 8}}},
         "Contradicting left/right masked area specification"},
        // An area reaching past the image would be read out of bounds.
        {{{{}, SensorArea{10, 2, 4, 8}, {}, {}}}, "Masked area outside the image"},
    };
    for (const Case& c : cases) {
        ImageDescriptor image = maskedImage();
        image.maskedAreas = c.areas;
        RecordingReporter reporter;
        EXPECT_EQ(MeasureMaskedBlackLevel(image, reporter), kFailed) << c.text;
        ASSERT_EQ(reporter.numbers(), std::vector<int>{25}) << c.text;
        EXPECT_EQ(reporter.records()[0].args.text1, c.text);
    }
}

TEST(MaskedBlackLevel, ColumnsAndRowsGetTheMeansOfTheirMaskedSamples) {
    ImageDescriptor image = maskedImage();
    image.blackLevel = 50;
    image.maskedAreas[kTop] = {4, 0, 8, 2};  // rows 0 and 1 above the active columns
    image.maskedAreas[kLeft] = {0, 2, 4, 8}; // columns 0 to 3 beside the active rows
    // Column e of the top area holds 100 + e and 102 + e; row y of the left area 200 + y with
    // one sample 4 higher.
    for (std::uint32_t e = 0; e < 8; ++e) {
        set(image, 0, 4 + e, static_cast<std::uint16_t>(100 + e));
        set(image, 1, 4 + e, static_cast<std::uint16_t>(102 + e));
    }
    for (std::uint32_t y = 0; y < 8; ++y)
        for (std::uint32_t x = 0; x < 4; ++x)
            set(image, 2 + y, x, static_cast<std::uint16_t>(200 + y + (x == 0 ? 4 : 0)));
    RecordingReporter reporter;
    ASSERT_EQ(MeasureMaskedBlackLevel(image, reporter), kOk);
    ASSERT_EQ(image.blackDeltaH.size(), 8u);
    ASSERT_EQ(image.blackDeltaV.size(), 8u);
    EXPECT_EQ(image.blackDeltaH[0], 101);
    EXPECT_EQ(image.blackDeltaH[7], 108);
    EXPECT_EQ(image.blackDeltaV[0], 201);
    EXPECT_EQ(image.blackDeltaV[7], 208);
    // sigma of {100, 102} is 1: weighting 1000 / mean; of {204, 200, 200, 200} sqrt(3).
    EXPECT_EQ(image.columnWeighting[0], 1000 / 101);
    EXPECT_EQ(image.rowWeighting[0], 1732 / 201);
    // Arrays replace the single level; the offsets combine both directions.
    EXPECT_EQ(image.blackLevel, 0);
    EXPECT_EQ(image.blackOffsetMinimum, (101 + 201) / 2);
    EXPECT_EQ(image.blackLevelMinimum, image.blackOffsetMinimum);
    EXPECT_GT(image.blackLevelMaximum, image.blackLevelMinimum);
    EXPECT_GE(image.blackLevelAverage, image.blackLevelMinimum);
    EXPECT_LE(image.blackLevelAverage, image.blackLevelMaximum);
    // Noise averages measured: sigma 1 for columns, sqrt(3) for rows, rounded.
    EXPECT_EQ(image.columnNoiseAverage, 1);
    EXPECT_EQ(image.rowNoiseAverage, 2);
}

TEST(MaskedBlackLevel, AColumnWithoutABlackSampleTakesTheOverallMean) {
    ImageDescriptor image = maskedImage();
    image.maskedAreas[kTop] = {4, 0, 8, 2};
    for (std::uint32_t e = 0; e < 8; ++e) {
        set(image, 0, 4 + e, 100);
        set(image, 1, 4 + e, 110);
    }
    // Column 3's samples lie above the black range.
    set(image, 0, 7, 5000);
    set(image, 1, 7, 5000);
    RecordingReporter reporter;
    ASSERT_EQ(MeasureMaskedBlackLevel(image, reporter), kOk);
    EXPECT_EQ(image.columnWeighting[3], -1);
    EXPECT_EQ(image.blackDeltaH[3], 105);
    // The minimum is that of the values the columns end with, not the 0 of the empty column.
    EXPECT_EQ(image.blackLevelMinimum, 105);
    EXPECT_TRUE(image.blackDeltaV.empty());
}

TEST(MaskedBlackLevel, AreasWithoutAnyBlackSampleMeasureNothing) {
    ImageDescriptor image = maskedImage(5000);
    image.blackLevel = 64;
    image.maskedAreas[kTop] = {4, 0, 8, 2};
    RecordingReporter reporter;
    ASSERT_EQ(MeasureMaskedBlackLevel(image, reporter), kOk);
    EXPECT_TRUE(image.blackDeltaH.empty());
    EXPECT_EQ(image.blackLevel, 64);
    EXPECT_EQ(image.blackLevelMaximum, 64);
}

TEST(MaskedBlackLevel, CfaMeansFollowThePhaseOfTheActiveArea) {
    ImageDescriptor image = maskedImage();
    image.maskedAreas[kLeft] = {0, 2, 4, 8};
    // Left of the active area (column 4): column 3 has CFA column index 1, column 2 index 0.
    for (std::uint32_t y = 0; y < 8; ++y)
        for (std::uint32_t x = 0; x < 4; ++x)
            set(image, 2 + y, x, static_cast<std::uint16_t>(1000 + 10 * (y % 2) + (x % 2)));
    RecordingReporter reporter;
    ASSERT_EQ(MeasureMaskedBlackLevel(image, reporter), kOk);
    EXPECT_EQ(image.cfaBlackValues[0], 1000); // even row, even column
    EXPECT_EQ(image.cfaBlackValues[1], 1001);
    EXPECT_EQ(image.cfaBlackValues[2], 1010);
    EXPECT_EQ(image.cfaBlackValues[3], 1011);
}

TEST(MaskedBlackLevel, NegativeNoiseAveragesAskForOneCfaLevelThatCollapses) {
    ImageDescriptor image = maskedImage();
    image.blackLevel = 9;
    image.columnNoiseAverage = image.rowNoiseAverage = -1;
    image.maskedAreas[kTop] = {4, 0, 8, 2};
    for (std::uint32_t e = 0; e < 8; ++e) {
        set(image, 0, 4 + e, 300);
        set(image, 1, 4 + e, 310);
    }
    RecordingReporter reporter;
    ASSERT_EQ(MeasureMaskedBlackLevel(image, reporter), kOk);
    EXPECT_TRUE(image.blackDeltaH.empty());
    EXPECT_TRUE(image.columnWeighting.empty());
    // Every CFA position got the overall mean, so the array became the single level.
    EXPECT_TRUE(image.blackLevelArray.empty());
    EXPECT_EQ(image.blackLevel, 305);
    // Summarising again (the keyboard commands do) must not count the level twice.
    SummariseBlackLevel(image);
    EXPECT_EQ(image.blackLevelMinimum, 305);
    EXPECT_EQ(image.blackLevelMaximum, 305);
}

TEST(SummariseBlackLevel, EqualCfaMeansCollapseIntoTheSingleLevel) {
    ImageDescriptor image;
    image.blackLevelArray = {512, 512, 512, 512};
    SummariseBlackLevel(image);
    EXPECT_TRUE(image.blackLevelArray.empty());
    EXPECT_EQ(image.blackLevel, 512);
    EXPECT_EQ(image.blackLevelAverage, 512);
}

TEST(SummariseBlackLevel, DifferentCfaMeansStayWithTheirRange) {
    ImageDescriptor image;
    image.blackLevel = 77;
    // Their sum, 80000, does not fit 16 bits.
    image.blackLevelArray = {20000, 19000, 21000, 20000};
    SummariseBlackLevel(image);
    EXPECT_EQ(image.blackLevelArray.size(), 4u);
    EXPECT_EQ(image.blackLevel, 0);
    EXPECT_EQ(image.blackLevelMinimum, 19000);
    EXPECT_EQ(image.blackLevelMaximum, 21000);
    EXPECT_EQ(image.blackLevelAverage, 20000);
}

TEST(SummariseBlackLevel, WithoutCfaArrayTheOffsetsAddToTheSingleLevel) {
    ImageDescriptor image;
    image.blackLevel = 100;
    image.blackOffsetMinimum = 1;
    image.blackOffsetMaximum = 9;
    image.blackOffsetAverage = 4;
    SummariseBlackLevel(image);
    EXPECT_EQ(image.blackLevelMinimum, 101);
    EXPECT_EQ(image.blackLevelMaximum, 109);
    EXPECT_EQ(image.blackLevelAverage, 104);
}

} // namespace
} // namespace korvane::test
