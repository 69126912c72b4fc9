#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/DisplayMode.hpp"
#include "analysis/Histograms.hpp"
#include "analysis/NoiseParameters.hpp"
#include "analysis/NoiseProcessing.hpp"
#include "analysis/RenderSettings.hpp"
#include "app/CommandLine.hpp"
#include "app/KeyTable.hpp"
#include "app/LevelScale.hpp"
#include "app/ModeArrangement.hpp"
#include "app/PicturePanel.hpp"
#include "common/KeyState.hpp"
#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "platform/Dialog.hpp"
#include "platform/Services.hpp"
#include "tools/NoiseDlg.hpp"
#include "tools/RecoveryTemplate.hpp"
#include "tools/ToolHost.hpp"
#include "tools/WhiteBalanceDlg.hpp"

namespace korvane {

// Reports through message boxes owned by the main dialog.
class DialogReporter final : public Reporter {
public:
    DialogReporter(platform::Services& services, platform::DialogWindow*& owner)
        : services_(services), owner_(owner) {}

protected:
    void deliver(const FormattedMessage& formatted, const MessageArgs& args) override;

private:
    platform::Services& services_;
    platform::DialogWindow*& owner_;
};

// The two stages of a load that read the file: parsing the container and loading the image
// data. Tests replace them to give the pipeline images of known levels.
struct LoadStages {
    using ShotInfo = std::function<void(const std::string&)>;
    using Parse =
        std::function<Status(RawFileContext&, Reporter&, const KeyState&, const ShotInfo&)>;
    using Load = std::function<Status(RawFileContext&, Reporter&, const KeyState&)>;
    Parse parse;
    Load load;
    static LoadStages standard();
};

// The main dialog: owns the current file and every piece of display state, and routes each
// control to the operation it stands for.
class CAnalyzerDlg final : public platform::DialogHandler, private ToolHost {
public:
    // `commandLine`: the arguments after the program name, as one line.
    CAnalyzerDlg(platform::Services& services, std::string commandLine,
                 LoadStages stages = LoadStages::standard());
    ~CAnalyzerDlg() override;
    CAnalyzerDlg(const CAnalyzerDlg&) = delete;
    CAnalyzerDlg& operator=(const CAnalyzerDlg&) = delete;

    // The keys the dialog acts on when they are released, in the order they are tried: what
    // the user guide's keyboard table documents.
    static std::vector<KeyPattern> releasedKeys();

    // Window events.
    void onInitDialog(platform::DialogWindow& window) override;
    void onCommand(int id, platform::Notification code) override;
    void onHScroll(int id, platform::ScrollCode code, int position) override;
    void onVScroll(int id, platform::ScrollCode code, int position) override;
    bool preTranslate(const platform::KeyMessage& key) override;
    void onSize(platform::SizeKind kind, platform::Size client) override;
    void onMove() override;
    void onPanelPaint() override;
    void onPanelMouse(const platform::MouseEvent& event) override;
    void onDialogMouseMove(platform::Point at) override;
    void onPanelWheel(const platform::WheelEvent& event) override;
    std::string panelToolTip(platform::Point at) override;
    void onSystemCommand(int command) override;
    bool acceptsFileDrops() const override { return true; }
    void onFileDropped(const std::string& path) override;
    std::optional<platform::Rgb> controlTextColour(int id) const override;
    platform::OwnerDrawFace ownerDrawFace(int id) const override;
    void onDestroy() override;

    // Operations other parts of the program call.
    Reporter& reporter() { return reporter_; }
    void ProcessCommand();
    [[nodiscard]] Status ProcessFile(const std::string& path);
    void BrowseCommand();
    // A file chosen outside the path edit (the open-file dialog, a drop on the window): its
    // path goes into the edit and is processed.
    void OpenChosenFile(const std::string& path);
    void ShowCompositeView();
    void ShowGreyscaleView();
    void ShowChannelView();
    void ShowExposureView();
    void ShowHistogramView();

