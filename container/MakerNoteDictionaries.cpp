#include "container/TagDictionaries.hpp"

#include <array>

#include "container/TagDictionaryRows.hpp"

namespace korvane {

namespace {

using namespace dictionary_rows;
using namespace tag_class;
using tiff_type::kIfd;
using tiff_type::kUndefined;

// Canon's maker note directory (CR2 files and the maker note copied into DNG private data).
constexpr std::array kCanonRows = {
    row(1, "CameraSettings", kCanonCameraSettings),
    kept(4, "ShotInfo"),
    kept(6, "CameraModel"),
    kept(7, "FirmwareVersion"),
    kept(8, "ImageNumber"),
    kept(9, "OwnerName"),
    row(12, "CameraSerialNumber", kCanonSerialNumber),
    row(13, "CameraInfo", kCanonCameraInfo),
    row(16, "ModelID", kCanonModelId),
    row(147, "FileInfo", kCanonFileInfo),
    row(153, "CR2_CustomFunctions2", kCanonCustomFunctions),
    kept(208, "VRDOffset"),
    kept(224, "SensorInfo"),
    row(16385, "ColorBalance", kCanonColorBalance),
};

// Nikon's maker note directory, both formats.
constexpr std::array kNikonRows = {
    kept(1, "FirmwareVersion"),
    row(2, "ISO", kNikonShot),
    kept(3, "ColorMode1"),
    kept(4, "Quality"),
    kept(5, "WhiteBalance"),
    row(12, "WhiteBalanceCoefficients", kNikonWhiteBalance),
    kept(27, "CropHiSpeed"),
    row(29, "CameraSerialNumber", kNikonShot),
    row(37, "ISOFine", kNikonShot),
    row(147, "Compression", kNikonCompression),
    row(149, "LongExpNoiseReduction", kNikonNoiseReduction),
    row(150, "CompressionInfo", kNikonCompressionInfo),
    kept(153, "RawImageCenter"),
    kept(154, "SensorPixelSize"),
    kept(160, "SerialNumber160"),
    kept(162, "ImageDataSize"),
    kept(165, "ImageCount"),
    row(177, "HighISONoiseReduction", kNikonNoiseReduction),
};

// Olympus maker notes. The first form points at its five sub-IFDs with UNDEFINED entries
// that hold them, the second with IFD entries whose offsets count from the maker note.
constexpr CountLimits kOneSubIfd = exactly(1);
constexpr std::uint16_t kEmbeddedSubIfd = types(kUndefined);
constexpr std::uint16_t kLinkedSubIfd = types(kIfd);

constexpr std::array kOlympusRowsV1 = {
    row(256, "ThumbnailImage", kLargeKept),
    row(1028, "SerialNumber1", kOlympusSerialNumber),
    row(4114, "BlackLevel", kOlympusBlackLevel),
    kept(4115, "ColorTemperaturB"),
    kept(4116, "ColorTemperaturR"),
    kept(4119, "RedBalance"),
    kept(4120, "BlueBalance"),
    row(4122, "SerialNumber2", kOlympusSerialNumber),
    row(8208, "MakerNote_Equipment", kOlympusSubIfd, kOneOrMore, kEmbeddedSubIfd),
    row(8224, "MakerNote_CameraSettings", kOlympusSubIfd, kOneOrMore, kEmbeddedSubIfd),
    row(8240, "MakerNote_RawDevelopment", kOlympusSubIfd, kOneOrMore, kEmbeddedSubIfd),
    row(8256, "MakerNote_ImageProcessing", kOlympusSubIfd, kOneOrMore, kEmbeddedSubIfd),
    row(8272, "MakerNote_FocusInfo", kOlympusSubIfd, kOneOrMore, kEmbeddedSubIfd),
};

constexpr std::array kOlympusRowsV2 = {
    row(256, "ThumbnailImage", kLargeKept),
    row(1028, "SerialNumber1", kOlympusSerialNumber),
    row(4114, "BlackLevel1", kOlympusBlackLevel),
    kept(4115, "ColorTemperaturB"),
    kept(4116, "ColorTemperaturR"),
    kept(4119, "RedBalance"),
    kept(4120, "BlueBalance"),
    kept(4122, "SerialNumber2"),
    row(8208, "MakerNote_Equipment", kOlympusSubIfd, kOneSubIfd, kLinkedSubIfd),
    row(8224, "MakerNote_CameraSettings", kOlympusSubIfd, kOneSubIfd, kLinkedSubIfd),
    row(8240, "MakerNote_RawDevelopment", kOlympusSubIfd, kOneSubIfd, kLinkedSubIfd),
    row(8256, "MakerNote_ImageProcessing", kOlympusSubIfd, kOneSubIfd, kLinkedSubIfd),
    row(8272, "MakerNote_FocusInfo", kOlympusSubIfd, kOneSubIfd, kLinkedSubIfd),
};

constexpr std::array kOlympusEquipmentRows = {
    kept(0, "Version"),
    row(257, "SerialNumber3", kOlympusSerialNumber),
};
constexpr std::array kOlympusCameraSettingsRows = {kept(0, "Version")};
constexpr std::array kOlympusRawDevelopmentRows = {kept(0, "Version")};
constexpr std::array kOlympusImageProcessingRows = {
    kept(0, "Version"),
    row(1536, "BlackLevel2", kOlympusBlackLevel),
    row(4355, "Whatever_4355", kLargeKept),
};
constexpr std::array kOlympusFocusInfoRows = {kept(0, "Version")};

constexpr std::array kPentaxRows = {row(512, "BlackLevel", kOlympusBlackLevel)};

constexpr std::array kSonyRows = {kept(8201, "NoiseReduction")};

// Kodak's curves run to thousands of values, so both may stay in the file; the image takes
// the LinearizationTable as its own when it has none.
constexpr std::array kKodakRows = {
    row(2316, "InverseLinearizationTable", kLargeKept),
    row(2317, "LinearizationTable", kLinearization),
};

static_assert(kCanonRows.size() == dictionary_size::kCanon && sortedByTag(kCanonRows));
static_assert(kNikonRows.size() == dictionary_size::kNikon && sortedByTag(kNikonRows));
static_assert(kOlympusRowsV1.size() == dictionary_size::kOlympus && sortedByTag(kOlympusRowsV1));
static_assert(kOlympusRowsV2.size() == dictionary_size::kOlympus && sortedByTag(kOlympusRowsV2));
static_assert(kOlympusEquipmentRows.size() == dictionary_size::kOlympusEquipment &&
              sortedByTag(kOlympusEquipmentRows));
static_assert(kOlympusImageProcessingRows.size() == dictionary_size::kOlympusImageProcessing &&
              sortedByTag(kOlympusImageProcessingRows));
static_assert(kOlympusCameraSettingsRows.size() == dictionary_size::kOlympusVersionOnly);
static_assert(kOlympusRawDevelopmentRows.size() == dictionary_size::kOlympusVersionOnly);
static_assert(kOlympusFocusInfoRows.size() == dictionary_size::kOlympusVersionOnly);
static_assert(kPentaxRows.size() == dictionary_size::kPentax);
static_assert(kSonyRows.size() == dictionary_size::kSony);
static_assert(kKodakRows.size() == dictionary_size::kKodak && sortedByTag(kKodakRows));

} // namespace

constexpr TagDictionary kCanonDictionary{kCanonRows};
constexpr TagDictionary kNikonDictionary{kNikonRows};
constexpr TagDictionary kOlympusDictionaryV1{kOlympusRowsV1};
constexpr TagDictionary kOlympusDictionaryV2{kOlympusRowsV2};
constexpr TagDictionary kOlympusEquipmentDictionary{kOlympusEquipmentRows};
constexpr TagDictionary kOlympusCameraSettingsDictionary{kOlympusCameraSettingsRows};
constexpr TagDictionary kOlympusRawDevelopmentDictionary{kOlympusRawDevelopmentRows};
constexpr TagDictionary kOlympusImageProcessingDictionary{kOlympusImageProcessingRows};
constexpr TagDictionary kOlympusFocusInfoDictionary{kOlympusFocusInfoRows};
constexpr TagDictionary kPentaxDictionary{kPentaxRows};
constexpr TagDictionary kSonyDictionary{kSonyRows};
constexpr TagDictionary kKodakDictionary{kKodakRows};

} // namespace korvane
