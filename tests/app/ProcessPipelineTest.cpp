// "Process": opening, refusing and releasing files, and what a described image sets up.

#include "tests/app/DialogFixture.hpp"

#include "tests/support/TempFile.hpp"

#include <filesystem>
#include <fstream>

namespace korvane::test {
namespace {

class Process : public DialogFixture {
protected:
    void process(const std::string& path) {
        window->setText(ids::kPathEdit, path);
        driver->click(ids::kProcess);
    }
    void expectButtonRestored() {
        EXPECT_EQ(text(ids::kProcess), "Process");
        EXPECT_TRUE(window->isEnabled(ids::kProcess));
        EXPECT_FALSE(window->isOwnerDrawn(ids::kProcess));
        EXPECT_EQ(window->defaultControl(), ids::kFocusKeeper);
        EXPECT_EQ(window->focus(), ids::kFocusKeeper);
    }
    TempFolder folder;
};

TEST_F(Process, AMissingFileCannotBeOpened) {
    open();
    process(" /no/such/dir/file.cr2 ");
    ASSERT_EQ(messageCount(), 1);
    EXPECT_EQ(services.messages[0].number, 2);
    EXPECT_EQ(services.messages[0].text,
              "Error opening file /no/such/dir/file.cr2 for input:\nFile not found");
    EXPECT_EQ(dlg->file(), nullptr);
    expectButtonRestored();
    // Only "Opening" was shown: the file never got to reading.
    EXPECT_EQ(window->ownerDrawnFaces(), std::vector<std::string>{"Opening"});
}

// A path of over 260 characters is refused as a whole, never cut to one that may name another
// file: typed, chosen with Browse, or named on the command line.
TEST_F(Process, PathsLongerThan260CharactersAreRefusedWhole) {
    // "<folder>/ddd.../f.dng" of exactly `length` characters.
    const auto pathOf = [this](std::size_t length) {
        const std::string base = folder.path().string() + "/";
        std::string dir = base + std::string(length - base.size() - 8, 'd');
        std::filesystem::create_directories(dir);
        return (std::filesystem::path(dir) / "cut.dng").string();
    };
    const std::string fits = pathOf(260), tooLong = pathOf(261);
    ASSERT_EQ(fits.size(), 260u);
    ASSERT_EQ(tooLong.size(), 261u);
    // The shortened path names a file too: opening it would show another file's picture.
    for (const std::string& p : {fits, tooLong, tooLong.substr(0, 260)})
        std::ofstream(p, std::ios::binary) << std::string(100, 'x');

    const auto expectRefused = [&](const char* how) {
        ASSERT_EQ(messageCount(), 1) << how;
        EXPECT_EQ(services.messages[0].number, 2) << how;
        EXPECT_EQ(services.messages[0].text,
                  "Error opening file " + tooLong + " for input:\nPath too long")
            << how;
        EXPECT_EQ(parses, 0) << how;
        EXPECT_EQ(dlg->file(), nullptr) << how;
        services.messages.clear();
    };
    open("", fakeStages({}));
    process(tooLong);
    expectRefused("typed");
    services.fileAnswers.push_back(tooLong);
    driver->click(ids::kBrowse);
    expectRefused("browsed");
    process(fits);
    EXPECT_EQ(parses, 1) << "260 characters are taken";
    TearDown();
    parses = 0;
    open("\"" + tooLong + "\"", fakeStages({}));
    expectRefused("command line");
}

TEST_F(Process, FilesOf25BytesOrLessAreTooShort) {
    open();
    process(folder.write("short.raw", std::vector<std::uint8_t>(25, 'I')));
    ASSERT_EQ(messageCount(), 1);
    EXPECT_EQ(services.messages[0].number, 3);
    EXPECT_EQ(services.messages[0].caption, "Image input file processing error");
    EXPECT_EQ(services.messages[0].text, "Input file too short for TIFF");
    expectButtonRestored();
}

TEST_F(Process, A26ByteFileGoesOnToParsing) {
    open();
    process(folder.write("26.raw", std::vector<std::uint8_t>(26, 0)));
    ASSERT_EQ(messageCount(), 1);
    EXPECT_EQ(services.messages[0].number, 4); // the header check's verdict
    EXPECT_EQ(window->ownerDrawnFaces(), (std::vector<std::string>{"Opening", "Reading"}));
    EXPECT_EQ(dlg->file(), nullptr);
    expectButtonRestored();
}

TEST_F(Process, BlanksAroundThePathAreIgnoredAndBlanksAloneDoNothing) {
    open("", fakeStages({}));
    const std::string path = folder.write("a.dng", std::vector<std::uint8_t>(100, 0));
    process("  \t" + path + "  ");
    EXPECT_EQ(parses, 1);
    ASSERT_NE(dlg->file(), nullptr);
    EXPECT_EQ(dlg->file()->path, path);
    process("   ");
    EXPECT_EQ(parses, 1);
    EXPECT_EQ(messageCount(), 0);
    // The previous file was released before the path was looked at.
    EXPECT_EQ(dlg->file(), nullptr);
}

TEST_F(Process, TheLoadedImageSetsLevelsScaleAndExposure) {
    FakeImage img;
    img.maximumValue = 16384;
    img.whiteLevel = 15000;
    img.blackLevelMinimum = 1800;
    open("", fakeStages(img));
    process(folder.write("a.nef", std::vector<std::uint8_t>(100, 0)));
    ASSERT_NE(dlg->image(), nullptr);
    EXPECT_EQ(&dlg->levelScale(), &kLevelScale14);
    // Not a DNG: the white point shows the maximum value.
    EXPECT_EQ(text(ids::kWhiteEdit), "16384");
    EXPECT_EQ(text(ids::kBlackEdit), "1800");
    EXPECT_EQ(window->position(ids::kBlackSlider), levelPosition(kLevelScale14, 1800));
    EXPECT_TRUE(window->isEnabled(ids::kExposureSlider));
    EXPECT_TRUE(window->isEnabled(ids::kExposureReset));
    EXPECT_EQ(dlg->image()->channelWhite[0], 16383);
    EXPECT_EQ(dlg->displayMode(), DisplayMode::Image);
    EXPECT_FALSE(dlg->file()->isOpen());
    EXPECT_TRUE(dlg->file()->buffer.empty());
    EXPECT_GT(window->panelUpdates(), 0);
}

TEST_F(Process, TheScaleFollowsTheImagesRange) {
    struct Case {
        std::int32_t maximum, white;
        const LevelScale* scale;
    };
    for (const Case c : {Case{4095, 4095, &kLevelScale12}, Case{4096, 15000, &kLevelScale14},
                         Case{16384, 0, &kLevelScale16}}) {
        FakeImage img;
        img.maximumValue = c.maximum;
        img.whiteLevel = c.white;
        open("", fakeStages(img));
        process(folder.write("a.raw", std::vector<std::uint8_t>(30, 0)));
        EXPECT_EQ(&dlg->levelScale(), c.scale) << c.maximum;
        dlg->onDestroy();
    }
}

TEST_F(Process, DngFilesShowTheirWhiteLevel) {
    FakeImage img;
    img.formatCode = 2;
    img.maximumValue = 65536;
    img.whiteLevel = 15000;
    open("", fakeStages(img));
    process(folder.write("a.dng", std::vector<std::uint8_t>(30, 0)));
    EXPECT_EQ(text(ids::kWhiteEdit), "15000");
}

TEST_F(Process, WhiteResetLowersABlackPointAboveIt) {
    FakeImage img;
    img.maximumValue = 4096;
    img.whiteLevel = 3000;
    open("", fakeStages(img));
    process(folder.write("a.raw", std::vector<std::uint8_t>(30, 0)));
    window->setText(ids::kBlackEdit, "3500");
    window->setFocus(ids::kBlackEdit);
    window->setFocus(ids::kBrowse);
    ASSERT_EQ(dlg->blackPoint(), 3500);
    driver->click(ids::kWhiteReset);
    EXPECT_EQ(dlg->whitePoint(), 3000);
    EXPECT_EQ(dlg->blackPoint(), 3000);
    EXPECT_EQ(text(ids::kBlackEdit), "3000");
}

TEST_F(Process, BlackResetRaisesAWhitePointBelowIt) {
    FakeImage img;
    img.blackLevelMinimum = 2048;
    open("", fakeStages(img));
    process(folder.write("a.raw", std::vector<std::uint8_t>(30, 0)));
    driver->slide(ids::kWhiteSlider, 20); // 600, which lowers the black point too
    ASSERT_EQ(dlg->blackPoint(), 600);
    driver->click(ids::kBlackReset);
    EXPECT_EQ(dlg->blackPoint(), 2048);
    EXPECT_EQ(dlg->whitePoint(), 2048);
    EXPECT_EQ(text(ids::kWhiteEdit), "2048");
}

TEST_F(Process, ExposureSliderAndReset) {
    FakeImage img;
    img.defaultExposureStep = 45;
    open("", fakeStages(img));
    process(folder.write("a.raw", std::vector<std::uint8_t>(30, 0)));
    driver->slide(ids::kExposureSlider, 96);
    EXPECT_EQ(text(ids::kExposureLabel), "+8");
    EXPECT_DOUBLE_EQ(dlg->image()->exposureFactor, 256.0);
    EXPECT_EQ(dlg->image()->exposureStep6, 576);
    driver->click(ids::kExposureReset);
    EXPECT_EQ(text(ids::kExposureLabel), "-1/2");
    EXPECT_EQ(window->position(ids::kExposureSlider), 45);
    EXPECT_DOUBLE_EQ(dlg->image()->exposureFactor, 0.707109);
}

TEST_F(Process, InfoOnlyParsesAndForgetsTheFile) {
    open("", fakeStages({}));
    window->setChecked(ids::kInfoOnly, true);
    process(folder.write("a.raw", std::vector<std::uint8_t>(30, 0)));
    EXPECT_EQ(parses, 1);
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(dlg->file(), nullptr);
    EXPECT_EQ(dlg->displayMode(), DisplayMode::None);
    EXPECT_EQ(messageCount(), 0);
}

TEST_F(Process, AFailedLoadKeepsTheFileWithoutAMode) {
    FakeImage img;
    img.loads = false;
    open("", fakeStages(img));
    process(folder.write("a.raw", std::vector<std::uint8_t>(30, 0)));
    EXPECT_EQ(lastMessage(), 24);
    ASSERT_NE(dlg->file(), nullptr);
    EXPECT_FALSE(dlg->file()->isOpen());
    EXPECT_FALSE(window->isEnabled(ids::kExposureSlider));
    expectButtonRestored();
}

TEST_F(Process, KeysHeldDuringProcessReachTheParser) {
    open("", fakeStages({}));
    services.press('W');
    process(folder.write("a.raw", std::vector<std::uint8_t>(30, 0)));
    EXPECT_TRUE(wHeldWhileParsing);
}

TEST_F(Process, EnterInThePathEditProcesses) {
    open("", fakeStages({}));
    driver->type(ids::kPathEdit, folder.write("a.raw", std::vector<std::uint8_t>(30, 0)));
    driver->key({false, false, false, platform::vk::kReturn});
    EXPECT_EQ(parses, 1);
    EXPECT_EQ(window->focus(), ids::kFocusKeeper);
}

TEST_F(Process, ModeButtonsChooseTheMode) {
    open("", fakeStages({}));
    process(folder.write("a.raw", std::vector<std::uint8_t>(30, 0)));
    driver->click(ids::kLabelGreyscale);
    EXPECT_EQ(dlg->imageSubMode(), ImageSubMode::Greyscale);
    EXPECT_TRUE(window->isChecked(ids::kRadioGreyscale));
    EXPECT_FALSE(window->isChecked(ids::kRadioComposite));
    driver->click(ids::kRadioHistogram);
    EXPECT_EQ(dlg->displayMode(), DisplayMode::Histogram);
    EXPECT_EQ(window->focus(), ids::kFocusKeeper);
    // A new file is shown in the mode the buttons ask for.
    process(folder.write("b.raw", std::vector<std::uint8_t>(30, 0)));
    EXPECT_EQ(dlg->displayMode(), DisplayMode::Histogram);
}

TEST_F(Process, OrientationButtonsTurnTheImageAndResetItsScroll) {
    open("", fakeStages({}));
    process(folder.write("a.raw", std::vector<std::uint8_t>(30, 0)));
    dlg->file();
    const_cast<ImageDescriptor*>(dlg->image())->scrollX = 40;
    driver->click(ids::kOrientRight);
    EXPECT_EQ(dlg->image()->orientation, 6);
    EXPECT_EQ(dlg->image()->scrollX, 0);
    driver->click(ids::kOrientLeft);
    EXPECT_EQ(dlg->image()->orientation, 8);
    driver->click(ids::kOrient180);
    EXPECT_EQ(dlg->image()->orientation, 3);
    driver->click(ids::kOrientNormal);
    EXPECT_EQ(dlg->image()->orientation, 1);
}

class CommandLineStart : public DialogFixture {
protected:
    TempFolder folder;
};

TEST_F(CommandLineStart, AQuotedPathWithSlashHShowsTheHistogram) {
    const std::string path = folder.write("with blank.raw", std::vector<std::uint8_t>(30, 0));
    open("\"" + path + "\" /h", fakeStages({}));
    EXPECT_EQ(parses, 1);
    EXPECT_EQ(text(ids::kPathEdit), path);
    EXPECT_TRUE(window->isChecked(ids::kRadioHistogram));
    EXPECT_FALSE(window->isChecked(ids::kRadioComposite));
    EXPECT_EQ(dlg->displayMode(), DisplayMode::Histogram);
}

TEST_F(CommandLineStart, AnUnknownOptionKeepsComposite) {
    const std::string path = folder.write("a.raw", std::vector<std::uint8_t>(30, 0));
    open(path + " /x", fakeStages({}));
    EXPECT_EQ(parses, 1);
    EXPECT_EQ(dlg->displayMode(), DisplayMode::Image);
    EXPECT_EQ(dlg->imageSubMode(), ImageSubMode::Composite);
}

TEST_F(CommandLineStart, EmptyQuotesEndTheProgram) {
    open("\"\"", fakeStages({}));
    ASSERT_EQ(messageCount(), 1);
    EXPECT_EQ(services.messages[0].number, 1);
    EXPECT_EQ(services.messages[0].text, "Input file specification  invalid");
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(window->result(), 2);
    EXPECT_EQ(parses, 0);
}

} // namespace
} // namespace korvane::test
