#include "analysis/NoiseWalk.hpp"

#include <algorithm>
#include <memory>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis/InParts.hpp"

namespace korvane::render_walk {

namespace {

#if defined(__SSE2__)
// The largest of eight 16-bit lanes.
std::uint16_t largestLane(__m128i v) {
    alignas(16) std::array<std::uint16_t, 8> lanes{};
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes.data()), v);
    return *std::max_element(lanes.begin(), lanes.end());
}
#endif

// The largest of `count` samples from `row`, `step` apart.
std::uint16_t largestOf(const std::uint16_t* row, std::int32_t count, std::ptrdiff_t step) {
    std::uint16_t top = 0;
    std::int32_t dx = 0;
#if defined(__SSE2__)
    if (step == 1) {
        // Unsigned maxima by way of the signed ones: the values flipped by their top bit.
        const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
        __m128i top8 = flip;
        for (; dx + 8 <= count; dx += 8)
            top8 = _mm_max_epi16(
                top8,
                _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + dx)), flip));
        top = largestLane(_mm_xor_si128(top8, flip));
    }
#endif
    for (; dx < count; ++dx)
        top = std::max(top, row[dx * step]);
    return top;
}

} // namespace

std::int32_t largestVisibleSample(const Viewport& v, const std::uint16_t* first, int parts) {
    std::vector<std::uint16_t> tops(static_cast<std::size_t>(parts), 0);
    inParts(parts, v.y.visibleSamples, [&](int part, std::int32_t from, std::int32_t to) {
        std::uint16_t top = 0;
        for (std::int32_t dy = from; dy < to; ++dy)
            top = std::max(top, largestOf(first + dy * v.stepY, v.x.visibleSamples, v.stepX));
        tops[static_cast<std::size_t>(part)] = top;
    });
    return *std::max_element(tops.begin(), tops.end());
}

void buildNoiseLookup(const SampleEvaluator& e, const Viewport& v, const NoiseProcessing& stage,
                      std::int32_t high, bool cells, NoiseLookup& t) {
    t.low = -e.largestBlack();
    t.high = high;
    t.blackVaries = e.blackVaries();
    std::array<int, 4> firstOf{-1, -1, -1, -1}; // a cell position of each channel
    for (std::size_t q = 0; q < v.cfa.size(); ++q) {
        const int channel = v.cfa.channel[q];
        t.channel[q] = static_cast<std::uint8_t>(channel);
        t.fixedBlack[q] = e.blackAt(-1, -1, static_cast<int>(q));
        t.saturatedAt[q] = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(e.saturationOf(static_cast<int>(q)), 0, 0x10000));
        if (firstOf[channel] < 0) firstOf[channel] = static_cast<int>(q);
    }
    const auto offset = [&](int channel) { return static_cast<double>(stage.offset(channel)); };
    const double greens = (offset(kChannelGreen1) + offset(kChannelGreen2)) / 2.0;
    t.offsetInBlack = {offset(kChannelRed), greens, offset(kChannelBlue), greens};
    t.cellOrder = false;
    for (int i = 0; i < v.cfa.height; ++i)
        for (int k = i + 1; k < v.cfa.height; ++k)
            for (int j = 0; j < v.cfa.width; ++j)
                for (int l = 0; l < v.cfa.width; ++l)
                    t.cellOrder = t.cellOrder || (cells && t.channel[i * v.cfa.width + j] ==
                                                               t.channel[k * v.cfa.width + l]);
    t.replacing = false;
    for (int channel = 0; channel < 4; ++channel)
        t.replacing = t.replacing || (firstOf[channel] >= 0 && stage.replaceRange(channel) >= 0);
    const auto span = static_cast<std::size_t>(t.high - t.low + 1);
    t.span = span;
    t.narrow = span <= 0x8000 && -t.low <= 0x7FFF;
    for (std::size_t q = 0; q < v.cfa.size(); ++q)
        t.narrow = t.narrow && t.saturatedAt[q] >= 1;
    NoiseLookup::StageKey key{stage.begun(), {}, firstOf, t.low, t.high};
    for (std::size_t c = 0; c < 4; ++c)
        if (firstOf[c] >= 0) key.white[c] = e.whiteOf(firstOf[c]);
    const bool kept = t.stageKey == key;
    t.stageKey.reset(); // until the stage's part is whole again
    t.results.resize(8 * span);
    if (!kept) {
        t.replaceAt.assign(4 * span, NoiseLookup::kNoReplace);
        t.stageValue.resize(4 * span);
    }
    // One channel per part: the tables of a channel are its own.
    inParts(4, 4, [&](int, std::int32_t from, std::int32_t to) {
        for (int channel = from; channel < to; ++channel) {
            const int q = firstOf[channel];
            if (q < 0) continue;
            const auto white = static_cast<std::int32_t>(e.whiteOf(q));
            const std::int32_t range = stage.replaceRange(channel);
            const auto c = static_cast<std::size_t>(channel);
            std::uint16_t* replaceAt = t.replaceAt.data() + c * span;
            std::int32_t* values = t.stageValue.data() + c * span;
            // A replaced value lies from 0 to twice the range.
            const auto replacedSpan = static_cast<std::size_t>(std::max(2 * range + 1, 0));
            std::vector<std::int32_t>& value = t.replacedValue[channel];
            if (!kept) {
                // The stage's part: the value the Replace step takes, or the stage's value.
                t.replaceFirst[c] = static_cast<std::int32_t>(span);
                t.replaceLast[c] = -1;
                for (std::size_t i = 0; i < span; ++i) {
                    const std::int64_t w =
                        stage.before(t.low + static_cast<std::int64_t>(i), channel, white);
                    if (w >= 0 && w <= range) {
                        t.replaceFirst[c] =
                            std::min(t.replaceFirst[c], static_cast<std::int32_t>(i));
                        t.replaceLast[c] = static_cast<std::int32_t>(i);
                        replaceAt[i] = static_cast<std::uint16_t>(w);
                        continue;
                    }
                    values[i] = static_cast<std::int32_t>(stage.after(w, channel));
                }
                value.resize(replacedSpan);
                for (std::size_t w = 0; w < replacedSpan; ++w)
                    value[w] = static_cast<std::int32_t>(
                        stage.after(static_cast<std::int64_t>(w), channel));
            }
            // Without a sample up to the highest that reaches the channel's raw saturation,
            // the saturated twins are looked at only by a drawing that is drawn again: they
            // take the results below saturation.
            bool saturates = false;
            for (std::size_t k = 0; k < v.cfa.size(); ++k)
                saturates = saturates || (t.channel[k] == channel && t.saturatedAt[k] <= t.high);
            std::uint32_t* below = t.results.data() + 2 * c * span;
            std::uint32_t* saturated = below + span;
            for (std::size_t i = 0; i < span; ++i) {
                if (replaceAt[i] != NoiseLookup::kNoReplace) {
                    below[i] = NoiseLookup::kReplaceMark | replaceAt[i];
                    saturated[i] = below[i] | NoiseLookup::kSaturatedMark;
                    continue;
                }
                below[i] = e.outFromCorrected(values[i], false, q);
                saturated[i] = saturates ? e.outFromCorrected(values[i], true, q) : below[i];
            }
            std::vector<std::uint32_t>& replacedBelow = t.replaced[2 * channel];
            std::vector<std::uint32_t>& replacedSaturated = t.replaced[2 * channel + 1];
            replacedBelow.resize(replacedSpan);
            replacedSaturated.resize(replacedSpan);
            for (std::size_t w = 0; w < replacedSpan; ++w) {
                replacedBelow[w] = e.outFromCorrected(value[w], false, q);
                replacedSaturated[w] =
                    saturates ? e.outFromCorrected(value[w], true, q) : replacedBelow[w];
            }
        }
    });
    t.stageKey = key;
}

