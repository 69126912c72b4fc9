#pragma once
#include <optional>
#include <string>

#include "common/IfdNode.hpp"

namespace korvane::cli {

// The forms `dump` writes, chosen by the output's extension.
enum class DumpFormat { Pgm, Tiff };

// .pgm, or .tiff and .tif, in any case; nullopt for anything else.
std::optional<DumpFormat> dumpFormatFor(const std::string& path);

// Writes `area` of the image's sample buffer to `path` as an uncompressed 16-bit greyscale
// TIFF (one sample a pixel, black is 0), through libtiff. False when it cannot; a partly
// written file is removed.
[[nodiscard]] bool writeTiff(const std::string& path, const ImageDescriptor& image,
                             const SampleRect& area);

} // namespace korvane::cli
