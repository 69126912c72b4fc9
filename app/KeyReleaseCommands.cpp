// What the keys of the release table do: modes, copy, rotation, white balance sets and
// channel isolation, per-channel black, white and clip levels, the column black profile,
// and the analyses of the selection. Each returns whether it consumed the key.
#include <algorithm>
#include <numeric>

#include "analysis/CfaColours.hpp"
#include "analysis/FrequencyAnalysis.hpp"
#include "app/AnalyzerDlg.hpp"
#include "platform/VirtualKeys.hpp"
#include "resources/ControlIds.hpp"
#include "tools/CreateTemplate.hpp"

namespace korvane {

namespace {

namespace vk = platform::vk;

int digitOf(int code) {
    return code - vk::k0;
}

// The greens rule: a green changes "between zero and not" when exactly one of the old and
// new values is 0.
bool greenFlips(float before, float after) {
    return (before == 0) != (after == 0);
}

} // namespace

void CAnalyzerDlg::redrawIfShown() {
    if (displayMode_ == DisplayMode::Image || displayMode_ == DisplayMode::Exposure)
        repaint();
    else if (displayMode_ == DisplayMode::Histogram)
        redraw();
}

void CAnalyzerDlg::setImageWhiteBalance(const std::array<float, 4>& wb) {
    ImageDescriptor& im = *image_;
    if (greenFlips(im.wbMultipliers[1], wb[1]) || greenFlips(im.wbMultipliers[2], wb[2]))
        im.greensChanged = true;
    im.wbMultipliers = wb;
}

bool CAnalyzerDlg::keyShowView(int code) {
    switch (code) {
    case 'B':
        ShowGreyscaleView();
        break;
    case 'E':
        ShowExposureView();
        break;
    case 'H':
        if (displayMode_ != DisplayMode::Histogram) ShowHistogramView();
        break;
    case 'I':
        ShowCompositeView();
        break;
    case 'N':
        ShowChannelView();
        break;
    default:
        break;
    }
    return true;
}

bool CAnalyzerDlg::keyCopy(int) {
    copyHistograms();
    return true;
}

bool CAnalyzerDlg::keyDropSelection(int) {
    if (panel_.selectionValid() && displayMode_ != DisplayMode::Histogram) {
        panel_.clearSelection();
        repaint();
    }
    return true;
}

bool CAnalyzerDlg::keySerial(int) {
    const std::string& serial = file_->serial;
    if (std::any_of(serial.begin(), serial.end(), [](char c) { return c != ' ' && c != '\0'; }))
        reporter_.ShowMessage(MessageId::Information, "Serial # " + serial + " ");
    return true;
}

bool CAnalyzerDlg::keyRotate(int code) {
    if (displayMode_ == DisplayMode::Histogram) return true;
    const std::uint16_t o = resolvedOrientation(image_->orientation, file_->orientation);
    // A quarter turn counter-clockwise (L) or clockwise (R) of the display.
    static constexpr std::uint16_t kLeft[9] = {0, 8, 8, 6, 6, 3, 1, 1, 3};
    static constexpr std::uint16_t kRight[9] = {0, 6, 6, 8, 8, 1, 3, 3, 1};
    setOrientation(code == 'L' ? kLeft[o] : kRight[o]);
    return true;
}

bool CAnalyzerDlg::keyToolDialog(int code) {
    if (code == 'W')
        openWhiteBalanceDialog();
    else
        openNoiseDialog();
    return true;
}

bool CAnalyzerDlg::keyWhiteBalanceFromSelection(int) {
    const auto& s = image_->selectionWb;
    setImageWhiteBalance(panel_.selectionValid() ? std::array<float, 4>{s[0], s[1], s[1], s[2]}
                                                 : std::array<float, 4>{1, 1, 1, 1});
    if (whiteBalanceDlg_ != nullptr) whiteBalanceDlg_->TakeFromImage();
    if (displayMode_ == DisplayMode::Image)
        repaint();
    else if (displayMode_ == DisplayMode::Histogram)
        redraw();
    return true;
}

bool CAnalyzerDlg::keyBrowse(int) {
    BrowseCommand();
    return true;
}

bool CAnalyzerDlg::keyUpdateRefused(int) {
    reporter_.ShowMessage(MessageId::UpdateUnsupported);
    return true;
}

bool CAnalyzerDlg::keyAsShot(int) {
    const auto& shot = file_->wbCoefficients;
    if (shot[0] == 0) return true;
    setImageWhiteBalance(shot);
    if (displayMode_ == DisplayMode::Image)
        repaint();
    else if (displayMode_ == DisplayMode::Histogram)
        redraw();
    return true;
}

bool CAnalyzerDlg::keySaveWhiteBalance(int code) {
    wbSets_[static_cast<std::size_t>(digitOf(code) - 1)] = image_->wbMultipliers;
    redrawIfShown();
    return true;
}

bool CAnalyzerDlg::keyRecallWhiteBalance(int code) {
    setImageWhiteBalance(wbSets_[static_cast<std::size_t>(digitOf(code) - 1)]);
    redrawIfShown();
    return true;
}

bool CAnalyzerDlg::keyPositionBlack(int code) {
    ImageDescriptor& im = *image_;
    const std::size_t positions = std::size_t{cfaPatternWidth(im)} * cfaPatternHeight(im);
    const auto n = static_cast<std::size_t>(digitOf(code) - 1);
    if (im.blackLevelArray.size() != positions) im.blackLevelArray.assign(positions, im.blackLevel);
    if (n < positions)
        im.blackLevelArray[n] = static_cast<std::uint16_t>(std::clamp(blackPoint_, 0, 0xFFFF));
    im.blackRepeatRows = static_cast<std::uint8_t>(cfaPatternHeight(im));
    im.blackRepeatCols = static_cast<std::uint8_t>(cfaPatternWidth(im));
    if (displayMode_ == DisplayMode::Image)
        repaint();
    else if (displayMode_ == DisplayMode::Histogram)
        redraw();
    return true;
}

bool CAnalyzerDlg::keyChannelWhite(int code) {
    if (image_->blackLevelMaximum >= whitePoint_) return true;
    image_->channelWhite[static_cast<std::size_t>(digitOf(code) - 1)] = whitePoint_;
    histograms_.clear();
    countRawHistogram();
    if (displayMode_ == DisplayMode::Histogram)
        redraw();
    else if (displayMode_ == DisplayMode::Image)
        repaint();
    return true;
}

bool CAnalyzerDlg::keyContextWhite(int) {
    file_->channelLevels = image_->channelWhite;
    redrawIfShown();
    return true;
}

bool CAnalyzerDlg::keyHistogramTop(int) {
    if (image_->blackLevelMaximum >= whitePoint_) return true;
    image_->valueRange = whitePoint_;
    histograms_.clear();
    countRawHistogram();
    if (displayMode_ == DisplayMode::Histogram) redraw();
    return true;
}

bool CAnalyzerDlg::keyClipLevel(int code) {
    image_->clipLevels[static_cast<std::size_t>(digitOf(code) - 1)] = whitePoint_;
    return true;
}

bool CAnalyzerDlg::keyIsolateChannel(int code) {
    // Red, both greens, blue, the first green, the second green.
    static constexpr std::array<std::array<float, 4>, 5> kIsolated{
        {{1, 0, 0, 0}, {0, 1, 1, 0}, {0, 0, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
    setImageWhiteBalance(kIsolated[static_cast<std::size_t>(digitOf(code) - 1)]);
    redrawIfShown();
    return true;
}

bool CAnalyzerDlg::keyRecoveryTemplate(int) {
    std::optional<SampleRect> selection;
    if (panel_.selectionValid())
        selection = storedSelection(lastOutcome_.view, *image_, image_->selectionArea);
    (void)CreateTemplate(*image_, selection, templates_, 1, reporter_);
    return true;
}

bool CAnalyzerDlg::keyFrequencyAnalysis(int code) {
    if (!panel_.selectionValid()) return true;
    const Modifiers m = heldModifiers();
    // F1 red, F2 the first row's green, F3 blue, F4 the second row's green.
    if (failed(AnalyseFrequencies(*image_, lastOutcome_.view, panel_.selection, code - vk::kF1,
                                  m.shift, m.ctrl, reporter_)))
        return true;
    // The samples are now the spectrum: the histograms count them anew.
    countRawHistogram();
    if (displayMode_ == DisplayMode::Image || displayMode_ == DisplayMode::Exposure) repaint();
    return true;
}

bool CAnalyzerDlg::keyMeasureColumnProfile(int) {
    const ImageDescriptor& im = *image_;
    const SampleRect a = im.activeRect();
    columnProfile_ = {};
    if (a.width == 0 || a.height == 0 ||
        im.samples.size() < std::size_t{im.imageWidth} * im.imageLength)
        return true;
    ColumnProfile p;
    try {
        p.values.assign(a.width, 0);
    } catch (const std::bad_alloc&) {
        reporter_.ShowMessage(MessageId::AllocationFailed,
                              static_cast<std::int32_t>(a.width * sizeof(std::uint16_t)),
                              "column black profile");
        return true;
    }
    std::vector<std::uint64_t> sums(a.width, 0);
    for (std::uint32_t r = a.top; r < a.top + a.height; ++r) {
        const std::uint16_t* row = im.samples.data() + std::size_t{r} * im.imageWidth + a.left;
        for (std::uint32_t c = 0; c < a.width; ++c)
            sums[c] += row[c];
    }
    for (std::uint32_t c = 0; c < a.width; ++c)
        p.values[c] = static_cast<std::uint16_t>(sums[c] / a.height);
    const auto [low, high] = std::minmax_element(p.values.begin(), p.values.end());
    p.minimum = *low;
    p.maximum = *high;
    p.mean = static_cast<std::uint16_t>(
        std::accumulate(p.values.begin(), p.values.end(), std::uint64_t{0}) / p.values.size());
    p.camera = cameraOf(*file_);
    columnProfile_ = std::move(p);
    return true;
}

bool CAnalyzerDlg::keyApplyColumnProfile(int) {
    if (!columnProfile_ || columnProfile_->camera != cameraOf(*file_)) return true;
    ImageDescriptor& im = *image_;
    if (columnProfile_->values.size() != im.activeRect().width) return true;
    // The profile replaces every other black level of the image.
    im.blackLevelArray.clear();
    im.blackDeltaV.clear();
    im.rowWeighting.clear();
    im.columnWeighting.clear();
    im.blackLevel = 0;
    im.blackDeltaH = columnProfile_->values;
    im.blackLevelMinimum = columnProfile_->minimum;
    im.blackLevelMaximum = columnProfile_->maximum;
    im.blackLevelAverage = columnProfile_->mean;
    onBlackReset();
    if (displayMode_ == DisplayMode::Image) repaint();
    return true;
}

std::string CAnalyzerDlg::cameraOf(const RawFileContext& file) {
    // The make and model the file names: a profile measured on a dark frame serves the other
    // shots of that camera, also where no camera row describes it.
    return file.make + "\n" + file.model;
}

bool CAnalyzerDlg::keyConsumeArrow(int code) {
    if (window_ == nullptr) return false;
    const int focus = window_->focus();
    const bool levelEdit = focus == ids::kBlackEdit || focus == ids::kWhiteEdit;
    const bool hover = panel_.mouseState == MouseState::Hover && focus != ids::kMappingCombo;
    if (code == vk::kUp || code == vk::kDown) return verticalScrollable_ || levelEdit || hover;
    if (code == vk::kLeft || code == vk::kRight) return horizontalScrollable_ || levelEdit || hover;
    return hover;
}

} // namespace korvane
