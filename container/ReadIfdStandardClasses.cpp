// The actions of the standard classes: what a TIFF, Exif or DNG entry tells about the image
// and the shot.
#include <algorithm>
#include <cstring>

#include "common/EntryValues.hpp"
#include "container/ReadIfdInternal.hpp"
#include "container/TagDictionaries.hpp"

namespace korvane::ifd_reader {

namespace {

using namespace tag_number;

constexpr std::uint32_t kMaxOrientation = 8;
constexpr std::uint32_t kMaxCfaRepeat = 8;
constexpr std::uint8_t kPlaneColors = 3;
constexpr std::size_t kMaxCfaPattern = 64; // 8 x 8
// Exif's CFAPattern starts with its two 16-bit repeat dimensions.
constexpr std::uint32_t kExifPatternHeader = 4;

// 8-bit fields keep larger values as 255, which every later check refuses, rather than
// letting them wrap into something plausible.
std::uint8_t saturate8(std::uint32_t v) {
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(v, 255));
}
std::uint16_t saturate16(std::uint32_t v) {
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(v, 0xFFFF));
}

bool isShortOrLong(const IfdEntry& e) {
    return e.type == tiff_type::kShort || e.type == tiff_type::kLong;
}
bool isText(const IfdEntry& e) {
    return e.typeSize() == 1;
}

// The context keeps the entry and the node whose value block holds its values.
void refer(const IfdEntry*& entry, const IfdNode*& holder, const IfdNode& node, const IfdEntry& e) {
    entry = &e;
    holder = &node;
}

void keepText(std::string& text, const IfdEntry*& entry, const IfdNode& node, const IfdEntry& e) {
    text = entryText(node, e);
    entry = &e;
}

void subfileType(IfdNode& node, const IfdEntry& e) {
    const std::uint32_t v = entryValue(node, e);
    if (e.tag == kNewSubfileType) {
        node.kind = v == 0         ? IfdKind::FullResolution
                    : (v & 1) != 0 ? IfdKind::ReducedResolution
                    : (v & 4) != 0 ? IfdKind::TransparencyMask
                                   : IfdKind::OtherSubfile;
    } else {
        node.kind = v == 1   ? IfdKind::FullResolution
                    : v == 2 ? IfdKind::ReducedResolution
                             : IfdKind::OtherSubfile;
    }
}

void link(IfdNode& node, const IfdEntry& e) {
    switch (e.tag) {
    case kSubIfds:
        node.subIfdCount = e.count;
        node.subIfdOffsets.resize(e.count);
        for (std::uint32_t i = 0; i < e.count; ++i)
            node.subIfdOffsets[i] = entryValue(node, e, i);
        break;
    case kGlobalParametersIfd:
        node.globalOffset = entryValue(node, e);
        break;
    case kExifIfd:
        node.exifOffset = entryValue(node, e);
        break;
    case kGpsInfo:
        node.gpsOffset = entryValue(node, e);
        break;
    default:
        break;
    }
}

void stripTileSize(IfdNode& node, const IfdEntry& e) {
    const std::uint32_t v = entryValue(node, e);
    if (e.tag == kRowsPerStrip) {
        node.layout |= node_layout::kStrips;
        node.rowsPerStrip = v;
        return;
    }
    node.layout |= node_layout::kTiles;
    (e.tag == kTileWidth ? node.tileWidth : node.tileLength) = v;
}

void activeArea(IfdNode& node, IfdEntry& e) {
    const std::uint32_t top = entryValue(node, e, 0), left = entryValue(node, e, 1);
    const std::uint32_t bottom = entryValue(node, e, 2), right = entryValue(node, e, 3);
    if (bottom < top || right < left) return rejectEntry(node, e);
    node.activeTop = top;
    node.activeLeft = left;
    node.activeHeight = bottom - top;
    node.activeWidth = right - left;
}