    // The display, for the scripting front end, the batch renderer and tests. Each setter
    // redraws the panel when a file and an image are current; the picture is then in
    // window()->panelSurface() and lastOutcome() holds what the drawing reported.
    // A selection in panel client coordinates, all edges inclusive, as a right-button drag
    // leaves it; the drawing drops it when it does not lie inside the image area.
    void setPanelSelection(std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom);
    void clearPanelSelection();
    // Magnification 1 to 10 and reduction 1 or the CFA width (other values are held at the
    // nearest allowed one); the view is laid out anew.
    void setZoom(std::uint8_t magnification, std::uint8_t reduction);
    // The first visible unit across and down (held within the scroll range by the layout).
    void setScroll(std::int32_t x, std::int32_t y);
    // Any orientation code 1 to 8, as the orientation buttons set 1, 3, 6 and 8.
    void setOrientation(std::uint16_t orientation);
    // The image's white balance multipliers: red, first green, second green, blue.
    void setWhiteBalance(const std::array<float, 4>& multipliers);
    // The live noise parameters, which the display applies while they are valid; setting
    // them redraws.
    void setNoiseParameters(const NoiseParameters& live);
    const NoiseParameters& liveNoise() const { return liveNoise_; }
    const RenderOutcome& lastOutcome() const { return lastOutcome_; }
    const CPicturePanel& panel() const { return panel_; }
    const HistogramCounts& histograms() const { return histograms_; }
    int fontStep() const { return fontStep_; }
    const RecoveryTemplateSlots& recoveryTemplates() const { return templates_; }
    const std::array<float, 4>& whiteBalanceSet(int n) const {
        return wbSets_[static_cast<std::size_t>(n - 1)];
    }
    // What the last histogram drawing counted and showed.
    const HistogramPlan& lastHistogramPlan() const { return histogramPlan_; }
    std::uint8_t magnification() const { return magnification_; }
    std::uint8_t reduction() const { return reduction_; }

    // State, for the window layer's tests and the scripting front end.
    const RawFileContext* file() const { return file_.get(); }
    const ImageDescriptor* image() const { return image_; }
    DisplayMode displayMode() const { return displayMode_; }
    // A file is current and its samples were decoded: the panel shows that file.
    bool imageDecoded() const { return file_ && image_ != nullptr && !image_->samples.empty(); }
    ImageSubMode imageSubMode() const { return imageSubMode_; }
    std::int32_t blackPoint() const override { return blackPoint_; }
    std::int32_t whitePoint() const { return whitePoint_; }
    const LevelScale& levelScale() const { return *levelScale_; }
    std::string versionText() const;
    platform::DialogWindow* window() override { return window_; }
    // The open tool dialogs, null while closed.
    CWhiteBalanceDlg* whiteBalanceDialog() const { return whiteBalanceDlg_; }
    CNoiseDlg* noiseDialog() const { return noiseDlg_; }
    // The saved noise parameter slots.
    const NoiseSlots& noiseSlots() const { return noiseSlots_; }
    bool selectionValid() const { return panel_.selectionValid(); }

private:
    // Start-up.
    void handleCommandLine();
    void applyModeOption(char mode);

    // Routed commands.
    void onBlackReset();
    void onWhiteReset();
    void onExposureReset();
    void onOrientation(std::uint16_t orientation);
    void onHelp();
    void onAbout();
    void onFinish(int result);
    void onLevelEditFocus(int id, bool gained);
    bool confirmLevelEdit(bool tab);

    // Levels.
    void setBlackPoint(std::int32_t level);
    void setWhitePoint(std::int32_t level);
    void setExposureControls(int position, bool enabled);

    // Tool dialogs.
    void redrawPanel() override { redraw(); }
    void SetToolBlackPoint(std::int32_t level) override;
    void openWhiteBalanceDialog();
    void openNoiseDialog();
    // Ends the open tool windows (they belong to the image).
    void closeToolDialogs();

    // Load-and-process.
    void ReleaseFileContext();
    void setProcessPhase(LoadPhase phase);
    void showShotInfo(const std::string& text);
    void restoreProcessButton();

