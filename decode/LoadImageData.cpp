#include "decode/LoadImageData.hpp"

namespace korvane {

Status LoadImageData(RawFileContext& context, Reporter& reporter, const KeyState& keys) {
    (void)keys;
    // No decoder is part of this build yet.
    reporter.ShowMessage(24, "image data decoding");
    (void)context;
    return kFailed;
}

void ReleaseOffsetTables(RawFileContext& context) { (void)context; }

} // namespace korvane
