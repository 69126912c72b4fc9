#pragma once
// What the fuzz targets of the strip decoders share: the strip's place in a small image,
// taken from the input's first bytes, and the checks after a decode: the status is one of
// the two, a failure said why, and no sample outside the strip's rectangle changed.
//
// The targets with an input layout of their own (lossless JPEG, Nikon, Pentax) take the
// strip's place with placeStrip; FuzzStrip reads the layout of the other vendor decoders'
// targets (bytes beyond the input read as 0):
//   0, 1   strip width - 1 (1 to 1024, little-endian)   2  rows - 1 (1 to 64)
//   3, 4   image width - 1 (1 to 1024)                  5  image height - 1 (1 to 64)
//   6      row start (0 to 63)                          7  column start
//   8      flags: bit 0 the byte count is `declared` (the decoder's own rule), else the data's
//          size; bit 1 the strip width rounded up to a multiple of 32
//   9      added to the byte count when it is the data's size: a source shorter than it
//   then   the target's own fields, then the data
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "decode/ByteSource.hpp"
#include "decode/SampleTarget.hpp"
#include "fuzz/FuzzCheck.hpp"

namespace korvane::fuzz {

inline constexpr std::size_t kStripHeaderBytes = 10;

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t byte(std::size_t at) const { return at < size_ ? data_[at] : 0; }
    std::uint32_t word(std::size_t at) const { return byte(at) | byte(at + 1) << 8; }
    // The bytes from `at` on.
    std::span<const std::uint8_t> from(std::size_t at) const {
        return at < size_ ? std::span(data_ + at, size_ - at) : std::span<const std::uint8_t>();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// The strip, the image it lies in (exactly the image's size, so that the address sanitizer
// sees a write past it), and the bytes the decoder is given.
struct FuzzStrip {
    SampleImage image;
    SampleTarget target;
    std::span<const std::uint8_t> data;
    std::uint32_t byteCount = 0;

    // `fieldBytes` of the decoder's own follow the common header; `declared` is the byte
    // count that the decoder's rule gives the strip.
    FuzzStrip(const FuzzInput& in, std::size_t fieldBytes,
              std::uint64_t (*declared)(const SampleTarget&)) {
        target.width = (in.word(0) & 1023) + 1;
        if ((in.byte(8) & 2) != 0) target.width = (target.width + 31) / 32 * 32;
        target.rows = (in.byte(2) & 63) + 1;
        target.imageWidth = (in.word(3) & 1023) + 1;
        target.imageHeight = (in.byte(5) & 63) + 1;
        target.rowStart = in.byte(6) & 63;
        target.columnStart = in.byte(7);
        image = sentinelImage(std::size_t{target.imageWidth} * target.imageHeight);
        target.samples = image;
        data = in.from(kStripHeaderBytes + fieldBytes);
        const std::uint64_t count =
            (in.byte(8) & 1) != 0 ? declared(target) : data.size() + in.byte(9);
        byteCount = static_cast<std::uint32_t>(count);
    }

    // `extraRight` columns right of the strip may be written too (a layout that moves
    // samples to the right).
    void checkOutsideUntouched(std::uint32_t extraRight = 0) const {
        checkOutsideTarget(image, target, extraRight);
    }
};

// Sets the place of `target` (a SampleTarget or a LosslessJpegTarget) from one byte each: the
// strip's width and rows less one at `sizeAt` and the byte after it, the image's width and
// height less one at `imageAt` and after (1 to 256 each), the strip's row and column start at
// `startAt` and after (0 to 255). Returns the image, exactly its size (so that the address
// sanitizer sees a write past it), every sample kSentinel.
template <typename Target>
SampleImage placeStrip(const FuzzInput& in, std::size_t sizeAt, std::size_t imageAt,
                       std::size_t startAt, Target& target) {
    target.width = in.byte(sizeAt) + 1;
    target.rows = in.byte(sizeAt + 1) + 1;
    target.imageWidth = in.byte(imageAt) + 1;
    target.imageHeight = in.byte(imageAt + 1) + 1;
    target.rowStart = in.byte(startAt);
    target.columnStart = in.byte(startAt + 1);
    return sentinelImage(std::size_t{target.imageWidth} * target.imageHeight);
}

// Runs `decode(source, byteCount, reporter)` on all of `stream`, then checks that the status
// is one of the two, that a failure said why, and that no sample of `image` outside the
// rectangle of `target` changed.
template <typename Target, typename Decode>
void decodeAndCheck(std::span<const std::uint8_t> stream, std::span<const std::uint16_t> image,
                    const Target& target, Decode&& decode) {
    MemoryByteSource source(stream);
    RecordingReporter reporter;
    const Status status = decode(source, static_cast<std::uint32_t>(stream.size()), reporter);
    checkStatus(status, reporter);
    checkOutsideTarget(image, target);
}

// A failure said why; a success said nothing, but for the requests `requestsAllowed` permits.
inline void checkOutcome(Status status, const RecordingReporter& reporter, bool requestsAllowed) {
    FUZZ_CHECK(status == kOk || status == kFailed);
    if (status == kFailed) {
        FUZZ_CHECK(reporter.records().size() == 1);
        FUZZ_CHECK(!reporter.records().front().shown.rawFileRequest);
    } else if (!reporter.records().empty()) {
        FUZZ_CHECK(requestsAllowed && reporter.records().size() == 1);
        FUZZ_CHECK(reporter.records().front().shown.rawFileRequest);
    }
}

} // namespace korvane::fuzz
