#include "decode/PackedDecoder.hpp"

#include <string>

#include "decode/BitReader.hpp"
#include "decode/UncompressedSamples.hpp"

namespace korvane {

namespace {

Status endOfData(Reporter& reporter, std::string_view path) {
    reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path),
                         "end of file occured\nwhile reading packed data");
    return kFailed;
}

bool padded(std::uint8_t variant) {
    return variant == 5 || variant == 9;
}

Status checkLength(std::uint64_t byteCount, const SampleTarget& t, std::uint8_t variant,
                   Reporter& reporter, std::string_view path) {
    const std::uint64_t w = t.width, rows = t.rows;
    bool matches = true;
    if (variant == 5)
        matches = byteCount == (w * 3 / 2 + w / 10 + 10) * rows;
    else if (variant == 9)
        matches = byteCount == (w * 3 / 2 + w / 10) * rows;
    else if (variant == 0)
        matches = byteCount * 2 == w * rows * 3;
    if (!matches) {
        reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path),
                             "mismatch between packed block length and packed pixels");
        return kFailed;
    }
    // Pad bytes make the length of variant 9 no multiple of 3; its pairs still need an even
    // number of samples.
    const bool oddPixels = (w * rows) % 2 != 0;
    if ((variant != 5 && variant != 9 && (byteCount % 3 != 0 || oddPixels)) ||
        (variant == 9 && oddPixels)) {
        reporter.ShowMessage(MessageId::NotImplemented, "PACK compression with odd nr of pixels");
        return kFailed;
    }
    return kOk;
}

} // namespace

Status DecodePacked(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                    std::uint8_t variant, PackedBitOrder order, Reporter& reporter,
                    std::string_view path) {
    if (failed(checkLength(byteCount, target, variant, reporter, path))) return kFailed;
    if (!target.valid() || target.width == 0) return kOk;
    const std::uint64_t pairs = std::uint64_t{target.width} * target.rows / 2;
    const std::uint32_t evenRows = (target.rows + 1) / 2;
    ByteInput in(source, byteCount);
    std::uint32_t k = 0, c = 0; // strip row and column of the next sample
    std::uint64_t outRow = target.rowStart;
    const auto advance = [&] {
        if (++c < target.width) return;
        c = 0;
        ++k;
        const std::uint32_t stripRow =
            variant == 4 ? (k < evenRows ? 2 * k : 2 * (k - evenRows) + 1) : k;
        outRow = std::uint64_t{target.rowStart} + stripRow;
    };
    for (std::uint64_t p = 0; p < pairs; ++p) {
        std::uint8_t b[3];
        if (!in.read(b, 3)) return endOfData(reporter, path);
        const bool big = order == PackedBitOrder::BigEndian;
        const auto first =
            static_cast<std::uint16_t>(big ? b[0] << 4 | b[1] >> 4 : b[0] | (b[1] & 15) << 8);
        const auto second =
            static_cast<std::uint16_t>(big ? (b[1] & 15) << 8 | b[2] : b[2] << 4 | b[1] >> 4);
        const std::uint64_t column = std::uint64_t{target.columnStart} + c;
        const std::uint32_t shift =
            variant == 1 && outRow < 10 && column + 4 < target.imageWidth ? 4 : 0;
        target.put(outRow, column + shift, first);
        advance();
        target.put(outRow, std::uint64_t{target.columnStart} + c + shift, second);
        advance();
        if (padded(variant)) {
            // c is now the column after the pair, 0 when the pair ended its row.
            const std::uint32_t after = c == 0 ? target.width : c;
            const std::uint32_t pad = after % 10 == 0 ? 1 : after == target.width ? 10 : 0;
            // The pad bytes after the last pair may be missing.
            if (pad != 0 && !in.skip(pad) && p + 1 < pairs) return endOfData(reporter, path);
        }
    }
    return kOk;
}

} // namespace korvane
