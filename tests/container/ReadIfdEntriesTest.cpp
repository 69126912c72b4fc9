// The directory reader's handling of entry counts and of each entry: inline and loaded
// values in both byte orders, the rules that make an entry invalid, large data, base offsets
// and the next IFD offset.
#include <bit>
#include <cstring>
#include <functional>

#include "common/EntryValues.hpp"
#include "tests/container/ReadIfdTestSupport.hpp"

namespace korvane::test {
namespace {

using namespace tag_number;

// A tag no dictionary has: any type and count, no class.
constexpr std::uint16_t kPlainTag = 65000;

std::vector<std::uint8_t> fileOf(Ifd ifd, ByteOrder order = ByteOrder::Little) {
    TiffWriter writer(order);
    writer.addIfd(std::move(ifd));
    return writer.write();
}

std::vector<std::uint8_t> le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

// --- Entry counts ---------------------------------------------------------------------------

struct CountCase {
    std::uint32_t written;  // entries in the file
    std::uint32_t declared; // the count field, when it says otherwise (0: as written)
    bool node;
};

class ReadIfdEntryCount : public testing::TestWithParam<CountCase> {};

TEST_P(ReadIfdEntryCount, ZeroOrAboveAThousandGivesNoNodeAndSuccess) {
    const CountCase c = GetParam();
    Ifd ifd;
    for (std::uint32_t i = 0; i < c.written; ++i)
        ifd.addShort(static_cast<std::uint16_t>(60000 + i), static_cast<std::uint16_t>(i));
    std::vector<std::uint8_t> file = fileOf(ifd);
    if (c.declared != 0)
        put16(file, firstIfdOffset(file, ByteOrder::Little), c.declared, ByteOrder::Little);

    ReaderRun run(file);
    EXPECT_EQ(run.readFirst(), kOk);
    EXPECT_TRUE(run.messages().empty());
    ASSERT_EQ(run.root() != nullptr, c.node);
    EXPECT_EQ(run.context().nodeCount, c.node ? 1 : 0);
    if (c.node) {
        EXPECT_EQ(run.root()->entryCount, c.written);
        EXPECT_EQ(run.root()->entries.back().tag, 60000 + c.written - 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, ReadIfdEntryCount,
                         testing::Values(CountCase{0, 0, false}, CountCase{1, 0, true},
                                         CountCase{1000, 0, true}, CountCase{1001, 0, false},
                                         // Counts above 1000 are refused before the file's
                                         // length is looked at.
                                         CountCase{1, 1001, false}, CountCase{1, 0xFFFF, false}));

TEST(ReadIfdEntryCount, MoreEntriesThanTheFileHoldsIsMessage9AndFailure) {
    std::vector<std::uint8_t> file = headerOnly(ByteOrder::Little);
    const std::uint32_t at =
        appendDirectory(file, ByteOrder::Little, {{kPlainTag, tiff_type::kShort, 1, 5}});
    put32(file, 4, at, ByteOrder::Little);
    put16(file, at, 2, ByteOrder::Little); // the second entry would run past the end

    ReaderRun run(file);
    EXPECT_NE(run.readFirst(), kOk);
    EXPECT_EQ(run.messages(), std::vector<int>{9});
    EXPECT_EQ(run.root(), nullptr);
    EXPECT_EQ(run.context().nodeCount, 0);
}

// --- Inline and loaded values ---------------------------------------------------------------

struct ValueCase {
    const char* name;
    std::function<void(Ifd&)> add;
    bool inlined;
    std::vector<std::uint32_t> values; // as entryValue gives them
};

class ReadIfdValues : public testing::TestWithParam<std::tuple<ValueCase, ByteOrder>> {};

TEST_P(ReadIfdValues, FourBytesOrLessAreInlineLongerAreLoadedInNativeOrder) {
    const auto& [c, order] = GetParam();
    Ifd ifd;
    c.add(ifd);
    const std::vector<std::uint8_t> file = fileOf(ifd, order);
    ReaderRun run(file);
    ASSERT_EQ(run.readFirst(), kOk);
    const IfdNode& node = *run.root();
    const IfdEntry& e = entryOf(node, kPlainTag);

    EXPECT_TRUE(e.valid());
    EXPECT_EQ(e.isInline(), c.inlined);
    EXPECT_EQ(e.isLoaded(), !c.inlined);
    ASSERT_EQ(e.count, c.values.size());
    for (std::uint32_t i = 0; i < e.count; ++i)
        EXPECT_EQ(entryValue(node, e, i), c.values[i]) << i;
    if (c.inlined) {
        EXPECT_EQ(node.dataSize, 0u);
        EXPECT_TRUE(node.valueBlock.empty());
    } else {
        EXPECT_EQ(node.dataSize, e.count * e.typeSize());
        EXPECT_EQ(node.valueBlock.size(), node.dataSize);
        EXPECT_EQ(node.firstDataOffset, e.valueOffset);
        EXPECT_EQ(e.valueOffset, get32(file, e.entryPosition + 8, order));
    }
}

std::string valueCaseName(const testing::TestParamInfo<std::tuple<ValueCase, ByteOrder>>& info) {
    return std::string(std::get<0>(info.param).name) +
           (std::get<1>(info.param) == ByteOrder::Little ? "_II" : "_MM");
}

INSTANTIATE_TEST_SUITE_P(
    Types, ReadIfdValues,
    testing::Combine(testing::Values(ValueCase{"Short2",
                                               [](Ifd& i) {
                                                   i.addShorts(kPlainTag, {7, 65000});
                                               },
                                               true,
                                               {7, 65000}},
                                     ValueCase{"Short3",
                                               [](Ifd& i) {
                                                   i.addShorts(kPlainTag, {1, 2, 3});
                                               },
                                               false,
                                               {1, 2, 3}},
                                     ValueCase{"SShort2",
                                               [](Ifd& i) {
                                                   i.addSShorts(kPlainTag, {-2, 5});
                                               },
                                               true,
                                               {static_cast<std::uint32_t>(-2), 5}},
                                     ValueCase{"Long1",
                                               [](Ifd& i) { i.addLong(kPlainTag, 0x12345678); },
                                               true,
                                               {0x12345678}},
                                     ValueCase{"Long2",
                                               [](Ifd& i) {
                                                   i.addLongs(kPlainTag, {0x01020304, 9});
                                               },
                                               false,
                                               {0x01020304, 9}},
                                     ValueCase{"Byte4",
                                               [](Ifd& i) {
                                                   i.addBytes(kPlainTag, {1, 2, 3, 4});
                                               },
                                               true,
                                               {1, 2, 3, 4}},
                                     ValueCase{"Byte5",
                                               [](Ifd& i) {
                                                   i.addBytes(kPlainTag, {1, 2, 3, 4, 5});
                                               },
                                               false,
                                               {1, 2, 3, 4, 5}}),
                     testing::Values(ByteOrder::Little, ByteOrder::Big)),
    valueCaseName);

class ReadIfdWideValues : public testing::TestWithParam<ByteOrder> {};

TEST_P(ReadIfdWideValues, RationalsAndDoublesAreLoadedInNativeOrder) {
    Ifd ifd;
    ifd.addRationals(kPlainTag, {{3, 4}, {0xFFFFFFFF, 1}});
    ifd.addSRationals(kPlainTag + 1, {{-7, 2}});
    ifd.addDoubles(kPlainTag + 2, {1.5, -0.25});
    ReaderRun run(fileOf(ifd, GetParam()));
    ASSERT_EQ(run.readFirst(), kOk);
    const IfdNode& node = *run.root();

    const IfdEntry& r = entryOf(node, kPlainTag);
    EXPECT_EQ(entryRational(node, r, 0).numerator, 3);
    EXPECT_EQ(entryRational(node, r, 0).denominator, 4);
    EXPECT_EQ(entryRational(node, r, 1).numerator, 0xFFFFFFFF);
    const IfdEntry& s = entryOf(node, kPlainTag + 1);
    EXPECT_EQ(entryRational(node, s).numerator, -7);
    EXPECT_EQ(entryRational(node, s).denominator, 2);
    const IfdEntry& d = entryOf(node, kPlainTag + 2);
    ASSERT_TRUE(d.isLoaded());
    double v[2];
    std::memcpy(v, node.valueData(d), sizeof v);
    EXPECT_EQ(v[0], 1.5);
    EXPECT_EQ(v[1], -0.25);
    EXPECT_EQ(node.dataSize, 16u + 8u + 16u);
}

INSTANTIATE_TEST_SUITE_P(Orders, ReadIfdWideValues,
                         testing::Values(ByteOrder::Little, ByteOrder::Big));

TEST(ReadIfdValues, IptcLongsAreKeptAsTheFileHasThemAndBecomeBytes) {
    Ifd ifd;
    ifd.addLongs(kIptc, {0x1C020000, 0x0204ABCD});
    const std::vector<std::uint8_t> file = fileOf(ifd, ByteOrder::Big);
    ReaderRun run(file);
    ASSERT_EQ(run.readFirst(), kOk);
    const IfdEntry& e = entryOf(*run.root(), kIptc);
    EXPECT_EQ(e.type, tiff_type::kUndefined);
    EXPECT_EQ(e.count, 8u);
    const std::uint8_t* data = run.root()->valueData(e);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(
        std::vector<std::uint8_t>(data, data + 8),
        std::vector<std::uint8_t>(file.begin() + e.valueOffset, file.begin() + e.valueOffset + 8));
    EXPECT_EQ(data[0], 0x1C);
}

// --- Invalid entries ------------------------------------------------------------------------

struct InvalidCase {
    const char* name;
    std::function<void(Ifd&)> add;
    std::uint16_t tag;
};

class ReadIfdInvalidEntry : public testing::TestWithParam<InvalidCase> {};

TEST_P(ReadIfdInvalidEntry, IsIgnoredSilently) {
    const InvalidCase& c = GetParam();
    Ifd ifd;
    c.add(ifd);
    ifd.addShort(kOrientation, 6); // a valid entry after it still counts
    ReaderRun run(fileOf(ifd));
    ASSERT_EQ(run.readFirst(), kOk);
    const IfdNode& node = *run.root();
    const IfdEntry& e = entryOf(node, c.tag);
    EXPECT_FALSE(e.valid());
    EXPECT_FALSE(e.isLoaded());
    EXPECT_TRUE(run.messages().empty());
    EXPECT_FALSE(node.inconsistent());
    // Nothing of the invalid entry was interpreted.
    EXPECT_EQ(node.imageWidth, 0u);
    EXPECT_EQ(node.activeWidth, 0u);
    EXPECT_EQ(node.cfaRepeatRows, 0u);
    EXPECT_EQ(run.context().makerNoteCount, 0u);
    EXPECT_EQ(node.orientation, 6);
    EXPECT_EQ(node.dataSize, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadIfdInvalidEntry,
    testing::Values(
        InvalidCase{"CountZero", [](Ifd& i) { i.addRaw(kPlainTag, tiff_type::kShort, 0, {}); },
                    kPlainTag},
        InvalidCase{"TypeZero",
                    [](Ifd& i) {
                        i.addRaw(kPlainTag, 0, 1, {1, 2, 3, 4});
                    },
                    kPlainTag},
        InvalidCase{"TypeFourteen",
                    [](Ifd& i) {
                        i.addRaw(kPlainTag, 14, 1, {1, 2, 3, 4});
                    },
                    kPlainTag},
        InvalidCase{"PastTheEnd",
                    [](Ifd& i) { i.addRaw(kPlainTag, tiff_type::kLong, 4, le32(0xFFFFFF00)); },
                    kPlainTag},
        InvalidCase{"SizeBeyondFourGigabytes",
                    [](Ifd& i) { i.addRaw(kPlainTag, tiff_type::kLong, 0x40000000, le32(16)); },
                    kPlainTag},
        InvalidCase{"InsideTheHeader",
                    [](Ifd& i) { i.addRaw(kPlainTag, tiff_type::kLong, 2, le32(4)); }, kPlainTag},
        InvalidCase{"UnknownTagOf5000Bytes",
                    [](Ifd& i) { i.addUndefined(kPlainTag, std::vector<std::uint8_t>(5000, 1)); },
                    kPlainTag},
        InvalidCase{"KeptTagOf5000Bytes",
                    [](Ifd& i) { i.addUndefined(37510, std::vector<std::uint8_t>(5000, 1)); },
                    37510},
        InvalidCase{"TypeNotAllowed", [](Ifd& i) { i.addRational(kImageWidth, 100, 1); },
                    kImageWidth},
        InvalidCase{"AboveMaximumCount",
                    [](Ifd& i) {
                        i.addShorts(kImageWidth, {100, 200});
                    },
                    kImageWidth},
        InvalidCase{"BelowMinimumCount",
                    [](Ifd& i) {
                        i.addShorts(kActiveArea, {0, 0, 10});
                    },
                    kActiveArea},
        InvalidCase{"ExactCountMissed",
                    [](Ifd& i) {
                        i.addShorts(kCfaRepeatPatternDim, {2, 2, 2});
                    },
                    kCfaRepeatPatternDim},
        InvalidCase{"MakerNoteOfWrongType",
                    [](Ifd& i) { i.addBytes(kMakerNote, std::vector<std::uint8_t>(40, 0)); },
                    kMakerNote}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadIfdInvalidEntry, UnknownTypeKeepsItsValueFieldAsRead) {
    Ifd ifd;
    ifd.addRaw(kPlainTag, 14, 1, {1, 2, 3, 4});
    ReaderRun run(fileOf(ifd));
    ASSERT_EQ(run.readFirst(), kOk);
    const IfdEntry& e = entryOf(*run.root(), kPlainTag);
    EXPECT_EQ(e.type, 14);
    EXPECT_EQ(e.valueOffset, 0x04030201u);
    EXPECT_EQ(e.flags & entry_flags::kKnown, 0);
}

// --- Large data -----------------------------------------------------------------------------

TEST(ReadIfdLargeData, MakerNoteOf5000BytesIsValidAndLeftInTheFile) {
    std::vector<std::uint8_t> note(5000);
    for (std::size_t i = 0; i < note.size(); ++i)
        note[i] = static_cast<std::uint8_t>(i * 7);
    Ifd ifd;
    ifd.addUndefined(kMakerNote, note);
    ifd.addShorts(kPlainTag, {1, 2, 3}); // loaded: the block holds it alone
    const std::vector<std::uint8_t> file = fileOf(ifd);
    ReaderRun run(file);
    ASSERT_EQ(run.readFirst(), kOk);
    const IfdNode& node = *run.root();
    const IfdEntry& e = entryOf(node, kMakerNote);

    EXPECT_TRUE(e.valid());
    EXPECT_FALSE(e.isLoaded());
    EXPECT_NE(e.flags & entry_flags::kLargeData, 0);
    EXPECT_EQ(node.valueData(e), nullptr);
    EXPECT_EQ(node.dataSize, 6u);
    EXPECT_EQ(run.context().makerNoteCount, 5000u);
    ASSERT_EQ(run.context().makerNoteOffset, e.valueOffset);
    EXPECT_TRUE(std::equal(note.begin(), note.end(), file.begin() + e.valueOffset));
}

// --- Base offset and maker note kinds -------------------------------------------------------

TEST(ReadIfdBaseOffset, IsAddedToOutOfLineOffsetsAndMakerNotesHaveNoNextIfd) {
    constexpr std::uint32_t kBase = 100, kDirectory = 110, kRelative = 50;
    std::vector<std::uint8_t> file = headerOnly(ByteOrder::Little);
    file.resize(kDirectory, 0xEE);
    // CameraModel, 7 bytes at base + 50; the next pointer leads back to the directory.
    ASSERT_EQ(appendDirectory(file, ByteOrder::Little, {{6, tiff_type::kAscii, 7, kRelative}},
                              kDirectory),
              kDirectory);
    file.resize(kBase + kRelative, 0xEE);
    for (const char c : std::string("EOS 5D\0", 7))
        file.push_back(static_cast<std::uint8_t>(c));
    file.resize(file.size() + 32, 0);

    ReaderRun run(file);
    ASSERT_EQ(run.readMakerNote(kDirectory, kBase, kCanonDictionary, kLittleEndianOrder), kOk);
    const IfdNode& node = *run.makerNote();
    const IfdEntry& e = entryOf(node, 6);
    EXPECT_EQ(e.valueOffset, kBase + kRelative);
    EXPECT_EQ(entryText(node, e), "EOS 5D");
    EXPECT_EQ(e.definition->name, "CameraModel");
    EXPECT_EQ(node.nextIfdOffset, 0u);
    EXPECT_EQ(node.next, nullptr);
    EXPECT_EQ(node.depth, 1);
    EXPECT_EQ(run.context().lastNode, nullptr); // maker notes are not "last read"
}

// --- Next IFD offset ------------------------------------------------------------------------

class ReadIfdNextOffset : public testing::TestWithParam<std::uint32_t> {};

TEST_P(ReadIfdNextOffset, AtOrBeyondTwentyBytesBeforeTheEndCountsAsNone) {
    const std::uint32_t margin = GetParam(); // bytes from the next IFD to the end of file
    Ifd first;
    first.addShort(kPlainTag, 1);
    std::vector<std::uint8_t> file = fileOf(first);
    const std::uint32_t at =
        appendDirectory(file, ByteOrder::Little, {{kPlainTag, tiff_type::kShort, 1, 2}});
    file.resize(at + margin, 0);
    put32(file, nextPointerAt(file, firstIfdOffset(file, ByteOrder::Little), ByteOrder::Little), at,
          ByteOrder::Little);

    ReaderRun run(file);
    ASSERT_EQ(run.readFirst(), kOk);
    const bool read = margin > 20;
    EXPECT_EQ(run.root()->nextIfdOffset, read ? at : 0u);
    ASSERT_EQ(run.root()->next != nullptr, read);
    if (read) {
        EXPECT_EQ(run.root()->next->kind, IfdKind::NextIfd);
        EXPECT_EQ(run.root()->next->label, "Next IFD");
        EXPECT_EQ(run.root()->next->directoryOffset, at);
    }
}

INSTANTIATE_TEST_SUITE_P(Margins, ReadIfdNextOffset, testing::Values(18u, 20u, 21u, 40u));

} // namespace
} // namespace korvane::test
