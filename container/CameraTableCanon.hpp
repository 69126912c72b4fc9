#pragma once
// The Canon rows of the camera table.
//
// CR2 files: the raw image is IFD3, the last directory of the chain, and carries neither its
// size nor a CFA pattern, so every row gives the full frame (LibRaw's canon[] raw size, the
// same in the sample dumps) and its pattern. The lossless JPEG layout is the camera's: one
// frame row per image row (variant 0), two halves (variant 6) or slices (variant 7, the
// widths of all slices but the last). Active areas are the sample dumps' with an odd top
// moved down a row so that they start on even rows; the masked areas are the black borders
// that rawspeed names (BlackAreas), cut at the active edge, and the black sample range sits
// around the family's black level. White levels are rawspeed's or the sample files', on a
// 12-bit (4096) or 14-bit (16384) range.
#include <array>

#include "container/CameraTableParts.hpp"

namespace korvane::camera_rows {

// CR2 rows share these options.
constexpr CameraDescription cr2(std::string_view model, std::uint16_t modelCode,
                                std::uint8_t bits) {
    CameraDescription row =
        cameraRow("Canon", model, vendor::kCanon, modelCode, format_code::kCanon,
                  main_image_rule::kLastRead, file_kind::kAny);
    row.compressionSet = compression::kLosslessJpegOld;
    row.bitsSet = bits;
    return row;
}
constexpr CameraDescription halves(CameraDescription row) {
    row.decodingVariant = decoding_variant::kCanonHalves;
    return row;
}
constexpr CameraDescription slices(CameraDescription row, std::uint16_t first,
                                   std::uint16_t second = 0) {
    row.decodingVariant = decoding_variant::kCanonSlices;
    row.sliceCount = second == 0 ? 2 : 3;
    row.sliceWidths = {first, second, 0, 0};
    return row;
}
constexpr CameraDescription frame(CameraDescription row, std::uint16_t width, std::uint16_t height,
                                  const SensorArea& active, const MaskedAreas& areas,
                                  const BlackRange& black, const Pattern& pattern = kRggb) {
    row = framed(row, width, height, active, pattern);
    row.maskedAreas = masked(areas);
    row.blackRangeLow = black.low;
    row.blackRangeHigh = black.high;
    return row;
}
// A camera with a DNG row after its CR2 row: the CR2 row must leave DNG files to it.
constexpr CameraDescription notDng(CameraDescription row) {
    row.fileKind = file_kind::kNotDng;
    return row;
}

inline constexpr auto k10DLevels = std::to_array<IsoLevels>({{0, 4000, 3990, 3990, 4096}});
inline constexpr auto k20DLevels = defaultLevels(4095, k12BitRange);
inline constexpr auto k30DLevels = defaultLevels(3398, k12BitRange);
inline constexpr auto k40DLevels = defaultLevels(13600, k14BitRange);
inline constexpr auto k50DLevels = defaultLevels(14512, k14BitRange);
inline constexpr auto k350DLevels = defaultLevels(4095, k12BitRange);
inline constexpr auto k400DLevels = defaultLevels(4058, k12BitRange);
inline constexpr auto k450DLevels = defaultLevels(15319, k14BitRange);
inline constexpr auto k500DLevels = defaultLevels(14512, k14BitRange);
// The two sample files: ISO 100 clips lower than ISO 200.
inline constexpr auto k1000DLevels = std::to_array<IsoLevels>({
    {100, 14000, 14000, 14000, k14BitRange},
    {200, 15120, 15120, 15120, k14BitRange},
    {0, 15120, 15120, 15120, k14BitRange},
});
inline constexpr auto k5DLevels = defaultLevels(3692, k12BitRange);
// The third-stop settings below a full stop are the next stop up, scaled down in the
// camera, so they clip lower.
inline constexpr auto k5DMarkIILevels = std::to_array<IsoLevels>({
    {25600, 16383, 16383, 16383, 16384}, {12800, 16383, 16383, 16383, 16384},
    {6400, 16383, 16383, 16383, 16384},  {1250, 12810, 12810, 12810, 12850},
    {640, 12810, 12810, 12810, 12850},   {320, 12810, 12810, 12810, 12850},
    {160, 12810, 12810, 12810, 12850},   {50, 15755, 15760, 15760, 15800},
    {100, 15755, 15760, 15760, 15800},   {125, 15755, 15760, 15760, 15800},
    {200, 15755, 15760, 15760, 15800},   {250, 15755, 15760, 15760, 15800},
    {400, 15755, 15760, 15760, 15800},   {500, 15755, 15760, 15760, 15800},
    {800, 15755, 15760, 15760, 15800},   {1000, 15755, 15760, 15760, 15800},
    {1600, 15755, 15760, 15760, 15800},  {2000, 15755, 15760, 15760, 15800},
    {2500, 15755, 15760, 15760, 15800},  {3200, 15755, 15760, 15760, 15800},
    {4000, 15755, 15760, 15760, 15800},  {5000, 15755, 15760, 15760, 15800},
    {0, 15755, 15760, 15760, 15800},
});
// ISO 100 and 1250 from the sample files; 160, 320 and 640 are scaled down like 1250, as
// in the 5D Mark II of the same generation.
inline constexpr auto k7DLevels = std::to_array<IsoLevels>({
    {100, 12279, 12279, 12279, k14BitRange},
    {160, 11222, 11222, 11222, k14BitRange},
    {320, 11222, 11222, 11222, k14BitRange},
    {640, 11222, 11222, 11222, k14BitRange},
    {1250, 11222, 11222, 11222, k14BitRange},
    {0, 12279, 12279, 12279, k14BitRange},
});
inline constexpr auto k1DsMarkIILevels = defaultLevels(4060, k12BitRange);
inline constexpr auto k1DsMarkIIILevels = defaultLevels(15100, k14BitRange);
inline constexpr auto k1DMarkIILevels = defaultLevels(3700, k12BitRange);
inline constexpr auto k1DMarkIIILevels = defaultLevels(15100, k14BitRange);
inline constexpr auto kPowerShotLevels = defaultLevels(4095, k12BitRange);

// The 10D's raw files are CRW; its rows are for DNG files, which keep the CRW frame. The
// first one is for DNG files with the raw values; with a LinearizationTable the DNG's own
// white level describes the values, so the second row has no levels.
inline constexpr SensorArea k10DActive{64, 12, 3088, 2056};
inline constexpr CameraDescription k10DRaw = [] {
    CameraDescription row = frame(cr2("Canon EOS 10D", 514, kKeepBits), 3152, 2068, k10DActive,
                                  {.left = blackColumns(k10DActive, 0, 64)}, {100, 150});
    row.fileKind = file_kind::kDng;
    row.formatCode = format_code::kDng;
    row.linearisation = linearisation::kWithout;
    row.compressionSet = 0;
    row.isoLevels = k10DLevels;
    return row;
}();
inline constexpr CameraDescription k10DLinearised = [] {
    CameraDescription row = dngOf(k10DRaw);
    row.linearisation = linearisation::kWith;
    row.isoLevels = {};
    return row;
}();

inline constexpr SensorArea k20DActive{74, 12, 3522, 2348};
inline constexpr CameraDescription k20D =
    withLevels(frame(cr2("Canon EOS 20D", 515, 12), 3596, 2360, k20DActive,
                     {.top = blackRows(k20DActive, 2, 10), .left = blackColumns(k20DActive, 0, 74)},
                     {100, 140}),
               k20DLevels);
inline constexpr CameraDescription k30D = withLevels(
    halves(frame(cr2("Canon EOS 30D", 516, 12), 3596, 2360, k20DActive,
                 {.top = blackRows(k20DActive, 2, 8), .left = blackColumns(k20DActive, 0, 72)},
                 kBlackNear128)),
    k30DLevels);

inline constexpr SensorArea k40DActive{30, 18, 3908, 2602};
inline constexpr CameraDescription k40D = notDng(withLevels(
    slices(frame(cr2("Canon EOS 40D", 517, 14), 3944, 2622, k40DActive,
                 {.top = blackRows(k40DActive, 4, 12), .left = blackColumns(k40DActive, 0, 28)},
                 kBlackNear1024),
           1952),
    k40DLevels));

// Frame origin pattern GB/RG; the sample's top of 51 moves to 52.
inline constexpr SensorArea k50DActive{62, 52, 4768, 3176};
// CFA GBRG at the frame's origin: the active area starts on an odd row (row 51), where the
// pattern reads red-green-green-blue, as it does for the 5D Mark II.
inline constexpr CameraDescription k50D = notDng(withLevels(
    slices(frame(cr2("Canon EOS 50D", 518, 14), 4832, 3228, k50DActive,
                 {.top = blackRows(k50DActive, 2, 46), .left = blackColumns(k50DActive, 0, 60)},
                 kBlackNear1024, kGbrg),
           1616, 1616),
    k50DLevels));

// The 350D writes its data in two halves (RawImageSegmentation 1, 1758, 1758).
inline constexpr SensorArea k350DActive{42, 14, 3474, 2314};
inline constexpr CameraDescription k350D = withLevels(
    halves(frame(cr2("Canon EOS 350D DIGITAL", 519, 12), 3516, 2328, k350DActive,
                 {.top = blackRows(k350DActive, 0, 12), .left = blackColumns(k350DActive, 0, 40)},
                 kBlackNear256)),
    k350DLevels);

inline constexpr SensorArea k400DActive{42, 18, 3906, 2602};
inline constexpr CameraDescription k400D = withLevels(
    halves(frame(cr2("Canon EOS 400D DIGITAL", 521, 12), 3948, 2622, k400DActive,
                 {.top = blackRows(k400DActive, 4, 12), .left = blackColumns(k400DActive, 0, 40)},
                 kBlackNear256)),
    k400DLevels);

// No source names black areas for the 450D; the left border that LibRaw's margins leave
// outside the image is taken, two columns clear of the active edge.
inline constexpr SensorArea k450DActive{22, 18, 4290, 2856};
inline constexpr CameraDescription k450D =
    withLevels(slices(frame(cr2("Canon EOS 450D", 523, 14), 4312, 2876, k450DActive,
                            {.left = blackColumns(k450DActive, 0, 20)}, kBlackNear1024),
                      1440, 1440),
               k450DLevels);

inline constexpr SensorArea k500DActive{62, 26, 4770, 3178};
inline constexpr CameraDescription k500D = withLevels(
    slices(frame(cr2("Canon EOS 500D", 526, 14), 4832, 3204, k500DActive,
                 {.top = blackRows(k500DActive, 2, 22), .left = blackColumns(k500DActive, 0, 56)},
                 kBlackNear1024),
           1616, 1616),
    k500DLevels);

// A 14-bit camera whose files carry no usable black level (rawler: invalid_blacklevel).
inline constexpr CameraDescription k1000D = withLevels(
    slices(frame(cr2("Canon EOS 1000D", 529, 14), 3948, 2622, k400DActive,
                 {.top = blackRows(k400DActive, 2, 14), .left = blackColumns(k400DActive, 0, 40)},
                 kBlackNear1024),
           1964),
    k1000DLevels);

inline constexpr SensorArea k5DActive{90, 34, 4386, 2920};
inline constexpr CameraDescription k5D = withLevels(
    halves(frame(cr2("Canon EOS 5D", 532, 12), 4476, 2954, k5DActive,
                 {.top = blackRows(k5DActive, 2, 30), .left = blackColumns(k5DActive, 0, 88)},
                 kBlackNear128)),
    k5DLevels);

// One black value per CFA position (noise presets -1).
inline constexpr SensorArea k5DMarkIIActive{158, 52, 5634, 3752};
inline constexpr CameraDescription k5DMarkII = [] {
    CameraDescription row = withLevels(
        slices(frame(cr2("Canon EOS 5D Mark II", 533, 14), 5792, 3804, k5DMarkIIActive,
                     {.left = blackColumns(k5DMarkIIActive, 4, 150)}, {1000, 1050}, kGbrg),
               1936, 1936),
        k5DMarkIILevels);
    row.rowNoiseAverage = -1;
    row.columnNoiseAverage = -1;
    return row;
}();

// Frame origin pattern GB/RG; the sample's top of 51 moves to 52. rawspeed's left black
// border runs to column 164, into the image that starts at 158; it is cut there.
inline constexpr SensorArea k7DActive{158, 52, 5202, 3464};
// CFA GBRG at the frame's origin: the active area starts on an odd row (row 51), where the
// pattern reads red-green-green-blue, as it does for the 5D Mark II.
inline constexpr CameraDescription k7D = withLevels(
    slices(frame(cr2("Canon EOS 7D", 534, 14), 5360, 3516, k7DActive,
                 {.top = blackRows(k7DActive, 32, 18), .left = blackColumns(k7DActive, 8, 150)},
                 kBlackNear2048, kGbrg),
           1728, 1728),
    k7DLevels);

// Frame origin pattern GB/RG; the sample's top of 13 moves to 14.
inline constexpr SensorArea k1DsMarkIIActive{98, 14, 5010, 3334};
// CFA GBRG at the frame's origin: the active area starts on an odd row (row 13), where the
// pattern reads red-green-green-blue, as it does for the 5D Mark II.
inline constexpr CameraDescription k1DsMarkII =
    withLevels(slices(frame(cr2("Canon EOS-1Ds Mark II", 535, 12), 5108, 3349, k1DsMarkIIActive,
                            {.top = blackRows(k1DsMarkIIActive, 2, 10),
                             .left = blackColumns(k1DsMarkIIActive, 0, 96)},
                            kBlackNear128, kGbrg),
                      1680, 1680),
               k1DsMarkIILevels);

inline constexpr SensorArea k1DsMarkIIIActive{62, 20, 5640, 3752};
inline constexpr CameraDescription k1DsMarkIII =
    withLevels(slices(frame(cr2("Canon EOS-1Ds Mark III", 536, 14), 5712, 3774, k1DsMarkIIIActive,
                            {.top = blackRows(k1DsMarkIIIActive, 4, 14),
                             .left = blackColumns(k1DsMarkIIIActive, 0, 60)},
                            kBlackNear1024),
                      1920, 1920),
               k1DsMarkIIILevels);

// The 1D Mark II has the 20D's frame and, like it, one frame row per image row.
inline constexpr CameraDescription k1DMarkII =
    withLevels(frame(cr2("Canon EOS-1D Mark II", 537, 12), 3596, 2360, k20DActive,
                     {.top = blackRows(k20DActive, 2, 8), .left = blackColumns(k20DActive, 0, 72)},
                     kBlackNear128),
               k1DMarkIILevels);
inline constexpr CameraDescription k1DMarkIIN =
    slices(renamed(k1DMarkII, "Canon EOS-1D Mark II N", 538), 1798);

inline constexpr SensorArea k1DMarkIIIActive{78, 20, 3906, 2600};
inline constexpr CameraDescription k1DMarkIII =
    withLevels(halves(frame(cr2("Canon EOS-1D Mark III", 539, 14), 3984, 2622, k1DMarkIIIActive,
                            {.top = blackRows(k1DMarkIIIActive, 4, 14),
                             .left = blackColumns(k1DMarkIIIActive, 2, 74)},
                            kBlackNear1024)),
               k1DMarkIIILevels);

inline constexpr SensorArea kG9Active{48, 12, 4032, 3024};
inline constexpr CameraDescription kG9 = withLevels(
    slices(frame(cr2("Canon PowerShot G9", 540, 12), 4104, 3048, kG9Active,
                 {.top = blackRows(kG9Active, 0, 8), .left = blackColumns(kG9Active, 0, 46)},
                 kBlackNear128),
           2056),
    kPowerShotLevels);

// Frame origin pattern GB/RG; the sample's top of 13 moves to 14.
inline constexpr SensorArea kG10Active{12, 14, 4432, 3322};
// CFA GBRG at the frame's origin: the active area starts on an odd row (row 13), where the
// pattern reads red-green-green-blue, as it does for the 5D Mark II.
inline constexpr CameraDescription kG10 = withLevels(
    slices(frame(cr2("Canon PowerShot G10", 541, 12), 4480, 3348, kG10Active,
                 {.top = blackRows(kG10Active, 0, 8), .left = blackColumns(kG10Active, 0, 10)},
                 kBlackNear128, kGbrg),
           2236),
    kPowerShotLevels);

// The G11 and S90 have black borders on all four sides (the older rawspeed entries and
// rawler); the G11's left one, columns 0 to 9 there, is cut at the active edge of 8.
inline constexpr SensorArea kG11Active{8, 16, 3684, 2760};
inline constexpr CameraDescription kG11 =
    withLevels(slices(frame(cr2("Canon PowerShot G11", 542, 12), 3744, 2784, kG11Active,
                            {.top = blackRows(kG11Active, 0, 14),
                             .left = blackColumns(kG11Active, 0, 8),
                             .bottom = blackRows(kG11Active, 2778, 6),
                             .right = blackColumns(kG11Active, 3696, 48)},
                            kBlackNear128),
                      1848),
               kPowerShotLevels);

inline constexpr SensorArea kSx1Active{192, 12, 3960, 2760};
inline constexpr CameraDescription kSx1 = withLevels(
    slices(frame(cr2("Canon PowerShot SX1 IS", 543, 12), 4152, 2772, kSx1Active,
                 {.top = blackRows(kSx1Active, 0, 10), .left = blackColumns(kSx1Active, 0, 188)},
                 kBlackNear128),
           2168),
    kPowerShotLevels);

inline constexpr CameraDescription kS90 =
    withLevels(slices(frame(cr2("Canon PowerShot S90", 544, 12), 3744, 2784, kG11Active,
                            {.top = blackRows(kG11Active, 0, 14),
                             .left = blackColumns(kG11Active, 0, 6),
                             .right = blackColumns(kG11Active, 3694, 50)},
                            kBlackNear128),
                      1848),
               kPowerShotLevels);

// In table order. A camera sold under several names has a row, and a model code, per name;
// "350D DIGITAL REBEL XT" is no name of its own but the other two joined, and shares the
// code of "DIGITAL REBEL XT".
inline constexpr std::array<CameraDescription, 35> kCanonRows{
    k10DRaw,
    k10DLinearised,
    k20D,
    k30D,
    k40D,
    dngOf(k40D),
    k50D,
    dngOf(k50D),
    k350D,
    renamed(k350D, "Canon EOS DIGITAL REBEL XT", 520),
    renamed(k350D, "Canon EOS 350D DIGITAL REBEL XT", 520),
    k400D,
    renamed(k400D, "Canon EOS DIGITAL REBEL XTi", 522),
    k450D,
    renamed(k450D, "Canon EOS DIGITAL REBEL XSi", 524),
    renamed(k450D, "Canon EOS Kiss X2", 525),
    k500D,
    renamed(k500D, "Canon EOS REBEL T1i", 527),
    renamed(k500D, "Canon EOS Kiss X3", 528),
    k1000D,
    renamed(k1000D, "Canon EOS DIGITAL REBEL XS", 530),
    renamed(k1000D, "Canon EOS Kiss F", 531),
    k5D,
    k5DMarkII,
    k7D,
    k1DsMarkII,
    k1DsMarkIII,
    k1DMarkII,
    k1DMarkIIN,
    k1DMarkIII,
    kG9,
    kG10,
    kG11,
    kSx1,
    kS90,
};

} // namespace korvane::camera_rows
