// Fuzz target for Olympus' compressed raw decoder: the strip's place (see VendorFuzz.hpp),
// then its bytes, header included. The declared byte count is that of the longest codes, 31
// bits a sample.
#include "decode/OlympusDecoder.hpp"
#include "fuzz/VendorFuzz.hpp"

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::FuzzInput in(data, size);
    fuzz::FuzzStrip strip(in, 0, [](const SampleTarget& t) {
        return 7 + (std::uint64_t{t.width} * t.rows * 31 + 7) / 8;
    });
    MemoryByteSource source(strip.data);
    RecordingReporter reporter;
    const Status status =
        DecodeOlympus(source, strip.byteCount, strip.target, reporter, "fuzz.orf");
    fuzz::checkOutcome(status, reporter, false);
    strip.checkOutsideUntouched();
    return 0;
}
