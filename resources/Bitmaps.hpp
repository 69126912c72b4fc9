#pragma once
#include "platform/Surface.hpp"

namespace korvane::resources {

// Bitmaps 150 to 157: arrows for the orientation buttons. 150 to 153 point up (normal), down
// (turned 180 degrees), left (turned left) and right (turned right); 154 to 157 are the same
// arrows in the highlight colour. An unknown id gives an empty picture.
platform::Surface loadBitmap(int id);

// Icon 128, the program icon, at the given edge length in pixels.
platform::Surface loadIcon(int size);

} // namespace korvane::resources
