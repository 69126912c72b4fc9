#include "tests/support/StripEncoder.hpp"

#include <cstring>
#include <stdexcept>

#include "container/FileAccess.hpp"

namespace korvane::test {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v, ByteOrder order) {
    const auto lo = static_cast<std::uint8_t>(v), hi = static_cast<std::uint8_t>(v >> 8);
    out.push_back(order == ByteOrder::Little ? lo : hi);
    out.push_back(order == ByteOrder::Little ? hi : lo);
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v, ByteOrder order) {
    if (order == ByteOrder::Little) {
        put16(out, v & 0xFFFF, order);
        put16(out, v >> 16, order);
    } else {
        put16(out, v >> 16, order);
        put16(out, v & 0xFFFF, order);
    }
}

} // namespace

std::vector<std::uint8_t> encodeUncompressed(std::span<const std::uint16_t> samples,
                                             std::uint32_t bytesPerSample, ByteOrder order) {
    std::vector<std::uint8_t> out;
    out.reserve(samples.size() * bytesPerSample);
    for (const std::uint16_t s : samples) {
        if (bytesPerSample == 1)
            out.push_back(static_cast<std::uint8_t>(s));
        else
            put16(out, s, order);
    }
    return out;
}

std::vector<std::uint8_t> encodeBitPacked(std::span<const std::uint16_t> samples,
                                          std::uint32_t width, std::uint32_t bits) {
    if (width == 0 || bits == 0 || bits > 16 || samples.size() % width != 0)
        throw std::invalid_argument("bit packing needs whole rows of 1 to 16 bits");
    std::vector<std::uint8_t> out;
    for (std::size_t start = 0; start < samples.size(); start += width) {
        std::uint64_t held = 0;
        std::uint32_t count = 0;
        for (std::size_t x = 0; x < width; ++x) {
            held = held << bits | (samples[start + x] & ((1u << bits) - 1));
            count += bits;
            for (; count >= 8; count -= 8)
                out.push_back(static_cast<std::uint8_t>(held >> (count - 8)));
        }
        if (count > 0) out.push_back(static_cast<std::uint8_t>(held << (8 - count)));
    }
    return out;
}

std::vector<std::uint8_t> encodePacked12(std::span<const std::uint16_t> samples,
                                         ByteOrder packing) {
    std::vector<std::uint8_t> out;
    out.reserve((samples.size() + 1) / 2 * 3);
    for (std::size_t i = 0; i < samples.size(); i += 2) {
        const std::uint32_t a = samples[i] & 0xFFF;
        const std::uint32_t b = i + 1 < samples.size() ? samples[i + 1] & 0xFFF : 0;
        if (packing == ByteOrder::Big) {
            out.push_back(static_cast<std::uint8_t>(a >> 4));
            out.push_back(static_cast<std::uint8_t>((a & 0xF) << 4 | b >> 8));
            out.push_back(static_cast<std::uint8_t>(b));
        } else {
            out.push_back(static_cast<std::uint8_t>(a));
            out.push_back(static_cast<std::uint8_t>((a >> 8) | (b & 0xF) << 4));
            out.push_back(static_cast<std::uint8_t>(b >> 4));
        }
    }
    return out;
}

