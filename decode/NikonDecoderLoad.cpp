#include "decode/NikonDecoderLoad.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "decode/Allocation.hpp"
#include "decode/NikonDecoder.hpp"

namespace korvane::loader {

namespace {

// The entry's bytes, or its first kMaxCompressionInfoBytes: inline, or read from the file
// (which moves it).
Status readCompressionInfo(LoadJob& job, const IfdEntry& entry, std::vector<std::uint8_t>& bytes) {
    const std::uint64_t size = std::min<std::uint64_t>(
        std::uint64_t{entry.count} * entry.typeSize(), kMaxCompressionInfoBytes);
    if (!allocateZeroed(bytes, size, job.reporter, "compression info")) return kFailed;
    if (entry.isInline()) {
        std::copy_n(entry.inlineValue.begin(), std::min<std::size_t>(bytes.size(), 4),
                    bytes.begin());
        return kOk;
    }
    if (entry.valueOffset + size > job.context.fileLength) {
        job.reporter.ShowMessage(MessageId::ProcessingFailed, job.context.path,
                                 "file shorter than expected");
        return kFailed;
    }
    FileByteSource source(job.file, entry.valueOffset, static_cast<std::uint32_t>(size));
    if (failed(source.status())) return kFailed;
    if (source.read(bytes.data(), static_cast<std::uint32_t>(size)) != size) {
        job.reporter.ShowMessage(MessageId::ProcessingFailed, job.context.path,
                                 "file shorter than expected");
        return kFailed;
    }
    return kOk;
}

} // namespace

Status decodeNikonStrip(const StripCall& call, ByteSource& source) {
    LoadJob& job = call.job;
    const ImageDescriptor& image = job.image;
    NikonCompression info;
    info.kind = image.makerCompression;
    info.bitsPerSample = image.bitsPerSample;
    // The structure's values are in the file's byte order.
    info.bigEndian = job.context.byteOrder == 1;
    std::vector<std::uint8_t> bytes;
    if (image.compressionInfo == nullptr)
        return DecodeNikon(source, call.byteCount, call.target, info, job.dither, call.reporter,
                           job.context.path);
    if (failed(readCompressionInfo(job, *image.compressionInfo, bytes))) return kFailed;
    info.hasInfo = true;
    info.info = bytes;
    // The strip's source reads at its own positions, wherever the entry moved the file.
    return DecodeNikon(source, call.byteCount, call.target, info, job.dither, call.reporter,
                       job.context.path);
}

} // namespace korvane::loader