#if defined(__GNUC__)
#define KORVANE_INLINE __attribute__((always_inline))
#else
#define KORVANE_INLINE
#endif

namespace {

// What the samples of one cell position of a row look up.
struct PositionTables {
    const std::uint32_t* below = nullptr;     // results below saturation, from index 0
    const std::uint32_t* saturated = nullptr; // results of raw saturated samples
    const std::uint32_t* replacedBelow = nullptr;
    const std::uint32_t* replacedSaturated = nullptr;
    const std::uint16_t* replaceAt = nullptr;         // for counting
    const std::int32_t* values = nullptr;             // the stage's values, for the statistics
    NoiseProcessing::ReplaceEntry* entries = nullptr; // the Replace state of its channel
    std::int32_t black = 0;
    std::int32_t saturatedAt = 0;
    int channel = 0;
};

std::array<PositionTables, 8> positionsOf(const NoiseLookup& t, const Viewport& v, std::int32_t dy,
                                          NoiseProcessing* stage = nullptr) {
    std::array<PositionTables, 8> positions{};
    const int cw = v.cfa.width;
    const int q0 = dy % v.cfa.height * cw;
    for (int j = 0; j < cw; ++j) {
        const int q = q0 + j;
        PositionTables& p = positions[static_cast<std::size_t>(j)];
        p.channel = t.channel[q];
        const auto c = static_cast<std::size_t>(p.channel);
        p.below = t.results.data() + 2 * c * t.span;
        p.saturated = p.below + t.span;
        p.replaceAt = t.replaceAt.data() + c * t.span;
        p.values = t.stageValue.data() + c * t.span;
        p.replacedBelow = t.replaced[2 * c].data();
        p.replacedSaturated = t.replaced[2 * c + 1].data();
        p.black = t.fixedBlack[q];
        p.saturatedAt = t.saturatedAt[q];
        if (stage != nullptr) p.entries = stage->replaceEntries(p.channel);
    }
    return positions;
}

// Whether a row's samples lie side by side in a 2-column pattern: the fast paths below.
bool pairsSideBySide(const Viewport& v) {
#if defined(__SSE2__)
    return v.cfa.width == 2 && v.stepX == 1;
#else
    (void)v;
    return false;
#endif
}

#if defined(__SSE2__)
// The start of such a row four samples at a time: out[dx] = the base of dx's position, plus
// its corrected value from t.low held to the tables, plus `saturatedOffset` where the raw
// sample is saturated. Black levels from `blacks`, else the positions' fixed ones. Returns
// how many samples it did: a multiple of 4.
std::int32_t indexPairs(const NoiseLookup& t, const std::uint16_t* row, const std::int32_t* blacks,
                        const std::array<PositionTables, 8>& positions,
                        std::array<std::int32_t, 2> base, std::int32_t saturatedOffset,
                        std::int32_t width, std::int32_t* out) {
    const PositionTables &left = positions[0], &right = positions[1];
    const auto pair = [](std::int32_t a, std::int32_t b) { return _mm_setr_epi32(a, b, a, b); };
    const __m128i zero = _mm_setzero_si128();
    const __m128i base4 = pair(base[0], base[1]);
    const __m128i low4 = _mm_set1_epi32(t.low), last4 = _mm_set1_epi32(t.high - t.low);
    const __m128i fixed4 = pair(left.black + t.low, right.black + t.low);
    const __m128i belowSaturation4 = pair(left.saturatedAt - 1, right.saturatedAt - 1);
    const __m128i offset4 = _mm_set1_epi32(saturatedOffset);
    std::int32_t dx = 0;
    for (; dx + 4 <= width; dx += 4) {
        const __m128i s =
            _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + dx)), zero);
        const __m128i b =
            blacks != nullptr
                ? _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blacks + dx)),
                                low4)
                : fixed4;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + dx),
                         blockIndices(s, b, base4, last4, belowSaturation4, offset4));
    }
    return dx;
}

