// The main dialog's keyboard: font steps, level nudging, fine exposure steps, zooming,
// rotation, white balance sets and channel isolation, the column black profile, and the
// keys that only show a message.
#include "tests/app/DialogFixture.hpp"

#include <cmath>
#include <cstdio>

#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

namespace vk = platform::vk;
using platform::headless::KeyChord;

FakeImage rampImage() {
    FakeImage img;
    img.maximumValue = 4096;
    img.whiteLevel = 4095;
    img.width = 300;
    img.height = 200;
    img.sample = [](std::uint32_t r, std::uint32_t c) {
        return static_cast<std::uint16_t>(100 + (r * 5 + c * 3) % 3000);
    };
    return img;
}

KeyChord chord(int key, bool ctrl = false, bool shift = false, bool alt = false) {
    return {ctrl, shift, alt, key};
}

class Keys : public DialogFixture {
protected:
    // `make` names the camera, for the column black profile.
    void load(const std::string& make = "Maker") {
        make_ = make;
        if (!window) {
            LoadStages stages = fakeStages(rampImage());
            stages.parse = [this, parse = stages.parse](RawFileContext& c, Reporter& r,
                                                        const KeyState& k,
                                                        const LoadStages::ShotInfo& i) {
                c.make = make_;
                c.model = "Model";
                return parse(c, r, k, i);
            };
            open("", stages);
        }
        window->setPanelSize({160, 120});
        window->setText(ids::kPathEdit,
                        folder.write(make + ".dng", std::vector<std::uint8_t>(100, 0)));
        driver->click(ids::kProcess);
        ASSERT_TRUE(dlg->imageDecoded());
    }
    void key(int k, bool ctrl = false, bool shift = false, bool alt = false) {
        driver->key(chord(k, ctrl, shift, alt));
    }
    ImageDescriptor& image() { return const_cast<ImageDescriptor&>(*dlg->image()); }
    std::string make_;
    TempFolder folder;
};

TEST_F(Keys, AltPlusAndMinusStepTheFontsWithinTwoSteps) {
    open();
    const int start = window->font(ids::kShotInfo).heightPixels;
    for (int i = 0; i < 3; ++i)
        key(vk::kOemPlus, false, true, true); // Alt+"+"
    EXPECT_EQ(dlg->fontStep(), 2);
    const int grown = window->font(ids::kShotInfo).heightPixels;
    for (int i = 0; i < 5; ++i)
        key(vk::kOemMinus, false, false, true);
    EXPECT_EQ(dlg->fontStep(), -2);
    EXPECT_NE(grown, start);
    EXPECT_NE(window->font(ids::kShotInfo).heightPixels, grown);
}

// The step sizes and directions of nudging, with both levels held in their ranges.
TEST_F(Keys, NudgingTheLevelsInTheirEdits) {
    load();
    const struct {
        int edit, black, white, key;
        bool ctrl, shift, alt;
        int blackAfter, whiteAfter;
    } cases[] = {
        {ids::kBlackEdit, 4080, 4095, vk::kRight, true, true, false, 4095, 4095},
        {ids::kBlackEdit, 100, 4000, vk::kUp, false, false, false, 101, 4000},
        {ids::kBlackEdit, 100, 4000, vk::kUp, false, true, false, 105, 4000},
        {ids::kBlackEdit, 100, 4000, vk::kUp, true, false, false, 110, 4000},
        {ids::kBlackEdit, 100, 4000, vk::kDown, true, false, true, 0, 4000},
        {ids::kBlackEdit, 100, 4000, vk::kPrior, false, false, false, 612, 4000},
        {ids::kBlackEdit, 100, 300, vk::kPrior, false, false, false, 300, 300},
        {ids::kWhiteEdit, 100, 4000, vk::kNext, false, false, false, 100, 3488},
        {ids::kWhiteEdit, 100, 4000, vk::kLeft, true, true, false, 50, 3950},
        {ids::kWhiteEdit, 100, 4000, vk::kDown, true, false, true, 100, 3500},
        {ids::kWhiteEdit, 100, 4000, vk::kUp, true, false, true, 100, 4095},
    };
    for (const auto& c : cases) {
        window->setFocus(ids::kBrowse);
        driver->type(ids::kBlackEdit, std::to_string(c.black));
        key(vk::kTab);
        driver->type(ids::kWhiteEdit, std::to_string(c.white));
        key(vk::kReturn);
        ASSERT_EQ(dlg->blackPoint(), c.black);
        ASSERT_EQ(dlg->whitePoint(), c.white);
        window->setFocus(ids::kBrowse);
        window->setFocus(c.edit);
        ASSERT_EQ(window->focus(), c.edit);
        key(c.key, c.ctrl, c.shift, c.alt);
        EXPECT_EQ(dlg->blackPoint(), c.blackAfter) << c.black << "/" << c.white << " key " << c.key;
        EXPECT_EQ(dlg->whitePoint(), c.whiteAfter) << c.black << "/" << c.white << " key " << c.key;
        EXPECT_EQ(text(ids::kBlackEdit), std::to_string(c.blackAfter));
        EXPECT_FALSE(window->isVisible(ids::kBlackStatistics));
    }
}

