// Fuzz target for the image data loader: an image description and a file, both taken from
// the input. The description's strip or tile tables, linearisation table and masked areas
// point into the file, so every table, strip and tile the loader reads is fuzzed; the checks
// are the loader's own bounds (and the sanitizers), that a failed load said why, and that a
// successful one leaves a buffer of exactly the image's size.
//
// Input layout (bytes beyond the input read as 0):
//   0, 1   width - 1, height - 1 (1 to 256)      2  bits per sample % 17
//   3      flags: 1 tiled, 2 big-endian, 4 SHORT offsets, 8 SHORT counts, 16 tables in the
//          value block, 32 linearisation, 64 masked areas, 128 dithering keys
//   4, 5   tile width, tile length   6  rows per strip    7  compression (index)   8  variant
//   9      keys: 1 Ctrl, 2 Shift, 4 Alt, bits 3-6 a digit + 1 (0 none)
//   10-11  offsets table position   12  its count   13-14  byte counts position   15  count
//   16-17  linearisation position   18-19  its count
//   20-27  top area: left, top, width, height; left area likewise (one byte each)
//   28     black range high / 256    29  noise average sign (bit 0)
//   then   the file after its 8-byte header
#include "fuzz/FuzzCheck.hpp"
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "decode/LoadImageData.hpp"

namespace {

using namespace korvane;

constexpr std::size_t kHeaderBytes = 30;
constexpr std::array<std::uint32_t, 8> kCompressions = {1, 1, 65537, 6, 7, 34713, 5, 65539};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t byte(std::size_t at) const { return at < size_ ? data_[at] : 0; }
    std::uint32_t word(std::size_t at) const { return byte(at) | byte(at + 1) << 8; }
    const std::uint8_t* body() const {
        return size_ > kHeaderBytes ? data_ + kHeaderBytes : nullptr;
    }
    std::size_t bodySize() const { return size_ > kHeaderBytes ? size_ - kHeaderBytes : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// The fuzzed file, kept in memory and opened by path like any other.
class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("korvane-loader-fuzz", 0)) { FUZZ_CHECK(fd_ >= 0); }
    std::string write(const std::vector<std::uint8_t>& bytes) {
        FUZZ_CHECK(::ftruncate(fd_, 0) == 0);
        FUZZ_CHECK(::pwrite(fd_, bytes.data(), bytes.size(), 0) ==
                   static_cast<ssize_t>(bytes.size()));
        return "/proc/self/fd/" + std::to_string(fd_);
    }

private:
    int fd_;
};

class FuzzKeys final : public KeyState {
public:
    FuzzKeys(std::uint32_t bits, bool dither) : bits_(bits), dither_(dither) {}
    bool isKeyDown(int key) const override {
        const std::uint32_t digit = (bits_ >> 3) & 15;
        if (key == 0x11) return (bits_ & 1) || dither_;
        if (key == 0x10) return (bits_ & 2) || dither_;
        if (key == 0x12) return (bits_ & 4) != 0;
        if (key == 0x44) return dither_;
        return digit != 0 && (key == 0x30 + static_cast<int>(digit) - 1);
    }

private:
    std::uint32_t bits_;
    bool dither_;
};

IfdEntry tableEntry(const Input& in, std::uint16_t tag, bool shortType, std::uint32_t position,
                    std::uint32_t count, bool loaded) {
    IfdEntry e;
    e.flags = entry_flags::kKnown | (loaded ? entry_flags::kLoaded : entry_flags::kLargeData);
    e.tag = tag;
    e.type = shortType ? tiff_type::kShort : tiff_type::kLong;
    e.count = count;
    e.valueOffset = position;
    e.blockOffset = position;
    (void)in;
    return e;
}

