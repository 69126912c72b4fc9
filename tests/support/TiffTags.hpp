#pragma once
#include <cstdint>

// Tag numbers the file builders write (TIFF 6.0, TIFF/EP, Exif 2.3, DNG 1.4). Kept apart
// from the container's dictionaries on purpose: a wrong number there must not be repeated
// by the files that test it.
namespace korvane::test::tag {

inline constexpr std::uint16_t kNewSubFileType = 254;
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
inline constexpr std::uint16_t kPlanarConfiguration = 284;
inline constexpr std::uint16_t kSoftware = 305;
inline constexpr std::uint16_t kSubIfds = 330;
inline constexpr std::uint16_t kCfaRepeatPatternDim = 33421;
inline constexpr std::uint16_t kCfaPattern = 33422;
inline constexpr std::uint16_t kExposureTime = 33434;
inline constexpr std::uint16_t kFNumber = 33437;
inline constexpr std::uint16_t kExifIfd = 34665;
inline constexpr std::uint16_t kIsoSpeedRatings = 34855;
inline constexpr std::uint16_t kExifVersion = 36864;
inline constexpr std::uint16_t kFocalLength = 37386;
inline constexpr std::uint16_t kDngVersion = 50706;
inline constexpr std::uint16_t kDngBackwardVersion = 50707;
inline constexpr std::uint16_t kUniqueCameraModel = 50708;
inline constexpr std::uint16_t kCfaPlaneColor = 50710;
inline constexpr std::uint16_t kCfaLayout = 50711;
inline constexpr std::uint16_t kLinearizationTable = 50712;
inline constexpr std::uint16_t kBlackLevelRepeatDim = 50713;
inline constexpr std::uint16_t kBlackLevel = 50714;
inline constexpr std::uint16_t kWhiteLevel = 50717;
inline constexpr std::uint16_t kColorMatrix1 = 50721;
inline constexpr std::uint16_t kAsShotNeutral = 50728;
inline constexpr std::uint16_t kCalibrationIlluminant1 = 50778;
inline constexpr std::uint16_t kActiveArea = 50829;
inline constexpr std::uint16_t kMaskedAreas = 50830;

} // namespace korvane::test::tag