// Whether any of the four results from out[dx] carries kReplaceMark (their top bits).
bool anyMarked(const std::uint32_t* out) {
    return _mm_movemask_ps(
               _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out)))) != 0;
}

// The start of a row up to `count` (a multiple of 4): results looked up with their
// Replace marks, and with `value` the stage's values for the statistics.
void lookUpPairs(const NoiseLookup& t, const std::uint16_t* row, const std::int32_t* lineBlacks,
                 const std::array<PositionTables, 8>& positions, std::int32_t count,
                 std::uint32_t* out, std::int32_t* value, std::int32_t valueFrom,
                 std::int32_t valueTo) {
    const auto span = static_cast<std::int32_t>(t.span);
    const std::int32_t left = positions[0].channel, right = positions[1].channel;
    // The values the statistics take, from valueFrom to valueTo: in whole groups of four, so
    // that the groups keep the pattern's columns in place.
    const std::int32_t from = std::clamp(valueFrom, 0, count) & ~3;
    const std::int32_t to = std::min((std::max(valueTo, from) + 3) & ~3, count);
    if (value != nullptr && to > from) {
        indexPairs(t, row + from, lineBlacks != nullptr ? lineBlacks + from : nullptr, positions,
                   {left * span, right * span}, 0, to - from, value + from);
        for (std::int32_t dx = from; dx < to; ++dx)
            value[dx] = t.stageValue[static_cast<std::size_t>(value[dx])];
    }
    auto* index = reinterpret_cast<std::int32_t*>(out);
    indexPairs(t, row, lineBlacks, positions, {2 * left * span, 2 * right * span}, span, count,
               index);
    const std::uint32_t* table = t.results.data();
#pragma GCC unroll 4
    for (std::int32_t dx = 0; dx < count; ++dx)
        out[dx] = table[index[dx]];
}

// The same eight samples at a time in 16-bit lanes, for tables short enough (see
// NoiseLookup::narrow): a lane's index in its position's table is the sample plus the
// complement of its black level (the largest black less its own), held to the tables; the
// saturated twin follows each table. Lanes alternate between the row's two cell positions.
struct NarrowLanes {
    __m128i largest;         // the largest black
    __m128i fixed;           // the complements when the black level is fixed
    __m128i last;            // the last index below saturation
    __m128i belowSaturation; // the largest raw sample that is not saturated
    __m128i span;            // from a table to its saturated twin
    // Where the Replace step may be taken: indices from replaceFirst to replaceLast.
    __m128i replaceFirst, replaceLast;
    // Whether a sample up to the tables' highest reaches either position's raw saturation.
    bool saturates;
};

NarrowLanes narrowLanes(const NoiseLookup& t, const PositionTables& left,
                        const PositionTables& right) {
    const auto pair = pairLanes;
    const std::int32_t largest = -t.low;
    const auto firstOf = [&](const PositionTables& p) {
        const auto c = static_cast<std::size_t>(p.channel);
        return t.replaceFirst[c] <= t.replaceLast[c] ? t.replaceFirst[c] : 0xFFFF;
    };
    const auto lastOf = [&](const PositionTables& p) {
        const auto c = static_cast<std::size_t>(p.channel);
        return t.replaceFirst[c] <= t.replaceLast[c] ? t.replaceLast[c] : 0;
    };
    return {_mm_set1_epi16(static_cast<short>(largest)),
            pair(largest - left.black, largest - right.black),
            _mm_set1_epi16(static_cast<short>(t.high - t.low)),
            pair(std::min(left.saturatedAt - 1, 0xFFFF), std::min(right.saturatedAt - 1, 0xFFFF)),
            _mm_set1_epi16(static_cast<short>(t.span)),
            pair(firstOf(left), firstOf(right)),
            pair(lastOf(left), lastOf(right)),
            t.high >= std::min(left.saturatedAt, right.saturatedAt)};
}

// The eight samples of a row from dx: their raw values and their indices below saturation;
// `blacks` holds the row's black levels where they vary.
struct NarrowSamples {
    __m128i raw, index;
};
template <bool kVaries>
inline NarrowSamples narrowAt(const NarrowLanes& n, const std::uint16_t* row,
                              const std::int32_t* blacks, std::int32_t dx) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + dx));
    __m128i c = n.fixed;
    if constexpr (kVaries)
        c = _mm_max_epi16(_mm_sub_epi16(n.largest, narrowBlacks(blacks + dx)), _mm_setzero_si128());
    const __m128i v = _mm_adds_epu16(s, c);
    return {s, _mm_sub_epi16(v, _mm_subs_epu16(v, n.last))};
}

// Runs f(varies, saturates) with the two as types: whether the row's black levels vary, and
// whether a sample of the drawing can reach a raw saturation level.
template <typename F> void withRowKind(const NarrowLanes& n, const std::int32_t* blacks, F f) {
    using Yes = std::true_type;
    using No = std::false_type;
    if (blacks != nullptr)
        n.saturates ? f(Yes{}, Yes{}) : f(Yes{}, No{});
    else
        n.saturates ? f(No{}, Yes{}) : f(No{}, No{});
}

