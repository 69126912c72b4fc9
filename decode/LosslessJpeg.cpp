#include "decode/LosslessJpeg.hpp"

#include <string>

#include "decode/LosslessJpegParts.hpp"

namespace korvane {

namespace {

// The strip has samples and the image fits the buffer it is written to.
bool targetFits(const LosslessJpegTarget& target) {
    return target.width > 0 && target.rows > 0 &&
           std::uint64_t{target.imageWidth} * target.imageHeight <= target.image.size();
}

} // namespace

Status DecodeLosslessJpeg(ByteSource& source, std::uint32_t byteCount,
                          const LosslessJpegTarget& target, Reporter& reporter,
                          std::string_view path) {
    if (!targetFits(target)) {
        reporter.ShowMessage(MessageId::InternalError,
                             "lossless JPEG strip without samples or buffer");
        return kFailed;
    }
    ljpeg::SamplePlacer placer;
    if (!placer.plan(target)) {
        reporter.ShowMessage(MessageId::InconsistentSpecification, std::string(path),
                             "slice widths");
        return kFailed;
    }
    ByteInput input(source, byteCount);
    const ljpeg::HeaderLimits limits{target.width, target.rows, target.bitsPerSample,
                                     target.variant, target.hasselblad};
    ljpeg::Headers headers;
    if (failed(ljpeg::ReadHeaders(input, limits, headers, reporter, path))) return kFailed;
    const bool stuffing = target.variant != ljpeg_variant::kHasselblad;
    if (headers.frame.coding == ljpeg::Coding::Dct)
        return ljpeg::DecodeDctScan(input, headers, stuffing, placer, reporter, path);
    return ljpeg::DecodeScan(input, headers, stuffing, placer, reporter, path);
}

} // namespace korvane
