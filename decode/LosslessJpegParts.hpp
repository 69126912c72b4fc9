#pragma once
// The pieces of the lossless JPEG decoder: the marker section, the placement of samples in
// the image and the scan. Only LosslessJpeg*.cpp include this.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "decode/BitReader.hpp"
#include "decode/HuffmanTable.hpp"
#include "decode/LosslessJpeg.hpp"

namespace korvane::ljpeg {

// At most this many components reach the scan (Canon's sliced layouts use up to 4).
inline constexpr int kMaxComponents = 8;
// Predictor 0: the Hasselblad streams whose selection value is above 7.
inline constexpr std::uint8_t kRunningPredictor = 0;

// How the frame codes its samples: differences from a predictor (SOF3), or the 8 x 8 blocks
// of the DCT that some DNG writers put into lossless JPEG tiles (SOF0 and SOF1: sequential,
// Huffman coded, one component).
enum class Coding : std::uint8_t { None, Lossless, Dct };

struct Frame {
    Coding coding = Coding::None;
    std::uint8_t precision = 0;
    std::uint8_t quantTable = 0;      // DCT: the component's quantisation table
    std::uint16_t lines = 0;          // Y
    std::uint16_t samplesPerLine = 0; // X: MCUs per line
    std::uint8_t componentCount = 0;  // Nf
};

struct Scan {
    std::array<std::uint8_t, kMaxComponents> table{}; // Huffman table of each component
    std::uint8_t acTable = 0;                         // DCT: the AC table of the component
    std::uint8_t predictor = 0;                       // 0 (Hasselblad), 1 or 6
};

struct Headers {
    Frame frame;
    Scan scan;
    // Lossless: one table per identifier, whatever its class.
    std::array<HuffmanTable, 4> tables;
    // DCT: the DC and AC tables, and the quantisation tables in zigzag order.
    std::array<HuffmanTable, 4> dcTables;
    std::array<HuffmanTable, 4> acTables;
    std::array<std::array<std::uint16_t, 64>, 4> quant{};
    std::array<bool, 4> quantDefined{};
};

// What the headers are checked against.
struct HeaderLimits {
    std::uint32_t width = 0; // of the strip or tile
    std::uint32_t rows = 0;
    std::uint8_t bitsPerSample = 0;
    std::uint8_t variant = 0;
    bool hasselblad = false;
};

// Reads the marker segments up to and including SOS and checks them; on success the input
// stands at the first byte of the entropy-coded data.
[[nodiscard]] Status ReadHeaders(ByteInput& input, const HeaderLimits& limits, Headers& headers,
                                 Reporter& reporter, std::string_view path);

// Where the samples of the stream go: slice after slice, each filled row by row, clipped at
// the image's right and bottom edges.
class SamplePlacer {
public:
    static constexpr int kMaxSlices = 5;

    // Lays the target's strip out as its variant says. False when the slice widths do not
    // fit the strip width.
    [[nodiscard]] bool plan(const LosslessJpegTarget& target);
    // Samples of the stream to decode until the last one that is stored.
    std::uint64_t samplesNeeded() const { return needed_; }
    // Stores the next `count` samples of the stream.
    void place(const std::uint16_t* samples, std::uint32_t count);

private:
    std::uint16_t* image_ = nullptr;
    std::uint32_t imageWidth_ = 0;
    std::uint32_t rowStart_ = 0;
    std::uint32_t columnStart_ = 0;
    std::uint32_t rows_ = 0;
    std::uint32_t storedRows_ = 0;    // rows inside the image
    std::uint32_t storedColumns_ = 0; // columns inside the image
    std::uint32_t sliceCount_ = 1;
    std::array<std::uint32_t, kMaxSlices> sliceStart_{};
    std::array<std::uint32_t, kMaxSlices> sliceWidth_{};
    std::uint64_t needed_ = 0;
    // Where the next sample goes.
    std::uint32_t slice_ = 0;
    std::uint32_t row_ = 0;
    std::uint32_t column_ = 0; // inside the slice
};

// What both scans report (MessageId::JpegDataError, unless said otherwise). Bits that begin
// no code: `allOnes`, the first 17 are all ones (HuffmanTable::kLongCode).
inline const char* huffmanCodeFault(bool allOnes) {
    return allOnes ? "Huffman code longer than 16" : "unidentified Huffman code";
}
// An End Of Image marker before the scan's last sample; the samples before it are kept.
inline void reportPrematureEnd(Reporter& reporter) {
    reporter.ShowMessage(MessageId::JpegDataError, "Premature End Of Image");
}
// The bits ran out before the scan's last sample: the file ended (`sourceEnd`,
// MessageId::ProcessingFailed with `path`), or the strip's or tile's bytes did.
inline void reportShortage(bool sourceEnd, Reporter& reporter, std::string_view path) {
    if (sourceEnd)
        reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path),
                             "end of file occured\nwhile reading compressed scan data");
    else
        reporter.ShowMessage(MessageId::JpegDataError, "tile/strip data incomplete");
}

// Decodes the DCT-coded scan that `input` stands at and hands the samples to `placer`, frame
// line after frame line.
[[nodiscard]] Status DecodeDctScan(ByteInput& input, const Headers& headers, bool stuffing,
                                   SamplePlacer& placer, Reporter& reporter, std::string_view path);

// Decodes the scan that `input` stands at and hands the samples to `placer`.
[[nodiscard]] Status DecodeScan(ByteInput& input, const Headers& headers, bool stuffing,
                                SamplePlacer& placer, Reporter& reporter, std::string_view path);

} // namespace korvane::ljpeg
