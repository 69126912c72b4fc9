// The main dialog as it stands after initialisation, and the commands that need no file.

#include "tests/app/DialogFixture.hpp"

#include <filesystem>
#include <fstream>
#include <map>

#include "analysis/MappingFunctionNames.hpp"
#include "app/ControlStyle.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

using platform::rgb;

class InitialDialog : public DialogFixture {
protected:
    void SetUp() override { open(); }
};

TEST_F(InitialDialog, LevelControlsStartAtZeroAnd4095) {
    EXPECT_EQ(text(ids::kBlackEdit), "0");
    EXPECT_EQ(text(ids::kWhiteEdit), "4095");
    for (int id : {ids::kBlackSlider, ids::kWhiteSlider}) {
        const auto r = window->rangeState(id);
        EXPECT_EQ(r.minimum, 0);
        EXPECT_EQ(r.maximum, 101);
        EXPECT_EQ(r.page, 10);
        EXPECT_EQ(r.line, 1);
        EXPECT_EQ(r.tickFrequency, 10);
    }
    EXPECT_EQ(window->position(ids::kBlackSlider), 0);
    EXPECT_EQ(window->position(ids::kWhiteSlider), 99);
    EXPECT_EQ(window->control(ids::kBlackEdit).textLimit, 6);
    EXPECT_EQ(window->control(ids::kWhiteEdit).textLimit, 6);
    for (int id = ids::kBlackR; id <= ids::kWhiteB; ++id) {
        EXPECT_EQ(window->isChecked(id), id >= ids::kWhiteR) << id;
        EXPECT_FALSE(window->isEnabled(id)) << id;
    }
}

TEST_F(InitialDialog, ExposureAndScrollingWaitForAnImage) {
    const auto r = window->rangeState(ids::kExposureSlider);
    EXPECT_EQ(r.maximum, 96);
    EXPECT_EQ(r.position, 48);
    EXPECT_EQ(r.page, 4);
    EXPECT_EQ(r.tickFrequency, 4);
    EXPECT_FALSE(window->isEnabled(ids::kExposureSlider));
    EXPECT_FALSE(window->isEnabled(ids::kExposureReset));
    EXPECT_EQ(text(ids::kExposureLabel), "0");
    EXPECT_FALSE(window->isEnabled(ids::kVScroll));
    EXPECT_FALSE(window->isEnabled(ids::kHScroll));
}

TEST_F(InitialDialog, CompositeIsTheStartingModeAndItsOptionsAreShown) {
    EXPECT_TRUE(window->isChecked(ids::kRadioComposite));
    EXPECT_EQ(dlg->displayMode(), DisplayMode::Image);
    EXPECT_EQ(dlg->imageSubMode(), ImageSubMode::Composite);
    for (int id : {ids::kShowClipping, ids::kRawClipping}) {
        EXPECT_TRUE(window->isVisible(id) && window->isEnabled(id)) << id;
        EXPECT_FALSE(window->isChecked(id)) << id;
    }
    for (int id : {ids::kBlCorrected, ids::kOutsideRange, ids::kMapped, ids::kFine,
                   ids::kSelectionBox, ids::kApplyWb}) {
        EXPECT_FALSE(window->isVisible(id)) << id;
        EXPECT_FALSE(window->isEnabled(id)) << id;
    }
    EXPECT_TRUE(window->isChecked(ids::kApplyWb));
    for (int id : {ids::kInfoOnly, ids::kOptionX, ids::kOptionY, ids::kCancel, ids::kFocusKeeper})
        EXPECT_FALSE(window->isVisible(id)) << id;
}

