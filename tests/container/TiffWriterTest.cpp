// The test TIFF writer, read back by exiftool: every other test that builds a file relies on
// the writer putting each entry, value and directory where TIFF says it goes.
#include "tests/support/TiffWriter.hpp"

#include <gtest/gtest.h>

#include "tests/support/ExifTool.hpp"
#include "tests/support/TempFile.hpp"
#include "tests/support/TiffTags.hpp"

namespace korvane::test {
namespace {

#define REQUIRE_EXIFTOOL()                                                                         \
    if (!exiftoolAvailable()) GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed"

const ExifToolEntry* findEntry(const std::vector<ExifToolEntry>& entries,
                               const std::string& directory, std::uint16_t tag) {
    for (const auto& e : entries)
        if (e.directory == directory && e.tag == tag) return &e;
    return nullptr;
}

// What exiftool complained about, if anything.
std::string warningOf(const std::map<std::string, std::string>& tags) {
    const auto it = tags.find("ExifTool:Warning");
    return it == tags.end() ? "" : it->second;
}

std::vector<std::uint8_t> readBack(const std::vector<std::uint8_t>& file, std::uint32_t at,
                                   std::size_t count) {
    return {file.begin() + at, file.begin() + at + count};
}

// One entry of each type, with its expected exiftool format and stored bytes (little-endian
// order; big-endian files hold each component reversed).
struct TypedCase {
    std::uint16_t tag;
    const char* format;
    std::uint32_t count;
    std::vector<std::uint8_t> littleEndianBytes;
    std::uint32_t componentSize;
};

// Private tags 0xC000 upwards, which exiftool lists by number.
const std::vector<TypedCase> kTypedCases = {
    {0xC000, "int8u", 3, {1, 2, 250}, 1},
    {0xC001, "int8u", 6, {1, 2, 3, 4, 5, 6}, 1},
    {0xC002, "string", 4, {'a', 'b', 'c', 0}, 1},
    {0xC003, "string", 8, {'K', 'o', 'r', 'v', 'a', 'n', 'e', 0}, 1},
    {0xC004, "int16u", 2, {0x34, 0x12, 0xFF, 0xFF}, 2},
    {0xC005, "int16u", 3, {1, 0, 2, 0, 3, 0}, 2},
    {0xC006, "int32u", 1, {0x78, 0x56, 0x34, 0x12}, 4},
    {0xC007, "int32u", 2, {1, 0, 0, 0, 0, 0, 0, 0x80}, 4},
    {0xC008, "rational64u", 1, {1, 0, 0, 0, 3, 0, 0, 0}, 4},
    {0xC009, "int8s", 2, {0xFE, 0x7F}, 1},
    {0xC00A, "undef", 5, {9, 8, 7, 6, 5}, 1},
    {0xC00B, "int16s", 2, {0xFE, 0xFF, 0x2C, 0x01}, 2},
    {0xC00C, "int32s", 1, {0xFF, 0xFF, 0xFF, 0xFF}, 4},
    {0xC00D, "int32s", 2, {0xFE, 0xFF, 0xFF, 0xFF, 5, 0, 0, 0}, 4},
    {0xC00E, "rational64s", 1, {0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0}, 4},
    {0xC00F, "float", 1, {0, 0, 0x80, 0x3E}, 4},
    {0xC010, "float", 2, {0, 0, 0xC0, 0x3F, 0, 0, 0x20, 0xC1}, 4},
    {0xC011, "double", 1, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}, 8},
};

// The same values through the typed adders, added out of tag order.
Ifd typedDirectory() {
    Ifd ifd;
    ifd.addDoubles(0xC011, {1.5})
        .addFloats(0xC010, {1.5f, -10.0f})
        .addFloats(0xC00F, {0.25f})
        .addSRationals(0xC00E, {{-1, 3}})
        .addSLongs(0xC00D, {-2, 5})
        .addSLongs(0xC00C, {-1})
        .addSShorts(0xC00B, {-2, 300})
        .addUndefined(0xC00A, {9, 8, 7, 6, 5})
        .addSBytes(0xC009, {-2, 127})
        .addRational(0xC008, 1, 3)
        .addLongs(0xC007, {1, 0x80000000u})
        .addLong(0xC006, 0x12345678)
        .addShorts(0xC005, {1, 2, 3})
        .addShorts(0xC004, {0x1234, 0xFFFF})
        .addAscii(0xC003, "Korvane")
        .addAscii(0xC002, "abc")
        .addBytes(0xC001, {1, 2, 3, 4, 5, 6})
        .addBytes(0xC000, {1, 2, 250});
    return ifd;
}

std::vector<std::uint8_t> inOrder(const TypedCase& c, ByteOrder order) {
    std::vector<std::uint8_t> bytes = c.littleEndianBytes;
    if (order == ByteOrder::Big)
        for (std::size_t i = 0; i < bytes.size(); i += c.componentSize)
            std::reverse(bytes.begin() + i, bytes.begin() + i + c.componentSize);
    return bytes;
}

class TiffWriterByteOrder : public testing::TestWithParam<ByteOrder> {};

TEST_P(TiffWriterByteOrder, WritesEveryTypeInlineOrAtAnOffset) {
    REQUIRE_EXIFTOOL();
    const ByteOrder order = GetParam();
    TiffWriter writer(order);
    writer.addIfd(typedDirectory());
    const std::vector<std::uint8_t> file = writer.write();
    TempFile temp(file, "types.tif");

    const std::map<std::string, std::string> tags = exiftoolTags(temp.path());
    EXPECT_EQ(tags.at("File:ExifByteOrder"), order == ByteOrder::Little ? "II" : "MM");
    EXPECT_EQ(warningOf(tags), "");

    const auto entries = exiftoolEntries(temp.path());
    const std::size_t n = kTypedCases.size();
    // IFD0 follows the header; its table holds n entries of 12 bytes after the count.
    const std::uint32_t table = 8 + 2;
    const std::uint32_t tableEnd = table + 12 * static_cast<std::uint32_t>(n) + 4;
    std::uint16_t previousTag = 0;
    for (const TypedCase& c : kTypedCases) {
        SCOPED_TRACE(testing::Message() << "tag 0x" << std::hex << c.tag);
        const ExifToolEntry* e = findEntry(entries, "IFD0", c.tag);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->format, c.format);
        EXPECT_EQ(e->count, c.count);
        EXPECT_EQ(e->valueBytes, inOrder(c, order));
        if (c.littleEndianBytes.size() <= 4) {
            EXPECT_GE(e->valueOffset, table + 8); // inline, in the value field of its entry
            EXPECT_LT(e->valueOffset, tableEnd);
            EXPECT_EQ((e->valueOffset - table - 8) % 12, 0u);
        } else {
            EXPECT_GE(e->valueOffset, tableEnd);
            EXPECT_EQ(e->valueOffset % 2, 0u) << "values start on a word boundary";
        }
        EXPECT_GT(c.tag, previousTag) << "entries are sorted by tag";
        previousTag = c.tag;
    }
    // Entries appear in the file in ascending tag order although they were added descending.
    std::vector<std::uint16_t> written;
    for (const auto& e : entries)
        if (e.directory == "IFD0") written.push_back(e.tag);
    EXPECT_TRUE(std::is_sorted(written.begin(), written.end()));
    EXPECT_EQ(written.size(), n);

