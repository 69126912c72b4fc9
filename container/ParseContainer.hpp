#pragma once
#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "common/KeyState.hpp"

namespace korvane {

// Reads the file's TIFF structure, identifies the camera and chooses and describes the main
// image. The file is open; all reading goes through FileAccess.
[[nodiscard]] Status ParseContainer(RawFileContext& context, Reporter& reporter,
                                    const KeyState& keys);

} // namespace korvane
