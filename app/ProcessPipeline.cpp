#include <algorithm>
#include <new>

#include "app/AnalyzerDlg.hpp"
#include "common/ExposureScale.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "decode/LoadImageData.hpp"
#include "resources/ControlIds.hpp"

namespace korvane {

namespace {

// The longest path the dialog takes, in bytes.
constexpr std::size_t kMaxPath = 260;

bool isBlank(char c) {
    return c == ' ' || (c >= 9 && c <= 13);
}

std::string trimmed(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

} // namespace

LoadStages LoadStages::standard() {
    return {ParseContainer, [](RawFileContext& context, Reporter& reporter, const KeyState& keys) {
                return LoadImageData(context, reporter, keys);
            }};
}

void CAnalyzerDlg::ProcessCommand() {
    if (window_ == nullptr || processing_) return;
    if (file_ && image_) {
        // Tool windows belong to the image they were opened for: releasing it ends them.
        displayMode_ = DisplayMode::None;
        setExposureControls(kExposureZero, false);
        ReleaseFileContext();
        panel_.clearSelection();
        magnification_ = reduction_ = 1;
    }
    const std::string path = trimmed(window_->text(ids::kPathEdit));
    if (!path.empty()) {
        fullRedraw_ = true;
        (void)ProcessFile(path);
    }
    if (window_ == nullptr) return;
    window_->setDefaultControl(ids::kFocusKeeper);
    window_->setFocus(ids::kFocusKeeper);
}

void CAnalyzerDlg::setProcessPhase(LoadPhase phase) {
    shownPhase_ = phase;
    if (file_) file_->phase = phase;
    window_->redraw(ids::kProcess, true);
}

void CAnalyzerDlg::showShotInfo(const std::string& text) {
    window_->setText(ids::kShotInfo, text);
    window_->redraw(ids::kShotInfo, true);
}

void CAnalyzerDlg::restoreProcessButton() {
    shownPhase_ = LoadPhase::Idle;
    window_->setOwnerDrawn(ids::kProcess, false);
    window_->setText(ids::kProcess, "Process");
    window_->setEnabled(ids::kProcess, true);
    window_->redraw(ids::kProcess);
}

Status CAnalyzerDlg::ProcessFile(const std::string& path) {
    // 1. The record of the file.
    file_ = std::unique_ptr<RawFileContext>(new (std::nothrow) RawFileContext);
    if (!file_) {
        reporter_.ShowMessage(MessageId::AllocationFailed,
                              static_cast<std::int32_t>(sizeof(RawFileContext)),
                              "image file description");
        return kFailed;
    }
    image_ = nullptr;
    processing_ = true;
    RawFileContext& ctx = *file_;

    // 2. The button shows the phase while the file is read.
    window_->setOwnerDrawn(ids::kProcess, true);
    window_->setEnabled(ids::kProcess, false);
    setProcessPhase(LoadPhase::Opening);

    const auto earlyFailure = [this] {
        ReleaseFileContext();
        showNoImage();
        restoreProcessButton();
        processing_ = false;
        return kFailed;
    };

    // 3 to 6. Open, check the length, take the read buffer. A longer path is refused as it
    // stands: cut short it could name another file.
    ctx.path = path;
    if (path.size() > kMaxPath) {
        reporter_.ShowMessage(MessageId::InputOpenFailed, path, "Path too long");
        return earlyFailure();
    }
    if (const int cause = openRawFile(ctx); cause != 0) {
        reporter_.ShowMessage(MessageId::InputOpenFailed, ctx.path,
                              truncatedReason(fileReasonText(cause)));
        return earlyFailure();
    }
    if (ctx.fileLength <= 25) {
        reporter_.ShowMessage(MessageId::TooShortForTiff);
        return earlyFailure();
    }
    try {
        ctx.buffer.resize(kReadBufferSize);
    } catch (const std::bad_alloc&) {
        reporter_.ShowMessage(MessageId::AllocationFailed,
                              static_cast<std::int32_t>(kReadBufferSize), "image file buffer");
        return earlyFailure();
    }
    ctx.bufferSize = kReadBufferSize;
    setProcessPhase(LoadPhase::Reading);

    // 7. Parse.
    Status status = stages_.parse(ctx, reporter_, services_,
                                  [this](const std::string& text) { showShotInfo(text); });
    if (succeeded(status) && !ctx.mainImage) {
        // A parser that succeeds always names a main image; treat anything else as no image.
        reporter_.ShowMessage(MessageId::NoValidImage, ctx.path);
        status = kFailed;
    }
    if (succeeded(status)) {
        // 8. Levels of the image.
        image_ = ctx.mainImage;
        ImageDescriptor& image = *image_;
        image.wbMultipliers = {1.0f, 1.0f, 1.0f, 1.0f};
        image.displayWhite = image.whiteLevel;
        image.whiteLevel = displayedWhiteLevel(image);
        if (ctx.formatCode != 2) image.displayWhite = image.maximumValue;
        setWhitePoint(image.displayWhite);
        window_->setPosition(ids::kExposureSlider, image.exposureStep);
        window_->setText(ids::kExposureLabel, exposureLabel(image.exposureStep));

        if (window_->isChecked(ids::kInfoOnly)) {
            // 9. Only the file's description was asked for.
            displayMode_ = DisplayMode::None;
            status = kFailed;
        } else if (succeeded(stages_.load(ctx, reporter_, services_))) {
            // 10. Loaded: set up the display.
            ReleaseOffsetTables(ctx);
            levelScale_ = &chooseLevelScale(image.maximumValue, image.whiteLevel);
            image.channelWhite = ctx.channelLevels;
            image.channelMaximum = ctx.channelLevels;
            image.clipLevels = ctx.channelLevels;
            setBlackPoint(image.blackLevelMinimum);
            setWhitePoint(whitePoint_); // the slider follows the new scale
            window_->setEnabled(ids::kExposureSlider, true);
            window_->setEnabled(ids::kExposureReset, true);
            panel_.clearSelection();
            image.selection.fill(-1);
            window_->setChecked(ids::kFine, false);
            window_->setChecked(ids::kSelectionBox, false);
            countRawHistogram();
            CountExposureClasses();
            image.scrollX = image.scrollY = 0;
            magnification_ = reduction_ = 1;
            fullRedraw_ = true;
            image.mappingFunction = std::max(0, window_->selection(ids::kMappingCombo));
            displayMode_ = DisplayMode::None;
            if (window_->isChecked(ids::kRadioHistogram))
                ShowHistogramView();
            else if (window_->isChecked(ids::kRadioExposure))
                ShowExposureView();
            else if (window_->isChecked(ids::kRadioChannel))
                ShowChannelView();
            else if (window_->isChecked(ids::kRadioComposite))
                ShowCompositeView();
            else
                ShowGreyscaleView();
        } else {
            // The loader has shown its message; the file stays current, undecoded (what the
            // loader wrote before it stopped is no picture of the file), and nothing of an
            // earlier picture stays on screen.
            ReleaseOffsetTables(ctx);
            std::vector<std::uint16_t>().swap(image.samples);
            showNoImage();
        }
    }

    // 11, 12. Close and restore, whatever happened.
    if (file_) {
        closeRawFile(*file_);
        file_->buffer = {};
        file_->bufferSize = 0;
        file_->phase = LoadPhase::Idle;
    }
    restoreProcessButton();
    processing_ = false;
    if (failed(status)) {
        ReleaseFileContext();
        showNoImage();
        return status;
    }
    file_->cursor = 0;
    file_->windowStart = 0;
    file_->windowLength = 0;
    return kOk;
}

void CAnalyzerDlg::ReleaseFileContext() {
    closeToolDialogs();
    displayMode_ = DisplayMode::None;
    panel_.clearSelection();
    image_ = nullptr;
    if (!file_) return;
    // The file closes with its record; the trees and buffers hang from it.
    closeRawFile(*file_);
    file_.reset();
}

} // namespace korvane
