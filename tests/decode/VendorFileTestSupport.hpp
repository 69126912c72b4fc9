#pragma once
// For the tests of the vendor decoders: a strip decoded from bytes in memory, a whole
// synthetic file parsed and loaded as "Process" does it, and scene-like samples.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "common/KeyState.hpp"
#include "common/RawFileContext.hpp"
#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "decode/ByteSource.hpp"
#include "decode/LoadImageData.hpp"
#include "decode/SampleTarget.hpp"
#include "tests/support/LibRawOracle.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {

// An image buffer and one strip in it; the buffer starts filled with `fill`, so that what a
// decoder leaves alone shows.
struct StripBuffer {
    static constexpr std::uint16_t kUntouched = 0xBEEF;
    std::vector<std::uint16_t> samples;
    SampleTarget target;
    RecordingReporter reporter;

    StripBuffer(std::uint32_t imageWidth, std::uint32_t imageHeight, std::uint32_t width,
                std::uint32_t rows, std::uint32_t rowStart = 0, std::uint32_t columnStart = 0)
        : samples(std::size_t{imageWidth} * imageHeight, kUntouched) {
        target = {samples, imageWidth, imageHeight, width, rows, rowStart, columnStart};
    }
    std::uint16_t at(std::uint32_t row, std::uint32_t column) const {
        return samples[std::size_t{row} * target.imageWidth + column];
    }
    // The rows [first, first + count) of the buffer.
    std::vector<std::uint16_t> rows(std::uint32_t first, std::uint32_t count) const {
        const auto begin = samples.begin() + std::ptrdiff_t{first} * target.imageWidth;
        return {begin, begin + std::ptrdiff_t{count} * target.imageWidth};
    }
    bool untouched() const {
        for (const std::uint16_t s : samples)
            if (s != kUntouched) return false;
        return true;
    }
    // The text of the first message (the second text where the first is the path).
    std::string text() const {
        if (reporter.records().empty()) return {};
        const auto& args = reporter.records().front().args;
        return args.text2 == "?" ? args.text1 : args.text2;
    }
};

// A synthetic raw file written, opened, parsed and loaded as "Process" does it.
struct ProcessedFile {
    explicit ProcessedFile(const std::vector<std::uint8_t>& bytes) : temp(bytes, "file.raw") {
        context.path = temp.path();
        if (openRawFile(context) != 0) return;
        context.buffer.resize(kReadBufferSize);
        context.bufferSize = kReadBufferSize;
        const NoKeysHeld keys;
        parsed = ParseContainer(context, reporter, keys, [](const std::string&) {});
        if (succeeded(parsed)) {
            loaded = LoadImageData(context, reporter, keys);
            ReleaseOffsetTables(context);
        }
        closeRawFile(context);
    }
    TempFile temp;
    RawFileContext context;
    RecordingReporter reporter;
    Status parsed = kFailed;
    Status loaded = kFailed;
    const IfdNode& image() const { return *context.mainImage; }
    std::string messages() const {
        std::string out;
        for (const auto& r : reporter.records())
            out += r.shown.caption + ": " + r.shown.text + "\n";
        return out;
    }
};

// Samples that look like a photograph on a 2 x 2 CFA: a smooth scene, per-colour levels and
// noise, below 2^bits.
inline std::vector<std::uint16_t> sceneSamples(std::uint32_t width, std::uint32_t height,
                                               std::uint32_t bits, std::uint32_t sequence = 1) {
    std::vector<std::uint16_t> out(std::size_t{width} * height);
    const std::uint32_t top = (1u << bits) - 1;
    std::uint32_t noise = sequence * 2654435761u + 1;
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const std::uint32_t scene =
                (r * 3u + c * 5u) % (top / 2) + ((r / 64 + c / 96) % 3) * (top / 8);
            const std::uint32_t colour = ((r & 1) * 2 + (c & 1)) * (top / 16);
            out[std::size_t{r} * width + c] =
                static_cast<std::uint16_t>(std::min(top, scene + colour + (noise >> 24) % 64));
        }
    return out;
}

// The samples of sceneSamples(width, height, bits), made once for all the tests that use them.
inline const std::vector<std::uint16_t>& cachedScene(std::uint32_t width, std::uint32_t height,
                                                     std::uint32_t bits) {
    static std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>,
                    std::vector<std::uint16_t>>
        made;
    auto& samples = made[{width, height, bits}];
    if (samples.empty()) samples = sceneSamples(width, height, bits);
    return samples;
}

// How many samples of a loaded file differ from LibRaw's unpack of the same file, each of
// LibRaw's values first divided by `libRawScale`. A LibRaw that cannot read the file, or
// reads another raw size, fails the test.
inline std::size_t samplesUnlikeLibRaw(const ProcessedFile& file, std::uint16_t libRawScale = 1) {
    std::string error;
    const auto theirs = libRawUnpack(file.temp.path(), &error);
    EXPECT_TRUE(theirs) << error;
    if (!theirs) return SIZE_MAX;
    EXPECT_EQ(theirs->rawWidth, file.image().imageWidth);
    EXPECT_EQ(theirs->rawHeight, file.image().imageLength);
    const auto& ours = file.image().samples;
    if (theirs->samples.size() != ours.size()) return SIZE_MAX;
    std::size_t unlike = 0;
    for (std::size_t i = 0; i < ours.size(); ++i)
        unlike += ours[i] != theirs->samples[i] / libRawScale;
    return unlike;
}

} // namespace korvane::test
