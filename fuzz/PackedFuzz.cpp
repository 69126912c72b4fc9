// Fuzz target for the packed 12-bit decoder: the strip's place (see VendorFuzz.hpp), the
// camera variant and the bit order, then the strip's bytes.
//
//   10     variant: 0, 1, 4, 5 or 9 (byte % 5)      11  bit 0: little-endian pairs
#include <array>

#include "decode/PackedDecoder.hpp"
#include "fuzz/VendorFuzz.hpp"

using namespace korvane;

namespace {

constexpr std::array<std::uint8_t, 5> kVariants = {0, 1, 4, 5, 9};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::FuzzInput in(data, size);
    constexpr std::size_t kFieldBytes = 2;
    // Declared as plain pairs: the variants with padding then meet a count they must refuse.
    fuzz::FuzzStrip strip(in, kFieldBytes, [](const SampleTarget& t) {
        return std::uint64_t{t.width} * t.rows * 3 / 2;
    });
    const std::uint8_t variant = kVariants[in.byte(fuzz::kStripHeaderBytes) % kVariants.size()];
    const PackedBitOrder order = (in.byte(fuzz::kStripHeaderBytes + 1) & 1) != 0
                                     ? PackedBitOrder::LittleEndian
                                     : PackedBitOrder::BigEndian;
    MemoryByteSource source(strip.data);
    RecordingReporter reporter;
    const Status status =
        DecodePacked(source, strip.byteCount, strip.target, variant, order, reporter, "fuzz.nef");
    fuzz::checkOutcome(status, reporter, false);
    // The D2X layout places the pairs of the image's first rows four columns further right.
    strip.checkOutsideUntouched(variant == 1 ? 4 : 0);
    return 0;
}
