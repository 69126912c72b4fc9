// Fuzz target for the mapping arrays on their own: BuildMappingArrays over a function of the
// table or one made of the input's segments, a position count and an output range, into
// arrays that may already be large enough. The checks: a failure said why; on success the
// arrays hold the positions, the first is 0, the last and everything after it hold the top
// of the output range, no correction past the positions is written, and the function's row
// is recorded (no positions: nothing is built).
//
// Input layout (bytes beyond the input read as 0):
//   0      function: a row of the table (byte % 16 < 15), else the segments below
//   1-3    position count (little-endian): 0 to 1024; with byte 6's bit 1 up to 16384; with
//          its bits 1 and 7 any 24-bit count (above the limit it is cut to the limit)
//   4, 5   output range (little-endian)
//   6      bit 0: arrays already present with room for the positions (and byte 6 / 4 more)
//   7      segment count (% 11)
//   then   per segment 9 bytes: kind, extent, p, multiplier, offset (the last four as 16-bit
//          values scaled to floats)
#include <algorithm>
#include <cstdint>

#include "analysis/MappingArrays.hpp"
#include "common/RecordingReporter.hpp"
#include "fuzz/FuzzCheck.hpp"

using namespace korvane;

namespace {

constexpr std::size_t kHeaderBytes = 8;
constexpr std::uint8_t kValueSentinel = 0xA5;
constexpr std::uint16_t kCorrectionSentinel = 0x5A5A;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto byte = [&](std::size_t at) -> std::uint32_t { return at < size ? data[at] : 0; };
    const auto word = [&](std::size_t at) { return byte(at) | byte(at + 1) << 8; };
    // A 16-bit value as a float of -327.68 to 327.67 in steps of 0.01.
    const auto number = [&](std::size_t at) {
        return static_cast<float>(static_cast<std::int16_t>(word(at))) / 100;
    };

    const std::uint32_t row = byte(0) % 16;
    MappingFunction own;
    own.name = "fuzz";
    own.segmentCount = static_cast<std::uint8_t>(byte(7) % (kMaxSegments + 1));
    for (std::size_t i = 0; i < own.segmentCount; ++i) {
        const std::size_t at = kHeaderBytes + i * 9;
        MappingSegment& s = own.segments[i];
        s.kind = static_cast<SegmentKind>(byte(at) % 7);
        s.extent = number(at + 1);
        s.p = number(at + 3);
        s.multiplier = number(at + 5);
        s.offset = number(at + 7);
    }
    const MappingFunction& function = row < kMappingFunctions.size() ? kMappingFunctions[row] : own;

    ImageDescriptor image;
    MappingArrays& m = image.mapping;
    // Most inputs keep to short display ranges, so that a run stays fast (each position costs
    // a curve evaluation); one bit opens longer ranges, two the whole 24-bit count.
    m.positionCount = byte(1) | byte(2) << 8 | byte(3) << 16;
    if ((byte(6) & 2) == 0)
        m.positionCount %= 1025;
    else if ((byte(6) & 0x80) == 0)
        m.positionCount %= 16385;
    m.outputRange = static_cast<std::uint16_t>(word(4));
    const std::uint32_t positions = std::min(m.positionCount, kMaxMappingPositions);
    if ((byte(6) & 1) != 0) {
        m.capacity = positions + byte(6) / 4;
        m.values.assign(m.capacity + 1, kValueSentinel);
        m.corrections.assign(m.capacity, kCorrectionSentinel);
    }

    RecordingReporter reporter;
    const Status status = BuildMappingArrays(image, function, reporter);
    FUZZ_CHECK(status == kOk || status == kFailed);
    if (status == kFailed) {
        FUZZ_CHECK(reporter.records().size() == 1);
        return 0;
    }
    FUZZ_CHECK(reporter.records().empty());
    FUZZ_CHECK(m.positionCount == positions);
    FUZZ_CHECK(m.capacity >= positions && m.values.size() >= m.capacity &&
               m.corrections.size() >= m.capacity);
    if (positions == 0) return 0;
    FUZZ_CHECK(m.builtFunction == (&function == &own ? -1 : static_cast<std::int32_t>(row)));
    const auto top = static_cast<std::uint8_t>(std::clamp<int>(m.outputRange - 1, 0, 255));
    FUZZ_CHECK(m.values[0] == 0);
    for (std::size_t j = positions - 1; j < m.values.size(); ++j)
        FUZZ_CHECK(j == 0 || m.values[j] == top);
    for (std::size_t j = positions; j < m.corrections.size(); ++j)
        FUZZ_CHECK(m.corrections[j] == kCorrectionSentinel || (byte(6) & 1) == 0);
    return 0;
}