    EXPECT_EQ(tags.at("IFD0:Exif_0xc003"), "Korvane");
    EXPECT_EQ(tags.at("IFD0:Exif_0xc00b"), "-2 300");
    EXPECT_EQ(tags.at("IFD0:Exif_0xc011"), "1.5");
    EXPECT_EQ(tags.at("IFD0:Exif_0xc010"), "1.5 -10");
}

TEST_P(TiffWriterByteOrder, LinksSubDirectoriesAndTheChain) {
    REQUIRE_EXIFTOOL();
    Ifd exif;
    exif.addShort(tag::kIsoSpeedRatings, 400);
    Ifd sub0;
    sub0.addLong(tag::kImageWidth, 10)
        .addSubIfds(tag::kExifIfd, {Ifd().addShort(tag::kIsoSpeedRatings, 50)});
    Ifd sub1;
    sub1.addLong(tag::kImageWidth, 11);
    Ifd ifd0;
    ifd0.addLong(tag::kImageWidth, 1)
        .addSubIfds(tag::kSubIfds, {sub0, sub1})
        .addSubIfds(tag::kExifIfd, {exif});
    TiffWriter writer(GetParam());
    writer.addIfd(ifd0);
    writer.addIfd(Ifd().addLong(tag::kImageWidth, 2));
    writer.addIfd(Ifd().addLong(tag::kImageWidth, 3));
    TempFile temp(writer.write(), "chain.tif");

    const auto tags = exiftoolTags(temp.path());
    EXPECT_EQ(tags.at("IFD0:ImageWidth"), "1");
    EXPECT_EQ(tags.at("IFD1:ImageWidth"), "2");
    EXPECT_EQ(tags.at("IFD2:ImageWidth"), "3");
    EXPECT_EQ(tags.at("SubIFD:ImageWidth"), "10");
    EXPECT_EQ(tags.at("SubIFD1:ImageWidth"), "11");
    EXPECT_EQ(tags.at("ExifIFD:ISO"), "400");
    EXPECT_EQ(tags.count("IFD3:ImageWidth"), 0u) << "the last next pointer is 0";
    EXPECT_EQ(warningOf(tags), "");
    // A directory nested two levels down (the Exif IFD of a sub-IFD) is there too.
    const auto entries = exiftoolEntries(temp.path());
    int isoEntries = 0;
    for (const auto& e : entries)
        isoEntries += e.tag == tag::kIsoSpeedRatings;
    EXPECT_EQ(isoEntries, 2);
}

