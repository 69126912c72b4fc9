#pragma once
// The pixel walk of the renderer: what turns each visible sample into its part of a pixel
// (a "source"), and the row painters that drive the sources. Internal to analysis/.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis/NoiseStage.hpp"
#include "analysis/SampleEvaluator.hpp"
#include "analysis/SelectionStatistics.hpp"
#include "analysis/Viewport.hpp"
#include "platform/Geometry.hpp"

namespace korvane::render_walk {

// The working memory of a source's bands. A thread keeps its own from one part to the next
// and from one drawing to the next (see LentMemory), so that the parts' copies of a source
// allocate and clear no rows of their own.
struct PartMemory {
    BlackLineCache blackLines;
    std::vector<std::uint32_t> results;
    std::vector<std::uint32_t> rows;
};

// Every source answers for the sample at `p`, at cell position q, display column dx and row
// i of the current band (dx and the band's first row are counted from the first visible
// sample). beginBand is called before each band of `rows` sample rows starting at row dy.

// The result looked up by the raw sample: the black level is fixed per cell position. A
// table ends at the sample from which its result no longer changes.
struct RawTables {
    static constexpr bool kBandResults = false;
    std::array<const std::uint32_t*, 64> table{};
    std::array<std::uint32_t, 64> limit{};
    void beginBand(std::int32_t, std::int32_t) {}
    std::uint32_t operator()(const std::uint16_t* p, int q, std::int32_t, int) const {
        return table[q][std::min<std::uint32_t>(*p, limit[q])];
    }
    // The source at one cell position, for loops that keep it in registers.
    struct Bound {
        const std::uint32_t* table;
        std::uint32_t limit;
        std::uint32_t operator()(const std::uint16_t* p, std::int32_t, int) const {
            return table[std::min<std::uint32_t>(*p, limit)];
        }
    };
    Bound bound(int q) const { return {table[q], limit[q]}; }
    // The results of the two rows of a band of 2 x 2 cells, for paintTwoByTwoCells.
    std::vector<std::uint32_t> rows;
    void swapMemory(PartMemory& m) { rows.swap(m.rows); }
};

// Any source at one cell position.
template <typename Source> struct BoundAt {
    const Source* source;
    int q;
    std::uint32_t operator()(const std::uint16_t* p, std::int32_t dx, int i) const {
        return (*source)(p, q, dx, i);
    }
};

// The result looked up by the corrected value: the black level varies per sample. Every
// channel has a pair of tables in one block, the second for raw saturated samples; a
// sample's index in the block is its table's start plus its corrected value, clamped to the
// table. beginBand works out the results of the band's samples a row at a time, and the
// painters read them back.
// A source that works out the results of each band's rows in beginBand, which the painters
// read back (and can read whole).
struct BandResults {
    static constexpr bool kBandResults = true;
    const SampleEvaluator* evaluator = nullptr;
    const Viewport* view = nullptr;
    const std::uint16_t* first = nullptr; // the first visible sample
    BlackLineCache blackLines;            // the rows' black levels
    std::vector<std::uint32_t> results;   // band rows x visible width
    std::uint64_t drawing = 0;            // the drawing's number (see BlackLineCache::keepFor)
    std::uint32_t operator()(const std::uint16_t*, int, std::int32_t dx, int i) const {
        return results[static_cast<std::size_t>(i) * view->x.visibleSamples + dx];
    }
    struct Bound {
        const std::uint32_t* results;
        std::int32_t width;
        std::uint32_t operator()(const std::uint16_t*, std::int32_t dx, int i) const {
            return results[static_cast<std::size_t>(i) * width + dx];
        }
    };
    // Valid until the next beginBand.
    Bound bound(int) const { return {results.data(), view->x.visibleSamples}; }
    void swapMemory(PartMemory& m) {
        std::swap(blackLines, m.blackLines);
        blackLines.keepFor(drawing); // the lines of the thread's parts before, of this drawing
        results.swap(m.results);
    }
};

#if defined(__SSE2__)
// Four samples' indices into a block of tables: start plus the corrected value s - black held
// to 0 .. limit, plus `offset` where the raw sample lies above belowSaturation.
inline __m128i blockIndices(__m128i s, __m128i black, __m128i start, __m128i limit,
                            __m128i belowSaturation, __m128i offset) {
    __m128i v = _mm_sub_epi32(s, black);
    v = _mm_andnot_si128(_mm_srai_epi32(v, 31), v);
    const __m128i over = _mm_cmpgt_epi32(v, limit);
    v = _mm_or_si128(_mm_and_si128(over, limit), _mm_andnot_si128(over, v));
    const __m128i saturated = _mm_and_si128(_mm_cmpgt_epi32(s, belowSaturation), offset);
    return _mm_add_epi32(_mm_add_epi32(start, v), saturated);
}
#endif

#if defined(__SSE2__)
// Eight 32-bit black levels as 16-bit lanes (they lie from 0 to 2^15 - 1).
inline __m128i narrowBlacks(const std::int32_t* blacks) {
    return _mm_packs_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blacks)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(blacks + 4)));
}

