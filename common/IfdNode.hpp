#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/DisplayState.hpp"
#include "common/TagDictionary.hpp"
#include "common/UninitialisedAllocator.hpp"

namespace korvane {

namespace entry_flags {
inline constexpr std::uint8_t kKnown = 0x80;     // the tag is in the dictionary
inline constexpr std::uint8_t kLoaded = 0x40;    // the value was loaded into the value block
inline constexpr std::uint8_t kInline = 0x20;    // the value is held in the entry
inline constexpr std::uint8_t kInvalid = 0x08;   // the entry is ignored
inline constexpr std::uint8_t kLargeData = 0x04; // the dictionary leaves its values in the file
} // namespace entry_flags

// One directory entry. Inline and loaded values are held in native byte order: 2-byte types
// as 16-bit values, 4-byte types as 32-bit values, (S)RATIONAL as two 32-bit values, DOUBLE
// as one 64-bit value, 1-byte types as bytes.
struct IfdEntry {
    std::uint8_t flags = 0;
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    const TagDefinition* definition = nullptr;
    std::uint32_t count = 0;
    std::uint32_t entryPosition = 0; // file position of the entry
    std::uint32_t valueOffset = 0; // the value field as read; plus the base for out-of-line values
    std::array<std::uint8_t, 4> inlineValue{}; // inline values, native order
    std::uint32_t blockOffset = 0; // loaded values: where they start in the node's value block

    bool valid() const { return (flags & entry_flags::kInvalid) == 0; }
    bool isInline() const { return (flags & entry_flags::kInline) != 0; }
    bool isLoaded() const { return (flags & entry_flags::kLoaded) != 0; }
    std::uint32_t typeSize() const { return tiffTypeSize(type); }
};

enum class IfdKind : std::uint8_t {
    FirstIfd = 0,
    FullResolution = 1,
    NextIfd = 2,
    SubIfd = 3,
    ExifIfd = 4,
    MakerNote = 5,
    OlympusSubIfd = 6,
    GpsIfd = 7,
    GlobalIfd = 8,
    ReducedResolution = 9,
    TransparencyMask = 10,
    OtherSubfile = 11,
};

namespace node_state {
inline constexpr std::uint8_t kInconsistent = 0x02;
} // namespace node_state

namespace node_layout {
inline constexpr std::uint8_t kStrips = 0x40;
inline constexpr std::uint8_t kTiles = 0x80;
} // namespace node_layout

// A rectangle of the sensor in samples.
struct SensorArea {
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    bool empty() const { return width == 0 || height == 0; }
    friend bool operator==(const SensorArea&, const SensorArea&) = default;
};

// Rows and columns of the sample buffer.
struct SampleRect {
    std::uint32_t top = 0;
    std::uint32_t left = 0;
    std::uint32_t height = 0;
    std::uint32_t width = 0;
};

// One parsed directory. Its fixed part describes the image the directory holds; the main
// image of a file is one of these, and carries the display state while it is current.
struct IfdNode {
    // --- The directory.
    std::string label; // "First IFD", "Exif IFD", a maker note label...
    std::uint8_t state = 0;
    IfdKind kind = IfdKind::FirstIfd;
    std::uint16_t depth = 0;
    std::uint8_t layout = 0;
    std::uint16_t entryCount = 0;
    std::uint32_t directoryOffset = 0;
    std::uint32_t dataSize = 0;
    std::uint32_t firstDataOffset = 0;
    std::vector<IfdEntry> entries;
    // The loaded values, each entry's converted to the machine's byte order; written in
    // full as the directory is read.
    std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>> valueBlock;
    std::uint32_t nextIfdOffset = 0;
    std::uint32_t exifOffset = 0;
    std::uint32_t gpsOffset = 0;
    std::uint32_t globalOffset = 0;
    std::uint32_t subIfdCount = 0;
    std::uint32_t subIfdsRead = 0;
    std::vector<std::uint32_t> subIfdOffsets;
    std::array<std::uint32_t, 5> olympusSubIfdOffsets{}; // 8208, 8224, 8240, 8256, 8272

