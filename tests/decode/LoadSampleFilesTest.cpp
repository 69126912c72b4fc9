// The loader on real camera files, against LibRaw's unpacked raw image.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "decode/LoadImageData.hpp"
#include "tests/decode/NikonTestSupport.hpp"
#include "tests/support/LibRawOracle.hpp"

namespace korvane::test {
namespace {

struct Processed {
    RawFileContext context;
    RecordingReporter reporter;
    bool parsed = false;
    Status loaded = kFailed;
    std::string messages() const {
        std::string out;
        for (const auto& r : reporter.records())
            out += r.shown.text + "\n";
        return out;
    }
};

std::string samplePath(const std::string& name) {
    return std::string(KORVANE_SAMPLES_DIR) + "/" + name;
}

// Opens, parses and loads a sample the way "Process" does.
std::unique_ptr<Processed> process(const std::string& name) {
    auto p = std::make_unique<Processed>();
    p->context.path = samplePath(name);
    if (openRawFile(p->context) != 0) return p;
    p->context.buffer.resize(kReadBufferSize);
    p->context.bufferSize = kReadBufferSize;
    const NoKeysHeld keys;
    p->parsed = succeeded(ParseContainer(p->context, p->reporter, keys, [](const std::string&) {}));
    if (p->parsed) {
        p->loaded = LoadImageData(p->context, p->reporter, keys);
        ReleaseOffsetTables(p->context);
    }
    closeRawFile(p->context);
    return p;
}

TEST(LoadSampleFiles, BlackmagicLosslessJpegTilesWithLinearisationMatchLibRaw) {
    if (!libRawAvailable()) GTEST_SKIP() << "LibRaw was not found when this was built";
    const std::string name = "blackmagic_pocket4k_dng-ljpeg12-lintable-tiled.dng";
    if (!std::filesystem::exists(samplePath(name))) GTEST_SKIP() << "no sample " << name;
    auto p = process(name);
    if (!p->parsed)
        GTEST_SKIP() << "container parsing does not take this file yet:\n" << p->messages();
    // The tiles hold sequential DCT frames (SOF1, 12 bits, 2064 x 1088 per 1032 x 2176 tile)
    // with a DC table of 226 values and an AC table, not lossless ones.
    ASSERT_EQ(p->loaded, kOk) << p->messages();
    std::string error;
    const auto oracle = libRawUnpack(p->context.path, &error);
    ASSERT_TRUE(oracle) << error;
    const ImageDescriptor& image = *p->context.mainImage;
    ASSERT_EQ(image.imageWidth, oracle->rawWidth);
    ASSERT_EQ(image.imageLength, oracle->rawHeight);
    // LibRaw's raw image holds the values after the LinearizationTable. Its inverse DCT lets
    // a few highlight samples overshoot to 4096..4108, which it maps to the table's last entry;
    // the decoder clamps them to 4095, whose entry is that same last one.
    std::size_t differing = 0;
    for (std::size_t i = 0; i < image.samples.size(); ++i)
        differing += image.samples[i] != oracle->samples[i];
    EXPECT_EQ(differing, 0u);
    EXPECT_EQ(*std::max_element(image.samples.begin(), image.samples.end()), 65472);
}

TEST(LoadSampleFiles, Canon550dFourteenBitPackedDngMatchesLibRaw) {
    // Magic Lantern stores BitsPerSample 14 uncompressed at 1.75 bytes a sample, packed most
    // significant bit first in one strip.
    const std::string name = "canon_eos550d_dng-uncompressed14-magiclantern.dng";
    if (!std::filesystem::exists(samplePath(name))) GTEST_SKIP() << "no sample " << name;
    auto p = process(name);
    ASSERT_TRUE(p->parsed) << p->messages();
    ASSERT_EQ(p->loaded, kOk) << p->messages();
    const ImageDescriptor& image = *p->context.mainImage;
    EXPECT_LE(*std::max_element(image.samples.begin(), image.samples.end()), 16383);
    expectLibRawAgrees(p->context.path, image.samples, image.imageWidth, image.imageLength);
}

} // namespace
} // namespace korvane::test
