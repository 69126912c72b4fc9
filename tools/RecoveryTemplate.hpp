#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

// One bit per neighbour of a template sample that is itself unclipped. The orthogonal
// neighbours have the high nibble, the diagonal ones the low nibble.
namespace neighbour_flags {
inline constexpr std::uint8_t kNorth = 0x80; // the row above
inline constexpr std::uint8_t kSouth = 0x40;
inline constexpr std::uint8_t kWest = 0x20; // the column to the left
inline constexpr std::uint8_t kEast = 0x10;
inline constexpr std::uint8_t kNorthWest = 0x08;
inline constexpr std::uint8_t kSouthWest = 0x04;
inline constexpr std::uint8_t kNorthEast = 0x02;
inline constexpr std::uint8_t kSouthEast = 0x01;
inline constexpr std::uint8_t kOrthogonal = 0xF0;
inline constexpr std::uint8_t kDiagonal = 0x0F;
} // namespace neighbour_flags

// An unclipped sample and its eight neighbours, each as (value - black) / clip of its own
// pattern position; a clipped neighbour has the ratio 0 and no flag.
struct TemplateSample {
    std::uint8_t neighbourFlags = 0;
    float centre = 0;
    float north = 0;
    float south = 0;
    float west = 0;
    float east = 0;
    float northWest = 0;
    float southWest = 0;
    float northEast = 0;
    float southEast = 0;
    friend bool operator==(const TemplateSample&, const TemplateSample&) = default;
};

// Neighbour classes 0 (one unclipped neighbour) to 4 (all eight), and the four positions of a
// 2 x 2 pattern (pattern row x 2 + pattern column).
inline constexpr int kNeighbourClassCount = 5;
inline constexpr int kPatternPositionCount = 4;
// The main dialog keeps ten slots; Alt+F1 fills the first.
inline constexpr int kTemplateSlotCount = 10;

// The class of a sample from its neighbour flags, or -1 when no neighbour is unclipped (such
// a sample is not recorded). With o unclipped orthogonal and d unclipped diagonal neighbours:
// 4 when o = 4 and d = 4; 3 when o = 4 and d < 4; 2 when o is 2 or 3 and d >= 1; 0 when
// o + d = 1; 1 otherwise.
[[nodiscard]] int neighbourClass(std::uint8_t neighbourFlags);

// One template slot. `lists[c][p]` holds the samples of class c at pattern position p in the
// order they were scanned (rows top to bottom, columns left to right), and `counts[c][p]` is
// its length. An empty slot is inactive with every list empty.
struct RecoveryTemplate {
    bool active = false;
    std::array<std::array<std::int32_t, kPatternPositionCount>, kNeighbourClassCount> counts{};
    std::array<std::array<std::vector<TemplateSample>, kPatternPositionCount>, kNeighbourClassCount>
        lists;
    friend bool operator==(const RecoveryTemplate&, const RecoveryTemplate&) = default;
};

using RecoveryTemplateSlots = std::array<RecoveryTemplate, kTemplateSlotCount>;

// The counts of a slot as text, for the script verb `template N`: one line per class and
// pattern position, class 0 to 4 and within a class position 0 to 3 (20 lines, zero counts
// included), each
//     "class C position P: N"
// with C, P and N in decimal and no padding, e.g. "class 2 position 1: 37". The position is
// pattern row x 2 + pattern column, counted from the top-left corner of the active area in
// the stored orientation. An inactive slot gives no lines (the caller may report
// MessageId::NoRecoveryTemplate).
[[nodiscard]] std::vector<std::string> templateCountLines(const RecoveryTemplate& slot);

} // namespace korvane
