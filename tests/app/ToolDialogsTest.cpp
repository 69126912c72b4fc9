// The white balance and noise processing dialogs, opened from the main dialog with their keys
// and driven as a user drives them: sliders, edits, key steps, the saved sets shared with the
// main dialog, Accept and Cancel.
#include "tests/app/DialogFixture.hpp"

#include <cmath>

#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

namespace vk = platform::vk;
namespace wb = ids::wb;
namespace nd = ids::noise;
using platform::headless::HeadlessDialog;
using platform::headless::HeadlessDriver;
using platform::headless::KeyChord;

KeyChord chord(int key, bool ctrl = false, bool shift = false, bool alt = false) {
    return {ctrl, shift, alt, key};
}

class Tools : public DialogFixture {
protected:
    void SetUp() override {
        FakeImage img;
        img.width = 32;
        img.height = 24;
        img.sample = [](std::uint32_t r, std::uint32_t c) {
            return static_cast<std::uint16_t>(200 + (r * 7 + c * 5) % 1500);
        };
        open("", fakeStages(img));
        window->setPanelSize({120, 90});
        window->setText(ids::kPathEdit,
                        folder.write("shot.dng", std::vector<std::uint8_t>(100, 0)));
        driver->click(ids::kProcess);
        ASSERT_TRUE(dlg->imageDecoded());
    }
    ImageDescriptor& image() { return const_cast<ImageDescriptor&>(*dlg->image()); }
    RawFileContext& file() { return const_cast<RawFileContext&>(*dlg->file()); }
    void mainKey(int k, bool ctrl = false, bool shift = false, bool alt = false) {
        driver->key(chord(k, ctrl, shift, alt));
    }
    // Opens a tool window with its key and drives it.
    HeadlessDriver& openTool(int templateId) {
        mainKey(templateId == ids::kWhiteBalanceDialog ? 'W' : 'N', true, false, true);
        tool = services.openModelessDialog(templateId);
        EXPECT_NE(tool, nullptr);
        toolDriver = std::make_unique<HeadlessDriver>(*tool, services);
        return *toolDriver;
    }
    void enter(int edit, const std::string& text) {
        toolDriver->type(edit, text);
        toolDriver->key(chord(vk::kReturn));
    }
    std::string toolText(int id) const { return tool->text(id); }

    TempFolder folder;
    HeadlessDialog* tool = nullptr;
    std::unique_ptr<HeadlessDriver> toolDriver;
};

// ---------------------------------------------------------------------------------------------
// White balance

TEST_F(Tools, WhiteBalanceSlidersEditsAndKeySteps) {
    enum class Act { Slide, Type, Key };
    const struct {
        float start; // every coefficient at opening
        Act act;
        int slider;
        std::string typed;
        KeyChord key;
        std::string shown; // the red edit afterwards
        int position;      // the red slider afterwards
    } cases[] = {
        {1.0f, Act::Slide, 21, "", {}, "1.0500", 21},
        {2.0f, Act::Type, 0, "1.0", {}, "1.0000", 20},
        {2.0f, Act::Type, 0, "12", {}, "2.0000", 40},
        {2.0f, Act::Type, 0, "0", {}, "2.0000", 40},
        {2.0f, Act::Type, 0, "abc", {}, "2.0000", 40},
        {9.5f, Act::Key, 0, "", chord(vk::kUp, true, false, true), "10.0000", 80},
        {0.0f, Act::Key, 0, "", chord(vk::kDown), "0.0000", 0},
        {1.0f, Act::Key, 0, "", chord(vk::kUp, true, true), "1.1000", 22},
        {1.0f, Act::Key, 0, "", chord(vk::kUp, true), "1.0100", 20},
        {1.0f, Act::Key, 0, "", chord(vk::kDown, false, true), "0.9990", 20},
        {1.0f, Act::Key, 0, "", chord(vk::kUp), "1.0001", 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        image().wbMultipliers = {c.start, c.start, c.start, c.start};
        auto& d = openTool(ids::kWhiteBalanceDialog);
        EXPECT_EQ(tool->focus(), wb::kRedEdit);
        if (c.act == Act::Slide) d.slide(wb::kRedSlider, c.slider);
        if (c.act == Act::Type) enter(wb::kRedEdit, c.typed);
        if (c.act == Act::Key) d.key(c.key);
        EXPECT_EQ(toolText(wb::kRedEdit), c.shown);
        EXPECT_EQ(tool->position(wb::kRedSlider), c.position);
        EXPECT_FLOAT_EQ(image().wbMultipliers[0], std::stof(c.shown));
        d.click(ids::kCancel);
        EXPECT_EQ(dlg->whiteBalanceDialog(), nullptr);
        EXPECT_EQ(image().wbMultipliers,
                  (std::array<float, 4>{c.start, c.start, c.start, c.start}));
    }
}

TEST_F(Tools, TheSecondGreenFollowsTheFirstOnlyWhileTheyAreTied) {
    image().wbMultipliers = {1, 1, 1, 1};
    auto& d = openTool(ids::kWhiteBalanceDialog);
    EXPECT_FALSE(dlg->whiteBalanceDialog()->separateGreens());
    EXPECT_FALSE(tool->isVisible(wb::kGreen2Slider));
    d.slide(wb::kGreenSlider, 30);
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{1, 1.5f, 1.5f, 1}));
    // A set with unequal greens unties them.
    image().wbMultipliers = {1, 2, 3, 1};
    mainKey('4', true, true); // Ctrl+Shift+4 saves set 4
    d.click(wb::kRecall1 + 3);
    EXPECT_TRUE(dlg->whiteBalanceDialog()->separateGreens());
    d.slide(wb::kGreenSlider, 10);
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{1, 0.5f, 3, 1}));
    d.click(wb::kAccept);
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{1, 0.5f, 3, 1}));
    EXPECT_EQ(dlg->whiteBalanceDialog(), nullptr);
}

