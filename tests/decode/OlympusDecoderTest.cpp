// Olympus' compressed raw decoder: codes written out bit by bit, the prediction of the first
// rows, magnitudes past 16 bits, encoded strips, short data, and whole E-3 files parsed and
// loaded, compared with LibRaw.
#include <memory>
#include <random>

#include "decode/OlympusDecoder.hpp"
#include "tests/decode/VendorFileTestSupport.hpp"
#include "tests/support/OlympusEncoder.hpp"

namespace korvane::test {
namespace {

// The 7 header bytes, then the bits given as '0' and '1' (other characters are spacing),
// padded with zeros to a byte.
std::vector<std::uint8_t> stream(std::string_view bits) {
    std::vector<std::uint8_t> out(7, 0);
    int used = 8;
    for (const char bit : bits) {
        if (bit != '0' && bit != '1') continue;
        if (used == 8) {
            out.push_back(0);
            used = 0;
        }
        if (bit == '1') out.back() |= static_cast<std::uint8_t>(0x80 >> used);
        ++used;
    }
    return out;
}

Status decode(StripBuffer& b, const std::vector<std::uint8_t>& bytes, std::uint32_t byteCount) {
    MemoryByteSource source(bytes);
    return DecodeOlympus(source, byteCount, b.target, b.reporter, "/path/a.orf");
}
Status decode(StripBuffer& b, const std::vector<std::uint8_t>& bytes) {
    return decode(b, bytes, static_cast<std::uint32_t>(bytes.size()));
}

// --- Codes written out by hand -----------------------------------------------------------------

// Each code: sign and 2 low bits, the high part in unary, nbits low bits of the magnitude.
// A fresh column state takes 4 low bits. Sample 8 is 13 (its prediction, two columns left)
// less 5: difference -2 from the mean 0, so sign 1 and magnitude 1, low bits 3.
TEST(OlympusCodes, SignLowBitsUnaryAndMagnitude) {
    const auto bytes = stream("001 1 0011  010 1 0000  111 1 0001  000 1 0000");
    StripBuffer b(4, 1, 4, 1);
    ASSERT_EQ(decode(b, bytes), kOk);
    EXPECT_EQ(b.rows(0, 1), (std::vector<std::uint16_t>{13, 2, 8, 2}));
    EXPECT_TRUE(b.reporter.records().empty());
}

// 12 zeros announce the escape: 16 - nbits bits whose half is the high part. 4095 is
// 4 x 1023 + 3, and 1023 = 63 x 16 + 15.
TEST(OlympusCodes, TwelveZerosAnnounceTheEscape) {
    const auto bytes = stream("011 000000000000 000001111110 1111  000 1 0000");
    StripBuffer b(2, 1, 2, 1);
    ASSERT_EQ(decode(b, bytes), kOk);
    EXPECT_EQ(b.rows(0, 1), (std::vector<std::uint16_t>{4095, 0}));
}

// Every code says: low bits 3, magnitude 0 (4 low bits while the column's run of small
// magnitudes is under 3, 2 after it). Rows 0 and 1 add 3 to the sample two columns left;
// later rows predict from above, so sample (r, c) is 3 x (r / 2 + c / 2 + 1).
TEST(OlympusCodes, RowsZeroAndOneArePredictedFromTheLeftOnly) {
    const std::uint32_t width = 8, height = 4;
    std::string bits;
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c)
            bits += c / 2 < 3 ? "011 1 0000 " : "011 1 00 ";
    StripBuffer b(width, height, width, height);
    ASSERT_EQ(decode(b, stream(bits)), kOk);
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c)
            EXPECT_EQ(b.at(r, c), 3 * (r / 2 + c / 2 + 1)) << r << "," << c;
}

// A magnitude past 16 bits (11 x 2^13 + 8191 = 98303 in column 2) sets the next one's width by
// its low 16 bits (32767: 13 bits), as the coding keeps it. Counted whole it would ask 15,
// and after a few more such codes more than 16, leaving the escape a negative width.
TEST(OlympusCodes, AMagnitudePast16BitsSetsTheNextWidthByItsLow16) {
    const auto bytes = stream("000 000000000000 111111111110 1111  000 1 0000 "
                              "000 000000000001 1111111111111      000 1 0000 "
                              "000 000000000000 010 0000000000001  000 1 0000");
    StripBuffer b(6, 1, 6, 1);
    ASSERT_EQ(decode(b, bytes), kOk);
    // 4 x 32767 as a 16-bit sample; then + 4 x (98303 + 3071); then + 4 x (8193 + 9599).
    EXPECT_EQ(b.rows(0, 1), (std::vector<std::uint16_t>{65532, 0, 12276, 0, 17908, 0}));
}

// --- Encoded strips ----------------------------------------------------------------------------

struct StripCase {
    std::uint32_t width;
    std::uint32_t rows;
    bool noise;        // uniform 12-bit samples: large magnitudes and wide codes
    bool escapeAlways; // every high part through the escape
};

