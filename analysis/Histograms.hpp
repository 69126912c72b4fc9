#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/IfdNode.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "platform/Surface.hpp"

namespace korvane {

class NoiseStage;

// The histograms: three channels (red, green, blue) of 512 bins each, counted from the raw
// samples or from their display values, and drawn with a logarithmic height scale.
inline constexpr std::size_t kHistogramBins = 512;
inline constexpr std::size_t kHistogramChannels = 3;
using HistogramBins = std::array<std::array<double, kHistogramBins>, kHistogramChannels>;
// The samples counted in each bin, before normalisation.
using HistogramSamples = std::array<std::array<std::uint32_t, kHistogramBins>, kHistogramChannels>;

// The histogram picture's colours.
inline constexpr platform::Rgb kHistogramBackground = 0x808080;
inline constexpr platform::Rgb kHistogramFrame = 0x000000;
inline constexpr platform::Rgb kHistogramRed = 0xC00000;
inline constexpr platform::Rgb kHistogramGreen = 0x00A000;
inline constexpr platform::Rgb kHistogramBlue = 0x0000FF;
inline constexpr platform::Rgb kHistogramScaleMark = 0xFFFFFF;
inline constexpr platform::Rgb kHistogramLevelMarker = 0xE0E000; // black level, channel maximum
inline constexpr platform::Rgb kHistogramPointMarker = 0x00E0E0; // black point, white point

// The three panels need this client area; a smaller one is reported and drawn clipped.
inline constexpr int kMinimumHistogramWidth = 555;
inline constexpr int kMinimumHistogramHeight = 385;
inline constexpr std::string_view kHistogramTooSmallText =
    "The window is not large enough for the histograms";
inline constexpr std::string_view kHistogramTooSmallCaption = "Histogram Function";

// What the raw histogram counts: every value of the range in bins of V / 512 values, a
// window of 512 values one per bin, or that window in the selection only.
enum class HistogramMode : std::uint8_t { WholeRange = 0, Window = 1, Selection = 2 };

// The noise dialog's arithmetic on each sample of an RGB histogram, per channel in the
// order red, first green, blue, second green. A range of 0 stands for the image's maximum
// value.
struct HistogramNoise {
    std::array<std::int32_t, 4> offset{};
    std::array<std::int32_t, 4> shiftValue{};
    std::array<std::int32_t, 4> shiftRange{};
    std::array<float, 4> multiply{};
    std::array<std::int32_t, 4> multiplyRange{};
    // Each scales its masked-area black profile (column, row); 0 leaves the profile out.
    float maskedHorizontal = 1.0f;
    float maskedVertical = 1.0f;
    friend bool operator==(const HistogramNoise&, const HistogramNoise&) = default;
};

// What an RGB histogram was counted with; an equal request is not counted again.
struct RgbHistogramInputs {
    std::int32_t mappingFunction = 0;
    std::uint32_t blackPoint = 0;
    std::uint32_t whitePoint = 0;
    std::array<float, 4> whiteBalance{}; // R, G1, G2, B as in the image's wbMultipliers
    bool applyWhiteBalance = false;
    double exposureFactor = 1.0;
    // The noise parameters and the noise stage's black levels and profile gates: a change
    // of the noise dialog changes the counts as it changes the picture.
    std::optional<HistogramNoise> noise;
    std::optional<std::array<std::uint16_t, 4>> stageBlack;
    bool columnBlackOn = true;
    bool rowBlackOn = true;
    friend bool operator==(const RgbHistogramInputs&, const RgbHistogramInputs&) = default;
};

// The histograms the main dialog keeps for the current file. Every count is skipped when
// what it would count from is what it last counted from; clear() (a new file, or samples
// changed by a tool) makes every histogram count again.
struct HistogramCounts {
    HistogramBins fullRange{}; // whole value range, normalised so a channel adds up to 12800
    HistogramBins window{};    // the 512-value window, of the active area or the selection
    HistogramBins rgb{};       // display values, normalised so a channel adds up to 16384
    HistogramSamples fullRangeSamples{};
    HistogramSamples windowSamples{};
    HistogramSamples rgbSamples{}; // per display value 0 to 255 (each fills two columns of rgb)
    std::array<std::uint32_t, kHistogramChannels> channelTotals{}; // samples in fullRange
    std::array<std::int32_t, kHistogramChannels> channelMaxima{};  // largest raw value
    bool counted = false; // fullRange, channelTotals and channelMaxima hold this file's counts

    // What the window bins hold: a Window or a Selection count from windowStart.
    bool windowCounted = false;
    HistogramMode windowMode = HistogramMode::Window;
    std::uint32_t windowStart = 0;
    SampleRect selection{};      // the rectangle the last Selection count covered
    bool selectionValid = false; // the window bins hold the count of `selection`

    RgbHistogramInputs rgbInputs{};
    bool rgbCounted = false;
    // Minus the black levels of red, first green, blue and second green, written by an RGB
    // count while the noise parameters are not valid: the dialog keeps them as the noise
    // parameters' offsets.
    std::optional<std::array<std::int32_t, 4>> blackOffsets;

