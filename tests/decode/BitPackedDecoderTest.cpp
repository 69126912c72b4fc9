// Samples of 10, 12 and 14 bits packed most significant bit first, each row on a byte: the
// codec against the test encoder, the loader's choice of it for DNG strips and tiles, and
// whole synthetic DNG files against LibRaw.
#include <gtest/gtest.h>

#include <random>

#include "common/CameraDescription.hpp"
#include "decode/BitPackedDecoder.hpp"
#include "tests/decode/LoadTestSupport.hpp"
#include "tests/decode/NikonTestSupport.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

std::vector<std::uint16_t> randomSamples(std::size_t count, std::uint32_t bits, unsigned start) {
    std::mt19937 random(start);
    std::vector<std::uint16_t> out(count);
    for (auto& s : out)
        s = static_cast<std::uint16_t>(random() & ((1u << bits) - 1));
    return out;
}

TEST(DecodeBitPacked, EverySizeAndWidthAgainstTheEncoder) {
    // Widths whose rows end on every bit position of a byte, with and without padding.
    for (const std::uint32_t bits : {10u, 12u, 14u}) {
        for (const std::uint32_t width : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 33u, 4099u}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, width " + std::to_string(width));
            const std::uint32_t rows = 5;
            const auto samples = randomSamples(std::size_t{width} * rows, bits, width * bits);
            const auto bytes = encodeBitPacked(samples, width, bits);
            ASSERT_EQ(bytes.size(), bitPackedRowBytes(width, bits) * rows);
            std::vector<std::uint16_t> decoded(samples.size(), 0xFFFF);
            MemoryByteSource source(bytes);
            RecordingReporter reporter;
            const SampleTarget target{decoded, width, rows, width, rows, 0, 0};
            ASSERT_EQ(DecodeBitPacked(source, static_cast<std::uint32_t>(bytes.size()), target,
                                      bits, reporter, "f"),
                      kOk);
            EXPECT_EQ(decoded, samples);
            EXPECT_TRUE(reporter.records().empty());
        }
    }
}

TEST(DecodeBitPacked, ClipsToTheImageAndRefusesWrongLengths) {
    // A 6 x 4 tile at column 4 and row 2 of a 7 x 5 image: 3 columns and 3 rows fall inside.
    const auto tile = randomSamples(24, 14, 7);
    const auto bytes = encodeBitPacked(tile, 6, 14);
    std::vector<std::uint16_t> image(35, 1);
    RecordingReporter reporter;
    {
        MemoryByteSource source(bytes);
        const SampleTarget target{image, 7, 5, 6, 4, 2, 4};
        ASSERT_EQ(DecodeBitPacked(source, static_cast<std::uint32_t>(bytes.size()), target, 14,
                                  reporter, "f"),
                  kOk);
    }
    for (std::uint32_t r = 0; r < 5; ++r)
        for (std::uint32_t c = 0; c < 7; ++c)
            EXPECT_EQ(image[r * 7 + c], r >= 2 && c >= 4 ? tile[(r - 2) * 6 + c - 4] : 1)
                << r << " " << c;

    const SampleTarget whole{image, 6, 4, 6, 4, 0, 0};
    MemoryByteSource longer(bytes);
    EXPECT_EQ(DecodeBitPacked(longer, static_cast<std::uint32_t>(bytes.size()) + 1, whole, 14,
                              reporter, "f"),
              kFailed);
    MemoryByteSource sixteen(bytes);
    EXPECT_EQ(DecodeBitPacked(sixteen, static_cast<std::uint32_t>(bytes.size()), whole, 16,
                              reporter, "f"),
              kFailed);
    ASSERT_EQ(reporter.numbers(), (std::vector<int>{15, 15}));
    EXPECT_EQ(reporter.records()[0].args.text2, "strip count");

    // The byte count promises more than the source holds.
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 3);
    MemoryByteSource shortSource(cut);
    RecordingReporter shortReporter;
    EXPECT_EQ(DecodeBitPacked(shortSource, static_cast<std::uint32_t>(bytes.size()), whole, 14,
                              shortReporter, "f"),
              kFailed);
    EXPECT_EQ(shortReporter.numbers(), std::vector<int>{8});
}

struct LoaderCase {
    const char* name;
    std::uint32_t bits;
    std::uint32_t width;
    std::uint32_t rowsPerStrip;
    bool dng;
    std::int32_t byteCountChange;
    int message; // 0: loads
};

class LoadBitPackedStrips : public ::testing::TestWithParam<LoaderCase> {};

