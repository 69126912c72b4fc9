#include <algorithm>

#include "analysis/HistogramTally.hpp"
#include "analysis/Histograms.hpp"
#include "common/RecordingReporter.hpp"

namespace korvane {

std::vector<HistogramTableRow> HistogramTable(const ImageDescriptor& image,
                                              const HistogramCounts& counts,
                                              const HistogramPlan& plan) {
    std::vector<HistogramTableRow> rows;
    if (plan.rgb) {
        // Display values, one a bin.
        rows.resize(kHistogramBins / 2);
        for (std::uint32_t d = 0; d < rows.size(); ++d) {
            rows[d] = {true, d, d, {}};
            for (std::size_t c = 0; c < kHistogramChannels; ++c)
                rows[d].samples[c] = counts.rgbSamples[c][d];
        }
        return rows;
    }
    rows.resize(kHistogramBins);
    const bool wholeRange = plan.mode == HistogramMode::WholeRange;
    const HistogramSamples& samples = wholeRange ? counts.fullRangeSamples : counts.windowSamples;
    for (std::size_t b = 0; b < kHistogramBins; ++b)
        for (std::size_t c = 0; c < kHistogramChannels; ++c)
            rows[b].samples[c] = samples[c][b];
    // The values of each bin are those the counting's own mapping array puts there; the
    // table is rebuilt here, which cannot fail for want of memory without saying so.
    std::vector<std::uint16_t> table;
    RecordingReporter quiet;
    const auto valueCount = static_cast<std::uint64_t>(std::max(image.valueRange, 0));
    if (!histogram_tally::buildRawTable(table, plan.mode, valueCount, plan.windowStart, quiet))
        return rows;
    const std::uint64_t first = wholeRange ? 0 : plan.windowStart;
    const std::uint64_t end = std::min<std::uint64_t>(
        wholeRange ? valueCount : std::uint64_t{plan.windowStart} + kHistogramBins, table.size());
    for (std::uint64_t v = first; v < end; ++v) {
        const std::uint16_t bin = table[v];
        if (bin >= kHistogramBins) continue;
        HistogramTableRow& r = rows[bin];
        if (!r.hasValues) r.first = static_cast<std::uint32_t>(v);
        r.hasValues = true;
        r.last = static_cast<std::uint32_t>(v);
    }
    return rows;
}

} // namespace korvane
