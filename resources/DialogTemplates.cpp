#include "resources/DialogTemplates.hpp"

#include <array>

#include "resources/ControlIds.hpp"

namespace korvane::resources {

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;
namespace st = platform::style;
using K = ControlKind;

constexpr std::uint32_t kTab = st::kTabStop;

// The main dialog: the command row at the top, the shot information below it, the picture
// panel with its scroll bars and pixel information on the left, and the level, display,
// exposure and mapping controls in a column on the right. Controls that replace each other
// by display mode share a place.
constexpr std::array kMainControls = std::to_array<ControlTemplate>({
    // Command row.
    {ids::kHelp, K::PushButton, "&Help", 4, 4, 36, 14, kTab},
    {ids::kBrowse, K::PushButton, "Browse for", 44, 4, 52, 14, kTab},
    {ids::kPathEdit, K::Edit, "", 100, 5, 330, 12, kTab},
    {ids::kProcess, K::PushButton, "Process", 434, 4, 54, 14, kTab | st::kDefault},
    {ids::kFinish, K::PushButton, "FINISH", 562, 4, 54, 14, kTab},
    {ids::kCancel, K::PushButton, "Cancel", 500, 4, 54, 14, st::kHidden},

    // Shot information.
    {ids::kShotGroup, K::GroupBox, "", 4, 20, 484, 30, 0},
    {ids::kShotInfo, K::Static, "", 10, 28, 472, 19, st::kMultiline},

    // Picture panel and its scroll bars.
    {ids::kPanel, K::Panel, "", 4, 54, 472, 300, st::kSunken},
    {ids::kVScroll, K::VScrollBar, "", 476, 54, 10, 300, 0},
    {ids::kHScroll, K::HScrollBar, "", 4, 354, 472, 10, 0},

    // Pixel information: the selection statistics (two long lines) below the panel, the
    // coordinates, the zoom and the histogram range at the foot of the right column.
    {ids::kStatisticsText, K::Static, "", 4, 367, 472, 20, st::kMultiline},
    {ids::kCoordinatesText, K::Static, "", 492, 362, 70, 20, st::kMultiline},
    {ids::kZoomText, K::Static, "", 566, 362, 50, 20, st::kMultiline},
    {ids::kHistogramText, K::Static, "", 492, 362, 124, 20, st::kHidden | st::kMultiline},

    // Black point.
    {ids::kBlackGroup, K::GroupBox, "Black point", 492, 20, 124, 50, 0},
    {ids::kBlackSlider, K::Trackbar, "", 496, 30, 116, 16, kTab},
    {ids::kBlackEdit, K::Edit, "", 498, 51, 34, 12, kTab, 6},
    {ids::kBlackReset, K::PushButton, "Reset", 535, 51, 30, 12, kTab},
    {ids::kBlackR, K::CheckBox, "R", 569, 52, 15, 10, kTab | st::kDisabled},
    {ids::kBlackG, K::CheckBox, "G", 584, 52, 15, 10, kTab | st::kDisabled},
    {ids::kBlackB, K::CheckBox, "B", 599, 52, 15, 10, kTab | st::kDisabled},

    // White point.
    {ids::kWhiteGroup, K::GroupBox, "White point", 492, 72, 124, 50, 0},
    {ids::kWhiteSlider, K::Trackbar, "", 496, 82, 116, 16, kTab},
    {ids::kWhiteEdit, K::Edit, "", 498, 103, 34, 12, kTab, 6},
    {ids::kWhiteReset, K::PushButton, "Reset", 535, 103, 30, 12, kTab},
    {ids::kWhiteR, K::CheckBox, "R", 569, 104, 15, 10, kTab | st::kDisabled},
    {ids::kWhiteG, K::CheckBox, "G", 584, 104, 15, 10, kTab | st::kDisabled},
    {ids::kWhiteB, K::CheckBox, "B", 599, 104, 15, 10, kTab | st::kDisabled},

    // Display: the mode buttons with their clickable labels, orientation, display options.
    {ids::kDisplayGroup, K::GroupBox, "Display", 492, 124, 124, 106, 0},
    {ids::kRadioComposite, K::RadioButton, "", 498, 135, 10, 10, kTab | st::kGroup},
    {ids::kLabelComposite, K::Static, "Composite", 509, 136, 46, 9, st::kNotify},
    {ids::kRadioGreyscale, K::RadioButton, "", 498, 147, 10, 10, 0},
    {ids::kLabelGreyscale, K::Static, "Greyscale", 509, 148, 46, 9, st::kNotify},
    {ids::kRadioChannel, K::RadioButton, "", 498, 159, 10, 10, 0},
    {ids::kLabelChannel, K::Static, "Channel", 509, 160, 46, 9, st::kNotify},
    {ids::kRadioExposure, K::RadioButton, "", 558, 135, 10, 10, 0},
    {ids::kLabelExposure, K::Static, "Exposure", 569, 136, 44, 9, st::kNotify},
    {ids::kRadioHistogram, K::RadioButton, "", 558, 147, 10, 10, 0},
    {ids::kLabelHistogram, K::Static, "Histogram", 569, 148, 44, 9, st::kNotify},
    {ids::kOrientNormal, K::PushButton, "", 498, 173, 24, 18, kTab | st::kBitmap},
    {ids::kOrient180, K::PushButton, "", 526, 173, 24, 18, kTab | st::kBitmap},
    {ids::kOrientLeft, K::PushButton, "", 554, 173, 24, 18, kTab | st::kBitmap},
    {ids::kOrientRight, K::PushButton, "", 582, 173, 24, 18, kTab | st::kBitmap},
    {ids::kShowClipping, K::CheckBox, "Show clipping", 498, 195, 58, 10, kTab},
    {ids::kBlCorrected, K::CheckBox, "BL corrected", 498, 195, 58, 10,
     kTab | st::kHidden | st::kDisabled},
    {ids::kMapped, K::CheckBox, "Mapped", 498, 195, 58, 10, kTab | st::kHidden | st::kDisabled},
    {ids::kSelectionBox, K::CheckBox, "Selection", 498, 195, 58, 10,
     kTab | st::kHidden | st::kDisabled},
    {ids::kRawClipping, K::CheckBox, "Raw clipping", 558, 195, 56, 10, kTab},
    {ids::kOutsideRange, K::CheckBox, "Outside range", 558, 195, 56, 10,
     kTab | st::kHidden | st::kDisabled},
    {ids::kFine, K::CheckBox, "Fine", 558, 195, 56, 10, kTab | st::kHidden | st::kDisabled},
    {ids::kApplyWb, K::CheckBox, "Apply WB", 558, 195, 56, 10, kTab | st::kHidden | st::kDisabled},
    {ids::kColorIntegrity, K::CheckBox, "Color integrity", 498, 207, 58, 10, kTab | st::kHidden},
    {ids::kAdj, K::CheckBox, "Adj", 558, 207, 56, 10, kTab},

    // Exposure.
    {ids::kExposureSlider, K::Trackbar, "", 492, 234, 124, 16, kTab},
    {ids::kExposureLabel, K::Static, "+1 2/3", 498, 253, 50, 10, 0},
    {ids::kExposureReset, K::PushButton, "Reset", 584, 252, 30, 12, kTab},

    // Mapping function.
    {ids::kMappingLabel, K::Static, "Mapping function", 492, 270, 124, 9, 0},
    {ids::kMappingCombo, K::ComboBox, "", 492, 280, 124, 120, kTab},

    // Level statistics, shown after a count (two lines, the second may wrap).
    {ids::kWhiteStatistics, K::Static, "White Level RGB statistics", 492, 297, 124, 29,
     st::kHidden | st::kMultiline},
    {ids::kBlackStatistics, K::Static, "Black Level RGB statistics", 492, 328, 124, 29,
     st::kHidden | st::kMultiline},

    // Hidden helpers: the focus keeper and the options that only keys reach.
    {ids::kFocusKeeper, K::Edit, "", 492, 344, 20, 10, st::kHidden},
    {ids::kInfoOnly, K::CheckBox, "Info", 514, 344, 30, 10, st::kHidden},
    {ids::kOptionX, K::CheckBox, "x", 546, 344, 20, 10, st::kHidden},
    {ids::kOptionY, K::CheckBox, "y", 568, 344, 20, 10, st::kHidden},
});

constexpr std::array kAboutControls = std::to_array<ControlTemplate>({
    {ids::kAboutIcon, K::Icon, "", 10, 10, 21, 20, 0},
    {ids::kAboutName, K::Static, "Korvane raw image analyser", 40, 10, 150, 9, 0},
    {ids::kAboutVersion, K::Static, "Version unknown", 40, 22, 150, 9, 0},
    {ids::kAboutNote, K::Static, "Shows the samples a camera recorded, before any processing.", 40,
     34, 150, 18, st::kMultiline},
    {ids::kOk, K::PushButton, "OK", 148, 56, 42, 14, kTab | st::kDefault},
});

// The white balance dialog: a row per coefficient (name, slider, value, Reset), the saved
// sets with their Save and Recall buttons under a caption each, "As shot" beside them, and
// Accept and Cancel. The second green's row lies under the first green's: the dialog keeps it
// hidden (the second green follows the first or keeps its own value without a row).
namespace wbd = ids::wb;
constexpr int kWbRow = 16; // one coefficient row
constexpr int wbRowTop(int n) {
    return 6 + n * kWbRow;
}
constexpr int kWbSetLeft = 6, kWbSetStep = 42, kWbSetTop = 60;
constexpr std::array kWhiteBalanceControls = std::to_array<ControlTemplate>({
    {wbd::kRedLabel, K::Static, "Red", 6, wbRowTop(0) + 3, 36, 9, 0},
    {wbd::kRedSlider, K::Trackbar, "", 44, wbRowTop(0), 160, 14, kTab},
    {wbd::kRedEdit, K::Edit, "", 208, wbRowTop(0) + 1, 40, 12, kTab},
    {wbd::kRedReset, K::PushButton, "Reset", 252, wbRowTop(0) + 1, 32, 12, kTab},
    {wbd::kGreenLabel, K::Static, "Green", 6, wbRowTop(1) + 3, 36, 9, 0},
    {wbd::kGreenSlider, K::Trackbar, "", 44, wbRowTop(1), 160, 14, kTab},
    {wbd::kGreenEdit, K::Edit, "", 208, wbRowTop(1) + 1, 40, 12, kTab},
    {wbd::kGreenReset, K::PushButton, "Reset", 252, wbRowTop(1) + 1, 32, 12, kTab},
    {wbd::kBlueLabel, K::Static, "Blue", 6, wbRowTop(2) + 3, 36, 9, 0},
    {wbd::kBlueSlider, K::Trackbar, "", 44, wbRowTop(2), 160, 14, kTab},
    {wbd::kBlueEdit, K::Edit, "", 208, wbRowTop(2) + 1, 40, 12, kTab},
    {wbd::kBlueReset, K::PushButton, "Reset", 252, wbRowTop(2) + 1, 32, 12, kTab},
    {wbd::kGreen2Button, K::PushButton, "Green 2", 6, wbRowTop(1) + 1, 36, 12,
     kTab | st::kHidden | st::kDisabled},
    {wbd::kGreen2Slider, K::Trackbar, "", 44, wbRowTop(1), 160, 14,
     kTab | st::kHidden | st::kDisabled},
    {wbd::kGreen2Edit, K::Edit, "", 208, wbRowTop(1) + 1, 40, 12,
     kTab | st::kHidden | st::kDisabled},
    {wbd::kGreen2Reset, K::PushButton, "Reset", 252, wbRowTop(1) + 1, 32, 12,
     kTab | st::kHidden | st::kDisabled},

    // Saved sets: a caption, Save below it, Recall below that; "As shot" has Recall only.
    {wbd::kSet1Label, K::Static, "Set 1", kWbSetLeft + 0 * kWbSetStep, kWbSetTop, 38, 9,
     st::kCentre},
    {wbd::kSet2Label, K::Static, "Set 2", kWbSetLeft + 1 * kWbSetStep, kWbSetTop, 38, 9,
     st::kCentre},
    {wbd::kSet2Label + 1, K::Static, "Set 3", kWbSetLeft + 2 * kWbSetStep, kWbSetTop, 38, 9,
     st::kCentre},
    {wbd::kSet2Label + 2, K::Static, "Set 4", kWbSetLeft + 3 * kWbSetStep, kWbSetTop, 38, 9,
     st::kCentre},
    {wbd::kSet2Label + 3, K::Static, "Set 5", kWbSetLeft + 4 * kWbSetStep, kWbSetTop, 38, 9,
     st::kCentre},
    {wbd::kAsShotLabel, K::Static, "As shot", kWbSetLeft + 5 * kWbSetStep + 4, kWbSetTop, 38, 9,
     st::kCentre},
    {wbd::kSave1 + 0, K::PushButton, "Save", kWbSetLeft + 0 * kWbSetStep, kWbSetTop + 10, 38, 12,
     kTab},
    {wbd::kSave1 + 1, K::PushButton, "Save", kWbSetLeft + 1 * kWbSetStep, kWbSetTop + 10, 38, 12,
     kTab},
    {wbd::kSave1 + 2, K::PushButton, "Save", kWbSetLeft + 2 * kWbSetStep, kWbSetTop + 10, 38, 12,
     kTab},
    {wbd::kSave1 + 3, K::PushButton, "Save", kWbSetLeft + 3 * kWbSetStep, kWbSetTop + 10, 38, 12,
     kTab},
    {wbd::kSave1 + 4, K::PushButton, "Save", kWbSetLeft + 4 * kWbSetStep, kWbSetTop + 10, 38, 12,
     kTab},
    {wbd::kRecall1 + 0, K::PushButton, "Recall", kWbSetLeft + 0 * kWbSetStep, kWbSetTop + 24, 38,
     12, kTab},
    {wbd::kRecall1 + 1, K::PushButton, "Recall", kWbSetLeft + 1 * kWbSetStep, kWbSetTop + 24, 38,
     12, kTab},
    {wbd::kRecall1 + 2, K::PushButton, "Recall", kWbSetLeft + 2 * kWbSetStep, kWbSetTop + 24, 38,
     12, kTab},
    {wbd::kRecall1 + 3, K::PushButton, "Recall", kWbSetLeft + 3 * kWbSetStep, kWbSetTop + 24, 38,
     12, kTab},
    {wbd::kRecall1 + 4, K::PushButton, "Recall", kWbSetLeft + 4 * kWbSetStep, kWbSetTop + 24, 38,
     12, kTab},
    {wbd::kRecallAsShot, K::PushButton, "Recall", kWbSetLeft + 5 * kWbSetStep + 4, kWbSetTop + 24,
     38, 12, kTab},

    {wbd::kAccept, K::PushButton, "&Accept", 184, kWbSetTop + 44, 48, 14, kTab},
    {ids::kCancel, K::PushButton, "&Cancel", 236, kWbSetTop + 44, 48, 14, kTab},
    // Takes the focus from an edit that loses it, and Enter with it.
    {wbd::kFocusKeeper, K::PushButton, "", 6, kWbSetTop + 44, 10, 10, st::kHidden | st::kDefault},
});

// The noise processing dialog: the function buttons with their Enable boxes beneath, the
// channel choice, the value and range with their spins, the saved sets, and the commands.
// The Masked function's button and box stand last in the row; the dialog keeps them hidden.
namespace nd = ids::noise;
constexpr int kNoiseColumn = 44; // one function button and its Enable box
constexpr int noiseLeft(int n) {
    return 6 + n * kNoiseColumn;
}
constexpr int kNoiseSetTop = 84;
constexpr int kNoiseCommandsLeft = noiseLeft(5) + 2; // Revert, Accept and Cancel
constexpr std::array kNoiseControls = std::to_array<ControlTemplate>({
    {nd::kOffset, K::CheckBox, "Offset", noiseLeft(0), 6, 40, 14, kTab | st::kPushLike},
    {nd::kReplace, K::CheckBox, "Replace", noiseLeft(1), 6, 40, 14, kTab | st::kPushLike},
    {nd::kShift, K::CheckBox, "Shift", noiseLeft(2), 6, 40, 14, kTab | st::kPushLike},
    {nd::kMultiply, K::CheckBox, "Multiply", noiseLeft(3), 6, 40, 14, kTab | st::kPushLike},
    {nd::kBlack, K::CheckBox, "Black", noiseLeft(4), 6, 40, 14, kTab | st::kPushLike},
    {nd::kMasked, K::CheckBox, "Masked", noiseLeft(5), 6, 40, 14,
     kTab | st::kPushLike | st::kHidden},
    {nd::kOffsetOn, K::CheckBox, "Enable", noiseLeft(0) + 4, 22, 36, 10, kTab},
    {nd::kReplaceOn, K::CheckBox, "Enable", noiseLeft(1) + 4, 22, 36, 10, kTab},
    {nd::kShiftOn, K::CheckBox, "Enable", noiseLeft(2) + 4, 22, 36, 10, kTab},
    {nd::kMultiplyOn, K::CheckBox, "Enable", noiseLeft(3) + 4, 22, 36, 10, kTab},
    {nd::kBlackOn, K::CheckBox, "Enable", noiseLeft(4) + 4, 22, 36, 10, kTab},
    {nd::kMaskedOn, K::CheckBox, "Enable", noiseLeft(5) + 4, 22, 36, 10, kTab | st::kHidden},

    // Channels.
    {nd::kAll, K::CheckBox, "all", 6, 38, 26, 10, kTab},
    {nd::kLinkGreens, K::CheckBox, "link greens", 34, 38, 54, 10, kTab},
    {nd::kRed, K::CheckBox, "red", 92, 38, 28, 10, kTab},
    {nd::kGreen1, K::CheckBox, "green 1", 122, 38, 40, 10, kTab},
    {nd::kGreen2, K::CheckBox, "green 2", 164, 38, 40, 10, kTab},
    {nd::kBlue, K::CheckBox, "blue", 206, 38, 30, 10, kTab},

    // Value and range.
    {nd::kValueLabel, K::Static, "Value", 6, 54, 70, 9, 0},
    {nd::kValueEdit, K::Edit, "", 6, 64, 60, 12, kTab | st::kRight, 7},
    {nd::kValueSpin, K::UpDown, "", 66, 64, 10, 12, 0},
    {nd::kRangeLabel, K::Static, "Range", 84, 54, 80, 9, 0},
    {nd::kRangeEdit, K::Edit, "", 84, 64, 70, 12, kTab | st::kRight, 10},
    {nd::kRangeSpin, K::UpDown, "", 154, 64, 10, 12, 0},
    {nd::kReset, K::PushButton, "Reset", noiseLeft(4), 63, 40, 14, kTab},
    {nd::kRevert, K::PushButton, "Revert", kNoiseCommandsLeft, 63, 40, 14, kTab},

    // Saved sets: a caption, Save below it, Recall below that.
    {nd::kSet1Label + 0, K::Static, "Set 1", noiseLeft(0), kNoiseSetTop, 40, 9, st::kCentre},
    {nd::kSet1Label + 1, K::Static, "Set 2", noiseLeft(1), kNoiseSetTop, 40, 9, st::kCentre},
    {nd::kSet1Label + 2, K::Static, "Set 3", noiseLeft(2), kNoiseSetTop, 40, 9, st::kCentre},
    {nd::kSet1Label + 3, K::Static, "Set 4", noiseLeft(3), kNoiseSetTop, 40, 9, st::kCentre},
    {nd::kSet1Label + 4, K::Static, "Set 5", noiseLeft(4), kNoiseSetTop, 40, 9, st::kCentre},
    {nd::kSave1, K::PushButton, "Save", noiseLeft(0), kNoiseSetTop + 10, 40, 12, kTab},
    {nd::kSave2, K::PushButton, "Save", noiseLeft(1), kNoiseSetTop + 10, 40, 12, kTab},
    {nd::kSave3, K::PushButton, "Save", noiseLeft(2), kNoiseSetTop + 10, 40, 12, kTab},
    {nd::kSave4, K::PushButton, "Save", noiseLeft(3), kNoiseSetTop + 10, 40, 12, kTab},
    {nd::kSave5, K::PushButton, "Save", noiseLeft(4), kNoiseSetTop + 10, 40, 12, kTab},
    {nd::kRecall1, K::PushButton, "Recall", noiseLeft(0), kNoiseSetTop + 24, 40, 12, kTab},
    {nd::kRecall2, K::PushButton, "Recall", noiseLeft(1), kNoiseSetTop + 24, 40, 12, kTab},
    {nd::kRecall3, K::PushButton, "Recall", noiseLeft(2), kNoiseSetTop + 24, 40, 12, kTab},
    {nd::kRecall4, K::PushButton, "Recall", noiseLeft(3), kNoiseSetTop + 24, 40, 12, kTab},
    {nd::kRecall5, K::PushButton, "Recall", noiseLeft(4), kNoiseSetTop + 24, 40, 12, kTab},

    {nd::kAccept, K::PushButton, "&Accept", kNoiseCommandsLeft, kNoiseSetTop + 8, 40, 14, kTab},
    {ids::kCancel, K::PushButton, "&Cancel", kNoiseCommandsLeft, kNoiseSetTop + 24, 40, 14, kTab},
});

constexpr bool uniqueIds(const auto& controls) {
    for (std::size_t i = 0; i < controls.size(); ++i)
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            if (controls[i].id == controls[j].id) return false;
    return true;
}
static_assert(uniqueIds(kMainControls), "every control of the main dialog has its own id");
static_assert(uniqueIds(kAboutControls));
static_assert(uniqueIds(kWhiteBalanceControls));
static_assert(uniqueIds(kNoiseControls));

constexpr DialogTemplate kMain{
    ids::kMainDialog, "Lumbrecht Raw Image Analysis", 620, 392, "MS Shell Dlg", 8, kMainControls};

constexpr DialogTemplate kWhiteBalance{ids::kWhiteBalanceDialog,
                                       "Korvane Adjusting White Balance",
                                       290,
                                       kWbSetTop + 64,
                                       "MS Shell Dlg",
                                       8,
                                       kWhiteBalanceControls};

constexpr DialogTemplate kNoise{ids::kNoiseDialog,       "Lumbrecht Noise Processing",
                                kNoiseCommandsLeft + 46, kNoiseSetTop + 44,
                                "MS Shell Dlg",          8,
                                kNoiseControls};

constexpr DialogTemplate kAbout{ids::kAboutDialog, "About Korvane", 200, 76, "MS Shell Dlg", 8,
                                kAboutControls};

} // namespace

const DialogTemplate& mainDialogTemplate() {
    return kMain;
}
const DialogTemplate& aboutDialogTemplate() {
    return kAbout;
}
const DialogTemplate& whiteBalanceDialogTemplate() {
    return kWhiteBalance;
}
const DialogTemplate& noiseDialogTemplate() {
    return kNoise;
}

const DialogTemplate* findDialogTemplate(int id) {
    switch (id) {
    case ids::kMainDialog:
        return &kMain;
    case ids::kAboutDialog:
        return &kAbout;
    case ids::kWhiteBalanceDialog:
        return &kWhiteBalance;
    case ids::kNoiseDialog:
        return &kNoise;
    default:
        return nullptr;
    }
}

} // namespace korvane::resources
