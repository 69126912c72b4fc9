#pragma once
#include <string>

#include "common/RawFileContext.hpp"

namespace korvane {

// The two-line summary of the camera and the exposure: name, date and size on the first
// line; ISO, aperture, exposure time, correction, focal length and white balance on the
// second.
[[nodiscard]] std::string composeShotInfo(const RawFileContext& context);

// The exposure time n/d as the summary writes it (without the "s").
[[nodiscard]] std::string exposureTimeText(std::int64_t numerator, std::int64_t denominator);
// The exposure correction of a baseline exposure in EV, or "" when it is too small to show.
[[nodiscard]] std::string correctionText(double ev);

} // namespace korvane
