#pragma once
#include <string>
#include <string_view>

#include "analysis/NoiseParameters.hpp"

namespace korvane::cli {

// Noise parameters from a JSON object whose keys are the NoiseParameters fields: the masks
// (their channel bits only), "valid" and the Enable flags (0, 1, false or true), the
// per-channel fields as arrays of four in the order red, green 1, blue, green 2, and the two
// Masked weights. A field that is not given keeps its default, except "valid", which is 1
// unless the object says otherwise: the parameters are meant to apply. An unknown field, a
// value of the wrong type or outside the limits the noise dialog keeps to is refused, with
// `error` naming it.
[[nodiscard]] bool parseNoiseJson(std::string_view text, NoiseParameters& parameters,
                                  std::string& error);

// The same from a file; `error` also says when the file cannot be read.
[[nodiscard]] bool readNoiseJson(const std::string& path, NoiseParameters& parameters,
                                 std::string& error);

} // namespace korvane::cli
