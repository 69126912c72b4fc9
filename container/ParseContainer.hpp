#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "common/KeyState.hpp"
#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// Receives the shot information line each time parsing has composed it.
using ShotInfoSink = std::function<void(const std::string&)>;

// Reads the file's TIFF structure, identifies the camera, reads its maker note, and chooses
// and describes the main image. The file is open; all reading goes through FileAccess.
// Keys held now may ask for the full-sensor view (Ctrl, Shift and W).
[[nodiscard]] Status ParseContainer(RawFileContext& context, Reporter& reporter,
                                    const KeyState& keys, const ShotInfoSink& showShotInfo);

// The most samples a byte of compressed image data may stand for. The densest codings (a DCT
// block of 64 samples in a few bits, a Huffman code of one bit a sample) stay well below it,
// and so does every camera file the analyser has met, even with its image data cut off.
inline constexpr std::uint64_t kMaxSamplesPerCompressedByte = 1024;

// Whether the file is long enough for the samples its main image claims: uncompressed data
// need their bits per sample, compressed data one byte per kMaxSamplesPerCompressedByte
// samples. The loader refuses an image that fails it (MessageId::InconsistentSpecification) before
// it allocates the sample buffer; parsing still describes it (a file whose image data were cut
// off).
[[nodiscard]] bool fileCanHoldImage(const RawFileContext& context, const IfdNode& image);

// The white level the display takes for an image: the largest of its per-colour levels once
// the camera row (or the loader) gave them, else its own.
[[nodiscard]] std::int32_t displayedWhiteLevel(const ImageDescriptor& image);

// The exposure slider position for a baseline exposure in EV.
[[nodiscard]] int defaultExposurePosition(float baselineExposure);

} // namespace korvane
