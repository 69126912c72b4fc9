// Fuzz target for the raw histogram counting on its own: a small image (size, pattern, active
// area, value range, white balance and samples from the input) counted in one of the three
// modes. The checks: a failure is MessageId::AllocationFailed alone; the whole-range count takes
// every active sample once; the window count of the active area agrees bin for bin with a count
// made here (with every white balance coefficient set and a range of 512 values or more); a
// selection count takes no more samples than its rectangle holds; the samples are not written, and
// the counts of the other modes stay as they were.
//
// Input layout (bytes beyond the input read as 0):
//   0, 1   width - 1, height - 1 (1 to 64)
//   2      pattern: RGGB, GRBG, GBRG, BGGR (byte % 4)
//   3-6    active area: top, left, height, width (bytes % the image's size; 0 the whole)
//   7-9    value range (24 bits, little-endian)
//   10     mode (% 3)     11, 12 window start     13-16 selection top, left, height, width
//   17     bit 0-3: white balance coefficient R, G1, G2, B is 0
//   then   the samples, 16-bit little-endian (0 where the input ends)
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "analysis/Histograms.hpp"
#include "common/RecordingReporter.hpp"
#include "fuzz/FuzzCheck.hpp"

using namespace korvane;

namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr std::array<std::array<std::uint8_t, 4>, 4> kPatterns = {
    {{0, 1, 1, 2}, {1, 0, 2, 1}, {1, 2, 0, 1}, {2, 1, 1, 0}}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto byte = [&](std::size_t at) -> std::uint32_t { return at < size ? data[at] : 0; };
    const auto word = [&](std::size_t at) { return byte(at) | byte(at + 1) << 8; };

    ImageDescriptor image;
    image.imageWidth = byte(0) % 64 + 1;
    image.imageLength = byte(1) % 64 + 1;
    image.width = image.imageWidth;
    image.height = image.imageLength;
    image.cfaRepeatRows = image.cfaRepeatCols = 2;
    image.cfaPatternCount = 4;
    image.cfaPlaneColorCount = 3;
    image.cfaPlaneColors = {0, 1, 2, 0};
    image.cfaLayout = 1;
    const auto& pattern = kPatterns[byte(2) % 4];
    std::copy(pattern.begin(), pattern.end(), image.cfaPattern.begin());
    image.activeTop = byte(3) % image.imageLength;
    image.activeLeft = byte(4) % image.imageWidth;
    image.activeHeight = byte(5) % (image.imageLength - image.activeTop + 1);
    image.activeWidth = byte(6) % (image.imageWidth - image.activeLeft + 1);
    image.valueRange = static_cast<std::int32_t>(byte(7) | byte(8) << 8 | byte(9) << 16);
    image.maximumValue = std::max(image.valueRange - 1, 0);
    const std::uint32_t zeroWb = byte(17);
    for (std::size_t k = 0; k < 4; ++k)
        image.wbMultipliers[k] = (zeroWb >> k & 1) != 0 ? 0.0f : 1.0f;
    image.samples.resize(std::size_t{image.imageWidth} * image.imageLength);
    for (std::size_t i = 0; i < image.samples.size(); ++i)
        image.samples[i] = static_cast<std::uint16_t>(word(kHeaderBytes + 2 * i));
    const std::vector<std::uint16_t> before = image.samples;

    const auto mode = static_cast<HistogramMode>(byte(10) % 3);
    const std::uint32_t windowStart = word(11);
    const SampleRect selection{byte(13), byte(14), byte(15), byte(16)};
    HistogramCounts counts;
    RecordingReporter reporter;
    BuildRawHistogram(image, counts, mode, windowStart, selection, reporter);
    FUZZ_CHECK(image.samples == before);
    if (!reporter.records().empty()) {
        FUZZ_CHECK(reporter.numbers() ==
                   std::vector<int>{messageNumber(MessageId::AllocationFailed)});
        return 0;
    }
    for (const auto& channel : counts.rgbSamples)
        for (const std::uint32_t n : channel)
            FUZZ_CHECK(n == 0);

    const SampleRect active = image.activeRect();
    const std::uint64_t activeSamples = std::uint64_t{active.width} * active.height;
    if (mode == HistogramMode::WholeRange) {
        for (const auto& channel : counts.windowSamples)
            for (const std::uint32_t n : channel)
                FUZZ_CHECK(n == 0);
        if (counts.counted) {
            std::uint64_t total = 0;
            for (const std::uint32_t t : counts.channelTotals)
                total += t;
            // Values at or above the range count as its last; a range of none counts nothing.
            FUZZ_CHECK(total == (image.valueRange > 0 ? activeSamples : 0));
        }
        return 0;
    }
    std::uint64_t counted = 0;
    for (const auto& channel : counts.windowSamples)
        for (const std::uint32_t n : channel)
            counted += n;
    if (mode == HistogramMode::Selection) {
        FUZZ_CHECK(counted <= std::uint64_t{selection.width} * selection.height);
        return 0;
    }
    FUZZ_CHECK(counted <= activeSamples);
    if (zeroWb % 16 != 0 || image.valueRange < static_cast<std::int32_t>(kHistogramBins)) return 0;
    // With every coefficient set and a range of at least 512 values, each active sample of a
    // value in the window is counted in its colour's bin value - windowStart, the colour
    // counted from the active area's corner.
    HistogramSamples expected{};
    for (std::uint32_t r = 0; r < active.height; ++r)
        for (std::uint32_t c = 0; c < active.width; ++c) {
            const std::uint32_t v =
                image.samples[std::size_t{active.top + r} * image.imageWidth + active.left + c];
            if (v < windowStart || v - windowStart >= kHistogramBins) continue;
            ++expected[pattern[(r % 2) * 2 + c % 2]][v - windowStart];
        }
    FUZZ_CHECK(counts.windowSamples == expected);
    return 0;
}
