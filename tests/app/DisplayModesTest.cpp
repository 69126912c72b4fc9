// The display of the main dialog: the five mode operations and the controls they arrange,
// the picture each control redraws, the exposure counts and the selection texts.
#include "tests/app/DialogFixture.hpp"

#include "analysis/MappingFunction.hpp"
#include "resources/Bitmaps.hpp"
#include "tests/support/TempFile.hpp"

#include <map>

namespace korvane::test {
namespace {

using platform::rgb;
using platform::Rgb;

// Row of "Linear": with the black point 0 and the white point 255 a value shows as itself.
constexpr int kLinear = 13;
static_assert(kMappingFunctions[kLinear].name == "Linear");

// An RGGB image of 64 x 48 samples: red 200, greens 100, blue 50, levels 0 to 255 (its
// white levels are 254, so no sample is saturated).
FakeImage flatImage() {
    FakeImage img;
    img.maximumValue = 255;
    img.whiteLevel = 255;
    img.width = 64;
    img.height = 48;
    img.sample = [](std::uint32_t r, std::uint32_t c) -> std::uint16_t {
        if (r % 2 == 0 && c % 2 == 0) return 200;
        if (r % 2 == 1 && c % 2 == 1) return 50;
        return 100;
    };
    return img;
}

class Display : public DialogFixture {
protected:
    // Opens the dialog, loads `img` and shows it through "Linear".
    void load(FakeImage img = flatImage()) {
        open("", fakeStages(std::move(img)));
        window->setText(ids::kPathEdit, folder.write("a.dng", std::vector<std::uint8_t>(100, 0)));
        driver->click(ids::kProcess);
        ASSERT_NE(dlg->image(), nullptr);
        ASSERT_TRUE(driver->pick(ids::kMappingCombo, kLinear));
    }
    const platform::Surface& picture() { return window->panelSurface(); }
    // The top-left pixel of the image, centred in the panel.
    Rgb imagePixel(int x = 0, int y = 0) {
        const auto& g = dlg->panel().geometry;
        return picture().pixel(g.originX + x, g.originY + y);
    }
    bool visibleAndEnabled(int id) const { return window->isVisible(id) && window->isEnabled(id); }
    bool hiddenAndDisabled(int id) const {
        return !window->isVisible(id) && !window->isEnabled(id);
    }