// A bit per lane: whether its index lies where the Replace step may be taken.
inline unsigned narrowCandidates(__m128i v, const NarrowLanes& n) {
    const __m128i outside =
        _mm_or_si128(_mm_subs_epu16(n.replaceFirst, v), _mm_subs_epu16(v, n.replaceLast));
    const __m128i inside = _mm_cmpeq_epi16(outside, _mm_setzero_si128());
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(inside, inside))) & 0xFF;
}

// The lanes of each 8-bit mask in order (padded with 0), and how many there are: the
// Replace candidates of eight samples are written to a list without a branch.
struct MaskLanes {
    alignas(16) std::array<std::array<std::int32_t, 8>, 256> lanes{};
    std::array<std::uint8_t, 256> count{};
};
constexpr MaskLanes kMaskLanes = [] {
    MaskLanes m;
    for (std::size_t mask = 0; mask < 256; ++mask)
        for (int k = 0; k < 8; ++k)
            if ((mask >> k) & 1) m.lanes[mask][m.count[mask]++] = k;
    return m;
}();

// The start of a row up to `count` (a multiple of 8), as lookUpPairs, and every sample
// that carries a Replace mark handed to replace(lane parity, dx) in the order they come.
// Returns the largest of the samples. The samples that may take the step are listed as the
// row is looked up (eight at a time, without a branch per sample) and taken after.
template <bool kVaries, bool kSaturates, typename Replace>
std::uint16_t lookUpNarrowAs(const NarrowLanes& n, const std::uint16_t* row,
                             const std::int32_t* blacks,
                             const std::array<PositionTables, 8>& positions, std::int32_t count,
                             std::uint32_t* out, std::int32_t* value, std::int32_t valueFrom,
                             std::int32_t valueTo, bool replacing, Replace replace) {
    const std::uint32_t* const blocks[2] = {positions[0].below, positions[1].below};
    const std::int32_t* const values[2] = {positions[0].values, positions[1].values};
    const auto blockOf = [&](int k) { return blocks[k & 1]; };
    const auto valuesOf = [&](int k) { return values[k & 1]; };
    // Unsigned maxima by way of the signed ones: the samples flipped by their top bit.
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    __m128i top = flip;
    thread_local std::vector<std::int32_t> candidates;
    if (replacing && candidates.size() < static_cast<std::size_t>(count) + 8)
        candidates.resize(static_cast<std::size_t>(count) + 8);
    std::int32_t* listed = candidates.data();
    std::size_t listedCount = 0;
    for (std::int32_t dx = 0; dx < count; dx += 8) {
        const auto [s, v] = narrowAt<kVaries>(n, row, blacks, dx);
        top = _mm_max_epi16(top, _mm_xor_si128(s, flip));
        if constexpr (kSaturates) {
            const __m128i saturated = _mm_andnot_si128(
                _mm_cmpeq_epi16(_mm_subs_epu16(s, n.belowSaturation), _mm_setzero_si128()), n.span);
            gatherLanes(_mm_add_epi16(v, saturated), blockOf, out + dx);
        } else {
            gatherLanes(v, blockOf, out + dx);
        }
        if (value != nullptr && dx + 8 > valueFrom && dx < valueTo)
            gatherLanes(v, valuesOf, value + dx);
        if (!replacing) continue;
        const unsigned m = narrowCandidates(v, n);
        if (m == 0) continue;
        const __m128i at = _mm_set1_epi32(dx);
        const auto* lanes = reinterpret_cast<const __m128i*>(kMaskLanes.lanes[m].data());
        auto* into = reinterpret_cast<__m128i*>(listed + listedCount);
        _mm_storeu_si128(into, _mm_add_epi32(_mm_load_si128(lanes), at));
        _mm_storeu_si128(into + 1, _mm_add_epi32(_mm_load_si128(lanes + 1), at));
        listedCount += kMaskLanes.count[m];
    }
    for (std::size_t i = 0; i < listedCount; ++i) {
        const std::int32_t dx = listed[i];
        const std::uint32_t r = out[dx];
        if ((r & NoiseLookup::kReplaceMark) != 0)
            replace(dx & 1, dx, r, kSaturates && (r & NoiseLookup::kSaturatedMark) != 0);
    }
    return largestLane(_mm_xor_si128(top, flip));
}
template <typename Replace>
std::uint16_t lookUpNarrow(const NarrowLanes& n, const std::uint16_t* row,
                           const std::int32_t* blacks,
                           const std::array<PositionTables, 8>& positions, std::int32_t count,
                           std::uint32_t* out, std::int32_t* value, std::int32_t valueFrom,
                           std::int32_t valueTo, bool replacing, Replace replace) {
    std::uint16_t top = 0;
    withRowKind(n, blacks, [&](auto varies, auto saturates) {
        top = lookUpNarrowAs<decltype(varies)::value, decltype(saturates)::value>(
            n, row, blacks, positions, count, out, value, valueFrom, valueTo, replacing, replace);
    });
    return top;
}

