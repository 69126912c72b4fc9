#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace korvane {

// The curve a segment of a mapping function follows; any other kind value is linear.
enum class SegmentKind : std::uint8_t {
    Linear = 1,
    PowerThrough = 2,
    Gamma = 3,
    Logarithmic = 4,
    Exponential = 5,
};

// One piece of a tone curve, in order from the dark end.
struct MappingSegment {
    SegmentKind kind = SegmentKind::Linear;
    // Share of the positions in percent; 0: every position left after the previous segment.
    float extent = 0;
    // Linear: slope. Gamma: the exponent. Power through and exponential: share of the output
    // range in percent (0: the output range left above the previous segment's last value).
    float p = 0;
    float multiplier = 0; // on the curve term; 0 stands for 1
    float offset = 0;     // constant term, as a fraction of the output range (exponential:
                          // in output units)
};

inline constexpr std::size_t kMaxSegments = 10;

// A tone curve: turns a position in the range of values on display into a display value.
struct MappingFunction {
    std::string_view name;
    std::uint8_t segmentCount = 0;
    std::array<MappingSegment, kMaxSegments> segments{};
};

namespace mapping_detail {
constexpr MappingSegment linear(float extent, float slope, float multiplier = 0, float offset = 0) {
    return {SegmentKind::Linear, extent, slope, multiplier, offset};
}
constexpr MappingSegment gamma(float extent, float exponent, float multiplier = 0,
                               float offset = 0) {
    return {SegmentKind::Gamma, extent, exponent, multiplier, offset};
}
constexpr MappingSegment exponential(float extent, float share) {
    return {SegmentKind::Exponential, extent, share, 0, 0};
}
} // namespace mapping_detail

// The functions the dialog offers, in the order of its list; row 0 is the default. The
// constants are those of the published curves, as single-precision values: sRGB (IEC
// 61966-2-1) with the 0.0031308 threshold and slope 12.92; Rec. 709 with the 0.018 threshold,
// slope 4.5 and exponent 0.45 (1 / 2.2222223); CIE L* with the 0.008856 threshold, slope
// 9.033 and 1.16 Y^(1/3) - 0.16; aRGB 1998 with 563/256. "Gamma 2.4" draws with the exponent
// 2.5: its pictures are what users know under that name, so both stay as they are.
inline constexpr std::array<MappingFunction, 15> kMappingFunctions = [] {
    using namespace mapping_detail;
    return std::array<MappingFunction, 15>{{
        {"sRGB", 2, {linear(0.31308f, 12.92f), gamma(0, 2.4f, 1.055f, -0.055f)}},
        {"aRGB 1998", 1, {gamma(0, 2.1992188f)}},
        {"Rec. 709", 3, {linear(1.8f, 4.5f), gamma(0, 2.2222223f, 1.099f, -0.099f), linear(0, 0)}},
        {"CIE L*", 3, {linear(0.8856f, 9.033f), gamma(0, 3, 1.16f, -0.16f), linear(0, 0)}},
        {"Standard Gamma 2.2", 2, {linear(2.21f, 8), gamma(0, 2.2f)}},
        {"Gamma 1.6", 1, {gamma(100, 1.6f)}},
        {"Gamma 1.8", 1, {gamma(100, 1.8f)}},
        {"Gamma 2.0", 1, {gamma(100, 2)}},
        {"Gamma 2.0 L=(2.5, 3.5)", 2, {linear(2.57f, 3.5f), gamma(0, 2, 1.083f, -0.083f)}},
        {"Gamma 2.4", 1, {gamma(100, 2.5f)}},
        {"Gamma 2.4 L=(1.3, 6)", 2, {linear(1.31f, 6), gamma(0, 2.4f, 1.102f, -0.102f)}},
        {"Gamma 5", 1, {gamma(100, 5)}},
        {"Very High Contrast Highlights", 2, {linear(70, 0.5f), linear(0, 2.1666f, 0, 0.35f)}},
        {"Linear", 1, {linear(100, 1)}},
        {"Exponential pure", 1, {exponential(100, 100)}},
    }};
}();

// The name field of a row holds at most 29 characters and its terminator.
inline constexpr std::size_t kMaxMappingNameLength = 29;

namespace mapping_detail {
constexpr bool wellFormed(const MappingFunction& f) {
    if (f.name.empty() || f.name.size() > kMaxMappingNameLength) return false;
    if (f.segmentCount < 1 || f.segmentCount > kMaxSegments) return false;
    for (std::size_t i = 0; i < f.segmentCount; ++i) {
        const MappingSegment& s = f.segments[i];
        if (s.extent < 0 || s.extent > 100) return false;
        if (s.kind == SegmentKind::Gamma && s.p <= 0) return false; // 1 / p is the exponent
    }
    for (std::size_t i = f.segmentCount; i < kMaxSegments; ++i)
        if (f.segments[i].extent != 0 || f.segments[i].p != 0) return false; // unused slots
    return true;
}
constexpr bool allWellFormed() {
    for (const auto& f : kMappingFunctions)
        if (!wellFormed(f)) return false;
    return true;
}
constexpr bool namesUnique() {
    for (std::size_t i = 0; i < kMappingFunctions.size(); ++i)
        for (std::size_t j = i + 1; j < kMappingFunctions.size(); ++j)
            if (kMappingFunctions[i].name == kMappingFunctions[j].name) return false;
    return true;
}
} // namespace mapping_detail

static_assert(mapping_detail::allWellFormed(),
              "every row names itself, uses 1 to 10 segments and leaves the other slots empty");
static_assert(mapping_detail::namesUnique(), "the list shows each name once");
static_assert(kMappingFunctions[0].name == "sRGB", "the default selection is row 0, sRGB");

// The row the combo box index `row` stands for; an index outside the list takes row 0.
constexpr const MappingFunction& mappingFunctionRow(std::int32_t row) {
    return row >= 0 && static_cast<std::size_t>(row) < kMappingFunctions.size()
               ? kMappingFunctions[static_cast<std::size_t>(row)]
               : kMappingFunctions[0];
}

} // namespace korvane
