// The clipping values of the Image modes: what a sample at the black level, below the black
// point, scaled above the range or raw saturated shows, per check box and channel factor.
#include <gtest/gtest.h>

#include "SyntheticImage.hpp"

namespace korvane {
namespace {

using platform::Rgb;

enum class Case { AtBlack, BelowPoint, AboveRange, Saturated, InRange };

// One cell: red at (0, 0), greens and blue at value 30 above the black point. A single
// black level of 100 (also the minimum), white levels of 1000, the display range 255 with
// the identity mapping, so that a value shows as itself and the range as 255.
struct Scene {
    ImageDescriptor image = test::makeImage(2, 2);
    RenderSettings settings = test::identitySettings(10, 10);
    Scene(Case c, bool showClipping, bool rawClipping, bool redFactorZero) {
        image.blackLevel = 100;
        image.blackLevelMinimum = 100;
        settings.blackPoint = c == Case::BelowPoint ? 150 : 100;
        settings.whitePoint = settings.blackPoint + 255;
        settings.checks.showClipping = showClipping;
        settings.checks.rawClipping = rawClipping;
        if (redFactorZero) image.wbMultipliers[0] = 0;
        const std::uint16_t others = static_cast<std::uint16_t>(settings.blackPoint + 30);
        test::fillSamples(image, [&](std::uint32_t, std::uint32_t) { return others; });
        test::sampleAt(image, 0, 0) = [&]() -> std::uint16_t {
            switch (c) {
            case Case::AtBlack:
                return 90;
            case Case::BelowPoint:
                return 120; // 20 above black, 30 below the point
            case Case::AboveRange:
                return 600; // 500 above the point, below white
            case Case::Saturated:
                return 1000; // the red white level
            default:
                return 150; // 50
            }
        }();
    }
};

struct ClipCase {
    const char* name;
    Case sample;
    bool showClipping, rawClipping, redFactorZero;
    int composite;        // the red byte in Composite and Channel
    int greyscaleReduced; // the grey of the cell at one pixel per cell
    Rgb greyscalePixel;   // the pixel of the red sample at one sample per pixel
};

// Greyscale at one pixel per cell: grey = mapping[(red + 30 + 30) / 3].
constexpr int greyOf(int red) {
    return (red + 60) / 3;
}
constexpr Rgb kWhite = 0xFFFFFF, kBlack = 0;
constexpr Rgb grey(int v) {
    return platform::rgb(v, v, v);
}

const ClipCase kCases[] = {
    {"AtBlackPlain", Case::AtBlack, false, false, false, 0, greyOf(0), kBlack},
    {"AtBlackRawClipping", Case::AtBlack, false, true, false, 255, greyOf(255), kWhite},
    {"AtBlackRawClippingNoLight", Case::AtBlack, false, true, true, 0, greyOf(255), kWhite},
    {"BelowPointPlain", Case::BelowPoint, false, false, false, 0, greyOf(0), kBlack},
    {"BelowPointShowClipping", Case::BelowPoint, true, false, false, 255, greyOf(255), kWhite},
    {"BelowPointShowClippingNoLight", Case::BelowPoint, true, false, true, 0, greyOf(255), kWhite},
    {"AboveRangePlain", Case::AboveRange, false, false, false, 255, greyOf(255), kWhite},
    {"AboveRangeShowClipping", Case::AboveRange, true, false, false, 0, greyOf(0), kBlack},
    // A channel without light scales to 0: it is never above the range.
    {"AboveRangeNoLight", Case::AboveRange, true, false, true, 0, greyOf(0), kBlack},
    {"SaturatedRawClipping", Case::Saturated, false, true, false, 0, greyOf(0), kBlack},
    {"SaturatedRawClippingNoLight", Case::Saturated, false, true, true, 255, greyOf(0), kBlack},
    // Without "Raw clipping" a saturated sample is clamped to the range.
    {"SaturatedClamped", Case::Saturated, false, false, false, 255, greyOf(255), grey(255)},
    {"InRange", Case::InRange, true, true, false, 50, greyOf(50), grey(50)},
};

class RenderClipping : public testing::TestWithParam<ClipCase> {};

TEST_P(RenderClipping, CompositeRedChannel) {
    const ClipCase& c = GetParam();
    Scene scene(c.sample, c.showClipping, c.rawClipping, c.redFactorZero);
    const test::Rendered r = test::render(scene.image, scene.settings);
    ASSERT_EQ(r.outcome.status, kOk);
    const Rgb cell = test::imagePixel(r, 0, 0);
    EXPECT_EQ(test::redOf(cell), c.composite);
    EXPECT_EQ(test::greenOf(cell), 30);
    EXPECT_EQ(test::imagePixel(r, 1, 1), cell) << "one colour for the whole cell";
}

TEST_P(RenderClipping, ChannelShowsOnlyTheSamplesOwnColour) {
    const ClipCase& c = GetParam();
    Scene scene(c.sample, c.showClipping, c.rawClipping, c.redFactorZero);
    scene.settings.subMode = ImageSubMode::Channel;
    scene.settings.checks.lowSide = {true, true, false}; // red and green shown, blue not
    const test::Rendered r = test::render(scene.image, scene.settings);
    EXPECT_EQ(test::imagePixel(r, 0, 0), platform::rgb(c.composite, 0, 0));
    EXPECT_EQ(test::imagePixel(r, 1, 0), platform::rgb(0, 30, 0));
    EXPECT_EQ(test::imagePixel(r, 1, 1), Rgb{0}); // blue switched off
}

TEST_P(RenderClipping, GreyscaleOnePixelPerCell) {
    const ClipCase& c = GetParam();
    Scene scene(c.sample, c.showClipping, c.rawClipping, c.redFactorZero);
    scene.settings.subMode = ImageSubMode::Greyscale;
    scene.settings.reduction = 2;
    const test::Rendered r = test::render(scene.image, scene.settings);
    EXPECT_EQ(test::imagePixel(r, 0, 0), grey(c.greyscaleReduced));
}

TEST_P(RenderClipping, GreyscaleOneSamplePerPixel) {
    const ClipCase& c = GetParam();
    Scene scene(c.sample, c.showClipping, c.rawClipping, c.redFactorZero);
    scene.settings.subMode = ImageSubMode::Greyscale;
    const test::Rendered r = test::render(scene.image, scene.settings);
    EXPECT_EQ(test::imagePixel(r, 0, 0), c.greyscalePixel);
    EXPECT_EQ(test::imagePixel(r, 1, 0), grey(30));
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderClipping, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ClipCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(RenderClipping, ABlackPointBelowTheBlackLevelMinimumRaisesEveryValue) {
    // The black point 50 below the minimum: a sample just above black shows 51.
    Scene scene(Case::InRange, true, false, false);
    scene.settings.blackPoint = 50;
    scene.settings.whitePoint = 305;
    test::sampleAt(scene.image, 0, 0) = 101; // 1 above black, 51 above the point
    const test::Rendered r = test::render(scene.image, scene.settings);
    EXPECT_EQ(test::redOf(test::imagePixel(r, 0, 0)), 51);
}

} // namespace
} // namespace korvane