    // Keys.
    struct KeyReleaseRow {
        KeyPattern pattern;
        bool (CAnalyzerDlg::*action)(int code);
        bool withoutImage; // applies also without a file and image, and while processing
    };
    static std::span<const KeyReleaseRow> keyReleaseRows();
    enum class ZoomStep : std::uint8_t { In, Out, OneToOne };
    [[nodiscard]] Modifiers heldModifiers() const;
    [[nodiscard]] bool imageKeysApply() const;
    bool onSystemCharacter(int c);
    bool onCharacter(int c, const Modifiers& m);
    bool onKeyPress(int code, const Modifiers& m);
    bool onKeyRelease(int code, const Modifiers& m);
    bool ctrlScroll(int code);
    bool hoverScroll(int code, const Modifiers& m);
    bool nudgeLevels(int code, const Modifiers& m, bool blackFocused);
    void fineExposureStep(int by);
    void scrollTo(std::int32_t x, std::int32_t y);
    void zoom(ZoomStep step);
    void redrawIfShown();
    void setImageWhiteBalance(const std::array<float, 4>& wb);
    static std::string cameraOf(const RawFileContext& file);
    bool keyShowView(int code);
    bool keyCopy(int code);
    bool keyDropSelection(int code);
    bool keySerial(int code);
    bool keyRotate(int code);
    bool keyToolDialog(int code);
    bool keyWhiteBalanceFromSelection(int code);
    bool keyBrowse(int code);
    bool keyUpdateRefused(int code);
    bool keyZoom(int code);
    bool keyAsShot(int code);
    bool keySaveWhiteBalance(int code);
    bool keyRecallWhiteBalance(int code);
    bool keyPositionBlack(int code);
    bool keyChannelWhite(int code);
    bool keyContextWhite(int code);
    bool keyHistogramTop(int code);
    bool keyClipLevel(int code);
    bool keyIsolateChannel(int code);
    bool keyRecoveryTemplate(int code);
    bool keyFrequencyAnalysis(int code);
    bool keyMeasureColumnProfile(int code);
    bool keyApplyColumnProfile(int code);
    bool keyConsumeArrow(int code);

    // Display.
    void enterMode(DisplayMode mode, ImageSubMode subMode, int radio);
    void arrangeControls(Arrangement arrangement);
    void arrangeHistogramOptions();
    void placePanel(bool histogram);
    // The picture: RenderImage in the Image and Exposure modes, black otherwise.
    void repaint();
    // The panel, the pixel information, the counts and the scroll bars as they are with no
    // image: what a failed load leaves.
    void showNoImage();
    // Histogram mode: the full-range count after a load, the plan of the check boxes, the
    // counts it asks for, the drawing with its texts, and a copy to the clipboard.
    void countRawHistogram();
    [[nodiscard]] HistogramPlan histogramPlan() const;
    [[nodiscard]] Status countHistograms(const HistogramPlan& plan);
    void drawHistograms();
    void copyHistograms();
    // The histograms in Histogram mode, else the picture.
    void redraw();
    [[nodiscard]] RenderSettings renderSettings();
    void applyOutcome(const RenderOutcome& outcome);
    void showOrientationGroup(std::optional<OrientationGroup> group);
    void setUpScrollBar(int id, const ScrollBarSetup& bar, bool scrollable, std::int32_t scroll);
    void enableScrollBars(bool enable);
    void onScrollBar(int id, platform::ScrollCode code, int position);
    void CountExposureClasses();
    void showCounts(const ExposureCountTexts& texts);
    void onMappingSelection();
    [[nodiscard]] bool pictureShown() const;

    // The panel's mouse.
    struct PanelCell {
        std::int32_t width;
        std::int32_t height;
    };
    [[nodiscard]] bool panelTakesMouse() const;
    [[nodiscard]] PanelCell panelCellSize() const;
    [[nodiscard]] platform::Point clampToImage(platform::Point p) const;
    [[nodiscard]] platform::Point cellOf(platform::Point clamped) const;
    void extendSelection(platform::Point cell);
    void onPanelMove(platform::Point at);

    platform::Services& services_;
    platform::DialogWindow* window_ = nullptr;
    DialogReporter reporter_;
    std::string commandLine_;
    LoadStages stages_;

    std::unique_ptr<RawFileContext> file_;
    ImageDescriptor* image_ = nullptr;
    // Phase shown on "Process" while a file loads (the context's phase, kept here as well
    // because the context is gone once a failed load unwinds).
    LoadPhase shownPhase_ = LoadPhase::Idle;
    bool processing_ = false;