TEST_F(Keys, CtrlArrowsOnTheExposureSliderStepAThirtySixthOfAStop) {
    load();
    window->setFocus(ids::kExposureSlider);
    const std::pair<int, const char*> up[] = {
        {289, "+1/36"}, {323, "+35/36"}, {324, "+1"}, {325, "+1 1/36"}};
    for (int step6 = 289; step6 <= 325; ++step6) {
        key(vk::kRight, true);
        ASSERT_EQ(image().exposureStep6, step6);
        for (const auto& [at, label] : up) {
            if (at == step6) {
                EXPECT_EQ(text(ids::kExposureLabel), label) << step6;
            }
        }
    }
    EXPECT_NEAR(image().exposureFactor, std::pow(2.0, 37.0 / 36), 1e-6);
    EXPECT_EQ(window->position(ids::kExposureSlider), 48) << "the slider itself stays";
    for (int i = 0; i < 300; ++i)
        key(vk::kRight, true);
    EXPECT_EQ(image().exposureStep6, 576);
    EXPECT_EQ(text(ids::kExposureLabel), "+8");
    EXPECT_DOUBLE_EQ(image().exposureFactor, 256);
    for (int i = 0; i < 576 - 287; ++i)
        key(vk::kLeft, true);
    EXPECT_EQ(text(ids::kExposureLabel), "-1/36");
    for (int i = 0; i < 287 - 253; ++i)
        key(vk::kLeft, true);
    EXPECT_EQ(text(ids::kExposureLabel), "-35/36");
    key(vk::kLeft, true);
    EXPECT_EQ(text(ids::kExposureLabel), "-1");
}

TEST_F(Keys, ZoomingInStopsAtTenAndOutGoesToOneCellAPixel) {
    load();
    for (int i = 0; i < 12; ++i)
        key(vk::kAdd);
    EXPECT_EQ(dlg->magnification(), 10);
    EXPECT_EQ(text(ids::kZoomText), "Zoom\n  10:1");
    for (int i = 0; i < 9; ++i)
        key(vk::kSubtract);
    EXPECT_EQ(dlg->magnification(), 1);
    key(vk::kSubtract);
    EXPECT_EQ(dlg->reduction(), 2);
    EXPECT_EQ(text(ids::kZoomText), "Zoom\n  1:2");
    key(vk::kSubtract);
    EXPECT_EQ(dlg->reduction(), 2) << "no further out";
    driver->character('+');
    EXPECT_EQ(dlg->reduction(), 1);
    key(vk::kAdd);
    key(vk::kAdd);
    key(vk::digit(0), true, false, true); // Ctrl+Alt+0
    EXPECT_EQ(dlg->magnification(), 1);
    // Ctrl with the wheel zooms too.
    driver->wheel(120, {80, 60});
    EXPECT_EQ(dlg->magnification(), 1) << "the wheel without Ctrl scrolls";
    services.press(vk::kControl);
    driver->wheel(120, {80, 60});
    services.releaseAll();
    EXPECT_EQ(dlg->magnification(), 2);
    // In Channel the reduction is not offered.
    driver->click(ids::kRadioChannel);
    key(vk::kSubtract);
    key(vk::kSubtract);
    EXPECT_EQ(dlg->reduction(), 1);
}

// Zooming keeps the picture's centre where it was.
TEST_F(Keys, ZoomingKeepsThePicturesCentre) {
    load();
    dlg->setScroll(40, 30);
    const auto centre = [&] {
        const auto s = dlg->panelToolTip({80, 60});
        return s.substr(0, s.find("  "));
    };
    const std::string before = centre();
    key(vk::kAdd);
    ASSERT_EQ(dlg->magnification(), 2);
    const std::string after = centre();
    // "row R, col C": within one sample of where it was.
    int r0 = 0, c0 = 0, r1 = 0, c1 = 0;
    ASSERT_EQ(std::sscanf(before.c_str(), "row %d, col %d", &r0, &c0), 2) << before;
    ASSERT_EQ(std::sscanf(after.c_str(), "row %d, col %d", &r1, &c1), 2) << after;
    EXPECT_LE(std::abs(r1 - r0), 2);
    EXPECT_LE(std::abs(c1 - c0), 2);
}

