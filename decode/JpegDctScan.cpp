// The scan of a sequential DCT frame (T.81 Annex F, Huffman coded, one component), as some DNG
// writers store lossy-compressed CFA data under the lossless JPEG compression value. The
// frame's samples, line after line, are the tile's samples row after row, just as with a
// lossless frame of another shape than the tile.
#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <vector>

#include "decode/Allocation.hpp"
#include "decode/BitReaderJpeg.hpp"
#include "decode/LosslessJpegParts.hpp"

namespace korvane::ljpeg {

namespace {

constexpr int kBlock = 8;
// A code and its extra bits take at most 16 + 15 bits.
constexpr int kBitsPerCoefficient = 31;

// The position in the 8 x 8 block (row after row) of each coefficient in stream order.
constexpr std::array<std::uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// cos((2x + 1) u pi / 16) / 2 at [u][x], the angle taken modulo 2 pi first.
struct Cosines {
    std::array<std::array<float, kBlock>, kBlock> c{};
    Cosines() {
        for (int x = 0; x < kBlock; ++x)
            for (int u = 0; u < kBlock; ++u)
                c[u][x] = static_cast<float>(
                    std::cos(((2 * x + 1) * u % 32) * std::numbers::pi / 16) / 2);
    }
};

// The inverse DCT of T.81 A.3.3 in single precision, along the rows of the block first, then
// along its columns; the level shift is already in the DC coefficient. Each result is rounded
// half up and clamped to 0 .. maximum. `nonzero` has bit v * 8 + u set for each coefficient
// that may be other than zero: the sums leave out the terms of the others, which are exact
// zeros, so the results are those of the full sums (most blocks have few coefficients). Each
// sum adds its terms in the order of u, then v, eight sums side by side.
void inverseDct(std::array<float, 64>& f, std::uint64_t nonzero, std::uint16_t* out,
                std::uint32_t maximum) {
    static const Cosines cosines;
    const auto& c = cosines.c;
    constexpr double kHalfSqrt = std::numbers::sqrt2 / 2; // C(0)
    for (int u = 0; u < kBlock; ++u)
        f[u] = static_cast<float>(f[u] * kHalfSqrt);
    for (int v = 0; v < kBlock; ++v)
        f[v * kBlock] = static_cast<float>(f[v * kBlock] * kHalfSqrt);
    std::array<std::array<float, kBlock>, kBlock> rows;
    std::array<int, kBlock> usedRows{};
    int used = 0;
    for (int v = 0; v < kBlock; ++v) {
        const auto columns = static_cast<std::uint32_t>((nonzero >> (v * kBlock)) & 0xFF);
        if (columns == 0) continue;
        usedRows[used++] = v;
        std::array<float, kBlock> sum{};
        for (std::uint32_t m = columns; m != 0; m &= m - 1) {
            const int u = std::countr_zero(m);
            const float coefficient = f[v * kBlock + u];
            for (int x = 0; x < kBlock; ++x)
                sum[x] += coefficient * c[u][x];
        }
        rows[v] = sum;
    }
    const std::int64_t top = maximum;
    for (int y = 0; y < kBlock; ++y) {
        std::array<float, kBlock> sum{};
        for (int i = 0; i < used; ++i) {
            const int v = usedRows[i];
            const float cosine = c[v][y];
            for (int x = 0; x < kBlock; ++x)
                sum[x] += rows[v][x] * cosine;
        }
        // Truncated towards zero as an integer: the sums stay far inside 64 bits (16-bit
        // coefficients times 16-bit quantisers, 64 terms), and below zero both the truncation
        // and the clamp give 0.
        for (int x = 0; x < kBlock; ++x) {
            const auto rounded = static_cast<std::int64_t>(static_cast<double>(sum[x]) + 0.5);
            out[y * kBlock + x] =
                static_cast<std::uint16_t>(std::clamp<std::int64_t>(rounded, 0, top));
        }
    }
}

enum class Outcome : std::uint8_t { Block, EndOfImage, Failed };

class DctDecoder {
public:
    DctDecoder(ByteInput& input, const Headers& headers, bool stuffing, Reporter& reporter,
               std::string_view path)
        : bits_(input, stuffing), headers_(headers), reporter_(reporter), path_(path),
          dc_(headers.dcTables[headers.scan.table[0]]), ac_(headers.acTables[headers.scan.acTable]),
          quant_(headers.quant[headers.frame.quantTable]),
          maximum_((1u << headers.frame.precision) - 1),
          levelShift_(std::int64_t{kBlock} << (headers.frame.precision - 1)) {}

