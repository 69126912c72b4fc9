#include "decode/SonyDecoder.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "decode/BitReader.hpp"

namespace korvane {

namespace {

// Samples, and bytes, of the two blocks that code 32 columns.
constexpr std::uint32_t kUnitSize = 32;
constexpr std::uint32_t kBlockBytes = 16;
constexpr std::uint32_t kBlockValues = 16;
// The values a block codes have 11 bits.
constexpr std::uint32_t kValueCount = 2048;
constexpr std::uint32_t kLargestValue = kValueCount - 1;
// The curve's last bound; its 4097 entries cover the doubled values 0 to 4094 and more.
constexpr std::uint32_t kCurveEnd = 4095;
constexpr std::size_t kCurveSize = 4097;
// Below 4 the first bound would be 0: the tag is missing (all zero) or not what cameras write.
constexpr std::uint16_t kSmallestRange = 4;
// Bit positions in a block: max, min, their indices, then the 7-bit steps.
constexpr unsigned kMinAt = 11, kMaxIndexAt = 22, kMinIndexAt = 26, kStepsAt = 30;
constexpr unsigned kStepBits = 7;
constexpr unsigned kBlockBits = 8 * kBlockBytes;

using Curve = std::array<std::uint16_t, kCurveSize>;
// What each 11-bit value becomes: curve[2v] / 2.
using SampleTable = std::array<std::uint16_t, kValueCount>;

Status decompressionError(Reporter& reporter, const char* what) {
    reporter.ShowMessage(MessageId::DecompressionError, what);
    return kFailed;
}

Status check(std::uint32_t byteCount, const SampleTarget& t,
             const std::array<std::uint16_t, 4>& ranges, Reporter& reporter) {
    if (byteCount != std::uint64_t{t.width} * t.rows)
        return decompressionError(reporter, "Sony CRaw invalid strip/tile data length");
    if (t.width % kUnitSize != 0)
        return decompressionError(reporter, "Sony CRaw strip/tile width not a multiple of 32");
    for (const std::uint16_t range : ranges)
        if (range < kSmallestRange)
            return decompressionError(reporter, "Sony CRaw tag 28688 missing or incorrect");
    return kOk;
}

// Bound k of the curve is range k / 4. A range above 16383 would put its bound past the
// curve's end, and the steps up to it past the 4097 entries: such a bound stands at the end.
SampleTable buildSampleTable(const std::array<std::uint16_t, 4>& ranges) {
    std::array<std::uint32_t, 6> bound{0, 0, 0, 0, 0, kCurveEnd};
    for (std::size_t k = 0; k < ranges.size(); ++k)
        bound[k + 1] = std::min<std::uint32_t>(ranges[k] / 4u, kCurveEnd);
    Curve curve{};
    for (std::uint32_t k = 0; k + 1 < bound.size(); ++k)
        for (std::uint32_t i = bound[k] + 1; i <= bound[k + 1]; ++i)
            curve[i] = static_cast<std::uint16_t>(curve[i - 1] + (1u << k)); // at most 16 x 4095
    SampleTable table{};
    for (std::uint32_t v = 0; v < kValueCount; ++v)
        table[v] = static_cast<std::uint16_t>(curve[2 * v] / 2);
    return table;
}

// Where each position of a block takes its value from, by max index x 16 + min index: the
// positions other than the max's and the min's take the steps in order (slot 0 to 14), the
// max's position slot 15 and the min's slot 16. When the two indices coincide, that position
// takes the max and fifteen positions want a step where the block holds fourteen: the last
// one reads past the block as 0, which gives the min its place rather than bits of the next
// block.
constexpr std::uint32_t kMaxSlot = 15, kMinSlot = 16;
using SlotPattern = std::array<std::uint8_t, kBlockValues>;
constexpr std::array<SlotPattern, kBlockValues * kBlockValues> makeSlotPatterns() {
    std::array<SlotPattern, kBlockValues * kBlockValues> patterns{};
    for (std::uint32_t maxIndex = 0; maxIndex < kBlockValues; ++maxIndex)
        for (std::uint32_t minIndex = 0; minIndex < kBlockValues; ++minIndex) {
            SlotPattern& p = patterns[maxIndex * kBlockValues + minIndex];
            std::uint8_t next = 0;
            for (std::uint32_t i = 0; i < kBlockValues; ++i)
                p[i] = i == maxIndex ? kMaxSlot : i == minIndex ? kMinSlot : next++;
        }
    return patterns;
}
constexpr auto kSlotPatterns = makeSlotPatterns();
static_assert(kSlotPatterns[0][0] == kMaxSlot && kSlotPatterns[0][15] == 14 &&
              kSlotPatterns[1 * kBlockValues + 0][0] == kMinSlot && kSlotPatterns[17][15] == 14);

// The 16 samples of one block, its bits taken little-endian, through `curve`.
void decodeBlock(const std::uint8_t* block, const SampleTable& curve,
                 std::array<std::uint16_t, kBlockValues>& values) {
    unsigned __int128 bits = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&bits, block, kBlockBytes);
    } else {
        for (int i = kBlockBytes - 1; i >= 0; --i)
            bits = bits << 8 | block[i];
    }
    const auto field = [&](unsigned position, unsigned count) {
        return static_cast<std::uint32_t>(bits >> position) & ((1u << count) - 1);
    };
    const std::uint32_t max = field(0, 11);
    const std::uint32_t min = field(kMinAt, 11);
    const std::uint32_t maxIndex = field(kMaxIndexAt, 4);
    const std::uint32_t minIndex = field(kMinIndexAt, 4);
    // The spread decides how far each 7-bit step reaches; a min above the max spreads nothing.
    const std::int32_t spread = static_cast<std::int32_t>(max) - static_cast<std::int32_t>(min);
    const unsigned shift = spread <= 127   ? 0
                           : spread <= 255 ? 1
                           : spread <= 511 ? 2
                           : spread < 1024 ? 3
                                           : 4;
    // The samples of the fourteen steps the block holds, of a fifteenth past its end (the
    // min), of the max and of the min: the pattern of the indices places them without a
    // branch, as the data decide where max and min go.
    constexpr unsigned kSteps = (kBlockBits - kStepsAt) / kStepBits;
    std::array<std::uint16_t, kMinSlot + 1> slots;
#pragma GCC unroll 14
    for (unsigned j = 0; j < kSteps; ++j)
        slots[j] = curve[std::min(min + (field(kStepsAt + j * kStepBits, kStepBits) << shift),
                                  kLargestValue)];
    slots[kSteps] = curve[min];
    slots[kMaxSlot] = curve[max];
    slots[kMinSlot] = curve[min];
    const SlotPattern& pattern = kSlotPatterns[maxIndex * kBlockValues + minIndex];
#pragma GCC unroll 16
    for (std::uint32_t i = 0; i < kBlockValues; ++i)
        values[i] = slots[pattern[i]];
}