void geometry(IfdNode& node, IfdEntry& e) {
    const std::uint32_t v = entryValue(node, e);
    switch (e.tag) {
    case kBitsPerSample:
        node.bitsPerSample = saturate8(v);
        return;
    case kSamplesPerPixel:
        node.samplesPerPixel = saturate8(v);
        return;
    case kActiveArea:
        activeArea(node, e);
        return;
    default:
        break;
    }
    if (!isShortOrLong(e)) return;
    switch (e.tag) {
    case kImageWidth:
        node.imageWidth = v;
        break;
    case kImageLength:
        node.imageLength = v;
        break;
    case kPixelXDimension:
        node.pixelXDimension = v;
        break;
    case kPixelYDimension:
        node.pixelYDimension = v;
        break;
    default:
        break;
    }
}

void coding(DirectoryScope& scope, const IfdEntry& e) {
    IfdNode& node = scope.node;
    const std::uint32_t v = entryValue(node, e);
    if (e.tag == kCompression) {
        node.compression = v;
    } else if (e.tag == kPhotometricInterpretation) {
        node.photometric = saturate16(v);
    } else if (e.tag == kOrientation) {
        if (v > kMaxOrientation) return markInconsistent(node);
        node.orientation = static_cast<std::uint16_t>(v);
        if (v != 0) scope.context().orientation = static_cast<std::uint16_t>(v);
    }
}

void storePattern(IfdNode& node, const std::uint8_t* values, std::size_t count) {
    node.cfaPatternCount = static_cast<std::uint8_t>(count);
    std::copy(values, values + count, node.cfaPattern.begin());
}

// Exif's form: two 16-bit dimensions, then the pattern. Cameras write the dimensions in the
// file's order or big-endian whatever the file's order is, so the order whose product is the
// number of pattern bytes is taken, the file's first.
bool exifPattern(IfdNode& node, const IfdEntry& e, const std::uint8_t* data, std::uint8_t order) {
    if (e.count <= kExifPatternHeader) return false;
    const std::uint32_t values = e.count - kExifPatternHeader;
    if (values > kMaxCfaPattern) return false;
    const std::uint8_t other = order == kLittleEndianOrder ? kBigEndianOrder : kLittleEndianOrder;
    for (const std::uint8_t o : {order, other}) {
        const std::uint32_t columns = load16(data, o), rows = load16(data + 2, o);
        if (columns * rows == values) {
            storePattern(node, data + kExifPatternHeader, values);
            return true;
        }
    }
    return false;
}

void cfaPattern(DirectoryScope& scope, IfdEntry& e) {
    IfdNode& node = scope.node;
    const std::uint8_t* data = node.valueData(e);
    if (data == nullptr) return rejectEntry(node, e);
    if (e.type == tiff_type::kByte) {
        if (e.count > kMaxCfaPattern) return rejectEntry(node, e);
        return storePattern(node, data, e.count);
    }
    if (e.count == 4) return storePattern(node, data, 4);
    if (e.tag == kCfaPatternExif && exifPattern(node, e, data, scope.byteOrder)) return;
    rejectEntry(node, e);
}

void cfa(DirectoryScope& scope, IfdEntry& e) {
    IfdNode& node = scope.node;
    switch (e.tag) {
    case kCfaPlaneColor:
        if (e.count != kPlaneColors) return rejectEntry(node, e);
        node.cfaPlaneColorCount = kPlaneColors;
        for (std::uint8_t i = 0; i < kPlaneColors; ++i)
            node.cfaPlaneColors[i] = saturate8(entryValue(node, e, i));
        break;
    case kCfaLayout:
        node.cfaLayout = saturate8(entryValue(node, e));
        break;
    case kCfaRepeatPatternDim: {
        const std::uint32_t rows = entryValue(node, e, 0), columns = entryValue(node, e, 1);
        if (rows < 1 || rows > kMaxCfaRepeat || columns < 1 || columns > kMaxCfaRepeat)
            return rejectEntry(node, e);
        node.cfaRepeatRows = static_cast<std::uint8_t>(rows);
        node.cfaRepeatCols = static_cast<std::uint8_t>(columns);
        break;
    }
    default:
        cfaPattern(scope, e);
        break;
    }
}

