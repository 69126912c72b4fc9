// The held-key bit manipulation: which keys ask for what, and the pass as the loader runs it.
#include "decode/BitManipulation.hpp"

#include "tests/decode/LoadTestSupport.hpp"

namespace korvane::test {
namespace {

struct KeyCase {
    const char* name;
    HeldKeys keys;
    BitOperation operation;
    std::uint32_t digit;
    bool drop;
};

class HeldKeysAsk : public ::testing::TestWithParam<KeyCase> {};

TEST_P(HeldKeysAsk, ForTheirOperation) {
    const KeyCase& c = GetParam();
    const BitRequest r = readBitRequest(c.keys);
    EXPECT_EQ(r.operation, c.operation);
    if (c.operation != BitOperation::None) {
        EXPECT_EQ(r.digit, c.digit);
        EXPECT_EQ(r.dropBlackCorrections, c.drop);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeldKeysAsk,
    ::testing::Values(
        KeyCase{"NoKeys", {}, BitOperation::None, 0, false},
        KeyCase{"DigitWithoutCtrl", {kShiftKey, digitKey(3)}, BitOperation::None, 0, false},
        KeyCase{"CtrlWithoutDigit", {kCtrlKey, kShiftKey}, BitOperation::None, 0, false},
        KeyCase{"CtrlShiftAlt3Modulo",
                {kCtrlKey, kShiftKey, kAltKey, digitKey(3)},
                BitOperation::Modulo,
                3,
                false},
        KeyCase{"CtrlShiftAlt1NotAModulus",
                {kCtrlKey, kShiftKey, kAltKey, digitKey(1)},
                BitOperation::None,
                0,
                false},
        KeyCase{"CtrlShift0ShiftsByNothing",
                {kCtrlKey, kShiftKey, digitKey(0)},
                BitOperation::Shift,
                0,
                false},
        KeyCase{
            "CtrlShift9TooFar", {kCtrlKey, kShiftKey, digitKey(9)}, BitOperation::None, 0, false},
        KeyCase{"CtrlAlt8Keeps", {kCtrlKey, kAltKey, digitKey(8)}, BitOperation::Keep, 8, false},
        KeyCase{"CtrlAlt0DropsAndSubtracts",
                {kCtrlKey, kAltKey, digitKey(0)},
                BitOperation::SubtractBlack,
                0,
                true},
        KeyCase{"Ctrl1Erases", {kCtrlKey, digitKey(1)}, BitOperation::Erase, 1, false},
        KeyCase{"Ctrl0OnlyDrops", {kCtrlKey, digitKey(0)}, BitOperation::DropOnly, 0, true},
        KeyCase{"NumpadDigit", {kCtrlKey, kShiftKey, numpadKey(4)}, BitOperation::Shift, 4, false},
        KeyCase{"LowestDigitWins",
                {kCtrlKey, kShiftKey, digitKey(6), numpadKey(2)},
                BitOperation::Shift,
                2,
                false}),
    [](const auto& info) { return std::string(info.param.name); });

// A 4 x 4 image of one value, black level `black`, loaded with `keys`.
std::unique_ptr<LoadResult> loadFlat(std::uint16_t value, std::uint16_t black, const KeyState& keys,
                                     std::vector<std::uint16_t> cfaBlack = {}) {
    auto file = stripFile(std::vector<std::uint16_t>(16, value), {.width = 4, .height = 4});
    file->image().blackLevel = black;
    file->image().blackLevelArray = std::move(cfaBlack);
    file->image().whiteLevel = 16383;
    file->image().maximumValue = 16384;
    file->context.channelLevels = {16383, 16383, 16383, 16383};
    return load(std::move(file), keys);
}

TEST(BitManipulationPass, CtrlShift3ShiftsOutThreeBitsAfterTheBlackLevel) {
    auto r = loadFlat(4100, 100, HeldKeys{kCtrlKey, kShiftKey, digitKey(3)});
    ASSERT_EQ(r->status, kOk);
    EXPECT_EQ(r->image().samples, std::vector<std::uint16_t>(16, 500));
    EXPECT_EQ(r->file->context.processingNote, "3 bit(s) shifted out; ");
    // The levels follow: (16383 - 100) >> 3, (16384 - 100) >> 3, and the black level is gone.
    EXPECT_EQ(r->image().whiteLevel, 2035);
    EXPECT_EQ(r->image().maximumValue, 2048);
    EXPECT_EQ(r->image().valueRange, 2048);
    EXPECT_EQ(r->file->context.channelLevels[2], 2035);
    EXPECT_EQ(r->image().blackLevel, 0);
    EXPECT_EQ(r->image().blackLevelAverage, 0);
}

TEST(BitManipulationPass, OperationsOnTheValueAboveBlack) {
    struct Case {
        HeldKeys keys;
        std::uint16_t expected;
        const char* note;
    };
    const Case cases[] = {
        {{kCtrlKey, kAltKey, digitKey(4)}, 1000 & 15, "4 bit(s) kept; "},
        {{kCtrlKey, kShiftKey, kAltKey, digitKey(7)}, 1000 % 7, "Modulo(7) is kept; "},
        {{kCtrlKey, digitKey(3)}, 1000 & ~7, "3 bit(s) erased; "},
        {{kCtrlKey, kAltKey, digitKey(0)}, 1000, ""},
    };
    for (const Case& c : cases) {
        auto r = loadFlat(1100, 100, c.keys);
        ASSERT_EQ(r->status, kOk);
        EXPECT_EQ(r->image().samples[5], c.expected) << c.note;
        EXPECT_EQ(r->file->context.processingNote, c.note);
        // Without a shift the maximum only loses the black level.
        EXPECT_EQ(r->image().maximumValue, 16384 - 100);
    }
}

TEST(BitManipulationPass, SamplesBelowBlackEndAtZero) {
    auto r = loadFlat(90, 100, HeldKeys{kCtrlKey, kShiftKey, digitKey(0)});
    ASSERT_EQ(r->status, kOk);
    EXPECT_EQ(r->image().samples, std::vector<std::uint16_t>(16, 0));
    EXPECT_EQ(r->file->context.processingNote, "0 bit(s) shifted out; ");
}

TEST(BitManipulationPass, EachCfaPositionLosesItsOwnBlack) {
    // Four different CFA black levels: the single black level becomes 0 and each position
    // subtracts its own.
    auto r = loadFlat(1000, 0, HeldKeys{kCtrlKey, kShiftKey, digitKey(0)}, {10, 20, 30, 40});
    ASSERT_EQ(r->status, kOk);
    const std::vector<std::uint16_t> row0 = {990, 980, 990, 980}, row1 = {970, 960, 970, 960};
    EXPECT_EQ(
        std::vector<std::uint16_t>(r->image().samples.begin(), r->image().samples.begin() + 4),
        row0);
    EXPECT_EQ(
        std::vector<std::uint16_t>(r->image().samples.begin() + 4, r->image().samples.begin() + 8),
        row1);
    EXPECT_TRUE(r->image().blackLevelArray.empty());
}

TEST(BitManipulationPass, Ctrl0DropsTheCorrectionsAndLeavesTheSamples) {
    auto r = loadFlat(1000, 0, HeldKeys{kCtrlKey, digitKey(0)}, {10, 20, 30, 40});
    ASSERT_EQ(r->status, kOk);
    EXPECT_EQ(r->image().samples, std::vector<std::uint16_t>(16, 1000));
    EXPECT_TRUE(r->image().blackLevelArray.empty());
    EXPECT_EQ(r->image().blackLevelMinimum, 0);
    EXPECT_EQ(r->image().blackLevelMaximum, 0);
    EXPECT_TRUE(r->file->context.processingNote.empty());
}

TEST(BitManipulationPass, ColumnAndRowBlackAreMixedByTheirWeightings) {
    ImageDescriptor image;
    describeImage(image, 2, 2, 16);
    image.samples = {1000, 1000, 1000, 1000};
    image.blackDeltaH = {100, 200};
    image.blackDeltaV = {300, 400};
    // Column 0 weighs 1, column 1 unknown; row 0 weighs 3, row 1 weighs 0 like column 0's
    // partner in the last sample.
    image.columnWeighting = {1, -1};
    image.rowWeighting = {3, 0};
    RawFileContext file;
    applyBitManipulation(file, image, {BitOperation::Shift, 0, false});
    // (100 x 3 + 300 x 1) / 4 = 150; unknown weighting: (200 + 300) / 2; (100 x 0 + 400 x 1) / 1;
    // (200 + 400) / 2.
    EXPECT_EQ(image.samples, (std::vector<std::uint16_t>{850, 750, 600, 700}));

    // Two weightings of 0 carry no preference: the plain mean, not a division by zero.
    image.samples = {1000, 1000, 1000, 1000};
    image.blackDeltaH = {100, 200};
    image.blackDeltaV = {300, 400};
    image.columnWeighting = {0, 0};
    image.rowWeighting = {0, 0};
    applyBitManipulation(file, image, {BitOperation::Shift, 0, false});
    EXPECT_EQ(image.samples, (std::vector<std::uint16_t>{800, 750, 750, 700}));
}

} // namespace
} // namespace korvane::test
