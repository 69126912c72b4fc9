#include "tests/support/LosslessJpegEncoder.hpp"

#include <algorithm>
#include <stdexcept>

#include "tests/support/TiffTags.hpp"

namespace korvane::test {

namespace {

constexpr int kCategories = 17;

// Bits into bytes, first bit highest, with 0xFF 0x00 stuffing when asked for.
class BitWriter {
public:
    BitWriter(std::vector<std::uint8_t>& out, bool stuffing) : out_(out), stuffing_(stuffing) {}
    void put(std::uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            byte_ = static_cast<std::uint8_t>((byte_ << 1) | ((bits >> i) & 1));
            if (++filled_ == 8) flushByte();
        }
    }
    // Fills the last byte with one-bits, as T.81 asks before a marker.
    void pad() {
        while (filled_ != 0)
            put(1, 1);
    }

private:
    void flushByte() {
        out_.push_back(byte_);
        if (byte_ == 0xFF && stuffing_) out_.push_back(0x00);
        byte_ = 0;
        filled_ = 0;
    }
    std::vector<std::uint8_t>& out_;
    bool stuffing_;
    std::uint8_t byte_ = 0;
    int filled_ = 0;
};

struct Code {
    std::uint16_t code = 0;
    std::uint8_t length = 0;
};
using CodeTable = std::array<Code, kCategories>;

CodeTable canonicalCodes(const HuffmanCounts& table) {
    CodeTable codes{};
    std::uint32_t code = 0;
    std::size_t index = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < table.counts[length - 1]; ++i, ++index)
            codes.at(table.symbols.at(index)) = {static_cast<std::uint16_t>(code++),
                                                 static_cast<std::uint8_t>(length)};
        code <<= 1;
    }
    return codes;
}

// The category and extra bits of a difference taken modulo 2^16.
std::pair<int, std::uint32_t> categorise(std::uint32_t difference) {
    difference &= 0xFFFF;
    if (difference == 0x8000) return {16, 0};
    const std::int32_t d = difference > 0x8000 ? static_cast<std::int32_t>(difference) - 0x10000
                                               : static_cast<std::int32_t>(difference);
    const std::uint32_t magnitude = static_cast<std::uint32_t>(d < 0 ? -d : d);
    int category = 0;
    while ((magnitude >> category) != 0)
        ++category;
    const std::uint32_t bits =
        d >= 0 ? static_cast<std::uint32_t>(d)
               : static_cast<std::uint32_t>(d + (std::int32_t{1} << category) - 1);
    return {category, bits};
}

// The prediction of every sample, as the decoder forms it: T.81's predictors, the first line
// of the scan and of each restart interval from the left neighbour, the first sample after a
// restart from the middle value.
class Predictor {
public:
    Predictor(std::span<const std::uint16_t> samples, const LosslessJpegOptions& o)
        : samples_(samples), o_(o), stride_(std::size_t{o.samplesPerLine} * o.components),
          initial_(o.predictor >= 8 ? 0 : 1u << (o.precision - 1)) {}

    void restart() {
        restartPending_ = true;
        firstLine_ = true;
    }
    void endLine() { firstLine_ = false; }
    void endMcu() { restartPending_ = false; }

    std::uint32_t predict(std::size_t line, std::size_t x, std::size_t c) const {
        const std::size_t at = line * stride_ + x * o_.components + c;
        const auto nc = o_.components;
        if (o_.predictor >= 8) return at < nc ? initial_ : samples_[at - nc];
        if (restartPending_) return initial_;
        const auto ra = x > 0 ? std::int32_t{samples_[at - nc]} : 0;
        if (firstLine_) return x == 0 ? initial_ : static_cast<std::uint32_t>(ra);
        const std::int32_t rb = samples_[at - stride_];
        if (x == 0) return static_cast<std::uint32_t>(rb);
        const std::int32_t rc = samples_[at - stride_ - nc];
        std::int32_t p = 0;
        switch (o_.predictor) {
        case 1:
            p = ra;
            break;
        case 2:
            p = rb;
            break;
        case 3:
            p = rc;
            break;
        case 4:
            p = ra + rb - rc;
            break;
        case 5:
            p = ra + ((rb - rc) >> 1);
            break;
        case 6:
            p = rb + ((ra - rc) >> 1);
            break;
        default:
            p = (ra + rb) >> 1;
            break;
        }
        return static_cast<std::uint32_t>(p);
    }

private:
    std::span<const std::uint16_t> samples_;
    const LosslessJpegOptions& o_;
    std::size_t stride_;
    std::uint32_t initial_;
    bool firstLine_ = true;
    bool restartPending_ = false;
};