    // Children, owned; parent is the directory that linked this one (Global, Exif, GPS,
    // Olympus sub-IFDs), else none.
    std::unique_ptr<IfdNode> next;
    std::unique_ptr<IfdNode> exif;
    std::unique_ptr<IfdNode> gps;
    std::unique_ptr<IfdNode> global;
    std::vector<std::unique_ptr<IfdNode>> subIfds;
    std::array<std::unique_ptr<IfdNode>, 5> olympusSubIfds;
    IfdNode* parent = nullptr;

    // --- The image: geometry.
    std::uint32_t imageWidth = 0;
    std::uint32_t imageLength = 0;
    std::uint32_t pixelXDimension = 0;
    std::uint32_t pixelYDimension = 0;
    std::uint32_t activeTop = 0;
    std::uint32_t activeLeft = 0;
    std::uint32_t activeHeight = 0;
    std::uint32_t activeWidth = 0;
    std::uint32_t width = 0; // effective size
    std::uint32_t height = 0;
    std::uint32_t tileWidth = 0;
    std::uint32_t tileLength = 0;
    std::uint32_t rowsPerStrip = 0;
    std::uint8_t bitsPerSample = 0;
    std::uint8_t samplesPerPixel = 0;
    std::uint16_t photometric = 0;
    std::uint32_t compression = 0;
    std::uint8_t decodingVariant = 0;
    std::uint16_t makerCompression = 0; // Nikon's own compression value
    std::uint8_t makerCompressionMode = 0;
    std::uint16_t orientation = 0; // 1 to 8; 0 none given

    // --- Colour filter array.
    std::uint8_t cfaLayout = 0;
    std::uint8_t cfaPlaneColorCount = 0;
    std::array<std::uint8_t, 4> cfaPlaneColors{};
    std::uint8_t cfaPatternCount = 0;
    std::array<std::uint8_t, 64> cfaPattern{};
    std::uint8_t cfaRepeatRows = 0;
    std::uint8_t cfaRepeatCols = 0;