// Adds to counts the samples of a row up to `count` (a multiple of 8) that take the Replace
// step, as countBand does.
template <bool kVaries>
void countNarrowAs(const NarrowLanes& n, const std::uint16_t* row, const std::int32_t* blacks,
                   const std::array<PositionTables, 8>& positions, std::int32_t count,
                   std::array<std::vector<std::uint32_t>, 4>& counts) {
    const std::uint16_t* const replaceAt[2] = {positions[0].replaceAt, positions[1].replaceAt};
    std::uint32_t* const counted[2] = {
        counts[static_cast<std::size_t>(positions[0].channel)].data(),
        counts[static_cast<std::size_t>(positions[1].channel)].data()};
    alignas(16) std::array<std::uint16_t, 8> lanes{};
    for (std::int32_t dx = 0; dx < count; dx += 8) {
        // A sample's index is at least the sample: eight samples above the last index that
        // takes the step have no index that takes it.
        const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + dx));
        if (_mm_movemask_epi8(
                _mm_cmpeq_epi16(_mm_subs_epu16(raw, n.replaceLast), _mm_setzero_si128())) == 0)
            continue;
        const __m128i v = narrowAt<kVaries>(n, row, blacks, dx).index;
        unsigned m = narrowCandidates(v, n);
        if (m == 0) continue;
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes.data()), v);
        for (; m != 0; m &= m - 1) {
            const auto k = static_cast<std::uint32_t>(__builtin_ctz(m));
            const std::uint16_t w = replaceAt[k & 1][lanes[static_cast<std::size_t>(k)]];
            if (w != NoiseLookup::kNoReplace) ++counted[k & 1][w];
        }
    }
}
void countNarrow(const NarrowLanes& n, const std::uint16_t* row, const std::int32_t* blacks,
                 const std::array<PositionTables, 8>& positions, std::int32_t count,
                 std::array<std::vector<std::uint32_t>, 4>& counts) {
    if (blacks != nullptr)
        countNarrowAs<true>(n, row, blacks, positions, count, counts);
    else
        countNarrowAs<false>(n, row, blacks, positions, count, counts);
}
#endif

} // namespace

const std::int32_t* NoiseTables::blackLineOf(std::int32_t dy) {
    if (!lookup->blackVaries) return nullptr;
    const Viewport& v = *view;
    const StoredAt at = storedAt(v, 0, dy);
    return evaluator->blackLine(at.row, at.column, v.state.rowPerX, v.state.colPerX,
                                dy % v.cfa.height, v.x.visibleSamples, blackLines);
}

// Runs each(what the sample looks up, position tables, saturated, column, index into the
// tables) along sample row dy: its result or kReplaceMark with the value; when counting, only the
// value the Replace step would take, or kNoReplace. The tables of a cell position stay fixed along
// the row; for the 2-column patterns nearly every camera has, both positions are held through the
// loop.
template <bool kCounting, typename Each>
void NoiseTables::walkRow(std::int32_t dy, std::int32_t from, const std::int32_t* lineBlacks,
                          Each each) {
    const Viewport& v = *view;
    const NoiseLookup& t = *lookup;
    const int cw = v.cfa.width;
    const std::int32_t width = v.x.visibleSamples;
    const std::uint16_t* row = first + dy * v.stepY;
    const std::ptrdiff_t step = v.stepX;
    const bool varies = t.blackVaries;
    const std::array<PositionTables, 8> positions = positionsOf(t, v, dy, stage);
    const std::int32_t low = t.low, last = t.high - t.low;
    // Inlined by force: called once per sample, it is the whole of the loop.
    const auto one = [&](const PositionTables& p, std::int32_t dx) KORVANE_INLINE {
        const std::int32_t s = row[dx * step];
        const std::int32_t b = varies ? lineBlacks[dx] : p.black;
        const auto index = static_cast<std::size_t>(std::clamp(s - b - low, 0, last));
        if constexpr (kCounting) {
            each(p.replaceAt[index], p, false, dx, index);
        } else {
            const bool saturated = s >= p.saturatedAt;
            each((saturated ? p.saturated : p.below)[index], p, saturated, dx, index);
        }
    };
    if (cw == 2) {
        const PositionTables left = positions[0], right = positions[1];
        std::int32_t dx = from;
        for (; dx + 1 < width; dx += 2) {
            one(left, dx);
            one(right, dx + 1);
        }
        if (dx < width) one(left, dx);
        return;
    }
    for (std::int32_t dx = from, j = from % cw; dx < width; ++dx) {
        one(positions[static_cast<std::size_t>(j)], dx);
        if (++j == cw) j = 0;
    }
}

// The band's looked-up results are in place, the Replace marks among them taken cell by cell
// and in each cell row by row, as the cells are painted.
void NoiseTables::resolveInCellOrder(std::int32_t dy, std::int32_t rows, bool gathering) {
    const NoiseLookup& t = *lookup;
    const int cw = view->cfa.width, ch = view->cfa.height;
    const std::int32_t width = view->x.visibleSamples;
    for (std::int32_t cell = 0; cell < width; cell += cw)
        for (std::int32_t i = 0; i < rows; ++i) {
            std::uint32_t* out = results.data() + static_cast<std::size_t>(i) * width;
            const int q0 = (dy + i) % ch * cw;
            for (std::int32_t dx = cell; dx < std::min(cell + cw, width); ++dx) {
                const std::uint32_t r = out[dx];
                if ((r & NoiseLookup::kReplaceMark) == 0) continue;
                const int channel = t.channel[q0 + dx - cell];
                const int table = 2 * channel + ((r & NoiseLookup::kSaturatedMark) != 0 ? 1 : 0);
                const auto w = static_cast<std::size_t>(
                    stage->replaceStep(channel, static_cast<std::int32_t>(r & 0xFFFF)));
                out[dx] = t.replaced[table][w];
                if (gathering)
                    values[static_cast<std::size_t>(i) * width + dx] = t.replacedValue[channel][w];
            }
        }
}

