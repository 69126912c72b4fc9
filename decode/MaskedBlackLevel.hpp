#pragma once
#include "common/IfdNode.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// Measures the black level in the image's masked areas (top, left, bottom, right): a black
// value and a noise weighting per active column (from the top and bottom areas) and per
// active row (from the left and right areas), a mean per CFA position, and the black offsets.
// Only samples inside the image's black sample range count. Contradicting or misplaced areas
// give MessageId::InvalidCameraDescription; failed allocations MessageId::AllocationFailed.
[[nodiscard]] Status MeasureMaskedBlackLevel(ImageDescriptor& image, Reporter& reporter);

// Derives the black level minimum, maximum and average from the CFA black array (which
// collapses into the single black level when all its entries are equal), or from the single
// black level and the black offsets.
void SummariseBlackLevel(ImageDescriptor& image);

} // namespace korvane
