#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "common/IfdNode.hpp"
#include "common/RecordingReporter.hpp"
#include "common/Status.hpp"

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

// Checks that no sample of `image` (imageHeight rows of imageWidth) outside `area`, the
// rectangle a decoder or an analysis may write (one without width or height allows nothing),
// changed: each still holds its value in `before`, or kSentinel where `before` is not given.
// A changed sample is named by its place, and the target aborts.
inline void checkOutsideUntouched(std::span<const std::uint16_t> image, std::uint32_t imageWidth,
                                  std::uint32_t imageHeight, const SampleRect& area,
                                  std::span<const std::uint16_t> before = {}) {
    for (std::uint32_t row = 0; row < imageHeight; ++row)
        for (std::uint32_t column = 0; column < imageWidth; ++column) {
            const bool inside = row >= area.top && row - area.top < area.height &&
                                column >= area.left && column - area.left < area.width;
            if (inside) continue;
            const std::size_t at = std::size_t{row} * imageWidth + column;
            const std::uint16_t expected = before.empty() ? kSentinel : before[at];
            if (image[at] != expected) {
                std::fprintf(stderr,
                             "check failed: the sample at row %u, column %u, outside the area "
                             "written, is %u (was %u)\n",
                             static_cast<unsigned>(row), static_cast<unsigned>(column),
                             static_cast<unsigned>(image[at]), static_cast<unsigned>(expected));
                std::abort();
            }
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