void NoiseTables::beginBand(std::int32_t dy, std::int32_t rows) {
    const std::int32_t width = view->x.visibleSamples;
    results.resize(static_cast<std::size_t>(rows) * width);
    NoiseProcessing& s = *stage;
    const NoiseLookup& t = *lookup;
    // A band the selection meets keeps the stage's value of every sample for the statistics.
    const bool gathering = statistics != nullptr && dy < selected.y1 && dy + rows > selected.y0;
    if (gathering) values.resize(results.size());
    const bool pairs = pairsSideBySide(*view);
    for (std::int32_t i = 0; i < rows; ++i) {
        std::uint32_t* out = results.data() + static_cast<std::size_t>(i) * width;
        std::int32_t* value =
            gathering ? values.data() + static_cast<std::size_t>(i) * width : nullptr;
        const std::int32_t* lineBlacks = blackLineOf(dy + i);
        const std::array<PositionTables, 8> positions = positionsOf(t, *view, dy + i, &s);
        const auto keep = [&](const PositionTables& p, std::int32_t dx, std::int32_t index) {
            if (gathering) value[dx] = p.values[index];
        };
        // The Replace step of the marked result at dx, in the order the samples come.
        const auto replace = [&](const PositionTables& p, bool saturated,
                                 std::int32_t dx) KORVANE_INLINE {
            const auto w = static_cast<std::size_t>(NoiseProcessing::replaceStep(
                p.entries[out[dx] & 0xFFFF], static_cast<std::int32_t>(out[dx] & 0xFFFF)));
            out[dx] = (saturated ? p.replacedSaturated : p.replacedBelow)[w];
            if (gathering) value[dx] = t.replacedValue[p.channel][w];
        };
        const std::uint16_t* row = first + (dy + i) * view->stepY;
        std::int32_t done = 0;
        std::int32_t measured = 0, top = 0; // the largest of the first `measured` samples
#if defined(__SSE2__)
        if (pairs && t.narrow) {
            done = measured = width & ~7;
            top = lookUpNarrow(
                narrowLanes(t, positions[0], positions[1]), row, lineBlacks, positions, done, out,
                gathering ? value : nullptr, selected.x0, selected.x1, !t.cellOrder,
                [&](std::uint32_t parity, std::int32_t dx, std::uint32_t r,
                    bool saturated) KORVANE_INLINE {
                    const PositionTables& p = positions[parity];
                    const std::uint32_t w = r & 0xFFFF;
                    const std::uint32_t x =
                        NoiseProcessing::replaceStep(p.entries[w], static_cast<std::int32_t>(w));
                    out[dx] = (saturated ? p.replacedSaturated : p.replacedBelow)[x];
                    if (gathering) value[dx] = t.replacedValue[p.channel][x];
                });
        } else
#endif
            if (pairs) {
            done = width & ~3;
#if defined(__SSE2__)
            lookUpPairs(t, first + (dy + i) * view->stepY, lineBlacks, positions, done, out,
                        gathering ? value : nullptr, selected.x0, selected.x1);
            if (!t.cellOrder)
                for (std::int32_t dx = 0; dx < done; dx += 4) {
                    if (!anyMarked(out + dx)) continue;
                    for (std::int32_t k = dx; k < dx + 4; ++k)
                        if ((out[k] & NoiseLookup::kReplaceMark) != 0)
                            replace(positions[static_cast<std::size_t>(k & 1)],
                                    (out[k] & NoiseLookup::kSaturatedMark) != 0, k);
                }
#endif
        }
        largest = std::max(
            {largest, top,
             std::int32_t{largestOf(row + measured * view->stepX, width - measured, view->stepX)}});
        if (t.cellOrder) {
            walkRow<false>(dy + i, done, lineBlacks,
                           [&](std::uint32_t r, const PositionTables& p, bool, std::int32_t dx,
                               std::int32_t index) KORVANE_INLINE {
                               out[dx] = r;
                               keep(p, dx, index);
                           });
            continue;
        }
        walkRow<false>(dy + i, done, lineBlacks,
                       [&](std::uint32_t r, const PositionTables& p, bool saturated,
                           std::int32_t dx, std::int32_t index) KORVANE_INLINE {
                           out[dx] = r;
                           if ((r & NoiseLookup::kReplaceMark) == 0)
                               keep(p, dx, index);
                           else
                               replace(p, saturated, dx);
                       });
    }
    if (t.cellOrder) resolveInCellOrder(dy, rows, gathering);
    if (gathering) gather(dy, rows);
}

namespace {

// The sums of selected samples of one colour: the squares of the stage's values exact, and
// the bytes shown counted by value.
struct StageSums {
    ImageTotals totals;
    unsigned __int128 square = 0;
    std::unique_ptr<ShownTallies> shown; // made where first needed: most rows need none
};

// Adds the samples of one cell position along a row, from column `from` to `to` in steps of
// `step`: raw samples `row`, the stage's values `value`, results `out`, and the row's black
// levels where they vary. displayed(result, stage value, raw sample) gives the byte shown.
// In three passes, each with few sums to keep.
template <bool kAdjusted, bool kVaries, typename Displayed>
void addStageSamples(const std::uint16_t* row, std::ptrdiff_t stepX, const std::int32_t* value,
                     const std::uint32_t* out, const std::int32_t* blacks, std::int32_t from,
                     std::int32_t to, int step, Displayed displayed, StageSums& sums) {
    ImageTotals& t = sums.totals;
    std::int64_t rawMin = t.rawMin, rawMax = t.rawMax, rawSum = t.rawSum;
    std::uint64_t corrSum = t.corrSum;
    unsigned __int128 square = sums.square;
    for (std::int32_t dx = from; dx < to; dx += step) {
        const std::int32_t x = value[dx];
        const std::int64_t reported = kAdjusted ? x : row[dx * stepX];
        const std::uint64_t corrected = x < 1 ? 0 : static_cast<std::uint64_t>(x);
        rawMin = std::min(rawMin, reported);
        rawMax = std::max(rawMax, reported);
        rawSum += reported;
        corrSum += corrected;
        square += static_cast<unsigned __int128>(corrected * corrected);
    }
    t.rawMin = rawMin;
    t.rawMax = rawMax;
    t.rawSum = rawSum;
    t.corrSum = corrSum;
    sums.square = square;
    if constexpr (kVaries) {
        std::int64_t blackSum = 0;
        for (std::int32_t dx = from; dx < to; dx += step)
            blackSum += blacks[dx];
        t.blackSum += blackSum;
    }
    if (!sums.shown) sums.shown = std::make_unique<ShownTallies>();
    sums.shown->addRun(from, to, step, [&](std::int32_t at) {
        return displayed(out[at], value[at], row[at * stepX]);
    });
}

} // namespace

