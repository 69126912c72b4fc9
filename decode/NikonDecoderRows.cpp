#include "decode/NikonDecoderRows.hpp"

#include <algorithm>
#include <string>

#include "decode/BitReaderJpeg.hpp"
#include "decode/DifferenceLookup.hpp"

namespace korvane::predicted_rows {

namespace {

// A code and its difference bits take at most 16 + 15 bits; symbol 16 has no extra bits.
constexpr int kBitsPerDifference = 31;

// The difference of category `symbol` from its extra bits (T.81 EXTEND), modulo 2^16: a
// leading 1 bit gives the bits as they stand, a leading 0 the negative value they complement.
inline std::uint32_t extend(int symbol, std::uint32_t bits) {
    if (symbol == 0) return 0;
    if (symbol == 16) return 32768;
    return (bits >> (symbol - 1)) != 0 ? bits : bits - (1u << symbol) + 1;
}

class RowDecoder {
public:
    // The data is not JPEG: every byte is data, 0xFF included.
    RowDecoder(ByteInput& input, const HuffmanTable& table) : bits_(input, false), table_(table) {
        lookup_.build(table);
    }

    RowsEnd end() const { return end_; }

    // The next difference, modulo 2^16; false when the bits stop first (end() tells why).
    inline bool difference(std::uint32_t& value) {
        if (bits_.count() < kBitsPerDifference) {
            bits_.refill();
            if (bits_.count() < kBitsPerDifference) return slowDifference(value);
        }
        if (lookup_.take(bits_, value)) return true;
        int length = 0;
        const int symbol = table_.match(bits_.peek(HuffmanTable::kMaxCodeLength), length);
        if (symbol < 0) {
            end_ = RowsEnd::BadCode;
            return false;
        }
        bits_.skip(length);
        std::uint32_t extra = 0;
        if (symbol != 0 && symbol != 16) {
            extra = bits_.peek(symbol);
            bits_.skip(symbol);
        }
        value = extend(symbol, extra);
        return true;
    }

private:
    bool takeBit(std::uint32_t& bit) {
        if (bits_.count() == 0) {
            bits_.refill();
            if (bits_.count() == 0) {
                end_ = bits_.stop() == JpegBitReader::Stop::SourceEnd ? RowsEnd::SourceEnd
                                                                      : RowsEnd::StripEnd;
                return false;
            }
        }
        bit = bits_.peek(1);
        bits_.skip(1);
        return true;
    }

    // One difference a bit at a time, as near the end of the data, where fewer bits are left
    // than the longest code needs and the look-up would read past them.
    bool slowDifference(std::uint32_t& value) {
        std::uint32_t code = 0;
        int symbol = -1;
        for (int length = 1; symbol < 0; ++length) {
            if (length > HuffmanTable::kMaxCodeLength) {
                end_ = RowsEnd::BadCode;
                return false;
            }
            std::uint32_t bit = 0;
            if (!takeBit(bit)) return false;
            code = code << 1 | bit;
            symbol = table_.symbolOf(code, length);
        }
        std::uint32_t extra = 0;
        if (symbol != 16) {
            for (int i = 0; i < symbol; ++i) {
                std::uint32_t bit = 0;
                if (!takeBit(bit)) return false;
                extra = extra << 1 | bit;
            }
        }
        value = extend(symbol, extra);
        return true;
    }

    JpegBitReader bits_;
    const HuffmanTable& table_;
    DifferenceLookup lookup_;
    RowsEnd end_ = RowsEnd::Done;
};

} // namespace

RowsEnd DecodeRows(ByteInput& input, const HuffmanTable& table, VerticalPredictors vertical,
                   const SampleTarget& target) {
    if (!target.valid()) return RowsEnd::Done;
    const std::uint32_t pairs = target.width / 2;
    const std::uint32_t storedPairs =
        target.columnStart >= target.imageWidth
            ? 0
            : std::min(pairs, (target.imageWidth - target.columnStart) / 2);
    const std::uint32_t storedRows =
        target.rowStart >= target.imageHeight
            ? 0
            : std::min(target.rows, target.imageHeight - target.rowStart);
    RowDecoder decoder(input, table);
    for (std::uint32_t r = 0; r < storedRows; ++r) {
        // Stored pairs lie inside the image: columnStart + 2 * storedPairs <= imageWidth.
        std::uint16_t* out = target.samples.data() +
                             (std::uint64_t{target.rowStart} + r) * target.imageWidth +
                             target.columnStart;
        std::array<std::uint16_t, 2>& above = vertical[r & 1];
        std::uint16_t even = above[0], odd = above[1];
        for (std::uint32_t p = 0; p < pairs; ++p) {
            std::uint32_t d = 0;
            if (!decoder.difference(d)) return decoder.end();
            even = static_cast<std::uint16_t>(even + d);
            if (p < storedPairs) out[2 * p] = even;
            if (!decoder.difference(d)) return decoder.end();
            odd = static_cast<std::uint16_t>(odd + d);
            if (p < storedPairs) out[2 * p + 1] = odd;
            // The row's first pair predicts the first pair two rows down.
            if (p == 0) above = {even, odd};
        }
    }
    return RowsEnd::Done;
}

bool GoesOnAfter(RowsEnd end, Reporter& reporter, std::string_view path) {
    switch (end) {
    case RowsEnd::Done:
        return true;
    case RowsEnd::StripEnd:
        reporter.ShowMessage(MessageId::JpegDataError, "tile/strip data incomplete");
        return true;
    case RowsEnd::SourceEnd:
        reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path),
                             "end of file occured\nwhile reading compressed scan data");
        return false;
    case RowsEnd::BadCode:
        break;
    }
    reporter.ShowMessage(MessageId::JpegDataError, "unidentified Huffman code");
    return false;
}

} // namespace korvane::predicted_rows
