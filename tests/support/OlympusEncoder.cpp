#include "tests/support/OlympusEncoder.hpp"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <stdexcept>

#include "tests/support/TiffTags.hpp"
#include "tests/support/TiffWriter.hpp"

namespace korvane::test {

namespace {

constexpr std::uint16_t kOrfMagic = 0x4F52; // "RO" after "II"

// Bits written highest first.
class BitsOut {
public:
    void put(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if ((value >> i) & 1u) bytes_.back() |= static_cast<std::uint8_t>(0x80u >> (used_ % 8));
            ++used_;
        }
    }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
};

struct Parity {
    int lastMagnitude = 0;
    int mean = 0;
    int smallRun = 0;
};

// The prediction from what the decoder has when it reaches (r, c): the samples two columns
// left, two rows up, and both.
int predictionOf(std::span<const std::uint16_t> image, std::size_t width, std::size_t r,
                 std::size_t c) {
    const auto at = [&](std::size_t y, std::size_t x) { return int{image[y * width + x]}; };
    if (r < 2) return c < 2 ? 0 : at(r, c - 2);
    if (c < 2) return at(r - 2, c);
    const int w = at(r, c - 2), n = at(r - 2, c), nw = at(r - 2, c - 2);
    const int fromW = std::abs(w - nw), fromN = std::abs(n - nw);
    if (std::min(w, n) < nw && nw < std::max(w, n))
        return fromW > 32 || fromN > 32 ? w + n - nw : (w + n) >> 1;
    return fromW > fromN ? w : n;
}

void encodeSample(int residual, Parity& p, const OlympusOptions& options, BitsOut& out) {
    const int low = residual & 3;
    const int difference = (residual - low) / 4;
    const int fromMean = difference - p.mean;
    const bool negative = fromMean < 0;
    const int magnitude = negative ? -fromMean - 1 : fromMean;
    // The magnitude before sets how many low bits this one takes, counted by its low 16 bits.
    const int extra = p.smallRun < 3 ? 2 : 0;
    const int nbits = std::max(
        2 + extra,
        static_cast<int>(std::bit_width(static_cast<unsigned>(p.lastMagnitude & 0xffff))) - extra);
    const int high = magnitude >> nbits;
    out.put((negative ? 4u : 0u) | static_cast<unsigned>(low), 3);
    if (high < 12 && !options.escapeAlways) {
        out.put(1, high + 1);
    } else {
        const int fieldBits = 16 - nbits;
        if ((high << 1) >= (1 << fieldBits))
            throw std::invalid_argument("Olympus coding: a magnitude too large");
        out.put(0, 12);
        out.put(static_cast<std::uint32_t>(high << 1), fieldBits);
    }
    out.put(static_cast<std::uint32_t>(magnitude) & ((1u << nbits) - 1), nbits);
    p.lastMagnitude = magnitude;
    p.mean = (3 * difference + p.mean) >> 5;
    p.smallRun = magnitude <= 16 ? p.smallRun + 1 : 0;
}

} // namespace

std::vector<std::uint8_t> encodeOlympus(std::span<const std::uint16_t> samples, std::uint32_t width,
                                        const OlympusOptions& options) {
    if (width == 0 || samples.size() % width != 0)
        throw std::invalid_argument("Olympus coding: samples are not whole rows");
    BitsOut out;
    for (int i = 0; i < 7; ++i)
        out.put(0, 8); // the header
    const std::size_t rows = samples.size() / width;
    const std::size_t coded = width - width % 2;
    for (std::size_t r = 0; r < rows; ++r) {
        Parity parity[2];
        for (std::size_t c = 0; c < coded; ++c) {
            const int residual = samples[r * width + c] - predictionOf(samples, width, r, c);
            encodeSample(residual, parity[c % 2], options, out);
        }
    }
    std::vector<std::uint8_t>& bytes = out.bytes();
    if (options.keepBytes < bytes.size()) bytes.resize(options.keepBytes);
    return bytes;
}

std::vector<std::uint8_t> olympusOrf(std::span<const std::uint16_t> samples,
                                     const OlympusOrfLayout& layout) {
    TiffWriter writer(ByteOrder::Little);
    writer.setMagic(kOrfMagic);
    const BlockId data = writer.addBlock(encodeOlympus(samples, layout.width, layout.coding));
    Ifd raw;
    raw.addLong(tag::kNewSubFileType, 0).addLong(tag::kImageWidth, layout.width);
    raw.addLong(tag::kImageLength, layout.height).addShort(tag::kBitsPerSample, 16);
    raw.addShort(tag::kCompression, 1).addShort(tag::kPhotometricInterpretation, 32803);
    raw.addAscii(tag::kMake, "OLYMPUS IMAGING CORP.  ").addAscii(tag::kModel, layout.model);
    raw.addBlockOffsets(tag::kStripOffsets, {data}).addShort(tag::kSamplesPerPixel, 1);
    raw.addLong(tag::kRowsPerStrip, layout.height)
        .addLong(tag::kStripByteCounts, writer.blockSize(data));
    writer.addIfd(raw);
    return writer.write();
}

} // namespace korvane::test