void exposureIndex(RawFileContext& ctx, const IfdNode& node, const IfdEntry& e) {
    const Rational r = entryRational(node, e);
    if (r.denominator == 0) return;
    const std::int64_t v = r.numerator / r.denominator;
    ctx.exposureIndex = static_cast<std::uint32_t>(std::clamp<std::int64_t>(v, 0, UINT32_MAX));
}

void texts(RawFileContext& ctx, const IfdNode& node, const IfdEntry& e) {
    if (!isText(e)) return;
    switch (e.tag) {
    case kMake:
        keepText(ctx.make, ctx.makeEntry, node, e);
        break;
    case kModel:
        keepText(ctx.model, ctx.modelEntry, node, e);
        break;
    case kUniqueCameraModel:
        keepText(ctx.uniqueCameraModel, ctx.uniqueCameraModelEntry, node, e);
        break;
    case kCameraSerialNumber:
        keepText(ctx.serial, ctx.serialEntry, node, e);
        break;
    default:
        break;
    }
}

void shot(DirectoryScope& scope, const IfdEntry& e) {
    RawFileContext& ctx = scope.context();
    const IfdNode& node = scope.node;
    switch (e.tag) {
    case kDateTime:
        if (ctx.dateEntry != nullptr) break; // DateTimeOriginal, where there is one, wins
        [[fallthrough]];
    case kDateTimeOriginal:
        refer(ctx.dateEntry, ctx.dateNode, node, e);
        break;
    case kExposureTime:
        refer(ctx.exposureTimeEntry, ctx.exposureTimeNode, node, e);
        break;
    case kFNumber:
        refer(ctx.fNumberEntry, ctx.fNumberNode, node, e);
        break;
    case kFocalLength:
        refer(ctx.focalLengthEntry, ctx.focalLengthNode, node, e);
        break;
    case kLensInfo:
        refer(ctx.lensInfoEntry, ctx.lensInfoNode, node, e);
        break;
    case kIsoSpeedRatings:
        ctx.isoEntry = &e;
        ctx.iso1 = ctx.iso2 = entryValue(node, e);
        break;
    case kExposureIndex:
        exposureIndex(ctx, node, e);
        break;
    default:
        texts(ctx, node, e);
        break;
    }
}

void levels(IfdNode& node, IfdEntry& e) {
    switch (e.tag) {
    case kBlackLevelRepeatDim:
        node.blackRepeatRows = saturate8(entryValue(node, e, 0));
        node.blackRepeatCols = saturate8(entryValue(node, e, 1));
        break;
    case kBlackLevel:
        if (!e.isInline() && !e.isLoaded()) return invalidate(e);
        node.blackLevelEntry = &e;
        node.blackLevelCount = e.count;
        break;
    case kWhiteLevel: {
        const std::uint32_t v = entryValue(node, e);
        // An SLONG white level counts as long as it is not negative.
        if (e.count != 1 || v > static_cast<std::uint32_t>(INT32_MAX)) return invalidate(e);
        node.whiteLevel = static_cast<std::int32_t>(v);
        node.whiteLevelEntry = &e;
        break;
    }
    default:
        break;
    }
}

void baselineExposure(DirectoryScope& scope, const IfdEntry& e) {
    const Rational r = entryRational(scope.node, e);
    if (r.numerator != 0 && r.denominator != 0)
        scope.context().baselineExposure = static_cast<float>(static_cast<double>(r.numerator) /
                                                              static_cast<double>(r.denominator));
    scope.node.baselineExposureEntry = &e;
}

