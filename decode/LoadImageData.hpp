#pragma once
#include "common/KeyState.hpp"
#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// Reads the main image's strips or tiles into its sample buffer.
[[nodiscard]] Status LoadImageData(RawFileContext& context, Reporter& reporter,
                                   const KeyState& keys);
// Frees the strip and tile offset tables once the image is loaded.
void ReleaseOffsetTables(RawFileContext& context);

} // namespace korvane