TEST_F(InitialDialog, TitleMenuListAndFocus) {
    EXPECT_EQ(window->title(), "Lumbrecht Raw Image Analysis Version 0.1.0.0");
    ASSERT_EQ(window->systemMenu().size(), 1u);
    EXPECT_EQ(window->systemMenu()[0], std::make_pair(16, std::string("&About Korvane")));
    const auto items = window->items(ids::kMappingCombo);
    ASSERT_EQ(items.size(), 15u);
    EXPECT_EQ(items.front(), "sRGB");
    EXPECT_EQ(items.back(), "Exponential pure");
    EXPECT_EQ(window->selection(ids::kMappingCombo), 0);
    EXPECT_EQ(window->focus(), ids::kBrowse);
    for (int id : {ids::kOrientNormal, ids::kOrient180, ids::kOrientLeft, ids::kOrientRight})
        EXPECT_GT(window->control(id).bitmap.width(), 0) << id;
    EXPECT_NE(window->control(ids::kOrientLeft).bitmap.pixels(),
              window->control(ids::kOrientRight).bitmap.pixels());
}

TEST(VersionText, UnknownWithoutAVersion) {
    platform::headless::HeadlessServices services;
    services.version.reset();
    CAnalyzerDlg dlg(services, "");
    platform::headless::HeadlessDialog window(resources::mainDialogTemplate(), dlg);
    window.open();
    EXPECT_EQ(window.title(), "Lumbrecht Raw Image Analysis Version unknown");
    dlg.onDestroy();
}

TEST_F(InitialDialog, StyledControlsTakeTheirFontsAndColours) {
    for (const auto& row : controlStyleTable())
        EXPECT_EQ(window->font(row.id).face, "Times New Roman") << row.id;
    // At 96 dpi the 11-pixel font is 8.25 points; +0.5 points makes it 12 pixels, -1 point 10.
    EXPECT_EQ(window->font(1072).heightPixels, -12);
    EXPECT_EQ(window->font(1072).weight, 700);
    EXPECT_EQ(window->font(1071).heightPixels, -10);
    EXPECT_EQ(window->font(1054).heightPixels, -11);
    EXPECT_EQ(window->font(1054).weight, 400);

    EXPECT_EQ(dlg->controlTextColour(ids::kPathEdit), rgb(192, 0, 0));
    EXPECT_EQ(dlg->controlTextColour(ids::kShowClipping), rgb(0, 96, 0));
    EXPECT_EQ(dlg->controlTextColour(ids::kBlackGroup), rgb(0, 96, 0));
    // Disabled controls write white; push buttons keep the system's colours.
    EXPECT_EQ(dlg->controlTextColour(ids::kBlackR), rgb(255, 255, 255));
    EXPECT_EQ(dlg->controlTextColour(ids::kBrowse), std::nullopt);
    EXPECT_EQ(dlg->controlTextColour(ids::kProcess), std::nullopt);
    EXPECT_EQ(dlg->controlTextColour(ids::kPanel), std::nullopt);
}

TEST_F(InitialDialog, ResetsWithoutAnImageUseTheScale) {
    // The edit's text is taken when it gains the focus.
    window->setText(ids::kBlackEdit, "300");
    window->setFocus(ids::kBlackEdit);
    driver->click(ids::kWhiteReset);
    EXPECT_EQ(text(ids::kWhiteEdit), "8191"); // position 100 of the 12-bit scale
    EXPECT_EQ(dlg->whitePoint(), 8191);
    EXPECT_EQ(dlg->blackPoint(), 300);
    driver->click(ids::kBlackReset);
    EXPECT_EQ(text(ids::kBlackEdit), "0");
    EXPECT_EQ(window->focus(), ids::kFocusKeeper);
    EXPECT_FALSE(window->isVisible(ids::kWhiteStatistics));
    EXPECT_FALSE(window->isVisible(ids::kBlackStatistics));
}

TEST_F(InitialDialog, LevelEditsAreReadOnFocusAndWrittenBackOnLeaving) {
    driver->type(ids::kWhiteEdit, "1234");
    // Typing alone is not taken; leaving the edit writes the value taken on entry back.
    driver->click(ids::kHelp);
    EXPECT_EQ(text(ids::kWhiteEdit), "4095");
    EXPECT_EQ(window->focus(), ids::kFocusKeeper);

    window->setText(ids::kWhiteEdit, "2222");
    window->setFocus(ids::kWhiteEdit);
    EXPECT_EQ(dlg->whitePoint(), 2222);
    window->setFocus(ids::kBrowse);
    EXPECT_EQ(text(ids::kWhiteEdit), "2222");
}

