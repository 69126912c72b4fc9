// Fuzz target for the Pentax decoder on its own: the strip's place comes from the input, the
// coded rows after it. The checks are the decoder's own bounds (and the sanitizers), that a
// failure said why, and that no sample outside the strip's rectangle changes.
//
// Input layout (bytes beyond the input read as 0):
//   0, 1   strip width - 1, rows - 1 (1 to 256)
//   2, 3   image width - 1, image height - 1 (1 to 256)
//   4, 5   row start, column start (0 to 255)
//   then   the coded rows
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "decode/PentaxDecoder.hpp"
#include "fuzz/FuzzCheck.hpp"

namespace {

using namespace korvane;

constexpr std::size_t kHeaderBytes = 6;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto byte = [&](std::size_t at) -> std::uint32_t { return at < size ? data[at] : 0; };
    const std::uint32_t width = byte(0) + 1, rows = byte(1) + 1;
    const std::uint32_t imageWidth = byte(2) + 1, imageHeight = byte(3) + 1;
    const std::uint32_t rowStart = byte(4), columnStart = byte(5);

    // Exactly the image's size, so that the address sanitizer sees any write past it.
    std::vector<std::uint16_t> image(std::size_t{imageWidth} * imageHeight, fuzz::kSentinel);
    const SampleTarget target{image, imageWidth, imageHeight, width, rows, rowStart, columnStart};
    const std::size_t streamStart = std::min(size, kHeaderBytes);
    MemoryByteSource source({data + streamStart, size - streamStart});
    RecordingReporter reporter;
    const Status status = DecodePentax(source, static_cast<std::uint32_t>(size - streamStart),
                                       target, reporter, "fuzz.pef");
    fuzz::checkStatus(status, reporter);
    fuzz::checkOutsideTarget(image, target);
    return 0;
}
