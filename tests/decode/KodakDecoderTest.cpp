// Kodak's compression 65000: chunks, code lengths and the bit order of their data, the
// request for files of another coding, short data, strips, and whole DCS Pro files parsed
// and loaded, compared with LibRaw.
#include "decode/KodakDecoder.hpp"
#include "tests/decode/VendorFileTestSupport.hpp"
#include "tests/support/KodakEncoder.hpp"

namespace korvane::test {
namespace {

Status decode(StripBuffer& b, const std::vector<std::uint8_t>& bytes, std::uint32_t byteCount) {
    MemoryByteSource source(bytes);
    return DecodeKodak(source, byteCount, b.target, b.reporter, "/path/a.dcr");
}
Status decode(StripBuffer& b, const std::vector<std::uint8_t>& bytes) {
    return decode(b, bytes, static_cast<std::uint32_t>(bytes.size()));
}

// --- Streams written out by hand ---------------------------------------------------------------

// Four samples 5, 3, 4, 1: differences 5 and -1 at even positions, 3 and -2 at odd ones, of 3,
// 2, 1 and 2 bits (a negative d as d + 2^L - 1). Four lengths leave 4 over a multiple of 8:
// one 16-bit word is taken ahead, and its 8 bits of data need no more.
TEST(KodakStreams, AChunkWithAWordAheadTakesItsBitsLowestFirst) {
    const std::vector<std::uint8_t> bytes{0x23, 0x21, 0x00, 0x5D};
    StripBuffer b(4, 1, 4, 1);
    ASSERT_EQ(decode(b, bytes), kOk);
    EXPECT_EQ(b.rows(0, 1), (std::vector<std::uint16_t>{5, 3, 4, 1}));
    EXPECT_TRUE(b.reporter.records().empty());
}

// Five samples: lengths 12, 12 and six zeros (a zero length repeats its parity's last sample).
// Eight lengths take no word ahead; the 32-bit fill takes its four bytes q0 q1 q2 q3 as
// q1, q0, q3, q2 from the lowest bits up.
TEST(KodakStreams, AFillTakesItsFourBytesAsTwoBigEndianWords) {
    const std::vector<std::uint8_t> bytes{0xCC, 0x00, 0x00, 0x00, 0x1A, 0xBC, 0x00, 0x9F};
    StripBuffer b(5, 1, 5, 1);
    ASSERT_EQ(decode(b, bytes), kOk);
    EXPECT_EQ(b.rows(0, 1), (std::vector<std::uint16_t>{0xABC, 0x9F1, 0xABC, 0x9F1, 0xABC}));
}

// --- Encoded strips ----------------------------------------------------------------------------

struct StripCase {
    std::uint32_t width;
    std::uint32_t rows;
    std::uint8_t padLength;
};

class KodakStrips : public ::testing::TestWithParam<StripCase> {};

TEST_P(KodakStrips, DecodeToTheirSamples) {
    const auto [width, rows, padLength] = GetParam();
    auto samples = sceneSamples(width, rows, 12, width + rows);
    // The largest differences there are: 0 and 4095 in turn at each parity.
    for (std::uint32_t c = 0; c < width && c < 16; ++c)
        samples[c] = (c / 2) % 2 == 0 ? 4095 : 0;
    StripBuffer b(width, rows, width, rows);
    ASSERT_EQ(decode(b, encodeKodak(samples, width, {.padLength = padLength})), kOk);
    EXPECT_EQ(b.samples, samples);
    EXPECT_TRUE(b.reporter.records().empty());
}

// Chunk sizes of every remainder modulo 8 (the word ahead), and rows of one, two and three
// chunks.
INSTANTIATE_TEST_SUITE_P(
    Widths, KodakStrips,
    ::testing::Values(StripCase{1, 3, 0}, StripCase{2, 3, 0}, StripCase{3, 2, 0},
                      StripCase{4, 2, 0}, StripCase{5, 2, 0}, StripCase{7, 2, 0},
                      StripCase{8, 2, 0}, StripCase{12, 2, 0}, StripCase{255, 2, 0},
                      StripCase{256, 2, 0}, StripCase{257, 2, 0}, StripCase{300, 3, 0},
                      StripCase{513, 2, 0}, StripCase{1000, 4, 0},
                      // The lengths that only round up a chunk count in its data.
                      StripCase{3, 2, 12}, StripCase{6, 2, 7}, StripCase{301, 3, 12}),
    [](const auto& info) {
        const StripCase& c = info.param;
        return std::to_string(c.width) + "x" + std::to_string(c.rows) + "Pad" +
               std::to_string(c.padLength);
    });

TEST(KodakStrips, EachStripGoesToItsOwnRows) {
    const std::uint32_t width = 300, height = 12;
    const auto samples = sceneSamples(width, height, 12);
    std::vector<std::uint16_t> image(std::size_t{width} * height, 0);
    RecordingReporter reporter;
    for (std::uint32_t row = 0; row < height; row += 5) {
        const std::uint32_t rows = std::min(5u, height - row);
        const auto strip =
            std::span(samples).subspan(std::size_t{row} * width, std::size_t{rows} * width);
        const auto bytes = encodeKodak(strip, width);
        MemoryByteSource source(bytes);
        const SampleTarget target{image, width, height, width, rows, row, 0};
        ASSERT_EQ(
            DecodeKodak(source, static_cast<std::uint32_t>(bytes.size()), target, reporter, "p"),
            kOk);
    }
    EXPECT_EQ(image, samples);
}

TEST(KodakStrips, SamplesPastTheImageAreDropped) {
    const auto samples = sceneSamples(300, 3, 12);
    StripBuffer b(200, 2, 300, 3, 0, 20);
    ASSERT_EQ(decode(b, encodeKodak(samples, 300)), kOk);
    for (std::uint32_t r = 0; r < 2; ++r) {
        EXPECT_EQ(b.at(r, 19), StripBuffer::kUntouched);
        for (std::uint32_t c = 20; c < 200; ++c)
            ASSERT_EQ(b.at(r, c), samples[r * 300 + c - 20]);
    }
}

// --- Lengths of another coding -----------------------------------------------------------------

TEST(KodakRequest, ALengthOf13AsksForTheFileAndKeepsTheSamplesBeforeIt) {
    const std::uint32_t width = 600; // chunks of 256, 256 and 88
    const auto samples = sceneSamples(width, 3, 12);
    // Chunk 4 is the second of row 1.
    StripBuffer b(width, 3, width, 3);
    ASSERT_EQ(decode(b, encodeKodak(samples, width, {.unsupportedChunk = 4})), kOk);
    ASSERT_EQ(b.reporter.records().size(), 1u);
    const FormattedMessage& shown = b.reporter.records()[0].shown;
    EXPECT_TRUE(shown.rawFileRequest);
    EXPECT_EQ(shown.caption, "Request for Raw File");
    EXPECT_EQ(shown.text, kKodakRawFileRequest);
    EXPECT_NE(shown.text.find("issue tracker"), std::string::npos);
    EXPECT_EQ(shown.text.find('@'), std::string::npos); // no mail address to send files to
    const std::vector<std::uint16_t> firstRow(samples.begin(), samples.begin() + width);
    EXPECT_EQ(b.rows(0, 1), firstRow);
    for (std::uint32_t c = 0; c < 256; ++c)
        ASSERT_EQ(b.at(1, c), samples[width + c]);
    for (std::uint32_t c = 256; c < width; ++c)
        ASSERT_EQ(b.at(1, c), StripBuffer::kUntouched);
    for (std::uint32_t c = 0; c < width; ++c)
        ASSERT_EQ(b.at(2, c), StripBuffer::kUntouched);
}

TEST(KodakRequest, EvenALengthThatOnlyRoundsUpTheCountAsksForTheFile) {
    const auto samples = sceneSamples(3, 2, 12);
    auto bytes = encodeKodak(samples, 3);
    bytes[1] |= 0xD0; // the fourth length of the first chunk, which has three samples
    StripBuffer b(3, 2, 3, 2);
    ASSERT_EQ(decode(b, bytes), kOk);
    EXPECT_EQ(b.reporter.numbers(), std::vector<int>{kRawFileRequestNumber});
    EXPECT_TRUE(b.untouched());
}

TEST(KodakRequest, IsWrittenAsCaptionAndText) {
    // A line reporter writes "Caption: text", as korvane-cli does; the dialog's box shows the
    // same caption and text.
    StderrReporter reporter;
    ::testing::internal::CaptureStderr();
    reporter.ShowRawFileRequest(std::string(kKodakRawFileRequest));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Request for Raw File: " + std::string(kKodakRawFileRequest) + "\n");
}

// --- Short data --------------------------------------------------------------------------------

struct ShortCase {
    const char* name;
    std::size_t keep; // bytes of the 300 x 2 strip left; its first chunk has 128 length bytes
    const char* text;
};

class KodakShort : public ::testing::TestWithParam<ShortCase> {};

TEST_P(KodakShort, IsMessage8WithThePath) {
    const auto samples = sceneSamples(300, 2, 12);
    auto bytes = encodeKodak(samples, 300);
    const auto byteCount = static_cast<std::uint32_t>(bytes.size());
    bytes.resize(GetParam().keep);
    StripBuffer b(300, 2, 300, 2);
    EXPECT_EQ(decode(b, bytes, byteCount), kFailed);
    EXPECT_EQ(b.reporter.numbers(), std::vector<int>{8});
    EXPECT_EQ(b.reporter.records()[0].args.text1, "/path/a.dcr");
    EXPECT_EQ(b.text(), GetParam().text);
}

constexpr const char* kLengthsShort =
    "end of file occured\nwhile reading Kodak compressed length info";
constexpr const char* kDataShort = "end of file occured\nwhile reading Kodak compressed data";

INSTANTIATE_TEST_SUITE_P(Ends, KodakShort,
                         ::testing::Values(ShortCase{"Empty", 0, kLengthsShort},
                                           ShortCase{"InTheLengths", 100, kLengthsShort},
                                           ShortCase{"AfterTheLengths", 128, kDataShort},
                                           ShortCase{"InTheData", 200, kDataShort}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KodakShort, AByteCountBelowTheDataEndsItToo) {
    const auto samples = sceneSamples(300, 2, 12);
    const auto bytes = encodeKodak(samples, 300);
    StripBuffer b(300, 2, 300, 2);
    EXPECT_EQ(decode(b, bytes, static_cast<std::uint32_t>(bytes.size() - 1)), kFailed);
    EXPECT_EQ(b.text(), kDataShort);
    // Row 0 and the first chunk of row 1 were whole.
    for (std::uint32_t c = 0; c < 256; ++c)
        ASSERT_EQ(b.at(1, c), samples[300 + c]);
}

// --- Bands of rows on the pool ---------------------------------------------------------------

struct PoolCase {
    const char* name;
    std::uint32_t keepPerThousand; // of the strip's bytes
    std::size_t unsupportedChunk;  // SIZE_MAX: none
};

class KodakOnThePool : public ::testing::TestWithParam<PoolCase> {};

// 100 rows of three chunks: four bands, the data ending or changing coding in any of them.
TEST_P(KodakOnThePool, DecodesAsOneThreadDoes) {
    const PoolCase c = GetParam();
    const std::uint32_t width = 700, rows = 100;
    const auto samples = sceneSamples(width, rows, 12, 11);
    auto bytes = encodeKodak(samples, width, {.unsupportedChunk = c.unsupportedChunk});
    const auto byteCount = static_cast<std::uint32_t>(bytes.size());
    bytes.resize(bytes.size() * c.keepPerThousand / 1000);
    const auto decodeOn = [&](WorkerPool& pool) {
        auto b = std::make_unique<StripBuffer>(width, rows, width, rows);
        MemoryByteSource source(bytes);
        const Status status = DecodeKodak(source, byteCount, b->target, b->reporter, "p", pool);
        return std::make_pair(status, std::move(b));
    };
    const auto [status, serial] = decodeOn(WorkerPool::serial());
    if (c.keepPerThousand == 1000 && c.unsupportedChunk == SIZE_MAX) {
        EXPECT_EQ(status, kOk);
        EXPECT_EQ(serial->samples, samples);
    }
    for (const unsigned workers : {1u, 3u}) {
        WorkerPool pool(workers);
        const auto [parallelStatus, parallel] = decodeOn(pool);
        EXPECT_EQ(parallelStatus, status) << workers;
        EXPECT_EQ(parallel->reporter.numbers(), serial->reporter.numbers()) << workers;
        EXPECT_EQ(parallel->text(), serial->text()) << workers;
        EXPECT_TRUE(parallel->samples == serial->samples) << workers << " workers";
    }
}

INSTANTIATE_TEST_SUITE_P(Bands, KodakOnThePool,
                         ::testing::Values(PoolCase{"Whole", 1000, SIZE_MAX},
                                           PoolCase{"EndingInTheFirstBand", 100, SIZE_MAX},
                                           PoolCase{"EndingHalfWay", 500, SIZE_MAX},
                                           PoolCase{"EndingInTheLastRow", 998, SIZE_MAX},
                                           PoolCase{"AnotherCodingInTheThirdBand", 1000, 200}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Whole files -------------------------------------------------------------------------------

const std::vector<std::uint16_t>& dcrSamples() {
    return cachedScene(4516, 3012, 12);
}

TEST(KodakDcrFile, DecodesToItsSamples) {
    const ProcessedFile file(kodakDcr(dcrSamples(), {}));
    ASSERT_EQ(file.parsed, kOk) << file.messages();
    ASSERT_EQ(file.loaded, kOk) << file.messages();
    EXPECT_TRUE(file.reporter.records().empty()) << file.messages();
    EXPECT_EQ(file.image().compression, 65000u);
    EXPECT_TRUE(file.image().samples == dcrSamples());
}

TEST(KodakDcrFile, LibRawAgreesSampleForSample) {
    if (!libRawAvailable()) GTEST_SKIP() << "LibRaw not available";
    const ProcessedFile file(kodakDcr(dcrSamples(), {}));
    ASSERT_EQ(file.loaded, kOk) << file.messages();
    EXPECT_EQ(samplesUnlikeLibRaw(file), 0u);
}

// The maker note's LinearizationTable maps the decoded values, here and in LibRaw alike.
TEST(KodakDcrFile, TheMakerNotesTableMapsTheValues) {
    std::vector<std::uint16_t> table(4096);
    for (std::uint32_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint16_t>(i * i / 4096 + i / 2);
    KodakDcrLayout layout;
    layout.linearisation = table;
    const ProcessedFile file(kodakDcr(dcrSamples(), layout));
    ASSERT_EQ(file.loaded, kOk) << file.messages();
    const auto& samples = file.image().samples;
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
        wrong += samples[i] != table[(dcrSamples())[i]];
    EXPECT_EQ(wrong, 0u);
    if (libRawAvailable()) {
        EXPECT_EQ(samplesUnlikeLibRaw(file), 0u);
    }
}

TEST(KodakDcrFile, AFileInSeveralStripsHasEachInItsRows) {
    KodakDcrLayout layout;
    layout.rowsPerStrip = 1000;
    const ProcessedFile file(kodakDcr(dcrSamples(), layout));
    ASSERT_EQ(file.loaded, kOk) << file.messages();
    EXPECT_TRUE(file.image().samples == dcrSamples());
}

TEST(KodakDcrFile, ALengthOf13AsksForTheFileAndTheLoadGoesOn) {
    // 18 chunks a row: chunk 95 is in row 5.
    KodakDcrLayout layout;
    layout.coding.unsupportedChunk = 95;
    const ProcessedFile file(kodakDcr(dcrSamples(), layout));
    ASSERT_EQ(file.loaded, kOk) << file.messages();
    ASSERT_EQ(file.reporter.records().size(), 1u);
    EXPECT_EQ(file.reporter.records()[0].shown.caption, "Request for Raw File");
    const auto& samples = file.image().samples;
    EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + 5 * 4516, dcrSamples().begin()));
    EXPECT_EQ(samples[6 * 4516], 0);
}

} // namespace
} // namespace korvane::test