// Walks the samples in stream order with their predictions and restart points.
template <typename Visit, typename Restart>
void walk(std::span<const std::uint16_t> samples, const LosslessJpegOptions& o, Visit visit,
          Restart onRestart) {
    Predictor predictor(samples, o);
    std::size_t mcu = 0;
    const std::size_t mcus = std::size_t{o.samplesPerLine} * o.lines;
    std::size_t index = 0;
    for (std::size_t line = 0; line < o.lines; ++line) {
        for (std::size_t x = 0; x < o.samplesPerLine; ++x, ++mcu) {
            if (o.restartInterval != 0 && mcu != 0 && mcu % o.restartInterval == 0 && mcu < mcus) {
                onRestart(mcu / o.restartInterval - 1);
                predictor.restart();
            }
            for (std::size_t c = 0; c < o.components; ++c, ++index)
                if (!visit(index, c, samples[index] - predictor.predict(line, x, c))) return;
            predictor.endMcu();
        }
        predictor.endLine();
    }
}

std::vector<HuffmanCounts> chooseTables(std::span<const std::uint16_t> samples,
                                        const LosslessJpegOptions& o) {
    if (o.tables == LosslessJpegOptions::Tables::Given) return {o.given};
    if (o.tables == LosslessJpegOptions::Tables::Fixed) {
        std::array<std::uint64_t, kCategories> f{};
        for (int s = 0; s < kCategories; ++s)
            f[s] = std::uint64_t{1} << (kCategories - s);
        return {optimalHuffmanCounts(f)};
    }
    const std::size_t tableCount = std::min<std::size_t>(o.components, 4);
    std::vector<std::array<std::uint64_t, kCategories>> frequencies(tableCount);
    walk(
        samples, o,
        [&](std::size_t, std::size_t c, std::uint32_t difference) {
            ++frequencies[c % tableCount][categorise(difference).first];
            return true;
        },
        [](std::size_t) {});
    std::vector<HuffmanCounts> tables;
    for (const auto& f : frequencies)
        tables.push_back(optimalHuffmanCounts(f));
    return tables;
}

void putSegment(std::vector<std::uint8_t>& out, std::uint8_t code,
                const std::vector<std::uint8_t>& payload) {
    const std::size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, code, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length)});
    out.insert(out.end(), payload.begin(), payload.end());
}

void putHeaders(std::vector<std::uint8_t>& out, const LosslessJpegOptions& o,
                const std::vector<HuffmanCounts>& tables) {
    out.insert(out.end(), {0xFF, 0xD8});
    out.insert(out.end(), o.leadingSegments.begin(), o.leadingSegments.end());
    std::vector<std::uint8_t> dht;
    for (std::size_t id = 0; id < tables.size(); ++id) {
        dht.push_back(static_cast<std::uint8_t>(id));
        dht.insert(dht.end(), tables[id].counts.begin(), tables[id].counts.end());
        dht.insert(dht.end(), tables[id].symbols.begin(), tables[id].symbols.end());
    }
    putSegment(out, 0xC4, dht);
    if (o.restartInterval != 0)
        putSegment(out, 0xDD,
                   {static_cast<std::uint8_t>(o.restartInterval >> 8),
                    static_cast<std::uint8_t>(o.restartInterval)});
    std::vector<std::uint8_t> sof{o.precision,
                                  static_cast<std::uint8_t>(o.lines >> 8),
                                  static_cast<std::uint8_t>(o.lines),
                                  static_cast<std::uint8_t>(o.samplesPerLine >> 8),
                                  static_cast<std::uint8_t>(o.samplesPerLine),
                                  o.components};
    for (std::uint8_t c = 0; c < o.components; ++c)
        sof.insert(sof.end(), {static_cast<std::uint8_t>(c + 1), 0x11, 0});
    putSegment(out, 0xC3, sof);
    std::vector<std::uint8_t> sos{o.components};
    for (std::uint8_t c = 0; c < o.components; ++c)
        sos.insert(sos.end(), {static_cast<std::uint8_t>(c + 1),
                               static_cast<std::uint8_t>((c % tables.size()) << 4)});
    sos.insert(sos.end(), {o.predictor, 0, 0});
    putSegment(out, 0xDA, sos);
}

} // namespace

