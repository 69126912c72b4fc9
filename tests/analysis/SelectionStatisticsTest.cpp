#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "SyntheticImage.hpp"
#include "analysis/SelectionStatistics.hpp"

namespace korvane {
namespace {

TEST(FormatShortNumber, TruncatesToFewerDecimalsAsTheNumberGrows) {
    EXPECT_EQ(FormatShortNumber(1234.56), "1234");
    EXPECT_EQ(FormatShortNumber(56.789), "56.7");
    EXPECT_EQ(FormatShortNumber(3.14159), "3.14");
    EXPECT_EQ(FormatShortNumber(0.05), "0.05");
    EXPECT_EQ(FormatShortNumber(0.01), "0.01");
    EXPECT_EQ(FormatShortNumber(9.999), "9.99");
    EXPECT_EQ(FormatShortNumber(10), "10.0");
    EXPECT_EQ(FormatShortNumber(99.99), "99.9");
    EXPECT_EQ(FormatShortNumber(100), "100");
    EXPECT_EQ(FormatShortNumber(65535.9), "65535");
}

TEST(FormatShortNumber, SmallNegativeAndNoNumbersShowZero) {
    EXPECT_EQ(FormatShortNumber(0.009), "0.00");
    EXPECT_EQ(FormatShortNumber(0), "0.00");
    EXPECT_EQ(FormatShortNumber(-5), "0.00");
    EXPECT_EQ(FormatShortNumber(std::numeric_limits<double>::quiet_NaN()), "0.00");
}

TEST(FormatShortNumber, KeepsEveryIntegerDigitFromAHundredThousandOn) {
    // The five digit places would have put a digit above 9 into the text.
    EXPECT_EQ(FormatShortNumber(123456.7), "123456");
}

// An 8 x 8 image of 190 with black 100 and white levels 1000: the corrected mean is a tenth
// of the room below white. Black point 100, white point 355: each value shows as itself.
struct Scene {
    ImageDescriptor image = test::makeImage(8, 8, 190);
    RenderSettings settings = test::identitySettings(12, 12); // origin 2
    Scene() {
        image.blackLevel = 100;
        image.blackLevelMinimum = 100;
        settings.blackPoint = 100;
        settings.whitePoint = 355;
        settings.selection = {true, 2, 2, 5, 5}; // four cells
    }
    test::Rendered render() { return test::render(image, settings); }
};

TEST(SelectionStatistics, ATenthOfTheWhiteLevelIsAnExposureIndexOfMinus332) {
    Scene scene;
    const test::Rendered r = scene.render();
    EXPECT_EQ(r.outcome.statisticsText, " Raw (min,max,avrg,StDev,AI) = ((190, 190, 190, 0.00, "
                                        "-3.32), (190, 190, 190, 0.00, -3.32), "
                                        "(190, 190, 190, 0.00, -3.32))\n"
                                        " RGB (min,max,avrg,StDev) = ((90, 90, 90.0, 0.00), (90, "
                                        "90, 90.0, 0.00), (90, 90, 90.0, 0.00))");
    ASSERT_TRUE(r.outcome.selectionSummary.has_value());
    const SelectionSummary& s = *r.outcome.selectionSummary;
    EXPECT_EQ(s.ratioTexts[0], "0.1000");
    EXPECT_EQ(s.exposureIndexTexts[2], "3.32");
    EXPECT_EQ(s.samples, (std::array<std::uint32_t, 3>{4, 8, 4}));
    EXPECT_EQ(s.rawMinimum, 190);
    EXPECT_EQ(s.rawMaximum, 190);
}

TEST(SelectionStatistics, SpreadIsThePopulationDeviationOfTheCorrectedValues) {
    Scene scene;
    test::sampleAt(scene.image, 0, 0) = 140; // red: 140, 190, 190, 240 -> 40, 90, 90, 140
    test::sampleAt(scene.image, 2, 2) = 240;
    scene.settings.checks.adjusted = true; // "Adj": the raw figures are corrected ones
    const test::Rendered r = scene.render();
    const std::string& text = r.outcome.statisticsText;
    // sqrt(((50)^2 x 2) / 4) = 35.355
    EXPECT_EQ(text.substr(0, text.find("), (") + 1),
              " Raw (min,max,avrg,StDev,AI) = ((40, 140, 90, 35.3, -3.32)");
    EXPECT_NE(text.find("((40, 140, 90.0, 35.36)"), std::string::npos) << text;
}

TEST(SelectionStatistics, AColourWithoutSamplesShowsZeros) {
    Scene scene;
    scene.settings.subMode = ImageSubMode::Channel;
    scene.settings.selection = {true, 3, 2, 3, 2}; // the one green sample at (1, 0)
    const test::Rendered r = scene.render();
    EXPECT_EQ(
        r.outcome.statisticsText,
        " Raw (min,max,avrg,StDev,AI) = ((0, 0, 0, 0.00, 0), (190, 190, 190, 0.00, -3.32), (0, 0, "
        "0, 0.00, 0))\n"
        " RGB (min,max,avrg,StDev) = ((0, 0, 0.0, 0.00), (90, 90, 90.0, 0.00), (0, 0, 0.0, 0.00))");
    EXPECT_EQ(r.outcome.selectionSummary->ratioTexts[0], "0");
    EXPECT_EQ(r.outcome.coordinatesText, "(   1,0   )\n    1x1   ");
    // No red mean: the white balance of the selection stays neutral.
    EXPECT_EQ(scene.image.selectionWb, (std::array<float, 3>{1, 1, 1}));
}

TEST(SelectionStatistics, NoLightOrNoRoomBelowWhiteGivesNoExposureIndex) {
    Scene scene;
    test::fillSamples(scene.image, [](std::uint32_t, std::uint32_t) { return std::uint16_t{100}; });
    EXPECT_NE(scene.render().outcome.statisticsText.find("(100, 100, 100, 0.00, 0)"),
              std::string::npos);
    scene.image.channelWhite[0] = 50; // below the black level
    test::fillSamples(scene.image, [](std::uint32_t, std::uint32_t) { return std::uint16_t{190}; });
    const test::Rendered r = scene.render();
    EXPECT_EQ(r.outcome.selectionSummary->exposureIndexTexts[0], "0");
    EXPECT_EQ(r.outcome.selectionSummary->ratioTexts[0], "0");
}

TEST(SelectionStatistics, ExposureModeShowsRawFiguresAndTheCorrectedSpread) {
    Scene scene;
    scene.settings.mode = DisplayMode::Exposure;
    test::sampleAt(scene.image, 0, 0) = 90; // below black: corrected 0
    const test::Rendered r = scene.render();
    // Red: raw 90, 190, 190, 190; corrected 0, 90, 90, 90: deviation 38.97.
    EXPECT_EQ(r.outcome.statisticsText, " Raw (min,max,avrg,StDev) = ((90, 190, 165, 38.9), (190, "
                                        "190, 190, 0.00), (190, 190, 190, 0.00))");
}

TEST(SelectionStatistics, ExposureModeCorrectsFromABlackPointBelowTheMinimum) {
    Scene scene;
    scene.settings.mode = DisplayMode::Exposure;
    scene.settings.blackPoint = 40; // 190 - 40 = 150 for every sample
    test::sampleAt(scene.image, 0, 0) = 40;
    const test::Rendered r = scene.render();
    // Red corrected: 0, 150, 150, 150.
    EXPECT_NE(r.outcome.statisticsText.find("((40, 190, 152, 64.9)"), std::string::npos)
        << r.outcome.statisticsText;
}

TEST(SelectionWhiteBalance, TheReferenceColourGetsOneAndTheOthersItsRatios) {
    SelectionLevels levels;
    levels.white = {1000, 800, 1000, 600}; // green: the mean of its two levels, 700
    const std::array<double, 3> means{100, 200, 50};
    levels.references = {5, 9, 9}; // green and blue tie: green
    auto wb = SelectionWhiteBalance(means, levels);
    EXPECT_FLOAT_EQ(wb[0], 1000.0f / 700 * 2);
    EXPECT_FLOAT_EQ(wb[1], 1);
    EXPECT_FLOAT_EQ(wb[2], 1000.0f / 700 * 4);
    levels.references = {9, 5, 9}; // blue and red tie: blue
    wb = SelectionWhiteBalance(means, levels);
    EXPECT_FLOAT_EQ(wb[0], 0.5f);
    EXPECT_FLOAT_EQ(wb[1], 0.7f * 0.25f);
    EXPECT_FLOAT_EQ(wb[2], 1);
    levels.references = {9, 5, 5};
    levels.white[0] = 0; // stands for the white point
    levels.whitePoint = 2000;
    wb = SelectionWhiteBalance(means, levels);
    EXPECT_FLOAT_EQ(wb[1], 700.0f / 2000 * 0.5f);
    EXPECT_EQ(SelectionWhiteBalance({0, 1, 1}, levels), (std::array<float, 3>{1, 1, 1}));
}

TEST(SelectionWhiteBalance, TheRendererStoresItInTheImage) {
    Scene scene;
    test::fillSamples(scene.image, [](std::uint32_t r, std::uint32_t c) -> std::uint16_t {
        return (r % 2 == 0 && c % 2 == 0) ? 300 : 200; // red corrected 200, others 100
    });
    scene.image.channelMaximum = {900, 1000, 900}; // green is the reference
    (void)scene.render();
    EXPECT_FLOAT_EQ(scene.image.selectionWb[0], 0.5f);
    EXPECT_FLOAT_EQ(scene.image.selectionWb[1], 1);
    EXPECT_FLOAT_EQ(scene.image.selectionWb[2], 1);
}

} // namespace
} // namespace korvane
