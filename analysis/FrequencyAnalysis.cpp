#include "analysis/FrequencyAnalysis.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "analysis/CfaColours.hpp"
#include "analysis/FrequencyMagnitudes.hpp"

namespace korvane {

namespace {

// Fewer than 16 samples across or down hold fewer than 8 of one colour: too few to say
// anything about frequencies.
constexpr std::uint32_t kMinimumColourSamples = 8;
// The largest non-zero frequency is written 960 above black and a zero frequency standing
// above it 1023 above: the spectrum fills a 10-bit range, and the zero frequency stays
// apart from the rest.
constexpr double kSpectrumTop = 960.0;
constexpr std::uint32_t kZeroFrequencyLevel = 1023;
// Magnitudes below this part of the largest are black.
constexpr float kThresholdPart = 0.00005f;

// Where the colour sits in the 2 x 2 cell.
struct CellPosition {
    std::uint32_t row = 0;
    std::uint32_t column = 0;
    std::uint32_t index() const { return row * 2 + column; }
};

// The first place of the colour in the pattern, row by row; the second green is the green of
// the pattern's second row. A pattern of another size has no colour repeating every second
// sample, so no place here.
std::optional<CellPosition> colourPosition(const ImageDescriptor& image, int colour) {
    if (cfaPatternWidth(image) != 2 || cfaPatternHeight(image) != 2) return std::nullopt;
    if (colour < kFrequencyRed || colour > kFrequencyGreen2) return std::nullopt;
    const CfaColour wanted = colour == kFrequencyRed    ? CfaColour::Red
                             : colour == kFrequencyBlue ? CfaColour::Blue
                                                        : CfaColour::Green;
    const std::uint32_t first = colour == kFrequencyGreen2 ? 2 : 0;
    for (std::uint32_t entry = first; entry < 4; ++entry)
        if (cfaColourOfEntry(image, entry) == wanted) return CellPosition{entry / 2, entry % 2};
    return std::nullopt;
}

// One black level for the whole selection: the single level when the measured minimum and
// maximum agree, else the colour's entry of the CFA black array, else the measured average.
std::uint16_t blackOf(const ImageDescriptor& image, CellPosition at) {
    if (image.blackLevelMinimum == image.blackLevelMaximum) return image.blackLevelMinimum;
    if (at.index() < image.blackLevelArray.size()) return image.blackLevelArray[at.index()];
    return image.blackLevelAverage;
}

// The colour's samples inside the rectangle: m rows and n columns, every second row and
// column from the first of the colour. The pattern is anchored at the active area, so a
// rectangle that starts inside a cell still takes the colour asked for. An odd side keeps
// the lower half of its count, which always fits inside.
struct ColourGrid {
    std::uint32_t row = 0;
    std::uint32_t column = 0;
    std::uint32_t rows = 0;
    std::uint32_t columns = 0;
    std::size_t pitch = 0;
    std::size_t index(std::uint32_t i, std::uint32_t j) const {
        return (row + 2 * std::size_t{i}) * pitch + column + 2 * std::size_t{j};
    }
};

ColourGrid colourGrid(const ImageDescriptor& image, const SampleRect& r, CellPosition at) {
    const SampleRect active = image.activeRect();
    ColourGrid g;
    g.row = r.top + (at.row ^ ((r.top - active.top) & 1));
    g.column = r.left + (at.column ^ ((r.left - active.left) & 1));
    g.rows = r.height / 2;
    g.columns = r.width / 2;
    g.pitch = image.imageWidth;
    return g;
}

// x(i, j) = (sample - black) / range, as residuals about their mean; the sum of the x is
// returned. The mean is taken from the exact integer sum, so a flat area leaves residuals of
// exactly 0 and the single-precision transform keeps the detail a large level would drown.
double gatherResiduals(const ImageDescriptor& image, const ColourGrid& g, std::uint16_t black,
                       double range, SpectrumMatrix& x) {
    std::int64_t sum = 0;
    for (std::uint32_t i = 0; i < g.rows; ++i)
        for (std::uint32_t j = 0; j < g.columns; ++j)
            sum += std::int64_t{image.samples[g.index(i, j)]} - black;
    const double mean = static_cast<double>(sum) / (static_cast<double>(g.rows) * g.columns);
    for (std::uint32_t i = 0; i < g.rows; ++i) {
        float* out = x.row(i);
        for (std::uint32_t j = 0; j < g.columns; ++j)
            out[j] = static_cast<float>(
                (static_cast<double>(image.samples[g.index(i, j)]) - black - mean) / range);
    }
    return static_cast<double>(sum) / range;
}

struct Extremes {
    float largest = 0.0f;  // over every frequency but the zero frequency
    float smallest = 0.0f; // over all
};

Extremes extremesOf(const SpectrumMatrix& a) {
    Extremes e;
    e.smallest = a.row(0)[0];
    for (std::uint32_t l = 0; l < a.rows(); ++l) {
        const float* row = a.row(l);
        for (std::uint32_t k = 0; k < a.columns(); ++k) {
            if (l != 0 || k != 0) e.largest = std::max(e.largest, row[k]);
            e.smallest = std::min(e.smallest, row[k]);
        }
    }
    return e;
}

// Writes A(l, k) to the colour's sample at ((l + m / 2) mod m, (k + n / 2) mod n), so that
// the zero frequency lands in the middle. The scaled magnitude is truncated in double
// precision: the sum with black is exact there, where a float would round it up across a
// whole number. An empty spectrum (largest 0) leaves everything but the zero frequency black.
void writeSpectrum(ImageDescriptor& image, const ColourGrid& g, const SpectrumMatrix& a,
                   std::uint16_t black) {
    const Extremes e = extremesOf(a);
    const float threshold = std::max(e.smallest, e.largest * kThresholdPart);
    const double scale = e.largest > 0 ? kSpectrumTop / e.largest : 0.0;
    for (std::uint32_t l = 0; l < g.rows; ++l) {
        const float* row = a.row(l);
        const std::uint32_t i = (l + g.rows / 2) % g.rows;
        for (std::uint32_t k = 0; k < g.columns; ++k) {
            const float magnitude = row[k];
            std::uint32_t above = 0;
            if (magnitude > e.largest)
                above = kZeroFrequencyLevel;
            else if (magnitude >= threshold)
                above = static_cast<std::uint32_t>(magnitude * scale);
            const std::uint32_t j = (k + g.columns / 2) % g.columns;
            image.samples[g.index(i, j)] =
                static_cast<std::uint16_t>(std::min<std::uint32_t>(black + above, 0xFFFF));
        }
    }
}

} // namespace

Status AnalyseFrequencies(ImageDescriptor& image, const Viewport& view,
                          const PanelSelection& selection, int colour, bool shift, bool ctrl,
                          Reporter& reporter) {
    const std::optional<CellPosition> at = colourPosition(image, colour);
    if (!at || !selection.valid ||
        image.samples.size() < std::size_t{image.imageWidth} * image.imageLength)
        return kOk;
    const std::uint16_t black = blackOf(image, *at);
    // The range only scales the input, and the spectrum is measured against its own
    // largest value: a range of 0 (white level at black) is taken as 1 rather than divided by.
    const auto range = static_cast<std::uint16_t>(image.channelWhite[colour] - black);
    const double divisor = range != 0 ? range : 1.0;

    const SampleRect rect = storedSelection(view, image, selectionInImage(view, selection));
    const ColourGrid grid = colourGrid(image, rect, *at);
    if (grid.rows < kMinimumColourSamples || grid.columns < kMinimumColourSamples) {
        reporter.ShowMessage(MessageId::FrequencyAnalysisResult, "Selection too small");
        return kFailed;
    }
    SpectrumMatrix matrix;
    if (failed(matrix.allocate(grid.rows, grid.columns, reporter))) return kFailed;
    const double sum = gatherResiduals(image, grid, black, divisor, matrix);
    if (failed(matrix.transform(spectrumKernel(shift, ctrl), sum, reporter))) return kFailed;
    writeSpectrum(image, grid, matrix, black);
    return kOk;
}

} // namespace korvane
