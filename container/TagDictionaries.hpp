#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/TagDictionary.hpp"

namespace korvane {

// What the directory reader does with an entry, by the class of its dictionary row. A
// negative class also lets the entry's values exceed 4096 bytes: they stay in the file.
namespace tag_class {
inline constexpr std::int16_t kKept = 0;
inline constexpr std::int16_t kLargeKept = -1;
// Standard directories.
inline constexpr std::int16_t kSubfileType = 1;
inline constexpr std::int16_t kLink = 2; // SubIFDs, Global, Exif and GPS offsets
inline constexpr std::int16_t kStripTileSize = 3;
inline constexpr std::int16_t kGeometry = 4; // sizes, samples, active area
inline constexpr std::int16_t kDng = 5;
inline constexpr std::int16_t kCoding = 6; // compression, photometric, orientation
inline constexpr std::int16_t kCfa = 7;
inline constexpr std::int16_t kShot = 8;         // camera texts and shot values
inline constexpr std::int16_t kLevels = 9;       // black and white levels
inline constexpr std::int16_t kMaskedAreas = 12; // kept; the camera table decides
inline constexpr std::int16_t kBaselineExposure = 13;
inline constexpr std::int16_t kWhiteBalance = 100;
inline constexpr std::int16_t kPixelValueRange = 401;
inline constexpr std::int16_t kKodakMakerNote = 501;
inline constexpr std::int16_t kImageData = -3; // strip and tile offsets and sizes
inline constexpr std::int16_t kBlackLevelDelta = -10;
inline constexpr std::int16_t kMakerData = -11; // MakerNote, DNGPrivateData
inline constexpr std::int16_t kLinearization = -14;
// Maker notes.
inline constexpr std::int16_t kCanonCameraSettings = 101;
inline constexpr std::int16_t kCanonSerialNumber = 102;
inline constexpr std::int16_t kCanonCameraInfo = 103;
inline constexpr std::int16_t kCanonModelId = 104;
inline constexpr std::int16_t kCanonFileInfo = 105;
inline constexpr std::int16_t kCanonCustomFunctions = 106;
inline constexpr std::int16_t kCanonColorBalance = 107;
inline constexpr std::int16_t kNikonShot = 201; // ISO, ISOFine, serial number
inline constexpr std::int16_t kNikonCompression = 202;
inline constexpr std::int16_t kNikonCompressionInfo = 203;
inline constexpr std::int16_t kNikonNoiseReduction = 204;
inline constexpr std::int16_t kNikonWhiteBalance = 205;
inline constexpr std::int16_t kOlympusBlackLevel = 301;
inline constexpr std::int16_t kOlympusSubIfd = -302;
inline constexpr std::int16_t kOlympusSerialNumber = 303;
} // namespace tag_class

// Tag numbers the reader interprets, named as in the dictionaries.
namespace tag_number {
inline constexpr std::uint16_t kNewSubfileType = 254;
inline constexpr std::uint16_t kSubfileType = 255;
inline constexpr std::uint16_t kImageWidth = 256;
inline constexpr std::uint16_t kImageLength = 257;
inline constexpr std::uint16_t kBitsPerSample = 258;
inline constexpr std::uint16_t kCompression = 259;
inline constexpr std::uint16_t kPhotometricInterpretation = 262;
inline constexpr std::uint16_t kMake = 271;
inline constexpr std::uint16_t kModel = 272;
inline constexpr std::uint16_t kStripOffsets = 273;
inline constexpr std::uint16_t kOrientation = 274;
inline constexpr std::uint16_t kSamplesPerPixel = 277;
inline constexpr std::uint16_t kRowsPerStrip = 278;
inline constexpr std::uint16_t kStripByteCounts = 279;
inline constexpr std::uint16_t kDateTime = 306;
inline constexpr std::uint16_t kTileWidth = 322;
inline constexpr std::uint16_t kTileLength = 323;
inline constexpr std::uint16_t kTileOffsets = 324;
inline constexpr std::uint16_t kTileByteCounts = 325;
inline constexpr std::uint16_t kSubIfds = 330;
inline constexpr std::uint16_t kGlobalParametersIfd = 400;
inline constexpr std::uint16_t kPixelValueRange1 = 28688;
inline constexpr std::uint16_t kPixelValueRange2 = 28689;
inline constexpr std::uint16_t kCfaRepeatPatternDim = 33421;
inline constexpr std::uint16_t kCfaPattern = 33422;
inline constexpr std::uint16_t kKodakMakerNote = 33424;
inline constexpr std::uint16_t kExposureTime = 33434;
inline constexpr std::uint16_t kFNumber = 33437;
inline constexpr std::uint16_t kIptc = 33723;
inline constexpr std::uint16_t kExifIfd = 34665;
inline constexpr std::uint16_t kGpsInfo = 34853;
inline constexpr std::uint16_t kIsoSpeedRatings = 34855;
inline constexpr std::uint16_t kDateTimeOriginal = 36867;
inline constexpr std::uint16_t kFocalLength = 37386;
inline constexpr std::uint16_t kExposureIndex = 37397;
inline constexpr std::uint16_t kMakerNote = 37500;
inline constexpr std::uint16_t kPixelXDimension = 40962;
inline constexpr std::uint16_t kPixelYDimension = 40963;
inline constexpr std::uint16_t kCfaPatternExif = 41730;
inline constexpr std::uint16_t kWhiteBalance = 41987;
inline constexpr std::uint16_t kDngVersion = 50706;
inline constexpr std::uint16_t kUniqueCameraModel = 50708;
inline constexpr std::uint16_t kCfaPlaneColor = 50710;
inline constexpr std::uint16_t kCfaLayout = 50711;
inline constexpr std::uint16_t kLinearizationTable = 50712;
inline constexpr std::uint16_t kBlackLevelRepeatDim = 50713;
inline constexpr std::uint16_t kBlackLevel = 50714;
inline constexpr std::uint16_t kBlackLevelDeltaH = 50715;
inline constexpr std::uint16_t kBlackLevelDeltaV = 50716;
inline constexpr std::uint16_t kWhiteLevel = 50717;
inline constexpr std::uint16_t kAsShotNeutral = 50728;
inline constexpr std::uint16_t kBaselineExposure = 50730;
inline constexpr std::uint16_t kCameraSerialNumber = 50735;
inline constexpr std::uint16_t kLensInfo = 50736;
inline constexpr std::uint16_t kDngPrivateData = 50740;
inline constexpr std::uint16_t kActiveArea = 50829;
inline constexpr std::uint16_t kRawImageDigest = 50972;
// Maker notes.
inline constexpr std::uint16_t kNikonIso = 2;
inline constexpr std::uint16_t kNikonSerialNumber = 29;
inline constexpr std::uint16_t kNikonIsoFine = 37;
inline constexpr std::uint16_t kNikonLongExposureNoiseReduction = 149;
inline constexpr std::uint16_t kNikonHighIsoNoiseReduction = 177;
inline constexpr std::uint16_t kOlympusEquipment = 8208; // the first of five sub-IFDs
inline constexpr std::uint16_t kOlympusSubIfdStep = 16;  // 8208, 8224, 8240, 8256, 8272
} // namespace tag_number

// Rows of each dictionary; the definitions check their tables against these.
namespace dictionary_size {
inline constexpr std::size_t kMain = 263;
inline constexpr std::size_t kGps = 31;
inline constexpr std::size_t kCanon = 14;
inline constexpr std::size_t kNikon = 18;
inline constexpr std::size_t kOlympus = 13; // each of the two forms
inline constexpr std::size_t kOlympusEquipment = 2;
inline constexpr std::size_t kOlympusImageProcessing = 3;
inline constexpr std::size_t kOlympusVersionOnly = 1; // CameraSettings, RawDevelopment, FocusInfo
inline constexpr std::size_t kPentax = 1;
inline constexpr std::size_t kSony = 1;
inline constexpr std::size_t kKodak = 2;
} // namespace dictionary_size

// The dictionaries, each sorted by tag. The main one serves the first IFD and every standard
// directory (next IFDs, SubIFDs, Exif, Global parameters); the others one kind of directory.
extern const TagDictionary kMainDictionary;
extern const TagDictionary kGpsDictionary;
extern const TagDictionary kCanonDictionary;
extern const TagDictionary kNikonDictionary;
extern const TagDictionary kOlympusDictionaryV1;              // maker note with an 8-byte header
extern const TagDictionary kOlympusDictionaryV2;              // maker note with a 12-byte header
extern const TagDictionary kOlympusEquipmentDictionary;       // sub-IFD 8208
extern const TagDictionary kOlympusCameraSettingsDictionary;  // sub-IFD 8224
extern const TagDictionary kOlympusRawDevelopmentDictionary;  // sub-IFD 8240
extern const TagDictionary kOlympusImageProcessingDictionary; // sub-IFD 8256
extern const TagDictionary kOlympusFocusInfoDictionary;       // sub-IFD 8272
extern const TagDictionary kPentaxDictionary;
extern const TagDictionary kSonyDictionary;
extern const TagDictionary kKodakDictionary;

// The row of `tag`, or null when the dictionary has none (binary search).
[[nodiscard]] const TagDefinition* FindTag(std::uint16_t tag, TagDictionary dictionary);

// The name of `tag` in the dictionary, empty when it has none.
[[nodiscard]] std::string_view tagName(std::uint16_t tag, TagDictionary dictionary);

// True when every row's tag is above the one before: what the binary search needs.
constexpr bool sortedByTag(TagDictionary dictionary) {
    for (std::size_t i = 1; i < dictionary.size(); ++i)
        if (dictionary[i - 1].tag >= dictionary[i].tag) return false;
    return true;
}

} // namespace korvane
