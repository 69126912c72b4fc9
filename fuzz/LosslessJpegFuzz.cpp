// Fuzz target for the lossless JPEG decoder on its own: the strip's place and the camera's
// layout come from the input, the stream after them. The checks are the decoder's own bounds
// (and the sanitizers), that a failure said why, and that no sample outside the strip's
// rectangle changes.
//
// Input layout (bytes beyond the input read as 0):
//   0, 1   strip width - 1, rows - 1 (1 to 256)
//   2      bits 0-1: variant 0, 6, 7 or 10; bit 2: Hasselblad
//   3      bits per sample % 17
//   4, 5   image width - 1, image height - 1 (1 to 256)
//   6, 7   row start, column start (0 to 255)
//   8      slice count % 6     9-12  the given slice widths, 4 x one byte
//   then   the stream
#include "fuzz/FuzzCheck.hpp"
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "decode/LosslessJpeg.hpp"

namespace {

using namespace korvane;

constexpr std::size_t kHeaderBytes = 13;
constexpr std::array<std::uint8_t, 4> kVariants = {
    0, ljpeg_variant::kCanonHalves, ljpeg_variant::kCanonSlices, ljpeg_variant::kHasselblad};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto byte = [&](std::size_t at) -> std::uint32_t { return at < size ? data[at] : 0; };
    LosslessJpegTarget target;
    target.width = byte(0) + 1;
    target.rows = byte(1) + 1;
    target.variant = kVariants[byte(2) & 3];
    target.hasselblad = (byte(2) & 4) != 0;
    target.bitsPerSample = static_cast<std::uint8_t>(byte(3) % 17);
    target.imageWidth = byte(4) + 1;
    target.imageHeight = byte(5) + 1;
    target.rowStart = byte(6);
    target.columnStart = byte(7);
    target.sliceCount = static_cast<std::uint8_t>(byte(8) % 6);
    for (std::size_t i = 0; i < 4; ++i)
        target.sliceWidths[i] = static_cast<std::uint16_t>(byte(9 + i));

    // Exactly the image's size, so that the address sanitizer sees any write past it.
    std::vector<std::uint16_t> image(std::size_t{target.imageWidth} * target.imageHeight,
                                     fuzz::kSentinel);
    target.image = image;
    const std::size_t streamStart = std::min(size, kHeaderBytes);
    MemoryByteSource source({data + streamStart, size - streamStart});
    RecordingReporter reporter;
    const Status status = DecodeLosslessJpeg(source, static_cast<std::uint32_t>(size - streamStart),
                                             target, reporter, "fuzz.raw");
    fuzz::checkStatus(status, reporter);
    fuzz::checkOutsideTarget(image, target);
    return 0;
}