// out[k] = table(k)[lane k of i] for the eight 16-bit lanes of i.
template <typename Table, typename Out, int... K>
inline void gatherLanes(__m128i i, Table table, Out* out, std::integer_sequence<int, K...>) {
    ((out[K] = table(K)[_mm_extract_epi16(i, K)]), ...);
}
template <typename Table, typename Out> inline void gatherLanes(__m128i i, Table table, Out* out) {
    gatherLanes(i, table, out, std::make_integer_sequence<int, 8>{});
}
#endif

struct CorrectedTables : BandResults {
    const std::uint32_t* block = nullptr;
    std::array<std::int32_t, 64> start{};           // of the table below saturation
    std::array<std::int32_t, 64> limit{};           // the last index of each table
    std::array<std::int32_t, 64> saturatedAt{};     // from here on a raw sample is saturated
    std::array<std::int32_t, 64> saturatedOffset{}; // from a table to its saturated twin
    // Indices fit 16 bits: every limit and black level below 2^15, and a raw saturation
    // level of at least 1.
    bool narrow = false;
    void beginBand(std::int32_t dy, std::int32_t rows);
    // The result of a sample `s` with black level `black` at cell position q.
    std::uint32_t resultOf(std::uint32_t s, std::int32_t black, int q) const {
        const std::int32_t v = static_cast<std::int32_t>(s) - black;
        const std::int32_t index =
            start[q] + std::clamp(v, 0, limit[q]) +
            (static_cast<std::int32_t>(s) >= saturatedAt[q] ? saturatedOffset[q] : 0);
        return block[index];
    }

    // The results of `width` samples of a row from display column `column` on: `samples`,
    // `blacks` and `out` start at that column's.
    void resultRun(const std::uint16_t* samples, int cellRow, std::int32_t column,
                   const std::int32_t* blacks, std::int32_t width, std::uint32_t* out) const;
};

// Image row and column (stored, relative to the active area) of a visible sample.
struct StoredAt {
    std::int64_t row, column;
};
inline StoredAt storedAt(const Viewport& view, std::int32_t dx, std::int32_t dy) {
    const ViewportState& s = view.state;
    return {s.firstRow + std::int64_t{s.rowPerX} * dx + std::int64_t{s.rowPerY} * dy,
            s.firstColumn + std::int64_t{s.colPerX} * dx + std::int64_t{s.colPerY} * dy};
}

// Every sample evaluated whole: while the noise stage runs, or for the selection.
struct Evaluated {
    static constexpr bool kBandResults = false;
    const SampleEvaluator* evaluator = nullptr;
    const Viewport* view = nullptr;
    NoiseStage* noise = nullptr;
    SelectionStatistics* statistics = nullptr; // null: no statistics here
    bool exposure = false;
    std::int32_t bandRow = 0;
    void beginBand(std::int32_t dy, std::int32_t) { bandRow = dy; }
    std::uint32_t operator()(const std::uint16_t* p, int q, std::int32_t dx, int i) const {
        const StoredAt at = storedAt(*view, dx, bandRow + i);
        const SampleResult r = evaluator->evaluate(*p, at.row, at.column, q, noise);
        if (statistics != nullptr) {
            const CfaColour colour = view->cfa.colour[q];
            if (exposure)
                statistics->addExposureSample(colour, r.reportedRaw, r.corrected);
            else
                statistics->addImageSample(colour, r.reportedRaw, r.corrected, r.black,
                                           r.displayed);
        }
        return r.out;
    }
    BoundAt<Evaluated> bound(int q) const { return {this, q}; }
    void swapMemory(PartMemory&) {}
};

// Lends the calling thread's part memory to `source` for as long as it lives.
template <typename Source> class LentMemory {
public:
    explicit LentMemory(Source& source) : source_(source) { source_.swapMemory(memory()); }
    ~LentMemory() { source_.swapMemory(memory()); }
    LentMemory(const LentMemory&) = delete;
    LentMemory& operator=(const LentMemory&) = delete;

private:
    static PartMemory& memory() {
        thread_local PartMemory kept;
        return kept;
    }
    Source& source_;
};

