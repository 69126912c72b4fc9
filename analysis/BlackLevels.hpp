#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/IfdNode.hpp"

namespace korvane {

class NoiseStage;

// Where the black level of each sample comes from: the single black level, the CFA black
// array, the column and row black arrays with their weightings, or the four levels of the
// noise stage's black function. Rows and columns count from the active area's top-left
// corner in the stored orientation; an index beyond an array's end finds no value there.
class BlackLevels {
public:
    BlackLevels(const ImageDescriptor& image, const NoiseStage* noise);

    // The black level the Image modes subtract. It varies from sample to sample only when
    // the column or row arrays take part; otherwise atEntry gives it per CFA position.
    bool imageBlackVaries() const { return imageVaries_; }
    std::int32_t imageBlack(std::int64_t row, std::int64_t column, std::uint32_t entry,
                            int channel) const;
    std::int32_t imageBlackAtEntry(std::uint32_t entry, int channel) const {
        return imageBlack(-1, -1, entry, channel);
    }
    // The combined column and row black of `count` samples along a line from (row, column),
    // stepping by rowStep and columnStep: what imageBlack gives where the arrays take part.
    void weightedLine(std::int64_t row, std::int64_t column, int rowStep, int columnStep,
                      std::int32_t count, std::int32_t* out) const;
    // What such a line is a function of when it keeps one array's index (along a stored row
    // or a stored column inside both arrays): the fixed array's black and weighting and where
    // the line runs along the other. Two lines of equal keys are equal; many rows of an image
    // share their black and weighting. None for any other line.
    struct LineKey {
        std::int64_t start = 0; // in the moving array
        std::int32_t fixedBlack = 0, fixedWeight = 0, count = 0;
        std::int32_t rowStep = 0, columnStep = 0;
        bool operator==(const LineKey&) const = default;
    };
    std::optional<LineKey> lineKey(std::int64_t row, std::int64_t column, int rowStep,
                                   int columnStep, std::int32_t count) const;
    // The RGB histogram weighs the column and row profiles: each level times its weight,
    // truncated and held to 16 bits, kept in `columns` and `rows` (which must outlive this
    // object). A weight of 0 leaves its profile out, a weight of 1 leaves it as it is.
    void weighProfiles(float columnWeight, float rowWeight, std::vector<std::uint16_t>& columns,
                       std::vector<std::uint16_t>& rows);
    // The black level minimum the black point is measured from.
    std::int32_t minimum() const { return minimum_; }
    // No black level the Image modes subtract is larger than this.
    std::int32_t largest() const;

    // "BL corrected" exposure marks take off every source at once: the single level, the
    // CFA entry and the combined column and row level.
    bool arraysPresent() const { return !columns_.empty() || !rows_.empty(); }
    std::int32_t exposureMarkBlack(std::int64_t row, std::int64_t column,
                                   std::uint32_t entry) const;
    // The black the Exposure statistics take off: the black point when it lies below the
    // black level minimum, else as the marks but with the plain mean of column and row.
    std::int32_t exposureStatisticsBlack(std::int64_t row, std::int64_t column, std::uint32_t entry,
                                         std::uint32_t blackPoint) const;

private:
    // A line inside both arrays that keeps one array's index.
    bool fixesOneArray(std::int64_t row, std::int64_t column, int rowStep, int columnStep,
                       std::int32_t count) const;
    std::int32_t cfaEntry(std::uint32_t entry) const;
    std::int32_t weighted(std::int64_t row, std::int64_t column) const;
    std::int32_t mean(std::int64_t row, std::int64_t column) const;
    void settle();

    std::int32_t single_ = 0;
    std::span<const std::uint16_t> cfa_;
    std::span<const std::uint16_t> columns_;
    std::span<const std::uint16_t> rows_;
    std::span<const std::int16_t> columnWeights_;
    std::span<const std::int16_t> rowWeights_;
    bool perChannel_ = false; // the noise stage's four levels differ
    std::array<std::int32_t, 4> channelLevels_{};
    std::int32_t minimum_ = 0;
    bool imageVaries_ = false;
    // The largest black and weighting of each array: they tell whether single precision
    // divides a line's weighted black exactly.
    std::int32_t largestRow_ = 0, largestColumn_ = 0;
    std::int32_t largestRowWeight_ = 0, largestColumnWeight_ = 0;
};

} // namespace korvane
