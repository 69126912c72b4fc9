#include "container/IdentifyCamera.hpp"

#include <algorithm>

#include "common/CameraDescription.hpp"
#include "common/EntryValues.hpp"
#include "container/CameraTable.hpp"

namespace korvane {

namespace {

// PhotometricInterpretation of colour filter array data.
constexpr std::uint16_t kPhotometricCfa = 32803;
// The unidentified tiled camera's tile starts right behind the 8-byte TIFF header.
constexpr std::uint32_t kTiffHeaderBytes = 8;

bool isDng(const RawFileContext& context) {
    return context.formatCode == format_code::kDng;
}

// A requirement of 7 stands for lossless JPEG in any of its TIFF codes, and for data that
// says it is uncompressed.
bool compressionAccepted(std::uint16_t required, std::uint32_t compression) {
    if (compression == required) return true;
    return required == compression::kLosslessJpeg &&
           (compression == compression::kLosslessJpegOld ||
            compression == compression::kUncompressed);
}

// Whether a row that has the file's names describes the file, as far as the directories
// read so far and the IFD reader's main image (if it chose one) tell.
bool accepts(const CameraDescription& row, const RawFileContext& context) {
    const IfdNode* image = context.mainImage;
    const bool dng = isDng(context);
    if (row.fileKind != file_kind::kAny &&
        row.fileKind != (dng ? file_kind::kDng : file_kind::kNotDng))
        return false;
    if (row.linearisation != linearisation::kAny) {
        if (!dng || image == nullptr) return false;
        const bool hasTable = image->linearizationTable != nullptr;
        if (hasTable != (row.linearisation == linearisation::kWith)) return false;
    }
    if (row.compressionRequired != 0 &&
        (image == nullptr || !compressionAccepted(row.compressionRequired, image->compression)))
        return false;
    if (row.bitsRequired != kAnyBits &&
        (image == nullptr || image->bitsPerSample != row.bitsRequired))
        return false;
    // A row that makes its own directory describes a frame the file's directories do not.
    if (row.mainImageRule != main_image_rule::kNewFromRow && image != nullptr &&
        (image->imageWidth != row.width || image->imageLength != row.height))
        return false;
    return true;
}

// The unidentified tiled camera: a first IFD, read last, that holds its image as exactly one
// lossless JPEG tile of the camera's frame starting right after the header.
bool isUnidentifiedTiledImage(const RawFileContext& context) {
    const IfdNode* first = context.mainTree.get();
    if (first == nullptr || context.lastNode != first) return false;
    const CameraDescription& camera = unidentifiedTiledCamera();
    const bool tilesOnly =
        (first->layout & node_layout::kTiles) != 0 && (first->layout & node_layout::kStrips) == 0;
    const IfdEntry* offsets = first->tileOffsets;
    return first->compression == compression::kLosslessJpeg && tilesOnly &&
           first->imageWidth == camera.width && first->imageLength == camera.height &&
           first->tileWidth == camera.width && first->tileLength == camera.height &&
           offsets != nullptr && offsets->isInline() && offsets->count == 1 &&
           entryValue(*first, *offsets) == kTiffHeaderBytes;
}

// The row of the level table for an ISO: its own, else the ISO 0 row that ends the table.
const IsoLevels& levelsFor(std::span<const IsoLevels> levels, std::uint32_t iso) {
    for (const IsoLevels& row : levels)
        if (row.iso == iso || row.iso == 0) return row;
    return levels.back();
}

void applyLevels(RawFileContext& context, IfdNode& image, std::span<const IsoLevels> table) {
    if (table.empty()) return;
    if (context.iso1 == 0 && context.iso2 == 0) context.iso1 = context.iso2 = table.front().iso;
    const IsoLevels& levels = levelsFor(table, context.iso2);
    const auto red = static_cast<std::int32_t>(levels.red);
    const auto green = static_cast<std::int32_t>(levels.green);
    const auto blue = static_cast<std::int32_t>(levels.blue);
    context.channelLevels = {red, green, blue, green};
    image.channelWhite = {red, green, blue, green};
    if (image.whiteLevel == 0) image.whiteLevel = std::max({red, green, blue});
    if (levels.maximum != 0) {
        image.maximumValue = static_cast<std::int32_t>(levels.maximum);
        image.valueRange = image.maximumValue;
    }
}

// The whole sensor as the active area: from the active area's CFA phase, as many whole CFA
// repeats as the image holds. Masked areas would lie inside it, so there are none.
void showWholeSensor(IfdNode& image) {
    const std::uint32_t rows = std::max<std::uint32_t>(image.cfaRepeatRows, 1);
    const std::uint32_t cols = std::max<std::uint32_t>(image.cfaRepeatCols, 1);
    image.activeTop %= rows;
    image.activeLeft %= cols;
    image.activeHeight =
        (image.imageLength - std::min(image.activeTop, image.imageLength)) / rows * rows;
    image.activeWidth =
        (image.imageWidth - std::min(image.activeLeft, image.imageWidth)) / cols * cols;
    image.height = image.pixelYDimension = image.activeHeight;
    image.width = image.pixelXDimension = image.activeWidth;
    image.maskedAreas = {};
}

void applyCfa(const CameraDescription& row, IfdNode& image) {
    if (image.cfaPatternCount == 0) {
        const std::size_t count = static_cast<std::size_t>(row.cfaRepeatRows) * row.cfaRepeatCols;
        image.cfaPatternCount = static_cast<std::uint8_t>(count);
        std::copy_n(row.cfaPattern.begin(), std::min(count, row.cfaPattern.size()),
                    image.cfaPattern.begin());
    }
    image.cfaLayout = row.cfaLayout;
    image.cfaRepeatRows = row.cfaRepeatRows;
    image.cfaRepeatCols = row.cfaRepeatCols;
    image.cfaPlaneColorCount = row.planeColorCount;
    std::copy_n(row.planeColors.begin(),
                std::min<std::size_t>(row.planeColorCount, image.cfaPlaneColors.size()),
                image.cfaPlaneColors.begin());
}

} // namespace

std::int16_t IdentifyCamera(RawFileContext& context) {
    const std::span<const CameraDescription> table = cameraTable();
    bool named = false;
    if (context.makeEntry != nullptr && context.modelEntry != nullptr) {
        for (const CameraDescription& row : table.first(kListedCameraRows)) {
            if (row.make != context.make || row.model != context.model) continue;
            named = true;
            if (accepts(row, context)) {
                context.camera = &row;
                return kCameraIdentified;
            }
        }
    }
    if (isUnidentifiedTiledImage(context)) {
        context.mainImage = context.mainTree.get();
        context.camera = &unidentifiedTiledCamera();
        return kCameraIdentified;
    }
    context.camera = &defaultCameraDescription();
    return named ? kCameraOptionsDiffer : kCameraNotInTable;
}

void ApplyCameraDescription(RawFileContext& context, bool fullSensorView) {
    const CameraDescription* row = context.camera;
    IfdNode* image = context.mainImage;
    if (row == nullptr || image == nullptr) return;

    context.formatCode = row->formatCode;
    image->imageLength = image->height = row->height;
    image->imageWidth = image->width = row->width;
    image->activeTop = row->active.top;
    image->activeLeft = row->active.left;
    image->activeHeight = row->active.height;
    image->activeWidth = row->active.width;
    image->photometric = kPhotometricCfa;
    if (row->bitsSet != kKeepBits &&
        (row->bitsRequired == kAnyBits || row->bitsRequired == image->bitsPerSample))
        image->bitsPerSample = row->bitsSet;
    // The substitute names the decoder only for data the row knows: of the code it requires,
    // or of any code when it requires none.
    if (row->compressionSet != 0 && (image->compression == 0 || row->compressionRequired == 0 ||
                                     image->compression == row->compressionRequired))
        image->compression = row->compressionSet;
    // Sony's packed 12-bit data holds the low bits of the first sample first.
    context.packingKind =
        row->formatCode == format_code::kSony && image->compression == compression::kPacked
            ? RawFileContext::kPackedLittleEndian
            : 0;
    if (row->decodingVariant != decoding_variant::kNone)
        image->decodingVariant = row->decodingVariant;
    applyCfa(*row, *image);
    context.uniqueCameraModel = std::string(row->model);
    image->wbMultipliers.fill(1.0f);

    if (fullSensorView) {
        showWholeSensor(*image);
        return;
    }
    image->blackRangeLow = row->blackRangeLow;
    image->blackRangeHigh = row->blackRangeHigh;
    image->rowNoiseAverage = row->rowNoiseAverage;
    image->columnNoiseAverage = row->columnNoiseAverage;
    image->maskedAreas = row->maskedAreas;
    applyLevels(context, *image, row->isoLevels);
}

} // namespace korvane
