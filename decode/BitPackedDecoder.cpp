#include "decode/BitPackedDecoder.hpp"

#include <string>
#include <vector>

#include "decode/BitReader.hpp"

namespace korvane {

namespace {

// Unpacks one row: whole bytes enter at the bottom of the accumulator and samples leave
// from its top, so at most bits + 7 bits are ever held.
bool unpackRow(ByteInput& in, std::uint16_t* row, std::uint32_t width, std::uint32_t bits) {
    const std::uint32_t mask = (1u << bits) - 1;
    std::uint32_t held = 0, count = 0;
    for (std::uint32_t x = 0; x < width; ++x) {
        while (count < bits) {
            std::uint8_t byte;
            if (!in.next(byte)) return false;
            held = held << 8 | byte;
            count += 8;
        }
        count -= bits;
        row[x] = static_cast<std::uint16_t>(held >> count & mask);
        held &= (1u << count) - 1; // the padding bits of a row end are dropped with it
    }
    return true;
}

// The same from the row's bytes in memory, with at least 3 bytes readable after them: each
// sample is cut from the 4 bytes from its first one.
void unpackRow(const std::uint8_t* bytes, std::uint16_t* row, std::uint32_t width,
               std::uint32_t bits) {
    const std::uint32_t mask = (1u << bits) - 1;
    std::uint64_t position = 0;
    for (std::uint32_t x = 0; x < width; ++x, position += bits) {
        const std::uint8_t* p = bytes + (position >> 3);
        const std::uint32_t word =
            std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
        // A sample of at most 14 bits from bit 0 to 7 of its first byte ends in the 4 bytes.
        row[x] = static_cast<std::uint16_t>(word >> (32 - bits - (position & 7)) & mask);
    }
}

} // namespace

Status DecodeBitPacked(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                       std::uint32_t bits, Reporter& reporter, std::string_view path) {
    if (!bitPackedSampleSize(bits) ||
        byteCount != bitPackedRowBytes(target.width, bits) * target.rows) {
        reporter.ShowMessage(MessageId::InconsistentSpecification, std::string(path),
                             "strip count");
        return kFailed;
    }
    if (!target.valid() || target.width == 0) return kOk;
    // Rows and columns beyond the image (tiles at its edges) are decoded and dropped.
    ByteInput in(source, byteCount);
    std::vector<std::uint16_t> scratch(target.width);
    for (std::uint32_t r = 0; r < target.rows; ++r) {
        const std::uint64_t row = std::uint64_t{target.rowStart} + r;
        const bool whole = row < target.imageHeight &&
                           std::uint64_t{target.columnStart} + target.width <= target.imageWidth;
        std::uint16_t* to =
            whole ? target.samples.data() + row * target.imageWidth + target.columnStart
                  : scratch.data();
        const std::uint64_t rowBytes = bitPackedRowBytes(target.width, bits);
        if (in.available() >= rowBytes + 3) {
            unpackRow(in.data(), to, target.width, bits);
            in.advance(static_cast<std::uint32_t>(rowBytes));
        } else if (!unpackRow(in, to, target.width, bits)) {
            reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path),
                                 "file shorter than expected");
            return kFailed;
        }
        if (!whole)
            for (std::uint32_t x = 0; x < target.width; ++x)
                target.put(row, std::uint64_t{target.columnStart} + x, scratch[x]);
    }
    return kOk;
}

} // namespace korvane
