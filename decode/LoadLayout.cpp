// Strips and tiles: their offset tables, uncompressed data, and the calls of the decoders.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/ByteOrder.hpp"
#include "common/CameraDescription.hpp"
#include "decode/Allocation.hpp"
#include "decode/BitPackedDecoder.hpp"
#include "decode/BitReader.hpp"
#include "decode/LoadImageDataInternal.hpp"
#include "decode/UncompressedSamples.hpp"

namespace korvane::loader {

namespace {

std::uint64_t ceilDiv(std::uint64_t a, std::uint64_t b) {
    return (a + b - 1) / b;
}

Status fileShorter(LoadJob& job, Reporter& reporter) {
    reporter.ShowMessage(MessageId::ProcessingFailed, job.context.path,
                         "file shorter than expected");
    return kFailed;
}

Status fileShorter(LoadJob& job) {
    return fileShorter(job, job.reporter);
}

Status inconsistent(LoadJob& job, const char* what) {
    job.reporter.ShowMessage(MessageId::InconsistentSpecification, job.context.path, what);
    return kFailed;
}

SampleCoding codingOf(const LoadJob& job, std::uint32_t fileBytes) {
    if (fileBytes == 1) return SampleCoding::OneByte;
    return job.context.byteOrder == 1 ? SampleCoding::BigEndian16 : SampleCoding::LittleEndian16;
}

// Bytes a stored sample takes: 1 for up to 8 bits, 2 for up to 16; 0 for what no
// uncompressed coding holds.
std::uint32_t fileBytesPerSample(const ImageDescriptor& image) {
    if (image.bitsPerSample == 0 || image.bitsPerSample > 16) return 0;
    return (image.bitsPerSample + 7u) / 8u;
}

// Reads the offsets and byte counts of the strips or tiles into the context's tables; null
// entries give empty tables.
Status readLayoutTables(LoadJob& job, bool tiles) {
    const ImageDescriptor& image = job.image;
    RawFileContext& ctx = job.context;
    const IfdEntry* offsets = tiles ? image.tileOffsets : image.stripOffsets;
    const IfdEntry* counts = tiles ? image.tileByteCounts : image.stripByteCounts;
    auto& offsetTable = tiles ? ctx.tileOffsetTable : ctx.stripOffsetTable;
    auto& countTable = tiles ? ctx.tileByteCountTable : ctx.stripByteCountTable;
    if (offsets &&
        failed(readEntryValues(job, *offsets, offsetTable,
                               tiles ? "tile offsets block" : "strip offsets block", tiles))) {
        offsetTable = {};
        countTable = {};
        return kFailed;
    }
    if (counts &&
        failed(readEntryValues(job, *counts, countTable,
                               tiles ? "tile byte counts block" : "strip byte counts block")))
        return kFailed;
    return kOk;
}

// Rows of an uncompressed strip are read in runs of about this many bytes, so that the runs
// of one strip are copied at the same time.
constexpr std::uint64_t kRunBytes = 1u << 21;

// A piece of whole image rows from `rowStart` on.
Piece rowsPiece(const LoadJob& job, std::uint32_t offset, std::uint32_t byteCount,
                std::uint32_t rows, std::uint32_t rowStart) {
    const ImageDescriptor& image = job.image;
    Piece piece{offset, byteCount, job.target(image.imageWidth, rows, rowStart, 0)};
    piece.pitch = std::uint64_t{image.imageWidth} * image.samplesPerPixel;
    piece.columns = static_cast<std::uint32_t>(piece.pitch);
    return piece;
}

// The strip of `rows` rows of `rowBytes` bytes each at `offset` as runs of rows of about
// kRunBytes, each a piece of its own; the first checks the strip's position.
void addRuns(const LoadJob& job, std::uint32_t offset, std::uint64_t rowBytes, std::uint32_t rows,
             std::uint32_t rowStart, std::vector<Piece>& pieces) {
    const auto runRows = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(
        kRunBytes / std::max<std::uint64_t>(rowBytes, 1), 1, std::max(rows, 1u)));
    for (std::uint32_t r = 0; r < rows; r += runRows) {
        const std::uint32_t n = std::min(runRows, rows - r);
        const std::uint64_t at = offset + r * rowBytes;
        Piece piece =
            rowsPiece(job, static_cast<std::uint32_t>(std::min<std::uint64_t>(at, 0xFFFFFFFFu)),
                      static_cast<std::uint32_t>(n * rowBytes), n, rowStart + r);
        piece.quiet = r > 0;
        pieces.push_back(piece);
    }
}

// DNG stores samples of 10, 12 and 14 bits packed, each row starting on a byte; other files
// hold such data in their camera's own codings.
bool bitPacked(const LoadJob& job) {
    return job.context.formatCode == format_code::kDng && job.image.samplesPerPixel == 1 &&
           bitPackedSampleSize(job.image.bitsPerSample);
}

Status uncompressedStrips(LoadJob& job, std::uint32_t rowsPerStrip, std::uint64_t strips) {
    ImageDescriptor& image = job.image;
    const std::uint32_t fileBytes = fileBytesPerSample(image);
    if (fileBytes == 0) return inconsistent(job, "strip count");
    const std::uint64_t rowSamples = std::uint64_t{image.imageWidth} * image.samplesPerPixel;
    const std::uint64_t rowBytes = rowSamples * fileBytes;
    const SampleCoding coding = codingOf(job, fileBytes);
    // How each piece is decoded: copied, unpacked, or found inconsistent.
    enum class Kind : std::uint8_t { Copy, Packed, BitPacked, Inconsistent };
    std::vector<Piece> pieces;
    std::vector<Kind> kinds;
    bool together = true;
    for (std::uint64_t i = 0; i < strips; ++i) {
        const auto rowStart = static_cast<std::uint32_t>(i * rowsPerStrip);
        const std::uint32_t rows = i + 1 == strips ? image.imageLength - rowStart : rowsPerStrip;
        const std::uint64_t expected = rows * rowBytes;
        const std::uint32_t offset = job.context.stripOffsetTable[i];
        const std::uint32_t byteCount = job.context.stripByteCountTable[i];
        if (byteCount == expected) {
            const std::size_t before = pieces.size();
            addRuns(job, offset, rowBytes, rows, rowStart, pieces);
            kinds.resize(kinds.size() + pieces.size() - before, Kind::Copy);
            continue;
        }
        // 12-bit data stored at 1.5 bytes a sample: the packed decoder's; DNG's 10, 12 and
        // 14 bits packed with each row on a byte: the bit-packed decoder's.
        const bool packed =
            image.bitsPerSample == 12 && expected * 3 == std::uint64_t{byteCount} * 4;
        const std::uint64_t packedRowBytes =
            bitPackedRowBytes(image.imageWidth, image.bitsPerSample);
        const bool bits = !packed && bitPacked(job) && byteCount == packedRowBytes * rows;
        if (bits) {
            // Each row starts on a byte: the strip goes in runs of rows, like a copied one.
            const std::size_t before = pieces.size();
            addRuns(job, offset, packedRowBytes, rows, rowStart, pieces);
            kinds.resize(kinds.size() + pieces.size() - before, Kind::BitPacked);
            continue;
        }
        pieces.push_back(rowsPiece(job, offset, byteCount, rows, rowStart));
        kinds.push_back(packed ? Kind::Packed : Kind::Inconsistent);
        // A strip found inconsistent has its message before its bytes are looked at.
        if (!packed) together = false;
    }
    const Coding& packedCoding = *findStripCoding(kPackedCompression);
    const auto decode = [&](const Piece& piece, ByteSource& source, Reporter& reporter) {
        const std::size_t i = static_cast<std::size_t>(&piece - pieces.data());
        const SampleTarget& t = piece.target;
        if (kinds[i] == Kind::Packed)
            return decodeWith(packedCoding, {job, reporter, piece.offset, piece.byteCount, t},
                              source);
        if (kinds[i] == Kind::BitPacked)
            return DecodeBitPacked(source, piece.byteCount, t, image.bitsPerSample, reporter,
                                   job.context.path);
        if (kinds[i] == Kind::Inconsistent) {
            reporter.ShowMessage(MessageId::InconsistentSpecification, job.context.path,
                                 "strip count");
            return kFailed;
        }
        ByteInput in(source, piece.byteCount);
        return copySamples(in, image.samples.data() + t.rowStart * rowSamples, t.rows * rowSamples,
                           coding)
                   ? kOk
                   : fileShorter(job, reporter);
    };
    return decodePieces(job, pieces, decode, together);
}

Status compressedStrips(LoadJob& job, std::uint32_t rowsPerStrip, std::uint64_t strips) {
    const ImageDescriptor& image = job.image;
    const Coding* coding = findStripCoding(image.compression);
    if (coding == nullptr) {
        job.reporter.ShowMessage(MessageId::NotImplemented, "this kind of image data compression");
        return kFailed;
    }
    std::vector<Piece> pieces;
    for (std::uint64_t i = 0; i < strips; ++i) {
        const auto rowStart = static_cast<std::uint32_t>(i * rowsPerStrip);
        const std::uint32_t rows = i + 1 == strips ? image.imageLength - rowStart : rowsPerStrip;
        const std::uint32_t offset = job.context.stripOffsetTable[i];
        const std::uint32_t byteCount = job.context.stripByteCountTable[i];
        Piece whole = rowsPiece(job, offset, byteCount, rows, rowStart);
        const std::uint64_t rowBytes = coding->rowBytes ? coding->rowBytes(whole.target) : 0;
        if (rowBytes != 0 && rowBytes * rows == byteCount)
            addRuns(job, offset, rowBytes, rows, rowStart, pieces);
        else
            pieces.push_back(whole);
    }
    if (coding->decode == nullptr) {
        job.reporter.ShowMessage(MessageId::NotImplemented, std::string(coding->name));
        return kFailed;
    }
    const auto decode = [&](const Piece& piece, ByteSource& source, Reporter& reporter) {
        return decodeWith(*coding, {job, reporter, piece.offset, piece.byteCount, piece.target},
                          source);
    };
    return decodePieces(job, pieces, decode, coding->independent);
}

// The tiles in file order, each with its place in the image; a sample takes `elements`
// elements of the buffer.
std::vector<Piece> tilePieces(const LoadJob& job, std::uint64_t across, std::uint64_t down,
                              std::uint32_t elements) {
    const ImageDescriptor& image = job.image;
    std::vector<Piece> pieces;
    pieces.reserve(across * down);
    for (std::uint64_t ty = 0; ty < down; ++ty) {
        for (std::uint64_t tx = 0; tx < across; ++tx) {
            const std::uint64_t i = ty * across + tx;
            Piece piece{job.context.tileOffsetTable[i], job.context.tileByteCountTable[i],
                        job.target(image.tileWidth, image.tileLength,
                                   static_cast<std::uint32_t>(ty * image.tileLength),
                                   static_cast<std::uint32_t>(tx * image.tileWidth))};
            piece.pitch = std::uint64_t{image.imageWidth} * elements;
            piece.column = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(tx * image.tileWidth * elements, piece.pitch));
            piece.columns = image.tileWidth * elements;
            pieces.push_back(piece);
        }
    }
    return pieces;
}