    TempFolder folder;
};

TEST_F(Display, WithoutAFileThePanelIsBlack) {
    open();
    window->panelSurface().fill(rgb(1, 2, 3));
    const int before = window->panelUpdates();
    dlg->onPanelPaint();
    EXPECT_EQ(window->panelUpdates(), before + 1);
    for (Rgb p : picture().pixels())
        ASSERT_EQ(p, 0u);
}

// Whatever way the next Process fails, nothing of the previous picture stays on screen: the
// panel, the pixel information, the counts and the scroll bars are as they are with no file.
TEST_F(Display, AFailedProcessLeavesNothingOfTheEarlierPicture) {
    enum class Failure { Open, TooShort, Parse, Load, InfoOnly };
    for (const Failure failure :
         {Failure::Open, Failure::TooShort, Failure::Parse, Failure::Load, Failure::InfoOnly}) {
        SCOPED_TRACE(static_cast<int>(failure));
        bool failParse = false, failLoad = false;
        LoadStages stages = fakeStages(flatImage());
        stages.parse = [&failParse, parse = stages.parse](RawFileContext& c, Reporter& r,
                                                          const KeyState& k,
                                                          const LoadStages::ShotInfo& i) -> Status {
            if (!failParse) return parse(c, r, k, i);
            r.ShowMessage(MessageId::InvalidIfd);
            return kFailed;
        };
        stages.load = [&failLoad, load = stages.load](RawFileContext& c, Reporter& r,
                                                      const KeyState& k) -> Status {
            if (!failLoad) return load(c, r, k);
            r.ShowMessage(MessageId::InconsistentSpecification, c.path, "strip count");
            return kFailed;
        };
        open("", std::move(stages));
        window->setPanelSize({200, 150});
        std::map<int, std::pair<std::string, bool>> start;
        const int texts[] = {ids::kStatisticsText, ids::kCoordinatesText, ids::kZoomText,
                             ids::kWhiteStatistics, ids::kBlackStatistics};
        for (const int id : texts)
            start[id] = {text(id), window->isVisible(id)};

        const std::string good = folder.write("good.dng", std::vector<std::uint8_t>(100, 0));
        window->setText(ids::kPathEdit, good);
        driver->click(ids::kProcess);
        ASSERT_TRUE(driver->pick(ids::kMappingCombo, kLinear));
        dlg->setZoom(10, 1);
        dlg->setPanelSelection(0, 0, 60, 60);
        ASSERT_NE(imagePixel(), 0u);
        ASSERT_TRUE(window->isEnabled(ids::kHScroll));

        std::string next = good;
        if (failure == Failure::Open) next = (folder.path() / "missing.dng").string();
        if (failure == Failure::TooShort)
            next = folder.write("short.dng", std::vector<std::uint8_t>(20, 0));
        failParse = failure == Failure::Parse;
        failLoad = failure == Failure::Load;
        window->setChecked(ids::kInfoOnly, failure == Failure::InfoOnly);
        window->setText(ids::kPathEdit, next);
        const int messagesBefore = messageCount();
        driver->click(ids::kProcess);
        EXPECT_EQ(messageCount(), messagesBefore + (failure == Failure::InfoOnly ? 0 : 1));
        for (Rgb p : picture().pixels())
            ASSERT_EQ(p, 0u);
        for (const int id : texts)
            EXPECT_EQ((std::pair{text(id), window->isVisible(id)}), start[id]) << id;
        EXPECT_FALSE(window->isEnabled(ids::kHScroll));
        EXPECT_FALSE(window->isEnabled(ids::kVScroll));
        dlg->onPanelPaint();
        for (Rgb p : picture().pixels())
            ASSERT_EQ(p, 0u);
        TearDown();
    }
}

TEST_F(Display, CompositeShowsEachCellInItsColoursCentredWithWhiteMargins) {
    load();
    EXPECT_EQ(dlg->displayMode(), DisplayMode::Image);
    const auto& g = dlg->panel().geometry;
    EXPECT_EQ(g.originX, (picture().width() - 64) / 2);
    EXPECT_EQ(g.originY, (picture().height() - 48) / 2);
    EXPECT_EQ(imagePixel(0, 0), rgb(200, 100, 50));
    EXPECT_EQ(imagePixel(63, 47), rgb(200, 100, 50));
    EXPECT_EQ(picture().pixel(g.originX - 1, g.originY), 0x00FFFFFFu);
    EXPECT_EQ(picture().pixel(g.originX + 64, g.originY + 47), 0x00FFFFFFu);
    EXPECT_EQ(text(ids::kZoomText), "Zoom\n  1:1");
    EXPECT_EQ(text(ids::kStatisticsText), "");
    EXPECT_EQ(text(ids::kCoordinatesText), " ");
}

TEST_F(Display, GreyscaleAndChannelRedrawEachSampleOnItsOwn) {
    load();
    driver->click(ids::kLabelGreyscale);
    EXPECT_EQ(dlg->imageSubMode(), ImageSubMode::Greyscale);
    EXPECT_TRUE(window->isChecked(ids::kRadioGreyscale));
    EXPECT_EQ(imagePixel(0, 0), rgb(200, 200, 200));
    EXPECT_EQ(imagePixel(1, 0), rgb(100, 100, 100));
    EXPECT_EQ(imagePixel(1, 1), rgb(50, 50, 50));
    driver->click(ids::kRadioChannel);
    EXPECT_EQ(imagePixel(0, 0), rgb(200, 0, 0));
    EXPECT_EQ(imagePixel(1, 0), rgb(0, 100, 0));
    EXPECT_EQ(imagePixel(1, 1), rgb(0, 0, 50));
}

TEST_F(Display, TheMappingFunctionListOffersTheFifteenCurvesAndItsChoiceRedraws) {
    load();
    const auto items = window->items(ids::kMappingCombo);
    ASSERT_EQ(items.size(), 15u);
    EXPECT_EQ(items.front(), "sRGB");
    EXPECT_EQ(items.back(), "Exponential pure");
    const Rgb linear = imagePixel();
    ASSERT_TRUE(driver->pick(ids::kMappingCombo, 0));
    EXPECT_EQ(dlg->image()->mappingFunction, 0);
    EXPECT_EQ(dlg->image()->mapping.builtFunction, 0);
    const Rgb srgb = imagePixel();
    // sRGB lifts the mid tones above the straight line.
    EXPECT_GT(srgb & 0xFF, linear & 0xFF);
    EXPECT_GT((srgb >> 8) & 0xFF, (linear >> 8) & 0xFF);
}

TEST_F(Display, CountsOfTheLoadedImageAreShown) {
    load();
    EXPECT_TRUE(window->isVisible(ids::kBlackStatistics));
    EXPECT_TRUE(window->isVisible(ids::kWhiteStatistics));
    // Every sample lies from the black point 0 to the white point 255, all on the low side.
    EXPECT_EQ(text(ids::kBlackStatistics), "R,G,B  #: 768, 1536, 768\nR,G,B %: 100%, 100%, 100%");
    EXPECT_EQ(text(ids::kWhiteStatistics), "R,G,B  #: 0, 0, 0\nR,G,B %: 0%, 0%, 0%");
}

TEST_F(Display, OutsideRangeCountsAgainAndRedraws) {
    load();
    driver->click(ids::kRadioExposure);
    // Up to 2047 is the low side: with the white point's R, G, B boxes checked the marks
    // use the black point's boxes, which start unchecked.
    EXPECT_EQ(imagePixel(0, 0), 0u);
    driver->click(ids::kBlackR);
    EXPECT_EQ(imagePixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(imagePixel(1, 0), 0u);
    window->setText(ids::kBlackEdit, "100");
    driver->click(ids::kOutsideRange);
    // At or below the black point: the greens (100) and blue (50), not red (200).
    EXPECT_EQ(text(ids::kBlackStatistics), "R,G,B  #: 0, 1536, 768\nR,G,B %: 0%, 100%, 100%");
    EXPECT_EQ(imagePixel(0, 0), 0u);
    driver->click(ids::kBlackG);
    EXPECT_EQ(imagePixel(1, 0), rgb(0, 255, 0));
}

TEST_F(Display, ModesArrangeTheirControls) {
    load();
    // Composite, after the load.
    EXPECT_TRUE(visibleAndEnabled(ids::kShowClipping));
    EXPECT_TRUE(visibleAndEnabled(ids::kRawClipping));
    EXPECT_TRUE(hiddenAndDisabled(ids::kOutsideRange));
    EXPECT_TRUE(hiddenAndDisabled(ids::kBlCorrected));
    EXPECT_TRUE(hiddenAndDisabled(ids::kMapped));
    EXPECT_TRUE(hiddenAndDisabled(ids::kHistogramText));
    EXPECT_FALSE(window->isEnabled(ids::kBlackR));
    EXPECT_TRUE(window->isEnabled(ids::kExposureSlider));
    EXPECT_TRUE(window->isEnabled(ids::kMappingCombo));

    driver->click(ids::kRadioChannel);
    EXPECT_TRUE(window->isEnabled(ids::kWhiteB));

    driver->click(ids::kRadioExposure);
    EXPECT_EQ(dlg->displayMode(), DisplayMode::Exposure);
    EXPECT_TRUE(hiddenAndDisabled(ids::kShowClipping));
    EXPECT_TRUE(visibleAndEnabled(ids::kOutsideRange));
    EXPECT_TRUE(visibleAndEnabled(ids::kBlCorrected));
    EXPECT_TRUE(window->isEnabled(ids::kBlackR));
    EXPECT_FALSE(window->isEnabled(ids::kExposureSlider));
    EXPECT_FALSE(window->isEnabled(ids::kExposureReset));
    EXPECT_FALSE(window->isEnabled(ids::kMappingCombo));
    EXPECT_TRUE(window->isEnabled(ids::kOrientRight));

    driver->click(ids::kLabelHistogram);
    EXPECT_EQ(dlg->displayMode(), DisplayMode::Histogram);
    EXPECT_TRUE(hiddenAndDisabled(ids::kOutsideRange));
    EXPECT_TRUE(visibleAndEnabled(ids::kMapped));
    EXPECT_TRUE(visibleAndEnabled(ids::kHistogramText));
    EXPECT_TRUE(hiddenAndDisabled(ids::kZoomText));
    EXPECT_TRUE(hiddenAndDisabled(ids::kCoordinatesText));
    EXPECT_TRUE(window->isVisible(ids::kStatisticsText));
    EXPECT_TRUE(hiddenAndDisabled(ids::kHScroll));
    EXPECT_TRUE(hiddenAndDisabled(ids::kVScroll));
    EXPECT_FALSE(window->isEnabled(ids::kOrientNormal));
    EXPECT_FALSE(window->isEnabled(ids::kBlackR));
    EXPECT_TRUE(window->isEnabled(ids::kExposureSlider));
    EXPECT_TRUE(window->isEnabled(ids::kMappingCombo));
    EXPECT_FALSE(window->isVisible(ids::kColorIntegrity));

    driver->click(ids::kRadioGreyscale);
    EXPECT_TRUE(visibleAndEnabled(ids::kZoomText));
    EXPECT_TRUE(hiddenAndDisabled(ids::kMapped));
    EXPECT_TRUE(window->isVisible(ids::kHScroll));
}

TEST_F(Display, HistogramOptionsFollowMappedAndFine) {
    FakeImage img = flatImage();
    img.maximumValue = 4096; // a value range above 511 offers "Fine"
    img.whiteLevel = 4095;
    load(img);
    driver->click(ids::kRadioHistogram);
    EXPECT_TRUE(visibleAndEnabled(ids::kFine));
    EXPECT_FALSE(window->isVisible(ids::kApplyWb));
    driver->click(ids::kMapped);
    EXPECT_FALSE(window->isVisible(ids::kFine));
    EXPECT_TRUE(window->isVisible(ids::kApplyWb));
    // Every white balance multiplier is 1: there is nothing to apply.
    EXPECT_FALSE(window->isEnabled(ids::kApplyWb));
    driver->click(ids::kMapped);
    driver->click(ids::kFine);
    EXPECT_FALSE(window->isVisible(ids::kMapped));
    EXPECT_TRUE(window->isVisible(ids::kSelectionBox));
    EXPECT_FALSE(window->isEnabled(ids::kSelectionBox)); // no selection
}

TEST_F(Display, HistogramModeDrawsTheHistogramsOverAWidenedPanel) {
    load();
    const platform::Rect before = window->controlRect(ids::kPanel);
    driver->click(ids::kRadioHistogram);
    const platform::Rect widened = window->controlRect(ids::kPanel);
    EXPECT_EQ(widened.right, window->controlRect(ids::kVScroll).right);
    EXPECT_EQ(widened.left, before.left);
    EXPECT_EQ(widened.top, before.top);
    EXPECT_EQ(widened.bottom, before.bottom);
    EXPECT_EQ(picture().width(), widened.width());
    EXPECT_EQ(picture().pixel(5, 5), 0x808080u);
    driver->click(ids::kRadioComposite);
    EXPECT_EQ(window->controlRect(ids::kPanel), before);
    EXPECT_EQ(imagePixel(), rgb(200, 100, 50));
}

TEST_F(Display, AShortPanelMakesTheDialogTallerForTheHistograms) {
    load();
    // Make the panel short by 30 pixels, as a smaller dialog would have it.
    const platform::Size start = window->clientSize();
    window->resizeClient(start); // arms the size handler
    platform::Rect panel = window->controlRect(ids::kPanel);
    platform::Rect bar = window->controlRect(ids::kHScroll);
    // The histograms' height runs from the panel's top to the scroll bar's.
    const int shortBy = bar.top - panel.top - 440;
    window->moveControl(ids::kPanel, {panel.left, panel.top, panel.right, panel.bottom - shortBy});
    window->moveControl(ids::kHScroll,
                        {bar.left, bar.top - shortBy, bar.right, bar.bottom - shortBy});
    const int shortHeight = window->controlRect(ids::kPanel).height();
    driver->click(ids::kRadioHistogram);
    EXPECT_EQ(window->clientSize().height, start.height + 30);
    EXPECT_EQ(window->controlRect(ids::kHScroll).top - window->controlRect(ids::kPanel).top, 470);
    EXPECT_EQ(window->controlRect(ids::kPanel).height(), shortHeight + 30);
    EXPECT_EQ(window->controlRect(ids::kPanel).right, window->controlRect(ids::kVScroll).right);
}

TEST_F(Display, ChoosingTheActiveModeAgainRedrawsWithoutRearranging) {
    load();
    window->setVisible(ids::kShowClipping, false);
    window->panelSurface().fill(0);
    driver->click(ids::kRadioComposite);
    EXPECT_FALSE(window->isVisible(ids::kShowClipping));
    EXPECT_EQ(imagePixel(), rgb(200, 100, 50));
    driver->click(ids::kRadioGreyscale);
    EXPECT_TRUE(window->isVisible(ids::kShowClipping));
}

TEST_F(Display, ShowClippingFillsAChannelBelowTheBlackPoint) {
    load();
    driver->click(ids::kRadioChannel);
    window->setText(ids::kBlackEdit, "150");
    driver->click(ids::kAdj);        // Adj redraws in Image mode: the new black point is read
    EXPECT_EQ(imagePixel(1, 0), 0u); // green 100 is below the black point
    EXPECT_FALSE(window->isVisible(ids::kBlackStatistics)); // the counts are stale
    driver->click(ids::kShowClipping);
    EXPECT_EQ(imagePixel(1, 0), rgb(0, 255, 0));
    // Red, above the black point, keeps a value of its own and no other colour.
    EXPECT_EQ(imagePixel(0, 0) & 0x0000FFFFu, 0u);
    EXPECT_NE(imagePixel(0, 0), 0u);
}

TEST_F(Display, TheExposureSliderAndItsResetRedraw) {
    load();
    const Rgb start = imagePixel(1, 1); // blue 50
    driver->slide(ids::kExposureSlider, 54);
    EXPECT_EQ(text(ids::kExposureLabel), "+1");
    EXPECT_EQ(imagePixel(1, 1), rgb(255, 200, 100));
    driver->click(ids::kExposureReset);
    EXPECT_EQ(text(ids::kExposureLabel), "0");
    EXPECT_EQ(window->position(ids::kExposureSlider), 48);
    EXPECT_EQ(imagePixel(1, 1), start);
}

TEST_F(Display, LevelSlidersRedrawAndHideTheCounts) {
    load();
    const Rgb start = imagePixel();
    driver->slide(ids::kWhiteSlider, 5); // 30 on the 12-bit scale
    EXPECT_EQ(text(ids::kWhiteEdit), "30");
    EXPECT_FALSE(window->isVisible(ids::kWhiteStatistics));
    EXPECT_NE(imagePixel(), start);
    driver->click(ids::kWhiteReset);
    EXPECT_EQ(text(ids::kWhiteEdit), "255");
    EXPECT_EQ(imagePixel(), start);
}

TEST_F(Display, OrientationButtonsTurnThePictureAndShowWhichIsCurrent) {
    load();
    EXPECT_EQ(window->control(ids::kOrientNormal).bitmap.pixels(),
              resources::loadBitmap(154).pixels());
    driver->click(ids::kOrientRight);
    EXPECT_EQ(dlg->image()->orientation, 6);
    const auto& g = dlg->panel().geometry;
    // Turned right, the 64 x 48 image is 48 wide and 64 high.
    EXPECT_EQ(g.originX, (picture().width() - 48) / 2);
    EXPECT_EQ(g.originY, (picture().height() - 64) / 2);
    EXPECT_EQ(window->control(ids::kOrientRight).bitmap.pixels(),
              resources::loadBitmap(157).pixels());
    EXPECT_EQ(window->control(ids::kOrientNormal).bitmap.pixels(),
              resources::loadBitmap(150).pixels());
}

TEST_F(Display, ASelectionIsFramedAndMeasured) {
    load();
    const auto& g = dlg->panel().geometry;
    dlg->setPanelSelection(g.originX, g.originY, g.originX + 15, g.originY + 15);
    ASSERT_TRUE(dlg->selectionValid());
    EXPECT_EQ(picture().pixel(g.originX - 1, g.originY - 1), 0x00FF6600u);
    EXPECT_EQ(picture().pixel(g.originX + 16, g.originY + 8), 0x00FF6600u);
    EXPECT_EQ(text(ids::kStatisticsText),
              " Raw (min,max,avrg,StDev,AI) = ((200, 200, 200, 0.00, -0.34), (100, 100, 100, 0.00, "
              "-1.34), "
              "(50, 50, 50, 0.00, -2.34))\n RGB (min,max,avrg,StDev) = ((200, 200, 200.0, 0.00), "
              "(100, 100, 100.0, 0.00), (50, 50, 50.0, 0.00))");
    EXPECT_EQ(text(ids::kCoordinatesText), "(   0,0   )\n   16x16  ");

    // Moved off the image, the selection is dropped.
    dlg->setPanelSelection(0, 0, 10, 10);
    EXPECT_FALSE(dlg->selectionValid());
    EXPECT_EQ(text(ids::kStatisticsText), "");
    EXPECT_EQ(text(ids::kCoordinatesText), " ");
}

TEST_F(Display, NoSelectionInHistogramMode) {
    load();
    driver->click(ids::kRadioHistogram);
    dlg->setPanelSelection(300, 200, 320, 220);
    EXPECT_FALSE(dlg->selectionValid());
}

// An image wider and taller than the panel: 2000 x 1200 samples, red rising to the right.
FakeImage wideImage() {
    FakeImage img = flatImage();
    img.width = 2000;
    img.height = 1200;
    img.sample = [](std::uint32_t r, std::uint32_t c) -> std::uint16_t {
        return static_cast<std::uint16_t>(r % 2 == 0 && c % 2 == 0 ? 1 + c / 10 : 0);
    };
    return img;
}

TEST_F(Display, ScrollBarsAreSetUpForALargeImageAndScrollIt) {
    load(wideImage());
    const auto h = window->rangeState(ids::kHScroll);
    EXPECT_TRUE(window->isEnabled(ids::kHScroll));
    EXPECT_TRUE(window->isEnabled(ids::kVScroll));
    EXPECT_EQ(h.minimum, 0);
    EXPECT_EQ(h.maximum, 999); // 1000 cells across
    const int page = dlg->image()->pageX;
    EXPECT_EQ(h.page, page);
    EXPECT_EQ(dlg->image()->scrollMaxX, 1000 - page);

    const Rgb left = imagePixel();
    driver->slide(ids::kHScroll, 100);
    EXPECT_EQ(dlg->image()->scrollX, 100);
    EXPECT_EQ(window->position(ids::kHScroll), 100);
    EXPECT_NE(imagePixel(), left);
    // The thumb stops a page short of the end: the last position is the last scroll.
    window->setPosition(ids::kHScroll, 5000);
    EXPECT_EQ(window->position(ids::kHScroll), 1000 - page);
    dlg->onHScroll(ids::kHScroll, platform::ScrollCode::Bottom, 0);
    EXPECT_EQ(dlg->image()->scrollX, 1000 - page);
    const int updates = window->panelUpdates();
    dlg->onHScroll(ids::kHScroll, platform::ScrollCode::LineDown, 0);
    EXPECT_EQ(window->panelUpdates(), updates); // at the end: nothing to redraw
    dlg->onHScroll(ids::kHScroll, platform::ScrollCode::PageUp, 0);
    EXPECT_EQ(dlg->image()->scrollX, 1000 - 2 * page);
}

TEST_F(Display, ZoomingOutInCompositeIsLaidOutAgainInChannel) {
    load(wideImage());
    dlg->setZoom(1, 2);
    EXPECT_EQ(text(ids::kZoomText), "Zoom\n  1:2");
    EXPECT_EQ(window->rangeState(ids::kHScroll).page, dlg->image()->pageX);
    const int reducedPage = dlg->image()->pageX;
    driver->click(ids::kRadioChannel);
    EXPECT_EQ(text(ids::kZoomText), "Zoom\n  1:1");
    // Channel ignores the reduction: its bar shows half as many cells per page.
    EXPECT_EQ(window->rangeState(ids::kHScroll).page, dlg->image()->pageX);
    EXPECT_LT(dlg->image()->pageX, reducedPage);
}

} // namespace
} // namespace korvane::test

namespace korvane::test {
namespace {

class LevelEdits : public Display {
protected:
    void press(int key) { driver->key({false, false, false, key}); }
};

// Enter takes the typed level, keeps the focus in the edit, and counts and draws anew.
TEST_F(LevelEdits, EnterConfirmsTheBlackPointAndRaisesTheWhitePoint) {
    load();
    const auto before = picture().pixels();
    const int processRuns = window->panelUpdates();
    ASSERT_TRUE(driver->type(ids::kBlackEdit, "150"));
    press(platform::vk::kReturn);
    EXPECT_EQ(dlg->blackPoint(), 150);
    EXPECT_GE(dlg->whitePoint(), 150);
    EXPECT_EQ(window->focus(), ids::kBlackEdit);
    EXPECT_TRUE(window->isVisible(ids::kBlackStatistics));
    EXPECT_GT(window->panelUpdates(), processRuns);
    EXPECT_NE(picture().pixels(), before);

    ASSERT_TRUE(driver->type(ids::kBlackEdit, "300"));
    press(platform::vk::kReturn);
    EXPECT_EQ(dlg->blackPoint(), 300);
    EXPECT_EQ(dlg->whitePoint(), 300);
    EXPECT_EQ(text(ids::kWhiteEdit), "300");
}

TEST_F(LevelEdits, ALevelAboveTheScaleBecomesItsTopAndTabMovesToTheOtherEdit) {
    load();
    const std::int32_t top = levelAt(dlg->levelScale(), kLevelPositions - 1);
    ASSERT_TRUE(driver->type(ids::kWhiteEdit, "999999"));
    press(platform::vk::kTab);
    EXPECT_EQ(dlg->whitePoint(), top);
    EXPECT_EQ(text(ids::kWhiteEdit), std::to_string(top));
    EXPECT_EQ(window->focus(), ids::kBlackEdit);
    // Lowering the white point below the black point lowers the black point with it.
    ASSERT_TRUE(driver->type(ids::kBlackEdit, "100"));
    press(platform::vk::kTab);
    EXPECT_EQ(window->focus(), ids::kWhiteEdit);
    ASSERT_TRUE(driver->type(ids::kWhiteEdit, "40"));
    press(platform::vk::kReturn);
    EXPECT_EQ(dlg->whitePoint(), 40);
    EXPECT_EQ(dlg->blackPoint(), 40);
    EXPECT_EQ(text(ids::kBlackEdit), "40");
}

} // namespace
} // namespace korvane::test
