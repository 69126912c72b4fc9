#pragma once
// The parts of the image data loader: reading the strip and tile layout, and the table of
// decoders by compression value.
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "container/FileAccess.hpp"
#include "decode/ByteSource.hpp"
#include "decode/SampleTarget.hpp"

namespace korvane::loader {

// One load in progress.
struct LoadJob {
    RawFileContext& context;
    ImageDescriptor& image;
    FileAccess& file;
    Reporter& reporter;
    bool dither = false; // Ctrl+Shift+D: dithered linearisation (and decoders that dither)

    SampleTarget target(std::uint32_t width, std::uint32_t rows, std::uint32_t rowStart,
                        std::uint32_t columnStart) const {
        return {image.samples, image.imageWidth, image.imageLength, width,
                rows,          rowStart,         columnStart};
    }
};

// The values of a SHORT or LONG entry as 32-bit values (other types are read as LONG): from
// the entry or its node's value block, else read from the file at its offset. Messages 11
// (with `what`), 8 "file shorter than expected", and with `positioningMessage` a message 7
// after a failed positioning.
[[nodiscard]] Status readEntryValues(LoadJob& job, const IfdEntry& entry,
                                     std::vector<std::uint32_t>& values, const char* what,
                                     bool positioningMessage = false);

// One strip or tile for a decoder.
struct StripCall {
    LoadJob& job;
    std::uint32_t offset;
    std::uint32_t byteCount;
    SampleTarget target;
};
using StripDecoder = Status (*)(const StripCall& call, ByteSource& source);

// A compression value and what decodes it; a null decoder is a coding not built yet.
struct Coding {
    std::uint32_t compression;
    StripDecoder decode;
    std::string_view name; // for message 24 while the decoder is missing
};
// The compression value of packed 12-bit data.
inline constexpr std::uint32_t kPackedCompression = 65537;

// The coding of strips of a compression value, or null for an unknown value.
const Coding* findStripCoding(std::uint32_t compression);
// Runs the coding's decoder on the strip or tile; a missing decoder is message 24.
[[nodiscard]] Status decodeWith(const Coding& coding, const StripCall& call);

[[nodiscard]] Status loadStrips(LoadJob& job);
[[nodiscard]] Status loadTiles(LoadJob& job);

} // namespace korvane::loader
