#include <gtest/gtest.h>

#include "app/LevelScale.hpp"

namespace korvane {
namespace {

TEST(LevelScale, ALevelSitsAtTheFirstPositionNotBelowIt) {
    EXPECT_EQ(levelPosition(kLevelScale12, 1800), 44);
    EXPECT_EQ(levelPosition(kLevelScale12, 1801), 45);
    EXPECT_EQ(levelPosition(kLevelScale12, 0), 0);
    EXPECT_EQ(levelPosition(kLevelScale12, 3), 1);
    EXPECT_EQ(levelPosition(kLevelScale12, 4095), 99);
    EXPECT_EQ(levelPosition(kLevelScale12, 20000), 101);
    EXPECT_EQ(levelPosition(kLevelScale14, 16383), 99);
    EXPECT_EQ(levelPosition(kLevelScale16, 65535), 100);
}

TEST(LevelScale, EachScaleRunsFromZeroToBeyondItsRange) {
    EXPECT_EQ(levelAt(kLevelScale12, 0), 0);
    EXPECT_EQ(levelAt(kLevelScale12, 10), 100);
    EXPECT_EQ(levelAt(kLevelScale12, 11), 150);
    EXPECT_EQ(levelAt(kLevelScale12, 100), 8191);
    EXPECT_EQ(levelAt(kLevelScale12, 101), 16383);
    EXPECT_EQ(levelAt(kLevelScale14, 10), 400);
    EXPECT_EQ(levelAt(kLevelScale14, 35), 3000);
    EXPECT_EQ(levelAt(kLevelScale14, 100), 32767);
    EXPECT_EQ(levelAt(kLevelScale16, 16), 600);
    EXPECT_EQ(levelAt(kLevelScale16, 17), 700);
    EXPECT_EQ(levelAt(kLevelScale16, 100), 65535);
    EXPECT_EQ(levelAt(kLevelScale16, 101), 131071);
    // Positions outside the slider are held at its ends.
    EXPECT_EQ(levelAt(kLevelScale12, -5), 0);
    EXPECT_EQ(levelAt(kLevelScale12, 500), 16383);
}

TEST(LevelScale, TheImagesLevelsChooseTheScale) {
    EXPECT_EQ(&chooseLevelScale(4095, 0), &kLevelScale12);
    EXPECT_EQ(&chooseLevelScale(4096, 15000), &kLevelScale14);
    EXPECT_EQ(&chooseLevelScale(16384, 0), &kLevelScale16);
    EXPECT_EQ(&chooseLevelScale(65536, 4000), &kLevelScale12);
    EXPECT_EQ(&chooseLevelScale(4096, 0), &kLevelScale14);
    EXPECT_EQ(&chooseLevelScale(65536, 16383), &kLevelScale14);
}

} // namespace
} // namespace korvane
