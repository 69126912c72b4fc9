// Fuzz target for Sony's compressed raw decoder: the strip's place (see VendorFuzz.hpp), the
// four ranges of tag 28688, then the strip's bytes.
//
//   10-17  the four ranges, little-endian
#include <array>

#include "decode/SonyDecoder.hpp"
#include "fuzz/VendorFuzz.hpp"

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::FuzzInput in(data, size);
    constexpr std::size_t kRangeBytes = 8;
    fuzz::FuzzStrip strip(in, kRangeBytes,
                          [](const SampleTarget& t) { return std::uint64_t{t.width} * t.rows; });
    std::array<std::uint16_t, 4> ranges{};
    for (std::size_t i = 0; i < ranges.size(); ++i)
        ranges[i] = static_cast<std::uint16_t>(in.word(fuzz::kStripHeaderBytes + 2 * i));
    MemoryByteSource source(strip.data);
    RecordingReporter reporter;
    const Status status =
        DecodeSonyCraw(source, strip.byteCount, strip.target, ranges, reporter, "fuzz.arw");
    fuzz::checkOutcome(status, reporter, false);
    strip.checkOutsideUntouched();
    return 0;
}
