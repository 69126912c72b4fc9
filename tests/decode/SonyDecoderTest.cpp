// Sony's compressed raw decoder: the blocks and their steps, the curve of tag 28688, the
// checks with their messages, and whole ARW files parsed and loaded, compared with LibRaw.
#include <numeric>

#include "decode/SonyDecoder.hpp"
#include "tests/decode/VendorFileTestSupport.hpp"
#include "tests/support/SonyEncoder.hpp"

namespace korvane::test {
namespace {

using Ranges = std::array<std::uint16_t, 4>;
// Every bound at the curve's end: the curve climbs by 1 throughout, so a sample is its value.
constexpr Ranges kIdentity{16380, 16380, 16380, 16380};

Status decode(StripBuffer& b, const std::vector<std::uint8_t>& bytes, const Ranges& ranges,
              std::uint32_t byteCount) {
    MemoryByteSource source(bytes);
    return DecodeSonyCraw(source, byteCount, b.target, ranges, b.reporter, "/path/a.arw");
}
Status decode(StripBuffer& b, const std::vector<std::uint8_t>& bytes, const Ranges& ranges) {
    return decode(b, bytes, ranges, static_cast<std::uint32_t>(bytes.size()));
}

// One 32-column unit: the block of even columns, then the block of odd columns.
std::vector<std::uint8_t> unit(const SonyBlock& even, const SonyBlock& odd) {
    std::vector<std::uint8_t> out;
    for (const auto& block : {even, odd}) {
        const auto bytes = packSonyBlock(block);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

// The even columns of row 0 of a one-unit strip, as 16 values.
std::vector<std::uint16_t> evenColumns(const StripBuffer& b) {
    std::vector<std::uint16_t> out;
    for (std::uint32_t c = 0; c < 32; c += 2)
        out.push_back(b.at(0, c));
    return out;
}

// --- Blocks ----------------------------------------------------------------------------------

TEST(SonyCrawBlocks, MaxAndMinStandAtTheirIndicesAndTheStepsFillTheRestInOrder) {
    SonyBlock even{.max = 1000, .min = 700, .maxIndex = 5, .minIndex = 9, .steps = {}};
    std::iota(even.steps.begin(), even.steps.end(), std::uint8_t{0});
    const SonyBlock odd{.max = 40,
                        .min = 30,
                        .maxIndex = 0,
                        .minIndex = 15,
                        .steps = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}};
    StripBuffer b(32, 1, 32, 1);
    ASSERT_EQ(decode(b, unit(even, odd), kIdentity), kOk);
    // A spread of 300 gives shift 2: every step counts four.
    const std::vector<std::uint16_t> expected{700, 704, 708, 712, 716, 1000, 720, 724,
                                              728, 700, 732, 736, 740, 744,  748, 752};
    EXPECT_EQ(evenColumns(b), expected);
    EXPECT_EQ(b.at(0, 1), 40);
    EXPECT_EQ(b.at(0, 31), 30);
    for (std::uint32_t c = 3; c < 31; c += 2)
        EXPECT_EQ(b.at(0, c), 37) << c;
    EXPECT_TRUE(b.reporter.records().empty());
}

// Every pair of indices, equal ones too, against the steps placed one position at a time:
// the max's position, else the min's, else the next step (a fifteenth reads as 0).
TEST(SonyCrawBlocks, EveryPairOfIndicesPlacesMaxMinAndStepsAsOnePositionAtATime) {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint16_t> expected;
    for (std::uint8_t maxIndex = 0; maxIndex < 16; ++maxIndex) {
        for (std::uint8_t minIndex = 0; minIndex < 16; ++minIndex) {
            // A spread of 100: each step counts one.
            SonyBlock block{
                .max = 600, .min = 500, .maxIndex = maxIndex, .minIndex = minIndex, .steps = {}};
            std::iota(block.steps.begin(), block.steps.end(), std::uint8_t{1});
            const auto packed = packSonyBlock(block);
            bytes.insert(bytes.end(), packed.begin(), packed.end());
            std::size_t next = 0;
            for (std::uint8_t i = 0; i < 16; ++i) {
                const std::uint16_t step = next < block.steps.size() ? block.steps[next] : 0;
                expected.push_back(i == maxIndex   ? block.max
                                   : i == minIndex ? block.min
                                                   : block.min + step);
                if (i != maxIndex && i != minIndex) ++next;
            }
        }
    }
    // 256 blocks: 128 units of one row, the even block of each unit first.
    StripBuffer b(4096, 1, 4096, 1);
    ASSERT_EQ(decode(b, bytes, kIdentity), kOk);
    for (std::size_t block = 0; block < 256; ++block)
        for (std::uint32_t i = 0; i < 16; ++i)
            ASSERT_EQ(b.at(0, static_cast<std::uint32_t>(block / 2 * 32 + block % 2 + 2 * i)),
                      expected[block * 16 + i])
                << "max index " << block / 16 << ", min index " << block % 16 << ", position " << i;
}

struct SpreadCase {
    int spread;
    int stepValue; // what a step of 1 adds
};

class SonyCrawSpread : public ::testing::TestWithParam<SpreadCase> {};

TEST_P(SonyCrawSpread, TheSpreadSetsWhatAStepCounts) {
    const auto [spread, step] = GetParam();
    SonyBlock block{.max = static_cast<std::uint16_t>(100 + spread),
                    .min = 100,
                    .maxIndex = 0,
                    .minIndex = 1,
                    .steps = {}};
    block.steps.fill(1);
    block.steps[13] = 127;
    StripBuffer b(32, 1, 32, 1);
    ASSERT_EQ(decode(b, unit(block, block), kIdentity), kOk);
    EXPECT_EQ(b.at(0, 4), 100 + step);
    EXPECT_EQ(b.at(0, 30), std::min(2047, 100 + 127 * step));
}

INSTANTIATE_TEST_SUITE_P(Boundaries, SonyCrawSpread,
                         ::testing::Values(SpreadCase{0, 1}, SpreadCase{127, 1}, SpreadCase{128, 2},
                                           SpreadCase{255, 2}, SpreadCase{256, 4},
                                           SpreadCase{300, 4}, SpreadCase{511, 4},
                                           SpreadCase{512, 8}, SpreadCase{1023, 8},
                                           SpreadCase{1024, 16}, SpreadCase{1947, 16}),
                         [](const auto& info) {
                             return "Spread" + std::to_string(info.param.spread);
                         });

TEST(SonyCrawBlocks, StepsAboveTheElevenBitRangeStopAt2047) {
    SonyBlock block{.max = 2047, .min = 1900, .maxIndex = 2, .minIndex = 3, .steps = {}};
    block.steps.fill(127); // spread 147: 1900 + 254
    StripBuffer b(32, 1, 32, 1);
    ASSERT_EQ(decode(b, unit(block, block), kIdentity), kOk);
    EXPECT_EQ(b.at(0, 0), 2047);
    EXPECT_EQ(b.at(0, 6), 1900);
    EXPECT_EQ(b.at(0, 30), 2047);
}

TEST(SonyCrawBlocks, AMinAboveTheMaxSpreadsNothing) {
    SonyBlock block{.max = 10, .min = 500, .maxIndex = 0, .minIndex = 1, .steps = {}};
    block.steps.fill(3);
    StripBuffer b(32, 1, 32, 1);
    ASSERT_EQ(decode(b, unit(block, block), kIdentity), kOk);
    EXPECT_EQ(b.at(0, 0), 10);
    EXPECT_EQ(b.at(0, 2), 500);
    EXPECT_EQ(b.at(0, 4), 503);
}

// A block cannot code two values at one index: the index gets the max, the fourteen steps go
// to the next fourteen positions and the last position, which no step is left for, gets the
// min; nothing is read from the other block.
TEST(SonyCrawBlocks, CoincidingIndicesGiveTheLastPositionTheMin) {
    SonyBlock even{.max = 500, .min = 100, .maxIndex = 3, .minIndex = 3, .steps = {}};
    even.steps.fill(1);
    SonyBlock odd{.max = 2047, .min = 2047, .maxIndex = 0, .minIndex = 1, .steps = {}};
    StripBuffer b(32, 1, 32, 1);
    ASSERT_EQ(decode(b, unit(even, odd), kIdentity), kOk);
    const std::vector<std::uint16_t> expected{104, 104, 104, 500, 104, 104, 104, 104,
                                              104, 104, 104, 104, 104, 104, 104, 100};
    EXPECT_EQ(evenColumns(b), expected);
}

// --- The curve -------------------------------------------------------------------------------

class SonyCrawCurve : public ::testing::TestWithParam<Ranges> {};

// A row of 2048 columns holding every 11-bit value once: each unit codes 32 consecutive
// values, so every block has a spread of 15 and codes them exactly.
TEST_P(SonyCrawCurve, EveryValueBecomesTheCurveAtTwiceItHalved) {
    const Ranges ranges = GetParam();
    std::vector<std::uint16_t> values(2048);
    std::iota(values.begin(), values.end(), std::uint16_t{0});
    std::vector<std::uint16_t> coded;
    const auto bytes = encodeSonyCraw(values, 2048, &coded);
    ASSERT_EQ(coded, values);
    StripBuffer b(2048, 1, 2048, 1);
    ASSERT_EQ(decode(b, bytes, ranges), kOk);
    for (std::uint16_t v = 0; v < 2048; ++v)
        ASSERT_EQ(b.at(0, v), sonySampleOf(v, ranges)) << v;
}

INSTANTIATE_TEST_SUITE_P(Ranges, SonyCrawCurve,
                         ::testing::Values(kSonyA700Ranges, Ranges{4, 8, 12, 16},
                                           Ranges{4000, 4000, 4000, 4000},
                                           Ranges{1024, 2048, 4096, 8192}, kIdentity),
                         [](const auto& info) {
                             std::string name = "Ranges";
                             for (const auto r : info.param)
                                 name += "_" + std::to_string(r);
                             return name;
                         });

TEST(SonyCrawCurve, TheA700CurveAtItsBounds) {
    // Three units: 990 to 1021, all 1300 (twice it the second bound), all 2047.
    std::vector<std::uint16_t> values(96);
    std::iota(values.begin(), values.begin() + 32, std::uint16_t{990});
    std::fill(values.begin() + 32, values.begin() + 64, 1300);
    std::fill(values.begin() + 64, values.end(), 2047);
    StripBuffer b(96, 1, 96, 1);
    ASSERT_EQ(decode(b, encodeSonyCraw(values, 96), kSonyA700Ranges), kOk);
    // Up to 2000 the curve climbs by 1, then by 2 up to 2600, 4 up to 3225, 8 up to 3525
    // and 16 beyond.
    EXPECT_EQ(b.at(0, 0), 990);                                         // curve[1980] / 2
    EXPECT_EQ(b.at(0, 10), 1000);                                       // curve[2000] / 2
    EXPECT_EQ(b.at(0, 11), 1002);                                       // (2000 + 2 x 2) / 2
    EXPECT_EQ(b.at(0, 32), 1600);                                       // (2000 + 2 x 600) / 2
    EXPECT_EQ(b.at(0, 95), (2000 + 1200 + 2500 + 2400 + 16 * 569) / 2); // curve[4094] / 2
}

// A range above 16383 would set a bound past the curve's 4097 entries; the bound stops at
// the end, so the curve is that of 16380.
TEST(SonyCrawCurve, RangesAboveTheCurvesEndStopAtIt) {
    std::vector<std::uint16_t> values(2048);
    std::iota(values.begin(), values.end(), std::uint16_t{0});
    const auto bytes = encodeSonyCraw(values, 2048);
    for (const Ranges ranges :
         {Ranges{16380, 16380, 16380, 65535}, Ranges{65535, 65535, 65535, 65535},
          Ranges{20000, 30000, 40000, 50000}}) {
        StripBuffer b(2048, 1, 2048, 1);
        ASSERT_EQ(decode(b, bytes, ranges), kOk);
        EXPECT_EQ(b.samples, values);
    }
}

// --- Checks ------------------------------------------------------------------------------------

struct CheckCase {
    const char* name;
    std::uint32_t width;
    std::int32_t byteCountChange;
    Ranges ranges;
    const char* text;
};

class SonyCrawChecks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(SonyCrawChecks, AreMessage26BeforeAnySampleIsWritten) {
    const CheckCase& c = GetParam();
    const std::uint32_t rows = 4;
    const std::vector<std::uint8_t> bytes(std::size_t{c.width} * rows, 0x55);
    StripBuffer b(6016, rows, c.width, rows);
    EXPECT_EQ(
        decode(b, bytes, c.ranges, static_cast<std::uint32_t>(bytes.size() + c.byteCountChange)),
        kFailed);
    EXPECT_EQ(b.reporter.numbers(), std::vector<int>{26});
    EXPECT_EQ(b.text(), c.text);
    EXPECT_TRUE(b.untouched());
}

constexpr const char* kLength = "Sony CRaw invalid strip/tile data length";
constexpr const char* kWidth = "Sony CRaw strip/tile width not a multiple of 32";
constexpr const char* kTag = "Sony CRaw tag 28688 missing or incorrect";

INSTANTIATE_TEST_SUITE_P(
    Strips, SonyCrawChecks,
    ::testing::Values(CheckCase{"OneByteShort", 64, -1, kSonyA700Ranges, kLength},
                      CheckCase{"OneByteOver", 64, 1, kSonyA700Ranges, kLength},
                      // The length is checked before the width.
                      CheckCase{"WidthAndLength", 6000, 1, kSonyA700Ranges, kLength},
                      CheckCase{"Width6000", 6000, 0, kSonyA700Ranges, kWidth},
                      CheckCase{"Width16", 16, 0, kSonyA700Ranges, kWidth},
                      CheckCase{"Width4280", 4280, 0, kSonyA700Ranges, kWidth},
                      CheckCase{"Width33", 33, 0, kSonyA700Ranges, kWidth},
                      CheckCase{"TagMissing", 64, 0, Ranges{0, 0, 0, 0}, kTag},
                      CheckCase{"Tag3First", 64, 0, Ranges{3, 10400, 12900, 14100}, kTag},
                      CheckCase{"Tag3Second", 64, 0, Ranges{8000, 3, 12900, 14100}, kTag},
                      CheckCase{"Tag3Third", 64, 0, Ranges{8000, 10400, 3, 14100}, kTag},
                      CheckCase{"Tag3Fourth", 64, 0, Ranges{8000, 10400, 12900, 3}, kTag},
                      CheckCase{"WidthBeforeTag", 48, 0, Ranges{3, 3, 3, 3}, kWidth}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SonyCrawChecks, FourIsTheSmallestRange) {
    StripBuffer b(32, 1, 32, 1);
    EXPECT_EQ(decode(b, std::vector<std::uint8_t>(32, 0), Ranges{4, 4, 4, 4}), kOk);
}

// --- Placement and the end of the data ---------------------------------------------------------

TEST(SonyCrawStrips, RowsGoBelowTheStripsStartAndColumnsPastTheImageAreDropped) {
    const std::uint32_t width = 64, rows = 3;
    std::vector<std::uint16_t> values(std::size_t{width} * rows);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint16_t>(i % 64 + 500 * (i / 64));
    // An image 40 wide: the strip starts at column 8, row 2, and reaches past the right edge.
    StripBuffer b(40, 6, width, rows, 2, 8);
    ASSERT_EQ(decode(b, encodeSonyCraw(values, width), kIdentity), kOk);
    for (std::uint32_t r = 0; r < 6; ++r)
        for (std::uint32_t c = 0; c < 40; ++c) {
            const bool inStrip = r >= 2 && r < 5 && c >= 8;
            const std::uint16_t expected =
                inStrip ? values[(r - 2) * width + (c - 8)] : StripBuffer::kUntouched;
            ASSERT_EQ(b.at(r, c), expected) << r << "," << c;
        }
}

TEST(SonyCrawStrips, ASourceEndingEarlyIsMessage8AfterTheRowsItHeld) {
    std::vector<std::uint16_t> values(64 * 3, 500);
    auto bytes = encodeSonyCraw(values, 64);
    const auto byteCount = static_cast<std::uint32_t>(bytes.size());
    bytes.resize(64 + 40); // row 0 and part of row 1
    StripBuffer b(64, 3, 64, 3);
    EXPECT_EQ(decode(b, bytes, kIdentity, byteCount), kFailed);
    EXPECT_EQ(b.reporter.numbers(), std::vector<int>{8});
    EXPECT_EQ(b.reporter.records()[0].args.text1, "/path/a.arw");
    EXPECT_EQ(b.text(), "end of file occured while reading compressed scan data");
    EXPECT_EQ(b.at(0, 63), 500);
    EXPECT_EQ(b.at(1, 0), 500); // the first unit of row 1 was whole
    EXPECT_EQ(b.at(1, 32), StripBuffer::kUntouched);
}

// --- Whole files -----------------------------------------------------------------------------

// Values of an ARW image: a smooth scene whose blocks have spreads of every shift.
std::vector<std::uint16_t> arwValues(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint16_t> out(std::size_t{width} * height);
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c) {
            const std::uint32_t band = (c / 32 + r) % 5; // spread about 2^(6 + band)
            const std::uint32_t base = (r * 7 + c * 3) % 900;
            out[std::size_t{r} * width + c] = static_cast<std::uint16_t>(
                base + ((c * 37 + r * 11) % 61) * (1u << band) % 2048 / 2);
        }
    return out;
}

// The A700-sized values and what the coding keeps of them, made once.
struct ArwValues {
    std::vector<std::uint16_t> values = arwValues(4288, 2856);
    std::vector<std::uint16_t> coded;
    ArwValues() { encodeSonyCraw(values, 4288, &coded); }
};
const ArwValues& arw() {
    static const ArwValues made;
    return made;
}

TEST(SonyArwFile, DecodesThroughTheCameraRowToItsSamples) {
    const ProcessedFile file(sonyArw(arw().values, {}));
    ASSERT_EQ(file.parsed, kOk) << file.messages();
    ASSERT_EQ(file.loaded, kOk) << file.messages();
    EXPECT_TRUE(file.reporter.records().empty()) << file.messages();
    EXPECT_EQ(file.image().compression, 65538u);
    EXPECT_EQ(file.image().bitsPerSample, 13);
    const auto& samples = file.image().samples;
    ASSERT_EQ(samples.size(), arw().coded.size());
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
        wrong += samples[i] != sonySampleOf(arw().coded[i], kSonyA700Ranges);
    EXPECT_EQ(wrong, 0u);
}

// LibRaw keeps the curve's values whole, on a 14-bit scale, where this decoder halves them
// for the 13-bit levels of the camera rows.
TEST(SonyArwFile, LibRawAgreesSampleForSample) {
    if (!libRawAvailable()) GTEST_SKIP() << "LibRaw not available";
    const ProcessedFile file(sonyArw(arw().values, {}));
    ASSERT_EQ(file.loaded, kOk) << file.messages();
    EXPECT_EQ(samplesUnlikeLibRaw(file, 2), 0u);
}

struct BrokenArw {
    const char* name;
    SonyArwLayout layout;
    const char* text;
};

class SonyArwBroken : public ::testing::TestWithParam<BrokenArw> {};

TEST_P(SonyArwBroken, FailsTheLoadWithMessage26) {
    const ProcessedFile file(sonyArw(arw().values, GetParam().layout));
    ASSERT_EQ(file.parsed, kOk) << file.messages();
    EXPECT_EQ(file.loaded, kFailed);
    ASSERT_EQ(file.reporter.numbers(), std::vector<int>{26});
    EXPECT_EQ(file.reporter.records()[0].shown.text,
              std::string("Decompression error:\n") + GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SonyArwBroken,
    ::testing::Values(BrokenArw{"NoTag28688", {.withRanges = false}, kTag},
                      BrokenArw{"Tag28688With3", {.ranges = {8000, 10400, 3, 14100}}, kTag},
                      BrokenArw{"StripByteCountShort", {.byteCountChange = -32}, kLength}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korvane::test
