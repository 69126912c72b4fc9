#include <gtest/gtest.h>

#include "container/IdentifyCamera.hpp"
#include "tests/container/CameraTestRecords.hpp"

namespace korvane {
namespace {

using test::ParsedFile;
using test::rowsNamed;

// A 5D Mark II CR2 at the given ISO, identified and ready for its row: the raw image is the
// last directory read, with no size of its own.
struct FiveDMarkII {
    explicit FiveDMarkII(std::uint32_t iso) : file("Canon", "Canon EOS 5D Mark II") {
        file.context.iso1 = file.context.iso2 = iso;
        EXPECT_EQ(IdentifyCamera(file.context), kCameraIdentified);
        raw.compression = compression::kLosslessJpegOld;
        raw.bitsPerSample = 14;
        file.context.mainImage = &raw;
    }
    void apply(bool fullSensorView = false) {
        ApplyCameraDescription(file.context, fullSensorView);
    }
    ParsedFile file;
    IfdNode raw;
};

TEST(ApplyCameraDescription, ThirdStopSettingsBelowAStopClipLower) {
    FiveDMarkII shot(640);
    shot.apply();
    const std::array<std::int32_t, 4> levels{12810, 12810, 12810, 12810};
    EXPECT_EQ(shot.file.context.channelLevels, levels);
    EXPECT_EQ(shot.raw.channelWhite, levels);
    EXPECT_EQ(shot.raw.whiteLevel, 12810);
    EXPECT_EQ(shot.raw.maximumValue, 12850);
    EXPECT_EQ(shot.raw.valueRange, 12850);
}

TEST(ApplyCameraDescription, HighSettingsClipAtTheFullRange) {
    FiveDMarkII shot(12800);
    shot.apply();
    const std::array<std::int32_t, 4> levels{16383, 16383, 16383, 16383};
    EXPECT_EQ(shot.file.context.channelLevels, levels);
    EXPECT_EQ(shot.raw.maximumValue, 16384);
}

TEST(ApplyCameraDescription, AnIsoWithoutItsOwnLevelsTakesTheDefaultRow) {
    FiveDMarkII shot(700);
    shot.raw.whiteLevel = 4000; // already known: kept
    shot.apply();
    // Red 15755, both greens 15760, blue 15760.
    const std::array<std::int32_t, 4> levels{15755, 15760, 15760, 15760};
    EXPECT_EQ(shot.file.context.channelLevels, levels);
    EXPECT_EQ(shot.raw.whiteLevel, 4000);
    EXPECT_EQ(shot.raw.maximumValue, 15800);
}

TEST(ApplyCameraDescription, WithoutAnIsoTheFirstLevelRowsIsoIsTaken) {
    FiveDMarkII shot(0);
    shot.apply();
    EXPECT_EQ(shot.file.context.iso1, 25600u);
    EXPECT_EQ(shot.file.context.iso2, 25600u);
    EXPECT_EQ(shot.raw.maximumValue, 16384);
}

TEST(ApplyCameraDescription, TheLevelLookUpUsesTheSecondIso) {
    FiveDMarkII shot(0);
    shot.file.context.iso1 = 640;
    shot.file.context.iso2 = 6400;
    shot.apply();
    EXPECT_EQ(shot.raw.maximumValue, 16384);
    EXPECT_EQ(shot.file.context.iso1, 640u);
}

TEST(ApplyCameraDescription, TheRowsFrameSamplingAndBlackParametersReachTheImage) {
    FiveDMarkII shot(100);
    shot.raw.wbMultipliers = {2.0f, 1.0f, 1.0f, 1.5f};
    shot.apply();
    const IfdNode& raw = shot.raw;
    EXPECT_EQ(shot.file.context.formatCode, format_code::kCanon);
    EXPECT_EQ(raw.imageWidth, 5792u);
    EXPECT_EQ(raw.width, 5792u);
    EXPECT_EQ(raw.imageLength, 3804u);
    EXPECT_EQ(raw.height, 3804u);
    EXPECT_EQ(raw.activeLeft, 158u);
    EXPECT_EQ(raw.activeTop, 52u);
    EXPECT_EQ(raw.activeWidth, 5634u);
    EXPECT_EQ(raw.activeHeight, 3752u);
    EXPECT_EQ(raw.photometric, 32803);
    EXPECT_EQ(raw.bitsPerSample, 14);
    EXPECT_EQ(raw.compression, compression::kLosslessJpegOld);
    EXPECT_EQ(raw.decodingVariant, decoding_variant::kCanonSlices);
    // The CR2 has no pattern: the row's green, blue / red, green.
    EXPECT_EQ(raw.cfaPatternCount, 4);
    EXPECT_EQ(raw.cfaPattern[0], 1);
    EXPECT_EQ(raw.cfaPattern[1], 2);
    EXPECT_EQ(raw.cfaPattern[2], 0);
    EXPECT_EQ(raw.cfaPattern[3], 1);
    EXPECT_EQ(raw.cfaRepeatRows, 2);
    EXPECT_EQ(raw.cfaRepeatCols, 2);
    EXPECT_EQ(raw.cfaLayout, 1);
    EXPECT_EQ(raw.cfaPlaneColorCount, 3);
    EXPECT_EQ(raw.cfaPlaneColors[2], 2);
    EXPECT_EQ(shot.file.context.uniqueCameraModel, "Canon EOS 5D Mark II");
    EXPECT_EQ(raw.wbMultipliers, (std::array<float, 4>{1.0f, 1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(raw.maskedAreas[1], (SensorArea{4, 52, 150, 3752}));
    EXPECT_TRUE(raw.maskedAreas[0].empty());
    EXPECT_EQ(raw.rowNoiseAverage, -1);
    EXPECT_EQ(raw.columnNoiseAverage, -1);
    EXPECT_EQ(raw.blackRangeLow, 1000);
    EXPECT_EQ(raw.blackRangeHigh, 1050);
}

TEST(ApplyCameraDescription, AFilesOwnPatternIsKept) {
    ParsedFile file("NIKON CORPORATION", "NIKON D200");
    IfdNode& raw = file.rawSubIfd(3904, 2616, compression::kNikon, 12);
    raw.cfaPatternCount = 4;
    raw.cfaPattern[0] = 2;
    ASSERT_EQ(IdentifyCamera(file.context), kCameraIdentified);
    ApplyCameraDescription(file.context, false);
    EXPECT_EQ(raw.cfaPattern[0], 2);
}

TEST(ApplyCameraDescription, TheCompressionIsSubstitutedOnlyForTheCodeTheRowRequires) {
    // Sony's 32767 names no decoder; the packed row's substitute does.
    ParsedFile sony("SONY ", "DSLR-A700");
    IfdNode& arw = sony.rawSubIfd(4288, 2856, compression::kSonyRaw, 12);
    ASSERT_EQ(IdentifyCamera(sony.context), kCameraIdentified);
    ApplyCameraDescription(sony.context, false);
    EXPECT_EQ(arw.compression, compression::kPacked);
    EXPECT_EQ(sony.context.packingKind, RawFileContext::kPackedLittleEndian);

    // Applied to an image of another code, a row that requires one keeps the image's code,
    // and gives its own to an image without one.
    sony.context.mainImage->compression = compression::kNikon;
    ApplyCameraDescription(sony.context, false);
    EXPECT_EQ(arw.compression, compression::kNikon);
    EXPECT_EQ(sony.context.packingKind, 0) << "only packed data has a packing";
    arw.compression = 0;
    ApplyCameraDescription(sony.context, false);
    EXPECT_EQ(arw.compression, compression::kPacked);
    EXPECT_EQ(sony.context.packingKind, RawFileContext::kPackedLittleEndian);

    // A row that requires no code substitutes for any.
    ParsedFile cr2("Canon", "Canon EOS 20D");
    IfdNode raw;
    raw.compression = compression::kLosslessJpeg;
    ASSERT_EQ(IdentifyCamera(cr2.context), kCameraIdentified);
    cr2.context.mainImage = &raw;
    ApplyCameraDescription(cr2.context, false);
    EXPECT_EQ(raw.compression, compression::kLosslessJpegOld);
    EXPECT_EQ(cr2.context.packingKind, 0);
}

TEST(ApplyCameraDescription, PackedDataOfOtherMakersKeepsTheHighBitsFirst) {
    // The Nikon D200's row gives its 12-bit NEF strips to the packed decoder too.
    ParsedFile nef("NIKON CORPORATION", "NIKON D200");
    nef.context.packingKind = RawFileContext::kPackedLittleEndian; // left from another file
    IfdNode& raw = nef.rawSubIfd(3904, 2616, 1, 12);
    ASSERT_EQ(IdentifyCamera(nef.context), kCameraIdentified);
    ApplyCameraDescription(nef.context, false);
    ASSERT_EQ(raw.compression, compression::kPacked);
    EXPECT_EQ(nef.context.packingKind, 0);
}

TEST(ApplyCameraDescription, BitsAreSetForTheBitDepthTheRowRequires) {
    ParsedFile compressed("SONY ", "DSLR-A700");
    IfdNode& arw = compressed.rawSubIfd(4288, 2856, compression::kSonyRaw, 8);
    ASSERT_EQ(IdentifyCamera(compressed.context), kCameraIdentified);
    ApplyCameraDescription(compressed.context, false);
    EXPECT_EQ(arw.bitsPerSample, 13);
    EXPECT_EQ(arw.compression, compression::kSonyCraw);
    // Applied again, the image no longer has the required 8 bits: they stay.
    arw.bitsPerSample = 12;
    ApplyCameraDescription(compressed.context, false);
    EXPECT_EQ(arw.bitsPerSample, 12);
}

TEST(ApplyCameraDescription, ARowWithoutAVariantKeepsTheContainersVariant) {
    ParsedFile d100("NIKON CORPORATION", "NIKON D100 ");
    IfdNode& raw = d100.rawSubIfd(3040, 2024, compression::kUncompressed, 12);
    ASSERT_EQ(IdentifyCamera(d100.context), kCameraIdentified);
    raw.compression = compression::kPacked; // the maker note's single packed strip
    raw.decodingVariant = decoding_variant::kPackedSingleStrip;
    ApplyCameraDescription(d100.context, false);
    EXPECT_EQ(raw.decodingVariant, decoding_variant::kPackedSingleStrip);
    EXPECT_EQ(raw.compression, compression::kPacked);
}

TEST(ApplyCameraDescription, FullSensorViewShowsTheWholeFrameWithoutMeasurements) {
    FiveDMarkII shot(640);
    shot.file.context.channelLevels = {1, 2, 3, 4};
    shot.apply(true);
    const IfdNode& raw = shot.raw;
    EXPECT_EQ(raw.activeLeft, 0u);
    EXPECT_EQ(raw.activeTop, 0u);
    EXPECT_EQ(raw.activeWidth, 5792u);
    EXPECT_EQ(raw.activeHeight, 3804u);
    EXPECT_EQ(raw.pixelXDimension, 5792u);
    EXPECT_EQ(raw.pixelYDimension, 3804u);
    for (const SensorArea& area : raw.maskedAreas) {
        EXPECT_TRUE(area.empty());
    }
    EXPECT_EQ(raw.blackRangeHigh, 0);
    EXPECT_EQ(raw.rowNoiseAverage, 0);
    EXPECT_EQ(shot.file.context.channelLevels, (std::array<std::int32_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(raw.maximumValue, 0);
}

TEST(ApplyCameraDescription, FullSensorViewKeepsTheCfaPhaseOfAnOddActiveOrigin) {
    // A row whose active area starts on an odd column and row: the pattern it gives belongs
    // to that origin, so the whole-sensor area must start on the same phase.
    CameraDescription row = *rowsNamed("Canon", "Canon EOS 20D").front();
    row.width = 3001;
    row.height = 2001;
    row.active = {3, 1, 2990, 1990};
    ParsedFile file("Canon", "Canon EOS 20D");
    IfdNode raw;
    file.context.camera = &row;
    file.context.mainImage = &raw;
    ApplyCameraDescription(file.context, true);
    EXPECT_EQ(raw.activeLeft, 1u);
    EXPECT_EQ(raw.activeTop, 1u);
    // Whole repeats from there, inside the frame: 3000 columns, 2000 rows.
    EXPECT_EQ(raw.activeWidth, 3000u);
    EXPECT_EQ(raw.activeHeight, 2000u);
    EXPECT_EQ(raw.width, 3000u);
    EXPECT_EQ(raw.height, 2000u);
    EXPECT_EQ(raw.imageWidth, 3001u) << "the buffer keeps its pitch";
    EXPECT_LE(raw.activeLeft + raw.activeWidth, raw.imageWidth);
    EXPECT_LE(raw.activeTop + raw.activeHeight, raw.imageLength);
}

TEST(ApplyCameraDescription, NeedsACameraAndAMainImage) {
    ParsedFile file("Canon", "Canon EOS 20D");
    ApplyCameraDescription(file.context, false); // no camera yet
    EXPECT_EQ(file.context.formatCode, format_code::kTiff);
    ASSERT_EQ(IdentifyCamera(file.context), kCameraIdentified);
    file.context.mainImage = nullptr;
    ApplyCameraDescription(file.context, false);
    EXPECT_EQ(file.context.formatCode, format_code::kTiff);
    EXPECT_TRUE(file.context.uniqueCameraModel.empty());
}

} // namespace
} // namespace korvane
