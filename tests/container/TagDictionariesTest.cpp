// The tag dictionaries: their rows as the reader relies on them, and the look-ups.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "container/TagDictionaries.hpp"

namespace korvane {
namespace {

using namespace tiff_type;

constexpr std::uint16_t bits(std::initializer_list<std::uint16_t> types) {
    std::uint16_t mask = 0;
    for (const std::uint16_t t : types)
        mask = static_cast<std::uint16_t>(mask | typeBit(t));
    return mask;
}

struct Dictionary {
    const char* name;
    const TagDictionary* rows;
    std::size_t size;
};

const Dictionary kDictionaries[] = {
    {"Main", &kMainDictionary, 263},
    {"Gps", &kGpsDictionary, 31},
    {"Canon", &kCanonDictionary, 14},
    {"Nikon", &kNikonDictionary, 18},
    {"OlympusV1", &kOlympusDictionaryV1, 13},
    {"OlympusV2", &kOlympusDictionaryV2, 13},
    {"OlympusEquipment", &kOlympusEquipmentDictionary, 2},
    {"OlympusCameraSettings", &kOlympusCameraSettingsDictionary, 1},
    {"OlympusRawDevelopment", &kOlympusRawDevelopmentDictionary, 1},
    {"OlympusImageProcessing", &kOlympusImageProcessingDictionary, 3},
    {"OlympusFocusInfo", &kOlympusFocusInfoDictionary, 1},
    {"Pentax", &kPentaxDictionary, 1},
    {"Sony", &kSonyDictionary, 1},
    {"Kodak", &kKodakDictionary, 2},
};

class EveryDictionary : public testing::TestWithParam<Dictionary> {};

TEST_P(EveryDictionary, HasItsRowsSortedAndFindsEachOfThemAndNothingBetween) {
    const TagDictionary rows = *GetParam().rows;
    ASSERT_EQ(rows.size(), GetParam().size);
    std::set<std::string_view> names;
    for (const TagDefinition& row : rows) {
        EXPECT_EQ(FindTag(row.tag, rows), &row) << row.name;
        EXPECT_EQ(tagName(row.tag, rows), row.name);
        EXPECT_FALSE(row.name.empty());
        EXPECT_TRUE(names.insert(row.name).second) << "name twice: " << row.name;
        EXPECT_NE(row.typeMask, 0) << row.name;
        EXPECT_TRUE(row.maxCount == 0 || row.maxCount >= row.minCount) << row.name;
    }
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_LT(rows[i - 1].tag, rows[i].tag);
        for (std::uint32_t gap = rows[i - 1].tag + 1u;
             gap < rows[i].tag && gap < rows[i - 1].tag + 3u; ++gap)
            EXPECT_EQ(FindTag(static_cast<std::uint16_t>(gap), rows), nullptr) << gap;
    }
    if (rows.front().tag > 0) {
        EXPECT_EQ(FindTag(static_cast<std::uint16_t>(rows.front().tag - 1), rows), nullptr);
    }
    EXPECT_EQ(FindTag(65535, rows), nullptr);
    EXPECT_TRUE(tagName(65535, rows).empty());
}

INSTANTIATE_TEST_SUITE_P(Dictionaries, EveryDictionary, testing::ValuesIn(kDictionaries),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FindTag, EmptyDictionaryFindsNothing) {
    EXPECT_EQ(FindTag(254, TagDictionary{}), nullptr);
}

// The main dictionary's rows that the reader interprets, with their limits and types.
struct TellingRow {
    std::uint16_t tag;
    const char* name;
    std::int16_t tagClass;
    std::uint16_t minCount, maxCount;
    std::uint16_t types;
};

constexpr std::uint16_t kAny = 0xFFF8;

const TellingRow kTellingRows[] = {
    {254, "NewSubfileType", 1, 1, 1, bits({kLong})},
    {255, "SubfileType", 1, 0, 0, kAny},
    {256, "ImageWidth", 4, 1, 1, bits({kShort, kLong})},
    {257, "ImageLength", 4, 1, 1, bits({kShort, kLong})},
    {258, "BitsPerSample", 4, 1, 0, bits({kShort})},
    {259, "Compression", 6, 1, 1, bits({kShort})},
    {262, "PhotometricInterpretation", 6, 1, 1, bits({kShort})},
    {271, "Make", 8, 0, 0, kAny},
    {273, "StripOffsets", -3, 1, 0, bits({kShort, kLong})},
    {274, "Orientation", 6, 1, 1, bits({kShort})},
    {277, "SamplesPerPixel", 4, 1, 1, bits({kShort})},
    {278, "RowsPerStrip", 3, 1, 1, bits({kShort, kLong})},
    {279, "StripByteCounts", -3, 1, 0, bits({kShort, kLong})},
    {322, "TileWidth", 3, 1, 1, bits({kShort, kLong})},
    {323, "TileLength", 3, 1, 1, bits({kShort, kLong})},
    {324, "TileOffsets", -3, 1, 0, bits({kLong})},
    {325, "TileByteCounts", -3, 1, 0, bits({kShort, kLong})},
    {330, "SubIFDs", 2, 0, 0, bits({kLong, kIfd})},
    {400, "GlobalParametersIFD", 2, 1, 1, bits({kLong, kIfd})},
    {28688, "TF_ARW_PixelValueRange_1", 401, 4, 4, bits({kShort})},
    {28689, "TF_ARW_PixelValueRange_2", 401, 0, 0, kAny},
    {33421, "CFARepeatPatternDim", 7, 2, 2, bits({kShort})},
    {33422, "CFAPattern", 7, 0, 0, bits({kByte, kUndefined})},
    {33424, "Kodak_MakerNote", 501, 1, 1, bits({kLong})},
    {33723, "IPTC", 0, 0, 0, kAny},
    {34665, "ExifIFD", 2, 1, 1, bits({kLong, kIfd})},
    {34853, "GPSInfo", 2, 1, 1, bits({kLong, kIfd})},
    {34855, "ISOSpeedRatings", 8, 0, 0, kAny},
    {37397, "ExposureIndex", 8, 0, 0, kAny},
    {37500, "MakerNote", -11, 0, 0, bits({kUndefined})},
    {40962, "PixelXDimension", 4, 0, 0, kAny},
    {41730, "CFAPatternExif", 7, 0, 0, bits({kUndefined})},
    {41987, "WhiteBalance", 100, 0, 0, kAny},
    {50706, "DNGVersion", 5, 4, 4, bits({kByte})},
    {50712, "LinearizationTable", -14, 0, 0, bits({kShort})},
    {50713, "BlackLevelRepeatDim", 9, 2, 2, bits({kShort})},
    {50714, "BlackLevel", 9, 0, 0, bits({kShort, kLong, kRational})},
    {50715, "BlackLevelDeltaH", -10, 0, 0, bits({kSRational})},
    {50716, "BlackLevelDeltaV", -10, 0, 0, bits({kSRational})},
    {50717, "WhiteLevel", 9, 0, 0, bits({kShort, kLong, kSLong})},
    {50728, "AsShotNeutral", 100, 0, 0, bits({kShort, kRational})},
    {50730, "BaselineExposure", 13, 1, 1, bits({kSRational})},
    {50740, "DNGPrivateData", -11, 0, 0, bits({kByte})},
    {50829, "ActiveArea", 4, 4, 4, bits({kShort, kLong})},
    {50830, "MaskedAreas", 12, 0, 0, bits({kShort, kLong})},
    {50972, "RawImageDigest", 5, 0, 0, kAny},
    {51041, "NoiseProfile", 0, 0, 0, kAny},
};

class MainDictionaryRow : public testing::TestWithParam<TellingRow> {};

TEST_P(MainDictionaryRow, HasItsNameClassCountsAndTypes) {
    const TellingRow& want = GetParam();
    const TagDefinition* row = FindTag(want.tag, kMainDictionary);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->name, want.name);
    EXPECT_EQ(row->tagClass, want.tagClass);
    EXPECT_EQ(row->minCount, want.minCount);
    EXPECT_EQ(row->maxCount, want.maxCount);
    EXPECT_EQ(row->typeMask, want.types);
}