Status bitPackedTiles(LoadJob& job, std::uint64_t across, std::uint64_t down) {
    const std::vector<Piece> pieces = tilePieces(job, across, down, 1);
    const auto decode = [&](const Piece& piece, ByteSource& source, Reporter& reporter) {
        return DecodeBitPacked(source, piece.byteCount, piece.target, job.image.bitsPerSample,
                               reporter, job.context.path);
    };
    return decodePieces(job, pieces, decode, true);
}

Status uncompressedTiles(LoadJob& job, std::uint64_t across, std::uint64_t down) {
    ImageDescriptor& image = job.image;
    const std::uint32_t fileBytes = fileBytesPerSample(image);
    const std::uint32_t tw = image.tileWidth, spp = image.samplesPerPixel;
    const std::uint64_t tileBytes = std::uint64_t{fileBytes} * spp * image.tileLength * tw;
    const auto& counts = job.context.tileByteCountTable;
    const auto tileCount = static_cast<std::ptrdiff_t>(across * down);
    const std::uint32_t tl = image.tileLength;
    if (bitPacked(job) && tileBytes != bitPackedRowBytes(tw, image.bitsPerSample) * tl &&
        std::all_of(counts.begin(), counts.begin() + tileCount, [&](std::uint32_t c) {
            return c == bitPackedRowBytes(tw, image.bitsPerSample) * tl;
        }))
        return bitPackedTiles(job, across, down);
    if (fileBytes == 0 || !std::all_of(counts.begin(), counts.begin() + tileCount,
                                       [&](std::uint32_t c) { return c == tileBytes; }))
        return inconsistent(job, "tile count");
    const std::uint64_t pitch = std::uint64_t{image.imageWidth} * spp;
    const SampleCoding coding = codingOf(job, fileBytes);
    const auto decode = [&](const Piece& piece, ByteSource& source, Reporter& reporter) {
        const SampleTarget& t = piece.target;
        const std::uint64_t rows = std::min<std::uint64_t>(t.rows, image.imageLength - t.rowStart);
        const std::uint64_t columns = std::min<std::uint64_t>(tw, image.imageWidth - t.columnStart);
        ByteInput in(source, static_cast<std::uint32_t>(tileBytes));
        for (std::uint64_t r = 0; r < rows; ++r) {
            std::uint16_t* to = image.samples.data() + (t.rowStart + r) * pitch + piece.column;
            if (!copySamples(in, to, columns * spp, coding)) return fileShorter(job, reporter);
            // The rest of a row of the last tile column lies beyond the image.
            if (columns < tw && !in.skip((tw - columns) * fileBytes * spp))
                return fileShorter(job, reporter);
        }
        return kOk;
    };
    return decodePieces(job, tilePieces(job, across, down, spp), decode, true);
}