// One row of visible samples, from display column `from` to `to`: pixels straight from the
// source. `first` points at the sample of column 0. Cw is the pattern width when known when
// compiling (2 for the Bayer patterns nearly every camera has), else 0.
template <int Cw, typename Source>
void paintSampleRowOf(const Viewport& view, const std::uint16_t* first, int cellRow,
                      std::int32_t from, std::int32_t to, Source& source, platform::Rgb* out) {
    const int cw = Cw > 0 ? Cw : view.cfa.width;
    const int q0 = cellRow * cw;
    const std::ptrdiff_t step = view.stepX;
    std::int32_t dx = from;
    const std::uint16_t* p = first + from * step;
    if constexpr (Cw == 2) {
        // Pairs of columns: the two cell positions stay fixed through the loop.
        const auto left = source.bound(q0), right = source.bound(q0 + 1);
        if (dx < to && dx % 2 == 1) out[dx] = right(p, dx, 0), ++dx, p += step;
        for (; dx + 1 < to; dx += 2, p += 2 * step) {
            out[dx] = left(p, dx, 0);
            out[dx + 1] = right(p + step, dx + 1, 0);
        }
        if (dx < to) out[dx] = left(p, dx, 0);
    } else {
        int j = from % cw;
        for (; dx < to; ++dx, p += step) {
            out[dx] = source(p, q0 + j, dx, 0);
            if (++j == cw) j = 0;
        }
    }
}

template <typename Source>
void paintSampleRow(const Viewport& view, const std::uint16_t* first, int cellRow,
                    std::int32_t from, std::int32_t to, Source& source, platform::Rgb* out) {
    if (view.cfa.width == 2)
        paintSampleRowOf<2>(view, first, cellRow, from, to, source, out);
    else
        paintSampleRowOf<0>(view, first, cellRow, from, to, source, out);
}

// The samples of one CFA cell as a band shows it: their offsets from the cell's first
// sample, cell positions, colours, and the reciprocal of each colour's count (a colour with
// no sample counts one sample of value 0).
struct CellShape {
    int count = 0;
    std::array<std::ptrdiff_t, 64> offset{};
    std::array<std::uint8_t, 64> q{};
    std::array<std::uint8_t, 64> column{};
    std::array<std::uint8_t, 64> row{};
    std::array<std::uint8_t, 64> colour{};
    std::array<std::uint64_t, 3> reciprocal{};
    // Whether the colour sums fit side by side in one 64-bit word (kLaneBits each).
    bool packed = false;
};
CellShape cellShape(const Viewport& view, int columns, int rows);

// Values are below 2^18 (a display range of at most 0x20000); up to 15 of one colour in a
// cell sum below 2^21, so three sums share a 64-bit word without carrying into each other.
inline constexpr int kLaneBits = 21;
inline constexpr std::uint64_t kLaneMask = (std::uint64_t{1} << kLaneBits) - 1;
inline constexpr int kMaxPackedCount = 15;
static_assert(kMaxPackedCount * 0x20000u < (1u << kLaneBits));

// Exact integer division by a count up to 64 for sums below 2^23: (sum x r) >> 32.
inline std::uint32_t meanOf(std::uint64_t sum, std::uint64_t reciprocal) {
    return static_cast<std::uint32_t>((sum * reciprocal) >> 32);
}

// One band of cells from `from` to `to`, one pixel per cell: the mapping of the means of its
// colours (Composite), or the grey of their mean (Greyscale). N is the cell's sample count
// when known when compiling (4 for a whole 2 x 2 cell), else 0.
template <bool Grey, int N, typename Source>
void paintCellRowOf(const Viewport& view, const CellShape& shape, const std::uint16_t* first,
                    std::int32_t from, std::int32_t to, const std::uint8_t* mapping, Source& source,
                    platform::Rgb* out) {
    const int cw = view.cfa.width;
    const int count = N > 0 ? N : shape.count;
    const std::ptrdiff_t cellStep = cw * view.stepX;
    // With a known count the positions, their sources and lanes stay in registers.
    constexpr int kHeld = N > 0 ? N : 1;
    std::array<decltype(source.bound(0)), kHeld> fetch{};
    std::array<std::ptrdiff_t, kHeld> offset{};
    std::array<int, kHeld> shift{}, column{}, row{};
    for (int k = 0; k < (N > 0 ? N : 0); ++k) {
        fetch[k] = source.bound(shape.q[k]);
        offset[k] = shape.offset[k];
        shift[k] = kLaneBits * shape.colour[k];
        column[k] = shape.column[k];
        row[k] = shape.row[k];
    }
    const std::uint16_t* base = first + from * cellStep;
    for (std::int32_t cx = from; cx < to; ++cx, base += cellStep) {
        std::array<std::uint64_t, 3> sum{};
        if constexpr (N > 0) {
            std::uint64_t lanes = 0;
#pragma GCC unroll 16
            for (int k = 0; k < N; ++k)
                lanes += std::uint64_t{fetch[k](base + offset[k], cx * cw + column[k], row[k])}
                         << shift[k];
            sum = {lanes & kLaneMask, (lanes >> kLaneBits) & kLaneMask, lanes >> (2 * kLaneBits)};
        } else {
            for (int k = 0; k < count; ++k)
                sum[shape.colour[k]] += source(base + shape.offset[k], shape.q[k],
                                               cx * cw + shape.column[k], shape.row[k]);
        }
        const std::uint32_t r = meanOf(sum[0], shape.reciprocal[0]);
        const std::uint32_t g = meanOf(sum[1], shape.reciprocal[1]);
        const std::uint32_t b = meanOf(sum[2], shape.reciprocal[2]);
        if constexpr (Grey) {
            const std::uint8_t level = mapping[(r + g + b) / 3];
            out[cx] = platform::rgb(level, level, level);
        } else {
            out[cx] = platform::rgb(mapping[r], mapping[g], mapping[b]);
        }
    }
}

