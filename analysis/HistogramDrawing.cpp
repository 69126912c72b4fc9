#include <algorithm>
#include <array>

#include "analysis/Histograms.hpp"

namespace korvane {

namespace {

using platform::Rgb;

// Where things are. The three channel panels stand 155 rows apart from (12, 15); inside a
// panel, relative to its origin, the 512 bars take columns 7 to 518 and grow up from row
// 129 over 128 rows, in a frame two pixels thick (columns 5, 6 and 519, 520; rows 0, 1 and
// 130, 131). Scale marks stand left and right of the frame, the marks under the bars in
// rows 132 to 141.
constexpr int kBorder = 2; // black rows and columns at each edge of the picture
constexpr int kOriginX = 12, kOriginY = 15, kPanelStep = 155;
constexpr int kBarLeft = 7, kBarBottom = 129, kBarRows = 128;
constexpr int kFrameLeft = 5, kFrameRight = 520, kFrameTop = 0, kFrameBottom = 131;
constexpr int kFrameThickness = 2;
constexpr int kMarkTop = 132;
constexpr std::array<Rgb, kHistogramChannels> kChannelColours{kHistogramRed, kHistogramGreen,
                                                              kHistogramBlue};

// Row i of a bar (0 at the bottom) is painted from a bin value of T(i) on. T(1) to T(127)
// rise by a constant factor, so that row 127 needs a little more than 12800 (all of a
// channel's samples in one bin); T(0) is just above 0, so that a single sample shows.
constexpr std::array<double, kBarRows> kThresholds = [] {
    std::array<double, kBarRows> t{};
    t[0] = 0.000000001;
    t[1] = 1.337752254;
    for (int i = 1; i + 1 < kBarRows; ++i)
        t[i + 1] = t[i] * 1.07545916;
    return t;
}();

// Scale marks at these bar heights: about 0.03, 0.1, 0.5, 1, 5, 10 and 50 % of a channel's
// samples in one bin. Five pixels long, left and right of the frame.
constexpr std::array<int, 7> kScaleHeights{17, 32, 54, 64, 86, 95, 117};
constexpr int kScaleLength = 5, kScaleLeft = 0, kScaleRight = 521;

// Under a whole-range raw histogram: marks at these many bins above the black level (scaled
// to the bins that lie above it). The whole stops below the top of the range (2^k - 1 bins)
// are longer than the steps between them.
constexpr std::array<int, 12> kExposureSteps{7, 15, 31, 63, 80, 101, 127, 160, 203, 255, 322, 406};
constexpr int kWholeStopLength = 8, kStepLength = 6;
constexpr bool wholeStop(int m) {
    return ((m + 1) & m) == 0; // 2^k - 1
}
// Elsewhere: nine even marks, every 51 columns.
constexpr int kEvenMarks = 9, kEvenMarkFirst = 58, kEvenMarkStep = 51, kEvenMarkLength = 10;

// A dotted marker: 16 single pixels, 8 rows apart, from its first row down.
constexpr int kMarkerDots = 16, kMarkerDotStep = 8;
constexpr int kBlackLevelRow = 2, kMaximumRow = 1, kBlackPointRow = 6, kWhitePointRow = 8;

// Paints rectangles into the surface, relative to an origin, clipped to the surface.
class Painter {
public:
    Painter(platform::Surface& s, int x, int y) : s_(s), x_(x), y_(y) {}
    // Columns left to right, rows top to bottom, all inclusive.
    void fill(int left, int top, int right, int bottom, Rgb colour) const {
        const int x0 = std::max(left + x_, 0), x1 = std::min(right + x_, s_.width() - 1);
        const int y0 = std::max(top + y_, 0), y1 = std::min(bottom + y_, s_.height() - 1);
        if (x0 > x1) return;
        for (int y = y0; y <= y1; ++y)
            std::fill(s_.row(y) + x0, s_.row(y) + x1 + 1, colour);
    }
    void dot(int x, int y, Rgb colour) const { fill(x, y, x, y, colour); }

private:
    platform::Surface& s_;
    int x_, y_;
};

int barHeight(double value) {
    if (!(value >= kThresholds[0])) return 0; // also a value that is no number
    return static_cast<int>(std::upper_bound(kThresholds.begin(), kThresholds.end(), value) -
                            kThresholds.begin());
}

void drawFrameAndBars(const Painter& p, const std::array<double, kHistogramBins>& bins,
                      Rgb colour) {
    constexpr int t = kFrameThickness - 1;
    p.fill(kFrameLeft, kFrameTop, kFrameRight, kFrameTop + t, kHistogramFrame);
    p.fill(kFrameLeft, kFrameBottom - t, kFrameRight, kFrameBottom, kHistogramFrame);
    p.fill(kFrameLeft, kFrameTop, kFrameLeft + t, kFrameBottom, kHistogramFrame);
    p.fill(kFrameRight - t, kFrameTop, kFrameRight, kFrameBottom, kHistogramFrame);
    for (int b = 0; b < static_cast<int>(kHistogramBins); ++b) {
        const int h = barHeight(bins[static_cast<std::size_t>(b)]);
        if (h > 0) p.fill(kBarLeft + b, kBarBottom - h + 1, kBarLeft + b, kBarBottom, colour);
    }
    for (const int h : kScaleHeights) {
        const int row = kBarBottom + 1 - h;
        p.fill(kScaleLeft, row, kScaleLeft + kScaleLength - 1, row, kHistogramScaleMark);
        p.fill(kScaleRight, row, kScaleRight + kScaleLength - 1, row, kHistogramScaleMark);
    }
}

// The exposure marks of a whole-range raw histogram. The bin width V / 512 is a whole
// number of values, as the bins are; the black level's bin and the stretch of the bins
// above it are taken exactly, and a mark stands in the bin its position falls into.
void drawExposureMarks(const Painter& p, std::int64_t valueCount, std::int64_t blackMaximum) {
    if (valueCount <= 0) return;
    const std::int64_t binWidth = std::max<std::int64_t>(valueCount / kHistogramBins, 1);
    const double b0 = static_cast<double>(blackMaximum) / static_cast<double>(binWidth);
    const double f =
        static_cast<double>(valueCount - blackMaximum) / static_cast<double>(valueCount);
    for (const int m : kExposureSteps) {
        const double position = b0 + f * m;
        if (!(position >= 0 && position < static_cast<double>(kHistogramBins))) continue;
        const int column = kBarLeft + static_cast<int>(position);
        const int length = wholeStop(m) ? kWholeStopLength : kStepLength;
        p.fill(column, kMarkTop, column, kMarkTop + length - 1, kHistogramScaleMark);
    }
}

void drawEvenMarks(const Painter& p) {
    for (int i = 0; i < kEvenMarks; ++i) {
        const int column = kEvenMarkFirst + i * kEvenMarkStep;
        p.fill(column, kMarkTop, column, kMarkTop + kEvenMarkLength - 1, kHistogramScaleMark);
    }
}

// The values a raw histogram marks, and where: only values strictly between low and high,
// in the bar of (value - start) / width. In the whole range the first and the last bin
// take no marker; a marker stands over the bar that counts its value, as in the window.
struct MarkerScale {
    std::int64_t low = 0, high = 0, start = 0, width = 1;
};

MarkerScale markerScaleOf(const HistogramPlan& plan, std::int64_t valueCount) {
    if (plan.mode != HistogramMode::WholeRange)
        return {plan.windowStart, plan.windowEnd, plan.windowStart, 1};
    const std::int64_t w = std::max<std::int64_t>(valueCount / kHistogramBins, 1);
    return {w, valueCount - w, 0, w};
}

void drawMarker(const Painter& p, const MarkerScale& scale, std::int64_t value, int firstRow,
                Rgb colour) {
    if (!(value > scale.low && value < scale.high)) return;
    const std::int64_t bin = (value - scale.start) / scale.width;
    if (bin < 0 || bin >= static_cast<std::int64_t>(kHistogramBins)) return;
    for (int i = 0; i < kMarkerDots; ++i)
        p.dot(kBarLeft + static_cast<int>(bin), firstRow + i * kMarkerDotStep, colour);
}

void drawMarkers(const Painter& p, const ImageDescriptor& image, const HistogramPlan& plan,
                 std::int32_t channelMaximum) {
    const std::int64_t valueCount = std::max(image.valueRange, 0);
    const MarkerScale scale = markerScaleOf(plan, valueCount);
    drawMarker(p, scale, image.blackLevelMinimum, kBlackLevelRow, kHistogramLevelMarker);
    drawMarker(p, scale, channelMaximum, kMaximumRow, kHistogramLevelMarker);
    drawMarker(p, scale, plan.blackPoint, kBlackPointRow, kHistogramPointMarker);
    if (plan.whitePoint <= valueCount)
        drawMarker(p, scale, plan.whitePoint, kWhitePointRow, kHistogramPointMarker);
}

} // namespace

HistogramDrawing DrawHistograms(const ImageDescriptor& image, const HistogramCounts& counts,
                                const HistogramPlan& plan, platform::Surface& panel) {
    HistogramDrawing out;
    out.tooSmall =
        panel.width() < kMinimumHistogramWidth || panel.height() < kMinimumHistogramHeight;
    panel.fill(kHistogramBackground);
    const Painter whole(panel, 0, 0);
    const int right = panel.width() - 1, bottom = panel.height() - 1;
    whole.fill(0, 0, right, kBorder - 1, kHistogramFrame);
    whole.fill(0, bottom - kBorder + 1, right, bottom, kHistogramFrame);
    whole.fill(0, 0, kBorder - 1, bottom, kHistogramFrame);
    whole.fill(right - kBorder + 1, 0, right, bottom, kHistogramFrame);

    const HistogramBins& bins = plan.rgb                                 ? counts.rgb
                                : plan.mode == HistogramMode::WholeRange ? counts.fullRange
                                                                         : counts.window;
    for (std::size_t c = 0; c < kHistogramChannels; ++c) {
        const Painter p(panel, kOriginX, kOriginY + static_cast<int>(c) * kPanelStep);
        drawFrameAndBars(p, bins[c], kChannelColours[c]);
        if (!plan.rgb && plan.mode == HistogramMode::WholeRange)
            drawExposureMarks(p, image.valueRange, image.blackLevelMaximum);
        else
            drawEvenMarks(p);
        if (!plan.rgb) drawMarkers(p, image, plan, counts.channelMaxima[c]);
    }
    return out;
}

} // namespace korvane
