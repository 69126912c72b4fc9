// The real raw files of the sample collection: each one either gets a described main image
// or fails with the message its structure calls for, and the shot information line agrees
// with exiftool's reading of the same file.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>

#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "tests/support/ExifTool.hpp"

namespace korvane::test {
namespace {

std::string samplePath(const std::string& name) {
    return std::string(KORVANE_SAMPLES_DIR) + "/" + name;
}

struct Parsed {
    RawFileContext ctx;
    RecordingReporter reporter;
    std::string firstShotInfo;
    Status status = kFailed;
};

std::unique_ptr<Parsed> parseSample(const std::string& name) {
    auto p = std::make_unique<Parsed>();
    p->ctx.path = samplePath(name);
    if (openRawFile(p->ctx) != 0) return p;
    p->ctx.buffer.resize(kReadBufferSize);
    p->status = ParseContainer(p->ctx, p->reporter, NoKeysHeld(), [&](const std::string& s) {
        if (p->firstShotInfo.empty()) p->firstShotInfo = s;
    });
    closeRawFile(p->ctx);
    return p;
}

struct Expectation {
    const char* file;
    std::vector<int> messages; // empty: parsed, with a described main image
    std::uint32_t width = 0, height = 0;
    const char* cfa = "";
    const char* why;
};

class SampleFile : public ::testing::TestWithParam<Expectation> {};

TEST_P(SampleFile, IsDescribedOrRefusedWithItsMessage) {
    const Expectation& e = GetParam();
    if (!std::filesystem::exists(samplePath(e.file))) GTEST_SKIP() << "sample files not present";
    const auto p = parseSample(e.file);
    EXPECT_EQ(p->reporter.numbers(), e.messages) << e.why;
    if (!e.messages.empty()) {
        EXPECT_NE(p->status, kOk);
        return;
    }
    ASSERT_EQ(p->status, kOk);
    const IfdNode* image = p->ctx.mainImage;
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->imageWidth, e.width);
    EXPECT_EQ(image->imageLength, e.height);
    std::string cfa;
    for (int i = 0; i < image->cfaPatternCount; ++i)
        cfa += "RGB"[image->cfaPattern[static_cast<std::size_t>(i)] % 3];
    EXPECT_EQ(cfa, e.cfa);
}

const Expectation kSamples[] = {
    {"apple_iphone12pro_dng-lossy-tiled-bigendian_STRIPPED.dng",
     {13},
     0,
     0,
     "",
     "linear (demosaiced) lossy DNG: no CFA image to decode"},
    {"blackmagic_pocket4k_dng-ljpeg12-lintable-tiled.dng",
     {},
     4128,
     2176,
     "RGGB",
     "tiled lossless JPEG DNG"},
    {"canon_eos350d_cr2-ljpeg_STRIPPED.cr2",
     {},
     3516,
     2328,
     "RGGB",
     "CR2 described by its camera row"},
    {"canon_eos350d_dng-ljpeg16-bigendian_STRIPPED.dng",
     {9, 14},
     0,
     0,
     "",
     "stripped: one tile offset for a 14 x 10 tile image makes the raw directory inconsistent"},
    {"canon_eos550d_dng-uncompressed14-magiclantern.dng",
     {},
     1888,
     1182,
     "RGGB",
     "uncompressed DNG"},
    {"kodak_c330_raw-nontiff-headerless.raw", {4}, 0, 0, "", "not a TIFF file"},
    {"kodak_dc50_kdc-radc-8bit.kdc", {22}, 0, 0, "", "no camera row"},
    {"leaf_credo40_iiq_STRIPPED.iiq", {22}, 0, 0, "", "no camera row"},
    {"leica_m10_dng-ljpeg16_TRUNCATED100k.dng",
     {},
     5984,
     3992,
     "RGGB",
     "DNG of a camera without a row"},
    {"lg_h815_dng-lossyjpeg-linearraw.dng", {13}, 0, 0, "", "linear raw DNG"},
    {"nikon_coolscan4ed_nef-scanner-rgb8-uncompressed.nef",
     {22},
     0,
     0,
     "",
     "a film scanner, no camera row"},
    {"nikon_d70_nef-compressed_STRIPPED.nef", {}, 3040, 2014, "BGGR", "compressed NEF"},
    {"panasonic_dmc-lx3_rw2-panasonic_STRIPPED.rw2", {22}, 0, 0, "", "no camera row"},
    {"sony_zv-e10_arw_TRUNCATED100k.arw", {22}, 0, 0, "", "no camera row"},
    {"unknown_olympus_orf-IIRO-header_TRUNCATED128.orf",
     {9},
     0,
     0,
     "",
     "cut after 128 bytes: the first directory's 24 entries do not fit"},
};

INSTANTIATE_TEST_SUITE_P(Samples, SampleFile, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<Expectation>& info) {
                             std::string name = info.param.file;
                             name = name.substr(0, name.find('.'));
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// The numbers of the shot line: "ISO 400,   F/8,   1/15s,   55mm".
struct ShotNumbers {
    double iso = 0, fNumber = 0, exposure = 0, focal = 0;
};

double fraction(const std::string& text) {
    const auto slash = text.find('/');
    if (slash == std::string::npos) return std::stod(text);
    return std::stod(text.substr(0, slash)) / std::stod(text.substr(slash + 1));
}

ShotNumbers shotNumbers(const std::string& line) {
    ShotNumbers n;
    std::smatch m;
    if (std::regex_search(line, m, std::regex("ISO (\\d+)"))) n.iso = std::stod(m[1]);
    if (std::regex_search(line, m, std::regex("F/([0-9.]+)"))) n.fNumber = std::stod(m[1]);
    if (std::regex_search(line, m, std::regex(",   ([0-9./]+)s"))) n.exposure = fraction(m[1]);
    if (std::regex_search(line, m, std::regex("(?:@ |,   )([0-9.]+)mm$|(?:@ |,   )([0-9.]+)mm,")))
        n.focal = std::stod(m[1].matched ? m[1] : m[2]);
    return n;
}

class SampleShotInfo : public ::testing::TestWithParam<const char*> {};

TEST_P(SampleShotInfo, AgreesWithExiftool) {
    const std::string path = samplePath(GetParam());
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "sample files not present";
    if (!exiftoolAvailable()) GTEST_SKIP() << "exiftool not installed";
    const auto tags = exiftoolTags(path);
    // The standard directories first: maker notes repeat some tags with their own values.
    const auto tag = [&](const std::string& name) -> std::string {
        for (const char* group : {"ExifIFD:", "IFD0:", "SubIFD:"})
            if (const auto it = tags.find(group + name); it != tags.end()) return it->second;
        return {};
    };
    const auto number = [&](const std::string& name) {
        const std::string v = tag(name);
        return v.empty() ? 0.0 : std::stod(v);
    };
    const auto p = parseSample(GetParam());
    const std::string line = p->firstShotInfo;
    ASSERT_FALSE(line.empty());

    EXPECT_EQ(p->ctx.make, tag("Make"));
    EXPECT_EQ(p->ctx.model, tag("Model"));
    // The line names the camera by its DNG UniqueCameraModel where the file has one.
    const std::string model =
        !tag("UniqueCameraModel").empty() ? tag("UniqueCameraModel") : tag("Model");
    EXPECT_NE(line.find(model), std::string::npos) << line;

    const ShotNumbers n = shotNumbers(line.substr(line.find('\n') + 1));
    const double iso = number("ISO");
    if (iso > 0) {
        EXPECT_EQ(n.iso, iso) << line;
    } else {
        EXPECT_NE(line.find("ISO 100?"), std::string::npos) << line;
    }
    EXPECT_NEAR(n.fNumber, number("FNumber"), 0.051) << line;
    EXPECT_NEAR(n.exposure, number("ExposureTime"), 1e-6) << line;
    EXPECT_NEAR(n.focal, number("FocalLength"), 0.051) << line;
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleShotInfo,
                         ::testing::Values("canon_eos350d_cr2-ljpeg_STRIPPED.cr2",
                                           "nikon_d70_nef-compressed_STRIPPED.nef",
                                           "canon_eos350d_dng-ljpeg16-bigendian_STRIPPED.dng",
                                           "sony_zv-e10_arw_TRUNCATED100k.arw",
                                           "blackmagic_pocket4k_dng-ljpeg12-lintable-tiled.dng",
                                           "canon_eos550d_dng-uncompressed14-magiclantern.dng"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             name = name.substr(0, name.find('_', name.find('_') + 1));
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name + "_" + std::to_string(info.index);
                         });

} // namespace
} // namespace korvane::test
