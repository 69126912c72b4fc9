// The image a directory describes: the geometry checks, the colour filter array and the
// conversion of black level data.
#include <functional>

#include "common/EntryValues.hpp"
#include "tests/container/ReadIfdTestSupport.hpp"

namespace korvane::test {
namespace {

using namespace tag_number;

// One directory, with bytes after it for the values the entries point at.
struct OneDirectory {
    explicit OneDirectory(Ifd ifd, ByteOrder order = ByteOrder::Little)
        : run(write(std::move(ifd), order)) {
        status = run.readFirst();
    }
    static std::vector<std::uint8_t> write(Ifd ifd, ByteOrder order) {
        TiffWriter writer(order);
        writer.addIfd(std::move(ifd));
        writer.addBlock(std::vector<std::uint8_t>(64, 0));
        return writer.write();
    }
    const IfdNode& node() { return *run.root(); }
    ReaderRun run;
    Status status = kFailed;
};

// A 2x2 CFA image of the given size in strips.
Ifd stripImage(std::uint32_t width, std::uint32_t height, std::uint32_t rowsPerStrip,
               std::size_t strips) {
    Ifd ifd;
    ifd.addLong(kImageWidth, width);
    ifd.addLong(kImageLength, height);
    if (rowsPerStrip != 0) ifd.addLong(kRowsPerStrip, rowsPerStrip);
    ifd.addLongs(kStripOffsets, std::vector<std::uint32_t>(strips, 8));
    ifd.addLongs(kStripByteCounts, std::vector<std::uint32_t>(strips, 1));
    return ifd;
}

Ifd tileImage(std::uint32_t width, std::uint32_t height, std::uint32_t tileWidth,
              std::uint32_t tileLength, std::size_t tiles) {
    Ifd ifd;
    ifd.addLong(kImageWidth, width);
    ifd.addLong(kImageLength, height);
    ifd.addLong(kTileWidth, tileWidth);
    ifd.addLong(kTileLength, tileLength);
    ifd.addLongs(kTileOffsets, std::vector<std::uint32_t>(tiles, 8));
    ifd.addLongs(kTileByteCounts, std::vector<std::uint32_t>(tiles, 1));
    return ifd;
}

// --- Geometry -------------------------------------------------------------------------------

struct GeometryCase {
    const char* name;
    std::function<Ifd()> build;
    bool consistent;
};

class ReadIfdGeometry : public testing::TestWithParam<GeometryCase> {};

TEST_P(ReadIfdGeometry, InconsistentDescriptionsGiveMessage9AfterTheDirectory) {
    OneDirectory d(GetParam().build());
    ASSERT_EQ(d.status, kOk); // inconsistent or not, the directory is read
    EXPECT_EQ(d.node().inconsistent(), !GetParam().consistent);
    EXPECT_EQ(d.run.messages(), GetParam().consistent ? std::vector<int>{} : std::vector<int>{9});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadIfdGeometry,
    testing::Values(
        GeometryCase{"StripsCountedFromRowsPerStrip", [] { return stripImage(100, 100, 30, 4); },
                     true},
        GeometryCase{"OneStripWithoutRowsPerStrip", [] { return stripImage(100, 100, 0, 1); },
                     true},
        GeometryCase{"RowsPerStripBeyondTheHeight",
                     [] { return stripImage(100, 100, 0xFFFFFFFF, 1); }, true},
        GeometryCase{"WrongStripCount", [] { return stripImage(100, 100, 30, 3); }, false},
        GeometryCase{
            "NoStripByteCounts",
            [] {
                Ifd i;
                i.addLong(kImageWidth, 10).addLong(kImageLength, 10).addLong(kStripOffsets, 8);
                return i;
            },
            false},
        GeometryCase{"StripsAndTiles",
                     [] {
                         Ifd i = stripImage(100, 100, 0, 1);
                         return i.addLong(kTileWidth, 16).addLong(kTileLength, 16);
                     },
                     false},
        GeometryCase{"TilesCounted", [] { return tileImage(100, 50, 32, 16, 16); }, true},
        // TIFF pads tiles at the edges: an image smaller than one tile is one tile.
        GeometryCase{"ImageSmallerThanATile", [] { return tileImage(600, 338, 304, 352, 2); },
                     true},
        GeometryCase{"WrongTileCount", [] { return tileImage(100, 50, 32, 16, 15); }, false},
        GeometryCase{"TileWidthZero", [] { return tileImage(100, 50, 0, 16, 16); }, false},
        GeometryCase{"TilesWithoutImageSize",
                     [] {
                         Ifd i;
                         i.addLong(kTileWidth, 16).addLong(kTileLength, 16);
                         return i.addLong(kTileOffsets, 8).addLong(kTileByteCounts, 1);
                     },
                     false},
        GeometryCase{"OnlyAWidth",
                     [] {
                         Ifd i;
                         return i.addLong(kImageWidth, 100);
                     },
                     false},
        GeometryCase{"ActiveAreaInside",
                     [] {
                         Ifd i = stripImage(100, 80, 0, 1);
                         return i.addShorts(kActiveArea, {2, 4, 80, 100});
                     },
                     true},
        GeometryCase{"ActiveAreaWiderThanTheImage",
                     [] {
                         Ifd i = stripImage(100, 80, 0, 1);
                         return i.addShorts(kActiveArea, {0, 4, 80, 101});
                     },
                     false},
        GeometryCase{"ActiveAreaTallerThanTheImage",
                     [] {
                         Ifd i = stripImage(100, 80, 0, 1);
                         return i.addShorts(kActiveArea, {0, 0, 81, 100});
                     },
                     false},
        GeometryCase{"ActiveAreaUpsideDown",
                     [] {
                         Ifd i = stripImage(100, 80, 0, 1);
                         return i.addShorts(kActiveArea, {50, 0, 10, 100});
                     },
                     false}),
    [](const auto& info) { return std::string(info.param.name); });

// A CR2 raw directory: strips, Canon's lossless JPEG, and no size at all. The size comes from
// the camera description later; the strip count cannot be checked and nothing divides by 0.
TEST(ReadIfdGeometry, Cr2RawDirectoryWithoutSizeIsConsistent) {
    for (const bool withRowsPerStrip : {false, true}) {
        Ifd raw;
        raw.addShort(kCompression, 6);
        raw.addLong(kStripOffsets, 8648);
        raw.addLong(kStripByteCounts, 16);
        raw.addLong(50648, 1);
        if (withRowsPerStrip) raw.addLong(kRowsPerStrip, 16);
        OneDirectory d(raw);
        ASSERT_EQ(d.status, kOk);
        EXPECT_FALSE(d.node().inconsistent()) << withRowsPerStrip;
        EXPECT_TRUE(d.run.messages().empty());
        EXPECT_EQ(d.node().width, 0u);
        EXPECT_EQ(d.node().layout, node_layout::kStrips);
        EXPECT_EQ(d.node().stripOffsets, d.node().findEntry(kStripOffsets));
    }
}

TEST(ReadIfdGeometry, SizeComesFromPixelDimensionsThenImageSizeThenActiveArea) {
    Ifd onlyActive;
    onlyActive.addShorts(kActiveArea, {0, 0, 40, 60});
    OneDirectory a(onlyActive);
    EXPECT_EQ(a.node().width, 60u);
    EXPECT_EQ(a.node().height, 40u);

    Ifd both = stripImage(100, 80, 0, 1);
    both.addLong(kPixelXDimension, 90).addLong(kPixelYDimension, 70);
    OneDirectory b(both);
    EXPECT_EQ(b.node().width, 90u);
    EXPECT_EQ(b.node().height, 70u);
}

TEST(ReadIfdGeometry, ActiveAreaIsRoundedToTheCfaRepeatOnlyWhenThereIsOne) {
    Ifd withCfa = stripImage(2000, 1200, 0, 1);
    withCfa.addShorts(kActiveArea, {26, 152, 1182, 1887}).addShorts(kCfaRepeatPatternDim, {2, 2});
    OneDirectory a(withCfa);
    EXPECT_EQ(a.node().activeWidth, 1734u); // 1735 rounded down
    EXPECT_EQ(a.node().activeHeight, 1156u);
    EXPECT_EQ(a.node().activeLeft, 152u);

    Ifd withoutCfa = stripImage(2000, 1200, 0, 1);
    withoutCfa.addShorts(kActiveArea, {26, 152, 1183, 1887});
    OneDirectory b(withoutCfa);
    EXPECT_EQ(b.node().activeWidth, 1735u);
    EXPECT_EQ(b.node().activeHeight, 1157u);
}

// --- CFA ------------------------------------------------------------------------------------

Ifd dngCfa(std::vector<std::uint8_t> pattern, std::vector<std::uint8_t> planeColors) {
    Ifd ifd = stripImage(100, 100, 0, 1);
    ifd.addShorts(kCfaRepeatPatternDim, {2, 2});
    ifd.addBytes(kCfaPattern, pattern);
    ifd.addBytes(kCfaPlaneColor, planeColors);
    ifd.addShort(kCfaLayout, 1);
    return ifd;
}

TEST(ReadIfdCfa, ADngPatternIsStoredAndChecked) {
    OneDirectory good(dngCfa({0, 1, 1, 2}, {0, 1, 2}));
    EXPECT_FALSE(good.node().inconsistent());
    EXPECT_EQ(good.node().cfaPatternCount, 4);
    EXPECT_EQ(good.node().cfaPattern[3], 2);
    EXPECT_EQ(good.node().cfaPlaneColorCount, 3);
    EXPECT_EQ(good.node().cfaRepeatRows, 2);
    EXPECT_EQ(good.node().cfaLayout, 1);

    EXPECT_TRUE(OneDirectory(dngCfa({0, 1, 1, 3}, {0, 1, 2})).node().inconsistent()); // colour 3
    EXPECT_TRUE(OneDirectory(dngCfa({0, 1, 1, 2, 0, 1}, {0, 1, 2})).node().inconsistent());
    EXPECT_TRUE(OneDirectory(dngCfa({0, 1, 1, 2}, {0, 1, 5})).node().inconsistent());
    EXPECT_TRUE(OneDirectory(dngCfa({0, 1, 1, 2}, {0, 1})).node().inconsistent());
}

TEST(ReadIfdCfa, RepeatDimensionsOutside1To8AreRefused) {
    for (const std::uint16_t rows : {0, 9}) {
        Ifd ifd;
        ifd.addShorts(kCfaRepeatPatternDim, {rows, 2});
        OneDirectory d(ifd);
        EXPECT_TRUE(d.node().inconsistent()) << rows;
        EXPECT_FALSE(entryOf(d.node(), kCfaRepeatPatternDim).valid());
        EXPECT_EQ(d.node().cfaRepeatRows, 0);
    }
}

// Exif's CFAPattern: two 16-bit dimensions, then the pattern. NEF files write the dimensions
// big-endian in a little-endian file.
struct ExifPatternCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    bool accepted;
};

class ReadIfdExifCfaPattern : public testing::TestWithParam<ExifPatternCase> {};

TEST_P(ReadIfdExifCfaPattern, IsAcceptedInEitherOrderOfItsDimensions) {
    const ExifPatternCase& c = GetParam();
    Ifd exif;
    exif.addUndefined(kCfaPatternExif, c.bytes);
    Ifd first;
    first.addShort(kOrientation, 1);
    first.addSubIfds(kExifIfd, {exif});
    OneDirectory d(first);
    ASSERT_EQ(d.status, kOk);
    const IfdNode& e = *d.node().exif;
    EXPECT_EQ(e.inconsistent(), !c.accepted);
    EXPECT_EQ(d.run.messages(), c.accepted ? std::vector<int>{} : std::vector<int>{9});
    if (c.accepted) {
        // Four bytes are the pattern itself (the TIFF/EP form); longer ones carry dimensions.
        const auto pattern = c.bytes.size() == 4 ? c.bytes.begin() : c.bytes.begin() + 4;
        ASSERT_EQ(e.cfaPatternCount, c.bytes.end() - pattern);
        EXPECT_TRUE(std::equal(pattern, c.bytes.end(), e.cfaPattern.begin()));
        EXPECT_EQ(d.node().cfaPatternCount, e.cfaPatternCount); // merged into IFD0
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReadIfdExifCfaPattern,
    testing::Values(ExifPatternCase{"NefBigEndianDimensions", {0, 2, 0, 2, 2, 1, 1, 0}, true},
                    ExifPatternCase{"FileOrderDimensions", {2, 0, 2, 0, 0, 1, 1, 2}, true},
                    ExifPatternCase{"TwoByFour", {0, 2, 0, 4, 0, 1, 1, 2, 1, 2, 0, 1}, true},
                    ExifPatternCase{"FourInlineBytes", {0, 1, 1, 2}, true},
                    ExifPatternCase{"DimensionsDoNotMatch", {0, 3, 0, 2, 2, 1, 1, 0}, false},
                    ExifPatternCase{"DimensionsOnly", {0, 2, 0, 2, 0}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Black level ----------------------------------------------------------------------------

Ifd cfaImage() {
    Ifd ifd = stripImage(100, 80, 0, 1);
    ifd.addShorts(kCfaRepeatPatternDim, {2, 2});
    return ifd;
}

TEST(ReadIfdBlackLevel, FourEqualValuesGiveOneBlackLevelAndNoArray) {
    Ifd ifd = cfaImage();
    ifd.addShorts(kBlackLevelRepeatDim, {2, 2}).addShorts(kBlackLevel, {256, 256, 256, 256});
    OneDirectory d(ifd);
    EXPECT_FALSE(d.node().inconsistent());
    EXPECT_EQ(d.node().blackLevel, 256);
    EXPECT_TRUE(d.node().blackLevelArray.empty());
    EXPECT_EQ(d.node().blackLevelCount, 4u);
    EXPECT_EQ(d.node().blackLevelEntry, d.node().findEntry(kBlackLevel));
}

TEST(ReadIfdBlackLevel, ATwoByTwoPatternBecomesAnArray) {
    Ifd ifd = cfaImage();
    ifd.addShorts(kBlackLevelRepeatDim, {2, 2}).addLongs(kBlackLevel, {100, 0x10065, 102, 103});
    OneDirectory d(ifd);
    EXPECT_FALSE(d.node().inconsistent());
    EXPECT_EQ(d.node().blackLevelArray, (std::vector<std::uint16_t>{100, 0x65, 102, 103}));
}

TEST(ReadIfdBlackLevel, OneValueRepeatsOverTheCfaAndRationalsAreDivided) {
    // No BlackLevelRepeatDim: DNG's default of 1 x 1, as Magic Lantern writes it.
    Ifd ifd = cfaImage();
    ifd.addRationals(kBlackLevel, {{4112, 2}});
    OneDirectory d(ifd);
    EXPECT_FALSE(d.node().inconsistent());
    EXPECT_TRUE(d.run.messages().empty());
    EXPECT_EQ(d.node().blackLevel, 2056);

    Ifd zero = cfaImage();
    zero.addShorts(kBlackLevelRepeatDim, {1, 1}).addRationals(kBlackLevel, {{5, 0}});
    EXPECT_EQ(OneDirectory(zero).node().blackLevel, 0);
}

TEST(ReadIfdBlackLevel, ThreeSamplesWithoutACfaAreOneRepeat) {
    Ifd ifd = stripImage(100, 80, 0, 1);
    ifd.addShort(kSamplesPerPixel, 3).addShorts(kBlackLevelRepeatDim, {1, 1});
    ifd.addRationals(kBlackLevel, {{0, 256}, {0, 256}, {0, 256}});
    OneDirectory d(ifd);
    EXPECT_FALSE(d.node().inconsistent());
    EXPECT_EQ(d.node().blackLevelCount, 3u);
}

TEST(ReadIfdBlackLevel, ACountThatDoesNotFitTheRepeatIsClearedAndInconsistent) {
    Ifd wrongCount = cfaImage();
    wrongCount.addShorts(kBlackLevelRepeatDim, {2, 2}).addShorts(kBlackLevel, {1, 2, 3});
    OneDirectory a(wrongCount);
    EXPECT_TRUE(a.node().inconsistent());
    EXPECT_EQ(a.node().blackLevelCount, 0u);
    EXPECT_EQ(a.node().blackRepeatRows, 0);
    EXPECT_EQ(a.node().blackRepeatCols, 0);
    EXPECT_EQ(a.run.messages(), std::vector<int>{9});

    Ifd notDividing = stripImage(100, 80, 0, 1);
    notDividing.addShorts(kCfaRepeatPatternDim, {3, 3});
    notDividing.addShorts(kBlackLevelRepeatDim, {2, 2}).addShorts(kBlackLevel, {1, 2, 3, 4});
    EXPECT_TRUE(OneDirectory(notDividing).node().inconsistent());
}

TEST(ReadIfdBlackLevel, DeltasAreDividedPerColumnAndRowAndPaddedWithZeros) {
    Ifd ifd = stripImage(100, 80, 0, 1);
    ifd.addShorts(kActiveArea, {0, 0, 3, 6});
    ifd.addSRationals(kBlackLevelDeltaH, {{10, 2}, {-9, 3}, {7, 0}, {INT32_MIN, -1}, {1, 1}});
    ifd.addSRationals(kBlackLevelDeltaV, {{6, 3}});
    for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        OneDirectory d(ifd, order);
        ASSERT_EQ(d.status, kOk);
        EXPECT_FALSE(d.node().inconsistent());
        const auto minus3 = static_cast<std::uint16_t>(-3);
        EXPECT_EQ(d.node().blackDeltaH,
                  (std::vector<std::uint16_t>{5, minus3, 0, 0, 1, 0})); // 2^31 keeps its low bits
        EXPECT_EQ(d.node().blackDeltaHCount, 5u);
        EXPECT_EQ(d.node().blackDeltaV, (std::vector<std::uint16_t>{2, 0, 0}));
    }
}

TEST(ReadIfdBlackLevel, LongDeltaArraysAreReadInPieces) {
    // 1000 rationals are 8000 bytes: more than one read of the window may ask.
    std::vector<SRational> deltas;
    for (std::int32_t i = 0; i < 1000; ++i)
        deltas.push_back({3 * i, 3});
    Ifd ifd = stripImage(1000, 10, 0, 1);
    ifd.addShorts(kActiveArea, {0, 0, 10, 1000}).addSRationals(kBlackLevelDeltaH, deltas);
    OneDirectory d(ifd);
    ASSERT_EQ(d.node().blackDeltaH.size(), 1000u);
    for (std::uint16_t i = 0; i < 1000; ++i)
        ASSERT_EQ(d.node().blackDeltaH[i], i);
}

TEST(ReadIfdBlackLevel, MoreDeltasThanActiveColumnsIsInconsistent) {
    Ifd ifd = stripImage(100, 80, 0, 1);
    ifd.addShorts(kActiveArea, {0, 0, 2, 2})
        .addSRationals(kBlackLevelDeltaH, {{1, 1}, {1, 1}, {1, 1}});
    OneDirectory d(ifd);
    EXPECT_TRUE(d.node().inconsistent());
    EXPECT_TRUE(d.node().blackDeltaH.empty());
    EXPECT_EQ(d.node().blackDeltaHCount, 0u);
}

} // namespace
} // namespace korvane::test