    Status run(SamplePlacer& placer);

private:
    Outcome block(std::uint16_t* out);
    Outcome atBlockStart();
    Outcome symbol(const HuffmanTable& table, int& value);
    Outcome bits(int size, std::uint32_t& value);
    Outcome stopped();
    Outcome fail(const char* text) {
        reporter_.ShowMessage(MessageId::JpegDataError, text);
        return Outcome::Failed;
    }

    JpegBitReader bits_;
    const Headers& headers_;
    Reporter& reporter_;
    std::string_view path_;
    const HuffmanTable& dc_;
    const HuffmanTable& ac_;
    const std::array<std::uint16_t, 64>& quant_;
    const std::uint32_t maximum_;
    const std::int64_t levelShift_;
    std::int64_t dcPredictor_ = 0; // the last DC coefficient, dequantised
};

// What keeps the bits from going on: the end of the image, a marker inside a block, or the
// end of the data.
Outcome DctDecoder::stopped() {
    switch (bits_.stop()) {
    case JpegBitReader::Stop::Marker:
        if (bits_.marker() == 0xD9) {
            reportPrematureEnd(reporter_);
            return Outcome::EndOfImage;
        }
        return fail("misplaced marker in scan data");
    default:
        reportShortage(bits_.stop() == JpegBitReader::Stop::SourceEnd, reporter_, path_);
        return Outcome::Failed;
    }
}

Outcome DctDecoder::symbol(const HuffmanTable& table, int& value) {
    if (bits_.count() < kBitsPerCoefficient) bits_.refill();
    // Past the bits there are only zeros, so a short code near a stop is still found.
    int length = 0;
    value = table.match(bits_.peek(HuffmanTable::kMaxCodeLength), length);
    if (value < 0) {
        if (bits_.count() < HuffmanTable::kMaxCodeLength) return stopped();
        return fail(huffmanCodeFault(bits_.peek(HuffmanTable::kMaxCodeLength + 1) ==
                                     HuffmanTable::kLongCode));
    }
    if (length > bits_.count()) return stopped();
    bits_.skip(length);
    return Outcome::Block;
}

Outcome DctDecoder::bits(int size, std::uint32_t& value) {
    if (bits_.count() < size) {
        bits_.refill();
        if (bits_.count() < size) return stopped();
    }
    value = bits_.peek(size);
    bits_.skip(size);
    return Outcome::Block;
}

// A restart marker may stand before a block, after the one-bits that fill the byte before it;
// it starts the DC prediction again.
Outcome DctDecoder::atBlockStart() {
    for (;;) {
        if (bits_.count() >= kBlock) return Outcome::Block;
        bits_.refill();
        const int left = bits_.count();
        if (left >= kBlock || bits_.stop() != JpegBitReader::Stop::Marker)
            return Outcome::Block; // a shortage shows when the bits are needed
        const std::uint8_t marker = bits_.marker();
        if (marker == 0xD9 || (left > 0 && bits_.peek(left) != (1u << left) - 1))
            return Outcome::Block; // the end, or a marker inside the block: see stopped()
        if (marker < 0xD0 || marker > 0xD7) return fail("marker in scan data encountered");
        if (left > 0) bits_.skip(left);
        bits_.resume();
        dcPredictor_ = 0;
    }
}

Outcome DctDecoder::block(std::uint16_t* out) {
    Outcome outcome = atBlockStart();
    if (outcome != Outcome::Block) return outcome;
    std::array<float, 64> f{};
    int size = 0;
    std::uint32_t raw = 0;
    if ((outcome = symbol(dc_, size)) != Outcome::Block) return outcome;
    std::int32_t difference = 0;
    if (size > 0) {
        if ((outcome = bits(size, raw)) != Outcome::Block) return outcome;
        difference = extendBits(size, raw);
    }
    dcPredictor_ += std::int64_t{difference} * quant_[0];
    f[0] = static_cast<float>(dcPredictor_ + levelShift_);
    std::uint64_t nonzero = 1; // by position in the block

    for (int k = 1; k < 64;) {
        int runSize = 0;
        if (bits_.count() < kBitsPerCoefficient) bits_.refill();
        if (bits_.count() >= kBitsPerCoefficient) {
            // The bits of a code and its coefficient are all there: no stop to look out for.
            int length = 0;
            runSize = ac_.match(bits_.peek(HuffmanTable::kMaxCodeLength), length);
            if (runSize >= 0 && (runSize & 0x0F) != 0 && k + (runSize >> 4) <= 63) {
                bits_.skip(length);
                k += runSize >> 4;
                size = runSize & 0x0F;
                raw = bits_.peek(size);
                bits_.skip(size);
                f[kZigzag[k]] = static_cast<float>(std::int64_t{extendBits(size, raw)} * quant_[k]);
                nonzero |= std::uint64_t{1} << kZigzag[k];
                ++k;
                continue;
            }
        }
        // Near a stop, at the end of the block, or at a fault.
        if ((outcome = symbol(ac_, runSize)) != Outcome::Block) return outcome;
        const int run = runSize >> 4;
        size = runSize & 0x0F;
        if (size == 0) {
            if (run != 15) break; // end of block
            k += 16;
            if (k > 64) return fail("AC coefficients past the end of the block");
            continue;
        }
        k += run;
        if (k > 63) return fail("AC coefficients past the end of the block");
        if ((outcome = bits(size, raw)) != Outcome::Block) return outcome;
        f[kZigzag[k]] = static_cast<float>(std::int64_t{extendBits(size, raw)} * quant_[k]);
        nonzero |= std::uint64_t{1} << kZigzag[k];
        ++k;
    }
    inverseDct(f, nonzero, out, maximum_);
    return Outcome::Block;
}

Status DctDecoder::run(SamplePlacer& placer) {
    const std::uint32_t width = headers_.frame.samplesPerLine;
    const std::uint32_t lines = headers_.frame.lines;
    const std::uint64_t needed = placer.samplesNeeded();
    if (needed == 0 || width == 0) return kOk;
    const std::uint32_t blocksAcross = (width + kBlock - 1) / kBlock;
    const std::uint32_t pitch = blocksAcross * kBlock;
    const std::size_t bufferSamples = std::size_t{pitch} * kBlock;
    std::vector<std::uint16_t> buffer;
    if (!allocateZeroed(buffer, bufferSamples, reporter_, "JPEG block row buffer")) return kFailed;
    std::array<std::uint16_t, 64> samples{};
    std::uint64_t done = 0;
    for (std::uint32_t top = 0; top < lines && done < needed; top += kBlock) {
        for (std::uint32_t b = 0; b < blocksAcross; ++b) {
            const Outcome outcome = block(samples.data());
            if (outcome == Outcome::EndOfImage) return kOk;
            if (outcome == Outcome::Failed) return kFailed;
            for (int y = 0; y < kBlock; ++y)
                std::copy_n(samples.data() + y * kBlock, kBlock,
                            buffer.data() + std::size_t{pitch} * y + b * kBlock);
        }
        // The block row's lines inside the frame, up to the last sample needed.
        const std::uint32_t rowLines = std::min<std::uint32_t>(kBlock, lines - top);
        for (std::uint32_t y = 0; y < rowLines && done < needed; ++y) {
            const auto count =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(width, needed - done));
            placer.place(buffer.data() + std::size_t{pitch} * y, count);
            done += count;
        }
    }
    return kOk;
}

} // namespace

Status DecodeDctScan(ByteInput& input, const Headers& headers, bool stuffing, SamplePlacer& placer,
                     Reporter& reporter, std::string_view path) {
    DctDecoder decoder(input, headers, stuffing, reporter, path);
    return decoder.run(placer);
}

} // namespace korvane::ljpeg
