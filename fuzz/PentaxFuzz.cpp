// Fuzz target for the Pentax decoder on its own: the strip's place comes from the input, the
// coded rows after it. The checks are the decoder's own bounds (and the sanitizers), that a
// failure said why, and that no sample outside the strip's rectangle changes.
//
// Input layout (bytes beyond the input read as 0):
//   0, 1   strip width - 1, rows - 1 (1 to 256)
//   2, 3   image width - 1, image height - 1 (1 to 256)
//   4, 5   row start, column start (0 to 255)
//   then   the coded rows
#include "decode/PentaxDecoder.hpp"
#include "fuzz/VendorFuzz.hpp"

namespace {

using namespace korvane;

constexpr std::size_t kHeaderBytes = 6;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::FuzzInput in(data, size);
    SampleTarget target;
    fuzz::SampleImage image = fuzz::placeStrip(in, 0, 2, 4, target);
    target.samples = image;
    fuzz::decodeAndCheck(in.from(kHeaderBytes), image, target,
                         [&](ByteSource& source, std::uint32_t byteCount, Reporter& reporter) {
                             return DecodePentax(source, byteCount, target, reporter, "fuzz.pef");
                         });
    return 0;
}