TEST_F(InitialDialog, LevelSlidersDragTheOtherLevelAlong) {
    driver->slide(ids::kWhiteSlider, 44);
    EXPECT_EQ(dlg->whitePoint(), 1800);
    EXPECT_EQ(text(ids::kWhiteEdit), "1800");
    driver->slide(ids::kBlackSlider, 50);
    EXPECT_EQ(dlg->blackPoint(), 2100);
    EXPECT_EQ(text(ids::kWhiteEdit), "2100");
    EXPECT_EQ(window->position(ids::kWhiteSlider), 50);
    driver->slide(ids::kWhiteSlider, 20);
    EXPECT_EQ(text(ids::kBlackEdit), "600");
    EXPECT_EQ(window->position(ids::kBlackSlider), 20);
}

TEST_F(InitialDialog, FinishAndCancelEndTheDialog) {
    driver->click(ids::kFinish);
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(window->result(), 1);
    EXPECT_EQ(dlg->displayMode(), DisplayMode::None);
}

TEST_F(InitialDialog, EscapeCancelsUnlessALevelEditIsActive) {
    driver->type(ids::kBlackEdit, "12");
    driver->key({false, false, false, platform::vk::kEscape});
    EXPECT_FALSE(window->ended());
    EXPECT_EQ(window->focus(), ids::kFocusKeeper);
    driver->key({false, false, false, platform::vk::kEscape});
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(window->result(), 2);
}

TEST_F(InitialDialog, HelpOpensTheLocalGuideOrTheOnlineOne) {
    driver->click(ids::kHelp);
    ASSERT_EQ(services.openedDocuments.size(), 1u);
    EXPECT_EQ(services.openedDocuments[0], kOnlineGuide);
    EXPECT_NE(services.openedDocuments[0].find("/Lumbrecht/KorvaneGuide.htm"), std::string::npos);
}

// The guide beside the program wins over an installed one, and either over the web.
TEST(HelpGuide, FoundBesideTheProgramThenWhereAnInstallPutsIt) {
    TempFolder prefix;
    const auto bin = prefix.path() / "bin", doc = prefix.path() / "share/doc/korvane";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(doc);
    const auto openedGuide = [&] {
        platform::headless::HeadlessServices services;
        services.folder = bin.string();
        CAnalyzerDlg dlg(services, "");
        platform::headless::HeadlessDialog window(resources::mainDialogTemplate(), dlg);
        platform::headless::HeadlessDriver driver(window, services);
        window.open();
        driver.click(ids::kHelp);
        driver.click(ids::kHelp); // the place found first is kept
        EXPECT_EQ(services.openedDocuments.size(), 2u);
        return services.openedDocuments.front();
    };
    const auto put = [](const std::filesystem::path& p) { std::ofstream(p) << "<html></html>"; };
    EXPECT_EQ(openedGuide(), kOnlineGuide);
    put(doc / "KorvaneGuideAll.mht");
    EXPECT_EQ(openedGuide(), (doc / "KorvaneGuideAll.mht").string());
    put(doc / "KorvaneGuideAll.htm");
    EXPECT_EQ(openedGuide(), (doc / "KorvaneGuideAll.htm").string());
    put(bin / "KorvaneGuideAll.mht");
    EXPECT_EQ(openedGuide(), (bin / "KorvaneGuideAll.mht").string());
    put(bin / "KorvaneGuideAll.htm");
    EXPECT_EQ(openedGuide(), (bin / "KorvaneGuideAll.htm").string());
    EXPECT_EQ(guideCandidates("").front(), "KorvaneGuideAll.htm");
}

TEST_F(InitialDialog, TheAboutBoxShowsTheVersion) {
    dlg->onSystemCommand(16);
    dlg->onSystemCommand(40);
    ASSERT_EQ(services.modalDialogs.size(), 1u);
    EXPECT_EQ(services.modalDialogs[0].templateId, ids::kAboutDialog);
    EXPECT_EQ(services.modalDialogs[0].title, "About Korvane");
    EXPECT_EQ(services.modalDialogs[0].texts.at(ids::kAboutVersion), "Version 0.1.0.0");
}

