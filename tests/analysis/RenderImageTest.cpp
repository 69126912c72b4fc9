#include <gtest/gtest.h>

#include "SyntheticImage.hpp"
#include "analysis/NoiseStage.hpp"

namespace korvane {
namespace {

using platform::Rgb;
using test::imagePixel;

// A noise stage that leaves every value as it is and counts what it is asked; with
// `levels` it replaces the black level source.
class PassThroughNoise final : public NoiseStage {
public:
    std::optional<std::array<std::uint16_t, 4>> levels;
    bool columnsOn = true, rowsOn = true;
    int begun = 0;
    mutable long applied = 0;
    void begin(const ImageDescriptor&, DisplayMode, ImageSubMode) override { ++begun; }
    std::optional<std::array<std::uint16_t, 4>> blackLevels() const override { return levels; }
    bool columnBlackOn() const override { return columnsOn; }
    bool rowBlackOn() const override { return rowsOn; }
    std::int32_t apply(std::int32_t v, int, std::int32_t) override {
        ++applied;
        return v;
    }
    std::int32_t offset(int) const override { return 0; }
};

std::uint16_t pseudoRandom(std::uint32_t r, std::uint32_t c) {
    std::uint32_t x = r * 7919u + c * 104729u + 17u;
    x ^= x >> 7;
    x *= 2654435761u;
    return static_cast<std::uint16_t>((x >> 12) % 1200);
}

TEST(RenderImage, CentresTheImageInWhiteMarginsAndStartsItBlack) {
    ImageDescriptor image = test::makeImage(10, 6);
    const test::Rendered r = test::render(image, test::identitySettings(20, 16));
    ASSERT_EQ(r.outcome.status, kOk);
    EXPECT_EQ(r.picture.size(), (platform::Size{20, 16}));
    EXPECT_EQ(r.outcome.geometry, (PanelGeometry{5, 5, 5, 5, 2, 2}));
    EXPECT_EQ(r.picture.pixel(4, 8), 0xFFFFFFu);
    EXPECT_EQ(r.picture.pixel(15, 8), 0xFFFFFFu);
    EXPECT_EQ(r.picture.pixel(8, 4), 0xFFFFFFu);
    EXPECT_EQ(r.picture.pixel(8, 11), 0xFFFFFFu);
    EXPECT_EQ(r.picture.pixel(5, 5), 0u); // samples of 0 are at the black level
    EXPECT_EQ(r.picture.pixel(14, 10), 0u);
    EXPECT_EQ(r.outcome.statisticsText, "");
    EXPECT_EQ(r.outcome.coordinatesText, " ");
    EXPECT_EQ(r.outcome.zoomText, "Zoom\n  1:1");
    EXPECT_FALSE(r.outcome.selectionSummary.has_value());
}

TEST(RenderImage, TheDisplayRangeIsHeldBetweenThreeAndTheArrayLimit) {
    ImageDescriptor image = test::makeImage(4, 4);
    RenderSettings s = test::identitySettings(10, 10);
    s.blackPoint = s.whitePoint = 500;
    (void)test::render(image, s);
    EXPECT_EQ(image.mapping.positionCount, 4u);
    s.whitePoint = 499; // below the black point: the difference taken unsigned
    (void)test::render(image, s);
    EXPECT_EQ(image.mapping.positionCount, 131072u);
    EXPECT_EQ(image.mapping.outputRange, 256);
}

TEST(RenderImage, ExposureMarksSplitAt2048WithTheColoursOfTheCheckedBoxes) {
    ImageDescriptor image = test::makeImage(4, 2);
    // Row 0: red 1000, green 3000, red 3000, green 5000; row 1: green 1000, blue 3000, ...
    const std::uint16_t values[2][4] = {{1000, 3000, 3000, 5000}, {1000, 3000, 2047, 2048}};
    test::fillSamples(image, [&](std::uint32_t r, std::uint32_t c) { return values[r][c]; });
    RenderSettings s = test::identitySettings(10, 10);
    s.mode = DisplayMode::Exposure;
    s.whitePoint = 4095;
    s.checks.lowSide = {true, true, true};
    s.checks.highSide = {false, true, false};
    test::Rendered r = test::render(image, s);
    EXPECT_EQ(imagePixel(r, 0, 0), 0xFF0000u); // red 1000: low side
    EXPECT_EQ(imagePixel(r, 1, 0), 0x00FF00u); // green 3000: high side
    EXPECT_EQ(imagePixel(r, 2, 0), 0u);        // red 3000: high-side red unchecked
    EXPECT_EQ(imagePixel(r, 3, 0), 0u);        // above the white point: not marked
    EXPECT_EQ(imagePixel(r, 0, 1), 0x00FF00u); // green 1000
    EXPECT_EQ(imagePixel(r, 1, 1), 0u);        // blue 3000
    EXPECT_EQ(imagePixel(r, 2, 1), 0x00FF00u); // green 2047: still the low side
    EXPECT_EQ(imagePixel(r, 3, 1), 0u);        // blue 2048: high side, unchecked

    s.checks.outsideRange = true; // now the samples beyond the points are marked
    s.blackPoint = 1000;
    s.whitePoint = 3000;
    r = test::render(image, s);
    EXPECT_EQ(imagePixel(r, 0, 0), 0xFF0000u); // at the black point
    EXPECT_EQ(imagePixel(r, 1, 0), 0x00FF00u); // at the white point, high side
    EXPECT_EQ(imagePixel(r, 3, 0), 0x00FF00u);
    EXPECT_EQ(imagePixel(r, 2, 1), 0u); // inside: unmarked

    s.checks.outsideRange = false;
    s.checks.blackCorrected = true; // 3000 - 1000 = 2000 is on the low side
    s.blackPoint = 0;
    s.whitePoint = 4095;
    image.blackLevel = 1000;
    r = test::render(image, s);
    EXPECT_EQ(imagePixel(r, 1, 0), 0x00FF00u);
    EXPECT_EQ(imagePixel(r, 2, 0), 0xFF0000u); // red 2000 now low
    EXPECT_EQ(imagePixel(r, 0, 0), 0xFF0000u); // red 0 still marked (from 0)
}

TEST(RenderImage, EachBlackLevelSourceIsSubtractedWhereItApplies) {
    // Black point and minimum 0, the identity display: a sample shows s - black.
    ImageDescriptor image = test::makeImage(4, 2, 100);
    RenderSettings s = test::identitySettings(12, 10);
    s.subMode = ImageSubMode::Channel;
    s.checks.lowSide = {true, true, true};
    const auto own = [](Rgb p) {
        return std::max({test::redOf(p), test::greenOf(p), test::blueOf(p)});
    };

    image.blackLevel = 10;
    test::Rendered r = test::render(image, s);
    EXPECT_EQ(own(imagePixel(r, 0, 0)), 90);

    image.blackLevel = 0; // the CFA array, in the file's pattern order
    image.blackLevelArray = {5, 6, 7, 8};
    r = test::render(image, s);
    EXPECT_EQ(own(imagePixel(r, 0, 0)), 95);
    EXPECT_EQ(own(imagePixel(r, 1, 0)), 94);
    EXPECT_EQ(own(imagePixel(r, 0, 1)), 93);
    EXPECT_EQ(own(imagePixel(r, 1, 1)), 92);

    image.blackLevelArray.clear(); // columns and rows, combined by their weightings
    image.blackDeltaH = {10, 20, 30, 40};
    image.blackDeltaV = {4, 8};
    image.columnWeighting = {1, 1, 3, -1};
    image.rowWeighting = {2, 2};
    r = test::render(image, s);
    EXPECT_EQ(own(imagePixel(r, 0, 0)), 100 - (1 * 4 + 2 * 10) / 3);
    EXPECT_EQ(own(imagePixel(r, 2, 0)), 100 - (3 * 4 + 2 * 30) / 5);
    EXPECT_EQ(own(imagePixel(r, 3, 0)), 100 - (40 + 4) / 2); // a weighting below 1
    EXPECT_EQ(own(imagePixel(r, 0, 1)), 100 - (1 * 8 + 2 * 10) / 3);

    image.blackDeltaV.clear(); // the column array alone
    r = test::render(image, s);
    EXPECT_EQ(own(imagePixel(r, 3, 1)), 60);

    PassThroughNoise noise; // the noise stage's black levels replace them all
    noise.levels = std::array<std::uint16_t, 4>{1, 2, 3, 4};
    s.noise = &noise;
    s.blackPoint = 1; // the smallest of the four is the minimum
    r = test::render(image, s);
    EXPECT_EQ(own(imagePixel(r, 0, 0)), 99);
    EXPECT_EQ(own(imagePixel(r, 1, 0)), 98);
    EXPECT_EQ(own(imagePixel(r, 1, 1)), 97);
    EXPECT_EQ(own(imagePixel(r, 0, 1)), 96);
}

TEST(RenderImage, ChannelFactorsFollowWhiteBalanceExposureAndWhiteLevels) {
    ImageDescriptor image = test::makeImage(2, 2, 100);
    image.channelWhite = {1000, 500, 1000, 1000}; // the first green saturates at 500
    image.wbMultipliers = {1.5f, 1.0f, 1.0f, 1.0f};
    image.exposureFactor = 0.5;
    RenderSettings s = test::identitySettings(10, 10);
    s.subMode = ImageSubMode::Channel;
    s.checks.highSide = {true, true, true};
    test::Rendered r = test::render(image, s);
    EXPECT_EQ(test::redOf(imagePixel(r, 0, 0)), 75);    // 100 x 0.5 x 1.5
    EXPECT_EQ(test::greenOf(imagePixel(r, 1, 0)), 100); // 100 x 0.5 x 1000 / 500
    EXPECT_EQ(test::greenOf(imagePixel(r, 0, 1)), 50);  // the second green's factor
    EXPECT_EQ(test::blueOf(imagePixel(r, 1, 1)), 50);

    // A second-row green at the first green's white level is raw saturated.
    test::sampleAt(image, 1, 0) = 500;
    s.checks.rawClipping = true;
    r = test::render(image, s);
    EXPECT_EQ(test::greenOf(imagePixel(r, 0, 1)), 0);
    s.checks.rawClipping = false;
    r = test::render(image, s);
    EXPECT_EQ(test::greenOf(imagePixel(r, 0, 1)), 250); // 500 x 0.5, not clamped

    image.exposureFactor = 0; // taken as 1
    r = test::render(image, s);
    EXPECT_EQ(test::blueOf(imagePixel(r, 1, 1)), 100);
}

TEST(RenderImage, MagnificationRepeatsEverySampleAsABlock) {
    ImageDescriptor image = test::makeImage(2, 2);
    test::fillSamples(image, [](std::uint32_t r, std::uint32_t c) { return 10 + r * 2 + c; });
    RenderSettings s = test::identitySettings(50, 50);
    s.subMode = ImageSubMode::Greyscale;
    s.magnification = 10;
    const test::Rendered r = test::render(image, s);
    EXPECT_EQ(r.outcome.geometry.originX, 15);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(test::blueOf(imagePixel(r, x, y)), 10 + (y / 10) * 2 + x / 10)
                << x << "," << y;
    EXPECT_EQ(r.outcome.zoomText, "Zoom\n  10:1");
}

TEST(RenderImage, CompositeReducedAveragesEachCellIntoOnePixel) {
    ImageDescriptor image = test::makeImage(4, 2);
    // Cell 0: red 40, greens 20 and 31, blue 60; cell 1: everything 100.
    const std::uint16_t values[2][4] = {{40, 20, 100, 100}, {31, 60, 100, 100}};
    test::fillSamples(image, [&](std::uint32_t r, std::uint32_t c) { return values[r][c]; });
    RenderSettings s = test::identitySettings(10, 10);
    s.reduction = 2;
    const test::Rendered r = test::render(image, s);
    EXPECT_EQ(r.outcome.zoomText, "Zoom\n  1:2");
    EXPECT_EQ(r.outcome.geometry.cellCols, 1);
    EXPECT_EQ(imagePixel(r, 0, 0), platform::rgb(40, 25, 60)); // (20 + 31) / 2 truncated
    EXPECT_EQ(imagePixel(r, 1, 0), platform::rgb(100, 100, 100));
    EXPECT_EQ(imagePixel(r, 2, 0), 0xFFFFFFu); // margin after two pixels
}

TEST(RenderImage, ACutCellAtTheEdgeIsPaintedFromTheSamplesItHas) {
    // 4001 columns fit the panel: the last column is half a cell, red over green.
    ImageDescriptor image = test::makeImage(4001, 2, 50);
    test::sampleAt(image, 0, 4000) = 80;
    test::sampleAt(image, 1, 4000) = 90;
    const test::Rendered r = test::render(image, test::identitySettings(4010, 10));
    EXPECT_EQ(r.outcome.geometry.originX, 4);
    EXPECT_EQ(imagePixel(r, 4000, 0), platform::rgb(80, 90, 0)); // no blue sample: 0
    EXPECT_EQ(imagePixel(r, 4000, 1), platform::rgb(80, 90, 0));
    EXPECT_EQ(imagePixel(r, 3999, 0), platform::rgb(50, 50, 50));
    EXPECT_EQ(r.picture.pixel(4 + 4001, 5), 0xFFFFFFu);
}

// The tables the renderer looks samples up in must give what evaluating each sample gives.
TEST(RenderImage, LookUpTablesPaintWhatEvaluatingEverySampleWouldPaint) {
    struct Mode {
        DisplayMode mode;
        ImageSubMode subMode;
        std::uint8_t reduction, magnification;
    };
    const Mode modes[] = {{DisplayMode::Image, ImageSubMode::Composite, 1, 1},
                          {DisplayMode::Image, ImageSubMode::Composite, 2, 1},
                          {DisplayMode::Image, ImageSubMode::Greyscale, 1, 2},
                          {DisplayMode::Image, ImageSubMode::Greyscale, 2, 1},
                          {DisplayMode::Image, ImageSubMode::Channel, 1, 3},
                          {DisplayMode::Exposure, ImageSubMode::Composite, 1, 1}};
    for (const bool arrays : {false, true})
        for (const std::uint16_t orientation : {1, 6}) {
            ImageDescriptor image = test::makeImage(64, 40);
            test::fillSamples(image, pseudoRandom);
            image.blackLevel = arrays ? 0 : 37;
            image.blackLevelMinimum = 30;
            if (arrays) {
                for (int c = 0; c < 64; ++c)
                    image.blackDeltaH.push_back(static_cast<std::uint16_t>(20 + c % 9));
                for (int c = 0; c < 64; ++c)
                    image.columnWeighting.push_back(static_cast<std::int16_t>(c % 5 - 1));
                for (int r = 0; r < 40; ++r)
                    image.blackDeltaV.push_back(static_cast<std::uint16_t>(30 + r % 7));
                image.rowWeighting.assign(40, 3);
            }
            image.mappingFunction = 0;
            image.orientation = orientation;
            for (const Mode& m : modes) {
                RenderSettings s = test::identitySettings(90, 120);
                s.mode = m.mode;
                s.subMode = m.subMode;
                s.reduction = m.reduction;
                s.magnification = m.magnification;
                s.blackPoint = 60;
                s.whitePoint = 900;
                s.checks = {
                    true, true, false, true, false, {true, false, true}, {true, true, false}};
                const test::Rendered tables = test::render(image, s);
                PassThroughNoise noise;
                s.noise = &noise;
                const test::Rendered evaluated = test::render(image, s);
                EXPECT_EQ(tables.picture.pixels(), evaluated.picture.pixels())
                    << "arrays " << arrays << " orientation " << orientation << " mode "
                    << int(m.mode) << "/" << int(m.subMode) << " 1:" << int(m.reduction);
            }
        }
}

TEST(RenderImage, TheNoiseStageSeesEveryPaintedSampleOnce) {
    ImageDescriptor image = test::makeImage(40, 30, 300);
    RenderSettings s = test::identitySettings(24, 20); // 20 x 16 samples visible
    PassThroughNoise noise;
    s.noise = &noise;
    s.selection = {true, 4, 4, 9, 9};
    (void)test::render(image, s);
    EXPECT_EQ(noise.begun, 1);
    EXPECT_EQ(noise.applied, 20 * 16);

    s.mode = DisplayMode::Exposure; // the stage acts in the Image modes only
    noise.applied = 0;
    (void)test::render(image, s);
    EXPECT_EQ(noise.applied, 0);
}

TEST(RenderImage, ReportsWhatTheDialogMustUpdate) {
    ImageDescriptor image = test::makeImage(400, 300, 300);
    RenderSettings s = test::identitySettings(104, 104);
    s.relayout = false;
    test::Rendered r = test::render(image, s);
    EXPECT_TRUE(r.outcome.levelTextsStale); // the image had other points
    EXPECT_EQ(image.blackPoint, 0u);
    EXPECT_EQ(image.whitePoint, 255u);
    EXPECT_FALSE(r.outcome.scrollBarsSetUp);
    EXPECT_TRUE(r.outcome.horizontalScrollable);
    EXPECT_FALSE(r.outcome.counts.has_value());

    s.layoutPending = true;
    s.countsPending = true;
    r = test::render(image, s);
    EXPECT_FALSE(r.outcome.levelTextsStale);
    ASSERT_TRUE(r.outcome.scrollBarsSetUp);
    EXPECT_EQ(r.outcome.horizontalBar, (ScrollBarSetup{true, 0, 199, 50, 0}));
    EXPECT_EQ(r.outcome.verticalBar, (ScrollBarSetup{true, 0, 149, 50, 0}));
    ASSERT_TRUE(r.outcome.counts.has_value());
    EXPECT_EQ(image.exposureCounts[exposure_count::kLowRed], 0u); // 300 is past the white point

    image.orientation = 4;
    r = test::render(image, s);
    EXPECT_EQ(r.outcome.orientationGroup, OrientationGroup::Turned180);
}

TEST(RenderImage, FramesASelectionInsideTheImageAndDropsOneOutside) {
    ImageDescriptor image = test::makeImage(20, 20, 300);
    RenderSettings s = test::identitySettings(24, 24); // origin 2
    s.selection = {true, 6, 4, 9, 7};
    test::Rendered r = test::render(image, s);
    EXPECT_FALSE(r.outcome.selectionDropped);
    for (int x = 5; x <= 10; ++x) {
        EXPECT_EQ(r.picture.pixel(x, 3), 0xFF6600u) << x;
        EXPECT_EQ(r.picture.pixel(x, 8), 0xFF6600u) << x;
    }
    for (int y = 4; y <= 7; ++y) {
        EXPECT_EQ(r.picture.pixel(5, y), 0xFF6600u) << y;
        EXPECT_EQ(r.picture.pixel(10, y), 0xFF6600u) << y;
    }
    EXPECT_NE(r.picture.pixel(6, 4), 0xFF6600u);
    EXPECT_EQ(r.outcome.coordinatesText, "(   4,2   )\n    4x4   ");
    EXPECT_EQ(image.selectionArea.right, 7);

    s.selection = {true, 1, 4, 9, 7}; // into the left margin
    r = test::render(image, s);
    EXPECT_TRUE(r.outcome.selectionDropped);
    EXPECT_EQ(r.outcome.statisticsText, "");
    EXPECT_EQ(r.outcome.coordinatesText, " ");
}

} // namespace
} // namespace korvane