std::vector<std::uint16_t> imageRows(const std::vector<std::uint16_t>& image, std::uint32_t width,
                                     std::uint32_t firstRow, std::uint32_t rows) {
    const std::size_t begin = std::size_t{firstRow} * width;
    const std::size_t end = std::min(image.size(), begin + std::size_t{rows} * width);
    return {image.begin() + static_cast<std::ptrdiff_t>(std::min(begin, end)),
            image.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::vector<std::vector<std::uint16_t>>
imageTiles(const std::vector<std::uint16_t>& image, std::uint32_t width, std::uint32_t height,
           std::uint32_t tileWidth, std::uint32_t tileLength, std::uint16_t padding) {
    std::vector<std::vector<std::uint16_t>> tiles;
    for (std::uint32_t ty = 0; ty < height; ty += tileLength) {
        for (std::uint32_t tx = 0; tx < width; tx += tileWidth) {
            std::vector<std::uint16_t> tile(std::size_t{tileWidth} * tileLength, padding);
            for (std::uint32_t r = 0; r < tileLength && ty + r < height; ++r)
                for (std::uint32_t c = 0; c < tileWidth && tx + c < width; ++c)
                    tile[std::size_t{r} * tileWidth + c] =
                        image[std::size_t{ty + r} * width + tx + c];
            tiles.push_back(std::move(tile));
        }
    }
    return tiles;
}

RawFileBytes::RawFileBytes(ByteOrder order) : order_(order) {
    bytes_ = order == ByteOrder::Little ? std::vector<std::uint8_t>{'I', 'I', 42, 0}
                                        : std::vector<std::uint8_t>{'M', 'M', 0, 42};
    put32(bytes_, 8, order);
}

std::uint32_t RawFileBytes::append(const std::vector<std::uint8_t>& block) {
    if (bytes_.size() % 2) bytes_.push_back(0);
    const auto at = static_cast<std::uint32_t>(bytes_.size());
    bytes_.insert(bytes_.end(), block.begin(), block.end());
    return at;
}

IfdEntry makeEntry(IfdNode& node, RawFileBytes& file, std::uint16_t tag, TiffType type,
                   const std::vector<std::uint32_t>& values, ValueHome home) {
    if (type != TiffType::Short && type != TiffType::Long)
        throw std::invalid_argument("makeEntry: SHORT or LONG values only");
    IfdEntry e;
    e.flags = entry_flags::kKnown;
    e.tag = tag;
    e.type = static_cast<std::uint16_t>(type);
    e.count = static_cast<std::uint32_t>(values.size());
    const std::uint32_t size = componentSize(type);
    std::vector<std::uint8_t> native, stored;
    for (const std::uint32_t v : values) {
        if (size == 2) {
            const auto v16 = static_cast<std::uint16_t>(v);
            native.insert(native.end(), reinterpret_cast<const std::uint8_t*>(&v16),
                          reinterpret_cast<const std::uint8_t*>(&v16) + 2);
            put16(stored, v, file.order());
        } else {
            native.insert(native.end(), reinterpret_cast<const std::uint8_t*>(&v),
                          reinterpret_cast<const std::uint8_t*>(&v) + 4);
            put32(stored, v, file.order());
        }
    }
    switch (home) {
    case ValueHome::Inline:
        if (native.size() > 4) throw std::invalid_argument("makeEntry: more than 4 bytes inline");
        e.flags |= entry_flags::kInline;
        std::memcpy(e.inlineValue.data(), native.data(), native.size());
        std::memcpy(&e.valueOffset, native.data(), native.size());
        break;
    case ValueHome::Loaded:
        e.flags |= entry_flags::kLoaded;
        e.blockOffset = static_cast<std::uint32_t>(node.valueBlock.size());
        e.valueOffset = file.append(stored);
        node.valueBlock.insert(node.valueBlock.end(), native.begin(), native.end());
        break;
    case ValueHome::File:
        e.flags |= entry_flags::kLargeData;
        e.valueOffset = file.append(stored);
        break;
    }
    return e;
}

void describeImage(IfdNode& node, std::uint32_t width, std::uint32_t height, std::uint8_t bits,
                   std::uint32_t compression) {
    node.kind = IfdKind::FirstIfd;
    node.imageWidth = node.width = width;
    node.imageLength = node.height = height;
    node.bitsPerSample = bits;
    node.samplesPerPixel = 1;
    node.compression = compression;
    node.photometric = 32803;
    node.cfaRepeatRows = node.cfaRepeatCols = 2;
    node.cfaPatternCount = 4;
    node.cfaPattern[0] = 0;
    node.cfaPattern[1] = node.cfaPattern[2] = 1;
    node.cfaPattern[3] = 2;
    node.maximumValue = node.valueRange = 1 << bits;
    node.whiteLevel = (1 << bits) - 1;
}

void attachEntries(IfdNode& node, RawFileBytes& file, const ImageEntries& entries, bool tiles) {
    const auto homeOf = [&](const auto& values, TiffType type) {
        const bool fits = values.size() * componentSize(type) <= 4;
        return fits ? ValueHome::Inline : entries.home;
    };
    node.entries.clear();
    node.entries.push_back(makeEntry(node, file, tiles ? 324 : 273, entries.offsetType,
                                     entries.offsets, homeOf(entries.offsets, entries.offsetType)));
    node.entries.push_back(makeEntry(node, file, tiles ? 325 : 279, entries.countType,
                                     entries.byteCounts,
                                     homeOf(entries.byteCounts, entries.countType)));
    if (!entries.linearisation.empty()) {
        const std::vector<std::uint32_t> table(entries.linearisation.begin(),
                                               entries.linearisation.end());
        node.entries.push_back(
            makeEntry(node, file, 50712, TiffType::Short, table, homeOf(table, TiffType::Short)));
    }
    node.layout = tiles ? node_layout::kTiles : node_layout::kStrips;
    (tiles ? node.tileOffsets : node.stripOffsets) = &node.entries[0];
    (tiles ? node.tileByteCounts : node.stripByteCounts) = &node.entries[1];
    node.linearizationTable = entries.linearisation.empty() ? nullptr : &node.entries[2];
    node.entryCount = static_cast<std::uint16_t>(node.entries.size());
}

OpenedRawFile::OpenedRawFile(const RawFileBytes& file, std::unique_ptr<IfdNode> image)
    : temp(file.bytes(), "image.raw") {
    context.path = temp.path();
    if (openRawFile(context) != 0) throw std::runtime_error("cannot open " + temp.path());
    context.buffer.resize(kReadBufferSize);
    context.bufferSize = kReadBufferSize;
    context.byteOrder = file.order() == ByteOrder::Little ? 2 : 1;
    context.formatCode = 1;
    context.mainImage = image.get();
    context.mainTree = std::move(image);
    for (auto& level : context.channelLevels)
        level = context.mainImage->maximumValue - 1;
}

} // namespace korvane::test