TEST_F(Tools, GreensChangedWhenAGreenGoesToOrFromZero) {
    const struct {
        float green;
        int slider;
        bool changed;
    } cases[] = {{1.0f, 0, true}, {0.5f, 14, false}, {0.0f, 10, true}, {2.0f, 4, false}};
    // The picture's drawing takes the flag in; the histograms leave it for this test to see.
    dlg->ShowHistogramView();
    for (const auto& c : cases) {
        image().wbMultipliers = {1, c.green, c.green, 1};
        auto& d = openTool(ids::kWhiteBalanceDialog);
        image().greensChanged = false;
        d.slide(wb::kGreenSlider, c.slider);
        EXPECT_EQ(image().greensChanged, c.changed) << c.green << " to position " << c.slider;
        image().greensChanged = false;
        d.slide(wb::kRedSlider, 0); // red never counts
        EXPECT_FALSE(image().greensChanged);
        d.click(ids::kCancel);
    }
}

TEST_F(Tools, SavedSetsAreSharedWithTheCtrlDigitKeys) {
    image().wbMultipliers = {1.25f, 0.75f, 0.8f, 2.5f};
    auto& d = openTool(ids::kWhiteBalanceDialog);
    d.click(wb::kSave1 + 2);
    EXPECT_EQ(dlg->whiteBalanceSet(3), (std::array<float, 4>{1.25f, 0.75f, 0.8f, 2.5f}));
    d.slide(wb::kRedSlider, 70);
    d.key(chord(vk::kUp, true, false, true));
    d.click(wb::kRecall1 + 2);
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{1.25f, 0.75f, 0.8f, 2.5f}));
    EXPECT_EQ(toolText(wb::kBlueEdit), "2.5000");
    // The main dialog's keys reach the same sets, the dialog being open or not.
    image().wbMultipliers = {1, 1, 1, 1};
    mainKey('3', true);
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{1.25f, 0.75f, 0.8f, 2.5f}));
    d.click(wb::kAccept);
    image().wbMultipliers = {3, 2, 2, 1};
    mainKey('2', true, true);
    openTool(ids::kWhiteBalanceDialog).click(wb::kRecall1 + 1);
    EXPECT_EQ(toolText(wb::kRedEdit), "3.0000");
}

TEST_F(Tools, CancelRestoresTheCoefficientsExactly) {
    const std::array<float, 4> start{1.2345678f, 0.3333333f, 0.3333333f, 3.1415926f};
    image().wbMultipliers = start;
    auto& d = openTool(ids::kWhiteBalanceDialog);
    d.slide(wb::kRedSlider, 3);
    d.slide(wb::kGreenSlider, 0);
    enter(wb::kBlueEdit, "7.5");
    d.key(chord(vk::kDown, true));
    d.click(wb::kRecall1 + 4);
    d.click(ids::kCancel);
    EXPECT_EQ(image().wbMultipliers, start);
    EXPECT_EQ(services.openModelessDialog(ids::kWhiteBalanceDialog), nullptr);
}

