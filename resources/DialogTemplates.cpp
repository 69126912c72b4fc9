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
    {ids::kAboutNote, K::Static, "Shows the samples a camera recorded, before any processing.",
     40, 34, 150, 18, st::kMultiline},
    {ids::kOk, K::PushButton, "OK", 148, 56, 42, 14, kTab | st::kDefault},
});

constexpr bool uniqueIds(const auto& controls) {
    for (std::size_t i = 0; i < controls.size(); ++i)
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            if (controls[i].id == controls[j].id) return false;
    return true;
}
static_assert(uniqueIds(kMainControls), "every control of the main dialog has its own id");
static_assert(uniqueIds(kAboutControls));

constexpr DialogTemplate kMain{ids::kMainDialog,
                               "Lumbrecht Raw Image Analysis",
                               620,
                               392,
                               "MS Shell Dlg",
                               8,
                               kMainControls};

constexpr DialogTemplate kAbout{ids::kAboutDialog, "About Korvane", 200, 76, "MS Shell Dlg", 8,
                                kAboutControls};

} // namespace

const DialogTemplate& mainDialogTemplate() { return kMain; }
const DialogTemplate& aboutDialogTemplate() { return kAbout; }

const DialogTemplate* findDialogTemplate(int id) {
    switch (id) {
    case ids::kMainDialog: return &kMain;
    case ids::kAboutDialog: return &kAbout;
    default: return nullptr;
    }
}

} // namespace korvane::resources
