#pragma once
// The Olympus rows of the camera table.
//
// ORF files hold the raw image in the first IFD, next to an Exif IFD that is read after it,
// so the rows take the first IFD (the last directory read would be the Exif IFD). Their
// Compression says 1 whatever the data; what the data is follows from the file sizes of the
// samples: the E-1 and E-400 store 12-bit samples in the top bits of 16-bit words (variant
// 8 shifts them down), the E-300 and E-500 pack them little-endian with fill bytes (variant 9
// of the packed decoder), and the later bodies compress them (Olympus coding, variant 9).
// The black level comes from the maker note. Frames and active areas are the sample dumps',
// white levels rawspeed's and the samples'; the pattern is the older rawspeed entries' and
// rawler's, the files' own where they carry one.
#include <array>

#include "container/CameraTableParts.hpp"

namespace korvane::camera_rows {

enum class OlympusData : std::uint8_t { Shifted, Packed, Compressed };

constexpr CameraDescription orf(std::string_view make, std::string_view model,
                                std::uint16_t modelCode, std::uint16_t width, std::uint16_t height,
                                const SensorArea& active, const Pattern& pattern,
                                OlympusData data) {
    CameraDescription row = framed(cameraRow(make, model, vendor::kOlympus, modelCode,
                                             format_code::kOlympus, main_image_rule::kFirstIfd),
                                   width, height, active, pattern);
    row.compressionRequired = compression::kUncompressed;
    switch (data) {
    case OlympusData::Shifted:
        row.compressionSet = compression::kUncompressed;
        row.decodingVariant = decoding_variant::kOlympusShift;
        break;
    case OlympusData::Packed:
        row.compressionSet = compression::kPacked;
        row.decodingVariant = decoding_variant::kOlympus;
        break;
    case OlympusData::Compressed:
        row.compressionSet = compression::kOlympus;
        row.decodingVariant = decoding_variant::kOlympus;
        break;
    }
    row.bitsSet = 12;
    return row;
}
constexpr CameraDescription imagingOrf(std::string_view model, std::uint16_t modelCode,
                                       std::uint16_t width, std::uint16_t height,
                                       const SensorArea& active, const Pattern& pattern,
                                       OlympusData data, std::span<const IsoLevels> levels) {
    return withLevels(
        orf("OLYMPUS IMAGING CORP.  ", model, modelCode, width, height, active, pattern, data),
        levels);
}

// The E-3's high settings clip at the full range.
inline constexpr auto kE3Levels = std::to_array<IsoLevels>({
    {3200, 4095, 4095, 4095, 4096},
    {1600, 4095, 4095, 4095, 4096},
    {0, 3990, 3990, 3990, 4096},
});
inline constexpr auto kOlympus3500 = defaultLevels(3500, k12BitRange);
inline constexpr auto kOlympus3967 = defaultLevels(3967, k12BitRange);
inline constexpr auto kOlympus4015 = defaultLevels(4015, k12BitRange);
inline constexpr auto kOlympus4095 = defaultLevels(4095, k12BitRange);

// Model codes follow the maker's order of models, 4613 being the E-330, which has no row;
// the maker note reader tells the two maker note forms apart by them.
inline constexpr SensorArea k3720Frame{0, 0, 3720, 2800};
inline constexpr SensorArea k4096Active{0, 0, 4096, 3084};
inline constexpr SensorArea k3340Active{0, 0, 3340, 2504};

// In table order.
inline constexpr std::array<CameraDescription, 13> kOlympusRows{
    // CFA GRBG: the sensor's own at the frame's origin (rawspeed's older data, rawler).
    withLevels(orf("OLYMPUS CORPORATION    ", "E-1             ", 4609, 2624, 1966,
                   {0, 0, 2624, 1966}, kGrbg, OlympusData::Shifted),
               kOlympus4095),
    imagingOrf("E-3             ", 4610, 3720, 2800, k3720Frame, kRggb, OlympusData::Compressed,
               kE3Levels),
    // CFA BGGR: the sensor's own at the frame's origin (rawspeed's older data, rawler).
    imagingOrf("E-30            ", 4611, 4100, 3084, k4096Active, kBggr, OlympusData::Compressed,
               kOlympus4015),
    imagingOrf("E-300           ", 4612, 3360, 2504, k3340Active, kRggb, OlympusData::Packed,
               kOlympus4095),
    // CFA GRBG: the sensor's own at the frame's origin (rawspeed's older data, rawler).
    imagingOrf("E-400           ", 4614, 3768, 2840, {0, 0, 3768, 2840}, kGrbg,
               OlympusData::Shifted, kOlympus4095),
    imagingOrf("E-410           ", 4615, 3720, 2800, k3720Frame, kRggb, OlympusData::Compressed,
               kOlympus3500),
    imagingOrf("E-420           ", 4616, 3720, 2800, k3720Frame, kRggb, OlympusData::Compressed,
               kOlympus4015),
    imagingOrf("E-450           ", 4617, 3720, 2800, k3720Frame, kRggb, OlympusData::Compressed,
               kOlympus4015),
    imagingOrf("E-500           ", 4618, 3360, 2504, k3340Active, kRggb, OlympusData::Packed,
               kOlympus3967),
    imagingOrf("E-510           ", 4619, 3720, 2800, k3720Frame, kRggb, OlympusData::Compressed,
               kOlympus3500),
    imagingOrf("E-520           ", 4620, 3720, 2800, k3720Frame, kRggb, OlympusData::Compressed,
               kOlympus4015),
    // CFA BGGR: the sensor's own at the frame's origin (rawspeed's older data, rawler).
    imagingOrf("E-620           ", 4621, 4100, 3084, k4096Active, kBggr, OlympusData::Compressed,
               kOlympus4015),
    imagingOrf("E-P1            ", 4622, 4100, 3084, k4096Active, kRggb, OlympusData::Compressed,
               kOlympus4095),
};

} // namespace korvane::camera_rows