TEST_F(Tools, AsShotRecallGivesBothGreensTheFirstGreen) {
    file().wbCoefficients = {2.0f, 1.1f, 1.3f, 1.6f};
    auto& d = openTool(ids::kWhiteBalanceDialog);
    EXPECT_TRUE(tool->isEnabled(wb::kRecallAsShot));
    d.click(wb::kRecallAsShot);
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{2.0f, 1.1f, 1.1f, 1.6f}));
    d.click(wb::kAccept);
    file().wbCoefficients = {};
    openTool(ids::kWhiteBalanceDialog);
    EXPECT_FALSE(tool->isEnabled(wb::kRecallAsShot));
}

TEST_F(Tools, TabMovesThroughTheEditsToAccept) {
    auto& d = openTool(ids::kWhiteBalanceDialog);
    const struct {
        int from, key, to;
    } cases[] = {{wb::kRedEdit, vk::kTab, wb::kGreenEdit},
                 {wb::kGreenEdit, vk::kTab, wb::kBlueEdit},
                 {wb::kBlueEdit, vk::kTab, wb::kAccept},
                 {wb::kGreenEdit, vk::kReturn, wb::kGreenEdit}};
    for (const auto& c : cases) {
        d.type(c.from, "1.5");
        d.key(chord(c.key));
        EXPECT_EQ(tool->focus(), c.to) << c.from;
    }
    EXPECT_EQ(tool->defaultControl(), wb::kAccept);
    // An edit that loses the focus to another edit or a slider leaves it there; otherwise it
    // hands it to the hidden default button.
    d.type(wb::kRedEdit, "3");
    EXPECT_EQ(tool->focus(), wb::kRedEdit);
    tool->setFocus(ids::kCancel);
    EXPECT_EQ(tool->focus(), wb::kFocusKeeper);
    EXPECT_EQ(toolText(wb::kRedEdit), "1.5000");
}

