#include "tools/RecoveryTemplate.hpp"

#include <gtest/gtest.h>

namespace korvane {
namespace {

using namespace neighbour_flags;

// The class table, with its boundaries: o unclipped orthogonal and d unclipped diagonal
// neighbours.
TEST(NeighbourClass, FollowsTheClassTable) {
    struct Case {
        std::uint8_t flags;
        int expected;
    };
    const Case cases[] = {
        {0x00, -1}, // no unclipped neighbour: not recorded
        {0xFF, 4},  // o 4, d 4
        {0xF0, 3},
        {0xF7, 3},                          // o 4, d 0 and 3
        {kNorth | kSouth | kNorthEast, 2},  // o 2, d 1
        {kNorth | kWest | kEast | 0x0F, 2}, // o 3, d 4
        {kNorth | kSouth, 1},
        {kNorth | kWest | kEast, 1}, // o 2 or 3 without a diagonal
        {kEast | kSouthEast, 1},
        {kNorthWest | kSouthEast, 1},
        {0x0F, 1}, // o < 2, o + d >= 2
        {kEast, 0},
        {kSouthWest, 0}, // o + d = 1
    };
    for (const Case& c : cases)
        EXPECT_EQ(neighbourClass(c.flags), c.expected) << int{c.flags};
}

TEST(TemplateCountLines, AnEmptySlotHasNoLines) {
    RecoveryTemplate slot;
    slot.counts[1][1] = 5; // counts of an inactive slot are not shown
    EXPECT_TRUE(templateCountLines(slot).empty());
}

TEST(TemplateCountLines, OneLinePerClassAndPositionClassByClass) {
    RecoveryTemplate slot;
    slot.active = true;
    slot.counts[0][3] = 7;
    slot.counts[2][1] = 37;
    slot.counts[4][0] = 123456;
    const std::vector<std::string> lines = templateCountLines(slot);
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], "class 0 position 0: 0");
    EXPECT_EQ(lines[3], "class 0 position 3: 7");
    EXPECT_EQ(lines[9], "class 2 position 1: 37");
    EXPECT_EQ(lines[16], "class 4 position 0: 123456");
    EXPECT_EQ(lines[19], "class 4 position 3: 0");
}

} // namespace
} // namespace korvane