TEST_F(Keys, CtrlLFourTimesTurnsThePictureRoundAndResetsTheScroll) {
    load();
    const std::uint16_t expected[] = {8, 3, 6, 1};
    for (const std::uint16_t o : expected) {
        dlg->setScroll(5, 5);
        key('L', true);
        EXPECT_EQ(image().orientation, o);
        EXPECT_EQ(image().scrollX, 0);
        EXPECT_EQ(image().scrollY, 0);
    }
    key('R', true);
    EXPECT_EQ(image().orientation, 6);
}

// Channel isolation and the sets, with the greens rule; in Histogram mode the flag stays,
// as no picture is drawn to take it.
TEST_F(Keys, WhiteBalanceSetsIsolationAndTheGreensRule) {
    load();
    driver->click(ids::kRadioHistogram);
    key(vk::digit(1), false, true);
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{1, 0, 0, 0}));
    image().greensChanged = false;
    key(vk::digit(2), false, true);
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{0, 1, 1, 0}));
    EXPECT_TRUE(image().greensChanged);
    image().greensChanged = false;
    key(vk::digit(4), false, true);
    EXPECT_TRUE(image().greensChanged) << "the second green was not 0";
    key(vk::digit(3), true, true); // Ctrl+Shift+3 saves
    EXPECT_EQ(dlg->whiteBalanceSet(3), (std::array<float, 4>{0, 1, 0, 0}));
    key(vk::digit(5), false, true);
    key(vk::digit(3), true); // Ctrl+3 recalls
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{0, 1, 0, 0}));
    // Ctrl+0 without the camera's coefficients changes nothing.
    key(vk::digit(0), true);
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{0, 1, 0, 0}));
    key('W', true);
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{1, 1, 1, 1})) << "no selection: neutral";
}

TEST_F(Keys, LevelKeysSetPositionBlackChannelWhiteAndClipLevels) {
    load();
    dlg->onCommand(ids::kBlackReset, platform::Notification::Clicked);
    driver->type(ids::kBlackEdit, "77");
    key(vk::kTab);
    driver->type(ids::kWhiteEdit, "3900");
    key(vk::kReturn);
    key(vk::digit(2), true, false, true); // Ctrl+Alt+2
    ASSERT_EQ(image().blackLevelArray.size(), 4u);
    EXPECT_EQ(image().blackLevelArray[1], 77);
    EXPECT_EQ(image().blackLevelArray[0], image().blackLevel);
    key(vk::digit(3), true, true, true); // Ctrl+Alt+Shift+3
    EXPECT_EQ(image().channelWhite[2], 3900);
    key(vk::digit(4), false, false, true); // Alt+4
    EXPECT_EQ(image().clipLevels[3], 3900);
    key(vk::digit(9), true, true, true);
    EXPECT_EQ(image().valueRange, 3900);
    EXPECT_EQ(dlg->histograms().channelTotals[1], 300u * 200 / 2) << "counted again";
}

TEST_F(Keys, TheColumnProfileAppliesToFilesOfTheSameCameraOnly) {
    load("Maker");
    key(vk::kF1 + 7, true); // Ctrl+F8 measures
    const std::uint16_t blackBefore = image().blackLevelMinimum;
    load("Other");
    key(vk::kF1 + 8, true); // Ctrl+F9
    EXPECT_TRUE(image().blackDeltaH.empty()) << "another camera";
    EXPECT_EQ(image().blackLevelMinimum, blackBefore);
    load("Maker");
    key(vk::kF1 + 8, true);
    ASSERT_EQ(image().blackDeltaH.size(), 300u);
    // Column c averages 100 + (5 r + 3 c) mod 3000 over the 200 rows.
    long sum = 0;
    for (int r = 0; r < 200; ++r)
        sum += 100 + (r * 5 + 7 * 3) % 3000;
    EXPECT_EQ(image().blackDeltaH[7], sum / 200);
    EXPECT_EQ(image().blackLevel, 0);
    EXPECT_EQ(dlg->blackPoint(), image().blackLevelMinimum) << "the black point Reset ran";
}

TEST_F(Keys, SerialAndUpdateKeysOnlyShowTheirMessages) {
    load();
    key('S', true);
    EXPECT_EQ(lastMessage(), 27);
    const int before = messageCount();
    key('I', true, false, true); // Ctrl+Alt+I: no serial in this file
    EXPECT_EQ(messageCount(), before);
    EXPECT_EQ(dlg->imageSubMode(), ImageSubMode::Composite);
    key('B', true);
    EXPECT_EQ(dlg->imageSubMode(), ImageSubMode::Greyscale);
    key('H', true);
    EXPECT_EQ(dlg->displayMode(), DisplayMode::Histogram);
    key('N', true);
    EXPECT_EQ(dlg->imageSubMode(), ImageSubMode::Channel);
}

} // namespace
} // namespace korvane::test
