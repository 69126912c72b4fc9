#pragma once
// Synthetic images for the loader tests: samples, their file and the description the
// container would hand the loader.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "decode/LoadImageData.hpp"
#include "tests/support/StripEncoder.hpp"

namespace korvane::test {

// Keys held while the image is loaded, by virtual-key code.
class HeldKeys final : public KeyState {
public:
    HeldKeys(std::initializer_list<int> keys = {}) : keys_(keys) {}
    bool isKeyDown(int key) const override { return keys_.count(key) != 0; }

private:
    std::set<int> keys_;
};
inline constexpr int kShiftKey = 0x10, kCtrlKey = 0x11, kAltKey = 0x12;
constexpr int digitKey(int d) {
    return 0x30 + d;
}
constexpr int numpadKey(int d) {
    return 0x60 + d;
}

// Samples that differ from row to row and column to column, below 2^bits.
inline std::vector<std::uint16_t> testSamples(std::uint32_t width, std::uint32_t height,
                                              std::uint32_t bits) {
    std::vector<std::uint16_t> out(std::size_t{width} * height);
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c)
            out[std::size_t{r} * width + c] =
                static_cast<std::uint16_t>((r * 977u + c * 131u + r * c * 7u + 3u) % (1u << bits));
    return out;
}

// How a strip image is written; the last fields spoil the layout on purpose.
struct StripLayout {
    std::uint32_t width = 40;
    std::uint32_t height = 30;
    std::uint8_t bits = 16;
    ByteOrder order = ByteOrder::Little;
    std::uint32_t rowsPerStrip = 0; // 0: one strip
    bool packed = false;            // 12-bit data at 1.5 bytes a sample
    std::uint32_t packedBits = 0;   // not 0: that many bits a sample, rows starting on a byte
    ValueHome home = ValueHome::File;
    TiffType countType = TiffType::Long;
    std::vector<std::uint16_t> linearisation{};
    std::uint32_t compression = 1;
    std::size_t byteCountsDropped = 0;
    std::size_t offsetsDropped = 0;
    std::int32_t lastByteCountChange = 0;
    std::int32_t lastOffsetChange = 0;
};

inline std::unique_ptr<OpenedRawFile> stripFile(const std::vector<std::uint16_t>& samples,
                                                const StripLayout& s) {
    RawFileBytes file(s.order);
    auto node = std::make_unique<IfdNode>();
    describeImage(*node, s.width, s.height, s.bits, s.compression);
    const std::uint32_t rps = s.rowsPerStrip ? s.rowsPerStrip : s.height;
    node->rowsPerStrip = rps;
    ImageEntries entries;
    entries.home = s.home;
    entries.countType = s.countType;
    entries.linearisation = s.linearisation;
    for (std::uint32_t row = 0; row < s.height; row += rps) {
        const auto strip = imageRows(samples, s.width, row, rps);
        const auto bytes = s.packedBits != 0 ? encodeBitPacked(strip, s.width, s.packedBits)
                           : s.packed        ? encodePacked12(strip, ByteOrder::Big)
                                      : encodeUncompressed(strip, s.bits > 8 ? 2 : 1, s.order);
        entries.offsets.push_back(file.append(bytes));
        entries.byteCounts.push_back(static_cast<std::uint32_t>(bytes.size()));
    }
    entries.byteCounts.back() += s.lastByteCountChange;
    entries.offsets.back() += s.lastOffsetChange;
    entries.byteCounts.resize(entries.byteCounts.size() - s.byteCountsDropped);
    entries.offsets.resize(entries.offsets.size() - s.offsetsDropped);
    attachEntries(*node, file, entries, false);
    return std::make_unique<OpenedRawFile>(file, std::move(node));
}

// The image loaded, with the messages it gave.
struct LoadResult {
    std::unique_ptr<OpenedRawFile> file;
    RecordingReporter reporter;
    Status status = kFailed;
    IfdNode& image() { return file->image(); }
    std::vector<int> messages() const { return reporter.numbers(); }
    // The second text of the first message (the first is the path for ProcessingFailed and
    // InconsistentSpecification).
    std::string text() const {
        if (reporter.records().empty()) return {};
        const auto& args = reporter.records().front().args;
        return (args.text2 == "?" ? args.text1 : args.text2);
    }
};

inline std::unique_ptr<LoadResult> load(std::unique_ptr<OpenedRawFile> file,
                                        const KeyState& keys = HeldKeys{}) {
    auto result = std::make_unique<LoadResult>();
    result->file = std::move(file);
    result->status = LoadImageData(result->file->context, result->reporter, keys);
    ReleaseOffsetTables(result->file->context);
    return result;
}

} // namespace korvane::test
