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
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "decode/NikonDecoder.hpp"
#include "fuzz/FuzzCheck.hpp"

namespace {

using namespace korvane;

constexpr std::size_t kHeaderBytes = 9;
constexpr std::array<std::uint16_t, 4> kKinds = {nikon_kind::kLossyType1, nikon_kind::kLossless,
                                                 nikon_kind::kLossyType2, 2};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto byte = [&](std::size_t at) -> std::uint32_t { return at < size ? data[at] : 0; };
    const std::uint32_t width = byte(0) + 1, rows = byte(1) + 1;
    const std::uint32_t imageWidth = byte(2) + 1, imageHeight = byte(3) + 1;
    const std::uint32_t rowStart = byte(4), columnStart = byte(5);
    const std::uint32_t flags = byte(6);
    const std::size_t infoStart = std::min(size, kHeaderBytes);
    const std::size_t infoLength = std::min<std::size_t>(byte(7) | byte(8) << 8, size - infoStart);
    const std::size_t streamStart = infoStart + infoLength;

    NikonCompression c;
    c.kind = kKinds[flags & 3];
    c.bitsPerSample = (flags & 4) != 0 ? 14 : 12;
    c.bigEndian = (flags & 16) != 0;
    c.hasInfo = (flags & 32) == 0;
    c.info = {data + infoStart, infoLength};

    // Exactly the image's size, so that the address sanitizer sees any write past it.
    std::vector<std::uint16_t> image(std::size_t{imageWidth} * imageHeight, fuzz::kSentinel);
    const SampleTarget target{image, imageWidth, imageHeight, width, rows, rowStart, columnStart};
    MemoryByteSource source({data + streamStart, size - streamStart});
    RecordingReporter reporter;
    const Status status = DecodeNikon(source, static_cast<std::uint32_t>(size - streamStart),
                                      target, c, (flags & 8) != 0, reporter, "fuzz.nef");
    fuzz::checkStatus(status, reporter);
    fuzz::checkOutsideTarget(image, target);
    return 0;
}
