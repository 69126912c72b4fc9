// The directory tree: links and their kinds, loops and bounds, the main image, the merge of
// child directories into their parents, and what the context learns.
#include "common/EntryValues.hpp"
#include "tests/container/ReadIfdTestSupport.hpp"

namespace korvane::test {
namespace {

using namespace tag_number;
constexpr ByteOrder kII = ByteOrder::Little;
constexpr std::uint16_t kPlainTag = 65000;

Ifd plain(std::uint16_t value = 1) {
    Ifd ifd;
    ifd.addShort(kPlainTag, value);
    return ifd;
}

Ifd subfile(std::uint32_t newSubfileType) {
    Ifd ifd;
    ifd.addLong(kNewSubfileType, newSubfileType);
    return ifd;
}

// A chain of directories, with some bytes after the last: a directory within 20 bytes of
// the end of the file is never read as a next IFD.
std::vector<std::uint8_t> chain(std::vector<Ifd> ifds, ByteOrder order = kII) {
    TiffWriter writer(order);
    for (Ifd& ifd : ifds)
        writer.addIfd(std::move(ifd));
    writer.addBlock(std::vector<std::uint8_t>(32, 0));
    return writer.write();
}

// The nodes of a next-IFD chain from the root.
std::vector<const IfdNode*> chainOf(const IfdNode* node) {
    std::vector<const IfdNode*> out;
    for (; node != nullptr; node = node->next.get())
        out.push_back(node);
    return out;
}

// --- Kinds ----------------------------------------------------------------------------------

struct KindCase {
    std::uint16_t tag;
    std::uint32_t value;
    IfdKind kind;
};

class ReadIfdSubfileKind : public testing::TestWithParam<KindCase> {};

TEST_P(ReadIfdSubfileKind, FollowsTheSubfileType) {
    const KindCase c = GetParam();
    Ifd ifd;
    if (c.tag == kNewSubfileType)
        ifd.addLong(c.tag, c.value);
    else
        ifd.addShort(c.tag, static_cast<std::uint16_t>(c.value));
    ReaderRun run(chain({ifd}));
    ASSERT_EQ(run.readFirst(), kOk);
    EXPECT_EQ(run.root()->kind, c.kind);
    // A lone directory is the main image only as a full-resolution image.
    EXPECT_EQ(run.context().mainImage != nullptr, c.kind == IfdKind::FullResolution);
}

INSTANTIATE_TEST_SUITE_P(Values, ReadIfdSubfileKind,
                         testing::Values(KindCase{kNewSubfileType, 0, IfdKind::FullResolution},
                                         KindCase{kNewSubfileType, 1, IfdKind::ReducedResolution},
                                         KindCase{kNewSubfileType, 5, IfdKind::ReducedResolution},
                                         KindCase{kNewSubfileType, 4, IfdKind::TransparencyMask},
                                         KindCase{kNewSubfileType, 0x10004,
                                                  IfdKind::TransparencyMask},
                                         KindCase{kNewSubfileType, 2, IfdKind::OtherSubfile},
                                         KindCase{kSubfileType, 1, IfdKind::FullResolution},
                                         KindCase{kSubfileType, 2, IfdKind::ReducedResolution},
                                         KindCase{kSubfileType, 3, IfdKind::OtherSubfile}));

// --- The main image -------------------------------------------------------------------------

class ReadIfdMainImage : public testing::TestWithParam<ByteOrder> {};

TEST_P(ReadIfdMainImage, InAPlainChainIsTheLastFullResolutionDirectory) {
    ReaderRun run(chain({subfile(1), subfile(0), subfile(0), subfile(1)}, GetParam()));
    ASSERT_EQ(run.readFirst(), kOk);
    const auto nodes = chainOf(run.root());
    ASSERT_EQ(nodes.size(), 4u);
    EXPECT_EQ(nodes[0]->kind, IfdKind::ReducedResolution);
    EXPECT_EQ(nodes[1]->kind, IfdKind::FullResolution);
    EXPECT_EQ(run.context().mainImage, nodes[2]);
    EXPECT_EQ(run.context().lastNode, nodes[3]);
    EXPECT_EQ(run.context().nodeCount, 4);
    for (const IfdNode* n : nodes)
        EXPECT_EQ(n->depth, 0);
}

TEST_P(ReadIfdMainImage, OfANefLikeFileIsTheFullResolutionSubIfd) {
    Ifd first = subfile(1);
    first.addSubIfds(kSubIfds, {subfile(1), subfile(0)});
    ReaderRun run(chain({first}, GetParam()));
    ASSERT_EQ(run.readFirst(), kOk);
    const IfdNode& root = *run.root();
    ASSERT_EQ(root.subIfds.size(), 2u);
    EXPECT_EQ(root.subIfdCount, 2u);
    EXPECT_EQ(root.subIfdsRead, 2u);
    EXPECT_EQ(run.context().mainImage, root.subIfds[1].get());
    for (const auto& sub : root.subIfds) {
        EXPECT_EQ(sub->label, "SubIFD");
        EXPECT_EQ(sub->depth, 1);
        EXPECT_EQ(sub->parent, nullptr);
    }
    EXPECT_EQ(run.context().depth, 0);
}

INSTANTIATE_TEST_SUITE_P(Orders, ReadIfdMainImage,
                         testing::Values(ByteOrder::Little, ByteOrder::Big));

TEST(ReadIfdMainImage, IsTheFirstIfdOnlyWhenItStandsAlone) {
    ReaderRun alone(chain({plain()}));
    ASSERT_EQ(alone.readFirst(), kOk);
    EXPECT_EQ(alone.context().mainImage, alone.root());

    // A CR2 chain names no subfile types: the reader chooses nothing, the camera row does.
    ReaderRun cr2(chain({plain(), plain(), plain(), plain()}));
    ASSERT_EQ(cr2.readFirst(), kOk);
    EXPECT_EQ(cr2.context().mainImage, nullptr);
    EXPECT_EQ(cr2.context().lastNode, chainOf(cr2.root()).back());

    Ifd withSub = plain();
    withSub.addSubIfds(kSubIfds, {plain()});
    ReaderRun sub(chain({withSub}));
    ASSERT_EQ(sub.readFirst(), kOk);
    EXPECT_EQ(sub.context().mainImage, nullptr);
}

// --- Linked directories ---------------------------------------------------------------------

TEST(ReadIfdLinks, GlobalExifAndGpsAreChildrenWithTheirKindsDictionariesAndParent) {
    Ifd global;
    global.addShort(kBitsPerSample, 12);
    Ifd exif;
    exif.addShort(kOrientation, 3);
    Ifd gps;
    gps.addAscii(1, "N");
    Ifd first = plain();
    first.addSubIfds(kGlobalParametersIfd, {global});
    first.addSubIfds(kExifIfd, {exif}, TiffType::Ifd);
    first.addSubIfds(kGpsInfo, {gps});
    ReaderRun run(chain({first}));
    ASSERT_EQ(run.readFirst(), kOk);
    const IfdNode& root = *run.root();

    ASSERT_NE(root.global, nullptr);
    ASSERT_NE(root.exif, nullptr);
    ASSERT_NE(root.gps, nullptr);
    EXPECT_EQ(root.global->kind, IfdKind::GlobalIfd);
    EXPECT_EQ(root.exif->kind, IfdKind::ExifIfd);
    EXPECT_EQ(root.gps->kind, IfdKind::GpsIfd);
    EXPECT_EQ(root.global->label, "Global IFD");
    EXPECT_EQ(root.exif->label, "Exif IFD");
    EXPECT_EQ(root.gps->label, "GPS IFD");
    for (const IfdNode* child : {root.global.get(), root.exif.get(), root.gps.get()}) {
        EXPECT_EQ(child->parent, &root);
        EXPECT_EQ(child->depth, 1);
    }
    EXPECT_EQ(entryOf(*root.gps, 1).definition->name, "GPSLatitudeRef");
    // Their image parameters went to the parent.
    EXPECT_EQ(root.bitsPerSample, 12);
    EXPECT_EQ(root.orientation, 3);
    EXPECT_EQ(run.context().nodeCount, 4);
}

TEST(ReadIfdLinks, OffsetsOutsideTheFileAreIgnored) {
    Ifd first = plain();
    first.addLong(kExifIfd, 0x7FFFFFF0);
    first.addLong(kGpsInfo, 4); // inside the header
    first.addLongs(kSubIfds, {0xFFFFFFFF, 0});
    ReaderRun run(chain({first}));
    ASSERT_EQ(run.readFirst(), kOk);
    EXPECT_TRUE(run.messages().empty());
    EXPECT_EQ(run.root()->exif, nullptr);
    EXPECT_EQ(run.root()->gps, nullptr);
    EXPECT_EQ(run.root()->exifOffset, 0x7FFFFFF0u);
    EXPECT_EQ(run.context().nodeCount, 1);
}

TEST(ReadIfdLinks, AFailingChildReleasesItsParentAndWhatTheContextKeptOfIt) {
    Ifd exif = plain();
    Ifd first;
    first.addAscii(kMake, "Korvane");
    first.addSubIfds(kExifIfd, {exif});
    std::vector<std::uint8_t> file = chain({first});
    const std::uint32_t exifAt =
        get32(file, valueFieldOf(file, firstIfdOffset(file, kII), kExifIfd, kII), kII);
    put16(file, exifAt, 900, kII); // 900 entries cannot fit what is left of the file

    ReaderRun run(file);
    EXPECT_NE(run.readFirst(), kOk);
    EXPECT_EQ(run.messages(), std::vector<int>{9});
    EXPECT_EQ(run.root(), nullptr);
    EXPECT_EQ(run.context().nodeCount, 0);
    EXPECT_EQ(run.context().makeEntry, nullptr);
    EXPECT_EQ(run.context().lastNode, nullptr);
}

// --- Loops and bounds -----------------------------------------------------------------------

enum class Loop { NextToItself, NextToTheFirst, SubIfdToItsParent, ExifToItsParent };

class ReadIfdLoop : public testing::TestWithParam<Loop> {};

TEST_P(ReadIfdLoop, EndsTheLinkWithoutANode) {
    const Loop loop = GetParam();
    Ifd first = plain();
    Ifd child = plain(2);
    child.addLong(loop == Loop::ExifToItsParent ? kExifIfd : kSubIfds, 0); // patched below
    if (loop == Loop::SubIfdToItsParent) first.addSubIfds(kSubIfds, {child});
    if (loop == Loop::ExifToItsParent) first.addSubIfds(kExifIfd, {child});
    std::vector<Ifd> ifds = {first};
    if (loop == Loop::NextToTheFirst) ifds.push_back(plain(3));
    std::vector<std::uint8_t> file = chain(ifds);

    const std::uint32_t ifd0 = firstIfdOffset(file, kII);
    switch (loop) {
    case Loop::NextToItself:
        put32(file, nextPointerAt(file, ifd0, kII), ifd0, kII);
        break;
    case Loop::NextToTheFirst: {
        const std::uint32_t ifd1 = get32(file, nextPointerAt(file, ifd0, kII), kII);
        put32(file, nextPointerAt(file, ifd1, kII), ifd0, kII);
        break;
    }
    default: {
        const std::uint16_t tag = loop == Loop::ExifToItsParent ? kExifIfd : kSubIfds;
        const std::uint32_t childAt = get32(file, valueFieldOf(file, ifd0, tag, kII), kII);
        put32(file, valueFieldOf(file, childAt, tag, kII), ifd0, kII);
        break;
    }
    }

    ReaderRun run(file);
    ASSERT_EQ(run.readFirst(), kOk);
    EXPECT_TRUE(run.messages().empty());
    const IfdNode& root = *run.root();
    const int expected = loop == Loop::NextToItself ? 1 : 2;
    EXPECT_EQ(run.context().nodeCount, expected);
    EXPECT_EQ(run.context().depth, 0);
    if (loop == Loop::NextToItself) {
        EXPECT_EQ(root.next, nullptr);
    }
    if (loop == Loop::NextToTheFirst) {
        ASSERT_NE(root.next, nullptr);
        EXPECT_EQ(root.next->next, nullptr);
        EXPECT_EQ(root.next->nextIfdOffset, root.directoryOffset);
    }
    if (loop == Loop::SubIfdToItsParent) {
        ASSERT_EQ(root.subIfds.size(), 1u);
        ASSERT_NE(root.subIfds[0], nullptr);
        ASSERT_EQ(root.subIfds[0]->subIfds.size(), 1u);
        EXPECT_EQ(root.subIfds[0]->subIfds[0], nullptr);
    }
    if (loop == Loop::ExifToItsParent) {
        ASSERT_NE(root.exif, nullptr);
        EXPECT_EQ(root.exif->exif, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReadIfdLoop,
                         testing::Values(Loop::NextToItself, Loop::NextToTheFirst,
                                         Loop::SubIfdToItsParent, Loop::ExifToItsParent));

TEST(ReadIfdBounds, AVeryLongChainOfNextIfdsEndsAtTheOpenDirectoryBound) {
    std::vector<Ifd> ifds;
    for (int i = 0; i < 100; ++i)
        ifds.push_back(plain(static_cast<std::uint16_t>(i)));
    ReaderRun run(chain(ifds));
    ASSERT_EQ(run.readFirst(), kOk);
    // 64 directories may be open at once; the rest of the chain is not read.
    EXPECT_EQ(chainOf(run.root()).size(), 64u);
    EXPECT_EQ(run.context().nodeCount, 64);
}

// A file whose first directory heads `levels` directories, each linking the one below twice
// (SubIFD and Exif), over a last directory of `bottom`: 2^levels reads unbounded.
std::vector<std::uint8_t> doublingLinks(const std::vector<InlineEntry>& bottom, int levels) {
    std::vector<std::uint8_t> file = headerOnly(kII);
    std::uint32_t below = appendDirectory(file, kII, bottom);
    for (int level = 0; level < levels; ++level)
        below = appendDirectory(
            file, kII,
            {{kSubIfds, tiff_type::kLong, 1, below}, {kExifIfd, tiff_type::kLong, 1, below}});
    put32(file, 4, below, kII);
    return file;
}

TEST(ReadIfdBounds, SharedSubDirectoriesCannotMakeTheReadingExplode) {
    ReaderRun run(doublingLinks({{kPlainTag, tiff_type::kShort, 1, 7}}, 40));
    ASSERT_EQ(run.readFirst(), kOk);
    EXPECT_EQ(run.context().nodeCount, 1024);
}

TEST(ReadIfdBounds, ALargeSharedDirectoryIsReadOnlyUpToTheEntryBound) {
    // Over a directory of 900 entries, a thousand copies of it would be 900000 entries read
    // from a file of 11 kilobytes.
    std::vector<InlineEntry> many;
    for (std::uint16_t i = 0; i < 900; ++i)
        many.push_back({static_cast<std::uint16_t>(40000 + i), tiff_type::kShort, 1, i});
    ReaderRun run(doublingLinks(many, 12));
    ASSERT_EQ(run.readFirst(), kOk);
    const std::uint32_t entries = run.context().entriesRead;
    const std::uint32_t nodes = run.context().nodeCount;
    EXPECT_LE(entries, 8192u);
    EXPECT_GT(entries, 8192u - 900u);
    // Every node is the large directory or a two-entry one: the count adds up.
    EXPECT_EQ((entries - 2 * nodes) % 898, 0u);
    EXPECT_LT(nodes, 1024);
}

// --- Merge into the parent ------------------------------------------------------------------

TEST(ReadIfdMerge, ExifPixelDimensionsGoToAParentWithoutImageSize) {
    Ifd exif;
    exif.addLong(kPixelXDimension, 3456);
    exif.addShort(kPixelYDimension, 2304);
    Ifd first = plain();
    first.addSubIfds(kExifIfd, {exif});
    ReaderRun run(chain({first}));
    ASSERT_EQ(run.readFirst(), kOk);
    EXPECT_EQ(run.root()->pixelXDimension, 3456u);
    EXPECT_EQ(run.root()->pixelYDimension, 2304u);
    EXPECT_EQ(run.root()->width, 3456u);
    EXPECT_EQ(run.root()->height, 2304u);
    EXPECT_TRUE(run.messages().empty());
}

TEST(ReadIfdMerge, ExifPixelDimensionsDoNotOverrideTheParentsImageSize) {
    Ifd exif;
    exif.addLong(kPixelXDimension, 3456);
    exif.addLong(kPixelYDimension, 2304);
    Ifd first;
    first.addShort(kImageWidth, 1536);
    first.addShort(kImageLength, 1024);
    first.addSubIfds(kExifIfd, {exif});
    ReaderRun run(chain({first}));
    ASSERT_EQ(run.readFirst(), kOk);
    EXPECT_EQ(run.root()->pixelXDimension, 0u);
    EXPECT_EQ(run.root()->width, 1536u);
    EXPECT_EQ(run.root()->height, 1024u);
}

TEST(ReadIfdMerge, ADifferentValueInTheParentMakesTheChildInconsistent) {
    Ifd exif;
    exif.addShort(kCompression, 7);
    exif.addShort(kPhotometricInterpretation, 32803);
    Ifd first;
    first.addShort(kCompression, 1);
    first.addSubIfds(kExifIfd, {exif});
    ReaderRun run(chain({first}));
    ASSERT_EQ(run.readFirst(), kOk);
    EXPECT_EQ(run.messages(), std::vector<int>{9});
    EXPECT_TRUE(run.root()->exif->inconsistent());
    EXPECT_FALSE(run.root()->inconsistent());
    EXPECT_EQ(run.root()->compression, 1u);
    EXPECT_EQ(run.root()->photometric, 32803); // unset in the parent: taken
}

// --- What the context learns ----------------------------------------------------------------

TEST(ReadIfdContext, TakesTheCameraTextsAndShotValues) {
    Ifd exif;
    exif.addAscii(kDateTimeOriginal, "2005:08:03 18:59:18");
    exif.addRational(kExposureTime, 1, 15);
    exif.addShort(kIsoSpeedRatings, 400);
    exif.addRational(kExposureIndex, 1601, 4);
    exif.addShort(kWhiteBalance, 1);
    Ifd first;
    first.addAscii(kMake, "Canon");
    first.addAscii(kModel, "Canon EOS 350D DIGITAL");
    first.addAscii(kDateTime, "2006:01:01 00:00:00");
    first.addBytes(kDngVersion, {1, 4, 0, 0});
    first.addSRationals(kBaselineExposure, {{-1, 2}});
    first.addShort(kOrientation, 6);
    first.addSubIfds(kExifIfd, {exif});
    ReaderRun run(chain({first}, ByteOrder::Big));
    ASSERT_EQ(run.readFirst(), kOk);
    const RawFileContext& ctx = run.context();

    EXPECT_EQ(ctx.make, "Canon");
    EXPECT_EQ(ctx.model, "Canon EOS 350D DIGITAL");
    EXPECT_EQ(ctx.makeEntry, run.root()->findEntry(kMake));
    EXPECT_EQ(ctx.formatCode, 2);
    EXPECT_EQ(ctx.orientation, 6);
    EXPECT_FLOAT_EQ(ctx.baselineExposure, -0.5f);
    EXPECT_EQ(ctx.iso1, 400u);
    EXPECT_EQ(ctx.iso2, 400u);
    EXPECT_EQ(ctx.exposureIndex, 400u);
    EXPECT_EQ(ctx.wbMode, "Manual");
    ASSERT_NE(ctx.dateEntry, nullptr);
    EXPECT_EQ(entryText(*ctx.dateNode, *ctx.dateEntry), "2005:08:03 18:59:18");
    ASSERT_NE(ctx.exposureTimeEntry, nullptr);
    EXPECT_EQ(entryRational(*ctx.exposureTimeNode, *ctx.exposureTimeEntry).denominator, 15);
    EXPECT_EQ(ctx.lastNode, run.root()->exif.get());
}

TEST(ReadIfdContext, AnOrientationAbove8MakesTheDirectoryInconsistent) {
    Ifd first;
    first.addShort(kOrientation, 9);
    ReaderRun run(chain({first}));
    ASSERT_EQ(run.readFirst(), kOk);
    EXPECT_EQ(run.messages(), std::vector<int>{9});
    EXPECT_TRUE(run.root()->inconsistent());
    EXPECT_EQ(run.root()->orientation, 0);
    EXPECT_EQ(run.context().orientation, 0);
}

} // namespace
} // namespace korvane::test
