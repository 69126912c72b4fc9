#pragma once
#include <cstdint>

namespace korvane {

// What the picture panel shows: nothing yet, the image (in one of its sub-modes), the
// exposure marks, or the histograms.
enum class DisplayMode : std::uint8_t { None = 0, Image = 1, Exposure = 2, Histogram = 3 };
enum class ImageSubMode : std::uint8_t { Composite = 0, Greyscale = 1, Channel = 2 };

// The colours of the CFA and the four channels of the levels. Both greens are one colour;
// the first green is the green of a cell's first row.
enum class CfaColour : std::uint8_t { Red = 0, Green = 1, Blue = 2 };
inline constexpr int kChannelRed = 0, kChannelGreen1 = 1, kChannelBlue = 2, kChannelGreen2 = 3;

} // namespace korvane