Status losslessJpegTiles(LoadJob& job, std::uint64_t across, std::uint64_t down) {
    const Coding* coding = findStripCoding(job.image.compression);
    const auto decode = [&](const Piece& piece, ByteSource& source, Reporter& reporter) {
        return decodeWith(*coding, {job, reporter, piece.offset, piece.byteCount, piece.target},
                          source);
    };
    return decodePieces(job, tilePieces(job, across, down, 1), decode, coding->independent);
}

} // namespace

Status readEntryValues(LoadJob& job, const IfdEntry& entry, std::vector<std::uint32_t>& values,
                       const char* what, bool positioningMessage) {
    // SHORT values are widened; every other type is taken as 32-bit values.
    const std::uint32_t size = entry.typeSize() == 2 ? 2 : 4;
    const std::uint64_t bytes = std::uint64_t{entry.count} * size;
    const ImageDescriptor& image = job.image;
    const std::uint8_t* held = image.valueData(entry);
    const bool inBlock =
        entry.isLoaded() && held != nullptr && entry.blockOffset + bytes <= image.valueBlock.size();
    if (entry.isInline() ? bytes > 4 : !inBlock && bytes > job.context.fileLength)
        return fileShorter(job);
    if (!allocateZeroed(values, entry.count, job.reporter, what)) return kFailed;
    const bool bigEndian = job.context.byteOrder == 1;
    if (entry.isInline() || inBlock) {
        // Held values are in the machine's order already.
        for (std::uint32_t i = 0; i < entry.count; ++i) {
            std::uint16_t v16 = 0;
            std::uint32_t v32 = 0;
            if (size == 2)
                std::memcpy(&v16, held + 2 * std::size_t{i}, 2);
            else
                std::memcpy(&v32, held + 4 * std::size_t{i}, 4);
            values[i] = size == 2 ? v16 : v32;
        }
        return kOk;
    }
    FileByteSource source(job.file, entry.valueOffset, static_cast<std::uint32_t>(bytes));
    if (failed(source.status())) {
        if (positioningMessage)
            job.reporter.ShowMessage(MessageId::PositionFailed, job.context.path,
                                     truncatedReason(fileReasonText(file_cause::kBadSeek)));
        return kFailed;
    }
    ByteInput in(source, static_cast<std::uint32_t>(bytes));
    const ByteOrder order(bigEndian);
    for (std::uint32_t i = 0; i < entry.count; ++i) {
        std::uint8_t b[4] = {};
        if (!in.read(b, size)) return fileShorter(job);
        values[i] = size == 2 ? order.load16(b) : order.load32(b);
    }
    return kOk;
}

