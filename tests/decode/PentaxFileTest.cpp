// Compressed PEF files laid out as the cameras write them, parsed and loaded the way "Process"
// does: each decodes to the samples it was made from, and LibRaw, which reads the same files
// (taking the code table from the maker note), agrees sample for sample.
#include <gtest/gtest.h>

#include <string>

#include "tests/decode/NikonTestSupport.hpp"
#include "tests/support/PentaxEncoder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

struct PefCase {
    const char* name;
    const char* make;
    const char* model;
    std::uint32_t width, height;
    ByteOrder order;
};

void PrintTo(const PefCase& c, std::ostream* os) {
    *os << c.name;
}

class PentaxFile : public testing::TestWithParam<PefCase> {};

TEST_P(PentaxFile, DecodesToItsSamplesAndAgreesWithLibRaw) {
    const PefCase& c = GetParam();
    const auto samples = sceneSamples(c.width, c.height, 12, c.width);
    PefLayout pef;
    pef.make = c.make;
    pef.model = c.model;
    pef.width = c.width;
    pef.height = c.height;
    pef.order = c.order;
    pef.strip = encodePentax(samples, c.width, c.height);
    const TempFile file(buildPef(pef), "synthetic.pef");

    const auto p = processFile(file.path());
    ASSERT_EQ(p->parsed, kOk) << p->messages();
    ASSERT_EQ(p->loaded, kOk) << p->messages();
    EXPECT_TRUE(p->reporter.records().empty()) << p->messages();
    const ImageDescriptor& image = p->image();
    ASSERT_EQ(image.imageWidth, c.width);
    ASSERT_EQ(image.imageLength, c.height);
    EXPECT_EQ(image.compression, 65535u);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
        wrong += image.samples[i] != samples[i];
    EXPECT_EQ(wrong, 0u);

    expectLibRawAgrees(file.path(), image.samples, c.width, c.height);
}

INSTANTIATE_TEST_SUITE_P(Cameras, PentaxFile,
                         testing::Values(PefCase{"K10D", "PENTAX Corporation ",
                                                 "PENTAX K10D        ", 3936, 2624, ByteOrder::Big},
                                         PefCase{"K200D", "PENTAX Corporation ",
                                                 "PENTAX K200D       ", 3936, 2624, ByteOrder::Big},
                                         PefCase{"K7", "PENTAX             ", "PENTAX K-7         ",
                                                 4736, 3136, ByteOrder::Big}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korvane::test
