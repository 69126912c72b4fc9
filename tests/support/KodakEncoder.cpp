#include "tests/support/KodakEncoder.hpp"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <stdexcept>

#include "tests/support/TiffTags.hpp"
#include "tests/support/TiffWriter.hpp"

namespace korvane::test {

namespace {

constexpr std::uint16_t kKodakCompression = 65000;
constexpr std::uint16_t kKodakMakerNoteTag = 33424;
constexpr std::uint16_t kKodakLinearizationTag = 2317;
constexpr std::uint8_t kUnsupportedLength = 13;

// Bits written lowest first into 16-bit words.
class WordBits {
public:
    void put(std::uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i, ++bit_) {
            if (bit_ % 16 == 0) words_.push_back(0);
            if ((value >> i) & 1u) words_.back() |= static_cast<std::uint16_t>(1u << (bit_ % 16));
        }
    }
    unsigned bits() const { return bit_; }
    // The words, padded with zero words to `count`, each stored big-endian.
    void store(std::size_t count, std::vector<std::uint8_t>& out) {
        words_.resize(std::max(count, words_.size()));
        for (const std::uint16_t w : words_) {
            out.push_back(static_cast<std::uint8_t>(w >> 8));
            out.push_back(static_cast<std::uint8_t>(w & 0xFF));
        }
    }

private:
    std::vector<std::uint16_t> words_;
    unsigned bit_ = 0;
};

void encodeChunk(std::span<const std::uint16_t> chunk, const KodakOptions& options,
                 std::vector<std::uint8_t>& out) {
    const std::size_t lengthCount = (chunk.size() + 3) / 4 * 4;
    std::vector<std::uint8_t> lengths(lengthCount, options.padLength);
    std::vector<std::uint32_t> codes(lengthCount, 0);
    int previous[2] = {0, 0};
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        const int d = chunk[i] - previous[i % 2];
        previous[i % 2] = chunk[i];
        if (std::abs(d) > 4095)
            throw std::invalid_argument("Kodak coding: a difference beyond 12 bits");
        const auto length =
            static_cast<std::uint8_t>(std::bit_width(static_cast<unsigned>(std::abs(d))));
        lengths[i] = length;
        codes[i] = static_cast<std::uint32_t>(d >= 0 ? d : d + (1 << length) - 1);
    }
    // The pad lengths' bits are 0: differences nobody stores.
    for (std::size_t i = 0; i < lengthCount; i += 2)
        out.push_back(static_cast<std::uint8_t>(lengths[i] | lengths[i + 1] << 4));
    WordBits bits;
    for (std::size_t i = 0; i < lengthCount; ++i)
        bits.put(codes[i], lengths[i]);
    // One word ahead where the count is 4 past a multiple of 8; then two words a fill, as
    // many fills as the bits need.
    const bool wordAhead = lengthCount % 8 == 4;
    const unsigned ahead = wordAhead ? 16 : 0;
    const unsigned fills = bits.bits() > ahead ? (bits.bits() - ahead + 31) / 32 : 0;
    bits.store((wordAhead ? 1 : 0) + 2 * fills, out);
}

} // namespace

std::vector<std::uint8_t> encodeKodak(std::span<const std::uint16_t> samples, std::uint32_t width,
                                      const KodakOptions& options) {
    if (width == 0 || samples.size() % width != 0)
        throw std::invalid_argument("Kodak coding: samples are not whole rows");
    std::vector<std::uint8_t> out;
    std::size_t chunkNumber = 0;
    for (std::size_t row = 0; row < samples.size(); row += width) {
        for (std::size_t column = 0; column < width; column += 256, ++chunkNumber) {
            const std::size_t n = std::min<std::size_t>(256, width - column);
            if (chunkNumber == options.unsupportedChunk) {
                out.push_back(kUnsupportedLength);
                out.insert(out.end(), (n + 3) / 4 * 2 - 1, 0);
                return out;
            }
            encodeChunk(samples.subspan(row + column, n), options, out);
        }
    }
    return out;
}

std::vector<std::uint8_t> kodakDcr(std::span<const std::uint16_t> samples,
                                   const KodakDcrLayout& layout) {
    TiffWriter writer(ByteOrder::Little);
    const std::uint32_t rowsPerStrip =
        layout.rowsPerStrip == 0 ? layout.height : layout.rowsPerStrip;
    std::vector<BlockId> strips;
    std::vector<std::uint32_t> byteCounts;
    for (std::uint32_t row = 0; row < layout.height; row += rowsPerStrip) {
        const std::uint32_t rows = std::min(rowsPerStrip, layout.height - row);
        const auto strip =
            samples.subspan(std::size_t{row} * layout.width, std::size_t{rows} * layout.width);
        strips.push_back(writer.addBlock(encodeKodak(strip, layout.width, layout.coding)));
        byteCounts.push_back(writer.blockSize(strips.back()));
    }
    Ifd raw;
    raw.addLong(tag::kNewSubFileType, 0).addLong(tag::kImageWidth, layout.width);
    raw.addLong(tag::kImageLength, layout.height).addShort(tag::kBitsPerSample, 12);
    raw.addShort(tag::kCompression, kKodakCompression)
        .addShort(tag::kPhotometricInterpretation, 32803);
    raw.addAscii(tag::kMake, "Kodak").addAscii(tag::kModel, layout.model);
    raw.addBlockOffsets(tag::kStripOffsets, strips).addShort(tag::kSamplesPerPixel, 1);
    raw.addLong(tag::kRowsPerStrip, rowsPerStrip).addLongs(tag::kStripByteCounts, byteCounts);
    if (!layout.linearisation.empty()) {
        Ifd makerNote;
        makerNote.addShorts(kKodakLinearizationTag, layout.linearisation);
        raw.addSubIfds(kKodakMakerNoteTag, {makerNote});
    }
    writer.addIfd(raw);
    return writer.write();
}

} // namespace korvane::test
