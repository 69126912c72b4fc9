#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "analysis/CfaColours.hpp"
#include "analysis/HistogramTally.hpp"
#include "analysis/Histograms.hpp"

namespace korvane {

namespace {

using namespace histogram_tally;

// A raw histogram's bins of one channel add up to this (100 %), in the whole-range mode.
constexpr double kRawChannelTotal = 12800;
constexpr std::uint32_t kLastBin = kHistogramBins - 1;

// The rule of each CFA position: its colour's region, or left out for a green whose white
// balance coefficient alone is 0 (the window modes only).
void setRules(const ImageDescriptor& image, HistogramMode mode, const std::uint16_t* table,
              TallyPlan& plan) {
    const bool firstOff = image.wbMultipliers[1] == 0, secondOff = image.wbMultipliers[2] == 0;
    const bool leaveOut = mode != HistogramMode::WholeRange && firstOff != secondOff;
    const std::uint32_t pw = plan.patternWidth;
    for (std::uint32_t e = 0; e < pw * plan.patternHeight; ++e) {
        const CfaColour colour = cfaColourOfEntry(image, e);
        const int channel = channelOf(colour, e / pw);
        const bool off = leaveOut && ((channel == kChannelGreen1 && firstOff) ||
                                      (channel == kChannelGreen2 && secondOff));
        plan.rules[e] = {table, off ? kLeftOut : static_cast<std::uint32_t>(colour)};
    }
}

// Whether the histogram of `mode` already holds this count.
bool upToDate(const HistogramCounts& counts, HistogramMode mode, std::uint32_t windowStart,
              const SampleRect& selection) {
    if (mode == HistogramMode::WholeRange) return counts.counted;
    if (!counts.windowCounted || counts.windowMode != mode || counts.windowStart != windowStart)
        return false;
    if (mode == HistogramMode::Window) return true;
    const SampleRect& s = counts.selection;
    return counts.selectionValid && s.top == selection.top && s.left == selection.left &&
           s.height == selection.height && s.width == selection.width;
}

// The factor that normalises a channel's bins: in the whole range its bins add up to 12800;
// a window's bins are scaled to the whole range's bin width (V / 512 values), so that both
// show one density; a selection's add up to 12800 for all its samples of the channel.
double normalisation(HistogramMode mode, std::uint64_t valueCount, std::uint64_t binned,
                     std::uint64_t fullTotal, std::uint64_t selectionSamples) {
    const auto share = [](double numerator, std::uint64_t total) {
        return total == 0 ? 0.0 : numerator / static_cast<double>(total);
    };
    if (mode == HistogramMode::WholeRange || valueCount < kHistogramBins)
        return share(kRawChannelTotal, binned);
    if (mode == HistogramMode::Window)
        return share(static_cast<double>(valueCount) * kRawChannelTotal / kHistogramBins,
                     fullTotal);
    return share(kRawChannelTotal, selectionSamples);
}

void store(const Tally& tally, HistogramMode mode, std::uint64_t valueCount,
           HistogramCounts& counts) {
    const bool wholeRange = mode == HistogramMode::WholeRange;
    HistogramBins& bins = wholeRange ? counts.fullRange : counts.window;
    HistogramSamples& samples = wholeRange ? counts.fullRangeSamples : counts.windowSamples;
    for (std::uint32_t c = 0; c < kHistogramChannels; ++c) {
        std::uint64_t binned = 0;
        for (std::uint32_t b = 0; b < kHistogramBins; ++b)
            binned += tally.at(c, b);
        if (wholeRange) {
            counts.channelTotals[c] = static_cast<std::uint32_t>(binned);
            counts.channelMaxima[c] = static_cast<std::int32_t>(tally.maxima[c]);
        }
        const double f =
            normalisation(mode, valueCount, binned, counts.channelTotals[c], tally.samples(c));
        for (std::uint32_t b = 0; b < kHistogramBins; ++b) {
            samples[c][b] = tally.at(c, b);
            bins[c][b] = tally.at(c, b) * f;
        }
    }
}

} // namespace

namespace histogram_tally {

// bin(i) of the first `reach` of n values: a running bin that moves on by one when the value
// reaches the bin's share of the n values. With n >= 512 values 0 to n - 1 spread evenly
// over the 512 bins; with fewer, value i falls into bin i + 1.
void walkBins(std::uint64_t n, std::uint32_t reach, std::uint16_t* bins) {
    std::uint32_t b = 0;
    std::uint64_t next = n / kHistogramBins; // where bin b + 1 begins
    for (std::uint32_t i = 0; i < reach; ++i) {
        if (b < kLastBin && i >= next) next = (std::uint64_t{++b} + 1) * n / kHistogramBins;
        bins[i] = static_cast<std::uint16_t>(b);
    }
}

// The raw histogram mapping array, indexed by the sample value itself, so that the clamp
// to the range (whole range) or the window test (window modes) is folded into the look-up.
// Only the first 65536 of the design's n entries can be reached by a 16-bit sample.
bool buildRawTable(std::vector<std::uint16_t>& table, HistogramMode mode, std::uint64_t valueCount,
                   std::uint32_t windowStart, Reporter& reporter) {
    const bool wholeRange = mode == HistogramMode::WholeRange;
    try {
        // The whole range writes every slot below.
        if (wholeRange && valueCount > 0)
            table.resize(kTableSize);
        else
            table.assign(kTableSize, kOutside);
    } catch (const std::bad_alloc&) {
        reporter.ShowMessage(MessageId::AllocationFailed,
                             static_cast<std::int32_t>(kTableSize * sizeof(std::uint16_t)),
                             "Raw histogram mapping array");
        return false;
    }
    // A range below 512 values has no window: its bins are those of the whole range.
    const std::uint64_t n = wholeRange || valueCount < kHistogramBins ? valueCount : kHistogramBins;
    if (n == 0) return true; // no value lies in the range
    if (wholeRange) {
        const auto reach = static_cast<std::uint32_t>(std::min<std::uint64_t>(n, kTableSize));
        walkBins(n, reach, table.data());
        // Values at or above the range count as its last value.
        std::fill(table.begin() + reach, table.end(), table[reach - 1]);
        return true;
    }
    writeWindow(table, valueCount, windowStart);
    return true;
}

void writeWindow(std::vector<std::uint16_t>& table, std::uint64_t valueCount,
                 std::uint32_t windowStart) {
    const std::uint64_t n = valueCount < kHistogramBins ? valueCount : kHistogramBins;
    if (n == 0) return;
    std::array<std::uint16_t, kHistogramBins> bins{};
    walkBins(n, static_cast<std::uint32_t>(n), bins.data());
    // Window values from the start on; below it and 512 values on are outside. A value past
    // a range of fewer than 512 values counts as the range's last.
    for (std::uint64_t d = 0; d < kHistogramBins && windowStart + d < kTableSize; ++d)
        table[windowStart + d] = bins[std::min<std::uint64_t>(d, n - 1)];
}

void clearWindow(std::vector<std::uint16_t>& table, std::uint32_t windowStart) {
    for (std::uint64_t d = 0; d < kHistogramBins && windowStart + d < table.size(); ++d)
        table[windowStart + d] = kOutside;
}

} // namespace histogram_tally

namespace {

// A raw histogram mapping array and what it was built for.
class KeptRawTable {
public:
    // The table of `mode` for valueCount values and windowStart; empty after
    // MessageId::AllocationFailed.
    const std::vector<std::uint16_t>& tableFor(HistogramMode mode, std::uint64_t valueCount,
                                               std::uint32_t windowStart, Reporter& reporter) {
        const bool window = mode != HistogramMode::WholeRange;
        const Built wanted{window, valueCount, window ? windowStart : 0};
        if (built_ && *built_ == wanted) return table_;
        // Outside its window a window's table holds kOutside whatever the range.
        const bool fromWindow = built_ && built_->window;
        built_.reset();
        if (window && fromWindow) {
            histogram_tally::clearWindow(table_, previousStart_);
            histogram_tally::writeWindow(table_, valueCount, windowStart);
        } else if (!histogram_tally::buildRawTable(table_, mode, valueCount, windowStart,
                                                   reporter)) {
            table_.clear();
            return table_;
        }
        built_ = wanted;
        previousStart_ = wanted.windowStart;
        return table_;
    }

private:
    struct Built {
        bool window = false;
        std::uint64_t valueCount = 0;
        std::uint32_t windowStart = 0;
        bool operator==(const Built&) const = default;
    };
    std::vector<std::uint16_t> table_;
    std::optional<Built> built_;
    std::uint32_t previousStart_ = 0;
};

} // namespace

void BuildRawHistogram(const ImageDescriptor& image, HistogramCounts& counts, HistogramMode mode,
                       std::uint32_t windowStart, const SampleRect& selection, Reporter& reporter) {
    if (mode != HistogramMode::WholeRange && !counts.counted) {
        BuildRawHistogram(image, counts, HistogramMode::WholeRange, 0, {}, reporter);
        if (!counts.counted) return; // MessageId::AllocationFailed has been shown
    }
    if (upToDate(counts, mode, windowStart, selection)) return;
    const std::uint64_t valueCount = static_cast<std::uint64_t>(std::max(image.valueRange, 0));
    // The table is kept from one count to the next of the same thread: a count then neither
    // allocates nor takes fresh pages, and one window's table becomes another's by rewriting
    // the two windows alone. The whole range's table is kept apart, for the next file of the
    // same range.
    thread_local KeptRawTable wholeRange, windows;
    KeptRawTable& kept = mode == HistogramMode::WholeRange ? wholeRange : windows;
    const std::vector<std::uint16_t>& table =
        kept.tableFor(mode, valueCount, windowStart, reporter);
    if (table.empty()) return;

    const bool selected = mode == HistogramMode::Selection;
    TallyPlan plan = tallyPlanOf(image, selected ? selection : image.activeRect());
    plan.keepMaxima = mode == HistogramMode::WholeRange;
    setRules(image, mode, table.data(), plan);
    Tally tally;
    tallyArea(plan, tally);
    store(tally, mode, valueCount, counts);

    if (mode == HistogramMode::WholeRange) {
        counts.counted = true;
        return;
    }
    counts.windowCounted = true;
    counts.windowMode = mode;
    counts.windowStart = windowStart;
    counts.selection = selection;
    counts.selectionValid = selected;
}

} // namespace korvane
