// Maker note directories: what the Canon, Nikon, Olympus, Pentax and Kodak classes give the
// context, the main image and the maker note node.
#include "common/EntryValues.hpp"
#include "tests/container/ReadIfdTestSupport.hpp"

namespace korvane::test {
namespace {

using namespace tag_number;
constexpr ByteOrder kII = ByteOrder::Little;

std::vector<std::uint8_t> write(std::vector<Ifd> ifds, ByteOrder order = kII) {
    TiffWriter writer(order);
    for (Ifd& ifd : ifds)
        writer.addIfd(std::move(ifd));
    writer.addBlock(std::vector<std::uint8_t>(64, 0));
    return writer.write();
}

std::vector<std::uint8_t> le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

// A file whose only directory is a maker note, read as one.
struct MakerNoteRun {
    MakerNoteRun(Ifd ifd, TagDictionary dictionary, ByteOrder order = kII)
        : file(write({std::move(ifd)}, order)), run(file) {
        offset = firstIfdOffset(file, order);
        status = run.readMakerNote(offset, 0, dictionary, readerOrder(order));
    }
    const IfdNode& node() { return *run.makerNote(); }
    RawFileContext& ctx() { return run.context(); }
    std::vector<std::uint8_t> file;
    ReaderRun run;
    std::uint32_t offset = 0;
    Status status = kFailed;
};

// --- Canon ----------------------------------------------------------------------------------

struct BalanceCase {
    std::uint32_t modelId;
    std::size_t firstValue; // index of the first of the four 16-bit values
    bool taken;
};

class CanonColorBalance : public testing::TestWithParam<std::tuple<BalanceCase, ByteOrder>> {};

TEST_P(CanonColorBalance, TakesFourValuesWhereTheModelHasThem) {
    const auto& [c, order] = GetParam();
    std::vector<std::uint16_t> data(100, 7);
    const std::uint16_t levels[4] = {2048, 1024, 1024, 1536};
    for (std::size_t i = 0; i < 4; ++i)
        data[c.firstValue + i] = levels[i];
    Ifd ifd;
    ifd.addLong(16, c.modelId).addShorts(16385, data);
    MakerNoteRun m(ifd, kCanonDictionary, order);
    ASSERT_EQ(m.status, kOk);
    EXPECT_EQ(m.ctx().modelId, c.modelId);
    const std::array<float, 4> want =
        c.taken ? std::array<float, 4>{2.0f, 1.0f, 1.0f, 1.5f} : std::array<float, 4>{};
    EXPECT_EQ(m.ctx().wbCoefficients, want);
}

INSTANTIATE_TEST_SUITE_P(Models, CanonColorBalance,
                         testing::Combine(testing::Values(BalanceCase{0x80000169, 63, true},
                                                          BalanceCase{0x80000261, 63, true},
                                                          BalanceCase{0x80000174, 24, true},
                                                          BalanceCase{0x80000189, 25, true},
                                                          BalanceCase{0x80000170, 63, false}),
                                          testing::Values(ByteOrder::Little, ByteOrder::Big)));

TEST(CanonMakerNote, CameraSettingsFlagNeedsMoreThan46Values) {
    for (const std::size_t count : {46u, 47u}) {
        std::vector<std::uint16_t> settings(count, 0);
        settings.back() = 1; // value 46 when there are 47
        Ifd ifd;
        ifd.addShorts(1, settings);
        MakerNoteRun m(ifd, kCanonDictionary);
        EXPECT_EQ(m.ctx().makerFlags & 0x02, count == 47 ? 0x02 : 0) << count;
    }
}

std::vector<std::uint32_t> customFunctions(std::uint32_t setting) {
    // version, 1 group: id 1, size, 2 records: (0x101, 2 values), (0x203, 1 value)
    return {0, 1, 1, 32, 2, 0x101, 2, 9, 9, 0x203, 1, setting};
}

TEST(CanonMakerNote, CustomFunctionRecord515SetsItsFlag) {
    for (const std::uint32_t setting : {0u, 1u}) {
        Ifd ifd;
        ifd.addLongs(153, customFunctions(setting));
        MakerNoteRun m(ifd, kCanonDictionary);
        EXPECT_EQ(m.ctx().makerFlags & 0x01, setting) << setting;
    }
    // The same data as bytes in the file's order.
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t v : customFunctions(1))
        for (const std::uint8_t b : le32(v))
            bytes.push_back(b);
    Ifd asBytes;
    asBytes.addUndefined(153, bytes);
    EXPECT_EQ(MakerNoteRun(asBytes, kCanonDictionary).ctx().makerFlags & 0x01, 1);
}

TEST(CanonMakerNote, CustomFunctionsWithCountsPastTheirDataEndQuietly) {
    std::vector<std::uint32_t> data = customFunctions(1);
    data[1] = 0xFFFFFFFF; // groups
    data[4] = 0xFFFFFFFF; // records of the group
    data[6] = 0x40000000; // values of the first record: the walk jumps past the data
    Ifd ifd;
    ifd.addLongs(153, data);
    MakerNoteRun m(ifd, kCanonDictionary);
    EXPECT_EQ(m.status, kOk);
    EXPECT_EQ(m.ctx().makerFlags, 0);
}

TEST(CanonMakerNote, SerialNumberFileInfoAndCameraInfo) {
    std::vector<std::uint16_t> fileInfo(18, 0);
    fileInfo[17] = 3;
    Ifd ifd;
    ifd.addLong(12, 123456789)
        .addShorts(147, fileInfo)
        .addUndefined(13, std::vector<std::uint8_t>(21, 5));
    MakerNoteRun m(ifd, kCanonDictionary);
    EXPECT_EQ(m.ctx().serial, "123456789");
    EXPECT_EQ(m.ctx().noiseReduction, 3u);
    EXPECT_EQ(m.ctx().canonCameraInfo, m.node().findEntry(13));
}

// --- Nikon ----------------------------------------------------------------------------------

TEST(NikonMakerNote, IsoIsTheSecondValue) {
    Ifd ifd;
    ifd.addShorts(kNikonIso, {0, 200}).addBytes(kNikonIsoFine, {48, 0, 0, 0});
    MakerNoteRun m(ifd, kNikonDictionary);
    EXPECT_EQ(m.ctx().iso1, 200u);
    EXPECT_EQ(m.ctx().iso2, 200u);
    EXPECT_EQ(m.ctx().isoEntry, m.node().findEntry(kNikonIso));
}

struct IsoFineCase {
    std::uint8_t b;
    std::uint32_t iso1, iso2;
};

class NikonIsoFine : public testing::TestWithParam<IsoFineCase> {};

TEST_P(NikonIsoFine, GivesTheIsoWhenNoneIsKnown) {
    Ifd ifd;
    ifd.addBytes(kNikonIsoFine, {GetParam().b, 0, 0, 0});
    MakerNoteRun m(ifd, kNikonDictionary);
    EXPECT_EQ(m.ctx().iso1, GetParam().iso1);
    EXPECT_EQ(m.ctx().iso2, GetParam().iso2);
}

INSTANTIATE_TEST_SUITE_P(Bytes, NikonIsoFine,
                         testing::Values(IsoFineCase{36, 25, 25}, IsoFineCase{48, 50, 50},
                                         IsoFineCase{60, 100, 200}, IsoFineCase{66, 140, 200},
                                         IsoFineCase{71, 180, 200}, IsoFineCase{72, 200, 200},
                                         IsoFineCase{84, 400, 400},
                                         IsoFineCase{180, 102400, 102400}, IsoFineCase{35, 0, 0},
                                         IsoFineCase{181, 0, 0}));

TEST(NikonMakerNote, WhiteBalanceCoefficientsAreReorderedAndNeedEveryPart) {
    Ifd ifd;
    ifd.addRationals(12, {{2, 1}, {1, 1}, {3, 2}, {5, 4}});
    EXPECT_EQ(MakerNoteRun(ifd, kNikonDictionary).ctx().wbCoefficients,
              (std::array<float, 4>{2.0f, 1.5f, 1.25f, 1.0f}));
    Ifd zero;
    zero.addRationals(12, {{2, 1}, {1, 1}, {0, 2}, {5, 4}});
    EXPECT_EQ(MakerNoteRun(zero, kNikonDictionary).ctx().wbCoefficients, (std::array<float, 4>{}));
}

TEST(NikonMakerNote, NoiseReductionTexts) {
    Ifd on;
    on.addAscii(kNikonLongExposureNoiseReduction, "FINE").addShort(kNikonHighIsoNoiseReduction, 4);
    MakerNoteRun m(on, kNikonDictionary);
    EXPECT_EQ(m.ctx().makerFlags & 0x04, 0x04);
    EXPECT_EQ(m.ctx().noiseReduction, 4u);
    Ifd off;
    off.addAscii(kNikonLongExposureNoiseReduction, "OFF ");
    EXPECT_EQ(MakerNoteRun(off, kNikonDictionary).ctx().makerFlags, 0);
}

// The main image comes from the file's directories; the maker note, read afterwards, tells
// its Nikon compression.
class NikonCompression : public testing::TestWithParam<std::tuple<std::uint16_t, std::uint32_t>> {};

TEST_P(NikonCompression, SetsTheMainImagesCompression) {
    const auto [value, byteCount] = GetParam();
    Ifd raw;
    raw.addLong(kNewSubfileType, 0)
        .addShort(kCompression, 34713)
        .addLong(kStripByteCounts, byteCount);
    Ifd note;
    note.addShort(147, value).addUndefined(150, std::vector<std::uint8_t>(17, 1));
    const std::vector<std::uint8_t> file = write({raw, note});
    ReaderRun run(file);
    ASSERT_EQ(run.readFirst(), kOk);
    IfdNode* image = run.context().mainImage;
    ASSERT_EQ(image, run.root());
    const std::uint32_t noteAt =
        get32(file, nextPointerAt(file, firstIfdOffset(file, kII), kII), kII);
    ASSERT_EQ(run.readMakerNote(noteAt, 0, kNikonDictionary, kLittleEndianOrder), kOk);

    EXPECT_EQ(image->makerCompression, value);
    const bool packed = value == 2 && byteCount == 9844736;
    EXPECT_EQ(image->compression, packed ? 65537u : 34713u);
    EXPECT_EQ(image->makerCompressionMode, packed ? 5 : 0);
    EXPECT_EQ(image->compressionInfo, run.makerNote()->findEntry(150));
}

INSTANTIATE_TEST_SUITE_P(Values, NikonCompression,
                         testing::Combine(testing::Values<std::uint16_t>(1, 2),
                                          testing::Values<std::uint32_t>(9844736, 9844737)));

// --- Olympus, Pentax, Kodak -----------------------------------------------------------------

TEST(OlympusMakerNote, SecondFormSubIfdOffsetsCountFromTheMakerNote) {
    Ifd note;
    note.addRaw(8208, tiff_type::kIfd, 1, le32(0x40)).addRaw(8256, tiff_type::kIfd, 1, le32(0x60));
    MakerNoteRun m(note, kOlympusDictionaryV2);
    ASSERT_EQ(m.status, kOk);
    EXPECT_EQ(m.node().olympusSubIfdOffsets[0], 0x40 + m.offset - 12);
    EXPECT_EQ(m.node().olympusSubIfdOffsets[3], 0x60 + m.offset - 12);
    EXPECT_EQ(m.node().olympusSubIfdOffsets[1], 0u);
}

TEST(OlympusMakerNote, FirstFormSubIfdsAreWhereTheirDataIsAndNeverLoaded) {
    Ifd note;
    note.addUndefined(8240, std::vector<std::uint8_t>(5000, 0))
        .addUndefined(8272, std::vector<std::uint8_t>(40, 0));
    MakerNoteRun m(note, kOlympusDictionaryV1);
    const IfdNode& node = m.node();
    EXPECT_EQ(node.olympusSubIfdOffsets[2], entryOf(node, 8240).valueOffset);
    EXPECT_EQ(node.olympusSubIfdOffsets[4], entryOf(node, 8272).valueOffset);
    EXPECT_FALSE(entryOf(node, 8272).isLoaded());
    EXPECT_EQ(node.dataSize, 0u);
}

TEST(OlympusMakerNote, SecondFormRefusesAnUndefinedSubIfdEntry) {
    Ifd note;
    note.addUndefined(8208, std::vector<std::uint8_t>(40, 0));
    MakerNoteRun m(note, kOlympusDictionaryV2);
    EXPECT_FALSE(entryOf(m.node(), 8208).valid());
    EXPECT_EQ(m.node().olympusSubIfdOffsets[0], 0u);
}

TEST(OlympusMakerNote, BlackLevelIsATwoByTwoPatternAndSerialNumbersAreTexts) {
    Ifd note;
    note.addShorts(4114, {64, 65, 66, 67}).addAscii(1028, "BH1234");
    MakerNoteRun m(note, kOlympusDictionaryV1);
    const IfdNode& node = m.node();
    EXPECT_FALSE(node.inconsistent());
    EXPECT_EQ(node.cfaRepeatRows, 2);
    EXPECT_EQ(node.blackRepeatCols, 2);
    EXPECT_EQ(node.samplesPerPixel, 1);
    EXPECT_EQ(node.blackLevelArray, (std::vector<std::uint16_t>{64, 65, 66, 67}));
    EXPECT_EQ(m.ctx().serial, "BH1234");
}

TEST(OlympusMakerNote, ImageProcessingBlackLevelGoesToTheMakerNote) {
    Ifd note;
    note.addShort(4115, 1);
    Ifd processing;
    processing.addShorts(1536, {128, 128, 128, 128});
    const std::vector<std::uint8_t> file = write({note, processing});
    ReaderRun run(file);
    const std::uint32_t noteAt = firstIfdOffset(file, kII);
    const std::uint32_t processingAt = get32(file, nextPointerAt(file, noteAt, kII), kII);
    ASSERT_EQ(run.readMakerNote(noteAt, 0, kOlympusDictionaryV1, kLittleEndianOrder), kOk);
    IfdNode& parent = *run.makerNote();
    ASSERT_EQ(run.readMakerNote(processingAt, 0, kOlympusImageProcessingDictionary,
                                kLittleEndianOrder, IfdKind::OlympusSubIfd, &parent,
                                &parent.olympusSubIfds[3]),
              kOk);
    const IfdNode& child = *parent.olympusSubIfds[3];
    EXPECT_EQ(child.parent, &parent);
    EXPECT_EQ(child.nextIfdOffset, 0u);
    EXPECT_EQ(parent.blackLevel, 128);
    EXPECT_EQ(parent.blackLevelCount, 4u);
    EXPECT_EQ(parent.cfaRepeatRows, 2); // merged
    EXPECT_EQ(child.blackLevel, 0);
    EXPECT_TRUE(run.messages().empty());
}

TEST(PentaxMakerNote, BlackLevelIsOneValueWhenAllFourAgree) {
    Ifd note;
    note.addShorts(512, {512, 512, 512, 512});
    MakerNoteRun m(note, kPentaxDictionary, ByteOrder::Big);
    EXPECT_EQ(m.node().blackLevel, 512);
    EXPECT_TRUE(m.node().blackLevelArray.empty());
}

TEST(KodakMakerNote, LinearizationTableStaysInTheFileAndIsReferenced) {
    Ifd note;
    note.addShorts(2317, std::vector<std::uint16_t>(4096, 3));
    MakerNoteRun m(note, kKodakDictionary);
    const IfdEntry& e = entryOf(m.node(), 2317);
    EXPECT_TRUE(e.valid());
    EXPECT_FALSE(e.isLoaded());
    EXPECT_EQ(m.node().linearizationTable, &e);
}

} // namespace
} // namespace korvane::test
