#pragma once
#include "common/KeyState.hpp"
#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// Reads the main image's strips or tiles into its sample buffer (imageWidth x imageLength x
// samplesPerPixel values, row after row, right-aligned as stored), through the decoder its
// compression names; then applies the DecodingVariant shift and the LinearizationTable,
// measures the black level of the masked areas and, when the held keys ask for it, runs the
// bit manipulation pass. Keys held: Ctrl+Shift+D dithers the linearisation; Ctrl with Shift
// or Alt and a digit asks for bit manipulation. Every failure has shown its message.
[[nodiscard]] Status LoadImageData(RawFileContext& context, Reporter& reporter,
                                   const KeyState& keys);
// Frees the strip and tile offset tables once the image is loaded.
void ReleaseOffsetTables(RawFileContext& context);

} // namespace korvane