    // --- Levels.
    std::int32_t whiteLevel = 0;
    std::int32_t maximumValue = 0;
    std::int32_t valueRange = 0; // the number of raw values the image can hold
    std::int32_t displayWhite = 0;
    std::uint32_t blackLevelCount = 0;
    std::uint32_t blackDeltaHCount = 0;
    // The column black array: BlackLevelDeltaH, or the per-column means of the masked top and
    // bottom areas; one per column of the active width.
    std::vector<std::uint16_t> blackDeltaH;
    // The row black array: BlackLevelDeltaV, or the per-row means of the masked left and
    // right areas; one per row of the active height.
    std::vector<std::uint16_t> blackDeltaV;
    // The CFA black array: one black level per CFA position, cfaRepeatRows x cfaRepeatCols.
    std::vector<std::uint16_t> blackLevelArray;
    // Noise ratios of the measured columns and rows; -1 where no sample counted.
    std::vector<std::int16_t> columnWeighting;
    std::vector<std::int16_t> rowWeighting;
    // Means of the masked samples of each CFA position (row x pattern width + column).
    std::array<std::uint16_t, 64> cfaBlackValues{};
    std::uint16_t blackLevel = 0;
    std::uint8_t blackRepeatRows = 0;
    std::uint8_t blackRepeatCols = 0;
    // What the masked-area measurement adds to the single black level.
    std::uint16_t blackOffsetMinimum = 0;
    std::uint16_t blackOffsetMaximum = 0;
    std::uint16_t blackOffsetAverage = 0;
    std::uint16_t blackLevelMinimum = 0;
    std::uint16_t blackLevelMaximum = 0;
    std::uint16_t blackLevelAverage = 0;
    std::array<std::uint16_t, 4> pixelValueRange1{};
    std::array<std::uint16_t, 4> pixelValueRange2{};
    std::array<std::int32_t, 4> channelWhite{};
    std::array<std::int32_t, 4> channelMaximum{};
    std::array<float, 4> wbMultipliers{1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, 3> selectionWb{1.0f, 1.0f, 1.0f};
    // A green coefficient changed between zero and not since the last drawing.
    bool greensChanged = false;
    // Per-channel clip levels (red, first green, blue, second green) of the recovery
    // templates; the white levels until a key sets one.
    std::array<std::int32_t, 4> clipLevels{};

    // --- What the camera description adds for black level measurement.
    std::array<SensorArea, 4> maskedAreas{}; // top, left, bottom, right
    std::int16_t rowNoiseAverage = 0;
    std::int16_t columnNoiseAverage = 0;
    std::uint16_t blackRangeLow = 0;
    std::uint16_t blackRangeHigh = 0;

    // --- References to entries of this node (or, after a merge, of a child).
    const IfdEntry* stripOffsets = nullptr;
    const IfdEntry* stripByteCounts = nullptr;
    const IfdEntry* tileOffsets = nullptr;
    const IfdEntry* tileByteCounts = nullptr;
    const IfdEntry* linearizationTable = nullptr;
    const IfdEntry* baselineExposureEntry = nullptr;
    const IfdEntry* whiteLevelEntry = nullptr;
    const IfdEntry* blackLevelEntry = nullptr;
    const IfdEntry* blackDeltaHEntry = nullptr;
    const IfdEntry* blackDeltaVEntry = nullptr;
    const IfdEntry* rawImageDigest = nullptr;
    const IfdEntry* compressionInfo = nullptr; // Nikon CompressionInfo

    // --- Exposure: slider step 0 to 96 (48 is 0 EV), the same in 1/36 EV, and the factor.
    std::int32_t defaultExposureStep = 48;
    std::int32_t exposureStep = 48;
    std::int32_t exposureStep6 = 288;
    double exposureFactor = 1.0;

    // --- Display state while the image is current.
    std::int32_t scrollX = 0;
    std::int32_t scrollY = 0;
    std::array<std::int32_t, 5> selection{-1, -1, -1, -1, -1}; // -1: no selection mark
    std::int32_t mappingFunction = 0;                          // row of the mapping function table
    // Black and white point of the display: the renderer's copies of the two level edits.
    std::uint32_t blackPoint = 0;
    std::uint32_t whitePoint = 0;
    MappingArrays mapping;
    // Largest scroll positions (0 when not scrollable) and scroll bar pages, in display units.
    std::int32_t scrollMaxX = 0;
    std::int32_t scrollMaxY = 0;
    std::int32_t pageX = 0;
    std::int32_t pageY = 0;
    ViewportState viewport;
    SelectionArea selectionArea;
    ExposureCounts exposureCounts{};

    // One 16-bit value per CFA sample, row after row; empty until the image is loaded.
    std::vector<std::uint16_t> samples;
    // File offset of the only strip of an uncompressed image, for display; else 0.
    std::uint32_t dataOffset = 0;

    bool inconsistent() const { return (state & node_state::kInconsistent) != 0; }
    // The active area inside the image: a height or width of 0 stands for the whole image
    // height or width, and an area reaching past the image is cut at its edge.
    SampleRect activeRect() const {
        SampleRect r;
        r.top = std::min(activeTop, imageLength);
        r.left = std::min(activeLeft, imageWidth);
        r.height = std::min(activeHeight == 0 ? imageLength : activeHeight, imageLength - r.top);
        r.width = std::min(activeWidth == 0 ? imageWidth : activeWidth, imageWidth - r.left);
        return r;
    }
    const IfdEntry* findEntry(std::uint16_t tag) const {
        for (const auto& e : entries)
            if (e.tag == tag) return &e;
        return nullptr;
    }
    // Native-order values of an inline or loaded entry; null for values left in the file.
    const std::uint8_t* valueData(const IfdEntry& e) const {
        if (e.isInline()) return e.inlineValue.data();
        if (e.isLoaded() && e.blockOffset <= valueBlock.size())
            return valueBlock.data() + e.blockOffset;
        return nullptr;
    }
};

// The image a directory describes: the same record.
using ImageDescriptor = IfdNode;

} // namespace korvane