// The 32 bytes of the next unit: straight from the input's buffer where it holds them all.
const std::uint8_t* nextUnit(ByteInput& in, std::uint8_t (&copy)[kUnitSize]) {
    if (const std::uint8_t* unit = in.view(kUnitSize)) return unit;
    return in.read(copy, kUnitSize) ? copy : nullptr;
}

} // namespace

Status DecodeSonyCraw(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                      const std::array<std::uint16_t, 4>& pixelValueRange, Reporter& reporter,
                      std::string_view path) {
    if (failed(check(byteCount, target, pixelValueRange, reporter))) return kFailed;
    if (!target.valid()) return kOk;
    const SampleTable samples = buildSampleTable(pixelValueRange);
    ByteInput in(source, byteCount);
    std::array<std::uint16_t, kBlockValues> even{}, odd{};
    for (std::uint32_t r = 0; r < target.rows; ++r) {
        const std::uint64_t row = std::uint64_t{target.rowStart} + r;
        for (std::uint32_t unit = 0; unit < target.width; unit += kUnitSize) {
            std::uint8_t copy[kUnitSize];
            const std::uint8_t* bytes = nextUnit(in, copy);
            if (bytes == nullptr) {
                reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path),
                                     "end of file occured while reading compressed scan data");
                return kFailed;
            }
            decodeBlock(bytes, samples, even);
            decodeBlock(bytes + kBlockBytes, samples, odd);
            const std::uint64_t column = std::uint64_t{target.columnStart} + unit;
            if (row < target.imageHeight && column + kUnitSize <= target.imageWidth) {
                std::uint16_t* out = target.samples.data() + row * target.imageWidth + column;
                for (std::uint32_t i = 0; i < kBlockValues; ++i) {
                    out[2 * i] = even[i];
                    out[2 * i + 1] = odd[i];
                }
                continue;
            }
            for (std::uint32_t i = 0; i < kBlockValues; ++i) {
                target.put(row, column + 2 * i, even[i]);
                target.put(row, column + 2 * i + 1, odd[i]);
            }
        }
    }
    return kOk;
}

} // namespace korvane