// Whether paintTwoByTwoCells can paint cells of this shape: a whole 2 x 2 cell whose
// colours each have 0, 1, 2 or 4 samples.
bool twoByTwoShape(const CellShape& shape);

#if defined(__SSE2__)
// The four cells of two results rows from cx as four lanes each of their top left, top
// right, bottom left and bottom right results.
struct CellLanes {
    __m128i value[4];
};
inline CellLanes cellLanes(const std::uint32_t* top, const std::uint32_t* bottom, std::int32_t cx) {
    const auto load = [](const std::uint32_t* p) {
        return _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    };
    const __m128 t0 = load(top + 2 * cx), t1 = load(top + 2 * cx + 4);
    const __m128 b0 = load(bottom + 2 * cx), b1 = load(bottom + 2 * cx + 4);
    return {{_mm_castps_si128(_mm_shuffle_ps(t0, t1, _MM_SHUFFLE(2, 0, 2, 0))),
             _mm_castps_si128(_mm_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 1, 3, 1))),
             _mm_castps_si128(_mm_shuffle_ps(b0, b1, _MM_SHUFFLE(2, 0, 2, 0))),
             _mm_castps_si128(_mm_shuffle_ps(b0, b1, _MM_SHUFFLE(3, 1, 3, 1)))}};
}

// Four cells' pixels from the means of their colours (red, green, blue lanes).
template <bool Grey>
inline void paintMeans(__m128i r, __m128i g, __m128i b, const std::uint8_t* mapping,
                       platform::Rgb* out) {
    alignas(16) std::array<std::array<std::uint32_t, 4>, 3> means{};
    _mm_store_si128(reinterpret_cast<__m128i*>(means[0].data()), r);
    _mm_store_si128(reinterpret_cast<__m128i*>(means[1].data()), g);
    _mm_store_si128(reinterpret_cast<__m128i*>(means[2].data()), b);
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        if constexpr (Grey) {
            const std::uint8_t level = mapping[(means[0][i] + means[1][i] + means[2][i]) / 3];
            out[i] = platform::rgb(level, level, level);
        } else {
            out[i] =
                platform::rgb(mapping[means[0][i]], mapping[means[1][i]], mapping[means[2][i]]);
        }
    }
}

#endif

// The mapping laid out as whole pixels per colour: red's table, then green's, then blue's,
// `size` entries each, each the mapped byte in its colour's place; then grey's, the byte in
// every place.
struct PixelMapping {
    const std::uint32_t* tables = nullptr; // null: none
    std::size_t size = 0;
};

// The Composite cells of a Bayer pattern, whose red, greens and blue are the cell's samples
// R, G1, G2 and B (0 top left, 1 top right, 2 bottom left, 3 bottom right), one at a time
// with a pixel mapping: a cell's pixel is its red, green and blue entries together.
template <int R, int G1, int G2, int B>
void paintBayerPixels(const std::uint32_t* top, const std::uint32_t* bottom, std::int32_t from,
                      std::int32_t to, const PixelMapping& m, platform::Rgb* out) {
    const std::uint32_t* red = m.tables;
    const std::uint32_t* green = red + m.size;
    const std::uint32_t* blue = green + m.size;
    for (std::int32_t cx = from; cx < to; ++cx) {
        const std::uint32_t v[4] = {top[2 * cx], top[2 * cx + 1], bottom[2 * cx],
                                    bottom[2 * cx + 1]};
        out[cx] = red[v[R]] | green[(v[G1] + v[G2]) >> 1] | blue[v[B]];
    }
}