    void clear() { *this = HistogramCounts{}; }
};

// Counts the raw histogram of `mode` (see HistogramMode) into counts.fullRange (WholeRange)
// or counts.window. The counted area is the image's active area, or in Selection mode
// `selection` (rows and columns of the sample buffer) cut to the image. The colour of a
// sample comes from the CFA pattern with rows and columns counted from the active area's
// top-left corner, as the renderer colours it. In the Window and Selection modes a green
// whose white balance coefficient alone is 0 is left out, and the full-range counts are
// made first when the file has none (their totals scale the window). An allocation failure
// shows MessageId::AllocationFailed and leaves every count as it was.
void BuildRawHistogram(const ImageDescriptor& image, HistogramCounts& counts, HistogramMode mode,
                       std::uint32_t windowStart, const SampleRect& selection, Reporter& reporter);

struct RgbHistogramRequest {
    std::uint32_t blackPoint = 0;
    std::uint32_t whitePoint = 0;
    bool applyWhiteBalance = false; // multiply by the image's wbMultipliers
    double exposureFactor = 1.0;    // 0 or less (unset) counts as 1
    // The row of the mapping function table the image's arrays are built from; it becomes
    // the image's mappingFunction (the dialog passes that very value).
    std::int32_t mappingFunction = 0;
    // The noise parameters while they are valid; null while they are not (no offset, shift
    // or multiply then, and counts.blackOffsets is written).
    const HistogramNoise* noise = nullptr;
    // The noise stage while the parameters are valid: its black function and masked-profile
    // gates choose the black level exactly as for the picture. Null: the image's own levels.
    const NoiseStage* blackStage = nullptr;
};

// Counts the RGB histogram of the active area into counts.rgb: each sample's black level is
// subtracted, the noise arithmetic applied, the result scaled by the exposure factor (and
// the channel's white balance coefficient) and looked up in the image's mapping arrays,
// which are rebuilt for the range white point - black point (3 to 131072) when that
// changed. Returns kOk, or the failed status after MessageId::AllocationFailed; the counts are then
// as they were.
[[nodiscard]] Status BuildRgbHistogram(ImageDescriptor& image, HistogramCounts& counts,
                                       const RgbHistogramRequest& request, Reporter& reporter);

// The check boxes and edits of the main dialog that decide what the histograms show.
struct HistogramChoices {
    bool mapped = false;         // "Mapped": the RGB histogram
    bool applyWbChecked = false; // "Apply WB"
    bool fine = false;           // "Fine": the 512-value window
    bool selectionChecked = false;
    bool selectionPresent = false;
    std::uint32_t blackPoint = 0;
    std::uint32_t whitePoint = 0;
    std::int32_t valueCount = 0;                   // V, the image's valueRange
    std::array<float, 4> whiteBalance{1, 1, 1, 1}; // the current coefficients, R G1 G2 B
};

// What to count and draw.
struct HistogramPlan {
    bool rgb = false;
    HistogramMode mode = HistogramMode::WholeRange; // of the raw histogram
    std::uint32_t windowStart = 0;                  // the first value shown (0 for the whole range)
    std::uint32_t windowEnd = 0;                    // the last (V - 1 for the whole range)
    bool applyWbEnabled = false;                    // the state of the "Apply WB" box
    bool applyWhiteBalance = false;
    std::string rangeText; // control 1080; empty for the RGB histogram
    std::uint32_t blackPoint = 0;
    std::uint32_t whitePoint = 0;
};
[[nodiscard]] HistogramPlan planHistograms(const HistogramChoices& choices);

// "Range\n%u:%u"
[[nodiscard]] std::string HistogramRangeText(std::uint32_t first, std::uint32_t last);

// The summary text (control 1062): the processing note, the black level figures when there
// are any, and the shot's (when known) and the current white balance coefficients.
[[nodiscard]] std::string HistogramSummaryText(const std::string& processingNote,
                                               const ImageDescriptor& image,
                                               const std::optional<std::array<float, 4>>& shotWb,
                                               const std::array<float, 4>& currentWb);

struct HistogramDrawing {
    // The panel is smaller than kMinimumHistogramWidth x kMinimumHistogramHeight: the dialog
    // shows kHistogramTooSmallText under kHistogramTooSmallCaption. The picture is drawn all
    // the same, clipped to the surface.
    bool tooSmall = false;
};

// Draws the three histograms of `plan` from `counts` into `panel`, which has the panel's
// client size: background and border, per channel its frame, bars, scale marks, the marks
// under the bars and, for the raw histogram, the dotted level markers.
HistogramDrawing DrawHistograms(const ImageDescriptor& image, const HistogramCounts& counts,
                                const HistogramPlan& plan, platform::Surface& panel);

// One row of the table of a drawn histogram: the first and last raw value of the bin (or
// the display value of the RGB histogram) and the samples counted in it per channel. A bin
// that no value falls into has no values.
struct HistogramTableRow {
    bool hasValues = false;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::array<std::uint32_t, kHistogramChannels> samples{};
};
// The 512 bins of the raw histogram `plan` names, or the 256 display values of the RGB one.
[[nodiscard]] std::vector<HistogramTableRow> HistogramTable(const ImageDescriptor& image,
                                                            const HistogramCounts& counts,
                                                            const HistogramPlan& plan);

} // namespace korvane
