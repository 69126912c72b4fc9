#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/DisplayMode.hpp"
#include "analysis/ExposureCounts.hpp"
#include "analysis/SelectionStatistics.hpp"
#include "analysis/Viewport.hpp"
#include "common/Status.hpp"
#include "platform/Geometry.hpp"

namespace korvane {

class NoiseStage;

// The check boxes of the main dialog the drawing reads.
struct DisplayChecks {
    bool showClipping = false;      // 1066
    bool rawClipping = false;       // 1074
    bool outsideRange = false;      // 1064
    bool blackCorrected = false;    // 1065 "BL corrected"
    bool adjusted = false;          // 1174 "Adj"
    std::array<bool, 3> lowSide{};  // R, G, B of the black point group: 1022, 1023, 1024
    std::array<bool, 3> highSide{}; // R, G, B of the white point group: 1025, 1026, 1027
};

// Everything the dialog provides for one drawing.
struct RenderSettings {
    // Exposure when its radio (1034) is checked, else Image; Histogram and None draw as Image.
    DisplayMode mode = DisplayMode::Image;
    ImageSubMode subMode = ImageSubMode::Composite;
    std::uint8_t magnification = 1; // 1 to 10
    std::uint8_t reduction = 1;     // 1 or the CFA width
    std::uint32_t blackPoint = 0;   // edit 1010, as read (a text that is no number reads 0)
    std::uint32_t whitePoint = 0;   // edit 1011
    DisplayChecks checks;
    bool relayout = false;             // a new image or orientation: set up the scroll bars
    bool layoutPending = false;        // the same, once; the dialog clears it after the call
    bool countsPending = false;        // run the exposure counts first; the dialog clears it
    platform::Size panel;              // client area of the picture panel
    PanelSelection selection;          // the panel's selection, client coordinates
    bool dragging = false;             // the panel's mouseState is panning or selecting
    std::uint16_t fileOrientation = 0; // the file's orientation, for an image without one
    // The noise processing stage, while the noise parameters are valid; else null.
    NoiseStage* noise = nullptr;
    // Without a noise stage, how the samples' results are worked out: from tables of every
    // value or sample by sample, whichever is less work; or always one way (the two must
    // paint and gather alike).
    enum class Evaluation : std::uint8_t { LessWork, Tables, EachSample };
    Evaluation evaluation = Evaluation::LessWork;
    // With the noise stage, whether a large drawing is shared out in parts as the processors
    // were last found (in one part while that was the faster), or always (the two must paint
    // and gather alike).
    enum class NoiseParts : std::uint8_t { AsFound, Always };
    NoiseParts noiseParts = NoiseParts::AsFound;
};

// What one drawing gives back for the dialog to apply.
struct RenderOutcome {
    // kOk; or the failed mapping array build's status (MessageId::AllocationFailed has been shown),
    // and the picture is then left as it was.
    Status status = kOk;

    PanelGeometry geometry; // margins and selection cell for the panel
    Viewport view;          // the whole layout, for what the pointer rests on
    bool horizontalScrollable = false;
    bool verticalScrollable = false;
    // Set up the scroll bars (relayout or layoutPending): 1016 from horizontalBar, 1015 from
    // verticalBar. A focused scroll bar that stays scrollable is to lose and regain focus.
    bool scrollBarsSetUp = false;
    ScrollBarSetup horizontalBar;
    ScrollBarSetup verticalBar;
    // The orientation button that shows its "current" image: 1030 (AsStored), 1031
    // (Turned180), 1029 (CounterClockwise), 1032 (Clockwise); the others show "normal".
    OrientationGroup orientationGroup = OrientationGroup::AsStored;

    // The black or white point differed from the image's: hide texts 1021 and 1020.
    bool levelTextsStale = false;
    // countsPending ran the exposure counts: show their texts in 1021 (black side) and 1020
    // (white side), and clear the "x" option (button 1172).
    std::optional<ExposureCountTexts> counts;

    // The selection lay outside the image area: the panel clears selectionValid.
    bool selectionDropped = false;
    std::string statisticsText;        // 1062
    std::string coordinatesText = " "; // 1072
    std::string zoomText;              // 1078
    // With a selection: the panel's smallest raw and largest raw value and samples per
    // colour, the exposure index and level ratio texts per colour (Image modes), and the
    // white balance of the selection (also written to the image).
    std::optional<SelectionSummary> selectionSummary;
};

} // namespace korvane
