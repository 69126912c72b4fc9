// The actions of the maker note classes: what Canon, Nikon and Olympus directories add to the
// context and, for Nikon's compression, to the main image.
#include <array>
#include <cstring>
#include <string>

#include "common/EntryValues.hpp"
#include "container/ReadIfdInternal.hpp"
#include "container/TagDictionaries.hpp"

namespace korvane::ifd_reader {

namespace {

using namespace tag_number;

// --- Values at a byte position of a loaded entry -------------------------------------------

// 2- and 4-byte types are held in native order, 1-byte types as the file's bytes.
bool valueAt16(const IfdNode& node, const IfdEntry& e, std::uint64_t byteOffset, std::uint8_t order,
               std::uint16_t& value) {
    const std::uint8_t* data = node.valueData(e);
    if (data == nullptr || byteOffset + 2 > valueBytes(e) || byteOffset % 2 != 0) return false;
    if (e.typeSize() == 2) {
        std::memcpy(&value, data + byteOffset, 2);
        return true;
    }
    if (e.typeSize() != 1) return false;
    value = load16(data + byteOffset, order);
    return true;
}

bool valueAt32(const IfdNode& node, const IfdEntry& e, std::uint64_t byteOffset, std::uint8_t order,
               std::uint32_t& value) {
    const std::uint8_t* data = node.valueData(e);
    if (data == nullptr || byteOffset + 4 > valueBytes(e) || byteOffset % 4 != 0) return false;
    if (e.typeSize() == 4) {
        std::memcpy(&value, data + byteOffset, 4);
        return true;
    }
    if (e.typeSize() != 1) return false;
    value = load32(data + byteOffset, order);
    return true;
}

// --- Canon ----------------------------------------------------------------------------------

constexpr std::uint32_t kCameraSettingsFlagIndex = 46;
constexpr std::uint8_t kFlagCameraSettings = 0x02;
constexpr std::uint32_t kFileInfoNoiseReductionIndex = 17;
constexpr std::uint32_t kCustomFunctionSetting = 0x203; // record 515
constexpr std::uint8_t kFlagCustomFunction = 0x01;
constexpr float kColorBalanceScale = 1024.0f;

// Where the four white balance values of the shot sit in ColorBalance, by Canon model id.
struct ColorBalanceLayout {
    std::uint32_t modelId;
    std::uint16_t byteOffset;
};
constexpr std::array<ColorBalanceLayout, 17> kColorBalanceLayouts = {{
    {0x80000169, 126},
    {0x80000176, 126},
    {0x80000190, 126},
    {0x80000213, 126},
    {0x80000215, 126},
    {0x80000218, 126},
    {0x80000232, 126},
    {0x80000234, 126},
    {0x80000236, 126},
    {0x80000250, 126},
    {0x80000252, 126},
    {0x80000254, 126},
    {0x80000261, 126},
    {0x80000174, 48},
    {0x80000188, 48},
    {0x80000175, 50},
    {0x80000189, 50},
}};

// CR2_CustomFunctions2: a version and a group count, then groups of (id, size, record count)
// followed by their records of (id, value count, values), all 32-bit. The walk goes record
// by record and ends at the first one that does not fit the data.
bool customFunctionSet(const IfdNode& node, const IfdEntry& e, std::uint8_t order) {
    std::uint32_t groups = 0;
    if (!valueAt32(node, e, 4, order, groups)) return false;
    std::uint64_t at = 8;
    for (std::uint32_t g = 0; g < groups; ++g) {
        std::uint32_t records = 0;
        if (!valueAt32(node, e, at + 8, order, records)) return false;
        at += 12;
        for (std::uint32_t r = 0; r < records; ++r) {
            std::uint32_t id = 0, values = 0, first = 0;
            if (!valueAt32(node, e, at, order, id) || !valueAt32(node, e, at + 4, order, values))
                return false;
            if (id == kCustomFunctionSetting && values > 0 &&
                valueAt32(node, e, at + 8, order, first) && first != 0)
                return true;
            at += 8 + 4 * static_cast<std::uint64_t>(values);
        }
    }
    return false;
}

void colorBalance(DirectoryScope& scope, const IfdEntry& e) {
    RawFileContext& ctx = scope.context();
    for (const ColorBalanceLayout& layout : kColorBalanceLayouts) {
        if (layout.modelId != ctx.modelId) continue;
        std::array<std::uint16_t, 4> v{};
        for (std::uint32_t i = 0; i < 4; ++i)
            if (!valueAt16(scope.node, e, layout.byteOffset + 2 * i, scope.byteOrder, v[i])) return;
        for (std::uint32_t i = 0; i < 4; ++i)
            ctx.wbCoefficients[i] = v[i] / kColorBalanceScale;
        return;
    }
}

void canon(DirectoryScope& scope, const IfdEntry& e) {
    RawFileContext& ctx = scope.context();
    const IfdNode& node = scope.node;
    switch (e.definition->tagClass) {
    case tag_class::kCanonCameraSettings:
        if (e.count > kCameraSettingsFlagIndex &&
            entryValue(node, e, kCameraSettingsFlagIndex) != 0)
            ctx.makerFlags |= kFlagCameraSettings;
        break;
    case tag_class::kCanonSerialNumber:
        ctx.serial = std::to_string(entryValue(node, e));
        break;
    case tag_class::kCanonCameraInfo:
        ctx.canonCameraInfo = &e;
        break;
    case tag_class::kCanonModelId:
        ctx.modelId = entryValue(node, e);
        break;
    case tag_class::kCanonFileInfo:
        if (e.count > kFileInfoNoiseReductionIndex)
            ctx.noiseReduction = entryValue(node, e, kFileInfoNoiseReductionIndex) & 0xFFFF;
        break;
    case tag_class::kCanonCustomFunctions:
        if (customFunctionSet(node, e, scope.byteOrder)) ctx.makerFlags |= kFlagCustomFunction;
        break;
    case tag_class::kCanonColorBalance:
        colorBalance(scope, e);
        break;
    default:
        break;
    }
}

// --- Nikon ----------------------------------------------------------------------------------

constexpr std::uint8_t kFlagLongExposureNoiseReduction = 0x04;
constexpr std::uint32_t kLossyTypeTwo = 2;
// A StripByteCounts of exactly this, with compression 2, is an uncompressed D1-style image.
constexpr std::uint32_t kPackedImageBytes = 9844736;
constexpr std::uint32_t kPackedCompression = 65537;
constexpr std::uint8_t kPackedMode = 5;

// ISOFine's byte b stands for ISO 100 x 2^((b - 60) / 12); the table holds the nominal
// values that cameras print, one a sixth of a stop, for b = 36, 38, ... 180.
constexpr std::array<std::uint32_t, 73> kIsoSteps = {
    25,    28,    32,    36,    40,    45,    50,    56,    64,    71,    80,    90,    100,
    112,   125,   140,   160,   180,   200,   225,   250,   280,   320,   360,   400,   450,
    500,   560,   640,   720,   800,   900,   1000,  1100,  1250,  1400,  1600,  1800,  2000,
    2200,  2500,  2800,  3200,  3600,  4000,  4500,  5000,  5600,  6400,  7200,  8000,  9000,
    10000, 11400, 12800, 14400, 16000, 18000, 20000, 22800, 25600, 28800, 32000, 36000, 40000,
    45600, 51200, 57600, 64000, 72000, 80000, 91200, 102400};
static_assert(kIsoSteps[(60 - 36) / 2] == 100 && kIsoSteps.back() == 102400);
constexpr std::uint32_t kIsoFineFirst = 36, kIsoFineLast = 180;
// Bytes 60 to 71 are the low settings below ISO 200 that are shown at their own value but
// recorded at 200.
constexpr std::uint32_t kIsoFineLowFirst = 60, kIsoFineLowLast = 71, kIsoFineLowBase = 200;

void isoFine(RawFileContext& ctx, const IfdNode& node, const IfdEntry& e) {
    if (ctx.iso1 != 0) return; // only when no ISO is known
    const std::uint8_t* data = node.valueData(e);
    if (data == nullptr) return;
    const std::uint32_t b = data[0];
    if (b < kIsoFineFirst || b > kIsoFineLast) return;
    const std::uint32_t iso = kIsoSteps[(b - kIsoFineFirst) / 2];
    const bool low = b >= kIsoFineLowFirst && b <= kIsoFineLowLast;
    ctx.iso1 = iso;
    ctx.iso2 = low ? kIsoFineLowBase : iso;
}

void nikonCompression(RawFileContext& ctx, const IfdNode& node, const IfdEntry& e) {
    IfdNode* image = ctx.mainImage;
    if (image == nullptr) return;
    const std::uint32_t v = entryValue(node, e);
    image->makerCompression = static_cast<std::uint16_t>(v);
    const IfdEntry* counts = image->stripByteCounts;
    // Strip byte counts stay in the file unless inline, and inline values need no node.
    if (v == kLossyTypeTwo && counts != nullptr && counts->count == 1 &&
        entryValue(*image, *counts) == kPackedImageBytes) {
        image->compression = kPackedCompression;
        image->makerCompressionMode = kPackedMode;
    }
}

void nikonWhiteBalance(RawFileContext& ctx, const IfdNode& node, const IfdEntry& e) {
    std::array<float, 4> r{};
    for (std::uint32_t i = 0; i < 4; ++i) {
        const Rational q = entryRational(node, e, i);
        if (q.numerator == 0 || q.denominator == 0) return;
        r[i] = static_cast<float>(static_cast<double>(q.numerator) /
                                  static_cast<double>(q.denominator));
    }
    ctx.wbCoefficients = {r[0], r[2], r[3], r[1]};
}

void nikon(DirectoryScope& scope, const IfdEntry& e) {
    RawFileContext& ctx = scope.context();
    const IfdNode& node = scope.node;
    switch (e.definition->tagClass) {
    case tag_class::kNikonShot:
        if (e.tag == kNikonSerialNumber && e.typeSize() == 1) ctx.serial = entryText(node, e);
        if (e.tag == kNikonIso) {
            ctx.isoEntry = &e;
            ctx.iso1 = ctx.iso2 = entryValue(node, e, 1);
        }
        if (e.tag == kNikonIsoFine) isoFine(ctx, node, e);
        break;
    case tag_class::kNikonCompression:
        nikonCompression(ctx, node, e);
        break;
    case tag_class::kNikonCompressionInfo:
        if (ctx.mainImage != nullptr) ctx.mainImage->compressionInfo = &e;
        break;
    case tag_class::kNikonNoiseReduction:
        if (e.tag == kNikonLongExposureNoiseReduction && entryText(node, e).starts_with('F'))
            ctx.makerFlags |= kFlagLongExposureNoiseReduction;
        if (e.tag == kNikonHighIsoNoiseReduction) ctx.noiseReduction = entryValue(node, e);
        break;
    case tag_class::kNikonWhiteBalance:
        nikonWhiteBalance(ctx, node, e);
        break;
    default:
        break;
    }
}

// --- Olympus and Pentax ---------------------------------------------------------------------

constexpr std::uint8_t kOlympusCfaRepeat = 2;
// The second form's IFD entries count from the maker note, which begins 12 bytes before
// its directory.
constexpr std::int64_t kOlympusV2Header = 12;
constexpr std::uint32_t kMinSubIfdOffset = 8;

void olympusBlackLevel(IfdNode& node, IfdEntry& e) {
    if (!e.isInline() && !e.isLoaded()) return invalidate(e);
    node.blackLevelEntry = &e;
    node.blackLevelCount = e.count;
    node.cfaRepeatRows = node.cfaRepeatCols = kOlympusCfaRepeat;
    node.blackRepeatRows = node.blackRepeatCols = kOlympusCfaRepeat;
    node.samplesPerPixel = 1;
}

void olympusSubIfd(DirectoryScope& scope, IfdEntry& e) {
    IfdNode& node = scope.node;
    const std::uint32_t index = (e.tag - kOlympusEquipment) / kOlympusSubIfdStep;
    if (index >= node.olympusSubIfdOffsets.size()) return;
    std::int64_t offset = e.valueOffset;
    if (e.type == tiff_type::kIfd)
        offset = static_cast<std::int64_t>(entryValue(node, e)) + node.directoryOffset -
                 kOlympusV2Header;
    if (offset < kMinSubIfdOffset || offset >= scope.context().fileLength) return invalidate(e);
    node.olympusSubIfdOffsets[index] = static_cast<std::uint32_t>(offset);
}

void olympus(DirectoryScope& scope, IfdEntry& e) {
    switch (e.definition->tagClass) {
    case tag_class::kOlympusBlackLevel:
        olympusBlackLevel(scope.node, e);
        break;
    case tag_class::kOlympusSubIfd:
        olympusSubIfd(scope, e);
        break;
    case tag_class::kOlympusSerialNumber:
        if (e.typeSize() == 1) scope.context().serial = entryText(scope.node, e);
        break;
    default:
        break;
    }
}

} // namespace

void interpretMakerNoteEntry(DirectoryScope& scope, IfdEntry& e) {
    const std::int16_t c = e.definition->tagClass;
    if (c > 100 && c < 200)
        canon(scope, e);
    else if (c > 200 && c < 300)
        nikon(scope, e);
    else
        olympus(scope, e);
}

} // namespace korvane::ifd_reader
