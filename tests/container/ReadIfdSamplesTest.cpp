// The directory reader on real camera files (../shared/samples), checked against facts read
// by hand from `exiftool -v3` of each file.
#include <filesystem>

#include "common/EntryValues.hpp"
#include "tests/container/ReadIfdTestSupport.hpp"

namespace korvane::test {
namespace {

using namespace tag_number;

std::string samplePath(const char* name) {
    return (std::filesystem::path(KORVANE_SAMPLES_DIR) / name).string();
}

// Opens a sample and reads its first IFD; skips the test where the samples are missing.
#define READ_SAMPLE(run, name)                                                                     \
    if (!std::filesystem::exists(samplePath(name))) GTEST_SKIP() << "no sample " << name;          \
    ReaderRun run(samplePath(name));                                                               \
    ASSERT_TRUE(run.opened());                                                                     \
    ASSERT_EQ(run.readFirst(), kOk)

std::vector<const IfdNode*> chainOf(const IfdNode* node) {
    std::vector<const IfdNode*> out;
    for (; node != nullptr; node = node->next.get())
        out.push_back(node);
    return out;
}

// Every TIFF sample reads without a message: no directory of these files is inconsistent.
// (The stripped big-endian DNG is the exception; its own test says why.)
class TiffSample : public testing::TestWithParam<const char*> {};

TEST_P(TiffSample, ReadsWithoutAMessage) {
    READ_SAMPLE(run, GetParam());
    EXPECT_TRUE(run.messages().empty());
    EXPECT_GT(run.context().nodeCount, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TiffSample,
    testing::Values("canon_eos350d_cr2-ljpeg_STRIPPED.cr2", "nikon_d70_nef-compressed_STRIPPED.nef",
                    "canon_eos550d_dng-uncompressed14-magiclantern.dng",
                    "blackmagic_pocket4k_dng-ljpeg12-lintable-tiled.dng",
                    "apple_iphone12pro_dng-lossy-tiled-bigendian_STRIPPED.dng",
                    "lg_h815_dng-lossyjpeg-linearraw.dng",
                    "leica_m10_dng-ljpeg16_TRUNCATED100k.dng", "sony_zv-e10_arw_TRUNCATED100k.arw",
                    "panasonic_dmc-lx3_rw2-panasonic_STRIPPED.rw2", "kodak_dc50_kdc-radc-8bit.kdc",
                    "leaf_credo40_iiq_STRIPPED.iiq",
                    "nikon_coolscan4ed_nef-scanner-rgb8-uncompressed.nef"),
    [](const auto& info) {
        std::string name = info.param;
        name = name.substr(0, name.find('.'));
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(ReadIfdSamples, Cr2ChainAndCanonMakerNote) {
    READ_SAMPLE(run, "canon_eos350d_cr2-ljpeg_STRIPPED.cr2");
    const RawFileContext& ctx = run.context();
    const auto chain = chainOf(run.root());
    ASSERT_EQ(chain.size(), 4u);
    EXPECT_EQ(chain[0]->entryCount, 14);
    EXPECT_EQ(chain[1]->entryCount, 2);
    EXPECT_EQ(chain[2]->entryCount, 11);
    EXPECT_EQ(chain[3]->entryCount, 6);
    ASSERT_NE(run.root()->exif, nullptr);
    EXPECT_EQ(run.root()->exif->entryCount, 28);
    EXPECT_EQ(ctx.make, "Canon");
    EXPECT_EQ(ctx.model, "Canon EOS 350D DIGITAL");
    EXPECT_EQ(ctx.iso1, 400u);
    EXPECT_EQ(run.root()->width, 1536u); // the Exif 3456 does not replace the JPEG's size
    EXPECT_EQ(chain[2]->width, 384u);
    // The raw directory: strips and Canon's lossless JPEG, no size; the camera row decides.
    EXPECT_EQ(chain[3]->compression, 6u);
    EXPECT_EQ(chain[3]->width, 0u);
    EXPECT_FALSE(chain[3]->inconsistent());
    EXPECT_EQ(ctx.mainImage, nullptr);
    EXPECT_EQ(ctx.lastNode, chain[3]);
    EXPECT_EQ(ctx.makerNoteCount, 7360u);

    ASSERT_EQ(run.readMakerNote(ctx.makerNoteOffset, 0, kCanonDictionary, run.order()), kOk);
    EXPECT_EQ(run.makerNote()->entryCount, 25);
    EXPECT_EQ(run.context().modelId, 2147484041u);
    EXPECT_EQ(run.context().serial, "123456789");
    // ColorData1 of model 0x80000189 holds the as-shot levels 2002 1185 1187 2364 at byte 50.
    EXPECT_EQ(run.context().wbCoefficients, (std::array<float, 4>{2002 / 1024.0f, 1185 / 1024.0f,
                                                                  1187 / 1024.0f, 2364 / 1024.0f}));
    EXPECT_TRUE(run.messages().empty());
}

TEST(ReadIfdSamples, NefSubIfdsExifCfaPatternAndNikonMakerNote) {
    READ_SAMPLE(run, "nikon_d70_nef-compressed_STRIPPED.nef");
    const IfdNode& root = *run.root();
    EXPECT_EQ(root.entryCount, 25);
    EXPECT_EQ(root.kind, IfdKind::ReducedResolution);
    ASSERT_EQ(root.subIfds.size(), 2u);
    const IfdNode& raw = *root.subIfds[1];
    EXPECT_EQ(run.context().mainImage, &raw);
    EXPECT_EQ(raw.entryCount, 17);
    EXPECT_EQ(raw.width, 3040u);
    EXPECT_EQ(raw.height, 2014u);
    EXPECT_EQ(raw.bitsPerSample, 12);
    EXPECT_EQ(raw.compression, 34713u);
    EXPECT_EQ(raw.cfaPatternCount, 4);
    EXPECT_EQ((std::array<int, 4>{raw.cfaPattern[0], raw.cfaPattern[1], raw.cfaPattern[2],
                                  raw.cfaPattern[3]}),
              (std::array<int, 4>{2, 1, 1, 0}));
    // Exif's CFAPattern: 00 02 00 02 02 01 01 00, big-endian dimensions in an II file.
    ASSERT_NE(root.exif, nullptr);
    EXPECT_FALSE(root.exif->inconsistent());
    EXPECT_EQ(root.exif->cfaPatternCount, 4);
    EXPECT_EQ(root.exif->cfaPattern[0], 2);
    EXPECT_EQ(entryOf(root, kIptc).count, 68u);
    EXPECT_EQ(run.context().make, "NIKON CORPORATION");

    // Format 1: "Nikon", a zero, then a TIFF header of its own 10 bytes in.
    const std::uint32_t note = run.context().makerNoteOffset;
    EXPECT_EQ(note, 0x6D0u);
    ASSERT_EQ(run.readMakerNote(note + 18, note + 10, kNikonDictionary, kLittleEndianOrder), kOk);
    EXPECT_EQ(run.makerNote()->entryCount, 40);
    EXPECT_EQ(run.context().iso1, 200u);
    EXPECT_EQ(raw.makerCompression, 1);
    EXPECT_EQ(raw.compressionInfo, run.makerNote()->findEntry(150));
    EXPECT_TRUE(run.messages().empty());
}

TEST(ReadIfdSamples, MagicLanternDngWithoutBlackLevelRepeatDim) {
    READ_SAMPLE(run, "canon_eos550d_dng-uncompressed14-magiclantern.dng");
    const IfdNode& image = *run.root();
    EXPECT_EQ(image.entryCount, 40);
    EXPECT_EQ(run.context().mainImage, &image);
    EXPECT_EQ(run.context().formatCode, 2);
    EXPECT_EQ(image.width, 1888u);
    EXPECT_EQ(image.height, 1182u);
    EXPECT_EQ(image.bitsPerSample, 14);
    EXPECT_EQ(image.blackLevel, 2056);
    EXPECT_EQ(image.whiteLevel, 15000);
    EXPECT_EQ(image.activeLeft, 152u);
    EXPECT_EQ(image.activeTop, 26u);
    EXPECT_EQ(image.activeWidth, 1734u);
    EXPECT_EQ(image.activeHeight, 1156u);
    EXPECT_FALSE(image.inconsistent());
}

TEST(ReadIfdSamples, BigEndianDngWithTiledRawSubIfd) {
    READ_SAMPLE(run, "canon_eos350d_dng-ljpeg16-bigendian_STRIPPED.dng");
    EXPECT_EQ(run.order(), kBigEndianOrder);
    EXPECT_EQ(run.root()->entryCount, 42);
    ASSERT_EQ(run.root()->subIfds.size(), 3u);
    const IfdNode& raw = *run.root()->subIfds[0];
    EXPECT_EQ(run.context().mainImage, &raw);
    EXPECT_EQ(raw.width, 3516u);
    EXPECT_EQ(raw.height, 2328u);
    EXPECT_EQ(raw.tileWidth, 256u);
    // Stripping the image data left one tile where the size asks for 10 rows of 14: the
    // directory is inconsistent, and said so once.
    EXPECT_EQ(raw.tileOffsets->count, 1u);
    EXPECT_TRUE(raw.inconsistent());
    EXPECT_EQ(run.messages(), std::vector<int>{9});
    EXPECT_EQ(raw.activeWidth, 3474u);
    EXPECT_EQ(raw.activeHeight, 2314u);
    EXPECT_EQ(raw.whiteLevel, 4095);
    EXPECT_EQ(raw.cfaPlaneColorCount, 3);
    EXPECT_NE(run.context().dngPrivateDataEntry, nullptr);
    EXPECT_EQ(run.context().make, "Canon");
}

TEST(ReadIfdSamples, TiledDngWithLinearizationTable) {
    READ_SAMPLE(run, "blackmagic_pocket4k_dng-ljpeg12-lintable-tiled.dng");
    const IfdNode& image = *run.root();
    EXPECT_EQ(image.entryCount, 40);
    EXPECT_EQ(run.context().mainImage, &image);
    EXPECT_EQ(image.tileOffsets->count, 4u);
    EXPECT_EQ(image.blackLevel, 512);
    ASSERT_NE(image.linearizationTable, nullptr);
    EXPECT_EQ(image.linearizationTable->count, 4096u);
    EXPECT_FALSE(image.linearizationTable->isLoaded());
    EXPECT_EQ(run.context().uniqueCameraModel, "Blackmagic Pocket Cinema Camera 4K");
}

TEST(ReadIfdSamples, TruncatedFilesLoseOnlyWhatIsMissing) {
    {
        // Entry 17 of IFD0 points past the 100000 bytes that are left.
        READ_SAMPLE(run, "leica_m10_dng-ljpeg16_TRUNCATED100k.dng");
        EXPECT_EQ(run.root()->entryCount, 49);
        EXPECT_FALSE(run.root()->entries[17].valid());
        EXPECT_EQ(run.context().make, "Leica Camera AG");
    }
    {
        // The raw SubIFD is cut off; the Exif IFD and its maker note are there.
        READ_SAMPLE(run, "sony_zv-e10_arw_TRUNCATED100k.arw");
        EXPECT_EQ(run.root()->entryCount, 19);
        ASSERT_NE(run.root()->exif, nullptr);
        EXPECT_EQ(run.root()->exif->entryCount, 45);
        EXPECT_GT(run.context().makerNoteCount, 0u);
    }
}

} // namespace
} // namespace korvane::test