void whiteBalance(DirectoryScope& scope, const IfdEntry& e) {
    RawFileContext& ctx = scope.context();
    if (e.tag == kAsShotNeutral) {
        ctx.asShotNeutralEntry = &e;
        ctx.asShotNeutralNode = &scope.node;
    } else if (e.tag == kWhiteBalance && ctx.wbMode.empty()) {
        ctx.wbMode = entryValue(scope.node, e) != 0 ? "Manual" : "Auto";
    }
}

void pixelValueRange(IfdNode& node, const IfdEntry& e) {
    if (e.type != tiff_type::kShort || e.count != 4) return;
    auto& range = e.tag == kPixelValueRange1 ? node.pixelValueRange1 : node.pixelValueRange2;
    for (std::uint32_t i = 0; i < 4; ++i)
        range[i] = static_cast<std::uint16_t>(entryValue(node, e, i));
}

// The classes whose values stay in the file: references for the parts that read them.
void imageData(IfdNode& node, const IfdEntry& e) {
    switch (e.tag) {
    case kStripOffsets:
        node.layout |= node_layout::kStrips;
        node.stripOffsets = &e;
        break;
    case kStripByteCounts:
        node.layout |= node_layout::kStrips;
        node.stripByteCounts = &e;
        break;
    case kTileOffsets:
        node.layout |= node_layout::kTiles;
        node.tileOffsets = &e;
        break;
    case kTileByteCounts:
        node.layout |= node_layout::kTiles;
        node.tileByteCounts = &e;
        break;
    default:
        break;
    }
}

void makerData(DirectoryScope& scope, const IfdEntry& e) {
    RawFileContext& ctx = scope.context();
    if (e.tag == kMakerNote) {
        ctx.makerNoteCount = e.count;
        ctx.makerNoteOffset = e.valueOffset;
        ctx.hasMakerNote = true;
    } else if (e.tag == kDngPrivateData) {
        ctx.dngPrivateDataEntry = &e;
    }
}

} // namespace

void interpretStandardEntry(DirectoryScope& scope, IfdEntry& e) {
    IfdNode& node = scope.node;
    RawFileContext& ctx = scope.context();
    switch (e.definition->tagClass) {
    case tag_class::kSubfileType:
        subfileType(node, e);
        break;
    case tag_class::kLink:
        link(node, e);
        break;
    case tag_class::kStripTileSize:
        stripTileSize(node, e);
        break;
    case tag_class::kGeometry:
        geometry(node, e);
        break;
    case tag_class::kDng:
        if (e.tag == kDngVersion) ctx.formatCode = 2;
        if (e.tag == kRawImageDigest) node.rawImageDigest = &e;
        break;
    case tag_class::kCoding:
        coding(scope, e);
        break;
    case tag_class::kCfa:
        cfa(scope, e);
        break;
    case tag_class::kShot:
        shot(scope, e);
        break;
    case tag_class::kLevels:
        levels(node, e);
        break;
    case tag_class::kBaselineExposure:
        baselineExposure(scope, e);
        break;
    case tag_class::kWhiteBalance:
        whiteBalance(scope, e);
        break;
    case tag_class::kPixelValueRange:
        pixelValueRange(node, e);
        break;
    case tag_class::kKodakMakerNote:
        ctx.makerNoteCount = 0;
        ctx.makerNoteOffset = e.valueOffset;
        ctx.hasMakerNote = true;
        break;
    case tag_class::kImageData:
        imageData(node, e);
        break;
    case tag_class::kBlackLevelDelta:
        (e.tag == kBlackLevelDeltaH ? node.blackDeltaHEntry : node.blackDeltaVEntry) = &e;
        break;
    case tag_class::kMakerData:
        makerData(scope, e);
        break;
    case tag_class::kLinearization:
        node.linearizationTable = &e;
        break;
    default:
        break; // classes 10 to 12 and 14 to 99: kept only
    }
}

} // namespace korvane::ifd_reader
