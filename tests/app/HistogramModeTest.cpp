// The main dialog in Histogram mode: what the check boxes count, the texts, the window that
// is too small, the resets, the copy to the clipboard and the channel maxima the selection
// white balance refers to.
#include "tests/app/DialogFixture.hpp"

#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

// 64 x 48 RGGB samples of a 12-bit range: red 1000 + column, greens 2000, blue 3000 - row.
FakeImage twelveBitImage() {
    FakeImage img;
    img.maximumValue = 4096;
    img.whiteLevel = 4095;
    img.width = 64;
    img.height = 48;
    img.sample = [](std::uint32_t r, std::uint32_t c) -> std::uint16_t {
        if (r % 2 == 0 && c % 2 == 0) return static_cast<std::uint16_t>(1000 + c);
        if (r % 2 == 1 && c % 2 == 1) return static_cast<std::uint16_t>(3000 - r);
        return 2000;
    };
    return img;
}

class HistogramMode : public DialogFixture {
protected:
    void load(platform::Size panel = {720, 480}) {
        open("", fakeStages(twelveBitImage()));
        window->setPanelSize(panel);
        window->setText(ids::kPathEdit, folder.write("a.dng", std::vector<std::uint8_t>(100, 0)));
        driver->click(ids::kProcess);
        ASSERT_TRUE(dlg->imageDecoded());
    }
    TempFolder folder;
};

TEST_F(HistogramMode, CountsTheWholeRangeAfterALoadAndDrawsThreeHistograms) {
    load();
    EXPECT_TRUE(dlg->histograms().counted);
    EXPECT_EQ(dlg->image()->channelMaximum, (std::array<std::int32_t, 4>{1062, 2000, 2999, 2000}));
    driver->click(ids::kRadioHistogram);
    const platform::Surface& p = window->panelSurface();
    EXPECT_EQ(p.pixel(0, 0), 0u) << "the frame";
    EXPECT_EQ(p.pixel(5, 5), 0x808080u) << "the background";
    // The green channel's one bin (2000 / 8 = 250) is a full bar in the second panel.
    EXPECT_EQ(p.pixel(12 + 7 + 250, 15 + 155 + 129), 0x00A000u);
    EXPECT_EQ(text(ids::kHistogramText), "Range\n0:4095");
    EXPECT_TRUE(window->isVisible(ids::kHistogramText));
    EXPECT_EQ(text(ids::kStatisticsText)
                  .rfind("\nCurrent WB coeffs RGGB: (1.0000, 1.0000, 1.0000, 1.0000)", 0),
              0u)
        << text(ids::kStatisticsText);
    EXPECT_EQ(messageCount(), 0);
}

TEST_F(HistogramMode, FineShowsTheWindowAboveTheBlackPoint) {
    load();
    driver->click(ids::kRadioHistogram);
    driver->type(ids::kBlackEdit, "4000");
    driver->key({false, false, false, platform::vk::kReturn});
    ASSERT_TRUE(driver->click(ids::kFine));
    EXPECT_EQ(text(ids::kHistogramText), "Range\n3584:4095");
    EXPECT_TRUE(dlg->histograms().windowCounted);
    EXPECT_EQ(dlg->histograms().windowStart, 3584u);
    EXPECT_FALSE(window->isVisible(ids::kMapped)) << "Fine hides Mapped";
}

TEST_F(HistogramMode, MappedCountsDisplayValuesAndApplyWbFollowsTheWhiteBalance) {
    load();
    driver->click(ids::kRadioHistogram);
    ASSERT_TRUE(driver->click(ids::kMapped));
    EXPECT_TRUE(dlg->histograms().rgbCounted);
    EXPECT_EQ(text(ids::kHistogramText), "");
    EXPECT_FALSE(window->isEnabled(ids::kApplyWb)) << "neutral white balance";
    dlg->setWhiteBalance({2.0f, 1.0f, 1.0f, 1.5f});
    EXPECT_TRUE(window->isEnabled(ids::kApplyWb));
}

TEST_F(HistogramMode, ATooSmallPanelIsSaidOnceAndDrawnAllTheSame) {
    load();
    driver->click(ids::kRadioHistogram);
    ASSERT_EQ(messageCount(), 0);
    window->setPanelSize({554, 500});
    dlg->onPanelPaint();
    ASSERT_EQ(messageCount(), 1);
    EXPECT_EQ(services.messages[0].caption, "Histogram Function");
    EXPECT_EQ(services.messages[0].text, "The window is not large enough for the histograms");
    EXPECT_EQ(window->panelSurface().pixel(5, 5), 0x808080u);
    dlg->onPanelPaint();
    EXPECT_EQ(messageCount(), 1) << "not again for the same size";
}

TEST_F(HistogramMode, ResetsCountTheExposureClassesAgain) {
    load();
    driver->click(ids::kRadioHistogram);
    driver->slide(ids::kBlackSlider, 30);
    ASSERT_FALSE(window->isVisible(ids::kBlackStatistics));
    driver->click(ids::kBlackReset);
    EXPECT_TRUE(window->isVisible(ids::kBlackStatistics));
    driver->slide(ids::kWhiteSlider, 60);
    driver->click(ids::kWhiteReset);
    EXPECT_TRUE(window->isVisible(ids::kWhiteStatistics));
}

TEST_F(HistogramMode, CtrlCPutsTheHistogramsOnTheClipboardOrSaysItCannot) {
    load();
    driver->click(ids::kRadioHistogram);
    ASSERT_TRUE(driver->key({true, false, false, 'C'}));
    ASSERT_TRUE(services.clipboard.has_value());
    EXPECT_EQ(services.clipboard->pixels(), window->panelSurface().pixels());
    services.clipboard.reset();
    services.clipboardAvailable = false;
    driver->key({true, false, false, 'C'});
    EXPECT_EQ(lastMessage(), 17);
}

} // namespace
} // namespace korvane::test
