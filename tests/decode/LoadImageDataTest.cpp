// The image data loader on synthetic files: strip and tile layouts, sample codings, the
// messages of broken layouts, and linearisation.
#include "tests/decode/LoadTestSupport.hpp"

namespace korvane::test {
namespace {

struct StripCase {
    const char* name;
    StripLayout layout;
};

class LoadStrips : public ::testing::TestWithParam<StripCase> {};

TEST_P(LoadStrips, SamplesArriveUnchangedInTheirRows) {
    const StripLayout& layout = GetParam().layout;
    const auto samples = testSamples(layout.width, layout.height, layout.bits);
    auto r = load(stripFile(samples, layout));
    ASSERT_EQ(r->status, kOk) << r->text();
    EXPECT_TRUE(r->messages().empty());
    EXPECT_EQ(r->image().samples, samples);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, LoadStrips,
    ::testing::Values(
        StripCase{"Intel16OneStrip", {.order = ByteOrder::Little}},
        StripCase{"Motorola16OneStrip", {.order = ByteOrder::Big}},
        // 30 rows in strips of 8: the last strip has 6.
        StripCase{"SeveralStripsShortLast", {.rowsPerStrip = 8}},
        StripCase{"SeveralStripsMotorolaShortCounts",
                  {.order = ByteOrder::Big, .rowsPerStrip = 7, .countType = TiffType::Short}},
        StripCase{"TablesPreloadedByTheReader", {.rowsPerStrip = 8, .home = ValueHome::Loaded}},
        StripCase{"EightBit", {.bits = 8, .rowsPerStrip = 8}},
        StripCase{"Packed12Bit", {.bits = 12, .rowsPerStrip = 8, .packed = true}},
        StripCase{"Packed12BitOddWidth", {.width = 41, .height = 30, .bits = 12, .packed = true}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadStrips, OneUncompressedStripShowsItsOffset) {
    auto r = load(stripFile(testSamples(40, 30, 16), {}));
    ASSERT_EQ(r->status, kOk);
    // The only strip follows the 8-byte header.
    EXPECT_EQ(r->image().dataOffset, 8u);
    auto several = load(stripFile(testSamples(40, 30, 16), {.rowsPerStrip = 8}));
    ASSERT_EQ(several->status, kOk);
    EXPECT_EQ(several->image().dataOffset, 0u);
}

TEST(LoadStrips, TheOffsetTablesAreReleasedAfterTheLoad) {
    auto file = stripFile(testSamples(40, 30, 16), {.rowsPerStrip = 8});
    RecordingReporter reporter;
    ASSERT_EQ(LoadImageData(file->context, reporter, HeldKeys{}), kOk);
    EXPECT_EQ(file->context.stripOffsetTable.size(), 4u);
    ReleaseOffsetTables(file->context);
    EXPECT_TRUE(file->context.stripOffsetTable.empty());
    EXPECT_TRUE(file->context.stripByteCountTable.empty());
}

struct BrokenCase {
    const char* name;
    StripLayout layout;
    int message;
    const char* text;
};

class BrokenStrips : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenStrips, FailWithTheirMessage) {
    const BrokenCase& c = GetParam();
    auto r = load(stripFile(testSamples(c.layout.width, c.layout.height, c.layout.bits), c.layout));
    EXPECT_EQ(r->status, kFailed);
    EXPECT_EQ(r->messages(), std::vector<int>{c.message});
    EXPECT_EQ(r->text(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, BrokenStrips,
    ::testing::Values(
        BrokenCase{"ByteCountOneShort", {.lastByteCountChange = -1}, 15, "strip count"},
        // 12-bit data neither 2 nor 1.5 bytes a sample.
        BrokenCase{"TwelveBitNeitherPackedNorWhole",
                   {.bits = 12, .lastByteCountChange = -2},
                   15,
                   "strip count"},
        BrokenCase{"OneByteCountTooFew",
                   {.rowsPerStrip = 8, .byteCountsDropped = 1},
                   8,
                   "invalid StripByteCounts"},
        BrokenCase{"OffsetsShorterThanByteCounts",
                   {.rowsPerStrip = 8, .offsetsDropped = 1},
                   15,
                   "strip count"},
        // The only strip starts 10 bytes late, so the file ends 10 bytes inside it.
        BrokenCase{"StripRunsPastTheEndOfTheFile",
                   {.lastOffsetChange = 10},
                   8,
                   "file shorter than expected"},
        BrokenCase{
            "UnknownCompression", {.compression = 5}, 24, "this kind of image data compression"},
        // Nikon data without the maker note's CompressionInfo.
        BrokenCase{
            "NikonWithoutCompressionInfo", {.compression = 34713}, 15, "compression info missing"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korvane::test

namespace korvane::test {
namespace {

// An uncompressed tiled image; edge tiles are padded with `padding`, which must never show.
std::unique_ptr<OpenedRawFile> tileFile(const std::vector<std::uint16_t>& samples,
                                        std::uint32_t width, std::uint32_t height,
                                        std::uint32_t tileWidth, std::uint32_t tileLength,
                                        ByteOrder order, std::uint32_t compression = 1,
                                        std::size_t offsetsDropped = 0) {
    RawFileBytes file(order);
    auto node = std::make_unique<IfdNode>();
    describeImage(*node, width, height, 16, compression);
    node->tileWidth = tileWidth;
    node->tileLength = tileLength;
    ImageEntries entries;
    for (const auto& tile : imageTiles(samples, width, height, tileWidth, tileLength, 0xFFFF)) {
        const auto bytes = encodeUncompressed(tile, 2, order);
        entries.offsets.push_back(file.append(bytes));
        entries.byteCounts.push_back(static_cast<std::uint32_t>(bytes.size()));
    }
    entries.offsets.resize(entries.offsets.size() - offsetsDropped);
    attachEntries(*node, file, entries, true);
    return std::make_unique<OpenedRawFile>(file, std::move(node));
}

TEST(LoadTiles, TilesCrossingTheRightAndBottomEdgesStoreOnlyTheImage) {
    // 50 x 37 in 16 x 16 tiles: the last column of tiles has 2 columns, the last row 5 rows.
    for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        const auto samples = testSamples(50, 37, 16);
        auto r = load(tileFile(samples, 50, 37, 16, 16, order));
        ASSERT_EQ(r->status, kOk) << r->text();
        EXPECT_EQ(r->image().samples, samples);
    }
}

TEST(LoadTiles, LayoutFaultsAreInconsistent) {
    const auto samples = testSamples(50, 37, 16);
    auto shortOffsets = load(tileFile(samples, 50, 37, 16, 16, ByteOrder::Little, 1, 1));
    EXPECT_EQ(shortOffsets->messages(), std::vector<int>{15});
    EXPECT_EQ(shortOffsets->text(), "tile count");

    auto wrongCount = tileFile(samples, 50, 37, 16, 16, ByteOrder::Little);
    wrongCount->image().tileLength = 15; // the stored tiles no longer have the byte count of one
    auto r = load(std::move(wrongCount));
    EXPECT_EQ(r->messages(), std::vector<int>{15});
    EXPECT_EQ(r->text(), "tile count");

    auto noWidth = tileFile(samples, 50, 37, 16, 16, ByteOrder::Little);
    noWidth->image().tileWidth = 0;
    EXPECT_EQ(load(std::move(noWidth))->messages(), std::vector<int>{15});
}

TEST(LoadTiles, CompressionsWithoutTiledDecoding) {
    const auto samples = testSamples(32, 32, 16);
    auto packed = load(tileFile(samples, 32, 32, 16, 16, ByteOrder::Little, 65537));
    EXPECT_EQ(packed->messages(), std::vector<int>{24});
    EXPECT_EQ(packed->text(), "PACK compression of tiles");
    auto other = load(tileFile(samples, 32, 32, 16, 16, ByteOrder::Little, 34713));
    EXPECT_EQ(other->text(), "this kind of image data compression");
}

TEST(Linearisation, AFourEntryTableMapsEveryLargerValueToItsLastEntry) {
    std::vector<std::uint16_t> samples = {0, 1, 2, 3, 4, 5, 1000, 65535};
    samples.resize(16, 2);
    for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        auto r = load(stripFile(
            samples,
            {.width = 4, .height = 4, .order = order, .linearisation = {100, 200, 400, 800}}));
        ASSERT_EQ(r->status, kOk) << r->text();
        std::vector<std::uint16_t> expected = {100, 200, 400, 800, 800, 800, 800, 800};
        expected.resize(16, 400);
        EXPECT_EQ(r->image().samples, expected);
    }
}

TEST(Linearisation, ATwoEntryTableHeldInTheEntryIsUsed) {
    const std::vector<std::uint16_t> samples(16, 1);
    auto r = load(stripFile(samples, {.width = 4, .height = 4, .linearisation = {7, 9}}));
    ASSERT_EQ(r->status, kOk);
    EXPECT_EQ(r->image().samples, std::vector<std::uint16_t>(16, 9));
}

TEST(Linearisation, ATableOf16384EntriesIsIgnored) {
    const auto samples = testSamples(8, 8, 14);
    std::vector<std::uint16_t> table(16384);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint16_t>(i * 3);
    auto r = load(stripFile(samples, {.width = 8, .height = 8, .linearisation = table}));
    ASSERT_EQ(r->status, kOk);
    EXPECT_EQ(r->image().samples, samples);
}

TEST(Linearisation, DitheringCyclesThroughTheGapAboveEachEntry) {
    // Value 1 maps to 10 and the next entry is 14: successive 1s give 11, 12, 13, 10, 11...
    // Value 0 (entry 0, next 10) starts its own cycle at 1; value 2 is the last entry and has
    // no gap; value 3 lies past the table and takes its last entry.
    const std::vector<std::uint16_t> samples = {1, 1, 1, 1, 1, 0, 3, 2, 1, 2, 2, 2, 2, 2, 2, 2};
    const HeldKeys dither{kCtrlKey, kShiftKey, 0x44};
    auto r =
        load(stripFile(samples, {.width = 4, .height = 4, .linearisation = {0, 10, 14}}), dither);
    ASSERT_EQ(r->status, kOk) << r->text();
    const std::vector<std::uint16_t> expected = {11, 12, 13, 10, 11, 1,  14, 14,
                                                 12, 14, 14, 14, 14, 14, 14, 14};
    EXPECT_EQ(r->image().samples, expected);

    auto plain = load(stripFile(samples, {.width = 4, .height = 4, .linearisation = {0, 10, 14}}));
    EXPECT_EQ(plain->image().samples[0], 10);
}

} // namespace
} // namespace korvane::test

namespace korvane::test {
namespace {

TEST(DecodingVariant8, ShiftsEverySampleDownByFourBits) {
    // Uncompressed and packed strips alike.
    for (const bool packed : {false, true}) {
        const auto samples = testSamples(20, 10, 12);
        auto file = stripFile(
            samples, {.width = 20, .height = 10, .bits = 12, .rowsPerStrip = 4, .packed = packed});
        file->image().decodingVariant = 8;
        auto r = load(std::move(file));
        ASSERT_EQ(r->status, kOk) << r->text();
        for (std::size_t i = 0; i < samples.size(); ++i)
            ASSERT_EQ(r->image().samples[i], samples[i] >> 4) << i;
    }
}

} // namespace
} // namespace korvane::test
