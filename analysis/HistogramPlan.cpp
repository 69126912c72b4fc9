#include <algorithm>
#include <cstdio>

#include "analysis/Histograms.hpp"

namespace korvane {

namespace {

// The window holds 512 values, one per bin.
constexpr std::uint64_t kWindowSpan = kHistogramBins - 1;

} // namespace

std::string HistogramRangeText(std::uint32_t first, std::uint32_t last) {
    char text[40];
    std::snprintf(text, sizeof text, "Range\n%u:%u", first, last);
    return text;
}

HistogramPlan planHistograms(const HistogramChoices& choices) {
    HistogramPlan plan;
    plan.blackPoint = choices.blackPoint;
    plan.whitePoint = choices.whitePoint;
    if (choices.mapped) {
        plan.rgb = true;
        plan.applyWbEnabled = std::any_of(choices.whiteBalance.begin(), choices.whiteBalance.end(),
                                          [](float c) { return c != 1.0f; });
        plan.applyWhiteBalance = plan.applyWbEnabled && choices.applyWbChecked;
        return plan;
    }
    // The last raw value is V - 1; a range of no values shows as the one value 0.
    const std::uint64_t last = static_cast<std::uint64_t>(std::max(choices.valueCount, 1)) - 1;
    if (choices.fine) {
        // The window ends 511 values above the black point, or at the last value; it starts
        // 511 below its end, or at 0 for a range of fewer values.
        const std::uint64_t end = std::min(std::uint64_t{choices.blackPoint} + kWindowSpan, last);
        plan.windowEnd = static_cast<std::uint32_t>(end);
        plan.windowStart = static_cast<std::uint32_t>(end - std::min(end, kWindowSpan));
        plan.mode = choices.selectionChecked && choices.selectionPresent ? HistogramMode::Selection
                                                                         : HistogramMode::Window;
    } else {
        plan.mode = HistogramMode::WholeRange;
        plan.windowStart = 0;
        plan.windowEnd = static_cast<std::uint32_t>(last);
    }
    plan.rangeText = HistogramRangeText(plan.windowStart, plan.windowEnd);
    return plan;
}

std::string HistogramSummaryText(const std::string& processingNote, const ImageDescriptor& image,
                                 const std::optional<std::array<float, 4>>& shotWb,
                                 const std::array<float, 4>& currentWb) {
    std::string text = processingNote;
    char buffer[1024]; // room for eight coefficients of any size
    const unsigned minimum = image.blackLevelMinimum, maximum = image.blackLevelMaximum;
    if (minimum != 0 || minimum != maximum) {
        std::snprintf(buffer, sizeof buffer, "Black level min: %u, max: %u, avrg: %u ", minimum,
                      maximum, static_cast<unsigned>(image.blackLevelAverage));
        text += buffer;
    }
    const auto& c = currentWb;
    if (shotWb) {
        const auto& s = *shotWb;
        std::snprintf(buffer, sizeof buffer,
                      "\nShot WB coeffs RGGB: (%.4f, %.4f, %.4f, %.4f),  Current WB coeffs RGGB: "
                      "(%.4f, %.4f, %.4f, %.4f)",
                      s[0], s[1], s[2], s[3], c[0], c[1], c[2], c[3]);
    } else {
        std::snprintf(buffer, sizeof buffer, "\nCurrent WB coeffs RGGB: (%.4f, %.4f, %.4f, %.4f)",
                      c[0], c[1], c[2], c[3]);
    }
    return text + buffer;
}

} // namespace korvane
