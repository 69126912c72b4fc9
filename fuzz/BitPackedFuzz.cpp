// Fuzz target for packed uncompressed samples of 10, 12 or 14 bits: the strip's place (see
// VendorFuzz.hpp), the sample size, then the strip's bytes. Besides the common checks, a
// decoded sample never has more bits than the size allows.
//
//   10     the sample size: 10, 12 or 14 by its value modulo 3; 16 (refused) when bit 7 is set
#include "decode/BitPackedDecoder.hpp"
#include "fuzz/VendorFuzz.hpp"

using namespace korvane;

namespace {

std::uint32_t bitsOf(std::uint32_t byte) {
    return (byte & 0x80) != 0 ? 16 : 10 + 2 * (byte % 3);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::FuzzInput in(data, size);
    const std::uint32_t bits = bitsOf(in.byte(fuzz::kStripHeaderBytes));
    // The declared count depends on the size, which the rule below cannot see: it takes 14.
    fuzz::FuzzStrip strip(
        in, 1, [](const SampleTarget& t) { return bitPackedRowBytes(t.width, 14) * t.rows; });
    MemoryByteSource source(strip.data);
    RecordingReporter reporter;
    const Status status =
        DecodeBitPacked(source, strip.byteCount, strip.target, bits, reporter, "fuzz.dng");
    fuzz::checkOutcome(status, reporter, false);
    strip.checkOutsideUntouched();
    if (status == kOk)
        for (const std::uint16_t s : strip.image)
            FUZZ_CHECK(s == fuzz::kSentinel || s < (1u << bits));
    return 0;
}
