#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/IfdNode.hpp"
#include "common/RawFileContext.hpp"
#include "tests/support/TempFile.hpp"
#include "tests/support/TiffWriter.hpp"

namespace korvane::test {

// --- Sample codings of uncompressed and packed raw data.

// Each sample in `bytesPerSample` bytes: 1 keeps its low byte, 2 stores it in `order`.
std::vector<std::uint8_t> encodeUncompressed(std::span<const std::uint16_t> samples,
                                             std::uint32_t bytesPerSample, ByteOrder order);
// Two 12-bit samples in three bytes. Big: the first sample's high bits first (b0 b1.hi |
// b1.lo b2); Little: the first sample's low byte first (b0 | b1.lo b1.hi b2). An odd count
// is padded with a zero sample.
std::vector<std::uint8_t> encodePacked12(std::span<const std::uint16_t> samples, ByteOrder packing);

// Samples of `bits` bits (1 to 16) packed most significant bit first without gaps, each row
// of `width` samples starting on a byte (the last byte of a row padded with zero bits).
std::vector<std::uint8_t> encodeBitPacked(std::span<const std::uint16_t> samples,
                                          std::uint32_t width, std::uint32_t bits);

// The rows of an image (width samples a row) from `firstRow`, at most `rows` of them.
std::vector<std::uint16_t> imageRows(const std::vector<std::uint16_t>& image, std::uint32_t width,
                                     std::uint32_t firstRow, std::uint32_t rows);
// Tiles of an image, row of tiles after row of tiles, each tileWidth x tileLength samples;
// the parts of edge tiles beyond the image hold `padding`.
std::vector<std::vector<std::uint16_t>> imageTiles(const std::vector<std::uint16_t>& image,
                                                   std::uint32_t width, std::uint32_t height,
                                                   std::uint32_t tileWidth,
                                                   std::uint32_t tileLength, std::uint16_t padding);

// --- A raw file laid out for the image data loader, and the image description pointing into it.

// Bytes of a file: an 8-byte TIFF header, then blocks appended at even offsets.
class RawFileBytes {
public:
    explicit RawFileBytes(ByteOrder order);
    ByteOrder order() const { return order_; }
    std::uint32_t append(const std::vector<std::uint8_t>& block);
    std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    ByteOrder order_;
    std::vector<std::uint8_t> bytes_;
};

// Where the values of an entry are: in the entry, in the node's value block, or in the file.
enum class ValueHome : std::uint8_t { Inline, Loaded, File };

// An entry of SHORT or LONG values as the directory reader leaves it; File values are appended
// to `file` in its byte order, Loaded ones to the node's value block.
IfdEntry makeEntry(IfdNode& node, RawFileBytes& file, std::uint16_t tag, TiffType type,
                   const std::vector<std::uint32_t>& values, ValueHome home);
// The CFA image the loader is handed: geometry, 2 x 2 pattern, bits and compression; strips
// or tiles are added by the caller.
void describeImage(IfdNode& node, std::uint32_t width, std::uint32_t height, std::uint8_t bits,
                   std::uint32_t compression = 1);

// Entries of one image, kept so that the node's references stay valid.
struct ImageEntries {
    std::vector<std::uint32_t> offsets, byteCounts;
    TiffType offsetType = TiffType::Long;
    TiffType countType = TiffType::Long;
    ValueHome home = ValueHome::File;
    std::vector<std::uint16_t> linearisation; // empty: none
};
// Adds the strip (or, with `tiles`, tile) entries and a LinearizationTable to the node and
// points its references at them; values of more than one element go where `home` says.
void attachEntries(IfdNode& node, RawFileBytes& file, const ImageEntries& entries, bool tiles);

// A file written to disk and opened the way "Process" opens it, with `image` as main image.
struct OpenedRawFile {
    OpenedRawFile(const RawFileBytes& file, std::unique_ptr<IfdNode> image);
    TempFile temp; // outlives the context, which closes the file
    RawFileContext context;
    IfdNode& image() { return *context.mainImage; }
};

} // namespace korvane::test