void describe(const Input& in, IfdNode& node) {
    const std::uint32_t flags = in.byte(3);
    node.imageWidth = node.width = in.byte(0) + 1;
    node.imageLength = node.height = in.byte(1) + 1;
    node.bitsPerSample = static_cast<std::uint8_t>(in.byte(2) % 17);
    node.samplesPerPixel = 1;
    node.cfaRepeatRows = node.cfaRepeatCols = 2;
    node.tileWidth = in.byte(4);
    node.tileLength = in.byte(5);
    node.rowsPerStrip = in.byte(6);
    node.compression = kCompressions[in.byte(7) % kCompressions.size()];
    node.decodingVariant = static_cast<std::uint8_t>(in.byte(8) % 11);
    node.layout = (flags & 1) ? node_layout::kTiles : node_layout::kStrips;
    node.maximumValue = node.valueRange = 65536;
    node.whiteLevel = 65535;
    node.blackLevel = static_cast<std::uint16_t>(in.byte(28) * 3);
    const bool loaded = (flags & 16) != 0;
    if (loaded && in.body()) node.valueBlock.assign(in.body(), in.body() + in.bodySize());
    node.entries.reserve(3);
    const bool tiled = (flags & 1) != 0;
    node.entries.push_back(
        tableEntry(in, tiled ? 324 : 273, (flags & 4) != 0, in.word(10), in.byte(12), loaded));
    node.entries.push_back(
        tableEntry(in, tiled ? 325 : 279, (flags & 8) != 0, in.word(13), in.byte(15), loaded));
    (tiled ? node.tileOffsets : node.stripOffsets) = &node.entries[0];
    (tiled ? node.tileByteCounts : node.stripByteCounts) = &node.entries[1];
    if (flags & 32) {
        node.entries.push_back(tableEntry(in, 50712, true, in.word(16), in.word(18), false));
        node.linearizationTable = &node.entries[2];
    }
    if (flags & 64) {
        for (int a = 0; a < 2; ++a) {
            const std::size_t at = 20 + 4 * a;
            node.maskedAreas[a] = {static_cast<std::uint16_t>(in.byte(at)),
                                   static_cast<std::uint16_t>(in.byte(at + 1)),
                                   static_cast<std::uint16_t>(in.byte(at + 2)),
                                   static_cast<std::uint16_t>(in.byte(at + 3))};
        }
        node.activeLeft = node.maskedAreas[1].width;
        node.activeTop = node.maskedAreas[0].height;
        node.blackRangeHigh = static_cast<std::uint16_t>(in.byte(28) << 8 | 0xFF);
        node.rowNoiseAverage = node.columnNoiseAverage = (in.byte(29) & 1) ? -1 : 0;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    const Input in(data, size);
    std::vector<std::uint8_t> bytes = {'I', 'I', 42, 0, 8, 0, 0, 0};
    if (in.byte(3) & 2) bytes = {'M', 'M', 0, 42, 0, 0, 0, 8};
    if (in.body()) bytes.insert(bytes.end(), in.body(), in.body() + in.bodySize());

    RawFileContext ctx;
    ctx.path = file.write(bytes);
    FUZZ_CHECK(openRawFile(ctx) == 0);
    // The read window is kept from one input to the next, as an open program keeps it.
    static std::vector<std::uint8_t> window(kReadBufferSize);
    ctx.buffer = std::move(window);
    ctx.bufferSize = kReadBufferSize;
    ctx.byteOrder = (in.byte(3) & 2) ? 1 : 2;
    ctx.packingKind = static_cast<std::uint8_t>(in.byte(29) & 0x0E);
    ctx.mainTree = std::make_unique<IfdNode>();
    ctx.mainImage = ctx.mainTree.get();
    describe(in, *ctx.mainImage);

    RecordingReporter reporter;
    const FuzzKeys keys(in.byte(9), (in.byte(3) & 128) != 0);
    const Status status = LoadImageData(ctx, reporter, keys);
    ReleaseOffsetTables(ctx);
    const IfdNode& image = *ctx.mainImage;
    if (failed(status)) {
        FUZZ_CHECK(!reporter.records().empty());
    } else {
        FUZZ_CHECK(image.samples.size() == std::size_t{image.imageWidth} * image.imageLength);
        // Its buffer was one the file's length allows.
        FUZZ_CHECK(fileCanHoldImage(ctx, image));
    }
    FUZZ_CHECK(ctx.stripOffsetTable.empty() && ctx.tileOffsetTable.empty());
    closeRawFile(ctx);
    window = std::move(ctx.buffer);
    window.resize(kReadBufferSize);
    return 0;
}
