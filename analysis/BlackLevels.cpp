#include "analysis/BlackLevels.hpp"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis/NoiseStage.hpp"

namespace korvane {

namespace {

template <typename T>
std::int32_t at(std::span<const T> values, std::int64_t i, std::int32_t absent) {
    return i >= 0 && static_cast<std::uint64_t>(i) < values.size()
               ? values[static_cast<std::size_t>(i)]
               : absent;
}

template <typename T> std::int32_t largestOf(std::span<const T> values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
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
    settle();
}

void BlackLevels::settle() {
    imageVaries_ = !perChannel_ && single_ == 0 && cfa_.empty() && arraysPresent();
    largestRow_ = largestOf(rows_);
    largestColumn_ = largestOf(columns_);
    largestRowWeight_ = largestOf(rowWeights_);
    largestColumnWeight_ = largestOf(columnWeights_);
}

void BlackLevels::weighProfiles(float columnWeight, float rowWeight,
                                std::vector<std::uint16_t>& columns,
                                std::vector<std::uint16_t>& rows) {
    const auto weigh = [](std::span<const std::uint16_t>& profile, float weight,
                          std::vector<std::uint16_t>& store) {
        if (profile.empty() || weight == 1.0f) return;
        if (!(weight > 0)) {
            profile = {};
            return;
        }
        store.resize(profile.size());
        for (std::size_t i = 0; i < profile.size(); ++i)
            store[i] = static_cast<std::uint16_t>(
                std::min(std::trunc(static_cast<double>(profile[i]) * weight), 65535.0));
        profile = store;
    };
    weigh(columns_, columnWeight, columns);
    weigh(rows_, rowWeight, rows);
    settle();
}

std::int32_t BlackLevels::largest() const {
    // A weighted or plain mean of a column and a row level lies between the two.
    std::int32_t top = std::max({single_, largestOf(cfa_), largestRow_, largestColumn_});
    if (perChannel_)
        top = std::max(top, *std::max_element(channelLevels_.begin(), channelLevels_.end()));
    return top;
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

// Quotients of numerators below 2^24 come out exact in single precision: the numerator and
// the divisor are exact, and a quotient that is not whole lies at least 1 / d below the next
// integer while the rounding moves it by less than n / d x 2^-24 < 1 / d. Larger ones are
// taken in double precision, exact by the same argument for numerators below 2^52.
constexpr std::int64_t kSingleExact = std::int64_t{1} << 24;

// Along a line that keeps one array's index: that array's black f and weighting wf are
// fixed, the other's (m, wm) move by `step`. The weighted black is symmetric in the two:
// (wf x m + wm x f) / (wf + wm).
template <int Step, typename Real>
void fixedLine(std::int32_t f, std::int32_t wf, const std::uint16_t* m, const std::int16_t* wm,
               std::int32_t count, std::int32_t* out) {
    const Real fixedBlack = static_cast<Real>(f), fixedWeight = static_cast<Real>(wf);
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t black = m[Step * i], weight = wm[Step * i];
        // Both results are formed for every sample, so that the loop has no branch; the
        // quotient of an unweighted sample (divisor raised to stay positive) is not used.
        const Real numerator =
            fixedWeight * static_cast<Real>(black) + static_cast<Real>(weight) * fixedBlack;
        const Real divisor = fixedWeight + static_cast<Real>(std::max(weight, 1));
        const auto quotient = static_cast<std::int32_t>(numerator / divisor);
        const std::int32_t mean = (black + f) >> 1; // both are not negative
        out[i] = weight >= 1 ? quotient : mean;
    }
}

#if defined(__SSE2__)
// The single-precision line four samples at a time, forwards (the arrays' own order).
std::int32_t fixedLineForwardsSse2(std::int32_t f, std::int32_t wf, const std::uint16_t* m,
                                   const std::int16_t* wm, std::int32_t count, std::int32_t* out) {
    const __m128 fixedBlack = _mm_set1_ps(static_cast<float>(f));
    const __m128 fixedWeight = _mm_set1_ps(static_cast<float>(wf));
    const __m128i fixedInt = _mm_set1_epi32(f);
    const __m128i one16 = _mm_set1_epi16(1), zero = _mm_setzero_si128();
    std::int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i black16 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(m + i));
        const __m128i weight16 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(wm + i));
        const __m128i black = _mm_unpacklo_epi16(black16, zero);
        const __m128i weight = _mm_srai_epi32(_mm_unpacklo_epi16(weight16, weight16), 16);
        const __m128i raised16 = _mm_max_epi16(weight16, one16);
        const __m128i raised = _mm_srai_epi32(_mm_unpacklo_epi16(raised16, raised16), 16);
        const __m128 numerator = _mm_add_ps(_mm_mul_ps(fixedWeight, _mm_cvtepi32_ps(black)),
                                            _mm_mul_ps(_mm_cvtepi32_ps(weight), fixedBlack));
        const __m128 divisor = _mm_add_ps(fixedWeight, _mm_cvtepi32_ps(raised));
        const __m128i quotient = _mm_cvttps_epi32(_mm_div_ps(numerator, divisor));
        const __m128i mean = _mm_srli_epi32(_mm_add_epi32(black, fixedInt), 1);
        const __m128i weighted = _mm_cmpgt_epi32(weight, _mm_setzero_si128());
        const __m128i result =
            _mm_or_si128(_mm_and_si128(weighted, quotient), _mm_andnot_si128(weighted, mean));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), result);
    }
    return i;
}
#endif

