// The main dialog's keyboard: system characters (font size), key presses (scrolling, level
// nudging, fine exposure steps, Enter, Tab and Escape), key releases through the release
// table, the "+" and "-" characters, and zooming with the picture's centre kept.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/CfaColours.hpp"
#include "app/AnalyzerDlg.hpp"
#include "app/ControlStyle.hpp"
#include "app/TextNumbers.hpp"
#include "common/ExposureScale.hpp"
#include "platform/VirtualKeys.hpp"
#include "resources/ControlIds.hpp"

namespace korvane {

namespace {

namespace vk = platform::vk;
using platform::KeyMessageKind;

constexpr int kFontSteps = 2;
constexpr std::uint8_t kMaxMagnification = 10;
// 1/36 EV in exposureStep6 units, from -8 EV (0) to +8 EV (576).
constexpr int kFineSteps = 576;
constexpr int kFineZero = 288;
// The factor of one 1/36 EV step: 2^(1/36).
constexpr double kFineFactor = 1.019440644;
constexpr std::int32_t kPageStep = 512;
// The levels stay within the scale's own range (4095, 16383 or 65535): its last two
// positions are the sliders' room above it, not levels a nudge runs up to.
constexpr int kScaleTopPosition = kLevelPositions - 3;

std::string fineExposureLabel(int step6) {
    const int d = std::abs(step6 - kFineZero);
    const char sign = step6 < kFineZero ? '-' : '+';
    char text[24];
    if (d / 36 == 0)
        std::snprintf(text, sizeof text, "%c%i/36", sign, d % 36);
    else
        std::snprintf(text, sizeof text, "%c%i %i/36", sign, d / 36, d % 36);
    return text;
}

} // namespace

Modifiers CAnalyzerDlg::heldModifiers() const {
    return {services_.isKeyDown(vk::kControl), services_.isKeyDown(vk::kShift),
            services_.isKeyDown(vk::kMenu)};
}

bool CAnalyzerDlg::imageKeysApply() const {
    return file_ && image_ != nullptr && !processing_;
}

bool CAnalyzerDlg::preTranslate(const platform::KeyMessage& key) {
    if (window_ == nullptr) return false;
    const Modifiers m = heldModifiers();
    switch (key.kind) {
    case KeyMessageKind::SysChar:
        return onSystemCharacter(key.code);
    case KeyMessageKind::Char:
        return onCharacter(key.code, m);
    case KeyMessageKind::KeyDown:
    case KeyMessageKind::SysKeyDown:
        return onKeyPress(key.code, m);
    case KeyMessageKind::KeyUp:
    case KeyMessageKind::SysKeyUp:
        return onKeyRelease(key.code, m);
    }
    return false;
}

bool CAnalyzerDlg::onSystemCharacter(int c) {
    if (c != '+' && c != '-') return false;
    const int step = c == '+' ? 1 : -1;
    if (std::abs(fontStep_ + step) <= kFontSteps) {
        fontStep_ += step;
        applyControlStyles(*window_, services_.screenDpiY(), step);
    }
    return true;
}

bool CAnalyzerDlg::onCharacter(int c, const Modifiers& m) {
    if ((c != '+' && c != '-') || m.ctrl) return false;
    // The keypad's + and - zoom when they are released; the characters they type as well
    // would zoom twice.
    if (services_.isKeyDown(vk::kAdd) || services_.isKeyDown(vk::kSubtract)) return true;
    // A "+" or "-" typed into an edit is text, not a zoom.
    const int focus = window_->focus();
    if (focus == ids::kPathEdit || focus == ids::kBlackEdit || focus == ids::kWhiteEdit)
        return false;
    zoom(c == '+' ? ZoomStep::In : ZoomStep::Out);
    return true;
}

bool CAnalyzerDlg::onKeyRelease(int code, const Modifiers& m) {
    const bool loaded = imageKeysApply();
    for (const KeyReleaseRow& row : keyReleaseRows()) {
        if (!row.pattern.matches(code, m)) continue;
        if (!loaded && !row.withoutImage) return false;
        return (this->*row.action)(code);
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Key presses

bool CAnalyzerDlg::onKeyPress(int code, const Modifiers& m) {
    const bool histogram = displayMode_ == DisplayMode::Histogram;
    // 1. Ctrl with Home, End, Page Up and Page Down scrolls to the ends.
    if (m.ctrl && imageKeysApply() && !histogram && ctrlScroll(code)) return true;
    // 2. Nudging the levels in their edits.
    const int focus = window_->focus();
    if ((focus == ids::kBlackEdit || focus == ids::kWhiteEdit) &&
        nudgeLevels(code, m, focus == ids::kBlackEdit))
        return true;
    // 3. Fine exposure steps on the exposure slider.
    if (focus == ids::kExposureSlider && m.ctrl && (code == vk::kLeft || code == vk::kRight)) {
        fineExposureStep(code == vk::kRight ? 1 : -1);
        return true;
    }
    // 4. The scrolling keys while the pointer rests on the picture.
    if (imageKeysApply() && panel_.mouseState == MouseState::Hover && focus != ids::kMappingCombo &&
        !histogram && hoverScroll(code, m))
        return true;
    // 5. Enter, Tab and Escape.
    switch (code) {
    case vk::kReturn:
        if (pathEditActive_) {
            ProcessCommand();
            return true;
        }
        return confirmLevelEdit(false);
    case vk::kTab:
        return confirmLevelEdit(true);
    case vk::kEscape:
        // Escape in a level edit abandons the edit; elsewhere it ends the dialog.
        if (whiteEditActive_ || blackEditActive_) {
            whiteEditActive_ ? whiteEditActive_ = false : blackEditActive_ = false;
            window_->setFocus(ids::kFocusKeeper);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void CAnalyzerDlg::scrollTo(std::int32_t x, std::int32_t y) {
    image_->scrollX = std::clamp(x, 0, std::max(image_->scrollMaxX, 0));
    image_->scrollY = std::clamp(y, 0, std::max(image_->scrollMaxY, 0));
    window_->setPosition(ids::kHScroll, image_->scrollX);
    window_->setPosition(ids::kVScroll, image_->scrollY);
    repaint();
}

bool CAnalyzerDlg::ctrlScroll(int code) {
    ImageDescriptor& im = *image_;
    switch (code) {
    case vk::kHome:
        scrollTo(0, 0);
        return true;
    case vk::kEnd:
        if (horizontalScrollable_ || verticalScrollable_)
            scrollTo(horizontalScrollable_ ? im.scrollMaxX : im.scrollX,
                     verticalScrollable_ ? im.scrollMaxY : im.scrollY);
        return true;
    case vk::kPrior:
    case vk::kNext:
        if (!verticalScrollable_) return false;
        scrollTo(im.scrollX, code == vk::kPrior ? 0 : im.scrollMaxY);
        return true;
    default:
        return false;
    }
}

bool CAnalyzerDlg::hoverScroll(int code, const Modifiers& m) {
    ImageDescriptor& im = *image_;
    const bool vertical = code == vk::kUp || code == vk::kDown;
    const bool horizontal = code == vk::kLeft || code == vk::kRight;
    if (code == vk::kHome) {
        scrollTo(0, 0);
        return true;
    }
    if (code == vk::kEnd) return ctrlScroll(vk::kEnd);
    if ((vertical && !verticalScrollable_) || (horizontal && !horizontalScrollable_) ||
        (!vertical && !horizontal))
        return false;
    const bool back = code == vk::kUp || code == vk::kLeft;
    const std::int32_t page = vertical ? im.pageY : im.pageX;
    const std::int32_t maximum = vertical ? im.scrollMaxY : im.scrollMaxX;
    const std::int32_t now = vertical ? im.scrollY : im.scrollX;
    std::int32_t to = now;
    if (m.ctrl)
        to = back ? 0 : maximum;
    else
        to = now + (back ? -1 : 1) * (m.shift ? page : page / 2);
    if (vertical)
        scrollTo(im.scrollX, to);
    else
        scrollTo(to, im.scrollY);
    return true;
}

bool CAnalyzerDlg::nudgeLevels(int code, const Modifiers& m, bool blackFocused) {
    std::int32_t step = 1;
    if (m.ctrl && m.alt)
        step = 500;
    else if (m.ctrl && m.shift)
        step = 50;
    else if (m.ctrl)
        step = 10;
    else if (m.shift)
        step = 5;
    const std::int32_t top = levelAt(*levelScale_, kScaleTopPosition);
    const auto black = [&](std::int32_t by) {
        setBlackPoint(std::clamp(blackPoint_ + by, 0, whitePoint_));
    };
    const auto white = [&](std::int32_t by) {
        setWhitePoint(std::clamp(whitePoint_ + by, blackPoint_, top));
    };
    const auto focused = [&](std::int32_t by) { blackFocused ? black(by) : white(by); };
    switch (code) {
    case vk::kPrior:
        focused(kPageStep);
        break;
    case vk::kNext:
        focused(-kPageStep);
        break;
    case vk::kUp:
        focused(step);
        break;
    case vk::kDown:
        focused(-step);
        break;
    case vk::kLeft:
        black(-step), white(-step);
        break;
    case vk::kRight:
        white(step), black(step);
        break;
    default:
        return false;
    }
    window_->setVisible(ids::kBlackStatistics, false);
    window_->setVisible(ids::kWhiteStatistics, false);
    if (imageKeysApply()) redraw();
    return true;
}

void CAnalyzerDlg::fineExposureStep(int by) {
    if (image_ == nullptr) return;
    ImageDescriptor& im = *image_;
    const int to = std::clamp(im.exposureStep6 + by, 0, kFineSteps);
    if (to == im.exposureStep6) return;
    im.exposureStep6 = to;
    im.exposureStep = to / 6;
    if (to % 6 == 0) {
        im.exposureFactor = exposureFactor(im.exposureStep);
        window_->setText(ids::kExposureLabel, exposureLabel(im.exposureStep));
    } else {
        im.exposureFactor = std::pow(kFineFactor, to - kFineZero);
        window_->setText(ids::kExposureLabel, fineExposureLabel(to));
    }
    redraw();
}

// ---------------------------------------------------------------------------------------------
// Zooming

void CAnalyzerDlg::zoom(ZoomStep step) {
    if (!imageKeysApply() ||
        (displayMode_ != DisplayMode::Image && displayMode_ != DisplayMode::Exposure))
        return;
    const bool samplesOnly =
        displayMode_ == DisplayMode::Exposure || imageSubMode_ == ImageSubMode::Channel;
    std::uint8_t m = magnification_, r = reduction_;
    const std::uint32_t cw = cfaPatternWidth(*image_), ch = cfaPatternHeight(*image_);
    switch (step) {
    case ZoomStep::In:
        if (samplesOnly) r = 1;
        if (r > 1)
            r = 1;
        else if (m < kMaxMagnification)
            ++m;
        break;
    case ZoomStep::Out:
        if (m > 1)
            --m;
        else if (r == 1 && !samplesOnly && image_->cfaLayout <= 1 && cw == ch && cw > 1)
            r = static_cast<std::uint8_t>(cw);
        break;
    case ZoomStep::OneToOne:
        m = r = 1;
        break;
    }
    if (m == magnification_ && r == reduction_) return;
    // The picture's centre, in scroll units, stays where it is.
    const platform::Size panel = window_->panelSurface().size();
    const std::int64_t hw = panel.width / 2, hh = panel.height / 2;
    const std::int64_t centreX = reduction_ * hw / magnification_ / cw + image_->scrollX;
    const std::int64_t centreY = reduction_ * hh / magnification_ / ch + image_->scrollY;
    image_->scrollX =
        static_cast<std::int32_t>(std::max<std::int64_t>((cw * centreX - hw * r / m) / cw, 0));
    image_->scrollY =
        static_cast<std::int32_t>(std::max<std::int64_t>((ch * centreY - hh * r / m) / ch, 0));
    magnification_ = m;
    reduction_ = r;
    panel_.clearSelection();
    if (panel_.dragging()) panel_.mouseState = MouseState::Hover;
    layoutPending_ = true;
    repaint();
}

bool CAnalyzerDlg::keyZoom(int code) {
    zoom(code == vk::kAdd        ? ZoomStep::In
         : code == vk::kSubtract ? ZoomStep::Out
                                 : ZoomStep::OneToOne);
    return true;
}

} // namespace korvane
