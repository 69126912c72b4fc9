#include "app/AnalyzerDlg.hpp"

#include <algorithm>
#include <cstdio>

#include "analysis/MappingFunctionNames.hpp"
#include "app/AboutDlg.hpp"
#include "app/ControlStyle.hpp"
#include "app/TextNumbers.hpp"
#include "common/ExposureScale.hpp"
#include "platform/VirtualKeys.hpp"
#include "resources/Bitmaps.hpp"
#include "resources/ControlIds.hpp"

namespace korvane {

using platform::Notification;
using platform::ScrollCode;

void DialogReporter::deliver(const FormattedMessage& formatted, const MessageArgs&) {
    services_.messageBox(owner_, formatted);
}

CAnalyzerDlg::CAnalyzerDlg(platform::Services& services, std::string commandLine, LoadStages stages)
    : services_(services), reporter_(services, window_), commandLine_(std::move(commandLine)),
      stages_(std::move(stages)) {}

CAnalyzerDlg::~CAnalyzerDlg() {
    closeToolDialogs();
}

std::string CAnalyzerDlg::versionText() const {
    const auto version = services_.productVersion();
    if (!version) return "Version unknown";
    char text[64];
    std::snprintf(text, sizeof text, "Version %u.%u.%u.%u", unsigned{(*version)[0]},
                  unsigned{(*version)[1]}, unsigned{(*version)[2]}, unsigned{(*version)[3]});
    return text;
}

// ---------------------------------------------------------------------------------------------
// Initialisation

void CAnalyzerDlg::onInitDialog(platform::DialogWindow& window) {
    window_ = &window;
    auto& w = window;
    w.addSystemMenuItem(ids::kAboutMenuCommand, "&About Korvane");

    // Levels.
    blackPoint_ = 0;
    whitePoint_ = 4095;
    levelScale_ = &kLevelScale12;
    const platform::RangeState levelRange{0, kLevelPositions - 1, 0, 10, 1, 10};
    for (int id : {ids::kBlackSlider, ids::kWhiteSlider})
        w.setRangeState(id, levelRange);
    w.setTextLimit(ids::kBlackEdit, 6);
    w.setTextLimit(ids::kWhiteEdit, 6);
    setBlackPoint(blackPoint_);
    setWhitePoint(whitePoint_);
    for (int id = ids::kBlackR; id <= ids::kWhiteB; ++id) {
        w.setChecked(id, id >= ids::kWhiteR);
        w.setEnabled(id, false);
    }

    // Exposure and scrolling.
    w.setRangeState(ids::kExposureSlider, {0, kExposurePositions - 1, kExposureZero, 4, 1, 4});
    setExposureControls(kExposureZero, false);
    w.setEnabled(ids::kVScroll, false);
    w.setEnabled(ids::kHScroll, false);

    // Orientation buttons: normal, turned 180 degrees, turned left, turned right.
    showOrientationGroup(std::nullopt);

    minimumSize_ = currentSize_ = w.clientSize();
    resizeAnchors_ = resizeAnchorsOf(w);
    placement_ = w.placement();

    w.setChecked(ids::kRadioComposite, true);
    displayMode_ = DisplayMode::Image;
    imageSubMode_ = ImageSubMode::Composite;

    // Display options.
    for (int id : {ids::kShowClipping, ids::kRawClipping}) {
        w.setChecked(id, false);
        w.setEnabled(id, true);
        w.setVisible(id, true);
    }
    for (int id :
         {ids::kBlCorrected, ids::kOutsideRange, ids::kMapped, ids::kFine, ids::kSelectionBox}) {
        w.setEnabled(id, false);
        w.setVisible(id, false);
    }
    w.setChecked(ids::kApplyWb, true);
    w.setEnabled(ids::kApplyWb, false);
    w.setVisible(ids::kApplyWb, false);
    for (int id : {ids::kInfoOnly, ids::kOptionX, ids::kOptionY})
        w.setVisible(id, false);
    xChecked_ = yChecked_ = false;

    applyControlStyles(w, services_.screenDpiY(), 0);
    w.setTitle(std::string(w.dialogTemplate().title) + " " + versionText());

    std::vector<std::string> names(kMappingFunctionNames.begin(), kMappingFunctionNames.end());
    w.setItems(ids::kMappingCombo, names);
    w.setSelection(ids::kMappingCombo, 0);

    services_.setCursor(platform::CursorKind::Arrow);
    handleCommandLine();
    if (window_ != nullptr) w.setFocus(ids::kBrowse);
}

void CAnalyzerDlg::handleCommandLine() {
    const auto request = parseCommandLine(
        commandLine_, [this](const std::string& p) { return services_.fileExists(p); });
    switch (request.kind) {
    case CommandLineRequest::Kind::None:
        return;
    case CommandLineRequest::Kind::Invalid:
        reporter_.ShowMessage(MessageId::InputFileSpecInvalid, request.path);
        onFinish(ids::kCancel);
        return;
    case CommandLineRequest::Kind::File:
        applyModeOption(request.mode);
        window_->setText(ids::kPathEdit, request.path);
        window_->redraw(ids::kPathEdit);
        ProcessCommand();
        return;
    }
}

void CAnalyzerDlg::applyModeOption(char mode) {
    struct Option {
        char letter;
        DisplayMode mode;
        ImageSubMode subMode;
        int radio;
    };
    static constexpr Option kOptions[] = {
        {'B', DisplayMode::Image, ImageSubMode::Greyscale, ids::kRadioGreyscale},
        {'E', DisplayMode::Exposure, ImageSubMode::Composite, ids::kRadioExposure},
        {'H', DisplayMode::Histogram, ImageSubMode::Composite, ids::kRadioHistogram},
        {'I', DisplayMode::Image, ImageSubMode::Composite, ids::kRadioComposite},
        {'N', DisplayMode::Image, ImageSubMode::Channel, ids::kRadioChannel},
    };
    for (const auto& o : kOptions) {
        if (o.letter != mode) continue;
        displayMode_ = o.mode;
        if (o.mode == DisplayMode::Image) imageSubMode_ = o.subMode;
        for (int id = ids::kRadioExposure; id <= ids::kRadioHistogram; ++id)
            window_->setChecked(id, id == o.radio);
    }
}

// ---------------------------------------------------------------------------------------------
// Commands

void CAnalyzerDlg::onCommand(int id, Notification code) {
    if (window_ == nullptr) return;
    if (code == Notification::SetFocus || code == Notification::KillFocus) {
        const bool gained = code == Notification::SetFocus;
        if (id == ids::kPathEdit) pathEditActive_ = gained;
        if (id == ids::kBlackEdit || id == ids::kWhiteEdit) onLevelEditFocus(id, gained);
        return;
    }
    if (code == Notification::SelectionChange) {
        if (id == ids::kMappingCombo) onMappingSelection();
        return;
    }
    if (code != Notification::Clicked) return;

    switch (id) {
    case ids::kBrowse:
        BrowseCommand();
        return;
    case ids::kProcess:
        ProcessCommand();
        return;
    case ids::kFinish:
        onFinish(1);
        return;
    case ids::kCancel:
        onFinish(ids::kCancel);
        return;
    case ids::kHelp:
        onHelp();
        return;
    case ids::kBlackReset:
        onBlackReset();
        return;
    case ids::kWhiteReset:
        onWhiteReset();
        return;
    case ids::kExposureReset:
        onExposureReset();
        return;
    case ids::kRadioExposure:
    case ids::kLabelExposure:
        ShowExposureView();
        return;
    case ids::kRadioComposite:
    case ids::kLabelComposite:
        ShowCompositeView();
        return;
    case ids::kRadioGreyscale:
    case ids::kLabelGreyscale:
        ShowGreyscaleView();
        return;
    case ids::kRadioChannel:
    case ids::kLabelChannel:
        ShowChannelView();
        return;
    case ids::kRadioHistogram:
    case ids::kLabelHistogram:
        ShowHistogramView();
        return;
    case ids::kOrientLeft:
        onOrientation(8);
        return;
    case ids::kOrientNormal:
        onOrientation(1);
        return;
    case ids::kOrient180:
        onOrientation(3);
        return;
    case ids::kOrientRight:
        onOrientation(6);
        return;
    case ids::kBlackR:
    case ids::kBlackG:
    case ids::kBlackB:
    case ids::kWhiteR:
    case ids::kWhiteG:
    case ids::kWhiteB:
    case ids::kShowClipping:
    case ids::kColorIntegrity:
    case ids::kRawClipping:
        if (file_ && image_) repaint();
        return;
    case ids::kOutsideRange:
    case ids::kBlCorrected:
        if (!file_ || image_ == nullptr) return;
        CountExposureClasses();
        repaint();
        return;
    case ids::kMapped:
    case ids::kFine:
        arrangeHistogramOptions();
        if (displayMode_ == DisplayMode::Histogram) redraw();
        return;
    case ids::kApplyWb:
        if (displayMode_ == DisplayMode::Histogram) redraw();
        return;
    case ids::kSelectionBox:
        if (image_ != nullptr) image_->selection.fill(-1);
        histograms_.selectionValid = false;
        if (displayMode_ == DisplayMode::Histogram) redraw();
        return;
    case ids::kOptionX:
        xChecked_ = window_->isChecked(ids::kOptionX);
        return;
    case ids::kOptionY:
        yChecked_ = window_->isChecked(ids::kOptionY);
        return;
    case ids::kAdj:
        if (displayMode_ == DisplayMode::Image && file_ && image_) repaint();
        return;
    default:
        return;
    }
}

void CAnalyzerDlg::onSystemCommand(int command) {
    // The window menu's commands 16 to 31 are the About box.
    if (command >= 16 && command <= 31) onAbout();
}

void CAnalyzerDlg::BrowseCommand() {
    platform::OpenFileRequest request;
    request.title = "Select raw image file to process";
    request.filterName = "All files (*.*)";
    request.filterPattern = "*.*";
    request.mustExist = true;
    request.maxPath = 260;
    const auto chosen = services_.openFileDialog(window_, request);
    if (chosen) OpenChosenFile(*chosen);
}

void CAnalyzerDlg::OpenChosenFile(const std::string& path) {
    window_->setText(ids::kPathEdit, path);
    window_->redraw(ids::kPathEdit);
    ProcessCommand();
}

void CAnalyzerDlg::onFileDropped(const std::string& path) {
    if (window_ != nullptr && !processing_ && !path.empty()) OpenChosenFile(path);
}

std::vector<std::string> guideCandidates(const std::string& programFolder) {
    std::vector<std::string> folders{programFolder};
    // Installed: the program in PREFIX/bin, the guide in PREFIX/share/doc/korvane.
    if (!programFolder.empty()) {
        const std::size_t slash = programFolder.find_last_of('/');
        const std::string prefix =
            slash == std::string::npos ? "." : programFolder.substr(0, slash);
        folders.push_back(prefix + "/share/doc/korvane");
    }
    std::vector<std::string> paths;
    for (const std::string& folder : folders)
        for (const char* name : {"KorvaneGuideAll.htm", "KorvaneGuideAll.mht"})
            paths.push_back(folder.empty() ? std::string(name) : folder + "/" + name);
    return paths;
}

void CAnalyzerDlg::onHelp() {
    if (helpLocation_ == HelpLocation::Unknown) {
        helpLocation_ = HelpLocation::Online;
        for (const std::string& candidate : guideCandidates(services_.programFolder())) {
            if (!services_.fileExists(candidate)) continue;
            helpPath_ = candidate;
            helpLocation_ = HelpLocation::Local;
            break;
        }
    }
    services_.openDocument(helpLocation_ == HelpLocation::Local ? helpPath_
                                                                : std::string(kOnlineGuide));
}

void CAnalyzerDlg::onAbout() {
    CAboutDlg about(versionText());
    services_.runModalDialog(ids::kAboutDialog, about, window_);
}

void CAnalyzerDlg::onFinish(int result) {
    displayMode_ = DisplayMode::None;
    ReleaseFileContext();
    if (window_ != nullptr) window_->endDialog(result);
}

void CAnalyzerDlg::onDestroy() {
    ReleaseFileContext();
    window_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Levels and exposure

void CAnalyzerDlg::setBlackPoint(std::int32_t level) {
    blackPoint_ = level;
    window_->setText(ids::kBlackEdit, std::to_string(level));
    window_->setPosition(ids::kBlackSlider, levelPosition(*levelScale_, level));
}

void CAnalyzerDlg::setWhitePoint(std::int32_t level) {
    whitePoint_ = level;
    window_->setText(ids::kWhiteEdit, std::to_string(level));
    window_->setPosition(ids::kWhiteSlider, levelPosition(*levelScale_, level));
}

void CAnalyzerDlg::setExposureControls(int position, bool enabled) {
    window_->setPosition(ids::kExposureSlider, position);
    window_->setEnabled(ids::kExposureSlider, enabled);
    window_->setEnabled(ids::kExposureReset, enabled);
    window_->setText(ids::kExposureLabel, exposureLabel(position));
}

void CAnalyzerDlg::SetToolBlackPoint(std::int32_t level) {
    if (window_ == nullptr) return;
    level = std::clamp(level, 0, levelAt(*levelScale_, kLevelPositions - 1));
    setBlackPoint(level);
    if (whitePoint_ < level) setWhitePoint(level);
}

// ---------------------------------------------------------------------------------------------
// Tool dialogs

void CAnalyzerDlg::openWhiteBalanceDialog() {
    if (whiteBalanceDlg_ != nullptr) {
        whiteBalanceDlg_->window()->bringToFront();
        return;
    }
    // The dialog releases itself when its window goes, clearing this pointer.
    auto* dialog = new CWhiteBalanceDlg(services_, *this);
    whiteBalanceDlg_ = dialog;
    if (!dialog->Open(*file_, *image_, wbSets_, &whiteBalanceDlg_, &displayMode_, &imageSubMode_)) {
        whiteBalanceDlg_ = nullptr;
        delete dialog;
    }
}

void CAnalyzerDlg::openNoiseDialog() {
    if (noiseDlg_ != nullptr) {
        noiseDlg_->window()->bringToFront();
        return;
    }
    auto* dialog = new CNoiseDlg(services_, *this);
    noiseDlg_ = dialog;
    if (!dialog->Open(*file_, *image_, &noiseDlg_, liveNoise_, noiseSlots_, &displayMode_,
                      &imageSubMode_)) {
        noiseDlg_ = nullptr;
        delete dialog;
    }
}

void CAnalyzerDlg::closeToolDialogs() {
    if (whiteBalanceDlg_ != nullptr) whiteBalanceDlg_->Close();
    if (noiseDlg_ != nullptr) noiseDlg_->Close();
}

void CAnalyzerDlg::onLevelEditFocus(int id, bool gained) {
    const bool black = id == ids::kBlackEdit;
    if (gained) {
        const std::int32_t value = readDecimal(window_->text(id), 8);
        (black ? blackPoint_ : whitePoint_) = value;
        (black ? blackEditActive_ : whiteEditActive_) = true;
        window_->selectAllText(id);
    } else {
        window_->setText(id, std::to_string(black ? blackPoint_ : whitePoint_));
        (black ? blackEditActive_ : whiteEditActive_) = false;
        if (!focusToOtherLevelEdit_) window_->setFocus(ids::kFocusKeeper);
    }
}

void CAnalyzerDlg::onBlackReset() {
    window_->setVisible(ids::kWhiteStatistics, false);
    window_->setVisible(ids::kBlackStatistics, false);
    setBlackPoint(image_ != nullptr ? image_->blackLevelMinimum : 0);
    if (whitePoint_ < blackPoint_) setWhitePoint(blackPoint_);
    if (displayMode_ == DisplayMode::Histogram) CountExposureClasses();
    redraw();
    window_->setFocus(ids::kFocusKeeper);
}

void CAnalyzerDlg::onWhiteReset() {
    window_->setVisible(ids::kWhiteStatistics, false);
    window_->setVisible(ids::kBlackStatistics, false);
    setWhitePoint(image_ != nullptr ? image_->whiteLevel : levelAt(*levelScale_, 100));
    if (blackPoint_ > whitePoint_) setBlackPoint(whitePoint_);
    if (displayMode_ == DisplayMode::Histogram) CountExposureClasses();
    redraw();
    window_->setFocus(ids::kFocusKeeper);
}

void CAnalyzerDlg::onExposureReset() {
    if (image_ == nullptr) return;
    image_->exposureStep = image_->defaultExposureStep;
    image_->exposureStep6 = image_->exposureStep * 6;
    image_->exposureFactor = exposureFactor(image_->exposureStep);
    window_->setPosition(ids::kExposureSlider, image_->exposureStep);
    window_->setText(ids::kExposureLabel, exposureLabel(image_->exposureStep));
    redraw();
}

void CAnalyzerDlg::onHScroll(int id, ScrollCode code, int position) {
    if (window_ == nullptr) return;
    if (id == ids::kHScroll) {
        onScrollBar(id, code, position);
        return;
    }
    const auto afterLevelSlider = [this] {
        window_->setVisible(ids::kBlackStatistics, false);
        window_->setVisible(ids::kWhiteStatistics, false);
        if (file_ && image_) redraw();
    };
    if (id == ids::kBlackSlider) {
        const std::int32_t white = readDecimal(window_->text(ids::kWhiteEdit));
        const std::int32_t level = levelAt(*levelScale_, window_->position(ids::kBlackSlider));
        blackPoint_ = level;
        window_->setText(ids::kBlackEdit, std::to_string(level));
        if (white < level) setWhitePoint(level);
        afterLevelSlider();
    } else if (id == ids::kWhiteSlider) {
        const std::int32_t black = readDecimal(window_->text(ids::kBlackEdit));
        const std::int32_t level = levelAt(*levelScale_, window_->position(ids::kWhiteSlider));
        whitePoint_ = level;
        window_->setText(ids::kWhiteEdit, std::to_string(level));
        if (level < black) setBlackPoint(level);
        afterLevelSlider();
    } else if (id == ids::kExposureSlider) {
        if (image_ == nullptr) return;
        const int p =
            std::clamp(window_->position(ids::kExposureSlider), 0, kExposurePositions - 1);
        if (p == image_->exposureStep) return;
        image_->exposureStep = p;
        image_->exposureStep6 = p * 6;
        image_->exposureFactor = exposureFactor(p);
        window_->setText(ids::kExposureLabel, exposureLabel(p));
        redraw();
    }
}

void CAnalyzerDlg::onVScroll(int id, ScrollCode code, int position) {
    if (window_ != nullptr && id == ids::kVScroll) onScrollBar(id, code, position);
}

// ---------------------------------------------------------------------------------------------
// Keys

// Enter or Tab in a level edit takes its value: clamped to the scale's top level, the other
// level moved along when they would cross, counts and picture brought up to date. Enter keeps
// the focus in the edit, Tab moves it to the other one. On a level slider the counts and
// picture are brought up to date and the key goes on to the default handling.
bool CAnalyzerDlg::confirmLevelEdit(bool tab) {
    const int focus = window_->focus();
    const bool black = focus == ids::kBlackEdit;
    const bool refresh = file_ && image_ && !processing_;
    if (!black && focus != ids::kWhiteEdit) {
        if ((focus == ids::kBlackSlider || focus == ids::kWhiteSlider) && refresh) {
            CountExposureClasses();
            redraw();
        }
        return false;
    }
    const std::int32_t top = levelAt(*levelScale_, kLevelPositions - 1);
    const std::int32_t value = std::min(readDecimal(window_->text(focus), 8), top);
    if (black) {
        setBlackPoint(value);
        if (whitePoint_ < value) setWhitePoint(value);
    } else {
        setWhitePoint(value);
        if (blackPoint_ > value) setBlackPoint(value);
    }
    if (refresh) {
        CountExposureClasses();
        redraw();
    }
    if (tab) {
        // The edit losing the focus would otherwise send it on to the hidden edit.
        focusToOtherLevelEdit_ = true;
        window_->setFocus(black ? ids::kWhiteEdit : ids::kBlackEdit);
        focusToOtherLevelEdit_ = false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Colours, owner drawing, size

std::optional<platform::Rgb> CAnalyzerDlg::controlTextColour(int id) const {
    const ControlStyle* row = findControlStyle(id);
    if (row == nullptr || !row->colour || window_ == nullptr) return std::nullopt;
    const auto* control = window_->dialogTemplate().find(id);
    // Push buttons keep the system's colours; check boxes and group boxes take the row's.
    if (control != nullptr && control->kind == platform::ControlKind::PushButton)
        return std::nullopt;
    if (!window_->isEnabled(id)) return platform::rgb(255, 255, 255);
    return row->colour;
}

platform::OwnerDrawFace CAnalyzerDlg::ownerDrawFace(int id) const {
    platform::OwnerDrawFace face;
    if (id != ids::kProcess) return face;
    face.background = platform::rgb(255, 255, 255);
    face.textColour = platform::rgb(160, 0, 0);
    switch (shownPhase_) {
    case LoadPhase::Opening:
        face.text = "Opening";
        break;
    case LoadPhase::Reading:
        face.text = "Reading";
        break;
    default:
        face.text = "Writing";
        break;
    }
    return face;
}

// How each control other than the panel and its scroll bars follows a size change: the column
// right of the panel (and the command row from the path edit's end, FINISH included) moves
// right by the width change; the path edit and the shot information widen; what stands below
// the panel moves down by the height change, the texts under the panel widening with it.
std::vector<CAnalyzerDlg::ResizeAnchor>
CAnalyzerDlg::resizeAnchorsOf(const platform::DialogWindow& w) {
    const platform::Rect panel = w.controlRect(ids::kPanel);
    const platform::Rect path = w.controlRect(ids::kPathEdit);
    std::vector<ResizeAnchor> anchors;
    for (const platform::ControlTemplate& t : w.dialogTemplate().controls) {
        if (t.id == ids::kPanel || t.id == ids::kHScroll || t.id == ids::kVScroll) continue;
        const platform::Rect r = w.controlRect(t.id);
        ResizeAnchor a{t.id, false, false, false};
        if (t.id == ids::kPathEdit || t.id == ids::kShotGroup || t.id == ids::kShotInfo)
            a.widen = true;
        else if (r.left >= path.right)
            a.moveRight = true;
        if (r.top >= panel.bottom) {
            a.moveDown = true;
            if (!a.moveRight) a.widen = true;
        }
        if (a.moveRight || a.moveDown || a.widen) anchors.push_back(a);
    }
    return anchors;
}

void CAnalyzerDlg::onSize(platform::SizeKind kind, platform::Size client) {
    using platform::SizeKind;
    // A minimised window has no client area to lay out; restoring it sends the size again.
    if (window_ == nullptr || kind == SizeKind::MaxHide || kind == SizeKind::MaxShow ||
        kind == SizeKind::Minimised)
        return;
    if (!sizeArmed_) {
        sizeArmed_ = true;
        return;
    }
    if (client.width < minimumSize_.width || client.height < minimumSize_.height) {
        window_->setPlacement(placement_);
        return;
    }
    const int dw = client.width - currentSize_.width;
    const int dh = client.height - currentSize_.height;
    if (dw == 0 && dh == 0) return;
    auto grow = [this](int id, int dLeft, int dTop, int dRight, int dBottom) {
        platform::Rect r = window_->controlRect(id);
        r.left += dLeft;
        r.top += dTop;
        r.right += dRight;
        r.bottom += dBottom;
        window_->moveControl(id, r);
    };
    grow(ids::kHScroll, 0, dh, dw, dh);
    grow(ids::kVScroll, dw, 0, dw, dh);
    if (panelWidened_) {
        panelRect_.right += dw;
        panelRect_.bottom += dh;
        placePanel(true);
    } else {
        grow(ids::kPanel, 0, 0, dw, dh);
    }
    // The rest follows so that the panel only grows into room that is free.
    for (const ResizeAnchor& a : resizeAnchors_) {
        const int dx = a.moveRight ? dw : 0;
        const int dy = a.moveDown ? dh : 0;
        grow(a.id, dx, dy, a.widen ? dw : dx, dy);
    }
    if (dw < 0 || dh < 0) panel_.clearSelection();
    fullRedraw_ = true;
    if (displayMode_ != DisplayMode::None && file_ && image_) redraw();
    currentSize_ = client;
    placement_ = window_->placement();
}

void CAnalyzerDlg::onMove() {
    if (window_ != nullptr) placement_ = window_->placement();
}

// ---------------------------------------------------------------------------------------------

int CAnalyzerApp::run(const std::string& commandLine) {
    CAnalyzerDlg dialog(services_, commandLine);
    return services_.runModalDialog(ids::kMainDialog, dialog, nullptr);
}

} // namespace korvane
