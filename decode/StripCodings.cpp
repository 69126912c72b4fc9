// The decoders of compressed strips and tiles, by compression value.
#include <array>
#include <string>

#include "common/CameraDescription.hpp"
#include "decode/KodakDecoder.hpp"
#include "decode/LoadImageDataInternal.hpp"
#include "decode/LosslessJpeg.hpp"
#include "decode/NikonDecoderLoad.hpp"
#include "decode/OlympusDecoder.hpp"
#include "decode/PackedDecoder.hpp"
#include "decode/PentaxDecoder.hpp"
#include "decode/SonyDecoder.hpp"

namespace korvane::loader {

namespace {

Status decodePacked(const StripCall& call, ByteSource& source) {
    const ImageDescriptor& image = call.job.image;
    // Olympus' variant 9 and the files the container marks so pack low bits first.
    const bool little = call.job.context.packingKind == RawFileContext::kPackedLittleEndian ||
                        image.decodingVariant == 9;
    return DecodePacked(source, call.byteCount, call.target, image.decodingVariant,
                        little ? PackedBitOrder::LittleEndian : PackedBitOrder::BigEndian,
                        call.reporter, call.job.context.path);
}

Status decodeLosslessJpeg(const StripCall& call, ByteSource& source) {
    const ImageDescriptor& image = call.job.image;
    const SampleTarget& t = call.target;
    LosslessJpegTarget target{t.samples, t.imageWidth, t.imageHeight, t.width,
                              t.rows,    t.rowStart,   t.columnStart};
    target.bitsPerSample = image.bitsPerSample;
    target.variant = image.decodingVariant;
    if (const CameraDescription* camera = call.job.context.camera) {
        target.hasselblad = camera->vendor == vendor::kHasselblad;
        target.sliceCount = camera->sliceCount;
        target.sliceWidths = camera->sliceWidths;
    }
    return DecodeLosslessJpeg(source, call.byteCount, target, call.reporter, call.job.context.path);
}

Status decodePentax(const StripCall& call, ByteSource& source) {
    return DecodePentax(source, call.byteCount, call.target, call.reporter, call.job.context.path);
}

// The ranges of the image's tag 28688 shape the curve of Sony's values.
Status decodeSonyCraw(const StripCall& call, ByteSource& source) {
    return DecodeSonyCraw(source, call.byteCount, call.target, call.job.image.pixelValueRange1,
                          call.reporter, call.job.context.path);
}

Status decodeKodak(const StripCall& call, ByteSource& source) {
    return DecodeKodak(source, call.byteCount, call.target, call.reporter, call.job.context.path);
}

Status decodeOlympus(const StripCall& call, ByteSource& source) {
    return DecodeOlympus(source, call.byteCount, call.target, call.reporter, call.job.context.path);
}

// Sony's rows are 32-column units of 32 bytes each, and nothing carries from row to row.
std::uint32_t sonyRowBytes(const SampleTarget& strip) {
    return strip.width;
}

// Compression values 65537 to 65539 are never in a file: the camera table sets them.
constexpr std::array kStripCodings{
    Coding{6, decodeLosslessJpeg, "lossless JPEG compressed raw data", true},
    Coding{7, decodeLosslessJpeg, "lossless JPEG compressed raw data", true},
    Coding{34713, decodeNikonStrip, "Nikon compressed raw data"},
    Coding{65000, decodeKodak, "Kodak compressed raw data"},
    Coding{65535, decodePentax, "Pentax compressed raw data"},
    Coding{kPackedCompression, decodePacked, "packed 12-bit raw data", true},
    Coding{65538, decodeSonyCraw, "Sony compressed raw data", true, sonyRowBytes},
    Coding{65539, decodeOlympus, "Olympus compressed raw data"},
};

} // namespace

const Coding* findStripCoding(std::uint32_t compression) {
    for (const Coding& c : kStripCodings)
        if (c.compression == compression) return &c;
    return nullptr;
}

Status decodeWith(const Coding& coding, const StripCall& call, ByteSource& source) {
    if (coding.decode == nullptr) {
        call.reporter.ShowMessage(MessageId::NotImplemented, std::string(coding.name));
        return kFailed;
    }
    return coding.decode(call, source);
}

} // namespace korvane::loader
