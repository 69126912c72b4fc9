#include <gtest/gtest.h>

#include <cmath>

#include "analysis/MappingArrays.hpp"
#include "analysis/MappingFunctionNames.hpp"
#include "common/RecordingReporter.hpp"

namespace korvane {
namespace {

const MappingFunction& row(std::string_view name) {
    for (const auto& f : kMappingFunctions)
        if (f.name == name) return f;
    ADD_FAILURE() << "no row " << name;
    return kMappingFunctions[0];
}

struct Built {
    ImageDescriptor image;
    RecordingReporter reporter;
    Status status = kOk;
    int at(std::uint32_t j) const { return image.mapping.values[j]; }
};

Built build(const MappingFunction& function, std::uint32_t positions) {
    Built b;
    b.image.mapping.positionCount = positions;
    b.image.mapping.outputRange = 256;
    b.status = BuildMappingArrays(b.image, function, b.reporter);
    return b;
}
Built build(std::string_view name, std::uint32_t positions) {
    return build(row(name), positions);
}

TEST(MappingFunctionTable, OffersTheFifteenNamesInListOrder) {
    ASSERT_EQ(kMappingFunctionNames.size(), 15u);
    EXPECT_EQ(kMappingFunctionNames.front(), "sRGB");
    EXPECT_EQ(kMappingFunctionNames[8], "Gamma 2.0 L=(2.5, 3.5)");
    EXPECT_EQ(kMappingFunctionNames[13], "Linear");
    EXPECT_EQ(kMappingFunctionNames.back(), "Exponential pure");
    EXPECT_EQ(&mappingFunctionRow(-1), &kMappingFunctions[0]);
    EXPECT_EQ(&mappingFunctionRow(15), &kMappingFunctions[0]);
}

TEST(BuildMappingArrays, LinearRisesOneLevelPerSixteenPositions) {
    const Built b = build("Linear", 4096);
    ASSERT_EQ(b.status, kOk);
    EXPECT_EQ(b.at(0), 0);
    for (std::uint32_t j = 1; j <= 4094; ++j)
        ASSERT_EQ(b.at(j), std::min(255u, j / 16 + (j % 16 >= 8 ? 1u : 0u))) << "position " << j;
    EXPECT_EQ(b.at(4095), 255);
    // j / 16 + 0.5 has a fraction of one half exactly at j = 16 k + 8.
    EXPECT_EQ(b.image.mapping.corrections[8], 0);
    EXPECT_EQ(b.image.mapping.corrections[9], static_cast<std::uint16_t>(0.0625 * 65535));
    EXPECT_EQ(b.image.mapping.builtFunction, 13);
}

TEST(BuildMappingArrays, SrgbHasTwelveLinearPositionsThenTheGammaCurve) {
    const Built b = build("sRGB", 4096);
    ASSERT_EQ(b.status, kOk);
    // 12.92 x (256 / 4096) x j + 0.5 for the 12 positions of the linear part.
    EXPECT_EQ(b.at(1), 1);  // 1.3075
    EXPECT_EQ(b.at(8), 6);  // 6.96
    EXPECT_EQ(b.at(11), 9); // 9.3825
    // 256 x (1.055 x (j / 4096)^(1 / 2.4) - 0.055) from position 12 on.
    EXPECT_EQ(b.at(12), 9);     // 9.688
    EXPECT_EQ(b.at(13), 10);    // 10.495
    EXPECT_EQ(b.at(100), 43);   // 43.421
    EXPECT_EQ(b.at(2048), 188); // 188.251
    EXPECT_EQ(b.at(4000), 253); // 253.344
    EXPECT_EQ(b.at(4094), 255); // 255.95: above 255 would be clamped, this is not
    EXPECT_EQ(b.image.mapping.corrections[2048], 16474); // 0.25138 x 65535
    EXPECT_EQ(b.at(4095), 255);
}

TEST(BuildMappingArrays, ExponentialPureTakesTheSinglePrecisionPercentage) {
    // 4096 x 100 x 0.01f is 4095.9999: 4095 positions, and an output share of 255, so
    // position j shows 254^(j / 4094).
    const Built b = build("Exponential pure", 4096);
    ASSERT_EQ(b.status, kOk);
    EXPECT_EQ(b.at(0), 0);
    EXPECT_EQ(b.at(1), 1);
    EXPECT_EQ(b.at(2), 1);
    EXPECT_EQ(b.at(2047), 15); // 254^0.5 = 15.94
    EXPECT_EQ(b.at(4093), 253);
    EXPECT_EQ(b.at(4094), 254);
    EXPECT_EQ(b.at(4095), 255);
}

// The display value and correction a curve value y stores.
struct Stored {
    int value;
    std::uint16_t correction;
};
Stored stored(double y) {
    if (y > 255) return {255, 0};
    if (y < 0) return {0, 0};
    const double whole = std::trunc(y);
    return {static_cast<int>(whole), static_cast<std::uint16_t>((y - whole) * 65535)};
}

// A share of the positions or levels: the percentage times 0.01 taken in single precision.
std::uint32_t share(std::uint32_t total, float percent) {
    return static_cast<std::uint32_t>(static_cast<double>(total) * double{percent} * double{0.01f});
}

TEST(BuildMappingArrays, SrgbFollowsItsTwoSegmentsAtEveryPosition) {
    for (const std::uint32_t n : {4096u, 16384u, 1000u}) {
        const Built b = build("sRGB", n);
        ASSERT_EQ(b.status, kOk);
        // The stored constants: 0.31308 % linear at slope 12.92, then 1.055 x^(1/2.4) - 0.055.
        const std::uint32_t g = share(n, 0.31308f);
        for (std::uint32_t j = 1; j + 1 < n; ++j) {
            const double y =
                j < g ? double{12.92f} * (256.0 / n) * j + 0.5
                      : 256 * (double{-0.055f} +
                               double{1.055f} * std::pow(double(j) / n, 1.0 / double{2.4f}));
            const Stored e = stored(y);
            ASSERT_EQ(b.at(j), e.value) << "N " << n << " position " << j << " y " << y;
            ASSERT_EQ(b.image.mapping.corrections[j], e.correction) << "N " << n << " at " << j;
        }
        EXPECT_EQ(b.at(0), 0);
        EXPECT_EQ(b.at(n - 1), 255);
    }
}

TEST(BuildMappingArrays, ExponentialPureFollowsItsCurveAtEveryPosition) {
    for (const std::uint32_t n : {4096u, 16384u, 1000u}) {
        const Built b = build("Exponential pure", n);
        ASSERT_EQ(b.status, kOk);
        const std::uint32_t g = share(n, 100); // one position short of n
        const std::uint32_t d = share(256, 100);
        ASSERT_EQ(g, n - 1);
        ASSERT_EQ(d, 255u);
        for (std::uint32_t j = 1; j < g; ++j) {
            const double y = std::pow(double(d) - 1, double(j) / (g - 1));
            const Stored e = stored(y);
            ASSERT_EQ(b.at(j), e.value) << "N " << n << " position " << j;
            ASSERT_EQ(b.image.mapping.corrections[j], e.correction) << "N " << n << " at " << j;
        }
        EXPECT_EQ(b.at(0), 0);       // the first position is always 0
        EXPECT_EQ(b.at(n - 1), 255); // and the last one the top
    }
}

TEST(BuildMappingArrays, LinearFollowsItsLineAtEveryPositionAndSize) {
    for (const std::uint32_t n : {4096u, 300u, 131072u}) {
        const Built b = build("Linear", n);
        ASSERT_EQ(b.status, kOk);
        const std::uint32_t g = share(n, 100);
        for (std::uint32_t j = 1; j + 1 < n; ++j) {
            // Past the segment's positions the array holds the top value.
            const Stored e = j < g ? stored((256.0 / n) * j + 0.5) : Stored{255, 0};
            ASSERT_EQ(b.at(j), e.value) << "N " << n << " position " << j;
        }
        EXPECT_EQ(b.at(0), 0);
        EXPECT_EQ(b.at(n - 1), 255);
    }
}

TEST(BuildMappingArrays, VeryHighContrastHighlightsClimbsSteeplyFromSeventyPercent) {
    const Built b = build("Very High Contrast Highlights", 4096);
    ASSERT_EQ(b.status, kOk);
    // 2867 positions (4096 x 70 % in single precision) at slope 0.5 reach 0.35 x 256.
    EXPECT_EQ(b.at(2000), 63); // 0.5 x 0.0625 x 2000 + 0.5
    EXPECT_EQ(b.at(2866), 90); // 90.06
    // Then 89.6 + 2.1666 x 0.0625 x (j - 2867) + 0.5.
    EXPECT_EQ(b.at(2867), 90);
    EXPECT_EQ(b.at(3500), 175); // 175.82
    EXPECT_EQ(b.at(4084), 254); // 254.90
    EXPECT_EQ(b.at(4085), 255); // 255.03
}

TEST(BuildMappingArrays, EveryOfferedRowStartsAtZeroEndsAtTopAndNeverFalls) {
    for (const auto& f : kMappingFunctions) {
        const Built b = build(f, 1000);
        ASSERT_EQ(b.status, kOk) << f.name;
        EXPECT_EQ(b.at(0), 0) << f.name;
        EXPECT_EQ(b.at(999), 255) << f.name;
        for (std::uint32_t j = 2; j < 999; ++j)
            ASSERT_GE(b.at(j), b.at(j - 1)) << f.name << " at " << j;
    }
}

TEST(BuildMappingArrays, CapsThePositionsAndReusesArraysThatAreLargeEnough) {
    Built big = build("Linear", 200000);
    ASSERT_EQ(big.status, kOk);
    EXPECT_EQ(big.image.mapping.positionCount, kMaxMappingPositions);
    EXPECT_EQ(big.image.mapping.capacity, kMaxMappingPositions);
    // The largest display range has one value more than the positions: it shows as the top.
    ASSERT_GT(big.image.mapping.values.size(), std::size_t{kMaxMappingPositions});
    EXPECT_EQ(big.image.mapping.values[kMaxMappingPositions], 255);
    EXPECT_EQ(big.image.mapping.values[kMaxMappingPositions - 1], 255);

    Built b = build("Linear", 4096);
    EXPECT_EQ(b.image.mapping.capacity, 5120u); // a quarter more than needed
    const auto* values = b.image.mapping.values.data();
    const auto* corrections = b.image.mapping.corrections.data();
    b.image.mapping.positionCount = 1000;
    ASSERT_EQ(BuildMappingArrays(b.image, row("sRGB"), b.reporter), kOk);
    EXPECT_EQ(b.image.mapping.values.data(), values);
    EXPECT_EQ(b.image.mapping.corrections.data(), corrections);
    EXPECT_EQ(b.image.mapping.capacity, 5120u);
    EXPECT_EQ(b.image.mapping.builtFunction, 0);
    b.image.mapping.positionCount = 6000;
    ASSERT_EQ(BuildMappingArrays(b.image, row("sRGB"), b.reporter), kOk);
    EXPECT_EQ(b.image.mapping.capacity, 7500u);
    EXPECT_TRUE(b.reporter.records().empty());
}

TEST(BuildMappingArrays, SharesBeyondTheWholeStopAtTheLastPosition) {
    // Two segments of 100 % each: the second finds no positions left.
    MappingFunction twice{"twice", 2, {}};
    twice.segments[0] = {SegmentKind::Linear, 100, 1, 0, 0};
    twice.segments[1] = {SegmentKind::Linear, 100, 1, 0, 0.5f};
    const Built b = build(twice, 64);
    ASSERT_EQ(b.status, kOk);
    EXPECT_EQ(b.at(10), 40); // 4 x 10 + 0.5, the first segment's
    EXPECT_EQ(b.at(63), 255);
    EXPECT_EQ(b.image.mapping.builtFunction, -1); // not a row of the table
}

TEST(BuildMappingArrays, AOnePositionExponentialSegmentTakesTheTopOfItsShare) {
    // 200 positions: one linear, one exponential (1 % each), the rest linear at 0.9.
    MappingFunction one{"one", 3, {}};
    one.segments[0] = {SegmentKind::Linear, 1, 1, 0, 0};
    one.segments[1] = {SegmentKind::Exponential, 1, 50, 0, 0}; // output share 127
    one.segments[2] = {SegmentKind::Linear, 0, 0, 0, 0.9f};
    const Built b = build(one, 200);
    ASSERT_EQ(b.status, kOk);
    // (127 - 1)^(j / (g - 1)) has no exponent for g = 1; the top of the share is taken.
    EXPECT_EQ(b.at(1), 126);
    EXPECT_EQ(b.at(2), 230); // 0.9 x 256 + 0.5
}

TEST(EnsureMappingArrays, RebuildsOnlyWhenRangeOrSelectedFunctionChange) {
    ImageDescriptor image;
    image.mappingFunction = 13;
    RecordingReporter reporter;
    ASSERT_EQ(EnsureMappingArrays(image, 256, 256, reporter), kOk);
    EXPECT_EQ(image.mapping.values[100], 100);
    image.mapping.values[100] = 7; // untouched while nothing changes
    ASSERT_EQ(EnsureMappingArrays(image, 256, 256, reporter), kOk);
    EXPECT_EQ(image.mapping.values[100], 7);
    image.mappingFunction = 0;
    ASSERT_EQ(EnsureMappingArrays(image, 256, 256, reporter), kOk);
    EXPECT_EQ(image.mapping.builtFunction, 0);
    EXPECT_GT(image.mapping.values[100], 100); // sRGB lifts the middle
}

} // namespace
} // namespace korvane
