#pragma once
#include <functional>
#include <string>

#include "common/KeyState.hpp"
#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// Receives the shot information line each time parsing has composed it.
using ShotInfoSink = std::function<void(const std::string&)>;

// Reads the file's TIFF structure, identifies the camera, reads its maker note, and chooses
// and describes the main image. The file is open; all reading goes through FileAccess.
// Keys held now may ask for the full-sensor view (Ctrl, Shift and W).
[[nodiscard]] Status ParseContainer(RawFileContext& context, Reporter& reporter,
                                    const KeyState& keys, const ShotInfoSink& showShotInfo);

// The exposure slider position for a baseline exposure in EV.
[[nodiscard]] int defaultExposurePosition(float baselineExposure);

} // namespace korvane
