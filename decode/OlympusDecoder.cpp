#include "decode/OlympusDecoder.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <string>

#include "decode/BitReaderJpeg.hpp"
#include "decode/UncompressedSamples.hpp"

namespace korvane {

namespace {

constexpr std::uint32_t kHeaderBytes = 7;
// The unary part of a magnitude ends at 12 zeros, which announce an escape.
constexpr int kEscape = 12;
// The escape's bits and the low bits together make 16.
constexpr int kEscapeBits = 16;
// Magnitudes below this count as small for the run count.
constexpr std::int32_t kSmallMagnitude = 17;
// Neighbours closer than this to the corner are averaged rather than extrapolated.
constexpr std::int32_t kFlatness = 32;

// The adaptive state of one column parity.
struct CodingState {
    std::int32_t magnitude = 0;  // the last magnitude, a0
    std::int32_t mean = 0;       // running mean of the differences, a1
    std::int32_t smallRun = 0;   // magnitudes below 17 in a row, a2
};

// The bits of the stream, taken with a check that they are there.
class CodeBits {
public:
    explicit CodeBits(JpegBitReader& reader) : reader_(reader) {}
    bool ended() const { return ended_; }

    std::uint32_t take(int n) {
        if (n == 0) return 0;
        if (reader_.count() < n) reader_.refill();
        if (reader_.count() < n) {
            ended_ = true;
            return 0;
        }
        const std::uint32_t v = reader_.peek(n);
        reader_.skip(n);
        return v;
    }
    // Zero bits before a one, the one consumed; 12 zeros end the count without a one.
    int zeros() {
        if (reader_.count() < kEscape) reader_.refill();
        const int window = std::min(kEscape, reader_.count());
        const std::uint32_t v = window == 0 ? 0 : reader_.peek(window);
        if (v == 0) {
            if (window < kEscape) {
                ended_ = true;
                return 0;
            }
            reader_.skip(kEscape);
            return kEscape;
        }
        const int count = window - std::bit_width(v);
        reader_.skip(count + 1);
        return count;
    }

private:
    JpegBitReader& reader_;
    bool ended_ = false;
};

// The bits one difference takes at most: 3, 12 zeros of an escape, and 16.
constexpr int kBitsPerResidual = 31;

// The next difference of the column whose state is `s`, with the 2 low bits that go beside
// it: the sample is the prediction + 4 x difference + low.
std::int32_t nextResidual(JpegBitReader& reader, CodeBits& bits, CodingState& s) {
    const int extra = s.smallRun < 3 ? 2 : 0;
    // The magnitude counts with its low 16 bits, as the coding keeps it; the full value could
    // push nbits past 16 and ask the escape for a negative number of bits. nbits is the least
    // from 2 + extra on that leaves nothing of it above nbits + extra bits.
    const int nbits =
        std::max(2 + extra, static_cast<int>(std::bit_width(static_cast<std::uint32_t>(s.magnitude & 0xffff))) - extra);
    std::int32_t low = 0, sign = 0, high = 0, rest = 0;
    if (reader.count() < kBitsPerResidual) reader.refill();
    if (reader.count() >= kBitsPerResidual) {
        // Every bit is there: no check on the way.
        const std::uint32_t head = reader.peek(3);
        reader.skip(3);
        low = static_cast<std::int32_t>(head & 3);
        sign = (head & 4) != 0 ? -1 : 0;
        const std::uint32_t window = reader.peek(kEscape);
        if (window == 0) {
            reader.skip(kEscape);
            const int escapeBits = kEscapeBits - nbits;
            high = escapeBits == 0 ? 0 : static_cast<std::int32_t>(reader.peek(escapeBits) >> 1);
            if (escapeBits != 0) reader.skip(escapeBits);
        } else {
            high = kEscape - static_cast<int>(std::bit_width(window));
            reader.skip(high + 1);
        }
        rest = static_cast<std::int32_t>(reader.peek(nbits));
        reader.skip(nbits);
    } else {
        const std::uint32_t head = bits.take(3);
        low = static_cast<std::int32_t>(head & 3);
        sign = (head & 4) != 0 ? -1 : 0;
        high = bits.zeros();
        if (high == kEscape) high = static_cast<std::int32_t>(bits.take(kEscapeBits - nbits) >> 1);
        rest = static_cast<std::int32_t>(bits.take(nbits));
    }
    s.magnitude = high << nbits | rest;
    const std::int32_t difference = (s.magnitude ^ sign) + s.mean;
    s.mean = (3 * difference + s.mean) >> 5;
    s.smallRun = s.magnitude < kSmallMagnitude ? s.smallRun + 1 : 0;
    return 4 * difference + low;
}

// The prediction of a sample from its neighbours two columns left (w), two rows up (n) and
// both (nw). Without branches (the data decide, and no branch predictor guesses them): the
// corner between its neighbours averages or extrapolates, else the closer neighbour is taken.
std::int32_t predict(std::int32_t w, std::int32_t n, std::int32_t nw) {
    const bool between = ((w < nw) & (nw < n)) | ((n < nw) & (nw < w));
    const bool flat = (std::abs(w - nw) <= kFlatness) & (std::abs(n - nw) <= kFlatness);
    const std::int32_t inside = flat ? (w + n) / 2 : w + n - nw;
    const std::int32_t closer = std::abs(n - nw) < std::abs(w - nw) ? w : n;
    return between ? inside : closer;
}

} // namespace

Status DecodeOlympus(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                     Reporter& reporter, std::string_view path) {
    ByteInput in(source, byteCount);
    if (!skipBytes(in, kHeaderBytes)) {
        reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path), "end of file occured\nwhile reading compressed scan data");
        return kFailed;
    }
    if (!target.valid()) return kOk;
    JpegBitReader reader(in, false);
    CodeBits bits(reader);
    const std::uint32_t columns = target.width & ~1u;
    for (std::uint32_t r = 0; r < target.rows; ++r) {
        const std::uint64_t row = std::uint64_t{target.rowStart} + r;
        // The row's samples inside the image: the neighbours of each lie in the image too,
        // in rows and columns of this strip stored before it.
        const bool rowInside = row < target.imageHeight && target.columnStart < target.imageWidth;
        const std::uint32_t stored =
            rowInside ? std::min(columns, target.imageWidth - target.columnStart) : 0;
        std::uint16_t* out = rowInside ? target.samples.data() + row * target.imageWidth +
                                             target.columnStart
                                       : nullptr;
        const std::uint16_t* up = r >= 2 && out != nullptr ? out - 2 * std::size_t{target.imageWidth} : nullptr;
        std::array<CodingState, 2> states{};
        for (std::uint32_t c = 0; c < columns; ++c) {
            const std::int32_t residual = nextResidual(reader, bits, states[c & 1]);
            if (bits.ended()) {
                reporter.ShowMessage(MessageId::JpegDataError, "tile/strip data incomplete");
                return kFailed;
            }
            if (c >= stored) continue;
            std::int32_t prediction = 0;
            if (up == nullptr)
                prediction = c < 2 ? 0 : out[c - 2];
            else if (c < 2)
                prediction = up[c];
            else
                prediction = predict(out[c - 2], up[c], up[c - 2]);
            out[c] = static_cast<std::uint16_t>(prediction + residual);
        }
    }
    return kOk;
}

} // namespace korvane
