#pragma once
#include <cstdint>
#include <numeric>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "decode/LosslessJpeg.hpp"
#include "tests/support/LosslessJpegEncoder.hpp"

namespace korvane::test {

// Samples that use the whole range of `bits` and change a lot from one to the next, so that
// every difference category and plenty of 0xFF bytes turn up.
inline std::vector<std::uint16_t> noisySamples(std::size_t count, int bits,
                                               std::uint64_t sequence) {
    std::vector<std::uint16_t> out(count);
    std::uint64_t state = sequence * 0x9E3779B97F4A7C15ull + 1;
    const std::uint32_t mask = (1u << bits) - 1;
    for (std::size_t i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        // Mostly a smooth ramp with small noise, now and then a jump anywhere in the range.
        const std::uint32_t smooth = static_cast<std::uint32_t>(i * 37 + (state & 63));
        out[i] =
            static_cast<std::uint16_t>(((state >> 20) % 16 == 0 ? state >> 32 : smooth) & mask);
    }
    return out;
}

// What a decode left: its status, the image and the messages.
struct DecodeResult {
    Status status = kFailed;
    std::vector<std::uint16_t> image;
    RecordingReporter reporter;
};

// The image that a decode starts from: a value no test writes, so stray and missing writes show.
inline constexpr std::uint16_t kUntouched = 0xABCD;

// Decodes `stream` into an image of imageWidth x imageHeight through `target` (whose image
// and image size are filled in here).
inline DecodeResult decodeInto(const std::vector<std::uint8_t>& stream, LosslessJpegTarget target,
                               std::uint32_t imageWidth, std::uint32_t imageHeight) {
    DecodeResult result;
    result.image.assign(std::size_t{imageWidth} * imageHeight, kUntouched);
    target.image = result.image;
    target.imageWidth = imageWidth;
    target.imageHeight = imageHeight;
    MemoryByteSource source(stream);
    result.status = DecodeLosslessJpeg(source, static_cast<std::uint32_t>(stream.size()), target,
                                       result.reporter, "strip.raw");
    return result;
}

// A strip of width x rows that fills the image.
inline LosslessJpegTarget stripTarget(std::uint32_t width, std::uint32_t rows, int bits = 16) {
    LosslessJpegTarget target;
    target.width = width;
    target.rows = rows;
    target.bitsPerSample = static_cast<std::uint8_t>(bits);
    return target;
}

// The options of a frame of `components` holding a strip of width x rows.
inline LosslessJpegOptions frameOf(std::uint32_t width, std::uint32_t rows, int components,
                                   int precision) {
    LosslessJpegOptions o;
    o.components = static_cast<std::uint8_t>(components);
    o.precision = static_cast<std::uint8_t>(precision);
    o.samplesPerLine = static_cast<std::uint16_t>(width / components);
    o.lines = static_cast<std::uint16_t>(rows);
    return o;
}

// The texts of MessageId::JpegDataError the reporter recorded, in order.
inline std::vector<std::string> jpegMessages(const RecordingReporter& reporter) {
    std::vector<std::string> out;
    for (const auto& r : reporter.records())
        if (r.shown.number == messageNumber(MessageId::JpegDataError)) out.push_back(r.args.text1);
    return out;
}

} // namespace korvane::test
