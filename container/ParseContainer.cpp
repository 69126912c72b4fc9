#include "container/ParseContainer.hpp"

#include <algorithm>
#include <cmath>

#include "common/CameraDescription.hpp"
#include "common/EntryValues.hpp"
#include "common/ExposureScale.hpp"
#include "container/FileAccess.hpp"
#include "container/IdentifyCamera.hpp"
#include "container/MakerNotes.hpp"
#include "container/ReadIfd.hpp"
#include "container/ShotInfo.hpp"
#include "container/TagDictionaries.hpp"

namespace korvane {

namespace {

constexpr std::uint16_t kPhotometricCfa = 32803;
// What the decoders accept.
constexpr std::uint32_t kMinimumSide = 1000;
constexpr std::uint32_t kMaximumSide = 10000;

std::uint8_t headerByteOrder(const std::uint8_t* h) {
    if (h[0] == 'I' && h[1] == 'I' &&
        ((h[2] == 0x2A && h[3] == 0x00) || (h[2] == 'R' && h[3] == 'O') ||
         (h[2] == 'U' && h[3] == 0x00)))
        return kLittleEndianOrder;
    if (h[0] == 'M' && h[1] == 'M' && h[2] == 0x00 && h[3] == 0x2A) return kBigEndianOrder;
    return 0;
}

bool held(const KeyState& keys, int a, int b, int c) {
    return keys.isKeyDown(a) && keys.isKeyDown(b) && keys.isKeyDown(c);
}

// Levels every image starts from: the value range from the bit depth or white level.
void deriveLevels(RawFileContext& ctx, IfdNode& image) {
    const std::int64_t target = image.whiteLevel != 0
                                    ? image.whiteLevel
                                    : (std::int64_t{1} << std::min<int>(image.bitsPerSample, 30));
    // The doubling stops at 2^24 however large a level the file claims.
    std::int64_t maximum = 1024;
    while (maximum < target && maximum < (std::int64_t{1} << 24))
        maximum *= 2;
    image.maximumValue = static_cast<std::int32_t>(maximum);
    image.valueRange = image.maximumValue;
    if (image.whiteLevel == 0) image.whiteLevel = image.maximumValue - 1;
    ctx.channelLevels.fill(image.maximumValue - 1);
    image.selectionWb = {1.0f, 1.0f, 1.0f};
}

void applyMakerLevels(RawFileContext& ctx) {
    const CameraDescription& camera = *ctx.camera;
    if (camera.vendor == vendor::kCanon && (ctx.makerFlags & 0x01) != 0) {
        // Highlight tone priority: the camera metered one stop below what it reports.
        ctx.iso2 /= 2;
        ctx.baselineExposure = 1.0f;
    }
    if ((camera.modelCode == 2305 || camera.modelCode == 2306) && ctx.iso1 == 0 && ctx.iso2 == 0 &&
        ctx.exposureIndex != 0)
        ctx.iso1 = ctx.iso2 = ctx.exposureIndex;
    if (camera.modelCode >= 6915 && camera.modelCode <= 6917 &&
        ctx.formatCode != format_code::kDng && ctx.mainImage != nullptr) {
        const std::uint16_t black = ctx.mainImage->bitsPerSample == 8 ? 256 : 128;
        ctx.mainImage->blackLevel = ctx.mainImage->blackLevelMinimum =
            ctx.mainImage->blackLevelMaximum = black;
    }
}

// The main image by the camera row's rule; false after a message.
bool chooseMainImage(RawFileContext& ctx, Reporter& reporter) {
    switch (ctx.camera->mainImageRule) {
    case 1:
        if (ctx.mainImage == nullptr) {
            reporter.ShowMessage(MessageId::ImageIncompleteOrUnsupported, ctx.path);
            return false;
        }
        return true;
    case 2:
        ctx.mainImage = ctx.mainTree.get();
        return true;
    case 3:
        ctx.mainImage = ctx.lastNode;
        return true;
    case 4: {
        auto node = std::make_unique<IfdNode>();
        node->kind = IfdKind::FullResolution;
        node->label = "Subfile made from the camera description";
        node->imageWidth = ctx.camera->width;
        node->imageLength = ctx.camera->height;
        reporter.ShowMessage(MessageId::NotImplemented, "new subfile creation");
        ctx.mainImage = ctx.lastNode = node.get();
        ctx.createdNodes.push_back(std::move(node));
        return true;
    }
    default:
        return true;
    }
}

// The maker note's black levels belong to the image (Olympus and Pentax), and Kodak's
// linearisation table too.
void moveMakerNoteLevels(RawFileContext& ctx) {
    IfdNode* note = ctx.makerNoteTree.get();
    IfdNode* image = ctx.mainImage;
    if (note == nullptr || image == nullptr) return;
    if (ctx.formatCode == format_code::kOlympus || ctx.formatCode == format_code::kPentax) {
        image->blackLevel = note->blackLevel;
        image->blackLevelArray = std::move(note->blackLevelArray);
        note->blackLevelArray.clear();
        note->blackLevel = 0;
    } else if (ctx.formatCode == format_code::kKodak && image->linearizationTable == nullptr) {
        image->linearizationTable = note->linearizationTable;
    }
}

void applyDefaults(IfdNode& image) {
    if (image.samplesPerPixel == 0) image.samplesPerPixel = 1;
    if (image.photometric == 0) image.photometric = kPhotometricCfa;
    if ((image.layout & node_layout::kStrips) != 0 && image.rowsPerStrip == 0)
        image.rowsPerStrip = image.imageLength;
    if (image.cfaPlaneColorCount == 0) {
        image.cfaPlaneColorCount = 3;
        image.cfaPlaneColors = {0, 1, 2, 0};
    }
}

void whiteBalanceFromAsShotNeutral(RawFileContext& ctx, const IfdNode& image) {
    const IfdEntry* e = ctx.asShotNeutralEntry;
    if (e == nullptr || ctx.asShotNeutralNode == nullptr || e->count != 3 ||
        image.cfaPlaneColorCount != 3)
        return;
    for (std::uint32_t j = 0; j < 3; ++j) {
        float coefficient = 1.0f;
        if (e->type == tiff_type::kShort) {
            const std::uint32_t v = entryValue(*ctx.asShotNeutralNode, *e, j);
            if (v >= 1 && v <= 99) coefficient = 1.0f / static_cast<float>(v);
        } else {
            const Rational r = entryRational(*ctx.asShotNeutralNode, *e, j);
            if (r.numerator != 0 && r.denominator != 0)
                coefficient = static_cast<float>(r.denominator) / static_cast<float>(r.numerator);
        }
        switch (image.cfaPlaneColors[j]) {
        case 0:
            ctx.wbCoefficients[0] = coefficient;
            break;
        case 1:
            ctx.wbCoefficients[1] = ctx.wbCoefficients[2] = coefficient;
            break;
        case 2:
            ctx.wbCoefficients[3] = coefficient;
            break;
        default:
            break;
        }
    }
    ctx.shotWb = ctx.wbCoefficients;
}

void applyDefaultExposure(RawFileContext& ctx, IfdNode& image) {
    const int position = defaultExposurePosition(ctx.baselineExposure);
    image.exposureStep = image.defaultExposureStep = position;
    image.exposureStep6 = position * 6;
    image.exposureFactor = exposureFactor(position);
}

bool processableFormat(std::uint8_t code) {
    return code != 0 && code != 5 && code <= 14;
}

// Whether the decoders can take the image; MessageId::ImageIncompleteOrUnsupported (or
// NoValidImage, MainImageInvalid) when not.
Status checkMainImage(RawFileContext& ctx, Reporter& reporter) {
    IfdNode* image = ctx.mainImage;
    if (image == nullptr || !processableFormat(ctx.formatCode)) {
        reporter.ShowMessage(MessageId::NoValidImage, ctx.path);
        return kFailed;
    }
    if (image->inconsistent()) {
        reporter.ShowMessage(MessageId::MainImageInvalid, ctx.path);
        return kFailed;
    }
    if (image->cfaLayout == 0) image->cfaLayout = 1;
    const std::uint32_t w = image->width != 0 ? image->width : image->imageWidth;
    const std::uint32_t h = image->height != 0 ? image->height : image->imageLength;
    const std::uint8_t rows = image->cfaRepeatRows;
    const bool accepted =
        w >= kMinimumSide && w <= kMaximumSide && h >= kMinimumSide && h <= kMaximumSide &&
        (image->layout & (node_layout::kStrips | node_layout::kTiles)) != 0 &&
        image->bitsPerSample >= 8 && image->bitsPerSample <= 16 && image->samplesPerPixel == 1 &&
        image->photometric == kPhotometricCfa && image->cfaLayout == 1 &&
        image->cfaPlaneColorCount == 3 && rows >= 1 && rows <= 8 && image->cfaRepeatCols == rows &&
        image->cfaPatternCount == rows * rows;
    if (!accepted) {
        reporter.ShowMessage(MessageId::ImageIncompleteOrUnsupported, ctx.path);
        return kFailed;
    }
    return kOk;
}

} // namespace

std::int32_t displayedWhiteLevel(const ImageDescriptor& image) {
    if (image.channelWhite[0] == 0) return image.whiteLevel;
    return *std::max_element(image.channelWhite.begin(), image.channelWhite.end());
}

int defaultExposurePosition(float baselineExposure) {
    if (baselineExposure == 0 || !std::isfinite(baselineExposure)) return kExposureZero;
    // Beyond 8 EV either way the slider is at its end; the file may claim any value.
    const float b = std::clamp(baselineExposure, -9.0f, 9.0f);
    int p = static_cast<int>(b * 6);
    const float r = b - static_cast<float>(p) * 0.16666667f;
    if (r > 0.08f) ++p;
    if (r < -0.08f) --p;
    if (p < -kExposureZero) return 0;
    return std::min(p + kExposureZero, kExposurePositions - 1);
}

bool fileCanHoldImage(const RawFileContext& ctx, const IfdNode& image) {
    const std::uint64_t samples =
        std::uint64_t{image.samplesPerPixel} * image.imageWidth * image.imageLength;
    const std::uint64_t length = ctx.fileLength;
    if (image.compression == compression::kUncompressed)
        return samples * image.bitsPerSample <= length * 8;
    return samples <= length * kMaxSamplesPerCompressedByte;
}

Status ParseContainer(RawFileContext& ctx, Reporter& reporter, const KeyState& keys,
                      const ShotInfoSink& showShotInfo) {
    const bool fullSensorView = held(keys, 0x11, 0x10, 'W'); // Ctrl, Shift, W
    FileAccess file(ctx, reporter);
    const auto show = [&] {
        if (showShotInfo) showShotInfo(composeShotInfo(ctx));
    };

    if (Status s = file.SeekTo(0); failed(s)) return s;
    const std::uint8_t* header = nullptr;
    if (file.ReadBytes(8, header) != 8 || (ctx.byteOrder = headerByteOrder(header)) == 0) {
        reporter.ShowMessage(MessageId::NotTiff);
        return kFailed;
    }
    ctx.firstIfdOffset = ByteOrder::ofCode(ctx.byteOrder).load32(header + 4);
    if (ctx.firstIfdOffset < 8 || static_cast<std::int64_t>(ctx.firstIfdOffset) >
                                      static_cast<std::int64_t>(ctx.fileLength) - 12) {
        reporter.ShowMessage(MessageId::InvalidTiffHeader);
        return kFailed;
    }

    ctx.formatCode = format_code::kTiff;
    if (Status s = ReadIfd(file, ctx.mainTree, nullptr, ctx.firstIfdOffset, 0, kMainDictionary,
                           IfdKind::FirstIfd, "First IFD", ctx.byteOrder);
        failed(s))
        return s;
    show();

    const bool dng = ctx.formatCode == format_code::kDng;
    if (dng && ctx.mainImage == nullptr) {
        reporter.ShowMessage(MessageId::ImageIncompleteOrUnsupported, ctx.path);
        return kFailed;
    }
    if (ctx.mainImage != nullptr) deriveLevels(ctx, *ctx.mainImage);
    const std::int16_t identified = IdentifyCamera(ctx);
    if (identified != 0 && !dng) {
        const std::string make = ctx.makeEntry != nullptr ? ctx.make : "unknown";
        const std::string model = ctx.modelEntry != nullptr ? ctx.model : "unknown";
        reporter.ShowMessage(identified < 0 ? MessageId::UnsupportedCamera
                                            : MessageId::UnsupportedCameraOptions,
                             make, model);
        return kFailed;
    }
    if (identified == 0) {
        readMakerNote(file, ctx);
        applyMakerLevels(ctx);
        // A row written for the camera's own raw files describes their layout, not that of a
        // DNG converted from them: such a DNG keeps the image its directories name.
        if (!dng || ctx.camera->fileKind == 2) {
            const IfdNode* readersChoice = ctx.mainImage;
            if (!chooseMainImage(ctx, reporter)) return kFailed;
            // An image the camera row picks instead of the reader's needs its levels as well,
            // but a white level of its own only: without one, the row's levels take its place
            // (the image may not even state its bits before the row sets them), and what is
            // still missing after the row is derived from the row's bit depth.
            IfdNode* picked = ctx.mainImage != readersChoice ? ctx.mainImage : nullptr;
            const bool ownWhite = picked != nullptr && picked->whiteLevel != 0;
            if (picked != nullptr) {
                deriveLevels(ctx, *picked);
                if (!ownWhite) picked->whiteLevel = 0;
            }
            ApplyCameraDescription(ctx, fullSensorView);
            if (picked != nullptr && picked->whiteLevel == 0) deriveLevels(ctx, *picked);
            moveMakerNoteLevels(ctx);
        }
    }

    if (IfdNode* image = ctx.mainImage) {
        applyDefaults(*image);
        whiteBalanceFromAsShotNeutral(ctx, *image);
    }
    show();
    if (ctx.mainImage != nullptr) applyDefaultExposure(ctx, *ctx.mainImage);
    return checkMainImage(ctx, reporter);
}

} // namespace korvane
