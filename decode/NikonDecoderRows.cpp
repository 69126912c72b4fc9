#include "decode/NikonDecoderRows.hpp"

#include <algorithm>
#include <string>

#include "decode/BitReaderJpeg.hpp"
#include "decode/DifferenceReader.hpp"

namespace korvane::predicted_rows {

namespace {

class RowDecoder {
public:
    // The data is not JPEG: every byte is data, 0xFF included.
    RowDecoder(ByteInput& input, const HuffmanTable& table)
        : bits_(input, false), reader_(table, false) {}

    RowsEnd end() const { return end_; }

    // The next difference, modulo 2^16; false when the bits stop first (end() tells why).
    inline bool difference(std::uint32_t& value) {
        // Without stuffing no marker stops the bits: only the end of the strip or the source.
        const auto onStop = [this](bool) {
            end_ = bits_.stop() == JpegBitReader::Stop::SourceEnd ? RowsEnd::SourceEnd
                                                                  : RowsEnd::StripEnd;
            return false;
        };
        switch (reader_.next(bits_, value, false, onStop)) {
        case DifferenceReader::Read::Difference:
            return true;
        case DifferenceReader::Read::Stopped:
            return false;
        default:
            end_ = RowsEnd::BadCode;
            return false;
        }
    }

private:
    JpegBitReader bits_;
    DifferenceReader reader_;
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