#if defined(__SSE2__)
bool NoiseTables::addStagePairRow(const std::uint16_t* samples, const std::int32_t* value,
                                  const std::uint32_t* out, const std::int32_t* blacks, int cellRow,
                                  std::int32_t x0, std::int32_t count,
                                  std::array<std::int32_t, 2> fixed, ImageTotals& first,
                                  ImageTotals& second) const {
    thread_local std::vector<std::uint16_t> shown;
    shown.resize(static_cast<std::size_t>(count));
    shownBytes(*evaluator, cellRow, x0, out, count, shown.data());
    const __m128i fixed8 = pairLanes(fixed[0], fixed[1]);
    const __m128i zero = _mm_setzero_si128();
    const __m128i highest = _mm_set1_epi16(0x7FFF), lowest = _mm_set1_epi16(-0x8000);
    const bool adjusted = evaluator->adjusted();
    return addPairRun(
        count, shown.data(),
        [&](std::int32_t i) {
            const auto load = [](const void* p) {
                return _mm_loadu_si128(static_cast<const __m128i*>(p));
            };
            const __m128i x = _mm_packs_epi32(load(value + i), load(value + i + 4));
            const __m128i s = load(samples + i);
            // A value held to 16 bits shows as one of the two ends (which a value may
            // also be: it then goes the slow way); so does a raw sample of 2^15 or more
            // reported.
            __m128i misfit = _mm_or_si128(_mm_cmpeq_epi16(x, highest), _mm_cmpeq_epi16(x, lowest));
            if (!adjusted) misfit = _mm_or_si128(misfit, s);
            const __m128i b = blacks != nullptr ? narrowBlacks(blacks + i) : fixed8;
            return PairLanes{adjusted ? x : s, _mm_max_epi16(x, zero), b, misfit};
        },
        [&](std::int32_t i) {
            const std::int64_t x = value[i];
            const std::int64_t b =
                blacks != nullptr ? blacks[i] : fixed[static_cast<std::size_t>(i % 2)];
            return PairSample{adjusted ? x : std::int64_t{samples[i]}, std::max<std::int64_t>(x, 0),
                              b};
        },
        first, second);
}
#endif

void NoiseTables::gather(std::int32_t dy, std::int32_t rows) {
    const Viewport& v = *view;
    const NoiseLookup& t = *lookup;
    const SampleEvaluator& e = *evaluator;
    const std::int32_t width = v.x.visibleSamples;
    const int cw = v.cfa.width;
    const bool adjusted = e.adjusted();
    // The byte shown is in the sample's result, but for a colour the Channel mode leaves out.
    std::array<bool, 64> inOut{};
    for (std::size_t q = 0; q < v.cfa.size(); ++q)
        inOut[q] = !e.exposure() && e.displayedInOut(static_cast<int>(q));
    const std::int32_t x0 = std::max(selected.x0, 0), x1 = std::min(selected.x1, width);
    // Rows of two cell positions side by side go eight samples at a time, where the black
    // levels fit 16-bit lanes.
    bool pairRows =
        cw == 2 && v.stepX == 1 && x1 - x0 >= 2 && (!t.blackVaries || e.largestBlack() < 0x8000);
    for (std::size_t q = 0; q < v.cfa.size(); ++q)
        pairRows = pairRows && t.fixedBlack[q] >= -0x8000 && t.fixedBlack[q] < 0x8000;
    // Exact integer sums per colour, added to the statistics once: the squares of the
    // stage's values can pass 64 bits, and the black level's offset part is added per
    // channel.
    std::array<StageSums, 3> sums{};
    std::array<std::uint64_t, 4> perChannel{};
    for (std::int32_t y = std::max(dy, selected.y0); y < std::min(dy + rows, selected.y1); ++y) {
        const std::uint16_t* row = first + y * v.stepY;
        const std::int32_t* value = values.data() + static_cast<std::size_t>(y - dy) * width;
        const std::uint32_t* out = results.data() + static_cast<std::size_t>(y - dy) * width;
        const int cellRow = y % v.cfa.height;
        const std::int32_t* blacks = nullptr;
        if (t.blackVaries) {
            const StoredAt at = storedAt(v, x0, y);
            blacks = e.blackLine(at.row, at.column, v.state.rowPerX, v.state.colPerX, cellRow,
                                 x1 - x0, blackLines) -
                     x0;
        }
#if defined(__SSE2__)
        if (pairRows && inOut[cellRow * 2] && inOut[cellRow * 2 + 1]) {
            const int qa = cellRow * 2 + x0 % 2, qb = cellRow * 2 + (x0 + 1) % 2;
            std::array<ImageTotals, 2> pair{};
            if (addStagePairRow(row + x0, value + x0, out + x0, blacks ? blacks + x0 : nullptr,
                                cellRow, x0, x1 - x0, {t.fixedBlack[qa], t.fixedBlack[qb]}, pair[0],
                                pair[1])) {
                for (std::size_t k = 0; k < 2; ++k) {
                    const int q = k == 0 ? qa : qb;
                    StageSums& sum = sums[static_cast<std::size_t>(v.cfa.colour[q])];
                    // The squares go with the stage's own sums.
                    sum.square += pair[k].corrSq;
                    pair[k].corrSq = 0;
                    sum.totals.add(pair[k]);
                    perChannel[t.channel[q]] += pair[k].n;
                }
                continue;
            }
        }
#endif
        // One cell position at a time: its colour, channel and display rule stay fixed.
        for (std::int32_t start = x0; start < std::min(x0 + cw, x1); ++start) {
            const int q = cellRow * cw + start % cw;
            StageSums& sum = sums[static_cast<std::size_t>(v.cfa.colour[q])];
            const std::int32_t samples = (x1 - start + cw - 1) / cw;
            sum.totals.n += static_cast<std::uint32_t>(samples);
            if (blacks == nullptr) sum.totals.blackSum += std::int64_t{samples} * t.fixedBlack[q];
            perChannel[t.channel[q]] += static_cast<std::uint64_t>(samples);
            const auto along = [&](auto displayed) {
                const auto run = [&](auto adjustedTag, auto variesTag) {
                    addStageSamples<decltype(adjustedTag)::value, decltype(variesTag)::value>(
                        row, v.stepX, value, out, blacks, start, x1, cw, displayed, sum);
                };
                using Yes = std::true_type;
                using No = std::false_type;
                if (adjusted)
                    blacks != nullptr ? run(Yes{}, Yes{}) : run(Yes{}, No{});
                else
                    blacks != nullptr ? run(No{}, Yes{}) : run(No{}, No{});
            };
            const SampleEvaluator::DisplayedRule rule = e.displayedRule(q);
            const std::int32_t saturatedAt = t.saturatedAt[q];
            if (!inOut[q])
                along([&](std::uint32_t, std::int32_t x, std::int32_t s) {
                    return e.displayedOfCorrected(x, s >= saturatedAt, q);
                });
            else if (rule.mapping != nullptr)
                along([m = rule.mapping](std::uint32_t r, std::int32_t, std::int32_t) {
                    return m[r];
                });
            else
                along([shift = rule.shift](std::uint32_t r, std::int32_t, std::int32_t) {
                    return (r >> shift) & 0xFF;
                });
        }
    }
    std::array<long double, 3> offsets{};
    for (std::size_t ch = 0; ch < 4; ++ch)
        offsets[ch == kChannelRed    ? 0
                : ch == kChannelBlue ? 2
                                     : 1] +=
            static_cast<long double>(perChannel[ch]) * t.offsetInBlack[ch];
    for (std::size_t c = 0; c < 3; ++c) {
        const auto colour = static_cast<CfaColour>(c);
        if (sums[c].shown) sums[c].shown->addTo(sums[c].totals);
        statistics->addImageTotals(colour, sums[c].totals);
        statistics->addToSums(colour, static_cast<long double>(sums[c].square), offsets[c]);
    }
}

