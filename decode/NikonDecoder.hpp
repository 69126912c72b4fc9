#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "decode/ByteSource.hpp"
#include "decode/SampleTarget.hpp"

namespace korvane {

// Nikon's own compression values (maker note tag 147) that reach the decoder.
namespace nikon_kind {
inline constexpr std::uint16_t kLossyType1 = 1; // curve applied as stored
inline constexpr std::uint16_t kLossless = 3;
inline constexpr std::uint16_t kLossyType2 = 4; // curve interpolated between its points
} // namespace nikon_kind

// What the maker note says about the coding of a compressed NEF strip: its compression kind
// and the bytes of its CompressionInfo entry (tag 150). Plain values, which the loader fills
// from the image description.
struct NikonCompression {
    std::uint16_t kind = 0;
    // False when the maker note has no CompressionInfo entry.
    bool hasInfo = false;
    // The entry's bytes; an entry longer than kMaxCompressionInfoBytes may be cut there, since
    // nothing past that is looked at.
    std::span<const std::uint8_t> info;
    bool bigEndian = false; // byte order of the 16-bit values in `info`
    // 12, or anything else for 14-bit data.
    std::uint8_t bitsPerSample = 12;
};

// The furthest a CompressionInfo structure is read: the very noisy indicator, behind at most
// 4096 curve points and a skip count of up to 0xFFFF bytes.
inline constexpr std::uint32_t kMaxCompressionInfoBytes = 16 + 2 * 4096 + 0xFFFF + 2;

// Decodes one strip of Nikon compressed raw data (compression 34713), `byteCount` bytes from
// `source`: Huffman-coded differences from the samples two columns to the left, and at the
// start of a row from the first two samples two rows up. Lossy kinds then map the strip's
// samples through the CompressionInfo curve, with `dither` spreading each raw value over the
// gap to the next curve value.
//
// Fails after a message: InconsistentSpecification (with `path`) for a CompressionInfo
// structure that does not fit the compression kind, NotImplemented for the very noisy lossy
// kind, JpegDataError for a code not in the table, ProcessingFailed (with `path`) when the
// source ends before the byte count, AllocationFailed when the curve cannot be allocated. A
// strip whose byte count runs out shows MessageId::JpegDataError "tile/strip data incomplete"
// and keeps what it decoded: the load goes on with the rest of the strip as it was.
[[nodiscard]] Status DecodeNikon(ByteSource& source, std::uint32_t byteCount,
                                 const SampleTarget& target, const NikonCompression& info,
                                 bool dither, Reporter& reporter, std::string_view path);

} // namespace korvane
