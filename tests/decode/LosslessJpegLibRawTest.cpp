// LibRaw, a decoder written without this one in mind, reads the test encoder's streams
// wrapped as tiled DNG files to the same samples as Korvane does, tile edges included.
#include <gtest/gtest.h>

#include "tests/decode/JpegTestSupport.hpp"
#include "tests/support/LibRawOracle.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane {
namespace {

using test::LosslessJpegOptions;

struct DngCase {
    const char* name;
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t tileWidth;
    std::uint32_t tileLength;
    int components;
    int precision;
    int predictor;
    std::uint16_t restartInterval; // in MCUs; a whole number of lines, as LibRaw expects
    test::ByteOrder order;
};

void PrintTo(const DngCase& c, std::ostream* os) {
    *os << c.name;
}

class LosslessJpegAgainstLibRaw : public ::testing::TestWithParam<DngCase> {};

TEST_P(LosslessJpegAgainstLibRaw, SamplesAgreeOneForOne) {
    if (!test::libRawAvailable()) GTEST_SKIP() << "LibRaw was not found when this was built";
    const DngCase& c = GetParam();
    const auto image = test::noisySamples(std::size_t{c.width} * c.height, c.precision, c.width);
    LosslessJpegOptions o;
    o.components = static_cast<std::uint8_t>(c.components);
    o.precision = static_cast<std::uint8_t>(c.precision);
    o.predictor = static_cast<std::uint8_t>(c.predictor);
    o.restartInterval = c.restartInterval;
    const test::TempFile file(
        test::losslessJpegDng(image, c.width, c.height, c.tileWidth, c.tileLength, o, c.order),
        "tiles.dng");

    // Korvane: each tile's stream, as the DNG holds it, into one image.
    std::vector<std::uint16_t> decoded(image.size(), test::kUntouched);
    o.samplesPerLine = static_cast<std::uint16_t>(c.tileWidth / c.components);
    o.lines = static_cast<std::uint16_t>(c.tileLength);
    for (std::uint32_t top = 0; top < c.height; top += c.tileLength) {
        for (std::uint32_t left = 0; left < c.width; left += c.tileWidth) {
            const auto tile = test::tileOf(image, c.width, c.height, top, left, c.tileWidth,
                                           c.tileLength, 1u << (c.precision - 1));
            const auto stream = test::encodeLosslessJpeg(tile, o);
            LosslessJpegTarget target = test::stripTarget(c.tileWidth, c.tileLength, c.precision);
            target.image = decoded;
            target.imageWidth = c.width;
            target.imageHeight = c.height;
            target.rowStart = top;
            target.columnStart = left;
            RecordingReporter reporter;
            MemoryByteSource source(stream);
            ASSERT_EQ(DecodeLosslessJpeg(source, static_cast<std::uint32_t>(stream.size()), target,
                                         reporter, file.path()),
                      kOk);
        }
    }
    ASSERT_EQ(decoded, image);

    std::string error;
    const auto oracle = test::libRawUnpack(file.path(), &error);
    ASSERT_TRUE(oracle) << error;
    ASSERT_EQ(oracle->rawWidth, c.width);
    ASSERT_EQ(oracle->rawHeight, c.height);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < decoded.size(); ++i)
        differing += oracle->samples[i] != decoded[i];
    EXPECT_EQ(differing, 0u);
}

using test::ByteOrder;
INSTANTIATE_TEST_SUITE_P(Dng, LosslessJpegAgainstLibRaw,
                         ::testing::Values(DngCase{"TwoComponents14BitTilesAcrossBothEdges", 100,
                                                   70, 32, 32, 2, 14, 1, 0, ByteOrder::Little},
                                           DngCase{"OneComponent16BitBigEndian", 64, 40, 32, 16, 1,
                                                   16, 1, 0, ByteOrder::Big},
                                           DngCase{"Predictor6OneComponent", 80, 48, 48, 32, 1, 14,
                                                   6, 0, ByteOrder::Little},
                                           DngCase{"TwoComponents12BitRestartEachLine", 96, 64, 64,
                                                   32, 2, 12, 1, 32, ByteOrder::Little}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korvane
