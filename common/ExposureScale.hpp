#pragma once
#include <array>
#include <string>

namespace korvane {

// The exposure slider: positions 0 to 96 stand for -8 to +8 EV in sixths of a stop; 48 is
// 0 EV.
inline constexpr int kExposurePositions = 97;
inline constexpr int kExposureZero = 48;

// The factor of position p: 2 to the power (p - 48) / 6.
[[nodiscard]] double exposureFactor(int position);
// The label of position p: "-8", "-7 5/6", ..., "-1/6", "0", "+1/6", ..., "+8".
[[nodiscard]] std::string exposureLabel(int position);

} // namespace korvane
