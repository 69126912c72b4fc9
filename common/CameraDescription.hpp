#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/IfdNode.hpp"

namespace korvane {

// Per-ISO levels of a camera. A table lists its ISO values in any order and ends with an
// ISO 0 row, which is also the default.
struct IsoLevels {
    std::uint32_t iso; // 0: the default row, which ends the table
    std::uint32_t red;
    std::uint32_t green;
    std::uint32_t blue;
    std::uint32_t maximum; // 0: keep the image's maximum value
};

// Vendor codes of the camera table.
namespace vendor {
inline constexpr std::uint16_t kNone = 0;
inline constexpr std::uint16_t kCanon = 2;
inline constexpr std::uint16_t kKodak = 9;
inline constexpr std::uint16_t kUnidentifiedTiled = 13;
inline constexpr std::uint16_t kLeica = 14;
inline constexpr std::uint16_t kMamiya = 15;
inline constexpr std::uint16_t kNikon = 17;
inline constexpr std::uint16_t kOlympus = 18;
inline constexpr std::uint16_t kPentax = 20;
inline constexpr std::uint16_t kPhaseOne = 21;
inline constexpr std::uint16_t kSinar = 26;
inline constexpr std::uint16_t kSony = 27;
inline constexpr std::uint16_t kHasselblad = 29;
} // namespace vendor

// Format codes: which maker note reader and decoder family a file takes.
namespace format_code {
inline constexpr std::uint8_t kTiff = 1;
inline constexpr std::uint8_t kDng = 2;
inline constexpr std::uint8_t kCanon = 3;
inline constexpr std::uint8_t kNikon = 4;
inline constexpr std::uint8_t kMamiya = 6;
inline constexpr std::uint8_t kSony = 7;
inline constexpr std::uint8_t kOlympus = 9;
inline constexpr std::uint8_t kPentax = 10;
inline constexpr std::uint8_t kKodak = 11;
inline constexpr std::uint8_t kUnidentifiedTiled = 12;
inline constexpr std::uint8_t kHasselblad = 13;
} // namespace format_code

// Compression codes a camera description requires or gives to a main image. The codes
// from 65537 up exist only as such substitutes: they name a decoder the TIFF has no code for.
namespace compression {
inline constexpr std::uint32_t kUncompressed = 1;
inline constexpr std::uint32_t kLosslessJpegOld = 6; // Canon CR2 and other early lossless JPEG
inline constexpr std::uint32_t kLosslessJpeg = 7;
inline constexpr std::uint32_t kSonyRaw = 32767; // what ARW files say, packed or compressed
inline constexpr std::uint32_t kNikon = 34713;
inline constexpr std::uint32_t kKodak = 65000;
inline constexpr std::uint32_t kPentax = 65535;
inline constexpr std::uint32_t kPacked = 65537; // two 12-bit samples in three bytes
inline constexpr std::uint32_t kSonyCraw = 65538;
inline constexpr std::uint32_t kOlympus = 65539;
} // namespace compression

// Decoding variants: the layout details of one camera family inside a decoder.
namespace decoding_variant {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kNikonD2xPacked = 1;    // first ten rows stored four columns early
inline constexpr std::uint8_t kNikonE8800Packed = 4;  // even rows first, then the odd rows
inline constexpr std::uint8_t kPackedSingleStrip = 5; // set by the container, never by a row
inline constexpr std::uint8_t kCanonHalves = 6;       // CR2 data in a left and a right half
inline constexpr std::uint8_t kCanonSlices = 7;       // CR2 data in the row's slices
inline constexpr std::uint8_t kOlympusShift = 8;      // 12-bit samples in the top bits of words
inline constexpr std::uint8_t kOlympus = 9;     // little-endian packed with fill, or compressed
inline constexpr std::uint8_t kHasselblad = 10; // lossless JPEG whose 0xFF bytes are all data
} // namespace decoding_variant

// The kinds of file a row accepts (fileKind).
namespace file_kind {
inline constexpr std::uint8_t kAny = 0;
inline constexpr std::uint8_t kNotDng = 1;
inline constexpr std::uint8_t kDng = 2;
} // namespace file_kind

// What a row asks of the main image's LinearizationTable (linearisation); DNG rows only.
namespace linearisation {
inline constexpr std::uint8_t kAny = 0;
inline constexpr std::uint8_t kWithout = 1;
inline constexpr std::uint8_t kWith = 2;
} // namespace linearisation

// How the main image is chosen once the camera is known (mainImageRule).
namespace main_image_rule {
inline constexpr std::uint8_t kReaderChoice = 1;
inline constexpr std::uint8_t kFirstIfd = 2;
inline constexpr std::uint8_t kLastRead = 3;
inline constexpr std::uint8_t kNewFromRow = 4;
} // namespace main_image_rule

// bitsRequired and bitsSet: no requirement, nothing to set.
inline constexpr std::uint8_t kAnyBits = 255;
inline constexpr std::uint8_t kKeepBits = 255;

// One row of the camera table: what a camera's raw files need beyond their own tags to be
// decoded and measured.
struct CameraDescription {
    std::string_view make;  // compared with the file's Make, trailing blanks included
    std::string_view model; // likewise with Model
    std::uint16_t vendor = 0;
    std::uint16_t modelCode = 0;
    std::uint8_t fileKind = 0; // 0 any file, 1 only files without DNGVersion, 2 only DNG files
    std::uint8_t formatCode = 0;
    std::uint8_t linearisation = 0;        // 0 no condition, 1 no LinearizationTable, 2 one needed
    std::uint16_t compressionRequired = 0; // 0 any; 7 also accepts 6 and 1
    std::uint32_t compressionSet = 0;
    std::uint8_t decodingVariant = 0;
    std::uint8_t bitsRequired = kAnyBits;
    std::uint8_t bitsSet = kKeepBits;
    std::span<const IsoLevels> isoLevels; // empty: none
    std::uint8_t cfaLayout = 1;
    std::uint8_t planeColorCount = 3;
    std::array<std::uint8_t, 7> planeColors{0, 1, 2};
    std::uint8_t cfaRepeatRows = 2;
    std::uint8_t cfaRepeatCols = 2;
    std::array<std::uint8_t, 16> cfaPattern{0, 1, 1, 2};
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    SensorArea active;
    std::array<SensorArea, 4> maskedAreas{}; // top, left, bottom, right
    std::int16_t rowNoiseAverage = 1;
    std::int16_t columnNoiseAverage = 1;
    std::uint16_t blackRangeLow = 0;
    std::uint16_t blackRangeHigh = 0;
    std::uint8_t mainImageRule = 1; // 1 reader's choice, 2 first IFD, 3 last read, 4 new
    std::uint8_t sliceCount = 0;
    std::array<std::uint16_t, 4> sliceWidths{}; // all but the last slice
};

} // namespace korvane
