// The main dialog's display: the five mode operations with their control arrangements,
// drawing the picture panel and applying what a drawing reports, the scroll bars, and the
// display settings other front ends set directly.
#include <algorithm>

#include "analysis/CfaColours.hpp"
#include "analysis/MappingArrays.hpp"
#include "analysis/RenderImage.hpp"
#include "app/AnalyzerDlg.hpp"
#include "app/TextNumbers.hpp"
#include "resources/Bitmaps.hpp"
#include "resources/ControlIds.hpp"

namespace korvane {

namespace {

// The histograms need this many panel rows; a shorter panel makes the dialog taller.
constexpr int kHistogramPanelHeight = 470;
constexpr std::uint8_t kMaxMagnification = 10;

std::uint32_t levelOf(const platform::DialogWindow& w, int edit) {
    // The edits hold decimal text; a negative level is taken as unsigned, as typed.
    return static_cast<std::uint32_t>(readDecimal(w.text(edit), 8));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Mode operations

void CAnalyzerDlg::ShowCompositeView() {
    enterMode(DisplayMode::Image, ImageSubMode::Composite, ids::kRadioComposite);
}
void CAnalyzerDlg::ShowGreyscaleView() {
    enterMode(DisplayMode::Image, ImageSubMode::Greyscale, ids::kRadioGreyscale);
}
void CAnalyzerDlg::ShowChannelView() {
    enterMode(DisplayMode::Image, ImageSubMode::Channel, ids::kRadioChannel);
}
void CAnalyzerDlg::ShowExposureView() {
    enterMode(DisplayMode::Exposure, imageSubMode_, ids::kRadioExposure);
}
void CAnalyzerDlg::ShowHistogramView() {
    enterMode(DisplayMode::Histogram, imageSubMode_, ids::kRadioHistogram);
}

void CAnalyzerDlg::enterMode(DisplayMode mode, ImageSubMode subMode, int radio) {
    for (int id = ids::kRadioExposure; id <= ids::kRadioHistogram; ++id)
        window_->setChecked(id, id == radio);
    window_->setFocus(ids::kFocusKeeper);
    const bool changes =
        displayMode_ != mode || (mode == DisplayMode::Image && imageSubMode_ != subMode);
    if (changes) {
        const auto samplesOnly = [](DisplayMode m, ImageSubMode s) {
            return m == DisplayMode::Exposure ||
                   (m == DisplayMode::Image && s == ImageSubMode::Channel);
        };
        // Exposure and Channel ignore the reduction, Composite and Greyscale use it: a
        // change between the two lays the view out anew.
        const bool wasSamplesOnly = samplesOnly(displayMode_, imageSubMode_);
        const bool isSamplesOnly = samplesOnly(mode, subMode);
        if (reduction_ != 1 && (isSamplesOnly || (mode == DisplayMode::Image && wasSamplesOnly)))
            layoutPending_ = true;
        // Histogram mode cleared the scrollable flags: the bars are set up again.
        if (displayMode_ == DisplayMode::Histogram) layoutPending_ = true;
        if (mode == DisplayMode::Histogram) {
            if (panel_.mouseState == MouseState::Selecting) panel_.clearSelection();
            panel_.mouseState = MouseState::Hover;
            horizontalScrollable_ = verticalScrollable_ = false;
        }
        displayMode_ = mode;
        if (mode == DisplayMode::Image) imageSubMode_ = subMode;
        arrangeControls(arrangementOf(mode, imageSubMode_));
        placePanel(mode == DisplayMode::Histogram);
    }
    if (file_ && image_) redraw();
}

void CAnalyzerDlg::arrangeControls(Arrangement arrangement) {
    auto& w = *window_;
    const bool loaded = file_ && image_;
    const auto column = static_cast<std::size_t>(arrangement);
    for (const ArrangementRow& row : arrangementTable()) {
        const ControlAction action = row.action[column];
        for (const int id : row.ids) {
            if (id == 0) break;
            switch (action) {
            case ControlAction::Show:
            case ControlAction::Hide:
                w.setVisible(id, action == ControlAction::Show);
                w.setEnabled(id, action == ControlAction::Show);
                break;
            case ControlAction::Enable:
            case ControlAction::Disable:
                w.setEnabled(id, action == ControlAction::Enable);
                break;
            case ControlAction::WithImage:
                w.setEnabled(id, loaded);
                break;
            case ControlAction::ScrollBar:
                w.setVisible(id, true);
                w.setEnabled(id, !panel_.dragging() && (id == ids::kHScroll ? horizontalScrollable_
                                                                            : verticalScrollable_));
                break;
            case ControlAction::Keep:
            case ControlAction::HistogramOption:
                break;
            }
        }
        if (action == ControlAction::HistogramOption) arrangeHistogramOptions();
    }
}

void CAnalyzerDlg::arrangeHistogramOptions() {
    auto& w = *window_;
    const auto place = [&w](int id, bool visible, bool enabled) {
        w.setVisible(id, visible);
        w.setEnabled(id, visible && enabled);
    };
    if (displayMode_ != DisplayMode::Histogram) {
        for (int id : {ids::kMapped, ids::kApplyWb, ids::kFine, ids::kSelectionBox})
            place(id, false, false);
        return;
    }
    const bool mapped = w.isChecked(ids::kMapped);
    const bool fine = w.isChecked(ids::kFine);
    const bool wideRange = image_ != nullptr && image_->valueRange > 511;
    bool balanced = false;
    if (image_ != nullptr) {
        const auto& m = image_->wbMultipliers;
        balanced = m[0] != 1.0f || m[1] != 1.0f || m[3] != 1.0f;
    }
    // "Mapped" and "Fine" exclude each other: each hides the other while it is checked.
    place(ids::kMapped, !fine, true);
    place(ids::kApplyWb, mapped && !fine, balanced);
    place(ids::kFine, !mapped && wideRange, true);
    place(ids::kSelectionBox, fine, panel_.selectionValid());
}

void CAnalyzerDlg::placePanel(bool histogram) {
    if (!histogram) {
        // Back to the rectangle the panel had before Histogram mode widened it.
        if (panelWidened_) window_->moveControl(ids::kPanel, panelRect_);
        panelWidened_ = false;
        return;
    }
    if (!panelWidened_) panelRect_ = window_->controlRect(ids::kPanel);
    panelWidened_ = true;
    const int height = window_->controlRect(ids::kHScroll).top - panelRect_.top;
    if (height < kHistogramPanelHeight) {
        // The size change moves the scroll bars, grows the panel's rectangle and places it.
        platform::WindowPlacement taller = window_->placement();
        taller.normal.bottom += kHistogramPanelHeight - height;
        window_->setPlacement(taller);
    }
    platform::Rect r = panelRect_;
    // Over the hidden vertical scroll bar.
    r.right = window_->controlRect(ids::kVScroll).right;
    if (window_->controlRect(ids::kPanel) != r) window_->moveControl(ids::kPanel, r);
}

// ---------------------------------------------------------------------------------------------
// Drawing

bool CAnalyzerDlg::pictureShown() const {
    return window_ != nullptr && file_ && image_ != nullptr && !image_->samples.empty() &&
           (displayMode_ == DisplayMode::Image || displayMode_ == DisplayMode::Exposure);
}

void CAnalyzerDlg::onPanelPaint() {
    redraw();
}

void CAnalyzerDlg::redraw() {
    if (window_ != nullptr && displayMode_ == DisplayMode::Histogram && imageDecoded())
        drawHistograms();
    else
        repaint();
}

void CAnalyzerDlg::repaint() {
    if (window_ == nullptr) return;
    platform::Surface& picture = window_->panelSurface();
    if (!pictureShown()) {
        picture.fill(0);
        window_->updatePanel();
        return;
    }
    const RenderSettings settings = renderSettings();
    displayMode_ = settings.mode;
    RenderOutcome outcome = RenderImage(*image_, settings, picture, reporter_);
    fullRedraw_ = layoutPending_ = countsPending_ = false;
    if (succeeded(outcome.status))
        applyOutcome(outcome);
    else if (outcome.counts)
        showCounts(*outcome.counts);
    lastOutcome_ = std::move(outcome);
    window_->updatePanel();
}

void CAnalyzerDlg::showNoImage() {
    if (window_ == nullptr) return;
    auto& w = *window_;
    // The texts a drawing or a count writes go back to those of the template.
    for (const platform::ControlTemplate& t : w.dialogTemplate().controls)
        if (t.id == ids::kStatisticsText || t.id == ids::kCoordinatesText ||
            t.id == ids::kZoomText || t.id == ids::kWhiteStatistics ||
            t.id == ids::kBlackStatistics)
            w.setText(t.id, std::string(t.text));
    for (const int id : {ids::kWhiteStatistics, ids::kBlackStatistics})
        w.setVisible(id, false);
    horizontalScrollable_ = verticalScrollable_ = false;
    for (const int id : {ids::kHScroll, ids::kVScroll}) {
        w.setRangeState(id, {0, 0, 0, 0, 1, 0});
        w.setEnabled(id, false);
    }
    panel_.geometry = {};
    showOrientationGroup(std::nullopt);
    lastOutcome_ = {};
    repaint();
}

RenderSettings CAnalyzerDlg::renderSettings() {
    const auto& w = *window_;
    RenderSettings s;
    s.mode = w.isChecked(ids::kRadioExposure) ? DisplayMode::Exposure : DisplayMode::Image;
    s.subMode = imageSubMode_;
    s.magnification = magnification_;
    s.reduction = reduction_;
    s.blackPoint = levelOf(w, ids::kBlackEdit);
    s.whitePoint = levelOf(w, ids::kWhiteEdit);
    s.checks.showClipping = w.isChecked(ids::kShowClipping);
    s.checks.rawClipping = w.isChecked(ids::kRawClipping);
    s.checks.outsideRange = w.isChecked(ids::kOutsideRange);
    s.checks.blackCorrected = w.isChecked(ids::kBlCorrected);
    s.checks.adjusted = w.isChecked(ids::kAdj);
    for (int k = 0; k < 3; ++k) {
        s.checks.lowSide[static_cast<std::size_t>(k)] = w.isChecked(ids::kBlackR + k);
        s.checks.highSide[static_cast<std::size_t>(k)] = w.isChecked(ids::kWhiteR + k);
    }
    s.relayout = fullRedraw_;
    s.layoutPending = layoutPending_;
    s.countsPending = countsPending_;
    s.panel = window_->panelSurface().size();
    s.selection = panel_.selection;
    s.dragging = panel_.dragging();
    s.fileOrientation = file_->orientation;
    s.noise = liveNoise_.valid == 1 ? &noiseStage_ : nullptr;
    return s;
}

void CAnalyzerDlg::applyOutcome(const RenderOutcome& o) {
    auto& w = *window_;
    panel_.geometry = o.geometry;
    horizontalScrollable_ = o.horizontalScrollable;
    verticalScrollable_ = o.verticalScrollable;
    if (o.scrollBarsSetUp) {
        setUpScrollBar(ids::kHScroll, o.horizontalBar, o.horizontalScrollable, image_->scrollX);
        setUpScrollBar(ids::kVScroll, o.verticalBar, o.verticalScrollable, image_->scrollY);
    }
    showOrientationGroup(o.orientationGroup);
    if (o.levelTextsStale) {
        w.setVisible(ids::kBlackStatistics, false);
        w.setVisible(ids::kWhiteStatistics, false);
    }
    if (o.counts) showCounts(*o.counts);
    if (o.selectionDropped) panel_.clearSelection();
    w.setText(ids::kStatisticsText, o.statisticsText);
    w.setText(ids::kCoordinatesText, o.coordinatesText);
    w.setText(ids::kZoomText, o.zoomText);
}

void CAnalyzerDlg::setUpScrollBar(int id, const ScrollBarSetup& bar, bool scrollable,
                                  std::int32_t scroll) {
    auto& w = *window_;
    const bool focused = w.focus() == id;
    // With a thumb that stops a page short of the end the bar's positions are exactly the
    // scroll positions 0 to scrollMax, so the bar shows the scroll position itself.
    w.setRangeState(id, {bar.minimum, bar.maximum, scrollable ? scroll : 0, bar.page, 1, 0});
    w.setEnabled(id, bar.enabled);
    if (focused && scrollable) {
        // Taking the focus away and giving it back makes the bar redraw its thumb.
        w.setFocus(ids::kFocusKeeper);
        w.setFocus(id);
    }
}

void CAnalyzerDlg::showOrientationGroup(std::optional<OrientationGroup> group) {
    // No group: no image, and no button shows the current orientation.
    if (group && shownOrientation_ == group) return;
    shownOrientation_ = group;
    struct Button {
        int id;
        OrientationGroup group;
        int normalBitmap; // the "current" image is 4 further on
    };
    static constexpr Button kButtons[] = {
        {ids::kOrientNormal, OrientationGroup::AsStored, 150},
        {ids::kOrient180, OrientationGroup::Turned180, 151},
        {ids::kOrientLeft, OrientationGroup::CounterClockwise, 152},
        {ids::kOrientRight, OrientationGroup::Clockwise, 153},
    };
    for (const Button& b : kButtons)
        window_->setBitmap(
            b.id, resources::loadBitmap(b.normalBitmap + (group && b.group == *group ? 4 : 0)));
}

void CAnalyzerDlg::CountExposureClasses() {
    if (window_ == nullptr || image_ == nullptr) return;
    showCounts(korvane::CountExposureClasses(*image_, levelOf(*window_, ids::kBlackEdit),
                                             levelOf(*window_, ids::kWhiteEdit),
                                             window_->isChecked(ids::kOutsideRange)));
}

void CAnalyzerDlg::showCounts(const ExposureCountTexts& texts) {
    auto& w = *window_;
    w.setText(ids::kBlackStatistics, texts.blackSide);
    w.setText(ids::kWhiteStatistics, texts.whiteSide);
    w.setVisible(ids::kBlackStatistics, true);
    w.setVisible(ids::kWhiteStatistics, true);
    if (xChecked_) {
        w.setChecked(ids::kOptionX, false);
        xChecked_ = false;
    }
}

void CAnalyzerDlg::onMappingSelection() {
    const int row = window_->selection(ids::kMappingCombo);
    if (row < 0 || static_cast<std::size_t>(row) >= kMappingFunctions.size() || !file_ || !image_)
        return;
    image_->mappingFunction = row;
    if (image_->mapping.capacity > 0 &&
        failed(BuildMappingArrays(*image_, kMappingFunctions[static_cast<std::size_t>(row)],
                                  reporter_)))
        return;
    if (displayMode_ == DisplayMode::Image)
        repaint();
    else if (displayMode_ == DisplayMode::Histogram)
        redraw();
}

// ---------------------------------------------------------------------------------------------
// Scroll bars

void CAnalyzerDlg::enableScrollBars(bool enable) {
    if (horizontalScrollable_) window_->setEnabled(ids::kHScroll, enable);
    if (verticalScrollable_) window_->setEnabled(ids::kVScroll, enable);
}

void CAnalyzerDlg::onScrollBar(int id, platform::ScrollCode code, int position) {
    using platform::ScrollCode;
    if (!file_ || image_ == nullptr) return;
    const bool horizontal = id == ids::kHScroll;
    std::int32_t& scroll = horizontal ? image_->scrollX : image_->scrollY;
    const std::int32_t maximum = std::max(0, horizontal ? image_->scrollMaxX : image_->scrollMaxY);
    const std::int32_t page = horizontal ? image_->pageX : image_->pageY;
    switch (code) {
    case ScrollCode::LineUp:
        if (scroll <= 0) return;
        --scroll;
        break;
    case ScrollCode::LineDown:
        if (scroll >= maximum) return;
        ++scroll;
        break;
    case ScrollCode::PageUp:
        scroll = std::max(0, scroll - page);
        break;
    case ScrollCode::PageDown:
        scroll = std::min(maximum, scroll + page);
        break;
    case ScrollCode::Top:
        scroll = 0;
        break;
    case ScrollCode::Bottom:
        scroll = maximum;
        break;
    case ScrollCode::EndScroll:
        return;
    case ScrollCode::ThumbPosition:
    case ScrollCode::ThumbTrack:
        scroll = std::clamp(position, 0, maximum);
        break;
    }
    window_->setPosition(id, scroll);
    repaint();
}

// ---------------------------------------------------------------------------------------------
// Settings set directly

void CAnalyzerDlg::onOrientation(std::uint16_t orientation) {
    setOrientation(orientation);
}

void CAnalyzerDlg::setOrientation(std::uint16_t orientation) {
    if (!file_ || image_ == nullptr || orientation < 1 || orientation > 8) return;
    image_->orientation = orientation;
    image_->scrollX = image_->scrollY = 0;
    fullRedraw_ = true;
    repaint();
}

void CAnalyzerDlg::setPanelSelection(std::int32_t left, std::int32_t top, std::int32_t right,
                                     std::int32_t bottom) {
    // As a right-button drag: not in Histogram mode, and only over a loaded image.
    if (window_ == nullptr || !file_ || image_ == nullptr || displayMode_ == DisplayMode::Histogram)
        return;
    panel_.selection = {true, std::min(left, right), std::min(top, bottom), std::max(left, right),
                        std::max(top, bottom)};
    repaint();
}

void CAnalyzerDlg::clearPanelSelection() {
    panel_.clearSelection();
    repaint();
}

void CAnalyzerDlg::setZoom(std::uint8_t magnification, std::uint8_t reduction) {
    magnification_ = std::clamp<std::uint8_t>(magnification, 1, kMaxMagnification);
    std::uint8_t cfaWidth = 1;
    if (image_ != nullptr) cfaWidth = static_cast<std::uint8_t>(cfaPatternWidth(*image_));
    reduction_ = reduction > 1 ? cfaWidth : 1;
    // Every zoom drops the selection: its cells are no longer where they were.
    panel_.clearSelection();
    layoutPending_ = true;
    repaint();
}

void CAnalyzerDlg::setScroll(std::int32_t x, std::int32_t y) {
    if (image_ == nullptr) return;
    image_->scrollX = std::max(0, x);
    image_->scrollY = std::max(0, y);
    layoutPending_ = true;
    repaint();
}

void CAnalyzerDlg::setWhiteBalance(const std::array<float, 4>& multipliers) {
    if (image_ == nullptr) return;
    image_->wbMultipliers = multipliers;
    redraw();
}

void CAnalyzerDlg::setNoiseParameters(const NoiseParameters& live) {
    liveNoise_ = live;
    if (image_ != nullptr) redraw();
}

} // namespace korvane
