#pragma once
#include <cstddef>
#include <span>

#include "common/CameraDescription.hpp"

namespace korvane {

// The built-in camera table: one or more rows per supported camera, in the order in which
// IdentifyCamera tries them, and the default row last. Rows of one camera that share make
// and model differ in the files they accept (DNG or not, bit depth, compression, frame size);
// the first row that accepts a file describes it.
//
// Geometry is in samples of the frame the decoder produces, origin at its top-left. The CFA
// pattern is the one at the active area's top-left, which is also the pattern at the frame's
// top-left: every row keeps its active area on even rows and columns, so the two agree.

// Rows in the table before the default row.
inline constexpr std::size_t kListedCameraRows = 137;

// Every row, the default row last.
std::span<const CameraDescription> cameraTable();

// The row of a file no row describes: a DNG file without a row keeps its own description.
const CameraDescription& defaultCameraDescription();

// The row that a one-tile lossless image without usable make and model is given.
const CameraDescription& unidentifiedTiledCamera();

} // namespace korvane
