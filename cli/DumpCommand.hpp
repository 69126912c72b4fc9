#pragma once
#include <iosfwd>

#include "cli/CommandLine.hpp"
#include "common/IfdNode.hpp"

namespace korvane::cli {

// Writes `area` of the image's sample buffer as a 16-bit binary PGM (P5, maxval 65535,
// samples big-endian), a row at a time. False when the stream fails.
[[nodiscard]] bool writePgm(std::ostream& out, const ImageDescriptor& image,
                            const SampleRect& area);

// korvane-cli dump FILE -o OUT.pgm|OUT.tiff [--active]: the decoded samples, all of them or
// the active area. Exit status 0, or 2 after a message.
CommandRun declareDump(CLI::App& command);

} // namespace korvane::cli
