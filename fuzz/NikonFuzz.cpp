// Fuzz target for the Nikon decoder on its own: the strip's place, the compression kind and
// the CompressionInfo bytes come from the input, the coded rows after them. The checks are the
// decoder's own bounds (and the sanitizers), that a failure said why, and that no sample
// outside the strip's rectangle changes.
//
// Input layout (bytes beyond the input read as 0):
//   0, 1   strip width - 1, rows - 1 (1 to 256)
//   2, 3   image width - 1, image height - 1 (1 to 256)
//   4, 5   row start, column start (0 to 255)
//   6      bits 0-1: kind 1, 3, 4 or 2; bit 2: 14 bits, else 12; bit 3: dither;
//          bit 4: the structure is big-endian; bit 5: there is no CompressionInfo entry
//   7, 8   length of the CompressionInfo bytes (little-endian), cut to what the input holds
//   then   the CompressionInfo bytes, then the coded rows
#include <algorithm>
#include <array>

#include "decode/NikonDecoder.hpp"
#include "fuzz/VendorFuzz.hpp"

namespace {

using namespace korvane;

constexpr std::size_t kHeaderBytes = 9;
constexpr std::array<std::uint16_t, 4> kKinds = {nikon_kind::kLossyType1, nikon_kind::kLossless,
                                                 nikon_kind::kLossyType2, 2};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::FuzzInput in(data, size);
    SampleTarget target;
    fuzz::SampleImage image = fuzz::placeStrip(in, 0, 2, 4, target);
    target.samples = image;
    const std::uint32_t flags = in.byte(6);
    const std::span<const std::uint8_t> rest = in.from(kHeaderBytes);
    const std::span<const std::uint8_t> info =
        rest.first(std::min<std::size_t>(in.word(7), rest.size()));

    NikonCompression c;
    c.kind = kKinds[flags & 3];
    c.bitsPerSample = (flags & 4) != 0 ? 14 : 12;
    c.bigEndian = (flags & 16) != 0;
    c.hasInfo = (flags & 32) == 0;
    c.info = info;

    fuzz::decodeAndCheck(rest.subspan(info.size()), image, target,
                         [&](ByteSource& source, std::uint32_t byteCount, Reporter& reporter) {
                             return DecodeNikon(source, byteCount, target, c, (flags & 8) != 0,
                                                reporter, "fuzz.nef");
                         });
    return 0;
}
