// The DNG builder and its test scene, checked against exiftool and LibRaw: the files that
// container, decoder and display tests are built on must be DNGs other readers agree on.
#include "tests/support/DngBuilder.hpp"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "tests/support/ExifTool.hpp"
#include "tests/support/LibRawOracle.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

struct Statistics {
    double mean = 0;
    double deviation = 0;
    std::size_t count = 0;
};

template <typename Select>
Statistics statistics(const DngDescription& d, const std::vector<std::uint16_t>& samples,
                      Select select) {
    double sum = 0, squares = 0;
    std::size_t n = 0;
    for (std::uint32_t row = 0; row < d.height; ++row)
        for (std::uint32_t col = 0; col < d.width; ++col)
            if (select(row, col)) {
                const double v = samples[std::size_t{row} * d.width + col];
                sum += v;
                squares += v * v;
                ++n;
            }
    if (n == 0) return {};
    const double mean = sum / n;
    return {mean, std::sqrt(std::max(0.0, squares / n - mean * mean)), n};
}

bool inActiveArea(const DngDescription& d, std::uint32_t row, std::uint32_t col) {
    const SensorRect& a = d.activeArea;
    return row >= a.top && row < a.bottom && col >= a.left && col < a.right;
}

// --- the scene ------------------------------------------------------------------------------

TEST(DemoScene, MaskedAreasCarryTheBlackLevelOfEachCfaPositionWithNoise) {
    const DngDescription d;
    const auto samples = demoScene(d);
    ASSERT_EQ(samples.size(), std::size_t{d.width} * d.height);
    for (std::uint32_t position = 0; position < 4; ++position) {
        const Statistics s = statistics(d, samples, [&](std::uint32_t row, std::uint32_t col) {
            return !inActiveArea(d, row, col) && ((row & 1) << 1 | (col & 1)) == position;
        });
        SCOPED_TRACE(position);
        ASSERT_GT(s.count, 1000u);
        EXPECT_NEAR(s.mean, d.blackLevel[position], 0.5);
        EXPECT_GT(s.deviation, 2.0) << "masked samples are noisy";
        EXPECT_LT(s.deviation, 8.0);
    }
}

TEST(DemoScene, ActiveAreaHoldsPatchesARampAndClippedHighlights) {
    const DngDescription d;
    const auto samples = demoScene(d);
    const auto at = [&](std::uint32_t row, std::uint32_t col) {
        return samples[std::size_t{row} * d.width + col];
    };
    std::size_t clipped = 0;
    for (std::uint32_t row = 0; row < d.height; ++row) {
        for (std::uint32_t col = 0; col < d.width; ++col) {
            ASSERT_LE(at(row, col), d.whiteLevel);
            if (at(row, col) == d.whiteLevel) {
                ++clipped;
                EXPECT_TRUE(inActiveArea(d, row, col)) << row << "," << col;
            }
        }
    }
    EXPECT_GT(clipped, 100u);
    EXPECT_LT(clipped, samples.size() / 20) << "a few highlights, not a burnt-out frame";

    // The largest highlight clips all four colours of its centre.
    const std::uint32_t width = d.activeArea.right - d.activeArea.left;
    const std::uint32_t height = d.activeArea.bottom - d.activeArea.top;
    const std::uint32_t row = (d.activeArea.top + static_cast<std::uint32_t>(0.875 * height)) & ~1u;
    const std::uint32_t col = (d.activeArea.left + static_cast<std::uint32_t>(0.86 * width)) & ~1u;
    for (std::uint32_t dy = 0; dy < 2; ++dy)
        for (std::uint32_t dx = 0; dx < 2; ++dx)
            EXPECT_EQ(at(row + dy, col + dx), d.whiteLevel);

    // The ramp rises left to right and its bright end clips in green before red and blue.
    const auto rampColumn = [&](std::uint32_t from, std::uint32_t to, int colour) {
        return statistics(d, samples, [&](std::uint32_t r, std::uint32_t c) {
            const double fy = double(r - d.activeArea.top) / height;
            return inActiveArea(d, r, c) && fy >= 0.64 && fy < 0.74 && c >= from && c < to &&
                   cfaColour(d, r, c) == colour;
        });
    };
    const std::uint32_t left = d.activeArea.left;
    const std::uint32_t right = d.activeArea.right;
    EXPECT_LT(rampColumn(left, left + 40, 1).mean + 10000,
              rampColumn(right - 300, right - 260, 1).mean);
    EXPECT_EQ(rampColumn(right - 8, right, 1).mean, d.whiteLevel);
    EXPECT_LT(rampColumn(right - 8, right, 0).mean, d.whiteLevel * 0.8);
    EXPECT_LT(rampColumn(right - 8, right, 2).mean, d.whiteLevel * 0.9);

    // Background of the active area: above black, far below white.
    const Statistics top = statistics(d, samples, [&](std::uint32_t r, std::uint32_t c) {
        return r >= d.activeArea.top && r < d.activeArea.top + 4 && c >= d.activeArea.left;
    });
    EXPECT_GT(top.mean, d.blackLevel[0] + 500);
    EXPECT_LT(top.mean, d.whiteLevel / 4);
}