TEST_F(InitialDialog, BrowseAsksForAFileAndProcessesIt) {
    services.fileAnswers.push_back(std::nullopt);
    driver->click(ids::kBrowse);
    ASSERT_EQ(services.fileRequests.size(), 1u);
    EXPECT_EQ(services.fileRequests[0].title, "Select raw image file to process");
    EXPECT_EQ(services.fileRequests[0].filterName, "All files (*.*)");
    EXPECT_EQ(services.fileRequests[0].filterPattern, "*.*");
    EXPECT_TRUE(services.fileRequests[0].mustExist);
    EXPECT_EQ(text(ids::kPathEdit), "");
    EXPECT_EQ(messageCount(), 0);

    services.fileAnswers.push_back("/no/such/file.nef");
    driver->click(ids::kBrowse);
    EXPECT_EQ(text(ids::kPathEdit), "/no/such/file.nef");
    EXPECT_EQ(lastMessage(), 2);
}

TEST_F(InitialDialog, GrowingMovesTheScrollBarsAndGrowsThePanel) {
    const auto panel = window->controlRect(ids::kPanel);
    const auto hbar = window->controlRect(ids::kHScroll);
    const auto vbar = window->controlRect(ids::kVScroll);
    const auto start = window->clientSize();
    window->resizeClient(start); // the first size message only arms the handler
    window->resizeClient({start.width + 100, start.height + 40});
    EXPECT_EQ(window->controlRect(ids::kPanel),
              (platform::Rect{panel.left, panel.top, panel.right + 100, panel.bottom + 40}));
    EXPECT_EQ(window->controlRect(ids::kHScroll),
              (platform::Rect{hbar.left, hbar.top + 40, hbar.right + 100, hbar.bottom + 40}));
    EXPECT_EQ(window->controlRect(ids::kVScroll),
              (platform::Rect{vbar.left + 100, vbar.top, vbar.right + 100, vbar.bottom + 40}));
    EXPECT_EQ(window->panelSurface().width(), panel.width() + 100);

    // Smaller than at the start: the previous placement comes back, nothing moves.
    const auto before = window->placement();
    window->resizeClient({start.width - 10, start.height});
    EXPECT_EQ(window->placement(), before);
    EXPECT_EQ(window->controlRect(ids::kPanel).right, panel.right + 100);
}

// The panel only grows into free room: after any growth no other control overlaps the panel
// or its scroll bars, and the way back to the start size restores every control's place.
TEST_F(InitialDialog, ResizingKeepsEveryControlOffThePanelAndBackRestoresTheLayout) {
    const auto& controls = window->dialogTemplate().controls;
    const auto layout = [&] {
        std::map<int, platform::Rect> rects;
        for (const auto& t : controls)
            rects[t.id] = window->controlRect(t.id);
        return rects;
    };
    const auto overlaps = [](const platform::Rect& a, const platform::Rect& b) {
        return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
    };
    const auto start = window->clientSize();
    const auto startLayout = layout();
    window->resizeClient(start);
    for (const platform::Size grown : {platform::Size{start.width + 300, start.height},
                                       platform::Size{start.width, start.height + 200},
                                       platform::Size{start.width + 517, start.height + 91}}) {
        window->resizeClient(grown);
        const auto now = layout();
        for (const int area : {ids::kPanel, ids::kHScroll, ids::kVScroll})
            for (const auto& t : controls) {
                if (t.id == ids::kPanel || t.id == ids::kHScroll || t.id == ids::kVScroll) continue;
                EXPECT_FALSE(overlaps(now.at(t.id), now.at(area)))
                    << "control " << t.id << " overlaps " << area << " at " << grown.width << "x"
                    << grown.height;
            }
        EXPECT_EQ(now.at(ids::kFinish).right - startLayout.at(ids::kFinish).right,
                  grown.width - start.width);
        EXPECT_EQ(now.at(ids::kPathEdit).width() - startLayout.at(ids::kPathEdit).width(),
                  grown.width - start.width);
        window->resizeClient(start);
        EXPECT_EQ(layout(), startLayout) << "back from " << grown.width << "x" << grown.height;
    }
}

} // namespace
} // namespace korvane::test