Status loadStrips(LoadJob& job) {
    ImageDescriptor& image = job.image;
    RawFileContext& ctx = job.context;
    if (failed(readLayoutTables(job, false))) return kFailed;
    // RowsPerStrip 0 would divide by zero; like a missing one it makes one strip.
    const std::uint32_t rowsPerStrip = image.rowsPerStrip == 0
                                           ? std::max<std::uint32_t>(image.imageLength, 1)
                                           : image.rowsPerStrip;
    const std::uint64_t strips = ceilDiv(image.imageLength, rowsPerStrip);
    if (ctx.stripByteCountTable.size() != strips) {
        job.reporter.ShowMessage(MessageId::ProcessingFailed, ctx.path, "invalid StripByteCounts");
        return kFailed;
    }
    // Never read past the offsets.
    if (ctx.stripOffsetTable.size() < strips) return inconsistent(job, "strip count");
    if (strips == 1 && image.compression == 1) image.dataOffset = ctx.stripOffsetTable[0];

    const Status s = image.compression == 1 ? uncompressedStrips(job, rowsPerStrip, strips)
                                            : compressedStrips(job, rowsPerStrip, strips);
    if (failed(s)) return s;
    // Olympus E-1 and E-400 store their samples four bits up.
    if (image.decodingVariant == 8)
        for (auto& sample : image.samples)
            sample = static_cast<std::uint16_t>(sample >> 4);
    return kOk;
}

Status loadTiles(LoadJob& job) {
    ImageDescriptor& image = job.image;
    RawFileContext& ctx = job.context;
    if (failed(readLayoutTables(job, true))) return kFailed;
    if (image.tileWidth == 0 || image.tileLength == 0) return inconsistent(job, "tile count");
    const std::uint64_t across = ceilDiv(image.imageWidth, image.tileWidth);
    const std::uint64_t down = ceilDiv(image.imageLength, image.tileLength);
    // Never read past either table.
    if (ctx.tileOffsetTable.size() < across * down || ctx.tileByteCountTable.size() < across * down)
        return inconsistent(job, "tile count");
    switch (image.compression) {
    case 1:
        return uncompressedTiles(job, across, down);
    case 6:
    case 7:
        return losslessJpegTiles(job, across, down);
    case 65537:
        job.reporter.ShowMessage(MessageId::NotImplemented, "PACK compression of tiles");
        return kFailed;
    default:
        job.reporter.ShowMessage(MessageId::NotImplemented, "this kind of image data compression");
        return kFailed;
    }
}

} // namespace korvane::loader
