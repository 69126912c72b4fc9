// The main dialog in Histogram mode: what the check boxes and level edits ask to count, the
// counting, the drawing into the panel with its texts, and the copy to the clipboard.
#include "analysis/Histograms.hpp"
#include "app/AnalyzerDlg.hpp"
#include "app/TextNumbers.hpp"
#include "resources/ControlIds.hpp"

namespace korvane {

namespace {

// A box of the histogram drawing, not of the message catalogue.
constexpr std::int16_t kHistogramMessageNumber = -1;

} // namespace

void CAnalyzerDlg::countRawHistogram() {
    if (image_ == nullptr || image_->samples.empty()) return;
    histograms_.clear();
    BuildRawHistogram(*image_, histograms_, HistogramMode::WholeRange, 0, {}, reporter_);
    if (!histograms_.counted) return;
    // The largest raw value of each colour: the reference the selection's white balance is
    // taken against.
    const auto& m = histograms_.channelMaxima;
    image_->channelMaximum = {m[0], m[1], m[2], m[1]};
}

HistogramPlan CAnalyzerDlg::histogramPlan() const {
    const auto& w = *window_;
    HistogramChoices c;
    c.mapped = w.isChecked(ids::kMapped);
    c.applyWbChecked = w.isChecked(ids::kApplyWb);
    c.fine = w.isChecked(ids::kFine);
    c.selectionChecked = w.isChecked(ids::kSelectionBox);
    c.selectionPresent = panel_.selectionValid();
    c.blackPoint = static_cast<std::uint32_t>(readDecimal(w.text(ids::kBlackEdit), 8));
    c.whitePoint = static_cast<std::uint32_t>(readDecimal(w.text(ids::kWhiteEdit), 8));
    c.valueCount = image_->valueRange;
    c.whiteBalance = image_->wbMultipliers;
    return planHistograms(c);
}

Status CAnalyzerDlg::countHistograms(const HistogramPlan& plan) {
    ImageDescriptor& image = *image_;
    image.blackPoint = plan.blackPoint;
    image.whitePoint = plan.whitePoint;
    if (plan.rgb) {
        RgbHistogramRequest request;
        request.blackPoint = plan.blackPoint;
        request.whitePoint = plan.whitePoint;
        request.applyWhiteBalance = plan.applyWhiteBalance;
        request.exposureFactor = image.exposureFactor;
        request.mappingFunction = image.mappingFunction;
        const std::optional<HistogramNoise> noise = HistogramNoiseOf(liveNoise_);
        request.noise = noise ? &*noise : nullptr;
        request.blackStage = liveNoise_.valid == 1 ? &noiseStage_ : nullptr;
        const Status status = BuildRgbHistogram(image, histograms_, request, reporter_);
        // Counted without valid parameters, the histogram gives minus the black levels, which
        // the parameters keep as their offsets (the noise dialog starts from them).
        if (succeeded(status) && liveNoise_.valid != 1 && histograms_.blackOffsets)
            liveNoise_.offset = *histograms_.blackOffsets;
        return status;
    }
    SampleRect selection;
    if (plan.mode == HistogramMode::Selection)
        selection = storedSelection(lastOutcome_.view, image, image.selectionArea);
    BuildRawHistogram(image, histograms_, plan.mode, plan.windowStart, selection, reporter_);
    return kOk;
}

void CAnalyzerDlg::drawHistograms() {
    auto& w = *window_;
    const HistogramPlan plan = histogramPlan();
    if (w.isChecked(ids::kMapped)) w.setEnabled(ids::kApplyWb, plan.applyWbEnabled);
    if (failed(countHistograms(plan))) return;
    histogramPlan_ = plan;
    w.setText(ids::kHistogramText, plan.rangeText);
    std::optional<std::array<float, 4>> shotWb;
    if (file_->wbCoefficients[0] > 0) shotWb = file_->wbCoefficients;
    w.setText(ids::kStatisticsText,
              HistogramSummaryText(file_->processingNote, *image_, shotWb, image_->wbMultipliers));

    platform::Surface& picture = w.panelSurface();
    const HistogramDrawing drawing = DrawHistograms(*image_, histograms_, plan, picture);
    w.updatePanel();
    // Said once for each panel size that is too small, not at every repaint of it.
    if (drawing.tooSmall && picture.size() != tooSmallReported_) {
        tooSmallReported_ = picture.size();
        services_.messageBox(window_,
                             {kHistogramMessageNumber, std::string(kHistogramTooSmallCaption),
                              std::string(kHistogramTooSmallText)});
    }
    if (copyRequest_) {
        copyRequest_ = false;
        if (!services_.setClipboardBitmap(picture))
            reporter_.ShowMessage(MessageId::ClipboardUnavailable);
    }
}

void CAnalyzerDlg::copyHistograms() {
    copyRequest_ = true;
    if (displayMode_ == DisplayMode::Histogram)
        redraw();
    else
        repaint();
}

} // namespace korvane
