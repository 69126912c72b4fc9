#include "analysis/RenderWalk.hpp"

namespace korvane::render_walk {

void CorrectedTables::beginBand(std::int32_t dy, std::int32_t rows) {
    const int ch = view->cfa.height;
    const std::int32_t width = view->x.visibleSamples;
    const ViewportState& s = view->state;
    results.resize(static_cast<std::size_t>(rows) * width);
    for (std::int32_t i = 0; i < rows; ++i) {
        const StoredAt at = storedAt(*view, 0, dy + i);
        const int cellRow = (dy + i) % ch;
        const std::int32_t* blacks = evaluator->blackLine(at.row, at.column, s.rowPerX, s.colPerX,
                                                          cellRow, width, blackLines);
        resultRun(first + (dy + i) * view->stepY, cellRow, 0, blacks, width,
                  results.data() + static_cast<std::size_t>(i) * width);
    }
}

void CorrectedTables::resultRun(const std::uint16_t* samples, int cellRow, std::int32_t column,
                                const std::int32_t* blacks, std::int32_t width,
                                std::uint32_t* out) const {
    const int cw = view->cfa.width;
    const std::ptrdiff_t step = view->stepX;
    const int q0 = cellRow * cw;
    // The cell positions of the run's first two samples.
    const int qa = q0 + column % cw, qb = q0 + (column + 1) % cw;
    std::int32_t dx = 0;
#if defined(__SSE2__)
    if (step == 1 && cw == 2 && narrow) {
        // Eight samples at a time in 16-bit lanes, alternately of the two positions' tables:
        // the corrected value held to its table, plus the offset to the saturated twin.
        const auto pair = [=](const std::array<std::int32_t, 64>& a, std::int32_t add) {
            return pairLanes(a[qa] + add, a[qb] + add);
        };
        const __m128i limit8 = pair(limit, 0), offset8 = pair(saturatedOffset, 0);
        const __m128i belowSaturation8 = pair(saturatedAt, -1);
        const __m128i zero = _mm_setzero_si128();
        const std::uint32_t* const tables[2] = {block + start[qa], block + start[qb]};
        const auto tableOf = [&](int k) { return tables[k & 1]; };
        const std::int32_t* const lineBlacks = blacks;
        for (; dx + 8 <= width; dx += 8) {
            const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + dx));
            __m128i v = _mm_subs_epu16(s, narrowBlacks(lineBlacks + dx));
            v = _mm_sub_epi16(v, _mm_subs_epu16(v, limit8));
            const __m128i saturated = _mm_andnot_si128(
                _mm_cmpeq_epi16(_mm_subs_epu16(s, belowSaturation8), zero), offset8);
            gatherLanes(_mm_add_epi16(v, saturated), tableOf, out + dx);
        }
    } else if (step == 1 && cw == 2) {
        // Four samples at a time to their indices in the block, then the look-ups.
        const auto pair = [=](const std::array<std::int32_t, 64>& a) {
            return _mm_setr_epi32(a[qa], a[qb], a[qa], a[qb]);
        };
        const __m128i start4 = pair(start), limit4 = pair(limit);
        const __m128i offset4 = pair(saturatedOffset);
        const __m128i belowSaturation4 = _mm_sub_epi32(pair(saturatedAt), _mm_set1_epi32(1));
        const __m128i zero = _mm_setzero_si128();
        // Held here: the stores into `out` could otherwise change them for all the compiler
        // knows, and it would load them again at every step.
        const std::int32_t* const lineBlacks = blacks;
        const std::uint32_t* const table = block;
        for (; dx + 4 <= width; dx += 4) {
            const __m128i s = _mm_unpacklo_epi16(
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples + dx)), zero);
            const __m128i black =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(lineBlacks + dx));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + dx),
                             blockIndices(s, black, start4, limit4, belowSaturation4, offset4));
        }
#pragma GCC unroll 4
        for (std::int32_t i = 0; i < dx; ++i)
            out[i] = table[out[i]];
    }
#endif
    for (int j = (column + dx) % cw; dx < width; ++dx) {
        out[dx] = resultOf(samples[dx * step], blacks[dx], q0 + j);
        if (++j == cw) j = 0;
    }
}

void rawPairRow(const RawTables& tables, int qLeft, int qRight, const std::uint16_t* row,
                std::ptrdiff_t step, std::int32_t from, std::int32_t to, std::uint32_t* out) {
    const std::uint32_t *left = tables.table[qLeft], *right = tables.table[qRight];
    const std::uint32_t leftLimit = tables.limit[qLeft], rightLimit = tables.limit[qRight];
    std::int32_t dx = from;
#if defined(__SSE2__)
    if (step == 1) {
        // Eight samples at a time in 16-bit lanes, each held to its table's end.
        const __m128i limit8 = pairLanes(static_cast<std::int32_t>(std::min(leftLimit, 0xFFFFu)),
                                         static_cast<std::int32_t>(std::min(rightLimit, 0xFFFFu)));
        const std::uint32_t* const tableOf[2] = {left, right};
        for (; dx + 8 <= to; dx += 8) {
            const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + dx));
            gatherLanes(
                _mm_sub_epi16(s, _mm_subs_epu16(s, limit8)), [&](int k) { return tableOf[k & 1]; },
                out + dx);
        }
    }
#endif
    const std::uint16_t* p = row + dx * step;
    for (; dx < to; dx += 2, p += 2 * step) {
        out[dx] = left[std::min<std::uint32_t>(p[0], leftLimit)];
        out[dx + 1] = right[std::min<std::uint32_t>(p[step], rightLimit)];
    }
}

CellShape cellShape(const Viewport& view, int columns, int rows) {
    CellShape shape;
    std::array<std::uint32_t, 3> counts{};
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const int k = shape.count++;
            const int q = i * view.cfa.width + j;
            shape.offset[k] = j * view.stepX + i * view.stepY;
            shape.q[k] = static_cast<std::uint8_t>(q);
            shape.column[k] = static_cast<std::uint8_t>(j);
            shape.row[k] = static_cast<std::uint8_t>(i);
            shape.colour[k] = static_cast<std::uint8_t>(view.cfa.colour[q]);
            ++counts[shape.colour[k]];
        }
    }
    for (std::size_t c = 0; c < 3; ++c)
        shape.reciprocal[c] = (std::uint64_t{1} << 32) / std::max<std::uint32_t>(counts[c], 1) + 1;
    shape.packed = *std::max_element(counts.begin(), counts.end()) <=
                   static_cast<std::uint32_t>(kMaxPackedCount);
    return shape;
}

bool twoByTwoShape(const CellShape& shape) {
    if (shape.count != 4) return false;
    std::array<int, 3> count{};
    for (int k = 0; k < 4; ++k) {
        // Top left, top right, bottom left, bottom right.
        if (shape.column[k] != k % 2 || shape.row[k] != k / 2) return false;
        ++count[shape.colour[k]];
    }
    return std::all_of(count.begin(), count.end(), [](int n) { return n != 3; });
}

void expandRow(const platform::Rgb* units, std::int32_t unitCount, std::int32_t unitWidth,
               platform::Rgb* out, std::int32_t width) {
    for (std::int32_t u = 0; u < unitCount; ++u) {
        const std::int32_t start = u * unitWidth;
        const std::int32_t end = std::min(start + unitWidth, width);
        std::fill(out + start, out + std::max(start, end), units[u]);
    }
}

} // namespace korvane::render_walk
