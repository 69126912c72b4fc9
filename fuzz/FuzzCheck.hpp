#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "common/IfdNode.hpp"
#include "common/RecordingReporter.hpp"
#include "common/Status.hpp"
#include "common/UninitialisedAllocator.hpp"

// A fuzz target's own invariant: on failure it names the check and aborts, so that libFuzzer
// keeps the input (and the replay test fails), in release builds too.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace korvane::fuzz {

// What a decoder's image holds before the decode, so that a sample written outside the
// decoder's rectangle shows.
inline constexpr std::uint16_t kSentinel = 0x5A5A;
static_assert((kSentinel >> 8) == (kSentinel & 0xFF), "filled byte by byte");

// An image of `count` samples, every one kSentinel.
using SampleImage = std::vector<std::uint16_t, UninitialisedAllocator<std::uint16_t>>;
inline SampleImage sentinelImage(std::size_t count) {
    SampleImage image(count);
    std::memset(image.data(), kSentinel & 0xFF, count * sizeof(std::uint16_t));
    return image;
}

// Checks that no sample of `image` (imageHeight rows of imageWidth) outside `area`, the
// rectangle a decoder or an analysis may write (one without width or height allows nothing),
// changed: each still holds its value in `before`, or kSentinel where `before` is not given.
// A changed sample is named by its place, and the target aborts.
inline void checkOutsideUntouched(std::span<const std::uint16_t> image, std::uint32_t imageWidth,
                                  std::uint32_t imageHeight, const SampleRect& area,
                                  std::span<const std::uint16_t> before = {}) {
    // Runs of a row are compared whole (a row of sentinels stands for `before` when it is not
    // given); only a run that differs is searched for its first changed sample.
    static std::vector<std::uint16_t> sentinels;
    if (before.empty() && sentinels.size() < imageWidth) sentinels.assign(imageWidth, kSentinel);
    const auto checkRun = [&](std::uint32_t row, std::uint32_t from, std::uint32_t to) {
        if (from >= to) return;
        const std::size_t at = std::size_t{row} * imageWidth + from;
        const std::uint16_t* expected = before.empty() ? sentinels.data() : before.data() + at;
        if (std::memcmp(image.data() + at, expected, (to - from) * sizeof(std::uint16_t)) == 0)
            return;
        for (std::uint32_t column = from; column < to; ++column)
            if (image[at + column - from] != expected[column - from]) {
                std::fprintf(stderr,
                             "check failed: the sample at row %u, column %u, outside the area "
                             "written, is %u (was %u)\n",
                             static_cast<unsigned>(row), static_cast<unsigned>(column),
                             static_cast<unsigned>(image[at + column - from]),
                             static_cast<unsigned>(expected[column - from]));
                std::abort();
            }
    };
    FUZZ_CHECK(image.size() >= std::size_t{imageWidth} * imageHeight &&
               (before.empty() || before.size() >= image.size()));
    const bool empty = area.width == 0 || area.height == 0;
    for (std::uint32_t row = 0; row < imageHeight; ++row) {
        const bool crosses = !empty && row >= area.top && row - area.top < area.height;
        if (!crosses) {
            checkRun(row, 0, imageWidth);
            continue;
        }
        const std::uint32_t left = std::min(area.left, imageWidth);
        const std::uint32_t right = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{area.left} + area.width, imageWidth));
        checkRun(row, 0, left);
        checkRun(row, std::max(left, right), imageWidth);
    }
}

// The same for a decoder's target (a SampleTarget or a LosslessJpegTarget) and the image it
// writes to: only its rectangle may change, `extraRight` columns wider for a layout that moves
// samples to the right.
template <typename Target>
void checkOutsideTarget(std::span<const std::uint16_t> image, const Target& target,
                        std::uint32_t extraRight = 0) {
    checkOutsideUntouched(
        image, target.imageWidth, target.imageHeight,
        {target.rowStart, target.columnStart, target.rows, target.width + extraRight});
}

// The status is one of the two, and a failure said why.
inline void checkStatus(Status status, const RecordingReporter& reporter) {
    FUZZ_CHECK(status == kOk || status == kFailed);
    if (status == kFailed) FUZZ_CHECK(!reporter.records().empty());
}

} // namespace korvane::fuzz