TEST_P(TiffWriterByteOrder, PointsAtDataBlocks) {
    REQUIRE_EXIFTOOL();
    for (bool blocksFirst : {false, true}) {
        SCOPED_TRACE(blocksFirst ? "blocks first" : "blocks last");
        TiffWriter writer(GetParam());
        writer.placeBlocksFirst(blocksFirst);
        const BlockId a = writer.addBlock({1, 2, 3}, 1);
        const BlockId b = writer.addBlock(countingBytes(1000), 16);
        const BlockId c = writer.addBlock({7}, 4);
        Ifd ifd;
        ifd.addBlockOffsets(tag::kStripOffsets, {a, b, c})
            .addLongs(tag::kStripByteCounts,
                      {writer.blockSize(a), writer.blockSize(b), writer.blockSize(c)})
            .addBlockOffsets(0xC100, {b}, TiffType::Short);
        writer.addIfd(ifd);
        const std::vector<std::uint8_t> file = writer.write();
        TempFile temp(file, "blocks.tif");

        EXPECT_EQ(readBack(file, writer.blockOffset(a), 3), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_EQ(readBack(file, writer.blockOffset(b), 1000), countingBytes(1000));
        EXPECT_EQ(readBack(file, writer.blockOffset(c), 1), std::vector<std::uint8_t>{7});
        EXPECT_EQ(writer.blockOffset(b) % 16, 0u);
        EXPECT_EQ(writer.blockOffset(c) % 4, 0u);
        const auto entries = exiftoolEntries(temp.path());
        const ExifToolEntry* offsets = findEntry(entries, "IFD0", tag::kStripOffsets);
        ASSERT_NE(offsets, nullptr);
        EXPECT_EQ(offsets->value, std::to_string(writer.blockOffset(a)) + " " +
                                      std::to_string(writer.blockOffset(b)) + " " +
                                      std::to_string(writer.blockOffset(c)));
        const ExifToolEntry* shortOffset = findEntry(entries, "IFD0", 0xC100);
        ASSERT_NE(shortOffset, nullptr);
        EXPECT_EQ(shortOffset->format, "int16u");
        EXPECT_EQ(shortOffset->value, std::to_string(writer.blockOffset(b)));
        if (blocksFirst) {
            EXPECT_EQ(writer.blockOffset(a), 8u);
            EXPECT_LT(writer.blockOffset(c), offsets->valueOffset);
        } else {
            EXPECT_GT(writer.blockOffset(a), offsets->valueOffset);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, TiffWriterByteOrder,
                         testing::Values(ByteOrder::Little, ByteOrder::Big), [](const auto& info) {
                             return info.param == ByteOrder::Little ? "Little" : "Big";
                         });

TEST(TiffWriter, WritesRawEntriesAndTheOrderAsked) {
    REQUIRE_EXIFTOOL();
    Ifd ifd;
    ifd.keepEntryOrder()
        .addLong(tag::kImageLength, 20)
        .addLong(tag::kImageWidth, 30)
        // A Short entry whose count says 2, stored verbatim: 0x0201 and 0x0403.
        .addRaw(0xC200, 3, 2, {1, 2, 3, 4})
        // The same with an out-of-line value.
        .addRaw(0xC201, 3, 3, {1, 0, 2, 0, 3, 0});
    TiffWriter writer;
    writer.addIfd(ifd);
    TempFile temp(writer.write(), "raw.tif");
    const auto entries = exiftoolEntries(temp.path());
    ASSERT_NE(findEntry(entries, "IFD0", 0xC200), nullptr);
    ASSERT_NE(findEntry(entries, "IFD0", 0xC201), nullptr);
    std::vector<std::uint16_t> written;
    for (const auto& e : entries)
        if (e.directory == "IFD0") written.push_back(e.tag);
    EXPECT_EQ(written,
              (std::vector<std::uint16_t>{tag::kImageLength, tag::kImageWidth, 0xC200, 0xC201}));
    EXPECT_EQ(findEntry(entries, "IFD0", 0xC200)->value, "513 1027");
    EXPECT_EQ(findEntry(entries, "IFD0", 0xC201)->value, "1 2 3");
}

TEST(TiffWriter, HeaderNamesByteOrderMagicAndFirstDirectory) {
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        TiffWriter writer(order);
        writer.setMagic(0x4F52);
        writer.placeBlocksFirst(true);
        writer.addBlock(countingBytes(11));
        writer.addIfd(Ifd().addLong(tag::kImageWidth, 1));
        const auto file = writer.write();
        ASSERT_GE(file.size(), 8u);
        // The block takes bytes 8 to 18, so IFD0 starts at the next word: 20.
        if (order == ByteOrder::Little)
            EXPECT_EQ(readBack(file, 0, 8),
                      (std::vector<std::uint8_t>{'I', 'I', 0x52, 0x4F, 20, 0, 0, 0}));
        else
            EXPECT_EQ(readBack(file, 0, 8),
                      (std::vector<std::uint8_t>{'M', 'M', 0x4F, 0x52, 0, 0, 0, 20}));
    }
    EXPECT_EQ(TiffWriter().write().size(), 8u) << "no directory: the header alone";
}

TEST(TiffWriter, RefusesBlockOffsetsThatDoNotFitAShort) {
    TiffWriter writer;
    writer.addBlock(std::vector<std::uint8_t>(70000));
    const BlockId late = writer.addBlock({1});
    writer.addIfd(Ifd().addBlockOffsets(tag::kStripOffsets, {late}, TiffType::Short));
    EXPECT_THROW(writer.write(), std::length_error);
}

} // namespace
} // namespace korvane::test