INSTANTIATE_TEST_SUITE_P(TellingRows, MainDictionaryRow, testing::ValuesIn(kTellingRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MainDictionary, RowsOutsideTheClassTableAreOnlyKept) {
    // Tags with a class: the telling rows and the classes that take any count or type.
    const std::set<std::uint16_t> classed = {
        254,   255,   256,   257,   258,   259,   262,   271,   272,   273,   274,   277,
        278,   279,   306,   322,   323,   324,   325,   330,   400,   28688, 28689, 33421,
        33422, 33424, 33434, 33437, 34665, 34853, 34855, 36867, 37386, 37397, 37500, 40962,
        40963, 41730, 41987, 50706, 50708, 50710, 50711, 50712, 50713, 50714, 50715, 50716,
        50717, 50728, 50730, 50735, 50736, 50740, 50829, 50830, 50972};
    for (const TagDefinition& row : kMainDictionary) {
        if (classed.count(row.tag) != 0) {
            EXPECT_NE(row.tagClass, 0) << row.name;
            continue;
        }
        EXPECT_EQ(row.tagClass, 0) << row.name;
        EXPECT_EQ(row.minCount, 0) << row.name;
        EXPECT_EQ(row.maxCount, 0) << row.name;
        EXPECT_EQ(row.typeMask, kAny) << row.name;
    }
}

TEST(TagName, DependsOnTheDictionary) {
    EXPECT_EQ(tagName(1, kGpsDictionary), "GPSLatitudeRef");
    EXPECT_EQ(tagName(1, kCanonDictionary), "CameraSettings");
    EXPECT_EQ(tagName(1, kNikonDictionary), "FirmwareVersion");
    EXPECT_TRUE(tagName(1, kMainDictionary).empty());
    EXPECT_EQ(tagName(4114, kOlympusDictionaryV1), "BlackLevel");
    EXPECT_EQ(tagName(4114, kOlympusDictionaryV2), "BlackLevel1");
    EXPECT_EQ(tagName(1536, kOlympusImageProcessingDictionary), "BlackLevel2");
    EXPECT_EQ(tagName(257, kOlympusEquipmentDictionary), "SerialNumber3");
    EXPECT_EQ(tagName(512, kPentaxDictionary), "BlackLevel");
    EXPECT_EQ(tagName(8201, kSonyDictionary), "NoiseReduction");
    EXPECT_EQ(tagName(2317, kKodakDictionary), "LinearizationTable");
    EXPECT_EQ(tagName(16385, kCanonDictionary), "ColorBalance");
    EXPECT_EQ(tagName(177, kNikonDictionary), "HighISONoiseReduction");
}

// The two Olympus forms point at their sub-IFDs differently.
TEST(OlympusDictionaries, SubIfdRowsAreEmbeddedDataInTheFirstFormAndLinksInTheSecond) {
    for (std::uint16_t tag = 8208; tag <= 8272; tag += 16) {
        const TagDefinition* v1 = FindTag(tag, kOlympusDictionaryV1);
        const TagDefinition* v2 = FindTag(tag, kOlympusDictionaryV2);
        ASSERT_NE(v1, nullptr);
        ASSERT_NE(v2, nullptr);
        EXPECT_EQ(v1->tagClass, tag_class::kOlympusSubIfd);
        EXPECT_EQ(v2->tagClass, tag_class::kOlympusSubIfd);
        EXPECT_EQ(v1->typeMask, bits({kUndefined}));
        EXPECT_EQ(v1->minCount, 1);
        EXPECT_EQ(v1->maxCount, 0);
        EXPECT_EQ(v2->typeMask, bits({kIfd}));
        EXPECT_EQ(v2->minCount, 1);
        EXPECT_EQ(v2->maxCount, 1);
    }
    EXPECT_EQ(FindTag(4122, kOlympusDictionaryV1)->tagClass, tag_class::kOlympusSerialNumber);
    EXPECT_EQ(FindTag(4122, kOlympusDictionaryV2)->tagClass, tag_class::kKept);
}

} // namespace
} // namespace korvane
