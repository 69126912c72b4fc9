// Fuzz target for the sequential DCT frames inside lossless JPEG tiles: the frame header is
// built valid (SOF0 or SOF1, one component, a small frame) and the tables that come before it
// and the entropy-coded data after the scan header are the input's. The checks: the status is
// one of the two, a failure said why in one message, and no sample outside the tile's
// rectangle changes.
//
// Input layout (bytes beyond the input read as 0):
//   0, 1   samples per line - 1, lines - 1 (1 to 64 each)
//   2      bit 0: SOF1 (else SOF0); bits 1-2: precision 8, 12, 16 or the image's bits;
//          bit 3: the tile is half as wide as the frame line and twice as high
//   3      the scan's table selectors (Td, Ta)      4  the frame's quantisation table (% 4)
//   5      the image's bits per sample (8 + byte % 9)
//   6, 7   row start, column start (0 to 15)       8  margin right and below (0 to 15)
//   9, 10  bytes of tables (little-endian, at most what follows)
//   then   the tables (DQT, DHT or any segment), then the entropy-coded data
#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "decode/ByteSource.hpp"
#include "decode/LosslessJpeg.hpp"
#include "fuzz/FuzzCheck.hpp"

namespace {

using namespace korvane;

constexpr std::size_t kHeaderBytes = 11;

void segment(std::vector<std::uint8_t>& out, std::uint8_t code,
             std::initializer_list<std::uint8_t> payload) {
    const std::size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, code, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length)});
    out.insert(out.end(), payload);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto byte = [&](std::size_t at) -> std::uint32_t { return at < size ? data[at] : 0; };
    const std::uint32_t samplesPerLine = (byte(0) & 63) + 1, lines = (byte(1) & 63) + 1;
    const std::uint32_t bits = 8 + byte(5) % 9;
    const std::uint32_t precisions[4] = {8, 12, 16, bits};
    const std::uint32_t precision = precisions[(byte(2) >> 1) & 3];
    const bool halfWidth = (byte(2) & 8) != 0 && samplesPerLine % 2 == 0;

    LosslessJpegTarget target;
    target.width = halfWidth ? samplesPerLine / 2 : samplesPerLine;
    target.rows = halfWidth ? lines * 2 : lines;
    target.rowStart = byte(6) & 15;
    target.columnStart = byte(7) & 15;
    target.bitsPerSample = static_cast<std::uint8_t>(bits);
    // The tile may reach past the image's right and bottom edges: a margin of 0 to 15 is added
    // to, or taken from, its end.
    const std::uint32_t margin = byte(8) & 15;
    const bool cut = (byte(8) & 16) != 0;
    target.imageWidth =
        target.columnStart + (cut ? std::max(1u, target.width - std::min(target.width - 1, margin))
                                  : target.width + margin);
    target.imageHeight =
        target.rowStart + (cut ? std::max(1u, target.rows - std::min(target.rows - 1, margin))
                               : target.rows + margin);
    fuzz::SampleImage image =
        fuzz::sentinelImage(std::size_t{target.imageWidth} * target.imageHeight);
    target.image = image;

    const std::size_t rest = size > kHeaderBytes ? size - kHeaderBytes : 0;
    const std::size_t tableBytes = std::min<std::size_t>(byte(9) | byte(10) << 8, rest);
    const std::uint8_t* tables = data + std::min(size, kHeaderBytes);
    std::vector<std::uint8_t> stream{0xFF, 0xD8};
    stream.insert(stream.end(), tables, tables + tableBytes);
    segment(stream, (byte(2) & 1) != 0 ? 0xC1 : 0xC0,
            {static_cast<std::uint8_t>(precision), static_cast<std::uint8_t>(lines >> 8),
             static_cast<std::uint8_t>(lines), static_cast<std::uint8_t>(samplesPerLine >> 8),
             static_cast<std::uint8_t>(samplesPerLine), 1, 1, 0x11,
             static_cast<std::uint8_t>(byte(4) & 3)});
    segment(stream, 0xDA, {1, 1, static_cast<std::uint8_t>(byte(3)), 0, 63, 0});
    stream.insert(stream.end(), tables + tableBytes, tables + rest);
    stream.insert(stream.end(), {0xFF, 0xD9});

    MemoryByteSource source(stream);
    RecordingReporter reporter;
    const Status status = DecodeLosslessJpeg(source, static_cast<std::uint32_t>(stream.size()),
                                             target, reporter, "fuzz.raw");
    FUZZ_CHECK(status == kOk || status == kFailed);
    if (status == kFailed) FUZZ_CHECK(reporter.records().size() == 1);

    fuzz::checkOutsideTarget(image, target);
    return 0;
}
