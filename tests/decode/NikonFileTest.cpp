// Compressed NEF files laid out as the cameras write them, parsed and loaded the way
// "Process" does: each decodes to the samples it was made from (through the curve for the
// lossy kinds), and LibRaw, which reads the same files without knowing this decoder, agrees
// sample for sample.
#include <gtest/gtest.h>

#include <string>

#include "tests/decode/NikonTestSupport.hpp"
#include "tests/support/NikonEncoder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

struct NefCase {
    const char* name;
    const char* model;
    std::uint32_t width, height;
    std::uint8_t bits;
    std::uint16_t kind; // 3 lossless, 1 lossy type 1, 4 lossy type 2
    std::size_t points; // of the lossy curve
    ByteOrder order;
};

void PrintTo(const NefCase& c, std::ostream* os) {
    *os << c.name;
}

// The CompressionInfo of a case, and what it makes of a decoded value.
struct Coding {
    CompressionInfoLayout info;
    std::vector<std::uint16_t> curve; // empty: lossless

    explicit Coding(const NefCase& c) {
        const std::uint32_t top = 1u << c.bits;
        info.vertical = {{{100, 200}, {300, 400}}};
        if (c.kind == 3) return;
        info.type = 0x44;
        info.subType = c.kind == 1 ? 0x10 : 0x20;
        info.points = risingCurve(c.points, top);
        if (c.kind == 1) {
            curve = info.points;
            return;
        }
        // Type 2: point i stands at i x step, values between are weighted means.
        const std::uint32_t step = top / static_cast<std::uint32_t>(c.points - 1);
        for (std::uint32_t v = 0; v < top; ++v) {
            const std::uint32_t i = v / step, j = v % step;
            curve.push_back(static_cast<std::uint16_t>(
                (info.points[i] * (step - j) + info.points[i + 1] * j) / step));
        }
    }
    // The largest value the raw samples may take: what the curve covers.
    int rawBits(const NefCase& c) const {
        int bits = c.bits;
        while (!curve.empty() && (1u << bits) > curve.size())
            --bits;
        return bits;
    }
    std::uint16_t map(std::uint16_t raw) const { return curve.empty() ? raw : curve[raw]; }
};

class NikonFile : public testing::TestWithParam<NefCase> {};

TEST_P(NikonFile, DecodesToItsSamplesAndAgreesWithLibRaw) {
    const NefCase& c = GetParam();
    const Coding coding(c);
    const auto raw = sceneSamples(c.width, c.height, coding.rawBits(c), c.kind);
    NefLayout nef;
    nef.model = c.model;
    nef.width = c.width;
    nef.height = c.height;
    nef.bits = c.bits;
    nef.kind = c.kind;
    nef.order = nef.noteOrder = c.order;
    nef.info = compressionInfoBytes(coding.info, c.order);
    nef.strip = encodePairRows(raw, c.width, c.height, nikonCodes(c.kind == 3, c.bits),
                               coding.info.vertical);
    const TempFile file(buildNef(nef), "synthetic.nef");

    const auto p = processFile(file.path());
    ASSERT_EQ(p->parsed, kOk) << p->messages();
    ASSERT_EQ(p->loaded, kOk) << p->messages();
    EXPECT_TRUE(p->reporter.records().empty()) << p->messages();
    const ImageDescriptor& image = *p->context.mainImage;
    ASSERT_EQ(image.imageWidth, c.width);
    ASSERT_EQ(image.imageLength, c.height);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < raw.size(); ++i)
        wrong += image.samples[i] != coding.map(raw[i]);
    EXPECT_EQ(wrong, 0u);

    expectLibRawAgrees(file.path(), image.samples, c.width, c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, NikonFile,
    testing::Values(
        NefCase{"D700Lossless14", "NIKON D700", 4288, 2844, 14, 3, 0, ByteOrder::Big},
        NefCase{"D700Lossless12", "NIKON D700", 4288, 2844, 12, 3, 0, ByteOrder::Big},
        NefCase{"D700Lossless14Intel", "NIKON D700", 4288, 2844, 14, 3, 0, ByteOrder::Little},
        NefCase{"D70LossyType1", "NIKON D70", 3040, 2014, 12, 1, 683, ByteOrder::Big},
        NefCase{"D70LossyType2", "NIKON D70", 3040, 2014, 12, 4, 257, ByteOrder::Big},
        NefCase{"D700LossyType2Of14Bits", "NIKON D700", 4288, 2844, 14, 4, 257, ByteOrder::Big}),
    [](const auto& info) { return std::string(info.param.name); });

// The maker note without CompressionInfo: the loader names what is missing.
TEST(NikonFileStructure, MissingCompressionInfoIsInconsistent) {
    NefLayout nef;
    nef.strip.assign(16384, 0); // enough bytes for the samples the directories claim
    const TempFile file(buildNef(nef), "no-info.nef");
    const auto p = processFile(file.path());
    ASSERT_EQ(p->parsed, kOk) << p->messages();
    EXPECT_EQ(p->loaded, kFailed);
    ASSERT_EQ(p->reporter.records().size(), 1u) << p->messages();
    EXPECT_EQ(p->reporter.records()[0].shown.number, 15);
    EXPECT_EQ(p->reporter.records()[0].args.text2, "compression info missing");
}

// A real D70 file whose image data was taken out; its CompressionInfo was replaced by the
// text "<Dummy NEF curve>", which is no structure the decoder knows.
TEST(NikonFileStructure, SampleWithADummyCurve) {
    const auto p =
        processFile(std::string(KORVANE_SAMPLES_DIR) + "/nikon_d70_nef-compressed_STRIPPED.nef");
    if (failed(p->parsed))
        GTEST_SKIP() << "container parsing does not take this file:\n" << p->messages();
    EXPECT_EQ(p->loaded, kFailed);
    ASSERT_FALSE(p->reporter.records().empty());
    EXPECT_EQ(p->reporter.records().back().shown.number, 15);
    EXPECT_EQ(p->reporter.records().back().args.text2, "unknown compression structure type");
}

} // namespace
} // namespace korvane::test
