#include <gtest/gtest.h>

#include <cstring>

#include "container/IdentifyCamera.hpp"
#include "tests/container/CameraTestRecords.hpp"

namespace korvane {
namespace {

using test::describe;
using test::ParsedFile;
using test::rowsNamed;

constexpr std::string_view kNikon = "NIKON CORPORATION";

struct NefCase {
    const char* name;
    std::uint32_t compression;
    std::uint8_t bits;
    std::size_t expectedRow; // of the D700's eight rows, counted from 0
};

class NikonD700Codings : public testing::TestWithParam<NefCase> {};

TEST_P(NikonD700Codings, ChooseTheRowOfTheirBitDepthAndCoding) {
    const NefCase& c = GetParam();
    ParsedFile file(kNikon, "NIKON D700");
    file.rawSubIfd(4288, 2844, c.compression, c.bits);
    const auto rows = rowsNamed(kNikon, "NIKON D700");
    ASSERT_EQ(rows.size(), 8u);

    EXPECT_EQ(IdentifyCamera(file.context), kCameraIdentified);
    EXPECT_EQ(file.context.camera, rows[c.expectedRow])
        << "chose " << describe(file.context.camera);
}

INSTANTIATE_TEST_SUITE_P(
    CameraTable, NikonD700Codings,
    testing::Values(NefCase{"Packed12Bit", compression::kUncompressed, 12, 0},
                    NefCase{"Compressed12Bit", compression::kNikon, 12, 1},
                    NefCase{"Uncompressed14Bit", compression::kUncompressed, 14, 4},
                    NefCase{"LosslessCompressed14Bit", compression::kNikon, 14, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IdentifyCamera, DngRowsOfTheCanon10DAreToldApartByTheLinearizationTable) {
    const auto rows = rowsNamed("Canon", "Canon EOS 10D");
    ASSERT_EQ(rows.size(), 2u);
    const IfdEntry table{};

    ParsedFile raw("Canon", "Canon EOS 10D");
    raw.markDng();
    raw.rawSubIfd(3152, 2068, compression::kLosslessJpeg, 16);
    EXPECT_EQ(IdentifyCamera(raw.context), kCameraIdentified);
    EXPECT_EQ(raw.context.camera, rows[0]) << "chose " << describe(raw.context.camera);

    ParsedFile linearised("Canon", "Canon EOS 10D");
    linearised.markDng();
    linearised.rawSubIfd(3152, 2068, compression::kLosslessJpeg, 16).linearizationTable = &table;
    EXPECT_EQ(IdentifyCamera(linearised.context), kCameraIdentified);
    EXPECT_EQ(linearised.context.camera, rows[1])
        << "chose " << describe(linearised.context.camera);

    // The 10D's rows are for DNG files only; a TIFF file of the camera matches none.
    ParsedFile tiff("Canon", "Canon EOS 10D");
    tiff.rawSubIfd(3152, 2068, compression::kLosslessJpeg, 16);
    EXPECT_EQ(IdentifyCamera(tiff.context), kCameraOptionsDiffer);
    EXPECT_EQ(tiff.context.camera, &defaultCameraDescription());
}

TEST(IdentifyCamera, MakeAndModelMatchEveryCharacterIncludingTrailingBlanks) {
    ParsedFile padded("OLYMPUS IMAGING CORP.  ", "E-3             ");
    padded.rawFirstIfdWithExif(3720, 2800, compression::kUncompressed, 12);
    EXPECT_EQ(IdentifyCamera(padded.context), kCameraIdentified);
    EXPECT_EQ(padded.context.camera->modelCode, 4610);

    ParsedFile trimmed("OLYMPUS IMAGING CORP.", "E-3             ");
    trimmed.rawFirstIfdWithExif(3720, 2800, compression::kUncompressed, 12);
    const std::int16_t result = IdentifyCamera(trimmed.context);
    EXPECT_LT(result, 0) << "no row has this make: the top bit of the result is set";
    EXPECT_EQ(trimmed.context.camera, &defaultCameraDescription());

    // The Nikon D100 writes its model with one trailing blank; its DNG row has none.
    ParsedFile d100("NIKON CORPORATION", "NIKON D100 ");
    d100.rawSubIfd(3040, 2024, compression::kUncompressed, 12);
    EXPECT_EQ(IdentifyCamera(d100.context), kCameraIdentified);
    EXPECT_EQ(d100.context.camera->fileKind, file_kind::kNotDng);
}

TEST(IdentifyCamera, KnownNamesWithOptionsNoRowAcceptsGiveAPositiveCode) {
    // The D700's frame is 4288 x 2844; a DX-sized image is no file its rows describe.
    ParsedFile wrongSize(kNikon, "NIKON D700");
    wrongSize.rawSubIfd(2848, 1900, compression::kNikon, 14);
    EXPECT_EQ(IdentifyCamera(wrongSize.context), kCameraOptionsDiffer);
    EXPECT_GT(kCameraOptionsDiffer, 0);
    EXPECT_EQ(wrongSize.context.camera, &defaultCameraDescription());

    // Rows that require a compression or bit depth accept no file without a main image.
    ParsedFile noImage("SONY ", "DSLR-A700");
    EXPECT_EQ(IdentifyCamera(noImage.context), kCameraOptionsDiffer);

    // A Sony 14-bit file is neither the packed (12) nor the compressed (8) coding.
    ParsedFile sony("SONY ", "DSLR-A700");
    sony.rawSubIfd(4288, 2856, compression::kSonyRaw, 14);
    EXPECT_EQ(IdentifyCamera(sony.context), kCameraOptionsDiffer);
}

TEST(IdentifyCamera, SonyCodingsAreToldApartByBitsPerSample) {
    const auto rows = rowsNamed("SONY ", "DSLR-A700");
    ASSERT_EQ(rows.size(), 2u);
    ParsedFile packed("SONY ", "DSLR-A700");
    packed.rawSubIfd(4288, 2856, compression::kSonyRaw, 12);
    EXPECT_EQ(IdentifyCamera(packed.context), kCameraIdentified);
    EXPECT_EQ(packed.context.camera, rows[0]);

    ParsedFile compressed("SONY ", "DSLR-A700");
    compressed.rawSubIfd(4288, 2856, compression::kSonyRaw, 8);
    EXPECT_EQ(IdentifyCamera(compressed.context), kCameraIdentified);
    EXPECT_EQ(compressed.context.camera, rows[1]);
    EXPECT_EQ(compressed.context.camera->compressionSet, compression::kSonyCraw);
}

TEST(IdentifyCamera, RowsWithoutRequirementsTakeFilesWhoseRawImageTheReaderDidNotChoose) {
    // A CR2's raw image (IFD3) has no NewSubfileType: the reader chooses none, and the row's
    // frame is not compared with anything.
    ParsedFile cr2("Canon", "Canon EOS 20D");
    EXPECT_EQ(IdentifyCamera(cr2.context), kCameraIdentified);
    EXPECT_EQ(cr2.context.camera->modelCode, 515);
}

TEST(IdentifyCamera, ARequirementOfSevenAcceptsSixAndOne) {
    for (const std::uint32_t code :
         {compression::kLosslessJpeg, compression::kLosslessJpegOld, compression::kUncompressed}) {
        ParsedFile file("Not identified in the raw file", "Not identified in the raw file");
        file.rawSubIfd(5344, 4008, code, 16);
        EXPECT_EQ(IdentifyCamera(file.context), kCameraIdentified) << "compression " << code;
        EXPECT_EQ(file.context.camera, &unidentifiedTiledCamera());
    }
    ParsedFile other("Not identified in the raw file", "Not identified in the raw file");
    other.rawSubIfd(5344, 4008, compression::kNikon, 16);
    EXPECT_EQ(IdentifyCamera(other.context), kCameraOptionsDiffer);
}

TEST(IdentifyCamera, ARowThatMakesItsOwnDirectoryIgnoresTheFilesSize) {
    // The P65+'s IIQ frame is larger than the area its row describes.
    ParsedFile iiq("Phase One A/S", "P65+");
    iiq.rawSubIfd(9036, 6784, compression::kUncompressed, 16);
    EXPECT_EQ(IdentifyCamera(iiq.context), kCameraIdentified);
    EXPECT_EQ(iiq.context.camera->mainImageRule, main_image_rule::kNewFromRow);
}

TEST(IdentifyCamera, DngOfACameraWithoutARowGetsTheDefaultRow) {
    ParsedFile file("Apple", "iPhone 12 Pro");
    file.markDng();
    IfdNode& raw = file.rawSubIfd(4032, 3024, compression::kLosslessJpeg, 12);
    EXPECT_LT(IdentifyCamera(file.context), 0);
    EXPECT_EQ(file.context.camera, &defaultCameraDescription());
    EXPECT_EQ(file.context.camera->formatCode, format_code::kDng);
    EXPECT_EQ(file.context.mainImage, &raw) << "the reader's choice stays the main image";
}

TEST(IdentifyCamera, NamesAreOnlyComparedWhenBothEntriesExist) {
    ParsedFile file("Canon", "Canon EOS 20D");
    file.dropMakeEntry();
    EXPECT_LT(IdentifyCamera(file.context), 0);
    EXPECT_EQ(file.context.camera, &defaultCameraDescription());
}

// The first IFD of the unidentified tiled camera's files: one lossless JPEG tile of
// 5344 x 4008 right behind the header, read last.
struct TiledFile {
    TiledFile() : file("", "") {
        file.context.makeEntry = nullptr;
        file.context.modelEntry = nullptr;
        IfdNode& first = file.first();
        first.compression = compression::kLosslessJpeg;
        first.layout = node_layout::kTiles;
        first.imageWidth = first.tileWidth = 5344;
        first.imageLength = first.tileLength = 4008;
        offsets.tag = 324; // TileOffsets
        offsets.type = tiff_type::kLong;
        offsets.count = 1;
        offsets.flags = entry_flags::kKnown | entry_flags::kInline;
        setOffset(8);
        first.tileOffsets = &offsets;
    }
    void setOffset(std::uint32_t value) { std::memcpy(offsets.inlineValue.data(), &value, 4); }
    ParsedFile file;
    IfdEntry offsets{};
};

TEST(IdentifyCamera, OneLosslessTileAtOffsetEightIsTheUnidentifiedTiledCamera) {
    TiledFile tiled;
    EXPECT_EQ(IdentifyCamera(tiled.file.context), kCameraIdentified);
    EXPECT_EQ(tiled.file.context.camera, &unidentifiedTiledCamera());
    EXPECT_EQ(tiled.file.context.mainImage, &tiled.file.first());

    // Also when the file names a camera the table does not know.
    TiledFile named;
    named.file.context.make = "Sinar";
    named.file.context.model = "eMotion 33";
    named.file.context.makeEntry = &named.offsets;
    named.file.context.modelEntry = &named.offsets;
    EXPECT_EQ(IdentifyCamera(named.file.context), kCameraIdentified);
    EXPECT_EQ(named.file.context.camera, &unidentifiedTiledCamera());
}

TEST(IdentifyCamera, TheTiledRuleWantsExactlyThatLayout) {
    const auto expectUnknown = [](TiledFile& tiled, const char* what) {
        EXPECT_LT(IdentifyCamera(tiled.file.context), 0) << what;
        EXPECT_EQ(tiled.file.context.camera, &defaultCameraDescription()) << what;
        EXPECT_EQ(tiled.file.context.mainImage, nullptr) << what;
    };
    TiledFile offsetNine;
    offsetNine.setOffset(9);
    expectUnknown(offsetNine, "tile at offset 9");
    TiledFile notInline;
    notInline.offsets.flags = entry_flags::kKnown | entry_flags::kLoaded;
    expectUnknown(notInline, "offsets not held in the entry");
    TiledFile twoTiles;
    twoTiles.file.first().tileWidth = 2672;
    expectUnknown(twoTiles, "two tiles");
    TiledFile withStrips;
    withStrips.file.first().layout = node_layout::kTiles | node_layout::kStrips;
    expectUnknown(withStrips, "strips as well");
    TiledFile oldCode;
    oldCode.file.first().compression = compression::kLosslessJpegOld;
    expectUnknown(oldCode, "compression 6");
    TiledFile readOn;
    readOn.file.first().exif = std::make_unique<IfdNode>();
    readOn.file.context.lastNode = readOn.file.first().exif.get();
    expectUnknown(readOn, "a directory read after the first IFD");
}

} // namespace
} // namespace korvane
