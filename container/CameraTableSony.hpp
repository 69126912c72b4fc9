#pragma once
// The Sony rows of the camera table.
//
// ARW files say compression 32767 for both of their codings; BitsPerSample tells them apart.
// Uncompressed files have 12 bits, packed two samples in three bytes (the A850 and A900
// samples are 1.5 bytes per sample). Compressed files say 8 bits, one byte per sample in the
// file (the A700 sample); the decoder's curve gives values on a 13-bit range (its black,
// 256, is twice the packed files' 128), so those rows set 13 bits. The IFD reader's choice,
// the full-resolution subfile, is the raw image; the frame is the whole image.
#include <array>

#include "container/CameraTableParts.hpp"

namespace korvane::camera_rows {

// The compressed files' bits in the file and the bits of their decoded values.
inline constexpr std::uint8_t kSonyCompressedFileBits = 8;
inline constexpr std::uint8_t kSonyCompressedValueBits = 13;

constexpr CameraDescription arw(std::string_view model, std::uint16_t modelCode,
                                std::uint16_t width, std::uint16_t height, bool compressed,
                                std::span<const IsoLevels> levels) {
    CameraDescription row = framed(cameraRow("SONY ", model, vendor::kSony, modelCode,
                                             format_code::kSony, main_image_rule::kReaderChoice),
                                   width, height, {0, 0, width, height}, kRggb);
    row.compressionRequired = compression::kSonyRaw;
    row.compressionSet = compressed ? compression::kSonyCraw : compression::kPacked;
    row.bitsRequired = compressed ? kSonyCompressedFileBits : 12;
    row.bitsSet = compressed ? kSonyCompressedValueBits : 12;
    row.isoLevels = levels;
    return row;
}

inline constexpr auto kSonyPacked4095 = defaultLevels(4095, k12BitRange);
inline constexpr auto kSonyPacked3840 = defaultLevels(3840, k12BitRange);
// rawspeed's and the sample's 14-bit levels, halved.
inline constexpr auto kA700Compressed = defaultLevels(15360 / 2, k13BitRange);
inline constexpr auto kA850Compressed = defaultLevels(15000 / 2, k13BitRange);
inline constexpr auto kA900Compressed = defaultLevels(16383 / 2, k13BitRange);

inline constexpr CameraDescription kA700Packed =
    arw("DSLR-A700", 6915, 4288, 2856, false, kSonyPacked4095);

// In table order. The DNG row is for converted files, whose own white level describes
// the values a converter wrote.
inline constexpr std::array<CameraDescription, 7> kSonyRows{
    [] {
        CameraDescription row = dngOf(kA700Packed);
        row.make = "SONY";
        row.isoLevels = {};
        return row;
    }(),
    kA700Packed,
    arw("DSLR-A850", 6916, 6080, 4048, false, kSonyPacked3840),
    arw("DSLR-A900", 6917, 6080, 4048, false, kSonyPacked3840),
    arw("DSLR-A700", 6915, 4288, 2856, true, kA700Compressed),
    arw("DSLR-A850", 6916, 6080, 4048, true, kA850Compressed),
    arw("DSLR-A900", 6917, 6080, 4048, true, kA900Compressed),
};

} // namespace korvane::camera_rows
