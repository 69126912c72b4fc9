#pragma once
#include <string>

#include "platform/Surface.hpp"

namespace korvane::cli {

// Writes a picture as an 8-bit RGB PNG; false (with errno-style text in `error`) on failure.
[[nodiscard]] bool writePng(const platform::Surface& picture, const std::string& path,
                            std::string& error);

} // namespace korvane::cli
