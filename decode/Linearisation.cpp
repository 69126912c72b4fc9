#include "decode/Linearisation.hpp"

#include <algorithm>
#include <vector>

#include "decode/Allocation.hpp"

namespace korvane {

namespace {
// A step whose 16-bit gap is above this is falling or too wide to dither.
constexpr std::uint16_t kMaxDitherRange = 61440;
} // namespace

void linearise(std::span<std::uint16_t> samples, std::span<const std::uint16_t> table) {
    if (table.empty()) return;
    const std::size_t last = table.size() - 1;
    for (auto& s : samples)
        s = table[std::min<std::size_t>(s, last)];
}

Status lineariseDithered(std::span<std::uint16_t> samples, std::span<const std::uint16_t> table,
                         Reporter& reporter) {
    if (table.empty()) return kOk;
    const std::size_t n = table.size();
    std::vector<std::uint16_t> range, step;
    if (!allocateZeroed(range, n, reporter, "Dithering range array") ||
        !allocateZeroed(step, n, reporter, "Dithering value array"))
        return kFailed;
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const auto gap = static_cast<std::uint16_t>(table[k + 1] - table[k] - 1);
        range[k] = gap > kMaxDitherRange ? 0 : gap;
    }
    for (auto& s : samples) {
        // Values past the table are clamped to its last entry, as without dithering.
        if (s >= n) {
            s = table[n - 1];
            continue;
        }
        std::uint16_t& k = step[s];
        k = k >= range[s] ? 0 : static_cast<std::uint16_t>(k + 1);
        s = static_cast<std::uint16_t>(
            std::min<std::uint32_t>(std::uint32_t{table[s]} + k, 0xFFFF));
    }
    return kOk;
}

} // namespace korvane