TEST(DemoScene, IsTheSameForTheSameSeed) {
    DngDescription d;
    d.width = 64;
    d.height = 48;
    d.activeArea = {4, 4, 48, 64};
    d.maskedAreas = {{0, 0, 4, 64}};
    EXPECT_EQ(demoScene(d), demoScene(d));
    DngDescription other = d;
    other.noiseSeed = 2;
    EXPECT_NE(demoScene(d), demoScene(other));
}

// --- the file, read by other tools ----------------------------------------------------------

struct Variant {
    const char* name;
    DngDescription description;
};

DngDescription smallBigEndian() {
    DngDescription d;
    d.order = ByteOrder::Big;
    d.width = 101;
    d.height = 77;
    d.activeArea = {2, 4, 77, 101};
    d.maskedAreas = {{0, 0, 2, 101}, {2, 0, 77, 4}};
    d.cfaPattern = {2, 1, 1, 0}; // BGGR
    d.blackLevel = {200, 210, 220, 230};
    d.whiteLevel = 16383;
    d.rowsPerStrip = 7;
    d.rawInSubIfd = false;
    d.make = "Test Maker";
    d.model = "Small Big Endian";
    d.uniqueCameraModel = "Test Maker Small Big Endian";
    d.exposureTime = {1, 30};
    d.fNumber = {28, 10};
    d.focalLength = {135, 1};
    d.iso = 1600;
    return d;
}

// Test names show the variant's name rather than its bytes.
void PrintTo(const Variant& v, std::ostream* out) {
    *out << v.name;
}

std::vector<Variant> variants() {
    DngDescription bigInSub = smallBigEndian();
    bigInSub.rawInSubIfd = true;
    bigInSub.rowsPerStrip = 1000; // one strip
    DngDescription littleInIfd0 = smallBigEndian();
    littleInIfd0.order = ByteOrder::Little;
    return {{"Demo", DngDescription{}},
            {"BigEndianInIfd0", smallBigEndian()},
            {"BigEndianInSubIfd", bigInSub},
            {"LittleEndianInIfd0", littleInIfd0}};
}

class DngFile : public testing::TestWithParam<Variant> {
protected:
    void SetUp() override {
        samples_ = demoScene(description());
        file_ = std::make_unique<TempFile>(buildDng(description(), samples_), "test.dng");
    }
    const DngDescription& description() const { return GetParam().description; }
    const std::string& path() const { return file_->path(); }

    std::vector<std::uint16_t> samples_;
    std::unique_ptr<TempFile> file_;
};

double ratio(const URational& r) {
    return double(r.numerator) / r.denominator;
}

