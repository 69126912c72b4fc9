#include "analysis/BlackLevels.hpp"

#include <algorithm>
#include <vector>

#include "analysis/NoiseStage.hpp"

namespace korvane {

namespace {

template <typename T>
std::int32_t at(std::span<const T> values, std::int64_t i, std::int32_t absent) {
    return i >= 0 && static_cast<std::uint64_t>(i) < values.size()
               ? values[static_cast<std::size_t>(i)]
               : absent;
}

} // namespace

BlackLevels::BlackLevels(const ImageDescriptor& image, const NoiseStage* noise)
    : single_(image.blackLevel), cfa_(image.blackLevelArray), columns_(image.blackDeltaH),
      rows_(image.blackDeltaV), columnWeights_(image.columnWeighting),
      rowWeights_(image.rowWeighting), minimum_(image.blackLevelMinimum) {
    if (noise != nullptr) {
        if (!noise->columnBlackOn()) columns_ = {};
        if (!noise->rowBlackOn()) rows_ = {};
        if (const auto levels = noise->blackLevels()) {
            // The stage's own levels replace every other source.
            std::copy(levels->begin(), levels->end(), channelLevels_.begin());
            const auto [low, high] = std::minmax_element(levels->begin(), levels->end());
            perChannel_ = *low != *high;
            single_ = *low;
            minimum_ = *low;
            cfa_ = columns_ = rows_ = {};
        }
    }
    imageVaries_ = !perChannel_ && single_ == 0 && cfa_.empty() && arraysPresent();
}

std::int32_t BlackLevels::cfaEntry(std::uint32_t entry) const {
    return at(cfa_, entry, 0);
}

std::int32_t BlackLevels::weighted(std::int64_t row, std::int64_t column) const {
    const std::int32_t c = at(columns_, column, -1), r = at(rows_, row, -1);
    if (c >= 0 && r >= 0) {
        // A weighting below 1 (no samples, or no noise measured) gives no preference.
        const std::int32_t wc = at(columnWeights_, column, -1), wr = at(rowWeights_, row, -1);
        if (wr < 1 || wc < 1) return (c + r) / 2;
        return static_cast<std::int32_t>((std::int64_t{wc} * r + std::int64_t{wr} * c) / (wr + wc));
    }
    return std::max({c, r, 0});
}

namespace {

// 1 / d for every divisor two weightings can make. A quotient n / d with n below 2^32 and d
// below 2^16 is taken as n x (1 / d) plus 2^-18, truncated: the product is within 2^-19 of
// n / d, a quotient that is not whole lies at least 2^-16 below the next integer, and one
// that is whole is reached. So the result is the integer quotient, for a multiplication.
const std::vector<double>& reciprocals() {
    static const std::vector<double> table = [] {
        std::vector<double> t(0x10000, 0.0);
        for (std::size_t d = 1; d < t.size(); ++d)
            t[d] = 1.0 / static_cast<double>(d);
        return t;
    }();
    return table;
}
constexpr double kQuotientNudge = 0x1p-18;

} // namespace

void BlackLevels::weightedLine(std::int64_t row, std::int64_t column, int rowStep, int columnStep,
                               std::int32_t count, std::int32_t* out) const {
    const double* reciprocal = reciprocals().data();
    const std::int64_t lastColumn = column + std::int64_t{columnStep} * (count - 1);
    const std::int32_t r0 = at(rows_, row, -1), wr0 = at(rowWeights_, row, -1);
    if (rowStep == 0 && r0 >= 0 && wr0 >= 1 && count > 0 && std::min(column, lastColumn) >= 0 &&
        std::max(column, lastColumn) <
            static_cast<std::int64_t>(std::min(columns_.size(), columnWeights_.size()))) {
        // Along one stored row with every column inside its arrays: the row's part is fixed.
        const double rowBlack = r0, rowWeight = wr0;
        const std::uint16_t* c = columns_.data() + column;
        const std::int16_t* wc = columnWeights_.data() + column;
        for (std::int32_t i = 0; i < count; ++i, c += columnStep, wc += columnStep) {
            const double weighted =
                (*wc * rowBlack + rowWeight * *c) * reciprocal[(wr0 + *wc) & 0xFFFF] +
                kQuotientNudge;
            out[i] = *wc >= 1 ? static_cast<std::int32_t>(weighted) : (*c + r0) / 2;
        }
        return;
    }
    for (std::int32_t i = 0; i < count; ++i, row += rowStep, column += columnStep) {
        const std::int32_t c = at(columns_, column, -1), r = at(rows_, row, -1);
        if (c < 0 || r < 0) {
            out[i] = std::max({c, r, 0});
            continue;
        }
        const std::int32_t wc = at(columnWeights_, column, -1), wr = at(rowWeights_, row, -1);
        if (wr < 1 || wc < 1) {
            out[i] = (c + r) / 2;
            continue;
        }
        const double numerator = static_cast<double>(wc) * r + static_cast<double>(wr) * c;
        out[i] = static_cast<std::int32_t>(numerator * reciprocal[wr + wc] + kQuotientNudge);
    }
}

std::int32_t BlackLevels::mean(std::int64_t row, std::int64_t column) const {
    const std::int32_t c = at(columns_, column, -1), r = at(rows_, row, -1);
    if (c >= 0 && r >= 0) return (c + r) / 2;
    return std::max({c, r, 0});
}

std::int32_t BlackLevels::imageBlack(std::int64_t row, std::int64_t column, std::uint32_t entry,
                                     int channel) const {
    if (perChannel_) return channelLevels_[static_cast<std::size_t>(channel) & 3];
    if (single_ != 0) return single_;
    if (!cfa_.empty()) return cfaEntry(entry);
    return weighted(row, column);
}

std::int32_t BlackLevels::exposureMarkBlack(std::int64_t row, std::int64_t column,
                                            std::uint32_t entry) const {
    return single_ + cfaEntry(entry) + weighted(row, column);
}

std::int32_t BlackLevels::exposureStatisticsBlack(std::int64_t row, std::int64_t column,
                                                  std::uint32_t entry,
                                                  std::uint32_t blackPoint) const {
    if (blackPoint < static_cast<std::uint32_t>(minimum_))
        return static_cast<std::int32_t>(blackPoint);
    if (!cfa_.empty() || arraysPresent()) return single_ + cfaEntry(entry) + mean(row, column);
    return single_;
}

} // namespace korvane
