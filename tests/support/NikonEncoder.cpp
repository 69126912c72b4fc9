#include "tests/support/NikonEncoder.hpp"

#include <cmath>
#include <stdexcept>

#include "tests/support/TiffTags.hpp"

namespace korvane::test {

namespace {

constexpr std::uint16_t kNikonCompressionTag = 147;
constexpr std::uint16_t kCompressionInfoTag = 150;
constexpr std::uint16_t kMakerNoteTag = 37500;
constexpr std::uint16_t kNikonCompressed = 34713;

// Bits after bits, first bit highest, gathered in a word and written a byte at a time.
class PlainBitWriter {
public:
    explicit PlainBitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void put(std::uint32_t bits, int count) {
        if (count == 0) return;
        word_ = word_ << count | (bits & ((std::uint64_t{1} << count) - 1));
        held_ += count;
        while (held_ >= 8) {
            held_ -= 8;
            out_.push_back(static_cast<std::uint8_t>(word_ >> held_));
        }
    }
    void finish() {
        if (held_ > 0) put(0, 8 - held_);
    }

private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t word_ = 0;
    int held_ = 0;
};

// The code and length of every bit count 0 to 16 (length 0: the table has none).
struct Codes {
    std::array<std::uint32_t, 17> code{};
    std::array<int, 17> length{};
};

Codes assignCodes(const HuffmanCounts& table) {
    Codes out;
    std::uint32_t next = 0;
    std::size_t symbol = 0;
    for (int length = 1; length <= 16; ++length, next <<= 1) {
        for (int k = 0; k < table.counts[length - 1]; ++k) {
            const std::uint8_t bits = table.symbols.at(symbol++);
            out.code.at(bits) = next++;
            out.length.at(bits) = length;
        }
    }
    return out;
}

void putDifference(PlainBitWriter& w, const Codes& codes, std::uint16_t from, std::uint16_t to) {
    const auto d = static_cast<std::int16_t>(static_cast<std::uint16_t>(to - from));
    int count = 0;
    std::uint32_t extra = 0;
    if (d == -32768) {
        count = 16; // no extra bits
    } else if (d != 0) {
        const std::uint32_t magnitude = static_cast<std::uint32_t>(d < 0 ? -d : d);
        while ((magnitude >> count) != 0)
            ++count;
        // A negative difference is sent as its complement in `count` bits: leading bit 0.
        extra = d > 0 ? magnitude : (1u << count) - 1 - magnitude;
    }
    if (codes.length[count] == 0)
        throw std::invalid_argument("no code for a difference of " + std::to_string(count) +
                                    " bits");
    w.put(codes.code[count], codes.length[count]);
    if (count != 16) w.put(extra, count);
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v, ByteOrder order) {
    const auto hi = static_cast<std::uint8_t>(v >> 8), lo = static_cast<std::uint8_t>(v);
    out.push_back(order == ByteOrder::Big ? hi : lo);
    out.push_back(order == ByteOrder::Big ? lo : hi);
}

// The maker note bytes: "Nikon", 0, the version 2.10, two zero bytes, then a TIFF file of its
// own holding the maker note directory.
std::vector<std::uint8_t> nikonMakerNote(const NefLayout& layout) {
    Ifd note;
    note.addShort(kNikonCompressionTag, layout.kind);
    if (!layout.info.empty()) note.addUndefined(kCompressionInfoTag, layout.info);
    TiffWriter inner(layout.noteOrder);
    inner.addIfd(note);
    std::vector<std::uint8_t> bytes{'N', 'i', 'k', 'o', 'n', 0, 2, 0x10, 0, 0};
    const std::vector<std::uint8_t> tiff = inner.write();
    bytes.insert(bytes.end(), tiff.begin(), tiff.end());
    return bytes;
}

} // namespace

HuffmanCounts nikonCodes(bool lossless, int bits) {
    if (lossless && bits == 12)
        return {{0, 1, 4, 2, 3, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                {5, 4, 6, 3, 7, 2, 8, 1, 9, 0, 10, 11, 12}};
    if (lossless)
        return {{0, 1, 4, 2, 2, 3, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0},
                {7, 6, 8, 5, 9, 4, 10, 3, 11, 12, 2, 0, 1, 13, 14}};
    if (bits == 12)
        return {{0, 1, 5, 1, 1, 1, 1, 1, 1, 2, 0, 0, 0, 0, 0, 0},
                {5, 4, 3, 6, 2, 7, 1, 0, 8, 9, 11, 10, 12, 13}};
    return {{0, 1, 4, 3, 1, 1, 1, 1, 1, 2, 0, 0, 0, 0, 0, 0},
            {5, 6, 4, 7, 8, 3, 9, 2, 1, 0, 10, 11, 12, 13, 14}};
}

std::vector<std::uint8_t> encodePairRows(std::span<const std::uint16_t> samples,
                                         std::uint32_t width, std::uint32_t rows,
                                         const HuffmanCounts& table, PairPredictors vertical) {
    if (samples.size() < std::size_t{width} * rows) throw std::invalid_argument("too few samples");
    const Codes codes = assignCodes(table);
    std::vector<std::uint8_t> out;
    out.reserve(samples.size());
    PlainBitWriter w(out);
    for (std::uint32_t r = 0; r < rows; ++r) {
        const std::uint16_t* row = samples.data() + std::size_t{r} * width;
        std::array<std::uint16_t, 2> last = vertical[r & 1];
        for (std::uint32_t c = 0; c + 1 < width; c += 2) {
            for (int k = 0; k < 2; ++k) {
                putDifference(w, codes, last[k], row[c + k]);
                last[k] = row[c + k];
            }
            if (c == 0) vertical[r & 1] = last;
        }
    }
    w.finish();
    return out;
}

std::vector<std::uint8_t> compressionInfoBytes(const CompressionInfoLayout& layout,
                                               ByteOrder order) {
    std::vector<std::uint8_t> out{layout.type, layout.subType};
    for (const auto& parity : layout.vertical)
        for (const std::uint16_t v : parity)
            put16(out, v, order);
    put16(out, static_cast<std::uint32_t>(layout.points.size()), order);
    for (const std::uint16_t p : layout.points)
        put16(out, p, order);
    if (layout.type == 0x44) {
        put16(out, layout.skip, order);
        out.resize(out.size() + layout.skip + (layout.skip == 32 ? 2 : 0), 0);
        put16(out, layout.veryNoisy, order);
    }
    out.resize(out.size() - std::min(layout.cut, out.size()));
    return out;
}

std::vector<std::uint16_t> risingCurve(std::size_t count, std::uint32_t top) {
    std::vector<std::uint16_t> points(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i) / static_cast<double>(count - 1);
        points[i] = static_cast<std::uint16_t>(std::lround((top - 1) * std::sqrt(x)));
    }
    return points;
}

std::vector<std::uint8_t> buildNef(const NefLayout& layout) {
    TiffWriter w(layout.order);
    const BlockId strip = w.addBlock(layout.strip);
    Ifd raw;
    raw.addLong(tag::kNewSubFileType, 0)
        .addLong(tag::kImageWidth, layout.width)
        .addLong(tag::kImageLength, layout.height)
        .addShort(tag::kBitsPerSample, layout.bits)
        .addShort(tag::kCompression, kNikonCompressed)
        .addShort(tag::kPhotometricInterpretation, 32803)
        .addBlockOffsets(tag::kStripOffsets, {strip})
        .addShort(tag::kSamplesPerPixel, 1)
        .addLong(tag::kRowsPerStrip, layout.height)
        .addLong(tag::kStripByteCounts, static_cast<std::uint32_t>(layout.strip.size()))
        .addShort(tag::kPlanarConfiguration, 1)
        .addShorts(tag::kCfaRepeatPatternDim, {2, 2})
        .addBytes(tag::kCfaPattern, {0, 1, 1, 2});
    Ifd exif;
    exif.addUndefined(kMakerNoteTag, nikonMakerNote(layout));
    Ifd first;
    first.addLong(tag::kNewSubFileType, 1)
        .addAscii(tag::kMake, "NIKON CORPORATION")
        .addAscii(tag::kModel, layout.model)
        .addShort(tag::kOrientation, 1)
        .addSubIfds(tag::kExifIfd, {exif})
        .addSubIfds(tag::kSubIfds, {raw});
    w.addIfd(first);
    return w.write();
}

std::vector<std::uint16_t> sceneSamples(std::uint32_t width, std::uint32_t height, int bits,
                                        std::uint64_t sequence) {
    std::vector<std::uint16_t> out(std::size_t{width} * height);
    const std::uint32_t top = (1u << bits) - 1;
    std::uint64_t state = sequence * 0x9E3779B97F4A7C15ull + 7;
    for (std::uint32_t r = 0; r < height; ++r) {
        for (std::uint32_t c = 0; c < width; ++c) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            // Shading across the frame, a bright square, and noise of a few values.
            const std::uint64_t shade = (std::uint64_t{r} * 3 + c) * top / (3 * height + width);
            const bool square = r % 512 < 64 && c % 640 < 80;
            const std::uint64_t v = (square ? top - shade / 4 : shade) + (state & 15);
            out[std::size_t{r} * width + c] = static_cast<std::uint16_t>(v > top ? top : v);
        }
    }
    return out;
}

SyntheticNef syntheticNef(std::uint16_t kind, std::uint8_t bits, const std::string& model,
                          std::uint32_t width, std::uint32_t height) {
    CompressionInfoLayout layout;
    layout.vertical = {{{512, 512}, {512, 512}}};
    if (kind != 3) {
        layout.type = 0x44;
        layout.subType = kind == 1 ? 0x10 : 0x20;
        layout.points = risingCurve(257, 1u << bits);
    }
    // Lossy type 1 codes indices of its 257 points; the others the full range.
    const auto raw = sceneSamples(width, height, kind == 1 ? 8 : bits, 1);
    SyntheticNef out;
    out.info = compressionInfoBytes(layout, ByteOrder::Big);
    out.strip = encodePairRows(raw, width, height, nikonCodes(kind == 3, bits), layout.vertical);
    NefLayout s;
    s.model = model;
    s.width = width;
    s.height = height;
    s.bits = bits;
    s.kind = kind;
    s.info = out.info;
    s.strip = out.strip;
    out.file = buildNef(s);
    return out;
}

} // namespace korvane::test