template <int Step>
void fixedLine(std::int32_t f, std::int32_t wf, const std::uint16_t* m, const std::int16_t* wm,
               std::int32_t count, std::int32_t largestBlack, std::int32_t largestWeight,
               std::int32_t* out) {
    if (wf < 1) {
        for (std::int32_t i = 0; i < count; ++i)
            out[i] = (m[Step * i] + f) / 2;
        return;
    }
    const std::int64_t largest =
        std::int64_t{wf} * largestBlack + std::int64_t{std::max(largestWeight, 0)} * f;
    if (largest < kSingleExact) {
        std::int32_t done = 0;
#if defined(__SSE2__)
        if constexpr (Step == 1) done = fixedLineForwardsSse2(f, wf, m, wm, count, out);
#endif
        fixedLine<Step, float>(f, wf, m + Step * done, wm + Step * done, count - done, out + done);
    } else
        fixedLine<Step, double>(f, wf, m, wm, count, out);
}

} // namespace

bool BlackLevels::fixesOneArray(std::int64_t row, std::int64_t column, int rowStep, int columnStep,
                                std::int32_t count) const {
    const std::int64_t lastRow = row + std::int64_t{rowStep} * (count - 1);
    const std::int64_t lastColumn = column + std::int64_t{columnStep} * (count - 1);
    const auto inside = [](std::int64_t first, std::int64_t last, std::size_t a, std::size_t b) {
        return std::min(first, last) >= 0 &&
               std::max(first, last) < static_cast<std::int64_t>(std::min(a, b));
    };
    return count > 0 && (rowStep == 0) != (columnStep == 0) &&
           inside(row, lastRow, rows_.size(), rowWeights_.size()) &&
           inside(column, lastColumn, columns_.size(), columnWeights_.size());
}

std::optional<BlackLevels::LineKey> BlackLevels::lineKey(std::int64_t row, std::int64_t column,
                                                         int rowStep, int columnStep,
                                                         std::int32_t count) const {
    if (!fixesOneArray(row, column, rowStep, columnStep, count)) return std::nullopt;
    const bool alongRow = rowStep == 0;
    LineKey key;
    key.start = alongRow ? column : row;
    key.fixedBlack = alongRow ? rows_[row] : columns_[column];
    key.fixedWeight = alongRow ? rowWeights_[row] : columnWeights_[column];
    key.count = count;
    key.rowStep = rowStep;
    key.columnStep = columnStep;
    return key;
}

void BlackLevels::weightedLine(std::int64_t row, std::int64_t column, int rowStep, int columnStep,
                               std::int32_t count, std::int32_t* out) const {
    if (count <= 0) return;
    if (fixesOneArray(row, column, rowStep, columnStep, count)) {
        // Along a stored row the row's part is fixed; along a stored column the column's.
        const bool alongRow = rowStep == 0;
        const std::int32_t f = alongRow ? rows_[row] : columns_[column];
        const std::int32_t wf = alongRow ? rowWeights_[row] : columnWeights_[column];
        const std::uint16_t* m = alongRow ? columns_.data() + column : rows_.data() + row;
        const std::int16_t* wm =
            alongRow ? columnWeights_.data() + column : rowWeights_.data() + row;
        const std::int32_t largestBlack = alongRow ? largestColumn_ : largestRow_;
        const std::int32_t largestWeight = alongRow ? largestColumnWeight_ : largestRowWeight_;
        if ((alongRow ? columnStep : rowStep) > 0)
            fixedLine<1>(f, wf, m, wm, count, largestBlack, largestWeight, out);
        else
            fixedLine<-1>(f, wf, m, wm, count, largestBlack, largestWeight, out);
        return;
    }
    for (std::int32_t i = 0; i < count; ++i, row += rowStep, column += columnStep)
        out[i] = weighted(row, column);
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
