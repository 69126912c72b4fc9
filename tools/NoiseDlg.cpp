#include "tools/NoiseDlg.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "analysis/CfaColours.hpp"
#include "platform/VirtualKeys.hpp"
#include "resources/ControlIds.hpp"
#include "tools/ToolSteps.hpp"

namespace korvane {

namespace {

namespace nd = ids::noise;
namespace vk = platform::vk;
using platform::Notification;
using Function = CNoiseDlg::Function;

// The function buttons and their Enable boxes, in the order of Function (from Offset).
constexpr std::array<int, 6> kFunctionButtons{nd::kOffset,   nd::kReplace, nd::kShift,
                                              nd::kMultiply, nd::kBlack,   nd::kMasked};
constexpr std::array<int, 6> kEnableBoxes{nd::kOffsetOn,   nd::kReplaceOn, nd::kShiftOn,
                                          nd::kMultiplyOn, nd::kBlackOn,   nd::kMaskedOn};
// The channel boxes of red, first green, blue and second green (channel index k).
constexpr std::array<int, 4> kChannelBoxes{nd::kRed, nd::kGreen1, nd::kBlue, nd::kGreen2};
constexpr std::array<int, 5> kSaveButtons{nd::kSave1, nd::kSave2, nd::kSave3, nd::kSave4,
                                          nd::kSave5};
constexpr std::array<int, 5> kRecallButtons{nd::kRecall1, nd::kRecall2, nd::kRecall3, nd::kRecall4,
                                            nd::kRecall5};

constexpr std::uint8_t channelBit(int k) {
    return static_cast<std::uint8_t>(0x80 >> k);
}
constexpr std::uint8_t kGreensOnly = kNoiseMaskGreen1 | kNoiseMaskGreen2;

// Spin steps by modifier level (none, Shift, Ctrl, Ctrl+Shift, Ctrl+Alt); the fractional
// functions take a ten-thousandth of them.
constexpr std::array<int, 5> kSpinSteps{1, 10, 100, 1000, 10000};
constexpr double kFractionStep = 0.0001;
constexpr double kLargestFactor = 1000.0; // Multiply: beyond it the factor becomes 0
constexpr double kLargestWeight = 10.0;   // Masked weights: 0 to 10
constexpr int kSpinLimit = 16383;

template <std::size_t N> int indexOf(const std::array<int, N>& ids, int id) {
    const auto it = std::find(ids.begin(), ids.end(), id);
    return it == ids.end() ? -1 : static_cast<int>(it - ids.begin());
}

Function functionAt(int index) {
    return static_cast<Function>(index + 1);
}
bool hasRange(Function f) {
    return f == Function::Replace || f == Function::Shift || f == Function::Multiply;
}
bool unsignedValue(Function f) {
    return f == Function::Replace || f == Function::Black;
}
bool fractional(Function f) {
    return f == Function::Multiply || f == Function::Masked;
}

double valueOf(const NoiseParameters& p, Function f, int k) {
    const auto i = static_cast<std::size_t>(k);
    switch (f) {
    case Function::Offset:
        return p.offset[i];
    case Function::Replace:
        return p.replace[i];
    case Function::Shift:
        return p.shift[i];
    case Function::Multiply:
        return p.multiply[i];
    case Function::Black:
        return p.black[i];
    default:
        return 0;
    }
}

double rangeOf(const NoiseParameters& p, Function f, int k) {
    const auto i = static_cast<std::size_t>(k);
    switch (f) {
    case Function::Replace:
        return p.replaceRange[i];
    case Function::Shift:
        return p.shiftRange[i];
    case Function::Multiply:
        return p.multiplyRange[i];
    default:
        return 0;
    }
}

std::uint8_t& flagOf(NoiseParameters& p, Function f) {
    switch (f) {
    case Function::Offset:
        return p.offsetOn;
    case Function::Replace:
        return p.replaceOn;
    case Function::Shift:
        return p.shiftOn;
    case Function::Multiply:
        return p.multiplyOn;
    case Function::Black:
        return p.blackOn;
    default:
        return p.maskedOn;
    }
}

std::int32_t lowestBlack(const NoiseParameters& p) {
    return *std::min_element(p.black.begin(), p.black.end());
}

std::int32_t whole(double v) {
    return static_cast<std::int32_t>(v);
}

} // namespace

CNoiseDlg::CNoiseDlg(platform::Services& services, ToolHost& owner)
    : services_(services), owner_(owner) {}

bool CNoiseDlg::Open(RawFileContext& file, ImageDescriptor& image, CNoiseDlg** openSlot,
                     NoiseParameters& live, NoiseSlots& savedSlots, const DisplayMode* displayMode,
                     const ImageSubMode* subMode) {
    file_ = &file;
    image_ = &image;
    openSlot_ = openSlot;
    live_ = &live;
    saved_ = &savedSlots;
    displayMode_ = displayMode;
    subMode_ = subMode;
    return services_.createModelessDialog(ids::kNoiseDialog, *this, owner_.window()) != nullptr;
}

std::int32_t CNoiseDlg::largest() const {
    return std::max(image_->maximumValue - 1, 0);
}
bool CNoiseDlg::horizontalProfile() const {
    return !image_->blackDeltaH.empty();
}
bool CNoiseDlg::verticalProfile() const {
    return !image_->blackDeltaV.empty();
}

std::uint8_t* CNoiseDlg::maskOf(Function f) {
    switch (f) {
    case Function::Offset:
        return &working_.offsetMask;
    case Function::Replace:
        return &working_.replaceMask;
    case Function::Shift:
        return &working_.shiftMask;
    case Function::Multiply:
        return &working_.multiplyMask;
    case Function::Black:
        return &working_.blackMask;
    default:
        return nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// Opening

void CNoiseDlg::onInitDialog(platform::DialogWindow& window) {
    window_ = &window;
    savedBlackPoint_ = owner_.blackPoint();
    // A block never stored (the live one, or a slot never saved) weighs both profiles fully.
    if (live_->valid == 0) live_->maskedHorizontal = live_->maskedVertical = 1.0f;
    for (NoiseParameters& slot : *saved_)
        if (slot.valid == 0) slot.maskedHorizontal = slot.maskedVertical = 1.0f;
    snapshot_ = working_ = *live_;

    for (int id : {nd::kValueSpin, nd::kRangeSpin})
        window.setRangeState(id, {-kSpinLimit, kSpinLimit, 0, 1, 1, 0});
    window.setTextLimit(nd::kValueEdit, 7);
    window.setTextLimit(nd::kRangeEdit, 10);
    const bool linked = working_.offset[1] == working_.offset[3];
    window.setChecked(nd::kLinkGreens, linked);
    window.setEnabled(nd::kGreen2, !linked);

    if (working_.valid == 0) working_.black.fill(savedBlackPoint_);
    showEnableBoxes(working_.valid != 0);
    const bool profile = horizontalProfile() || verticalProfile();
    window.setEnabled(nd::kMasked, profile);
    window.setChecked(nd::kMaskedOn, profile);
    takeFlagsFromBoxes();

    window.setEnabled(nd::kRevert, false);
    select(Function::Offset, false);
}

void CNoiseDlg::showEnableBoxes(bool fromFlags) {
    for (int i = 0; i < 6; ++i) {
        const Function f = functionAt(i);
        const bool on =
            fromFlags ? flagOf(working_, f) != 0 : f != Function::Black && f != Function::Masked;
        window_->setChecked(kEnableBoxes[static_cast<std::size_t>(i)], on);
    }
    takeFlagsFromBoxes();
}

void CNoiseDlg::takeFlagsFromBoxes() {
    for (int i = 0; i < 6; ++i)
        flagOf(working_, functionAt(i)) =
            window_->isChecked(kEnableBoxes[static_cast<std::size_t>(i)]) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Functions and channels

void CNoiseDlg::select(Function f, bool keepPrevious) {
    if (f == Function::Masked && !horizontalProfile() && !verticalProfile()) return;
    if (keepPrevious) {
        if (std::uint8_t* previous = maskOf(selected_)) *previous = channelsFromBoxes();
    }
    selected_ = f;
    for (int i = 0; i < 6; ++i)
        window_->setChecked(kFunctionButtons[static_cast<std::size_t>(i)], functionAt(i) == f);
    showFunction();
}

void CNoiseDlg::showFunction() {
    auto& w = *window_;
    if (selected_ == Function::Masked) {
        w.setText(nd::kValueLabel, "Horizontal");
        w.setText(nd::kRangeLabel, "Vertical");
        for (int id : kChannelBoxes)
            w.setEnabled(id, false);
        for (int id : {nd::kAll, nd::kLinkGreens})
            w.setEnabled(id, false);
        showValue(working_.maskedHorizontal, horizontalProfile());
        showRange(working_.maskedVertical, verticalProfile());
        return;
    }
    w.setText(nd::kValueLabel, "Value");
    w.setText(nd::kRangeLabel, hasRange(selected_) ? "Range" : "");
    const std::uint8_t* mask = maskOf(selected_);
    if (mask == nullptr) return;
    showChannels(*mask);
    int first = -1;
    for (int k = 0; k < 4 && first < 0; ++k)
        if ((*mask & channelBit(k)) != 0) first = k;
    showValue(first < 0 ? 0 : valueOf(working_, selected_, first), first >= 0);
    showRange(first < 0 ? 0 : rangeOf(working_, selected_, first), hasRange(selected_));
}

std::string CNoiseDlg::valueText(double v) const {
    return fractional(selected_) ? fixedText(v, 5) : std::to_string(whole(v));
}

std::string CNoiseDlg::rangeText(double r) const {
    return selected_ == Function::Masked ? fixedText(r, 5) : std::to_string(whole(r));
}

void CNoiseDlg::showValue(double v, bool enabled) {
    value_ = static_cast<float>(v);
    // A Masked weight whose profile is missing is neither shown nor edited.
    const bool shown = enabled || selected_ != Function::Masked;
    window_->setText(nd::kValueEdit, shown ? valueText(v) : std::string());
    window_->setEnabled(nd::kValueEdit, enabled);
    window_->setEnabled(nd::kValueSpin, enabled);
}

void CNoiseDlg::showRange(double r, bool enabled) {
    range_ = static_cast<float>(r);
    window_->setText(nd::kRangeEdit, enabled ? rangeText(r) : std::string());
    window_->setEnabled(nd::kRangeEdit, enabled);
    window_->setEnabled(nd::kRangeSpin, enabled);
}

std::uint8_t CNoiseDlg::channelsFromBoxes() const {
    std::uint8_t mask = 0;
    for (int k = 0; k < 4; ++k)
        if (window_->isChecked(kChannelBoxes[static_cast<std::size_t>(k)])) mask |= channelBit(k);
    return mask;
}

void CNoiseDlg::showChannels(std::uint8_t mask) {
    auto& w = *window_;
    for (int id : {nd::kRed, nd::kGreen1, nd::kBlue, nd::kAll, nd::kLinkGreens})
        w.setEnabled(id, true);
    if (mask == kNoiseMaskAll) {
        for (int id : kChannelBoxes) {
            w.setChecked(id, true);
            w.setEnabled(id, false);
        }
        w.setChecked(nd::kAll, true);
        w.setEnabled(nd::kLinkGreens, false);
        return;
    }
    w.setChecked(nd::kAll, false);
    if (mask == kGreensOnly) w.setChecked(nd::kLinkGreens, true);
    for (int k = 0; k < 4; ++k)
        w.setChecked(kChannelBoxes[static_cast<std::size_t>(k)], (mask & channelBit(k)) != 0);
    w.setEnabled(nd::kGreen2, !w.isChecked(nd::kLinkGreens));
}

void CNoiseDlg::onChannelClick(int id) {
    std::uint8_t* mask = maskOf(selected_);
    if (mask == nullptr) return;
    const bool linked = window_->isChecked(nd::kLinkGreens);
    switch (id) {
    case nd::kRed:
        *mask = kNoiseMaskRed;
        break;
    case nd::kBlue:
        *mask = kNoiseMaskBlue;
        break;
    case nd::kGreen1:
        *mask = linked ? kGreensOnly : kNoiseMaskGreen1;
        break;
    case nd::kGreen2:
        *mask = kNoiseMaskGreen2;
        break;
    case nd::kAll:
        if (window_->isChecked(nd::kAll)) {
            // The numbers shown go to every channel of the function.
            *mask = kNoiseMaskAll;
            store(false);
        } else {
            *mask = 0;
        }
        break;
    case nd::kLinkGreens: {
        std::uint8_t m = channelsFromBoxes();
        if (linked)
            m = static_cast<std::uint8_t>((m & ~kNoiseMaskGreen2) |
                                          ((m & kNoiseMaskGreen1) != 0 ? kNoiseMaskGreen2 : 0));
        *mask = m;
        break;
    }
    default:
        return;
    }
    showFunction();
}

// ---------------------------------------------------------------------------------------------
// Storing and applying

void CNoiseDlg::store(bool apply) {
    NoiseParameters& p = working_;
    if (selected_ == Function::Masked) {
        if (horizontalProfile()) p.maskedHorizontal = value_;
        if (verticalProfile()) p.maskedVertical = range_;
    } else if (const std::uint8_t* mask = maskOf(selected_)) {
        const std::int32_t v = whole(value_), r = whole(range_);
        for (std::size_t k = 0; k < 4; ++k) {
            if ((*mask & channelBit(static_cast<int>(k))) == 0) continue;
            switch (selected_) {
            case Function::Offset:
                p.offset[k] = v;
                break;
            case Function::Replace:
                p.replace[k] = static_cast<std::uint16_t>(std::clamp(v, 0, 0xFFFF));
                p.replaceRange[k] = r;
                break;
            case Function::Shift:
                p.shift[k] = v;
                p.shiftRange[k] = r;
                break;
            case Function::Multiply:
                p.multiply[k] = value_;
                p.multiplyRange[k] = r;
                break;
            case Function::Black:
                p.black[k] = v;
                if (p.blackOn != 0 && owner_.blackPoint() > v) owner_.SetToolBlackPoint(v);
                break;
            default:
                break;
            }
        }
        if (valueOf(p, selected_, 1) == valueOf(p, selected_, 3) &&
            rangeOf(p, selected_, 1) == rangeOf(p, selected_, 3)) {
            window_->setChecked(nd::kLinkGreens, true);
            window_->setEnabled(nd::kGreen2, false);
        }
    }
    p.valid = 1;
    window_->setEnabled(nd::kRevert, true);
    if (!apply) return;
    *live_ = working_;
    if (selected_ == Function::Black) blackPointFromBlock();
    redrawInImageMode();
}

void CNoiseDlg::blackPointFromBlock() {
    owner_.SetToolBlackPoint(working_.blackOn != 0 ? lowestBlack(working_) : savedBlackPoint_);
}

void CNoiseDlg::applyToLive() {
    *live_ = working_;
    redrawInImageMode();
}

void CNoiseDlg::redrawInImageMode() {
    if (displayMode_ != nullptr && *displayMode_ == DisplayMode::Image) owner_.redrawPanel();
}

double CNoiseDlg::editNumber(int id, double fallback) const {
    const auto n = readNumber(window_->text(id));
    return n ? *n : fallback;
}

void CNoiseDlg::onSpin(int id, int delta) {
    if (window_ == nullptr || selected_ == Function::None) return;
    const int step =
        kSpinSteps[static_cast<std::size_t>(modifierLevel(services_))] * (delta < 0 ? -1 : 1);
    const double max = largest();
    const double fraction = step * kFractionStep;
    if (id == nd::kValueSpin) {
        double v = editNumber(nd::kValueEdit, value_);
        switch (selected_) {
        case Function::Multiply:
            v += fraction;
            if (v < -kLargestFactor || v > kLargestFactor) v = 0;
            break;
        case Function::Masked:
            v = std::clamp(v + fraction, 0.0, kLargestWeight);
            break;
        default:
            v = std::clamp(std::trunc(v) + step, unsignedValue(selected_) ? 0.0 : -max, max);
            break;
        }
        value_ = static_cast<float>(v);
        window_->setText(nd::kValueEdit, valueText(v));
    } else if (id == nd::kRangeSpin) {
        double r = editNumber(nd::kRangeEdit, range_);
        switch (selected_) {
        case Function::Masked:
            r = std::clamp(r + fraction, 0.0, kLargestWeight);
            break;
        case Function::Multiply:
            r = std::trunc(r) + step;
            break;
        default:
            r = std::min(std::trunc(r) + step, max);
            break;
        }
        range_ = static_cast<float>(r);
        window_->setText(nd::kRangeEdit, rangeText(r));
    } else {
        return;
    }
    store(true);
}

void CNoiseDlg::confirmEdit(bool enter) {
    const double max = largest();
    if (editing_ == 1) {
        double v = value_;
        if (selected_ == Function::Multiply) {
            const auto x = readNumber(window_->text(nd::kValueEdit));
            v = x && *x >= -kLargestFactor && *x <= kLargestFactor ? *x : 0;
        } else if (selected_ == Function::Masked) {
            const auto x = readNumber(window_->text(nd::kValueEdit));
            if (x && *x >= 0 && *x <= kLargestWeight) v = *x;
        } else {
            const auto x = readWholeNumber(window_->text(nd::kValueEdit));
            if (x && *x > -max && *x < max && (!unsignedValue(selected_) || *x >= 0))
                v = static_cast<double>(*x);
        }
        value_ = static_cast<float>(v);
        window_->setText(nd::kValueEdit, valueText(v));
    } else {
        double r = range_;
        if (selected_ == Function::Masked) {
            const auto x = readNumber(window_->text(nd::kRangeEdit));
            if (x && *x >= 0 && *x <= kLargestWeight) r = *x;
        } else {
            const auto x = readWholeNumber(window_->text(nd::kRangeEdit));
            if (selected_ == Function::Multiply) {
                if (x) r = static_cast<double>(*x);
            } else {
                r = x && *x >= -max && *x <= max ? static_cast<double>(*x) : max;
            }
        }
        range_ = static_cast<float>(r);
        window_->setText(nd::kRangeEdit, rangeText(r));
    }
    store(enter);
}

// ---------------------------------------------------------------------------------------------
// Commands

void CNoiseDlg::onCommand(int id, Notification code) {
    if (window_ == nullptr) return;
    if (id == nd::kValueEdit || id == nd::kRangeEdit) {
        const bool value = id == nd::kValueEdit;
        if (code == Notification::SetFocus) {
            editing_ = value ? 1 : 2;
            (value ? value_ : range_) = static_cast<float>(editNumber(id, value ? value_ : range_));
        } else if (code == Notification::KillFocus) {
            editing_ = 0;
            window_->setText(id, value ? valueText(value_) : rangeText(range_));
        }
        return;
    }
    if (code != Notification::Clicked) return;
    if (const int i = indexOf(kFunctionButtons, id); i >= 0) {
        select(functionAt(i), true);
        return;
    }
    if (indexOf(kEnableBoxes, id) >= 0) {
        onEnableClick(id);
        return;
    }
    if (indexOf(kChannelBoxes, id) >= 0 || id == nd::kAll || id == nd::kLinkGreens) {
        onChannelClick(id);
        return;
    }
    if (const int n = indexOf(kSaveButtons, id); n >= 0) {
        (*saved_)[static_cast<std::size_t>(n)] = working_;
        return;
    }
    if (const int n = indexOf(kRecallButtons, id); n >= 0) {
        recall((*saved_)[static_cast<std::size_t>(n)]);
        return;
    }
    switch (id) {
    case nd::kReset:
        reset();
        return;
    case nd::kRevert:
        revert();
        return;
    case nd::kAccept:
        accept();
        return;
    case ids::kCancel:
        owner_.SetToolBlackPoint(savedBlackPoint_);
        *live_ = snapshot_;
        owner_.redrawPanel();
        finish(2);
        return;
    default:
        return; // Enter with no default button sends OK (1): nothing to do
    }
}

void CNoiseDlg::onEnableClick(int id) {
    const int i = indexOf(kEnableBoxes, id);
    const Function f = functionAt(i);
    flagOf(working_, f) = window_->isChecked(id) ? 1 : 0;
    if (f == Function::Black) blackPointFromBlock();
    applyToLive();
}

void CNoiseDlg::linkGreensDefault() {
    window_->setChecked(nd::kLinkGreens, true);
    window_->setEnabled(nd::kGreen2, false);
}

void CNoiseDlg::recall(const NoiseParameters& slot) {
    working_ = slot;
    showFunction();
    if (working_.valid != 0) {
        window_->setEnabled(nd::kRevert, true);
        showEnableBoxes(true);
        blackPointFromBlock();
    } else {
        linkGreensDefault();
        window_->setEnabled(nd::kRevert, false);
        showEnableBoxes(false);
        owner_.SetToolBlackPoint(savedBlackPoint_);
        working_.black.fill(savedBlackPoint_);
    }
    applyToLive();
}

void CNoiseDlg::reset() {
    working_ = NoiseParameters{};
    const bool masked = selected_ == Function::Masked;
    value_ = range_ = masked ? 1.0f : 0.0f;
    for (int id : {nd::kValueEdit, nd::kRangeEdit})
        window_->setText(id, masked ? fixedText(1.0, 5) : std::string());
    for (int id : kChannelBoxes)
        window_->setChecked(id, false);
    window_->setChecked(nd::kAll, false);
    linkGreensDefault();
    for (int id : {nd::kValueEdit, nd::kRangeEdit, nd::kValueSpin, nd::kRangeSpin})
        window_->setEnabled(id, false);
    showEnableBoxes(false);
    window_->setEnabled(nd::kRevert, true);
    applyToLive();
}

void CNoiseDlg::revert() {
    working_ = snapshot_;
    const bool linked = working_.offset[1] == working_.offset[3];
    window_->setChecked(nd::kLinkGreens, linked);
    window_->setEnabled(nd::kGreen2, !linked);
    if (working_.valid == 0) working_.black.fill(savedBlackPoint_);
    showEnableBoxes(working_.valid != 0);
    window_->setChecked(nd::kMaskedOn, horizontalProfile() || verticalProfile());
    takeFlagsFromBoxes();
    window_->setEnabled(nd::kRevert, false);
    selected_ = Function::None;
    select(Function::Offset, false);
    owner_.SetToolBlackPoint(savedBlackPoint_);
    // The display goes back to the block it had at opening, whatever the boxes now show.
    *live_ = snapshot_;
    redrawInImageMode();
}

void CNoiseDlg::accept() {
    if (working_.valid != 0 && working_.blackOn != 0) {
        AcceptNoiseBlackLevels(*image_, working_.black);
        image_->blackPoint = image_->blackLevelMinimum;
        owner_.SetToolBlackPoint(image_->blackLevelMinimum);
    }
    *live_ = working_;
    finish(1);
}

void CNoiseDlg::finish(int result) {
    if (openSlot_ != nullptr && *openSlot_ == this) *openSlot_ = nullptr;
    // The window's destruction releases this object: nothing of it is touched afterwards.
    window_->endDialog(result);
}

void CNoiseDlg::Close() {
    finish(1);
}

void CNoiseDlg::onDestroy() {
    if (openSlot_ != nullptr && *openSlot_ == this) *openSlot_ = nullptr;
    delete this;
}

bool CNoiseDlg::preTranslate(const platform::KeyMessage& key) {
    using platform::KeyMessageKind;
    if (window_ == nullptr) return false;
    const int focus = window_->focus();
    // Replace and Black take digits only.
    if (key.kind == KeyMessageKind::Char && focus == nd::kValueEdit && unsignedValue(selected_))
        return key.code >= 0x20 && (key.code < '0' || key.code > '9');
    if (key.kind != KeyMessageKind::KeyDown || editing_ == 0) return false;
    if (focus != (editing_ == 1 ? nd::kValueEdit : nd::kRangeEdit)) return false;
    // Enter stores and applies, Tab only stores; then each does what it does in a dialog.
    if (key.code == vk::kReturn)
        confirmEdit(true);
    else if (key.code == vk::kTab)
        confirmEdit(false);
    return false;
}

// ---------------------------------------------------------------------------------------------

void AcceptNoiseBlackLevels(ImageDescriptor& image, const std::array<std::int32_t, 4>& black) {
    const auto level = [](std::int32_t v) {
        return static_cast<std::uint16_t>(std::clamp(v, 0, 0xFFFF));
    };
    const auto [low, high] = std::minmax_element(black.begin(), black.end());
    image.blackLevelMinimum = level(*low);
    image.blackLevelMaximum = level(*high);
    if (*low == *high) {
        image.blackLevel = image.blackLevelAverage = level(*low);
        image.blackLevelArray.clear();
        image.blackRepeatRows = image.blackRepeatCols = 0;
    } else {
        const std::uint32_t w = cfaPatternWidth(image), h = cfaPatternHeight(image);
        image.blackLevelArray.assign(std::size_t{w} * h, 0);
        for (std::uint32_t r = 0; r < h; ++r)
            for (std::uint32_t c = 0; c < w; ++c)
                image.blackLevelArray[r * w + c] =
                    level(black[static_cast<std::size_t>(channelOf(cfaColourAt(image, r, c), r))]);
        image.blackRepeatRows = static_cast<std::uint8_t>(h);
        image.blackRepeatCols = static_cast<std::uint8_t>(w);
        // A single level would stand before the per-position ones.
        image.blackLevel = 0;
        image.blackLevelAverage =
            level(std::accumulate(black.begin(), black.end(), std::int32_t{0}) / 4);
    }
    // The black levels now come from the dialog: the masked-area profiles are gone.
    image.blackDeltaH.clear();
    image.blackDeltaV.clear();
    image.columnWeighting.clear();
    image.rowWeighting.clear();
}

} // namespace korvane
