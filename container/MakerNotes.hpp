#pragma once
#include "common/RawFileContext.hpp"
#include "container/FileAccess.hpp"

namespace korvane {

// Reads the maker note of an identified camera into the context's maker note tree: Canon
// (also inside DNG private data), Nikon (both layouts), Sony, Olympus (both forms with their
// sub-directories), Pentax and Kodak. Problems are reported and parsing goes on without it.
void readMakerNote(FileAccess& file, RawFileContext& context);

} // namespace korvane