#if defined(__SSE2__)
// The grey cells of a Bayer pattern (see paintBayerPixels) four at a time with a pixel
// mapping: the mean of red, green and blue, as a grey pixel. Returns where it stopped.
template <int R, int G1, int G2, int B>
std::int32_t paintBayerGreys(const std::uint32_t* top, const std::uint32_t* bottom,
                             std::int32_t from, std::int32_t to, const PixelMapping& m,
                             platform::Rgb* out) {
    const std::uint32_t* grey = m.tables + 3 * m.size;
    // x / 3 for any 32-bit x: its product with 2^33 / 3 rounded up, less 33 bits.
    const __m128i third = _mm_set1_epi32(static_cast<int>(0xAAAAAAABu));
    std::int32_t cx = from;
    for (; cx + 4 <= to; cx += 4) {
        const CellLanes lanes = cellLanes(top, bottom, cx);
        const __m128i* value = lanes.value;
        const __m128i green = _mm_srli_epi32(_mm_add_epi32(value[G1], value[G2]), 1);
        const __m128i sum = _mm_add_epi32(_mm_add_epi32(value[R], green), value[B]);
        const __m128i even = _mm_srli_epi64(_mm_mul_epu32(sum, third), 33);
        const __m128i odd = _mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(sum, 32), third), 33);
        alignas(16) std::array<std::uint32_t, 4> at{};
        _mm_store_si128(reinterpret_cast<__m128i*>(at.data()),
                        _mm_or_si128(even, _mm_slli_epi64(odd, 32)));
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i)
            out[cx + i] = grey[at[i]];
    }
    return cx;
}
#endif

// Cells of two results rows (the two sample rows of a 2 x 2 band), four at a time: the sums
// of each colour, their means by shifting, then the mapping (Composite Bayer cells through
// `pixels` where it is given).
template <bool Grey>
void paintTwoByTwoCells(const CellShape& shape, const std::uint32_t* top,
                        const std::uint32_t* bottom, std::int32_t from, std::int32_t to,
                        const std::uint8_t* mapping, platform::Rgb* out,
                        const PixelMapping& pixels = {}) {
    std::array<int, 3> shift{};
    std::array<int, 3> count{};
    for (int k = 0; k < 4; ++k)
        ++count[shape.colour[k]];
    for (int c = 0; c < 3; ++c)
        shift[c] = count[c] >= 4 ? 2 : count[c] >= 2 ? 1 : 0;
    std::int32_t cx = from;
#if defined(__SSE2__)
    // The four Bayer arrangements: which of the cell's samples (0 top left, 1 top right, 2
    // bottom left, 3 bottom right) are its red, greens and blue, by their colours.
    using Colours = std::array<std::uint8_t, 4>;
    const Colours c = {shape.colour[0], shape.colour[1], shape.colour[2], shape.colour[3]};
    const auto bayer = [&](auto paint) {
        using std::integer_sequence;
        if (c == Colours{0, 1, 1, 2})
            paint(integer_sequence<int, 0, 1, 2, 3>{});
        else if (c == Colours{1, 0, 2, 1})
            paint(integer_sequence<int, 1, 0, 3, 2>{});
        else if (c == Colours{1, 2, 0, 1})
            paint(integer_sequence<int, 2, 0, 3, 1>{});
        else if (c == Colours{2, 1, 1, 0})
            paint(integer_sequence<int, 3, 1, 2, 0>{});
        else
            return false;
        return true;
    };
    if (!Grey && pixels.tables != nullptr &&
        bayer([&]<int R, int G1, int G2, int B>(std::integer_sequence<int, R, G1, G2, B>) {
            paintBayerPixels<R, G1, G2, B>(top, bottom, from, to, pixels, out);
        }))
        return;
    if (Grey && pixels.tables != nullptr)
        bayer([&]<int R, int G1, int G2, int B>(std::integer_sequence<int, R, G1, G2, B>) {
            cx = paintBayerGreys<R, G1, G2, B>(top, bottom, cx, to, pixels, out);
        });
    // Any other, or without a pixel mapping: per colour, which of the cell's four samples
    // (top left, top right, bottom left, bottom right) belong to it.
    __m128i belongs[3][4];
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 4; ++k)
            belongs[c][k] = _mm_set1_epi32(shape.colour[k] == c ? -1 : 0);
    const __m128i shiftBy[3] = {_mm_cvtsi32_si128(shift[0]), _mm_cvtsi32_si128(shift[1]),
                                _mm_cvtsi32_si128(shift[2])};
    for (; cx + 4 <= to; cx += 4) {
        const CellLanes lanes = cellLanes(top, bottom, cx);
        const __m128i* value = lanes.value;
        __m128i mean[3];
        // Unrolled: -O2 leaves these short loops as loops, and the masks then come from memory.
#pragma GCC unroll 3
        for (int c = 0; c < 3; ++c) {
            __m128i sum = _mm_setzero_si128();
#pragma GCC unroll 4
            for (int k = 0; k < 4; ++k)
                sum = _mm_add_epi32(sum, _mm_and_si128(value[k], belongs[c][k]));
            mean[c] = _mm_srl_epi32(sum, shiftBy[c]);
        }
        paintMeans<Grey>(mean[0], mean[1], mean[2], mapping, out + cx);
    }
