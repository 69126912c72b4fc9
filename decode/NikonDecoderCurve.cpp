#include "decode/NikonDecoderCurve.hpp"

#include <algorithm>

#include "decode/Allocation.hpp"
#include "decode/NikonDecoder.hpp"

namespace korvane::nikon_curve {

namespace {

// A step whose 16-bit gap is above this is falling, or too wide to spread; the loader's
// dithering of a LinearizationTable draws the same line.
constexpr std::uint16_t kMaxDitherRange = 61440;

// The rectangle of the image that the target's strip covers.
struct Region {
    std::uint64_t firstRow = 0;
    std::uint32_t rows = 0;
    std::uint32_t firstColumn = 0;
    std::uint32_t columns = 0;
};

Region regionOf(const SampleTarget& t) {
    if (!t.valid() || t.rowStart >= t.imageHeight || t.columnStart >= t.imageWidth) return {};
    return {t.rowStart, std::min(t.rows, t.imageHeight - t.rowStart), t.columnStart,
            std::min(t.width, t.imageWidth - t.columnStart)};
}

template <typename Map> void forEachSample(const SampleTarget& t, Map map) {
    const Region r = regionOf(t);
    for (std::uint32_t row = 0; row < r.rows; ++row) {
        std::uint16_t* s = t.samples.data() + (r.firstRow + row) * t.imageWidth + r.firstColumn;
        for (std::uint32_t c = 0; c < r.columns; ++c)
            s[c] = map(s[c]);
    }
}

std::uint16_t ditherRange(std::uint32_t from, std::uint32_t to) {
    const auto gap = static_cast<std::uint16_t>(to - from - 1);
    return gap > kMaxDitherRange ? 0 : gap;
}

} // namespace

Status BuildCurve(std::span<const std::uint16_t> points, std::uint16_t kind, std::uint32_t top,
                  std::vector<std::uint16_t>& curve, Reporter& reporter) {
    if (kind == nikon_kind::kLossyType1) {
        if (!allocateZeroed(curve, points.size(), reporter, "linearization array")) return kFailed;
        std::copy(points.begin(), points.end(), curve.begin());
        return kOk;
    }
    // No interval at all: every value lies past the curve. (The structure check asks for 100.)
    if (points.size() < 2) {
        curve.clear();
        return kOk;
    }
    const std::size_t last = points.size() - 1;
    // At least 1: the structure has from 100 to 4096 points, and top is 4096 or 16384.
    const std::uint32_t step = std::max<std::uint32_t>(top / static_cast<std::uint32_t>(last), 1);
    std::size_t used = 0;
    while (used < last && points[used] < top - 1)
        ++used;
    ++used; // the point that reaches top - 1, or the last one
    if (!allocateZeroed(curve, used * step, reporter, "linearization array")) return kFailed;
    for (std::size_t i = 0; i < used; ++i) {
        const std::int32_t from = points[i];
        // The interval after the last point (when it is the first to reach the top, or none
        // does) has no point i + 1 to run to: it holds the last point's value.
        const std::int32_t to = points[std::min(i + 1, last)];
        const auto s = static_cast<std::int32_t>(step);
        for (std::int32_t j = 0; j < s; ++j)
            curve[i * step + static_cast<std::size_t>(j)] =
                static_cast<std::uint16_t>(from + j * (to - from) / s);
    }
    return kOk;
}

void ApplyCurve(std::span<const std::uint16_t> curve, std::uint32_t top,
                const SampleTarget& target) {
    const auto past = static_cast<std::uint16_t>(top - 1);
    const std::size_t length = curve.size();
    forEachSample(target, [&](std::uint16_t v) { return v < length ? curve[v] : past; });
}

Status ApplyCurveDithered(std::span<const std::uint16_t> curve, std::uint32_t top,
                          const SampleTarget& target, Reporter& reporter) {
    const std::size_t length = curve.size();
    std::vector<std::uint16_t> range, step;
    if (!allocateZeroed(range, length, reporter, "Dithering range array") ||
        !allocateZeroed(step, length, reporter, "Dithering value array"))
        return kFailed;
    for (std::size_t k = 0; k + 1 < length; ++k)
        range[k] = ditherRange(curve[k], curve[k + 1]);
    // The last value spreads up to the top of the range.
    if (length > 0) range[length - 1] = ditherRange(curve[length - 1], top);
    const auto past = static_cast<std::uint16_t>(top - 1);
    forEachSample(target, [&](std::uint16_t v) -> std::uint16_t {
        if (v >= length) return past;
        std::uint16_t& k = step[v];
        k = k >= range[v] ? 0 : static_cast<std::uint16_t>(k + 1);
        return static_cast<std::uint16_t>(
            std::min<std::uint32_t>(std::uint32_t{curve[v]} + k, 0xFFFF));
    });
    return kOk;
}

} // namespace korvane::nikon_curve
