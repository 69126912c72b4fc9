// Fuzz target for Kodak's compression 65000 decoder: the strip's place (see VendorFuzz.hpp),
// then its bytes. The declared byte count is that of a strip coded with 12-bit lengths
// throughout: enough for every chunk.
#include "decode/KodakDecoder.hpp"
#include "fuzz/VendorFuzz.hpp"

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::FuzzInput in(data, size);
    fuzz::FuzzStrip strip(
        in, 0, [](const SampleTarget& t) { return (std::uint64_t{t.width} * 2 + 8) * t.rows; });
    MemoryByteSource source(strip.data);
    RecordingReporter reporter;
    const Status status = DecodeKodak(source, strip.byteCount, strip.target, reporter, "fuzz.dcr");
    fuzz::checkOutcome(status, reporter, true);
    strip.checkOutsideUntouched();
    return 0;
}