#endif
    for (; cx < to; ++cx) {
        std::array<std::uint32_t, 3> sum{};
        sum[shape.colour[0]] += top[2 * cx];
        sum[shape.colour[1]] += top[2 * cx + 1];
        sum[shape.colour[2]] += bottom[2 * cx];
        sum[shape.colour[3]] += bottom[2 * cx + 1];
        const std::uint32_t r = sum[0] >> shift[0], g = sum[1] >> shift[1], b = sum[2] >> shift[2];
        if constexpr (Grey) {
            const std::uint8_t level = mapping[(r + g + b) / 3];
            out[cx] = platform::rgb(level, level, level);
        } else {
            out[cx] = platform::rgb(mapping[r], mapping[g], mapping[b]);
        }
    }
}

// The results of samples `from` to `to` of one row, alternately of the tables at cell
// positions qLeft and qRight (from is even), written from out[from] on.
void rawPairRow(const RawTables& tables, int qLeft, int qRight, const std::uint16_t* row,
                std::ptrdiff_t step, std::int32_t from, std::int32_t to, std::uint32_t* out);

template <bool Grey, typename Source>
void paintCellRow(const Viewport& view, const CellShape& shape, const std::uint16_t* first,
                  std::int32_t from, std::int32_t to, const std::uint8_t* mapping, Source& source,
                  platform::Rgb* out, const PixelMapping& pixels = {}) {
    if constexpr (Source::kBandResults) {
        // The band's results are at hand: the cells need no look-ups of their own.
        if (view.cfa.width == 2 && twoByTwoShape(shape)) {
            const std::uint32_t* top = source.results.data();
            paintTwoByTwoCells<Grey>(shape, top, top + view.x.visibleSamples, from, to, mapping,
                                     out, pixels);
            return;
        }
    } else if constexpr (std::is_same_v<Source, RawTables>) {
        // The look-ups of the two rows in runs of their own, then the cells four at a time.
        if (view.cfa.width == 2 && twoByTwoShape(shape) && from < to) {
            const auto width = static_cast<std::size_t>(2 * to);
            if (source.rows.size() < 2 * width) source.rows.resize(2 * width);
            std::uint32_t* top = source.rows.data();
            std::uint32_t* bottom = top + width;
            rawPairRow(source, shape.q[0], shape.q[1], first, view.stepX, 2 * from, 2 * to, top);
            rawPairRow(source, shape.q[2], shape.q[3], first + view.stepY, view.stepX, 2 * from,
                       2 * to, bottom);
            paintTwoByTwoCells<Grey>(shape, top, bottom, from, to, mapping, out, pixels);
            return;
        }
    }
    if (shape.count == 4 && shape.packed)
        paintCellRowOf<Grey, 4>(view, shape, first, from, to, mapping, source, out);
    else
        paintCellRowOf<Grey, 0>(view, shape, first, from, to, mapping, source, out);
}

// The bytes shown of a selection's samples of one colour, counted by value: all their
// minimum, maximum, sum and sum of squares need. Neighbouring samples mostly show the same
// byte: they are counted in turn in four tallies, so that a count need not wait for the one
// before it.
struct ShownTallies {
    std::array<std::array<std::uint32_t, 256>, 4> counts{};

    // Counts byte(at) for `at` from `from` to `to` in steps of `step`.
    template <typename Byte>
    void addRun(std::int32_t from, std::int32_t to, std::int32_t step, Byte byte) {
        const auto count = [&](std::size_t tally, std::int32_t at) {
            ++counts[tally][static_cast<std::size_t>(byte(at)) & 0xFF];
        };
        std::int32_t at = from;
        for (; at + 3 * step < to; at += 4 * step) {
            count(0, at);
            count(1, at + step);
            count(2, at + 2 * step);
            count(3, at + 3 * step);
        }
        for (; at < to; at += step)
            count(0, at);
    }
    // The counted bytes' minimum, maximum and sums, into t's.
    void addTo(ImageTotals& t) const {
        for (std::uint32_t d = 0; d < 256; ++d) {
            const std::uint64_t n =
                std::uint64_t{counts[0][d]} + counts[1][d] + counts[2][d] + counts[3][d];
            if (n == 0) continue;
            t.dispMin = std::min<std::int64_t>(t.dispMin, d);
            t.dispMax = std::max<std::int64_t>(t.dispMax, d);
            t.dispSum += n * d;
            t.dispSq += n * d * d;
        }
    }
};

#if defined(__SSE2__)
// The selection's totals of a run of samples of two cell positions taking turns, eight at a
// time in 16-bit lanes (lanes 0, 2, 4 and 6 the run's first position's): each sample's
// reported value, corrected value, black level and byte shown, all from -2^15 to 2^15 - 1.
// The sums are held per lane in 32 bits, which holds for up to kMostSteps steps.
class PairLaneTotals {
public:
    static constexpr std::int32_t kMostSteps = 1 << 13;

