#pragma once
// The renderer's source while the noise processing stage runs: the stage's work without
// state (before and after its Replace step) and the display rules after it, tabulated by
// corrected value once per drawing; only the Replace step is taken sample by sample. Internal
// to analysis/.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/NoiseProcessing.hpp"
#include "analysis/RenderWalk.hpp"
#include "analysis/SelectionStatistics.hpp"

namespace korvane::render_walk {

// The tables of one drawing, shared by every part of it.
struct NoiseLookup {
    std::int32_t low = 0; // the lowest corrected value the tables hold (0 less the largest black)
    // The highest: at least the largest visible sample, as far as the drawing knows it
    // (see paintWithNoise); the samples above it are counted as `high`.
    std::int32_t high = 0;
    std::size_t span = 0; // values from low to high: the length of each table below
    // The tables and black levels are short enough for indices of 16 bits: span at most
    // 2^15, the largest black below 2^15, and a raw saturation level of at least 1.
    bool narrow = false;
    // Per channel and raw saturation, the table at (channel x 2 + saturated) x span, from
    // `low` on: the result of a corrected value that takes no Replace step, or kReplaceMark
    // with the value the step takes (results are below 2^24: a value index or a pixel). One
    // block, so that a sample's index into it says its table too.
    static constexpr std::uint32_t kReplaceMark = 0x80000000u;
    static constexpr std::uint32_t kSaturatedMark = 0x40000000u; // with kReplaceMark
    std::vector<std::uint32_t> results;
    // Per channel, the table at channel x span, from `low` on: the value the Replace step
    // takes, or kNoReplace; the counting reads this smaller block.
    static constexpr std::uint16_t kNoReplace = 0xFFFF;
    std::vector<std::uint16_t> replaceAt;
    // Per channel, the first and the last index of its table that takes the Replace step
    // (first above last when none does): the counting passes over the samples outside.
    std::array<std::int32_t, 4> replaceFirst{}, replaceLast{};
    // Per channel and raw saturation: the result of a value the Replace step gave, from 0.
    std::array<std::vector<std::uint32_t>, 8> replaced;
    // For the selection statistics, per channel: the stage's value of a corrected value that
    // takes no Replace step (the table at channel x span, from `low` on), and of a value the
    // step gave (from 0).
    std::vector<std::int32_t> stageValue;
    std::array<std::vector<std::int32_t>, 4> replacedValue;
    // What replaceAt, replaceFirst and replaceLast, stageValue and replacedValue (the stage's
    // part of the tables) were worked out for; while a drawing's is the same, they are kept
    // and only the results are worked out again.
    struct StageKey {
        NoiseProcessing::Begun begun;
        std::array<std::int64_t, 4> white{}; // passed to before, per channel
        std::array<int, 4> position{};       // a cell position of each channel, or -1
        std::int32_t low = 0, high = 0;
        bool operator==(const StageKey&) const = default;
    };
    std::optional<StageKey> stageKey;
    // What the statistics add to a sample's black level: the stage's offset of its channel
    // (for green the mean of the two greens').
    std::array<double, 4> offsetInBlack{};
    bool replacing = false; // some channel has a Replace step
    // The band is painted cell by cell and a channel has samples in more than one row of a
    // cell: its Replace steps are taken in that order, not row by row.
    bool cellOrder = false;
    bool blackVaries = false;
    std::array<std::int32_t, 64> fixedBlack{};  // per cell position, when the black is fixed
    std::array<std::int32_t, 64> saturatedAt{}; // from here on a raw sample is saturated
    std::array<std::uint8_t, 64> channel{};
};

// Builds the tables for the visible samples up to `high` (the stage has begun the drawing).
// `cells`: the mode paints a unit per CFA cell.
void buildNoiseLookup(const SampleEvaluator& e, const Viewport& v, const NoiseProcessing& stage,
                      std::int32_t high, bool cells, NoiseLookup& lookup);
// The largest visible sample from `first`, worked out in `parts` parts.
std::int32_t largestVisibleSample(const Viewport& v, const std::uint16_t* first, int parts);

// The samples of a selection, from x0 to x1 and y0 to y1 (visible samples, ends excluded).
struct SampleRange {
    std::int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};

struct NoiseTables : BandResults {
    const NoiseLookup* lookup = nullptr;
    NoiseProcessing* stage = nullptr; // this part's, with the Replace sequences where it starts
    // The statistics of the selected samples of this part's bands; null without a selection.
    SelectionStatistics* statistics = nullptr;
    SampleRange selected;
    std::vector<std::int32_t> values; // the stage's values of a band that the selection meets
    std::int32_t largest = 0;         // the largest sample of the bands begun

    void beginBand(std::int32_t dy, std::int32_t rows);
    // Adds to counts[channel][w] every sample of the rows that takes the Replace step with
    // the value w, without taking it.
    void countBand(std::int32_t dy, std::int32_t rows,
                   std::array<std::vector<std::uint32_t>, 4>& counts);

private:
    void resolveInCellOrder(std::int32_t dy, std::int32_t rows, bool gathering);
    void gather(std::int32_t dy, std::int32_t rows);
    // One selected row of a pattern two columns wide whose samples lie side by side, in
    // 16-bit lanes: its `count` samples, values, results and (varying) black levels from
    // column x0 on, or `fixed` black levels per position, x0's first. False, and nothing
    // added, where a value does not fit the lanes.
    bool addStagePairRow(const std::uint16_t* samples, const std::int32_t* value,
                         const std::uint32_t* out, const std::int32_t* blacks, int cellRow,
                         std::int32_t x0, std::int32_t count, std::array<std::int32_t, 2> fixed,
                         ImageTotals& first, ImageTotals& second) const;
    // Runs `each` on every sample of row dy from `from` with what it looks up (see the
    // definition); `lineBlacks` from blackLineOf.
    template <bool kCounting, typename Each>
    void walkRow(std::int32_t dy, std::int32_t from, const std::int32_t* lineBlacks, Each each);
    // The row's black levels where they vary, else null.
    const std::int32_t* blackLineOf(std::int32_t dy);
};

} // namespace korvane::render_walk
