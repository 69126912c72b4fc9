#include <gtest/gtest.h>

#include <cmath>

#include "common/ExposureScale.hpp"

namespace korvane {
namespace {

TEST(ExposureScale, LabelsAreSignedWholeStopsAndReducedSixths) {
    const std::pair<int, const char*> expected[] = {
        {0, "-8"},     {1, "-7 5/6"}, {2, "-7 2/3"},  {3, "-7 1/2"},  {4, "-7 1/3"},
        {5, "-7 1/6"}, {6, "-7"},     {43, "-5/6"},   {47, "-1/6"},   {48, "0"},
        {49, "+1/6"},  {50, "+1/3"},  {58, "+1 2/3"}, {95, "+7 5/6"}, {96, "+8"},
    };
    for (const auto& [p, label] : expected)
        EXPECT_EQ(exposureLabel(p), label) << p;
}

TEST(ExposureScale, FactorsDoubleEverySixPositions) {
    EXPECT_DOUBLE_EQ(exposureFactor(48), 1.0);
    EXPECT_DOUBLE_EQ(exposureFactor(96), 256.0);
    EXPECT_DOUBLE_EQ(exposureFactor(0), 1.0 / 256.0);
    EXPECT_DOUBLE_EQ(exposureFactor(54), 2.0);
    EXPECT_NEAR(exposureFactor(49), std::exp2(1.0 / 6.0), 1e-12);
    // Half a stop either side keeps the display's six-digit values.
    EXPECT_DOUBLE_EQ(exposureFactor(45), 0.707109);
    EXPECT_DOUBLE_EQ(exposureFactor(51), 1.41421);
    for (int p = 1; p < kExposurePositions; ++p)
        EXPECT_GT(exposureFactor(p), exposureFactor(p - 1)) << p;
}

} // namespace
} // namespace korvane
