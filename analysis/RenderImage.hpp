#pragma once
#include "analysis/RenderSettings.hpp"
#include "common/IfdNode.hpp"
#include "common/Reporter.hpp"
#include "platform/Surface.hpp"

namespace korvane {

// Draws the picture panel: lays out the viewport, paints every visible sample of the image
// in the display mode of `settings` into `picture` (resized to the panel, margins white),
// gathers the statistics of the selection, frames it, and writes the texts. Writes into the
// image what it keeps between drawings: the black and white point, the scroll state and
// ViewportState, the mapping arrays, the exposure counts (countsPending), the selection in
// image coordinates and selectionWb. The dialog applies the outcome to its controls.
[[nodiscard]] RenderOutcome RenderImage(ImageDescriptor& image, const RenderSettings& settings,
                                        platform::Surface& picture, Reporter& reporter);

} // namespace korvane
