#pragma once
#include <array>
#include <cstdint>

namespace korvane {

// The raw levels of the black and white point sliders: one level for each position 0 to 101.
inline constexpr int kLevelPositions = 102;
using LevelScale = std::array<std::int32_t, kLevelPositions>;

extern const LevelScale kLevelScale12;
extern const LevelScale kLevelScale14;
extern const LevelScale kLevelScale16;

// The first position whose level is not below `level`; the last position for a level above
// every entry.
[[nodiscard]] int levelPosition(const LevelScale& scale, std::int32_t level);
[[nodiscard]] std::int32_t levelAt(const LevelScale& scale, int position);

// The scale for an image's levels: 12-bit if the maximum value is below 4096 or a non-zero
// white level is; else 14-bit likewise below 16384; else 16-bit.
[[nodiscard]] const LevelScale& chooseLevelScale(std::int32_t maximumValue,
                                                 std::int32_t whiteLevel);

} // namespace korvane
