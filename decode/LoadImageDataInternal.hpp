#pragma once
// The parts of the image data loader: reading the strip and tile layout, and the table of
// decoders by compression value.
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "common/WorkerPool.hpp"
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
    // Where strips and tiles that do not depend on each other are decoded.
    WorkerPool& pool = WorkerPool::serial();

    SampleTarget target(std::uint32_t width, std::uint32_t rows, std::uint32_t rowStart,
                        std::uint32_t columnStart) const {
        return {image.samples, image.imageWidth, image.imageLength, width,
                rows,          rowStart,         columnStart};
    }
};

// The values of a SHORT or LONG entry as 32-bit values (other types are read as LONG): from
// the entry or its node's value block, else read from the file at its offset. Messages
// AllocationFailed (with `what`), ProcessingFailed "file shorter than expected", and with
// `positioningMessage` a PositionFailed after a failed positioning.
[[nodiscard]] Status readEntryValues(LoadJob& job, const IfdEntry& entry,
                                     std::vector<std::uint32_t>& values, const char* what,
                                     bool positioningMessage = false);

// One strip or tile for a decoder; its messages go to `reporter`, which is the job's own
// unless the strip is decoded beside others.
struct StripCall {
    LoadJob& job;
    Reporter& reporter;
    std::uint32_t offset;
    std::uint32_t byteCount;
    SampleTarget target;
};
using StripDecoder = Status (*)(const StripCall& call, ByteSource& source);

// A compression value and what decodes it; a null decoder is a coding not built yet.
struct Coding {
    std::uint32_t compression;
    StripDecoder decode;
    std::string_view name; // for MessageId::NotImplemented while the decoder is missing
    // The decoder reads nothing but its strip and writes nothing outside the strip's rows and
    // columns, so that strips can be decoded at the same time.
    bool independent = false;
    // Bytes of each row where every row is coded alone in a fixed number of bytes, so that a
    // strip's runs of rows decode at the same time, each as a strip of its own; 0 otherwise.
    std::uint32_t (*rowBytes)(const SampleTarget& strip) = nullptr;
};
// The compression value of packed 12-bit data.
inline constexpr std::uint32_t kPackedCompression = 65537;

// The coding of strips of a compression value, or null for an unknown value.
const Coding* findStripCoding(std::uint32_t compression);
// Runs the coding's decoder on the strip or tile; a missing decoder is MessageId::NotImplemented.
[[nodiscard]] Status decodeWith(const Coding& coding, const StripCall& call, ByteSource& source);

// One strip, tile or run of rows of a strip: its bytes in the file and where its samples go.
struct Piece {
    std::uint32_t offset = 0;
    std::uint32_t byteCount = 0;
    SampleTarget target;
    // A later run of rows of a strip whose position was checked with its first run: a start
    // past the end of the file gives no bytes rather than a message.
    bool quiet = false;
    // The elements of the sample buffer the piece may write: rows of a buffer `pitch`
    // elements wide, from `column` on.
    std::uint64_t pitch = 0;
    std::uint32_t column = 0;
    std::uint32_t columns = 0;
};
using PieceDecoder = std::function<Status(const Piece&, ByteSource&, Reporter&)>;

// Decodes the pieces, each from a source of its own bytes, on the job's pool when
// `together` and one after the other otherwise, with the same outcome either way: the
// messages of each piece in piece order up to the first failing one, which ends the load;
// the samples of the pieces after it stay zero.
[[nodiscard]] Status decodePieces(LoadJob& job, std::span<const Piece> pieces,
                                  const PieceDecoder& decode, bool together);

[[nodiscard]] Status loadStrips(LoadJob& job);
[[nodiscard]] Status loadTiles(LoadJob& job);

} // namespace korvane::loader