TEST_F(Tools, TheKeysOpenEachDialogOnceAndCtrlWFeedsIt) {
    openTool(ids::kWhiteBalanceDialog);
    HeadlessDialog* first = tool;
    mainKey('W', true, false, true);
    EXPECT_EQ(first->timesBroughtToFront(), 1);
    EXPECT_EQ(services.openModelessDialogs().size(), 1u);
    openTool(ids::kNoiseDialog);
    EXPECT_EQ(services.openModelessDialogs().size(), 2u);
    // Ctrl+W pressed in the white balance window reaches the main dialog, which hands the
    // new coefficients (no selection: all 1) to the dialog.
    HeadlessDriver wbDriver(*first, services);
    wbDriver.slide(wb::kRedSlider, 50);
    wbDriver.key(chord('W', true));
    EXPECT_EQ(image().wbMultipliers, (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_EQ(first->text(wb::kRedEdit), "1.0000");
    EXPECT_EQ(dlg->whiteBalanceDialog()->initial(), (std::array<float, 4>{1, 1, 1, 1}));
    // A new Process ends both windows.
    driver->click(ids::kProcess);
    EXPECT_TRUE(services.openModelessDialogs().empty());
    EXPECT_EQ(dlg->whiteBalanceDialog(), nullptr);
    EXPECT_EQ(dlg->noiseDialog(), nullptr);
    openTool(ids::kNoiseDialog);
    driver->click(ids::kFinish);
    EXPECT_TRUE(services.openModelessDialogs().empty());
}

// ---------------------------------------------------------------------------------------------
// Noise processing

TEST_F(Tools, NoiseValuesChannelsAndLimits) {
    auto& d = openTool(ids::kNoiseDialog);
    const NoiseParameters& w = dlg->noiseDialog()->working();
    EXPECT_TRUE(tool->isChecked(nd::kOffset));
    EXPECT_FALSE(tool->isEnabled(nd::kValueEdit)); // no channel chosen yet
    d.click(nd::kRed);
    enter(nd::kValueEdit, "50");
    EXPECT_EQ(w.offset, (std::array<std::int32_t, 4>{50, 0, 0, 0}));
    EXPECT_EQ(dlg->liveNoise(), w); // Enter applies
    d.click(nd::kAll);
    EXPECT_EQ(w.offset, (std::array<std::int32_t, 4>{50, 50, 50, 50}));
    EXPECT_EQ(w.offsetMask, kNoiseMaskAll);
    EXPECT_FALSE(tool->isEnabled(nd::kRed));
    EXPECT_FALSE(tool->isEnabled(nd::kLinkGreens));

    // Spin steps by modifier, within -max ... max (the image holds 0 ... 4095).
    const struct {
        bool ctrl, shift, alt;
        int steps;
        const char* shown;
    } spins[] = {{false, false, false, 3, "53"},   {false, true, false, -1, "43"},
                 {true, false, false, 1, "143"},   {true, true, false, -2, "-1857"},
                 {true, false, true, -1, "-4095"}, {true, false, true, 1, "4095"}};
    for (const auto& s : spins) {
        if (s.ctrl) services.press(vk::kControl);
        if (s.shift) services.press(vk::kShift);
        if (s.alt) services.press(vk::kMenu);
        d.spin(nd::kValueSpin, s.steps);
        services.releaseAll();
        EXPECT_EQ(toolText(nd::kValueEdit), s.shown);
    }
    EXPECT_EQ(w.offset[3], 4095);

    // Multiply: a ten-thousandth a step, 1.0 a Ctrl+Alt step, 0 beyond +-1000.
    d.click(nd::kMultiply);
    EXPECT_EQ(tool->text(nd::kRangeLabel), "Range");
    d.click(nd::kBlue);
    d.spin(nd::kValueSpin, 2);
    EXPECT_EQ(toolText(nd::kValueEdit), "0.00020");
    services.press(vk::kControl), services.press(vk::kMenu);
    d.spin(nd::kValueSpin, 1);
    services.releaseAll();
    EXPECT_EQ(toolText(nd::kValueEdit), "1.00020");
    enter(nd::kValueEdit, "2000");
    EXPECT_EQ(toolText(nd::kValueEdit), "0.00000");
    EXPECT_EQ(w.multiply[2], 0.0f);
    enter(nd::kRangeEdit, "-70000");
    EXPECT_EQ(w.multiplyRange[2], -70000);
    // Offset keeps its mask from before.
    d.click(nd::kOffset);
    EXPECT_TRUE(tool->isChecked(nd::kAll));

    // Replace: digits only, not negative, below max; a range beyond max becomes max.
    d.click(nd::kReplace);
    d.click(nd::kRed);
    d.type(nd::kValueEdit, "");
    for (char c : std::string("-12x3"))
        d.character(c);
    EXPECT_EQ(toolText(nd::kValueEdit), "123");
    d.key(chord(vk::kReturn));
    enter(nd::kValueEdit, "4095"); // not strictly below max: the old value stays
    EXPECT_EQ(w.replace[0], 123);
    enter(nd::kRangeEdit, "99999");
    EXPECT_EQ(w.replaceRange[0], 4095);
}

TEST_F(Tools, TabStoresAndEnterApplies) {
    auto& d = openTool(ids::kNoiseDialog);
    const NoiseParameters before = dlg->liveNoise();
    d.click(nd::kShift);
    d.click(nd::kGreen1); // with "link greens": both greens
    d.type(nd::kValueEdit, "7");
    d.key(chord(vk::kTab));
    const NoiseParameters& w = dlg->noiseDialog()->working();
    EXPECT_EQ(w.shift, (std::array<std::int32_t, 4>{0, 7, 0, 7}));
    EXPECT_EQ(w.shiftMask, kNoiseMaskGreen1 | kNoiseMaskGreen2);
    EXPECT_EQ(dlg->liveNoise(), before);
    EXPECT_TRUE(tool->isEnabled(nd::kRevert));
    enter(nd::kValueEdit, "9");
    EXPECT_EQ(dlg->liveNoise(), w);
    EXPECT_EQ(dlg->liveNoise().valid, 1);
    EXPECT_EQ(dlg->liveNoise().shiftOn, 1); // the Enable box was shown checked
}

TEST_F(Tools, TheLiveParametersReachThePicture) {
    const std::vector<platform::Rgb> before = window->panelSurface().pixels();
    auto& d = openTool(ids::kNoiseDialog);
    d.click(nd::kRed);
    d.type(nd::kValueEdit, "800");
    d.key(chord(vk::kTab));
    EXPECT_EQ(window->panelSurface().pixels(), before);
    enter(nd::kValueEdit, "800");
    EXPECT_NE(window->panelSurface().pixels(), before);
    d.click(nd::kOffsetOn); // the function off: the picture as it was
    EXPECT_EQ(window->panelSurface().pixels(), before);
    d.click(nd::kOffsetOn);
    EXPECT_NE(window->panelSurface().pixels(), before);
    d.click(ids::kCancel);
    EXPECT_EQ(window->panelSurface().pixels(), before);
}

TEST_F(Tools, RevertResetCancelAndTheSavedSlots) {
    driver->type(ids::kBlackEdit, "300");
    driver->key(chord(vk::kTab));
    ASSERT_EQ(dlg->blackPoint(), 300);
    auto& d = openTool(ids::kNoiseDialog);
    const NoiseParameters opened = dlg->liveNoise();
    d.click(nd::kBlack);
    EXPECT_EQ(toolText(nd::kValueEdit), "0"); // no channel yet
    d.click(nd::kRed);
    EXPECT_EQ(toolText(nd::kValueEdit), "300"); // a block never stored starts at the black point
    d.click(nd::kBlackOn);
    enter(nd::kValueEdit, "250");
    EXPECT_EQ(dlg->blackPoint(), 250);
    d.click(nd::kSave1 + 0);
    d.click(nd::kRevert);
    EXPECT_EQ(dlg->liveNoise(), opened);
    EXPECT_EQ(dlg->blackPoint(), 300);
    EXPECT_FALSE(tool->isEnabled(nd::kRevert));
    d.click(nd::kRecall1);
    EXPECT_EQ(dlg->liveNoise(), dlg->noiseSlots()[0]);
    EXPECT_EQ(dlg->blackPoint(), 250);
    d.click(nd::kReset);
    NoiseParameters reset;
    reset.offsetOn = reset.replaceOn = reset.shiftOn = reset.multiplyOn = 1;
    EXPECT_EQ(dlg->liveNoise(), reset);
    EXPECT_TRUE(tool->isChecked(nd::kLinkGreens));
    EXPECT_FALSE(tool->isEnabled(nd::kGreen2));
    d.click(ids::kCancel);
    EXPECT_EQ(dlg->liveNoise(), opened);
    EXPECT_EQ(dlg->blackPoint(), 300);
    // The slots outlive the dialog.
    EXPECT_EQ(dlg->noiseSlots()[0].black[0], 250);
}

TEST_F(Tools, AcceptWritesTheBlackLevelsIntoTheImage) {
    const struct {
        std::array<int, 3> typed; // red, both greens, blue
        std::vector<std::uint16_t> positions;
        std::uint16_t single, mean, minimum, maximum;
    } cases[] = {
        {{128, 130, 128}, {128, 130, 130, 128}, 0, 129, 128, 130},
        {{140, 140, 140}, {}, 140, 140, 140, 140},
    };
    for (const auto& c : cases) {
        image().blackDeltaH.assign(image().width, 10);
        auto& d = openTool(ids::kNoiseDialog);
        EXPECT_TRUE(tool->isEnabled(nd::kMasked));
        d.click(nd::kBlack);
        if (!tool->isChecked(nd::kBlackOn)) d.click(nd::kBlackOn);
        const int boxes[] = {nd::kRed, nd::kGreen1, nd::kBlue};
        for (int i = 0; i < 3; ++i) {
            d.click(boxes[i]);
            enter(nd::kValueEdit, std::to_string(c.typed[static_cast<std::size_t>(i)]));
        }
        d.click(nd::kAccept);
        EXPECT_EQ(dlg->noiseDialog(), nullptr);
        EXPECT_EQ(image().blackLevelArray, c.positions);
        EXPECT_EQ(image().blackLevel, c.single);
        EXPECT_EQ(image().blackLevelAverage, c.mean);
        EXPECT_EQ(image().blackLevelMinimum, c.minimum);
        EXPECT_EQ(image().blackLevelMaximum, c.maximum);
        EXPECT_TRUE(image().blackDeltaH.empty());
        EXPECT_EQ(dlg->blackPoint(), c.minimum);
        EXPECT_EQ(text(ids::kBlackEdit), std::to_string(c.minimum));
    }
}

} // namespace
} // namespace korvane::test