HuffmanCounts optimalHuffmanCounts(const std::array<std::uint64_t, 17>& frequencies) {
    // One more symbol of frequency 1 takes the all-ones code, which is then dropped.
    constexpr int kReserved = kCategories;
    std::array<std::uint64_t, kCategories + 1> freq{};
    std::copy(frequencies.begin(), frequencies.end(), freq.begin());
    if (std::all_of(frequencies.begin(), frequencies.end(), [](auto f) { return f == 0; }))
        freq[0] = 1;
    freq[kReserved] = 1;
    std::array<int, kCategories + 1> size{};
    std::array<int, kCategories + 1> others{};
    others.fill(-1);
    for (;;) {
        // The two least frequent trees; on a tie the higher symbol, as T.81 K.2 has it.
        int v1 = -1;
        int v2 = -1;
        for (int v = 0; v <= kReserved; ++v)
            if (freq[v] != 0 && (v1 < 0 || freq[v] <= freq[v1])) v1 = v;
        for (int v = 0; v <= kReserved; ++v)
            if (v != v1 && freq[v] != 0 && (v2 < 0 || freq[v] <= freq[v2])) v2 = v;
        if (v2 < 0) break;
        freq[v1] += freq[v2];
        freq[v2] = 0;
        int v = v1;
        for (++size[v]; others[v] >= 0; ++size[v])
            v = others[v];
        others[v] = v2;
        for (v = v2, ++size[v]; others[v] >= 0; ++size[v])
            v = others[v];
    }
    std::array<int, 40> bits{};
    for (int v = 0; v <= kReserved; ++v)
        if (size[v] > 0) ++bits[size[v]];
    for (int i = 39; i > 16; --i) {
        while (bits[i] > 0) {
            int j = i - 2;
            while (bits[j] == 0)
                --j;
            bits[i] -= 2;
            bits[i - 1] += 1;
            bits[j + 1] += 2;
            bits[j] -= 1;
        }
    }
    int longest = 16;
    while (bits[longest] == 0)
        --longest;
    bits[longest] -= 1; // the reserved symbol's code

    std::vector<int> order;
    for (int v = 0; v < kCategories; ++v)
        if (size[v] > 0) order.push_back(v);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return size[a] < size[b]; });
    HuffmanCounts table;
    for (int l = 1; l <= 16; ++l)
        table.counts[l - 1] = static_cast<std::uint8_t>(bits[l]);
    for (int v : order)
        table.symbols.push_back(static_cast<std::uint8_t>(v));
    return table;
}

