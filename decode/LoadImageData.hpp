#pragma once
#include "common/KeyState.hpp"
#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "common/WorkerPool.hpp"

namespace korvane {

// Reads the main image's strips or tiles into its sample buffer (imageWidth x imageLength x
// samplesPerPixel values, row after row, right-aligned as stored), through the decoder its
// compression names; then applies the DecodingVariant shift and the LinearizationTable,
// measures the black level of the masked areas and, when the held keys ask for it, runs the
// bit manipulation pass. Keys held: Ctrl+Shift+D dithers the linearisation; Ctrl with Shift
// or Alt and a digit asks for bit manipulation. Every failure has shown its message.
// Strips and tiles that do not depend on each other are decoded on the shared worker pool.
[[nodiscard]] Status LoadImageData(RawFileContext& context, Reporter& reporter,
                                   const KeyState& keys);
// The same on `pool`; WorkerPool::serial() decodes one strip or tile after the other, with
// the same samples and messages.
[[nodiscard]] Status LoadImageData(RawFileContext& context, Reporter& reporter,
                                   const KeyState& keys, WorkerPool& pool);
// Frees the strip and tile offset tables once the image is loaded.
void ReleaseOffsetTables(RawFileContext& context);

} // namespace korvane
