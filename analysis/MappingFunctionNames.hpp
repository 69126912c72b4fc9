#pragma once
#include <array>
#include <string_view>

namespace korvane {

// The mapping functions the dialog offers, in the order of its list; the first is the
// default.
inline constexpr std::array<std::string_view, 15> kMappingFunctionNames = {
    "sRGB",
    "aRGB 1998",
    "Rec. 709",
    "CIE L*",
    "Standard Gamma 2.2",
    "Gamma 1.6",
    "Gamma 1.8",
    "Gamma 2.0",
    "Gamma 2.0 L=(2.5, 3.5)",
    "Gamma 2.4",
    "Gamma 2.4 L=(1.3, 6)",
    "Gamma 5",
    "Very High Contrast Highlights",
    "Linear",
    "Exponential pure",
};

} // namespace korvane