    void add(__m128i reported, __m128i corrected, __m128i black, __m128i shown) {
        rawMin_ = _mm_min_epi16(rawMin_, reported);
        rawMax_ = _mm_max_epi16(rawMax_, reported);
        shownMin_ = _mm_min_epi16(shownMin_, shown);
        shownMax_ = _mm_max_epi16(shownMax_, shown);
        const __m128i values[4] = {reported, corrected, black, shown};
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            both_[k] = _mm_add_epi32(both_[k], _mm_madd_epi16(values[k], ones_));
            first_[k] = _mm_add_epi32(first_[k], _mm_madd_epi16(values[k], firstOnes_));
        }
        // A pair of corrected squares reaches 2^31 - 2^17: it is widened at once.
        const __m128i zero = _mm_setzero_si128();
        const __m128i squares = _mm_madd_epi16(corrected, corrected);
        const __m128i firstSquares =
            _mm_madd_epi16(corrected, _mm_and_si128(corrected, firstMask_));
        bothSquares_ =
            _mm_add_epi64(bothSquares_, _mm_add_epi64(_mm_unpacklo_epi32(squares, zero),
                                                      _mm_unpackhi_epi32(squares, zero)));
        firstSquares_ =
            _mm_add_epi64(firstSquares_, _mm_add_epi64(_mm_unpacklo_epi32(firstSquares, zero),
                                                       _mm_unpackhi_epi32(firstSquares, zero)));
        bothShownSquares_ = _mm_add_epi32(bothShownSquares_, _mm_madd_epi16(shown, shown));
        firstShownSquares_ = _mm_add_epi32(firstShownSquares_,
                                           _mm_madd_epi16(shown, _mm_and_si128(shown, firstMask_)));
    }

    // Adds the lanes' totals to those of the first position and the second; `steps` is how
    // many times add was called.
    void addTo(ImageTotals& first, ImageTotals& second, std::int32_t steps) const {
        std::array<ImageTotals, 2> t{};
        alignas(16) std::array<std::int16_t, 8> lanes{};
        const auto extremes = [&](__m128i v, std::int64_t ImageTotals::*field, bool least) {
            _mm_store_si128(reinterpret_cast<__m128i*>(lanes.data()), v);
            for (std::size_t k = 0; k < 8; ++k) {
                std::int64_t& into = t[k % 2].*field;
                into = k < 2   ? lanes[k]
                       : least ? std::min<std::int64_t>(into, lanes[k])
                               : std::max<std::int64_t>(into, lanes[k]);
            }
        };
        extremes(rawMin_, &ImageTotals::rawMin, true);
        extremes(rawMax_, &ImageTotals::rawMax, false);
        extremes(shownMin_, &ImageTotals::dispMin, true);
        extremes(shownMax_, &ImageTotals::dispMax, false);
        const auto sum32 = [](__m128i v) {
            alignas(16) std::array<std::int32_t, 4> l{};
            _mm_store_si128(reinterpret_cast<__m128i*>(l.data()), v);
            return std::int64_t{l[0]} + l[1] + l[2] + l[3];
        };
        const auto sum64 = [](__m128i v) {
            alignas(16) std::array<std::uint64_t, 2> l{};
            _mm_store_si128(reinterpret_cast<__m128i*>(l.data()), v);
            return l[0] + l[1];
        };
        const auto split = [](std::int64_t both, std::int64_t first) {
            return std::array<std::int64_t, 2>{first, both - first};
        };
        const auto raw = split(sum32(both_[0]), sum32(first_[0]));
        const auto corrected = split(sum32(both_[1]), sum32(first_[1]));
        const auto black = split(sum32(both_[2]), sum32(first_[2]));
        const auto shown = split(sum32(both_[3]), sum32(first_[3]));
        const auto shownSquares = split(sum32(bothShownSquares_), sum32(firstShownSquares_));
        const std::uint64_t firstSquares = sum64(firstSquares_);
        const std::array<std::uint64_t, 2> squares = {firstSquares,
                                                      sum64(bothSquares_) - firstSquares};
        for (std::size_t k = 0; k < 2; ++k) {
            t[k].n = static_cast<std::uint32_t>(4 * steps);
            t[k].rawSum = raw[k];
            t[k].corrSum = static_cast<std::uint64_t>(corrected[k]);
            t[k].corrSq = squares[k];
            t[k].blackSum = black[k];
            t[k].dispSum = static_cast<std::uint64_t>(shown[k]);
            t[k].dispSq = static_cast<std::uint64_t>(shownSquares[k]);
        }
        if (steps == 0) return;
        first.add(t[0]);
        second.add(t[1]);
    }

