#include "analysis/MappingArrays.hpp"

#include <algorithm>
#include <cmath>
#include <new>

namespace korvane {

namespace {

// Percentages are scaled by 0.01 taken in single precision, which lies slightly below 0.01,
// and the product is formed in double: 4096 x 100 % is then 4095 positions, not 4096. The
// curves the program has always drawn depend on it.
constexpr double kPercent = 0.01f;

// Capacity grows by a quarter beyond the need so that small range changes reuse the arrays;
// from 0x80003 / 5 positions on, that would pass the limit, so the limit is taken.
constexpr std::uint64_t kGrowthLimit = 0x80003;

// Display values are bytes whatever the output range.
constexpr double kTopDisplayValue = 255;

std::uint32_t percentOf(std::uint32_t total, float percent) {
    const double share = static_cast<double>(total) * static_cast<double>(percent) * kPercent;
    return share > 0 ? static_cast<std::uint32_t>(share) : 0;
}

[[nodiscard]] Status allocate(MappingArrays& m, std::uint32_t needed, Reporter& reporter) {
    const std::uint32_t capacity = std::uint64_t{needed} * 5 > kGrowthLimit
                                       ? kMaxMappingPositions
                                       : static_cast<std::uint32_t>(std::uint64_t{needed} * 5 / 4);
    std::vector<std::uint8_t>().swap(m.values);
    std::vector<std::uint16_t>().swap(m.corrections);
    m.capacity = 0;
    try {
        // One position past the capacity: a display range of 0x20000 has 0x20001 values, one
        // more than the array may hold; the last of them shows as the top of the curve.
        m.values.resize(std::size_t{capacity} + 1);
    } catch (const std::bad_alloc&) {
        reporter.ShowMessage(MessageId::AllocationFailed, static_cast<std::int32_t>(capacity),
                             "RGB mapping array");
        return kFailed;
    }
    try {
        m.corrections.resize(capacity);
    } catch (const std::bad_alloc&) {
        std::vector<std::uint8_t>().swap(m.values);
        reporter.ShowMessage(MessageId::AllocationFailed, static_cast<std::int32_t>(capacity * 2),
                             "RGB mapping correction array");
        return kFailed;
    }
    m.capacity = capacity;
    return kOk;
}

void store(MappingArrays& m, std::uint32_t j, double y) {
    if (y > kTopDisplayValue) {
        m.values[j] = 255;
        m.corrections[j] = 0;
    } else if (y >= 0) {
        const double whole = std::trunc(y);
        m.values[j] = static_cast<std::uint8_t>(whole);
        m.corrections[j] = static_cast<std::uint16_t>((y - whole) * 65535);
    } else { // below 0, or no number at all
        m.values[j] = 0;
        m.corrections[j] = 0;
    }
}

// Where the walk through the segments stands.
struct SegmentWalk {
    std::uint32_t start = 0;    // a: first position of the current segment
    std::uint32_t length = 0;   // e: positions of the previous segment
    std::uint8_t lastValue = 0; // t: display value of the previous segment's last position
    std::int64_t lastWritten = -1;
};

// The curve of one segment at position j; `g` positions from `a`, output share `d`.
double curveValue(const MappingSegment& s, double range, std::uint32_t n, std::uint32_t a,
                  std::uint32_t g, std::uint32_t d, std::uint32_t j) {
    const double w = s.multiplier == 0 ? 1.0 : static_cast<double>(s.multiplier);
    const double v = s.offset;
    const double p = s.p;
    switch (s.kind) {
    case SegmentKind::Gamma:
        return range * (v + w * std::pow(static_cast<double>(j) / n, 1.0 / p));
    case SegmentKind::Exponential: {
        // A one-position segment has no run to climb: it takes the top of its share.
        const double exponent = g > 1 ? static_cast<double>(j) / (g - 1) : 1.0;
        return v + w * std::pow(static_cast<double>(d) - 1, exponent);
    }
    case SegmentKind::PowerThrough: {
        // With fewer than three positions or a share of one level the exponent would divide
        // by ln 1 or take ln 0: the segment is then a straight line.
        const double exponent = g > 2 && d > 2 ? std::log(d - 1.0) / std::log(g - 1.0) : 1.0;
        return range * v + w * std::pow(static_cast<double>(j - a), exponent);
    }
    case SegmentKind::Logarithmic:
        return range *
               (v + w * (1 + std::log10(static_cast<double>(j) / g + 0.1)) * 0.9602525679350244);
    case SegmentKind::Linear:
    default:
        return range * v + p * (range / n) * static_cast<double>(j - a) * w + 0.5;
    }
}

void buildSegment(MappingArrays& m, const MappingSegment& s, SegmentWalk& walk) {
    const std::uint32_t n = m.positionCount;
    const std::uint32_t range = m.outputRange;
    std::uint32_t g =
        s.extent == 0 ? n - std::min(n, walk.start + walk.length) : percentOf(n, s.extent);
    if (g == 0) return;
    walk.start += walk.length;
    // Shares adding up to more than the whole stop at the last position.
    g = std::min(g, n - std::min(n, walk.start));
    walk.length = g;
    if (g == 0) return;
    std::uint32_t d = 0;
    if (s.kind == SegmentKind::PowerThrough || s.kind == SegmentKind::Exponential) {
        d = s.p == 0 ? range - std::min<std::uint32_t>(range, walk.lastValue)
                     : percentOf(range, s.p);
        if (d == 0) return; // the positions count as used, nothing is written
    }
    const std::uint32_t a = walk.start;
    for (std::uint32_t j = a; j < a + g; ++j)
        store(m, j, curveValue(s, range, n, a, g, d, j));
    walk.lastValue = m.values[a + g - 1];
    walk.lastWritten = a + g - 1;
}

} // namespace

Status BuildMappingArrays(ImageDescriptor& image, const MappingFunction& function,
                          Reporter& reporter) {
    MappingArrays& m = image.mapping;
    m.positionCount = std::min(m.positionCount, kMaxMappingPositions);
    const std::uint32_t n = m.positionCount;
    if (m.capacity < n || m.values.size() < m.capacity || m.corrections.size() < m.capacity) {
        if (failed(allocate(m, n, reporter))) return kFailed;
    }
    m.builtFunction = -1;
    if (n == 0) return kOk;

    SegmentWalk walk;
    const std::size_t count = std::min<std::size_t>(function.segmentCount, kMaxSegments);
    for (std::size_t i = 0; i < count; ++i)
        buildSegment(m, function.segments[i], walk);

    const auto top = static_cast<std::uint8_t>(std::clamp<int>(m.outputRange - 1, 0, 255));
    for (std::int64_t j = walk.lastWritten + 1; j + 1 < static_cast<std::int64_t>(n); ++j)
        m.values[static_cast<std::size_t>(j)] = top;
    std::fill(m.values.begin() + (n - 1), m.values.end(), top);
    m.values[0] = 0;

    const auto row = std::find_if(kMappingFunctions.begin(), kMappingFunctions.end(),
                                  [&](const MappingFunction& f) { return &f == &function; });
    m.builtFunction = row == kMappingFunctions.end()
                          ? -1
                          : static_cast<std::int32_t>(row - kMappingFunctions.begin());
    return kOk;
}

Status EnsureMappingArrays(ImageDescriptor& image, std::uint32_t positions,
                           std::uint16_t outputRange, Reporter& reporter) {
    MappingArrays& m = image.mapping;
    const MappingFunction& function = mappingFunctionRow(image.mappingFunction);
    const auto row = static_cast<std::int32_t>(&function - kMappingFunctions.data());
    if (m.positionCount == positions && m.outputRange == outputRange && m.builtFunction == row &&
        m.capacity >= positions)
        return kOk;
    m.positionCount = positions;
    m.outputRange = outputRange;
    return BuildMappingArrays(image, function, reporter);
}

} // namespace korvane