std::vector<std::uint16_t> stripSamples(const StripCase& c) {
    if (!c.noise) return sceneSamples(c.width, c.rows, 12, c.width * 7 + c.rows);
    std::vector<std::uint16_t> out(std::size_t{c.width} * c.rows);
    std::mt19937 random(c.width + c.rows);
    for (auto& s : out)
        s = static_cast<std::uint16_t>(random() % 4096);
    return out;
}

class OlympusStrips : public ::testing::TestWithParam<StripCase> {};

TEST_P(OlympusStrips, DecodeToTheirSamples) {
    const StripCase& c = GetParam();
    const auto samples = stripSamples(c);
    StripBuffer b(c.width, c.rows, c.width, c.rows);
    ASSERT_EQ(decode(b, encodeOlympus(samples, c.width, {.escapeAlways = c.escapeAlways})), kOk);
    EXPECT_TRUE(b.reporter.records().empty());
    for (std::uint32_t r = 0; r < c.rows; ++r)
        for (std::uint32_t col = 0; col < c.width; ++col) {
            // An odd last column is not coded and stays as it was.
            const bool coded = col + 1 < c.width || c.width % 2 == 0;
            ASSERT_EQ(b.at(r, col), coded ? samples[r * c.width + col] : StripBuffer::kUntouched)
                << r << "," << col;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, OlympusStrips,
    ::testing::Values(StripCase{2, 1, false, false}, StripCase{4, 2, false, false},
                      StripCase{3, 3, false, false}, StripCase{6, 5, false, false},
                      StripCase{64, 40, false, false}, StripCase{101, 7, false, false},
                      StripCase{64, 40, true, false}, StripCase{333, 9, true, false},
                      StripCase{64, 40, false, true}, StripCase{50, 8, true, true}),
    [](const auto& info) {
        const StripCase& c = info.param;
        return std::to_string(c.width) + "x" + std::to_string(c.rows) +
               (c.noise ? "Noise" : "Scene") + (c.escapeAlways ? "Escapes" : "");
    });

TEST(OlympusStrips, TheFirstTwoRowsOfEachStripSeeOnlyTheirLeft) {
    const std::uint32_t width = 64, height = 12;
    const auto samples = sceneSamples(width, height, 12);
    std::vector<std::uint16_t> image(std::size_t{width} * height, 0);
    RecordingReporter reporter;
    for (std::uint32_t row = 0; row < height; row += 5) {
        const std::uint32_t rows = std::min(5u, height - row);
        const auto bytes = encodeOlympus(
            std::span(samples).subspan(std::size_t{row} * width, std::size_t{rows} * width), width);
        MemoryByteSource source(bytes);
        const SampleTarget target{image, width, height, width, rows, row, 0};
        ASSERT_EQ(
            DecodeOlympus(source, static_cast<std::uint32_t>(bytes.size()), target, reporter, "p"),
            kOk);
    }
    EXPECT_EQ(image, samples);
}

TEST(OlympusStrips, SamplesPastTheImageAreDecodedButNotStored) {
    const auto samples = sceneSamples(64, 6, 12);
    StripBuffer b(40, 4, 64, 6, 0, 4);
    ASSERT_EQ(decode(b, encodeOlympus(samples, 64)), kOk);
    for (std::uint32_t r = 0; r < 4; ++r) {
        EXPECT_EQ(b.at(r, 3), StripBuffer::kUntouched);
        for (std::uint32_t c = 4; c < 40; ++c)
            ASSERT_EQ(b.at(r, c), samples[r * 64 + c - 4]) << r << "," << c;
    }
}

// --- Short data --------------------------------------------------------------------------------

TEST(OlympusShort, AStripWithoutItsHeaderIsMessage8) {
    StripBuffer b(4, 1, 4, 1);
    EXPECT_EQ(decode(b, std::vector<std::uint8_t>(6, 0)), kFailed);
    EXPECT_EQ(b.reporter.numbers(), std::vector<int>{8});
    EXPECT_EQ(b.reporter.records()[0].args.text1, "/path/a.orf");
    EXPECT_EQ(b.text(), "end of file occured\nwhile reading compressed scan data");
    EXPECT_TRUE(b.untouched());
}

TEST(OlympusShort, BitsEndingBeforeTheLastSampleAreMessage16) {
    const auto samples = sceneSamples(64, 4, 12);
    const auto whole = encodeOlympus(samples, 64);
    for (const std::size_t keep : {std::size_t{7}, whole.size() / 2, whole.size() - 1}) {
        auto bytes = whole;
        bytes.resize(keep);
        // Once with the byte count of the whole strip (the source ends), once with its own.
        for (const auto byteCount :
             {static_cast<std::uint32_t>(whole.size()), static_cast<std::uint32_t>(keep)}) {
            StripBuffer b(64, 4, 64, 4);
            EXPECT_EQ(decode(b, bytes, byteCount), kFailed);
            EXPECT_EQ(b.reporter.numbers(), std::vector<int>{16});
            EXPECT_EQ(b.reporter.records()[0].shown.text,
                      "Error in the JPEG compressed data: \ntile/strip data incomplete");
            if (keep == whole.size() / 2) {
                EXPECT_EQ(b.rows(0, 1),
                          std::vector<std::uint16_t>(samples.begin(), samples.begin() + 64));
            }
        }
    }
}

// --- Two threads -------------------------------------------------------------------------------

struct TwoStageCase {
    const char* name;
    std::uint32_t width;
    std::uint32_t rows;
    std::uint32_t imageRows;     // rows of the image the strip lies in (from row 0)
    std::size_t keepPerThousand; // the bytes kept of the coded strip, per thousand
};

class OlympusTwoStages : public ::testing::TestWithParam<TwoStageCase> {};

// The strip decoded on pools of 1, 3 and 7 workers (more than processors: the stages run in
// every order and speed) gives the samples and messages of a decode on the calling thread.
TEST_P(OlympusTwoStages, GiveTheSamplesAndMessagesOfOneThread) {
    const TwoStageCase& c = GetParam();
    const auto samples = sceneSamples(c.width, c.rows, 12);
    auto bytes = encodeOlympus(samples, c.width);
    const auto byteCount = static_cast<std::uint32_t>(bytes.size());
    bytes.resize(bytes.size() * c.keepPerThousand / 1000);
    const auto decodeOn = [&](WorkerPool& pool) {
        auto b = std::make_unique<StripBuffer>(c.width, c.imageRows, c.width, c.rows);
        MemoryByteSource source(bytes);
        const Status status =
            DecodeOlympus(source, byteCount, b->target, b->reporter, "/path/a.orf", pool);
        return std::make_pair(status, std::move(b));
    };
    const auto [status, serial] = decodeOn(WorkerPool::serial());
    EXPECT_EQ(succeeded(status), c.keepPerThousand == 1000);
    // An odd last column is not coded.
    if (c.keepPerThousand == 1000 && c.imageRows >= c.rows && c.width % 2 == 0) {
        EXPECT_EQ(serial->rows(0, c.rows), samples);
    }
    for (const unsigned workers : {1u, 3u, 7u}) {
        WorkerPool pool(workers);
        for (int repeat = 0; repeat < 3; ++repeat) {
            const auto [parallelStatus, parallel] = decodeOn(pool);
            EXPECT_EQ(parallelStatus, status) << workers;
            EXPECT_EQ(parallel->reporter.numbers(), serial->reporter.numbers()) << workers;
            EXPECT_TRUE(parallel->samples == serial->samples) << workers << " workers";
        }
    }
}

// 300 rows: enough for two stages (from 256), and more than the ring's 128.
INSTANTIATE_TEST_SUITE_P(Strips, OlympusTwoStages,
                         ::testing::Values(TwoStageCase{"Whole", 96, 300, 300, 1000},
                                           TwoStageCase{"OddWidth", 97, 300, 300, 1000},
                                           TwoStageCase{"PastTheImage", 64, 300, 150, 1000},
                                           TwoStageCase{"EndingInTheFirstRing", 96, 300, 300, 50},
                                           TwoStageCase{"EndingHalfWay", 96, 300, 300, 500},
                                           TwoStageCase{"EndingInTheLastRow", 96, 300, 300, 999},
                                           TwoStageCase{"OnlyTheHeader", 96, 300, 300, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Whole files -------------------------------------------------------------------------------

const std::vector<std::uint16_t>& orfSamples() {
    return cachedScene(3720, 2800, 12);
}

TEST(OlympusOrfFile, DecodesThroughTheCameraRowToItsSamples) {
    const ProcessedFile file(olympusOrf(orfSamples(), {}));
    ASSERT_EQ(file.parsed, kOk) << file.messages();
    ASSERT_EQ(file.loaded, kOk) << file.messages();
    EXPECT_TRUE(file.reporter.records().empty()) << file.messages();
    EXPECT_EQ(file.image().compression, 65539u);
    EXPECT_EQ(file.image().decodingVariant, 9);
    EXPECT_TRUE(file.image().samples == orfSamples());
}

TEST(OlympusOrfFile, LibRawAgreesSampleForSample) {
    if (!libRawAvailable()) GTEST_SKIP() << "LibRaw not available";
    const ProcessedFile file(olympusOrf(orfSamples(), {}));
    ASSERT_EQ(file.loaded, kOk) << file.messages();
    EXPECT_EQ(samplesUnlikeLibRaw(file), 0u);
}

TEST(OlympusOrfFile, ACutStripFailsTheLoadWithMessage16) {
    OlympusOrfLayout layout;
    layout.coding.keepBytes = 1000000;
    const ProcessedFile file(olympusOrf(orfSamples(), layout));
    ASSERT_EQ(file.parsed, kOk) << file.messages();
    EXPECT_EQ(file.loaded, kFailed);
    EXPECT_EQ(file.reporter.numbers(), std::vector<int>{16});
}

} // namespace
} // namespace korvane::test