std::vector<std::uint8_t> encodeLosslessJpeg(std::span<const std::uint16_t> samples,
                                             const LosslessJpegOptions& o) {
    if (samples.size() != std::size_t{o.samplesPerLine} * o.lines * o.components)
        throw std::invalid_argument("samples do not match the frame");
    const std::vector<HuffmanCounts> tables = chooseTables(samples, o);
    std::vector<CodeTable> codes;
    for (const auto& t : tables)
        codes.push_back(canonicalCodes(t));

    std::vector<std::uint8_t> out;
    putHeaders(out, o, tables);
    BitWriter bits(out, o.stuffing);
    auto insertion = o.insertions.begin();
    walk(
        samples, o,
        [&](std::size_t index, std::size_t c, std::uint32_t difference) {
            for (; insertion != o.insertions.end() && insertion->afterSamples == index;
                 ++insertion) {
                bits.pad();
                out.insert(out.end(), insertion->bytes.begin(), insertion->bytes.end());
            }
            if (index == o.endAfterSamples) return false;
            const auto [category, extra] = categorise(difference);
            const Code code = codes[c % codes.size()].at(category);
            if (code.length == 0) throw std::invalid_argument("a category without a code");
            bits.put(code.code, code.length);
            if (category != 0 && category != 16) bits.put(extra, category);
            return true;
        },
        [&](std::size_t restart) {
            bits.pad();
            out.insert(out.end(), {0xFF, static_cast<std::uint8_t>(0xD0 + restart % 8)});
        });
    bits.pad();
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

std::size_t findMarker(std::span<const std::uint8_t> stream, std::uint8_t code) {
    std::size_t at = 2; // after SOI
    while (at + 3 < stream.size() && stream[at] == 0xFF) {
        if (stream[at + 1] == code) return at;
        if (stream[at + 1] == 0xDA) break;
        at += 2 + ((std::size_t{stream[at + 2]} << 8) | stream[at + 3]);
    }
    return SIZE_MAX;
}

std::vector<std::uint16_t> slicedOrder(std::span<const std::uint16_t> strip, std::uint32_t width,
                                       std::uint32_t rows, std::span<const std::uint32_t> widths) {
    std::vector<std::uint16_t> out;
    out.reserve(strip.size());
    std::uint32_t start = 0;
    for (const std::uint32_t w : widths) {
        for (std::uint32_t r = 0; r < rows; ++r) {
            const auto first = strip.begin() + std::size_t{r} * width + start;
            out.insert(out.end(), first, first + w);
        }
        start += w;
    }
    if (start != width) throw std::invalid_argument("slice widths do not add up to the width");
    return out;
}

std::vector<std::uint16_t> tileOf(std::span<const std::uint16_t> image, std::uint32_t imageWidth,
                                  std::uint32_t imageHeight, std::uint32_t top, std::uint32_t left,
                                  std::uint32_t tileWidth, std::uint32_t tileLength,
                                  std::uint16_t fill) {
    std::vector<std::uint16_t> tile(std::size_t{tileWidth} * tileLength, fill);
    for (std::uint32_t r = 0; r < tileLength && top + r < imageHeight; ++r)
        for (std::uint32_t c = 0; c < tileWidth && left + c < imageWidth; ++c)
            tile[std::size_t{r} * tileWidth + c] =
                image[std::size_t{top + r} * imageWidth + left + c];
    return tile;
}

std::vector<std::uint8_t> losslessJpegDng(std::span<const std::uint16_t> image, std::uint32_t width,
                                          std::uint32_t height, std::uint32_t tileWidth,
                                          std::uint32_t tileLength,
                                          const LosslessJpegOptions& options, ByteOrder order) {
    constexpr std::uint16_t kTileWidth = 322;
    constexpr std::uint16_t kTileLength = 323;
    constexpr std::uint16_t kTileOffsets = 324;
    constexpr std::uint16_t kTileByteCounts = 325;
    TiffWriter writer(order);
    std::vector<BlockId> tiles;
    std::vector<std::uint32_t> counts;
    LosslessJpegOptions o = options;
    o.samplesPerLine = static_cast<std::uint16_t>(tileWidth / o.components);
    o.lines = static_cast<std::uint16_t>(tileLength);
    for (std::uint32_t top = 0; top < height; top += tileLength) {
        for (std::uint32_t left = 0; left < width; left += tileWidth) {
            const auto tile = tileOf(image, width, height, top, left, tileWidth, tileLength,
                                     static_cast<std::uint16_t>(1u << (o.precision - 1)));
            tiles.push_back(writer.addBlock(encodeLosslessJpeg(tile, o), 2));
            counts.push_back(writer.blockSize(tiles.back()));
        }
    }
    Ifd ifd;
    ifd.addLong(tag::kNewSubFileType, 0)
        .addLong(tag::kImageWidth, width)
        .addLong(tag::kImageLength, height)
        .addShort(tag::kBitsPerSample, o.precision)
        .addShort(tag::kCompression, 7)
        .addShort(tag::kPhotometricInterpretation, 32803) // CFA
        .addAscii(tag::kMake, "Korvane")
        .addAscii(tag::kModel, "Lossless Tiles")
        .addShort(tag::kSamplesPerPixel, 1)
        .addShort(tag::kPlanarConfiguration, 1)
        .addLong(kTileWidth, tileWidth)
        .addLong(kTileLength, tileLength)
        .addBlockOffsets(kTileOffsets, tiles)
        .addLongs(kTileByteCounts, counts)
        .addShorts(tag::kCfaRepeatPatternDim, {2, 2})
        .addBytes(tag::kCfaPattern, {0, 1, 1, 2})
        .addBytes(tag::kDngVersion, {1, 4, 0, 0})
        .addBytes(tag::kDngBackwardVersion, {1, 1, 0, 0})
        .addAscii(tag::kUniqueCameraModel, "Korvane Lossless Tiles")
        .addBytes(tag::kCfaPlaneColor, {0, 1, 2})
        .addShort(tag::kCfaLayout, 1)
        .addLong(tag::kWhiteLevel, (1u << o.precision) - 1);
    writer.addIfd(std::move(ifd));
    return writer.write();
}

} // namespace korvane::test
