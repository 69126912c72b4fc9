#pragma once
// The rows of the other makers: Hasselblad, Kodak, the unidentified tiled camera, Leica and
// Mamiya (before Nikon in the table), Phase One and Sinar (after Olympus).
#include <array>

#include "container/CameraTableParts.hpp"

namespace korvane::camera_rows {

constexpr CameraDescription wholeFrame(std::string_view make, std::string_view model,
                                       std::uint16_t vendor, std::uint16_t modelCode,
                                       std::uint8_t formatCode, std::uint16_t width,
                                       std::uint16_t height, const Pattern& pattern) {
    return framed(
        cameraRow(make, model, vendor, modelCode, formatCode, main_image_rule::kReaderChoice),
        width, height, {0, 0, width, height}, pattern);
}

// Hasselblad H3D, the 39 MP back of the one sample (3FR): the whole frame, 16 bits, white
// from the sample. The first row takes uncompressed files as they are; the second sends
// every other coding to the lossless JPEG decoder with Hasselblad's variant.
inline constexpr auto kH3DLevels = defaultLevels(62914, k16BitRange);
inline constexpr CameraDescription kH3DUncompressed = [] {
    CameraDescription row =
        withLevels(wholeFrame("Hasselblad", "Hasselblad H3D", vendor::kHasselblad, 7425,
                              format_code::kHasselblad, 7262, 5456, kRggb),
                   kH3DLevels);
    row.compressionRequired = compression::kUncompressed;
    row.compressionSet = compression::kUncompressed;
    row.bitsSet = 16;
    return row;
}();
inline constexpr CameraDescription kH3DLosslessJpeg = [] {
    CameraDescription row = kH3DUncompressed;
    row.compressionRequired = 0;
    row.compressionSet = compression::kLosslessJpeg;
    row.decodingVariant = decoding_variant::kHasselblad;
    return row;
}();

// Kodak DCS Pro (DCR): the raw image is the first IFD, next to an Exif IFD read after it,
// so the rows take the first IFD. The file's own compression (65000) chooses the decoder;
// the maker note's LinearizationTable maps the values. Whole frame, levels of the samples.
constexpr CameraDescription dcr(std::string_view model, std::uint16_t modelCode,
                                std::span<const IsoLevels> levels) {
    CameraDescription row = withLevels(wholeFrame("Kodak", model, vendor::kKodak, modelCode,
                                                  format_code::kKodak, 4516, 3012, kGrbg),
                                       levels);
    row.bitsSet = 12;
    row.mainImageRule = main_image_rule::kFirstIfd;
    return row;
}
inline constexpr auto kKodak4095 = defaultLevels(4095, k12BitRange);
inline constexpr auto kKodak3700 = defaultLevels(3700, k12BitRange);

// One tile of 5344 x 4008 lossless JPEG at offset 8 and no usable make and model.
inline constexpr auto kUnidentifiedLevels =
    std::to_array<IsoLevels>({{0, 16383, 16383, 16383, 16383}});
inline constexpr CameraDescription kUnidentifiedTiled = [] {
    CameraDescription row =
        withLevels(wholeFrame("Not identified in the raw file", "Not identified in the raw file",
                              vendor::kUnidentifiedTiled, 3329, format_code::kUnidentifiedTiled,
                              5344, 4008, kGrbg),
                   kUnidentifiedLevels);
    row.compressionRequired = compression::kLosslessJpeg;
    row.compressionSet = compression::kLosslessJpegOld;
    row.bitsRequired = 16;
    row.bitsSet = 16;
    return row;
}();

// Leica: DNG only. The M8's frame is its sample DNG's, which has no active area; its 8-bit
// values are linearised to 14 bits.
inline constexpr auto kM8Levels = defaultLevels(16383, k14BitRange);
inline constexpr CameraDescription kM8 =
    withLevels(dngOf(wholeFrame("Leica Camera AG", "M8 Digital Camera", vendor::kLeica, 3586,
                                format_code::kDng, 3920, 2638, kRggb)),
               kM8Levels);

// Mamiya ZD (MEF): a portrait frame of 12-bit samples packed in three bytes (the sample is
// 1.5 bytes per sample); the packed decoder whatever the file's code, its length check
// guarding the assumption.
inline constexpr auto kZdLevels = defaultLevels(4000, k12BitRange);
inline constexpr CameraDescription kZd = [] {
    CameraDescription row =
        withLevels(wholeFrame("Mamiya-OP Co.,Ltd.", "MAMIYA ZD", vendor::kMamiya, 3841,
                              format_code::kMamiya, 4016, 5344, kRggb),
                   kZdLevels);
    row.compressionSet = compression::kPacked;
    row.bitsRequired = 12;
    row.bitsSet = 12;
    return row;
}();

inline constexpr std::array<CameraDescription, 10> kHasselbladToMamiyaRows{
    kH3DUncompressed,
    kH3DLosslessJpeg,
    dngWithoutFacts("Hasselblad", "Hasselblad H3D II-31", vendor::kHasselblad, 7426, kRggb),
    dcr("DCS Pro SLR/n", 2305, kKodak4095),
    dcr("DCS Pro SLR/c", 2306, kKodak3700),
    dcr("DCS Pro 14N", 2307, kKodak3700),
    kUnidentifiedTiled,
    dngWithoutFacts("Leica Camera AG", "R8 - Digital Back DMR", vendor::kLeica, 3585, kRggb),
    kM8,
    kZd,
};

// Phase One. The DNG rows keep the IIQ frames and active areas of the samples (P25+, P30);
// the backs' 16-bit values are described by the DNG's own white level. The P65+'s IIQ data
// is not TIFF coded: its row makes a new directory holding the active area, the whole of
// its 8984 x 6732 frame; the pattern at that area's origin (36, 6 in the IIQ frame) is
// rawspeed's and rawler's RG/GB.
constexpr CameraDescription phaseOneDng(std::string_view model, std::uint16_t modelCode,
                                        std::uint16_t width, std::uint16_t height,
                                        const SensorArea& active, const Pattern& pattern) {
    CameraDescription row = dngOf(wholeFrame("Phase One A/S", model, vendor::kPhaseOne, modelCode,
                                             format_code::kDng, width, height, pattern));
    row.active = active;
    return row;
}
inline constexpr auto kP65PlusLevels = std::to_array<IsoLevels>({
    {800, 62494, 62494, 62494, k16BitRange},
    {0, 62494, 62494, 62494, k16BitRange},
});
// CFA RGGB, not the green-red row the other Phase One rows start on: the back's own pattern
// at the frame's origin (rawspeed, rawler).
inline constexpr CameraDescription kP65Plus = [] {
    CameraDescription row = withLevels(wholeFrame("Phase One A/S", "P65+", vendor::kPhaseOne, 5380,
                                                  format_code::kTiff, 8984, 6732, kRggb),
                                       kP65PlusLevels);
    row.compressionRequired = compression::kUncompressed;
    row.compressionSet = compression::kUncompressed;
    row.bitsSet = 16;
    row.rowNoiseAverage = 0;
    row.columnNoiseAverage = 0;
    row.mainImageRule = main_image_rule::kNewFromRow;
    return row;
}();

// Sinar's backs write DNG; no source gives their frames.
inline constexpr std::array<CameraDescription, 8> kPhaseOneAndSinarRows{
    // CFA GBRG, not the green-red row the other Phase One rows start on: the back's own
    // pattern at the frame's origin (rawspeed, rawler).
    phaseOneDng("P25+", 5377, 4134, 5488, {26, 20, 4098, 5458}, kGbrg),
    phaseOneDng("P30", 5378, 6588, 4954, {40, 22, 6528, 4904}, kGrbg),
    dngWithoutFacts("Phase One A/S", "P30+", vendor::kPhaseOne, 5379, kGrbg),
    kP65Plus,
    dngWithoutFacts("SINAR", "eMotion 22", vendor::kSinar, 6657, kRggb),
    dngWithoutFacts("SINAR", "eMotion 75 ", vendor::kSinar, 6658, kRggb),
    dngWithoutFacts("Sinar AG", "Rollei 600x/ Sinarback eMotion 54", vendor::kSinar, 6659, kRggb),
    dngWithoutFacts("Sinar AG", "Sinar Hy6 65", vendor::kSinar, 6660, kRggb),
};

} // namespace korvane::camera_rows
