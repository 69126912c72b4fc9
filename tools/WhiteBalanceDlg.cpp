#include "tools/WhiteBalanceDlg.hpp"

#include <algorithm>
#include <cmath>

#include "platform/VirtualKeys.hpp"
#include "resources/ControlIds.hpp"
#include "tools/ToolSteps.hpp"

namespace korvane {

namespace {

namespace wb = ids::wb;
namespace vk = platform::vk;
using platform::Notification;

// Red, first green, second green, blue.
constexpr std::array<int, 4> kSliders{wb::kRedSlider, wb::kGreenSlider, wb::kGreen2Slider,
                                      wb::kBlueSlider};
constexpr std::array<int, 4> kEdits{wb::kRedEdit, wb::kGreenEdit, wb::kGreen2Edit, wb::kBlueEdit};
constexpr std::array<int, 4> kResets{wb::kRedReset, wb::kGreenReset, wb::kGreen2Reset,
                                     wb::kBlueReset};
constexpr int kRed = 0, kGreen = 1, kGreen2 = 2, kBlue = 3;

// A slider position is a coefficient of position x 0.05, 0 to 4.
constexpr int kLastPosition = 80;
constexpr double kPositionStep = 0.05;
// Key steps, by modifier level (none, Shift, Ctrl, Ctrl+Shift, Ctrl+Alt), and their limit.
constexpr std::array<double, 5> kKeySteps{0.0001, 0.001, 0.01, 0.1, 1.0};
constexpr double kLargest = 10.0;

int indexOf(const std::array<int, 4>& ids, int id) {
    const auto it = std::find(ids.begin(), ids.end(), id);
    return it == ids.end() ? -1 : static_cast<int>(it - ids.begin());
}

// The greens rule: a green changes "between zero and not" when exactly one of the old and
// new values is 0.
bool greenFlips(float before, float after) {
    return (before == 0) != (after == 0);
}

} // namespace

int whiteBalancePosition(float coefficient) {
    const double p = std::lround(20.0 * static_cast<double>(coefficient));
    return static_cast<int>(std::clamp(p, 0.0, static_cast<double>(kLastPosition)));
}

CWhiteBalanceDlg::CWhiteBalanceDlg(platform::Services& services, ToolHost& owner)
    : services_(services), owner_(owner) {}

bool CWhiteBalanceDlg::Open(RawFileContext& file, ImageDescriptor& image, WhiteBalanceSets& sets,
                            CWhiteBalanceDlg** openSlot, const DisplayMode* displayMode,
                            const ImageSubMode* subMode) {
    file_ = &file;
    image_ = &image;
    sets_ = &sets;
    openSlot_ = openSlot;
    displayMode_ = displayMode;
    subMode_ = subMode;
    return services_.createModelessDialog(ids::kWhiteBalanceDialog, *this, owner_.window()) !=
           nullptr;
}

void CWhiteBalanceDlg::onInitDialog(platform::DialogWindow& window) {
    window_ = &window;
    initial_ = current_ = image_->wbMultipliers;
    for (int k = 0; k < 4; ++k) {
        window.setRangeState(kSliders[k],
                             {0, kLastPosition, whiteBalancePosition(current_[k]), 10, 1, 8});
        window.setText(kEdits[k], fixedText(current_[k], 4));
    }
    separateGreens_ = current_[kGreen] != current_[kGreen2];
    enableSecondGreen(separateGreens_);
    moveFocus(wb::kRedEdit);
    focusedEdit_ = 1;
    // The second green's row is not offered here: it takes part through separateGreens.
    hideSecondGreen();
    window.setEnabled(wb::kRecallAsShot, file_->wbCoefficients[0] != 0);
}

void CWhiteBalanceDlg::enableSecondGreen(bool enable) {
    for (int id : {wb::kGreen2Slider, wb::kGreen2Edit, wb::kGreen2Reset})
        window_->setEnabled(id, enable);
}

void CWhiteBalanceDlg::hideSecondGreen() {
    for (int id : {wb::kGreen2Button, wb::kGreen2Slider, wb::kGreen2Edit, wb::kGreen2Reset}) {
        window_->setVisible(id, false);
        window_->setEnabled(id, false);
    }
}

void CWhiteBalanceDlg::moveFocus(int id) {
    movingFocus_ = true;
    window_->setFocus(id);
    movingFocus_ = false;
}

void CWhiteBalanceDlg::writeImage(int k, float value) {
    float& old = image_->wbMultipliers[static_cast<std::size_t>(k)];
    if ((k == kGreen || k == kGreen2) && greenFlips(old, value)) image_->greensChanged = true;
    old = value;
}

void CWhiteBalanceDlg::showCoefficient(int k) {
    window_->setText(kEdits[k], fixedText(current_[k], 4));
    window_->setPosition(kSliders[k], whiteBalancePosition(current_[k]));
}

void CWhiteBalanceDlg::apply(int k, float value) {
    const auto set = [this](int i, float v) {
        current_[static_cast<std::size_t>(i)] = v;
        writeImage(i, v);
        showCoefficient(i);
    };
    set(k, value);
    if (k == kGreen && !separateGreens_) set(kGreen2, value);
    owner_.redrawPanel();
}

void CWhiteBalanceDlg::applyAll() {
    for (int k = 0; k < 4; ++k) {
        writeImage(k, current_[k]);
        showCoefficient(k);
    }
    separateGreens_ = current_[kGreen] != current_[kGreen2];
    enableSecondGreen(separateGreens_);
    owner_.redrawPanel();
}

void CWhiteBalanceDlg::recall(const std::array<float, 4>& set) {
    current_ = set;
    applyAll();
}

void CWhiteBalanceDlg::TakeFromImage() {
    if (window_ == nullptr) return;
    initial_ = current_ = image_->wbMultipliers;
    for (int k = 0; k < 4; ++k)
        showCoefficient(k);
    separateGreens_ = current_[kGreen] != current_[kGreen2];
    enableSecondGreen(separateGreens_);
    hideSecondGreen();
}

void CWhiteBalanceDlg::onHScroll(int id, platform::ScrollCode, int) {
    const int k = indexOf(kSliders, id);
    if (k < 0 || window_ == nullptr) return;
    apply(k, static_cast<float>(window_->position(id) * kPositionStep));
}

void CWhiteBalanceDlg::onCommand(int id, Notification code) {
    if (window_ == nullptr) return;
    if (const int k = indexOf(kEdits, id); k >= 0) {
        if (code == Notification::SetFocus) {
            focusedEdit_ = k + 1;
        } else if (code == Notification::KillFocus) {
            window_->setText(id, fixedText(current_[k], 4));
            focusedEdit_ = 0;
            // The hidden default button takes the focus, unless the user took it into another
            // edit or slider (typing or sliding there would otherwise miss it).
            const int to = window_->focus();
            if (!movingFocus_ && indexOf(kEdits, to) < 0 && indexOf(kSliders, to) < 0)
                moveFocus(wb::kFocusKeeper);
        }
        return;
    }
    if (code != Notification::Clicked) return;
    if (const int k = indexOf(kResets, id); k >= 0) {
        apply(k, initial_[k]);
        return;
    }
    if (id >= wb::kSave1 && id < wb::kSave1 + 5) {
        (*sets_)[static_cast<std::size_t>(id - wb::kSave1)] = current_;
        return;
    }
    if (id >= wb::kRecall1 && id < wb::kRecall1 + 5) {
        recall((*sets_)[static_cast<std::size_t>(id - wb::kRecall1)]);
        return;
    }
    switch (id) {
    case wb::kRecallAsShot: {
        // Both greens take the first green of the shot.
        const auto& shot = file_->wbCoefficients;
        recall({shot[0], shot[1], shot[1], shot[3]});
        return;
    }
    case wb::kGreen2Button:
        if (separateGreens_) {
            if (current_[kGreen2] != current_[kGreen]) apply(kGreen2, current_[kGreen]);
            separateGreens_ = false;
            enableSecondGreen(false);
            moveFocus(wb::kGreenSlider);
        } else {
            separateGreens_ = true;
            enableSecondGreen(true);
            moveFocus(wb::kGreen2Slider);
        }
        return;
    case wb::kAccept: {
        const float g2 = separateGreens_ ? current_[kGreen2] : current_[kGreen];
        const std::array<float, 4> accepted{current_[kRed], current_[kGreen], g2, current_[kBlue]};
        for (int k = 0; k < 4; ++k)
            writeImage(k, accepted[k]);
        owner_.redrawPanel();
        finish(1);
        return;
    }
    case ids::kCancel:
        for (int k = 0; k < 4; ++k)
            writeImage(k, initial_[k]);
        owner_.redrawPanel();
        finish(2);
        return;
    default:
        return;
    }
}

bool CWhiteBalanceDlg::preTranslate(const platform::KeyMessage& key) {
    using platform::KeyMessageKind;
    if (window_ == nullptr || focusedEdit_ == 0) return false;
    if (key.kind != KeyMessageKind::KeyDown && key.kind != KeyMessageKind::SysKeyDown) return false;
    const int k = focusedEdit_ - 1;
    switch (key.code) {
    case vk::kUp:
    case vk::kDown: {
        const double step = kKeySteps[static_cast<std::size_t>(modifierLevel(services_))];
        const double moved = current_[k] + (key.code == vk::kUp ? step : -step);
        apply(k, static_cast<float>(std::clamp(moved, 0.0, kLargest)));
        return true;
    }
    case vk::kReturn:
        return confirmEdit(false);
    case vk::kTab:
        return confirmEdit(true);
    default:
        return false;
    }
}

bool CWhiteBalanceDlg::confirmEdit(bool tab) {
    const int k = focusedEdit_ - 1;
    const auto typed = readNumber(window_->text(kEdits[k]));
    if (typed && *typed > 0 && *typed <= kLargest)
        apply(k, static_cast<float>(*typed));
    else
        window_->setText(kEdits[k], fixedText(current_[k], 4));
    if (!tab) return true;
    const auto toAccept = [this] {
        window_->setDefaultControl(wb::kAccept);
        moveFocus(wb::kAccept);
    };
    switch (k) {
    case kRed:
        moveFocus(wb::kGreenEdit);
        break;
    case kGreen:
        moveFocus(wb::kBlueEdit);
        break;
    case kGreen2:
        toAccept();
        break;
    default:
        if (separateGreens_)
            moveFocus(wb::kGreen2Edit);
        else
            toAccept();
        break;
    }
    return true;
}

void CWhiteBalanceDlg::finish(int result) {
    if (openSlot_ != nullptr && *openSlot_ == this) *openSlot_ = nullptr;
    // The window's destruction releases this object: nothing of it is touched afterwards.
    window_->endDialog(result);
}

void CWhiteBalanceDlg::Close() {
    finish(1);
}

void CWhiteBalanceDlg::onDestroy() {
    if (openSlot_ != nullptr && *openSlot_ == this) *openSlot_ = nullptr;
    delete this;
}

} // namespace korvane
