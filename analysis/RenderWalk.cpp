#include "analysis/RenderWalk.hpp"

namespace korvane::render_walk {

void CorrectedTables::beginBand(std::int32_t dy, std::int32_t rows) {
    const int ch = view->cfa.height;
    const std::int32_t width = view->x.visibleSamples;
    blackLines.resize(static_cast<std::size_t>(rows) * width);
    const ViewportState& s = view->state;
    for (std::int32_t i = 0; i < rows; ++i) {
        const StoredAt at = storedAt(*view, 0, dy + i);
        evaluator->blackLine(at.row, at.column, s.rowPerX, s.colPerX, (dy + i) % ch, width,
                             blackLines.data() + static_cast<std::size_t>(i) * width);
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

void expandRow(const platform::Rgb* units, std::int32_t unitCount, std::int32_t unitWidth,
               platform::Rgb* out, std::int32_t width) {
    for (std::int32_t u = 0; u < unitCount; ++u) {
        const std::int32_t start = u * unitWidth;
        const std::int32_t end = std::min(start + unitWidth, width);
        std::fill(out + start, out + std::max(start, end), units[u]);
    }
}

} // namespace korvane::render_walk
