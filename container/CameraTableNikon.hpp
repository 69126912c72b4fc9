#pragma once
// The Nikon rows of the camera table.
//
// NEF files hold the raw image in a SubIFD with NewSubfileType 0, which the IFD reader
// chooses, and carry their own CFA pattern. Frames and active areas are those of the sample
// dumps (the sources agree on the frames; LibRaw trims the same columns). The codings: 12-bit
// uncompressed data is packed, two samples in three bytes (the sample files are 1.5 bytes per
// sample); 14-bit uncompressed data sits in 16-bit words; compressed data (34713) is Nikon's
// Huffman coding, lossless or lossy, which the decoder tells apart by the maker note, so one
// row serves both. White levels are rawspeed's and the samples', black is 0 and there are no
// masked areas.
#include <array>

#include "container/CameraTableParts.hpp"

namespace korvane::camera_rows {

constexpr CameraDescription nef(std::string_view make, std::string_view model,
                                std::uint16_t modelCode, std::uint16_t width, std::uint16_t height,
                                const SensorArea& active, const Pattern& pattern) {
    return framed(cameraRow(make, model, vendor::kNikon, modelCode, format_code::kNikon,
                            main_image_rule::kReaderChoice),
                  width, height, active, pattern);
}
constexpr CameraDescription nef(std::string_view model, std::uint16_t modelCode,
                                std::uint16_t width, std::uint16_t height, const SensorArea& active,
                                const Pattern& pattern) {
    return nef("NIKON CORPORATION", model, modelCode, width, height, active, pattern);
}

// The files a row accepts and how they are decoded. A required compression of 0 leaves the
// file's own code to choose the decoder: the older bodies have one row for all their files.
constexpr CameraDescription coding(CameraDescription row, std::uint16_t required, std::uint32_t set,
                                   std::uint8_t bits, std::span<const IsoLevels> levels) {
    row.compressionRequired = required;
    row.compressionSet = set;
    row.bitsRequired = bits;
    row.bitsSet = bits;
    row.isoLevels = levels;
    return row;
}
constexpr CameraDescription packed12(CameraDescription row, std::span<const IsoLevels> levels) {
    return coding(row, compression::kUncompressed, compression::kPacked, 12, levels);
}
constexpr CameraDescription unpacked14(CameraDescription row, std::span<const IsoLevels> levels) {
    return coding(row, compression::kUncompressed, compression::kUncompressed, 14, levels);
}
constexpr CameraDescription huffman(CameraDescription row, std::uint8_t bits,
                                    std::span<const IsoLevels> levels) {
    return coding(row, compression::kNikon, compression::kNikon, bits, levels);
}
constexpr CameraDescription anyCoding12(CameraDescription row, std::span<const IsoLevels> levels) {
    return coding(row, 0, 0, 12, levels);
}
// The D2X and D2Xs store the first ten rows of their packed data four columns early.
constexpr CameraDescription d2xPacked(CameraDescription row, std::span<const IsoLevels> levels) {
    row = packed12(row, levels);
    row.decodingVariant = decoding_variant::kNikonD2xPacked;
    return row;
}
// DNG files of NEF cameras: a converter may apply the lossy codings' curves and may keep
// 12 or 14 bits, so the DNG's own white level describes the values and the row has none.
constexpr CameraDescription nikonDng(const CameraDescription& native,
                                     std::uint8_t condition = linearisation::kAny) {
    CameraDescription row = dngOf(native);
    row.linearisation = condition;
    row.isoLevels = {};
    return row;
}

inline constexpr auto k12Bit3767 = defaultLevels(3767, k12BitRange);
inline constexpr auto k12Bit3808 = defaultLevels(3808, k12BitRange);
inline constexpr auto k12Bit3880 = defaultLevels(3880, k12BitRange);
inline constexpr auto k12Bit3972 = defaultLevels(3972, k12BitRange);
inline constexpr auto k12Bit4095 = defaultLevels(4095, k12BitRange);
inline constexpr auto k14Bit15236 = defaultLevels(15236, k14BitRange);
inline constexpr auto k14Bit15520 = defaultLevels(15520, k14BitRange);
inline constexpr auto k14Bit15892 = defaultLevels(15892, k14BitRange);
inline constexpr auto kD700Levels12 = std::to_array<IsoLevels>({
    {100, 4095, 4095, 3920, 4096},
    {1000, 4095, 4095, 3920, 4096},
    {0, 4095, 4095, 3920, 4096},
});
inline constexpr auto kD700Levels14 = std::to_array<IsoLevels>({
    {100, 16383, 15690, 16383, 16384},
    {0, 16383, 15690, 16383, 16384},
});

// CFA patterns below are the sensor's own at the frame's origin (rawspeed and rawler agree),
// not the red-green-green-blue most rows have: each is named where its row stands.
// CFA GBRG: this sensor starts on a green-blue row.
inline constexpr CameraDescription kD5000 =
    nef("NIKON D5000", 4352, 4352, 2868, {0, 0, 4310, 2868}, kGbrg);
// CFA BGGR: this sensor starts on a blue-green row.
inline constexpr CameraDescription kD40 =
    nef("NIKON D40", 4353, 3040, 2014, {0, 0, 3040, 2014}, kBggr);
// CFA GBRG: this sensor starts on a green-blue row.
inline constexpr CameraDescription kD40X =
    nef("NIKON D40X", 4354, 3904, 2616, {0, 0, 3900, 2616}, kGbrg);
// CFA BGGR: this sensor starts on a blue-green row.
inline constexpr CameraDescription kD50 =
    nef("NIKON D50", 4355, 3040, 2014, {0, 0, 3040, 2014}, kBggr);
// CFA GBRG: this sensor starts on a green-blue row.
inline constexpr CameraDescription kD60 =
    nef("NIKON D60", 4356, 3904, 2616, {0, 0, 3900, 2612}, kGbrg);
// CFA BGGR: this sensor starts on a blue-green row.
inline constexpr CameraDescription kD70 =
    nef("NIKON D70", 4357, 3040, 2014, {0, 0, 3040, 2014}, kBggr);
// CFA BGGR: this sensor starts on a blue-green row.
inline constexpr CameraDescription kD70s =
    nef("NIKON D70s", 4358, 3040, 2014, {0, 0, 3040, 2014}, kBggr);
// CFA GBRG: this sensor starts on a green-blue row.
inline constexpr CameraDescription kD80 =
    nef("NIKON D80", 4359, 3904, 2616, {0, 0, 3900, 2612}, kGbrg);
// CFA GBRG: this sensor starts on a green-blue row.
inline constexpr CameraDescription kD90 =
    nef("NIKON D90", 4360, 4352, 2868, {0, 0, 4310, 2868}, kGbrg);
// CFA GRBG: this sensor starts on a green-red row.
// The D100 writes its model with a trailing blank; DNG converters drop it.
inline constexpr CameraDescription kD100 =
    nef("NIKON D100 ", 4361, 3040, 2024, {0, 0, 3032, 2024}, kGrbg);
// CFA GRBG: this sensor starts on a green-red row.
inline constexpr CameraDescription kD200 =
    nef("NIKON D200", 4362, 3904, 2616, {0, 0, 3900, 2616}, kGrbg);
inline constexpr CameraDescription kD2X =
    nef("NIKON D2X", 4363, 4320, 2868, {0, 0, 4312, 2868}, kRggb);
inline constexpr CameraDescription kD2Xs =
    nef("NIKON D2Xs", 4364, 4320, 2868, {0, 0, 4312, 2868}, kRggb);
inline constexpr CameraDescription kD300 =
    nef("NIKON D300", 4365, 4352, 2868, {0, 0, 4320, 2868}, kRggb);
inline constexpr CameraDescription kD300S =
    nef("NIKON D300S", 4366, 4352, 2868, {0, 0, 4320, 2868}, kRggb);
// The D700's raw SubIFD is the last directory its files hold, so its rows take that.
inline constexpr CameraDescription kD700 = [] {
    CameraDescription row = nef("NIKON D700", 4367, 4288, 2844, {2, 0, 4284, 2844}, kRggb);
    row.mainImageRule = main_image_rule::kLastRead;
    return row;
}();
inline constexpr CameraDescription kD3 =
    nef("NIKON D3", 4368, 4288, 2844, {2, 0, 4284, 2844}, kRggb);
inline constexpr CameraDescription kD3S =
    nef("NIKON D3S", 4369, 4288, 2844, {2, 0, 4284, 2844}, kRggb);
inline constexpr CameraDescription kD3X =
    nef("NIKON D3X", 4370, 6080, 4044, {0, 0, 6080, 4044}, kRggb);
// No source gives the E8800's frame; rawspeed's crop of 3280 x 2454 from the origin, less
// rawler's borders, is the camera's 3264 x 2448 picture, so that is taken as the frame. Its
// packed data holds the even rows first, then the odd rows. CFA BGGR, as rawspeed gives it.
inline constexpr CameraDescription kE8800 = [] {
    CameraDescription row =
        packed12(nef("NIKON", "E8800", 4371, 3280, 2454, {0, 0, 3280, 2454}, kBggr), k12Bit4095);
    row.decodingVariant = decoding_variant::kNikonE8800Packed;
    return row;
}();
inline constexpr CameraDescription kP6000 = packed12(
    nef("NIKON", "COOLPIX P6000", 4372, 4240, 3174, {0, 0, 4240, 3174}, kRggb), k12Bit4095);

// Cameras with 12- and 14-bit files, uncompressed or compressed: a row for each.
constexpr std::array<CameraDescription, 4> fourCodings(const CameraDescription& camera,
                                                       std::span<const IsoLevels> levels12,
                                                       std::span<const IsoLevels> levels14) {
    return {packed12(camera, levels12), huffman(camera, 12, levels12), unpacked14(camera, levels14),
            huffman(camera, 14, levels14)};
}
inline constexpr auto kD300Rows = fourCodings(kD300, k12Bit3808, k14Bit15236);
inline constexpr auto kD300SRows = fourCodings(kD300S, k12Bit3808, k14Bit15236);
inline constexpr auto kD3Rows = fourCodings(kD3, k12Bit3972, k14Bit15892);
inline constexpr auto kD3SRows = fourCodings(kD3S, k12Bit3880, k14Bit15520);
inline constexpr auto kD3XRows = fourCodings(kD3X, k12Bit3972, k14Bit15892);

// The D700 has eight rows: for each bit depth the uncompressed and the compressed files, then
// any other coding at that depth, which the loader names when it meets it; the fourth row
// takes 16-bit uncompressed data and the last any bit depth, so every file of the frame is
// identified and the loader or the validity check says what it cannot read.
inline constexpr std::array<CameraDescription, 8> kD700Rows{
    packed12(kD700, kD700Levels12),
    huffman(kD700, 12, kD700Levels12),
    coding(kD700, 0, 0, 12, kD700Levels12),
    coding(kD700, compression::kUncompressed, compression::kUncompressed, 16, {}),
    unpacked14(kD700, kD700Levels14),
    huffman(kD700, 14, kD700Levels14),
    coding(kD700, 0, 0, 14, kD700Levels14),
    [] {
        CameraDescription row = coding(kD700, 0, 0, kAnyBits, {});
        row.bitsSet = kKeepBits;
        return row;
    }(),
};

// In table order.
inline constexpr std::array<CameraDescription, 55> kNikonRows{
    anyCoding12(kD5000, k12Bit3767),
    anyCoding12(kD40, k12Bit3880),
    anyCoding12(kD40X, k12Bit3880),
    anyCoding12(kD50, k12Bit4095),
    anyCoding12(kD60, k12Bit3880),
    nikonDng(kD60),
    anyCoding12(kD70, k12Bit4095),
    anyCoding12(kD70s, k12Bit4095),
    anyCoding12(kD80, k12Bit3880),
    anyCoding12(kD90, k12Bit3767),
    packed12(kD100, k12Bit4095),
    huffman(kD100, 12, k12Bit4095),
    nikonDng(renamed(kD100, "NIKON D100", 4361)),
    packed12(kD200, k12Bit3880),
    huffman(kD200, 12, k12Bit3880),
    nikonDng(kD200),
    d2xPacked(kD2X, k12Bit3880),
    huffman(kD2X, 12, k12Bit3880),
    nikonDng(kD2X, linearisation::kWithout),
    nikonDng(kD2X, linearisation::kWith),
    d2xPacked(kD2Xs, k12Bit3880),
    huffman(kD2Xs, 12, k12Bit3880),
    kD300Rows[0],
    kD300Rows[1],
    kD300Rows[2],
    kD300Rows[3],
    nikonDng(kD300),
    kD300SRows[0],
    kD300SRows[1],
    kD300SRows[2],
    kD300SRows[3],
    nikonDng(kD300S),
    kD700Rows[0],
    kD700Rows[1],
    kD700Rows[2],
    kD700Rows[3],
    kD700Rows[4],
    kD700Rows[5],
    kD700Rows[6],
    kD700Rows[7],
    kD3Rows[0],
    kD3Rows[1],
    kD3Rows[2],
    kD3Rows[3],
    nikonDng(kD3),
    kD3SRows[0],
    kD3SRows[1],
    kD3SRows[2],
    kD3SRows[3],
    kD3XRows[0],
    kD3XRows[1],
    kD3XRows[2],
    kD3XRows[3],
    kE8800,
    kP6000,
};

} // namespace korvane::camera_rows
