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
#include <array>

#include "decode/LosslessJpeg.hpp"
#include "fuzz/VendorFuzz.hpp"

namespace {

using namespace korvane;

constexpr std::size_t kHeaderBytes = 13;
constexpr std::array<std::uint8_t, 4> kVariants = {
    0, ljpeg_variant::kCanonHalves, ljpeg_variant::kCanonSlices, ljpeg_variant::kHasselblad};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::FuzzInput in(data, size);
    LosslessJpegTarget target;
    fuzz::SampleImage image = fuzz::placeStrip(in, 0, 4, 6, target);
    target.image = image;
    target.variant = kVariants[in.byte(2) & 3];
    target.hasselblad = (in.byte(2) & 4) != 0;
    target.bitsPerSample = static_cast<std::uint8_t>(in.byte(3) % 17);
    target.sliceCount = static_cast<std::uint8_t>(in.byte(8) % 6);
    for (std::size_t i = 0; i < 4; ++i)
        target.sliceWidths[i] = static_cast<std::uint16_t>(in.byte(9 + i));

    fuzz::decodeAndCheck(in.from(kHeaderBytes), image, target,
                         [&](ByteSource& source, std::uint32_t byteCount, Reporter& reporter) {
                             return DecodeLosslessJpeg(source, byteCount, target, reporter,
                                                       "fuzz.raw");
                         });
    return 0;
}