void NoiseTables::countBand(std::int32_t dy, std::int32_t rows,
                            std::array<std::vector<std::uint32_t>, 4>& counts) {
    const NoiseLookup& t = *lookup;
    const std::int32_t width = view->x.visibleSamples;
    const bool pairs = pairsSideBySide(*view);
    for (std::int32_t i = 0; i < rows; ++i) {
        const std::int32_t* lineBlacks = blackLineOf(dy + i);
        std::int32_t done = 0;
#if defined(__SSE2__)
        if (pairs && t.narrow) {
            const std::array<PositionTables, 8> positions = positionsOf(t, *view, dy + i);
            done = width & ~7;
            countNarrow(narrowLanes(t, positions[0], positions[1]), first + (dy + i) * view->stepY,
                        lineBlacks, positions, done, counts);
        } else if (pairs) {
            const std::array<PositionTables, 8> positions = positionsOf(t, *view, dy + i);
            const auto span = static_cast<std::int32_t>(t.span);
            const std::array<std::int32_t, 2> channels{positions[0].channel, positions[1].channel};
            results.resize(static_cast<std::size_t>(width));
            auto* index = reinterpret_cast<std::int32_t*>(results.data());
            done = indexPairs(t, first + (dy + i) * view->stepY, lineBlacks, positions,
                              {channels[0] * span, channels[1] * span}, 0, width, index);
            // Four samples at a time, passed over when none lies in its channel's range of
            // indices that take the step.
            const auto pair = [&](const std::array<std::int32_t, 4>& a, int shift) {
                const std::int32_t l = channels[0] * span + a[channels[0]] + shift;
                const std::int32_t r = channels[1] * span + a[channels[1]] + shift;
                return _mm_setr_epi32(l, r, l, r);
            };
            const __m128i below4 = pair(t.replaceFirst, -1), above4 = pair(t.replaceLast, 1);
            for (std::int32_t dx = 0; dx < done; dx += 4) {
                const __m128i i4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(index + dx));
                const __m128i inside =
                    _mm_and_si128(_mm_cmpgt_epi32(i4, below4), _mm_cmplt_epi32(i4, above4));
                if (_mm_movemask_epi8(inside) == 0) continue;
                for (std::int32_t k = dx; k < dx + 4; ++k) {
                    const std::uint16_t w = t.replaceAt[static_cast<std::size_t>(index[k])];
                    if (w != NoiseLookup::kNoReplace)
                        ++counts[static_cast<std::size_t>(channels[k & 1])][w];
                }
            }
        }
#endif
        walkRow<true>(dy + i, done, lineBlacks,
                      [&](std::uint32_t w, const PositionTables& p, bool, std::int32_t,
                          std::int32_t) KORVANE_INLINE {
                          if (w != NoiseLookup::kNoReplace)
                              ++counts[static_cast<std::size_t>(p.channel)][w];
                      });
    }
}

} // namespace korvane::render_walk
