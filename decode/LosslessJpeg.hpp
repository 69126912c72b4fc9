#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "decode/ByteSource.hpp"

namespace korvane {

// DecodingVariant values the lossless JPEG decoder acts on.
namespace ljpeg_variant {
// Canon EOS 30D, 350D, 400D, 5D, 1D Mark III: the strip holds two vertical halves, the left
// one for all rows first.
inline constexpr std::uint8_t kCanonHalves = 6;
// Later Canon cameras: the strip holds vertical slices whose widths the camera table gives.
inline constexpr std::uint8_t kCanonSlices = 7;
// Hasselblad H3D: no byte stuffing, every 0xFF is data.
inline constexpr std::uint8_t kHasselblad = 10;
} // namespace ljpeg_variant

// Where one strip or tile goes and what the camera says about its layout. Plain values: the
// loader fills them from the image descriptor and the camera description.
struct LosslessJpegTarget {
    // The sample buffer: imageWidth x imageHeight samples, row after row (pitch imageWidth).
    std::span<std::uint16_t> image;
    std::uint32_t imageWidth = 0;
    std::uint32_t imageHeight = 0;
    // The strip or tile: its size in samples and where its first sample lies in the image.
    // Only its rows and columns inside the image are written.
    std::uint32_t width = 0;
    std::uint32_t rows = 0;
    std::uint32_t rowStart = 0;
    std::uint32_t columnStart = 0;
    // The image's bits per sample: the frame's precision may not exceed it.
    std::uint8_t bitsPerSample = 16;
    std::uint8_t variant = 0;
    // The camera is a Hasselblad (vendor 29): a predictor above 7 is taken as 0.
    bool hasselblad = false;
    // Variant 7: the number of slices and the widths of all but the last, which takes the
    // rest of the strip width.
    std::uint8_t sliceCount = 0;
    std::array<std::uint16_t, 4> sliceWidths{};
};

// Decodes the lossless JPEG stream (T.81 process 14, SOF3, Huffman coded) of one strip or
// tile, `byteCount` bytes from `source`, into target.image. Returns 0 on success, also after
// "Premature End Of Image" (the samples before it are stored, the rest stays as it was), or
// -1 after a message: JpegDataError for faults of the stream, ProcessingFailed (with `path`)
// when the source ends early, InconsistentSpecification for slice widths that do not fit the
// strip. Samples decoded before a failure stay.
[[nodiscard]] Status DecodeLosslessJpeg(ByteSource& source, std::uint32_t byteCount,
                                        const LosslessJpegTarget& target, Reporter& reporter,
                                        std::string_view path);

} // namespace korvane