private:
    __m128i ones_ = _mm_set1_epi16(1);
    __m128i firstOnes_ = _mm_set1_epi32(1); // 1 in the first position's lanes, 0 in the other's
    __m128i firstMask_ = _mm_set1_epi32(0xFFFF); // the first position's lanes
    __m128i rawMin_ = _mm_set1_epi16(0x7FFF), rawMax_ = _mm_set1_epi16(-0x8000);
    __m128i shownMin_ = rawMin_, shownMax_ = rawMax_;
    // Reported, corrected, black, shown.
    __m128i both_[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(),
                        _mm_setzero_si128()};
    __m128i first_[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(),
                         _mm_setzero_si128()};
    __m128i bothSquares_ = _mm_setzero_si128(), firstSquares_ = _mm_setzero_si128();
    __m128i bothShownSquares_ = _mm_setzero_si128(), firstShownSquares_ = _mm_setzero_si128();
};
#endif

#if defined(__SSE2__)
// The bytes shown of `count` results of a row of a two-column pattern from column x0 on.
inline void shownBytes(const SampleEvaluator& e, int cellRow, std::int32_t x0,
                       const std::uint32_t* results, std::int32_t count, std::uint16_t* shown) {
    for (std::int32_t phase = 0; phase < 2; ++phase) {
        const SampleEvaluator::DisplayedRule rule = e.displayedRule(2 * cellRow + (x0 + phase) % 2);
        if (rule.mapping != nullptr)
            for (std::int32_t i = phase; i < count; i += 2)
                shown[i] = rule.mapping[results[i]];
        else
            for (std::int32_t i = phase; i < count; i += 2)
                shown[i] = static_cast<std::uint16_t>((results[i] >> rule.shift) & 0xFF);
    }
}

// Eight samples for addPairRun: their reported and corrected values and black levels, and
// lanes whose top bit is set where a sample's values do not fit 16 bits.
struct PairLanes {
    __m128i reported, corrected, black, misfit;
};
// One sample for addPairRun; taken only where its corrected value fits the lanes too.
struct PairSample {
    std::int64_t reported, corrected, black;
};

// Adds `count` samples of a row of two cell positions taking turns to the totals of the
// first's (first) and the other's (second), eight at a time: lanes(i) gives samples i to
// i + 7, one(i) sample i, shown[i] the byte it shows. False, and nothing added, where some
// lanes do not fit.
template <typename Lanes, typename One>
bool addPairRun(std::int32_t count, const std::uint16_t* shown, Lanes lanes, One one,
                ImageTotals& first, ImageTotals& second) {
    std::array<ImageTotals, 2> t{};
    __m128i misfit = _mm_setzero_si128();
    std::int32_t i = 0;
    while (i + 8 <= count) {
        PairLaneTotals totals;
        const std::int32_t steps = std::min((count - i) / 8, PairLaneTotals::kMostSteps);
        for (std::int32_t k = 0; k < steps; ++k, i += 8) {
            const PairLanes l = lanes(i);
            misfit = _mm_or_si128(misfit, l.misfit);
            totals.add(l.reported, l.corrected, l.black,
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(shown + i)));
        }
        totals.addTo(t[0], t[1], steps);
    }
    if ((_mm_movemask_epi8(misfit) & 0xAAAA) != 0) return false;
    for (; i < count; ++i) {
        const PairSample p = one(i);
        if (p.corrected >= 0x8000) return false;
        const std::int64_t byte = shown[i];
        ImageTotals sample;
        sample.n = 1;
        sample.rawMin = sample.rawMax = sample.rawSum = p.reported;
        sample.corrSum = static_cast<std::uint64_t>(p.corrected);
        sample.corrSq = static_cast<std::uint64_t>(p.corrected * p.corrected);
        sample.blackSum = p.black;
        sample.dispMin = sample.dispMax = byte;
        sample.dispSum = static_cast<std::uint64_t>(byte);
        sample.dispSq = static_cast<std::uint64_t>(byte * byte);
        t[static_cast<std::size_t>(i % 2)].add(sample);
    }
    first.add(t[0]);
    second.add(t[1]);
    return true;
}

// Two values (black levels, limits) taking turns in eight 16-bit lanes.
inline __m128i pairLanes(std::int32_t a, std::int32_t b) {
    const auto l = static_cast<short>(a), r = static_cast<short>(b);
    return _mm_setr_epi16(l, r, l, r, l, r, l, r);
}
#endif

// Widens units of `unitWidth` pixels into a row of `width` pixels (the last unit may be cut).
void expandRow(const platform::Rgb* units, std::int32_t unitCount, std::int32_t unitWidth,
               platform::Rgb* out, std::int32_t width);

} // namespace korvane::render_walk