TEST_P(DngFile, ExifToolReadsTheTags) {
    if (!exiftoolAvailable()) GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
    const DngDescription& d = description();
    const auto tags = exiftoolTags(path());
    const std::string raw = d.rawInSubIfd ? "SubIFD:" : "IFD0:";
    const auto tagOf = [&](const std::string& name) {
        const auto it = tags.find(name);
        return it == tags.end() ? std::string("(missing ") + name + ")" : it->second;
    };
    ASSERT_TRUE(tags.count("IFD0:Make")) << "exiftool read no IFD0";
    EXPECT_EQ(tagOf("File:FileType"), "DNG");
    EXPECT_EQ(tagOf("File:ExifByteOrder"), d.order == ByteOrder::Little ? "II" : "MM");
    EXPECT_EQ(tagOf("ExifTool:Warning"), "(missing ExifTool:Warning)");
    EXPECT_EQ(tagOf("IFD0:Make"), d.make);
    EXPECT_EQ(tagOf("IFD0:Model"), d.model);
    EXPECT_EQ(tagOf("IFD0:UniqueCameraModel"), d.uniqueCameraModel);
    EXPECT_EQ(tagOf("IFD0:DNGVersion"), "1 4 0 0");
    EXPECT_NEAR(std::stod(tagOf("ExifIFD:ExposureTime")), ratio(d.exposureTime), 1e-9);
    EXPECT_NEAR(std::stod(tagOf("ExifIFD:FNumber")), ratio(d.fNumber), 1e-9);
    EXPECT_EQ(tagOf("ExifIFD:ISO"), std::to_string(d.iso));
    EXPECT_NEAR(std::stod(tagOf("ExifIFD:FocalLength")), ratio(d.focalLength), 1e-9);

    EXPECT_EQ(tagOf(raw + "ImageWidth"), std::to_string(d.width));
    EXPECT_EQ(tagOf(raw + "ImageHeight"), std::to_string(d.height));
    EXPECT_EQ(tagOf(raw + "BitsPerSample"), "16");
    EXPECT_EQ(tagOf(raw + "Compression"), "1");
    EXPECT_EQ(tagOf(raw + "PhotometricInterpretation"), "32803");
    const auto& p = d.cfaPattern;
    EXPECT_EQ(tagOf(raw + "CFAPattern2"), std::to_string(p[0]) + " " + std::to_string(p[1]) + " " +
                                              std::to_string(p[2]) + " " + std::to_string(p[3]));
    const auto& b = d.blackLevel;
    EXPECT_EQ(tagOf(raw + "BlackLevel"), std::to_string(b[0]) + " " + std::to_string(b[1]) + " " +
                                             std::to_string(b[2]) + " " + std::to_string(b[3]));
    EXPECT_EQ(tagOf(raw + "WhiteLevel"), std::to_string(d.whiteLevel));
    const SensorRect& a = d.activeArea;
    EXPECT_EQ(tagOf(raw + "ActiveArea"), std::to_string(a.top) + " " + std::to_string(a.left) +
                                             " " + std::to_string(a.bottom) + " " +
                                             std::to_string(a.right));
    std::string masked;
    for (const SensorRect& r : d.maskedAreas)
        for (std::uint32_t v : {r.top, r.left, r.bottom, r.right})
            masked += (masked.empty() ? "" : " ") + std::to_string(v);
    EXPECT_EQ(tagOf(raw + "MaskedAreas"), masked);
    if (d.rawInSubIfd) {
        EXPECT_EQ(tagOf("IFD0:SubfileType"), "1") << "IFD0 is the preview";
        EXPECT_EQ(tagOf("IFD0:PhotometricInterpretation"), "2");
    }
}

TEST_P(DngFile, LibRawUnpacksTheSamplesWritten) {
    if (!libRawAvailable()) GTEST_SKIP() << "LibRaw (libraw-dev) is not installed";
    const DngDescription& d = description();
    std::string error;
    const auto image = libRawUnpack(path(), &error);
    ASSERT_TRUE(image.has_value()) << error;
    EXPECT_EQ(image->rawWidth, d.width);
    EXPECT_EQ(image->rawHeight, d.height);
    EXPECT_EQ(image->topMargin, d.activeArea.top);
    EXPECT_EQ(image->leftMargin, d.activeArea.left);
    EXPECT_EQ(image->width, d.activeArea.right - d.activeArea.left);
    EXPECT_EQ(image->height, d.activeArea.bottom - d.activeArea.top);
    EXPECT_EQ(image->maximum, d.whiteLevel);
    EXPECT_EQ(image->make, d.make);
    EXPECT_EQ(image->isoSpeed, d.iso);
    EXPECT_FLOAT_EQ(image->shutter, static_cast<float>(ratio(d.exposureTime)));
    EXPECT_FLOAT_EQ(image->aperture, static_cast<float>(ratio(d.fNumber)));
    EXPECT_FLOAT_EQ(image->focalLength, static_cast<float>(ratio(d.focalLength)));
    ASSERT_EQ(image->samples.size(), samples_.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < samples_.size(); ++i)
        differing += image->samples[i] != samples_[i];
    EXPECT_EQ(differing, 0u);
}

INSTANTIATE_TEST_SUITE_P(Variants, DngFile, testing::ValuesIn(variants()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DngBuilder, RefusesSamplesOfTheWrongSize) {
    const DngDescription d;
    EXPECT_THROW(buildDng(d, std::vector<std::uint16_t>(10)), std::invalid_argument);
}

// The build writes the demo file with korvane-make-demo; it must be the default scene.
TEST(DemoFile, TheBuildWritesTheDemoScene) {
    std::ifstream in(KORVANE_DEMO_DNG, std::ios::binary);
    ASSERT_TRUE(in) << KORVANE_DEMO_DNG;
    const std::vector<std::uint8_t> written{std::istreambuf_iterator<char>(in), {}};
    const DngDescription d = demoDescription();
    EXPECT_EQ(written, buildDng(d, demoScene(d)));
}

} // namespace
} // namespace korvane::test