TEST_P(LoadBitPackedStrips, DngStripsLoadOthersKeepTheirChecks) {
    const LoaderCase& c = GetParam();
    const std::uint32_t height = 23;
    const auto samples = testSamples(c.width, height, c.bits);
    auto file = stripFile(samples, {.width = c.width,
                                    .height = height,
                                    .bits = static_cast<std::uint8_t>(c.bits),
                                    .rowsPerStrip = c.rowsPerStrip,
                                    .packedBits = c.bits,
                                    .lastByteCountChange = c.byteCountChange});
    if (c.dng) file->context.formatCode = format_code::kDng;
    auto r = load(std::move(file));
    if (c.message == 0) {
        ASSERT_EQ(r->status, kOk) << r->text();
        EXPECT_EQ(r->image().samples, samples);
    } else {
        EXPECT_EQ(r->status, kFailed);
        EXPECT_EQ(r->messages(), std::vector<int>{c.message});
        EXPECT_EQ(r->text(), "strip count");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadBitPackedStrips,
    ::testing::Values(LoaderCase{"Ten", 10, 37, 0, true, 0, 0},
                      LoaderCase{"TenInStrips", 10, 41, 5, true, 0, 0},
                      LoaderCase{"TwelveOddWidth", 12, 37, 4, true, 0, 0},
                      LoaderCase{"Fourteen", 14, 38, 0, true, 0, 0},
                      LoaderCase{"FourteenInStrips", 14, 39, 7, true, 0, 0},
                      LoaderCase{"FourteenOneByteShort", 14, 38, 0, true, -1, 15},
                      LoaderCase{"FourteenOneByteLong", 14, 38, 7, true, 1, 15},
                      LoaderCase{"FourteenOutsideDng", 14, 38, 0, false, 0, 15},
                      LoaderCase{"TenOutsideDng", 10, 40, 0, false, 0, 15}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadBitPackedTiles, DngTilesAcrossTheEdges) {
    // 45 x 29 in 16 x 8 tiles of 10 and 14 bits: the last tiles reach past both edges.
    for (const std::uint32_t bits : {10u, 14u}) {
        SCOPED_TRACE(bits);
        const auto samples = testSamples(45, 29, bits);
        RawFileBytes bytes(ByteOrder::Little);
        auto node = std::make_unique<IfdNode>();
        describeImage(*node, 45, 29, static_cast<std::uint8_t>(bits));
        node->tileWidth = 16;
        node->tileLength = 8;
        ImageEntries entries;
        for (const auto& tile : imageTiles(samples, 45, 29, 16, 8, 0x3FF)) {
            const auto packed = encodeBitPacked(tile, 16, bits);
            entries.offsets.push_back(bytes.append(packed));
            entries.byteCounts.push_back(static_cast<std::uint32_t>(packed.size()));
        }
        attachEntries(*node, bytes, entries, true);
        auto file = std::make_unique<OpenedRawFile>(bytes, std::move(node));
        file->context.formatCode = format_code::kDng;
        auto r = load(std::move(file));
        ASSERT_EQ(r->status, kOk) << r->text();
        EXPECT_EQ(r->image().samples, samples);
    }
}

TEST(BitPackedDngFiles, TenTwelveAndFourteenBitsAgreeWithTheSceneAndLibRaw) {
    for (const std::uint32_t bits : {10u, 12u, 14u}) {
        SCOPED_TRACE(bits);
        DngDescription d = demoDescription();
        // An odd width pads the rows of 10- and 14-bit data; 12 bits at an even width is
        // the loader's older packed case.
        d.width = bits == 12 ? 1298 : 1297;
        d.activeArea = {8, 16, d.height, d.width};
        d.maskedAreas = {{0, 0, 8, d.width}, {8, 0, d.height, 16}};
        d.bitsPerSample = bits;
        d.whiteLevel = static_cast<std::uint16_t>((1u << bits) - 1);
        d.blackLevel.fill(static_cast<std::uint16_t>(1u << (bits - 4)));
        d.rowsPerStrip = 100;
        const auto scene = demoScene(d);
        const TempFile file(buildDng(d, scene), "packed.dng");
        const auto p = processFile(file.path());
        ASSERT_EQ(p->loaded, kOk) << p->messages();
        EXPECT_EQ(p->image().samples, scene);
        expectLibRawAgrees(file.path(), p->image().samples, d.width, d.height);
    }
}

} // namespace
} // namespace korvane::test
