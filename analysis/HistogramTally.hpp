#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "analysis/Histograms.hpp"
#include "common/IfdNode.hpp"

namespace korvane::histogram_tally {

// Counting is one table look-up per sample: a CFA position's table turns the sample into a
// slot of its colour's region. Each region has the 512 bins and one slot for values outside
// them; a fourth region takes the samples that are left out.
inline constexpr std::uint32_t kSlots = kHistogramBins + 1;
inline constexpr std::uint16_t kOutside = kHistogramBins;
inline constexpr std::uint32_t kLeftOut = kHistogramChannels;
inline constexpr std::uint32_t kRegions = kHistogramChannels + 1;
// A table has one entry per 16-bit sample value.
inline constexpr std::uint32_t kTableSize = 0x10000;

struct Tally {
    std::array<std::uint32_t, kRegions * kSlots> counts{};
    std::array<std::uint32_t, kRegions> maxima{}; // the largest sample of each region

    std::uint32_t at(std::uint32_t region, std::uint32_t slot) const {
        return counts[region * kSlots + slot];
    }
    // Every sample of the region lands in exactly one slot.
    std::uint64_t samples(std::uint32_t region) const;
    void add(const Tally& other);
};

struct PositionRule {
    const std::uint16_t* table = nullptr; // kTableSize slots
    std::uint32_t region = kLeftOut;
};

// The area to count and the rule of each CFA position (pattern row x width + column).
struct TallyPlan {
    const std::uint16_t* samples = nullptr;
    std::size_t pitch = 0;
    SampleRect area{}; // empty when the samples do not cover the image
    std::uint32_t patternWidth = 1;
    std::uint32_t patternHeight = 1;
    std::uint32_t firstRow = 0;    // the CFA row of the area's top row
    std::uint32_t firstColumn = 0; // the CFA column of its left column
    std::array<PositionRule, 64> rules{};
    bool keepMaxima = false;
};

// The plan for `area` of the image, with the CFA counted from the active area's top-left
// corner; every rule still leaves its samples out.
[[nodiscard]] TallyPlan tallyPlanOf(const ImageDescriptor& image, const SampleRect& area);

// `rect` cut to the image; empty when nothing of it lies inside.
[[nodiscard]] SampleRect clippedToImage(const ImageDescriptor& image, const SampleRect& rect);

// How many threads count an area: two when it is large.
[[nodiscard]] int partsFor(const SampleRect& area);

// The raw histogram mapping array of `mode`, indexed by the 16-bit sample value: the bin of
// each value, kOutside where it is not counted. False after MessageId::AllocationFailed.
[[nodiscard]] bool buildRawTable(std::vector<std::uint16_t>& table, HistogramMode mode,
                                 std::uint64_t valueCount, std::uint32_t windowStart,
                                 Reporter& reporter);
// In a window mode's table (kTableSize slots): the bins of the window from windowStart, and
// every slot of a window from windowStart back to kOutside.
void writeWindow(std::vector<std::uint16_t>& table, std::uint64_t valueCount,
                 std::uint32_t windowStart);
void clearWindow(std::vector<std::uint16_t>& table, std::uint32_t windowStart);

// Counts the plan's area in partsFor(area) parts; the sum does not depend on their number.
void tallyArea(const TallyPlan& plan, Tally& out);

} // namespace korvane::histogram_tally