    DisplayMode displayMode_ = DisplayMode::Image;
    ImageSubMode imageSubMode_ = ImageSubMode::Composite;
    std::int32_t blackPoint_ = 0;
    std::int32_t whitePoint_ = 4095;
    const LevelScale* levelScale_ = &kLevelScale12;
    bool blackEditActive_ = false;
    bool whiteEditActive_ = false;
    bool pathEditActive_ = false;
    bool focusToOtherLevelEdit_ = false;
    bool xChecked_ = false;
    bool yChecked_ = false;
    // A full redraw is due: the next drawing sets up the scroll bars (a new image, a new
    // orientation, a resized panel).
    bool fullRedraw_ = false;
    // The next drawing sets up the scroll bars, or runs the exposure counts, once.
    bool layoutPending_ = false;
    bool countsPending_ = false;
    std::uint8_t magnification_ = 1;
    std::uint8_t reduction_ = 1;
    bool horizontalScrollable_ = false;
    bool verticalScrollable_ = false;
    CPicturePanel panel_;
    // Where the right button went down (clamped), the last pointer position the panel saw,
    // and the cell under the pointer at the last selection update.
    platform::Point anchor_;
    platform::Point lastMouse_;
    platform::Point lastCell_;
    // Histogram mode widens the panel; panelRect_ is then its rectangle in the other modes.
    bool panelWidened_ = false;
    platform::Rect panelRect_;
    std::optional<OrientationGroup> shownOrientation_;
    RenderOutcome lastOutcome_;
    HistogramCounts histograms_;
    HistogramPlan histogramPlan_;
    bool copyRequest_ = false;
    // The too-small panel is said once per size.
    platform::Size tooSmallReported_;

    struct ResizeAnchor {
        int id;
        bool moveRight;
        bool moveDown;
        bool widen;
    };
    static std::vector<ResizeAnchor> resizeAnchorsOf(const platform::DialogWindow& w);
    std::vector<ResizeAnchor> resizeAnchors_;
    // The keyboard's state: the font step, the five white balance sets (R, G1, G2, B) and
    // the column black profile measured on a dark frame.
    int fontStep_ = 0;
    std::array<std::array<float, 4>, 5> wbSets_{
        {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}}};
    struct ColumnProfile {
        std::vector<std::uint16_t> values;
        std::uint16_t minimum = 0, maximum = 0, mean = 0;
        std::string camera;
    };
    std::optional<ColumnProfile> columnProfile_;
    // The live noise parameters, and the display's noise stage, which reads them at every
    // drawing while they are valid.
    NoiseParameters liveNoise_;
    NoiseProcessing noiseStage_{liveNoise_};
    RecoveryTemplateSlots templates_;
    // The open tool windows (toolDialogs): white balance and noise processing. Each clears
    // its pointer when its window goes.
    CWhiteBalanceDlg* whiteBalanceDlg_ = nullptr;
    CNoiseDlg* noiseDlg_ = nullptr;
    // The ten saved noise parameter slots, for the program's run.
    NoiseSlots noiseSlots_{};

    platform::Size minimumSize_;
    platform::Size currentSize_;
    bool sizeArmed_ = false;
    platform::WindowPlacement placement_;

    enum class HelpLocation : std::uint8_t { Unknown = 0, Local = 1, Online = 2 };
    HelpLocation helpLocation_ = HelpLocation::Unknown;
    std::string helpPath_;
};

// Runs the main dialog modally; the program ends when it returns.
class CAnalyzerApp {
public:
    explicit CAnalyzerApp(platform::Services& services) : services_(services) {}
    int run(const std::string& commandLine);

private:
    platform::Services& services_;
};

// Where Help looks for the guide, in this order: beside the program (as built, or as the
// program folder of a copy), then where an install puts it, PREFIX/share/doc/korvane for a
// program in PREFIX/bin; in each folder the .htm form before the .mht one.
std::vector<std::string> guideCandidates(const std::string& programFolder);

// The address of the guide on the web, used when no local copy is found.
inline constexpr std::string_view kOnlineGuide = "https://korvane.org/Lumbrecht/KorvaneGuide.htm";

} // namespace korvane
