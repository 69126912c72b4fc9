// korvane-cli dump -o OUT.tiff: the samples as a 16-bit greyscale TIFF, read back with
// libtiff; the extension chooses the form. And dump against LibRaw on the packed 14-bit DNG.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <optional>

#include "tests/cli/CliRun.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/LibRawOracle.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

struct TiffImage {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 0, samplesPerPixel = 0, photometric = 0, compression = 0;
    std::vector<std::uint16_t> samples;
};

std::optional<TiffImage> readTiff(const fs::path& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr) return std::nullopt;
    TiffImage t;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &t.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &t.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &t.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &t.samplesPerPixel);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &t.photometric);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &t.compression);
    bool ok = t.bits == 16 && t.samplesPerPixel == 1 &&
              static_cast<std::size_t>(TIFFScanlineSize(tiff)) == std::size_t{t.width} * 2;
    t.samples.resize(std::size_t{t.width} * t.height);
    for (std::uint32_t y = 0; ok && y < t.height; ++y)
        ok = TIFFReadScanline(tiff, t.samples.data() + std::size_t{y} * t.width, y, 0) == 1;
    TIFFClose(tiff);
    if (!ok) return std::nullopt;
    return t;
}

TEST(DumpTiff, TheWholeBufferAndTheActiveAreaReadBackWithLibTiff) {
    TempFolder folder;
    for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        DngDescription d = demoDescription();
        d.order = order;
        const auto scene = demoScene(d);
        const fs::path dng = folder.write("scene.dng", buildDng(d, scene));
        const fs::path err = folder.path() / "err.txt";
        const fs::path all = folder.path() / "all.tiff", active = folder.path() / "active.TIF";
        ASSERT_EQ(runCli("dump " + quoted(dng) + " -o " + quoted(all), err).status, 0);
        ASSERT_EQ(runCli("dump --active " + quoted(dng) + " -o " + quoted(active), err).status, 0);

        const auto whole = readTiff(all);
        ASSERT_TRUE(whole);
        EXPECT_EQ(whole->width, d.width);
        EXPECT_EQ(whole->height, d.height);
        EXPECT_EQ(whole->photometric, PHOTOMETRIC_MINISBLACK);
        EXPECT_EQ(whole->compression, COMPRESSION_NONE);
        EXPECT_EQ(whole->samples, scene);

        const auto part = readTiff(active);
        ASSERT_TRUE(part);
        const SensorRect& a = d.activeArea;
        ASSERT_EQ(part->width, a.right - a.left);
        ASSERT_EQ(part->height, a.bottom - a.top);
        std::vector<std::uint16_t> expected;
        for (std::uint32_t y = a.top; y < a.bottom; ++y)
            expected.insert(expected.end(), scene.begin() + y * d.width + a.left,
                            scene.begin() + y * d.width + a.right);
        EXPECT_EQ(part->samples, expected);
    }
}

TEST(DumpTiff, OtherExtensionsAreUsageErrorsAndWriteNothing) {
    TempFolder folder;
    const DngDescription d = demoDescription();
    const fs::path dng = folder.write("scene.dng", buildDng(d, demoScene(d)));
    const fs::path err = folder.path() / "err.txt";
    for (const char* name : {"out.png", "out", "out.tiff.bak", "tiff", "dir.tif/out"}) {
        SCOPED_TRACE(name);
        const fs::path out = folder.path() / name;
        EXPECT_EQ(runCli("dump " + quoted(dng) + " -o " + quoted(out), err).status, 1);
        EXPECT_FALSE(fs::exists(out));
    }
    // A file that does not load leaves no TIFF behind either.
    const fs::path junk = folder.write("junk.dng", std::vector<std::uint8_t>(100, 'x'));
    EXPECT_EQ(
        runCli("dump " + quoted(junk) + " -o " + quoted(folder.path() / "j.tiff"), err).status, 2);
    EXPECT_FALSE(fs::exists(folder.path() / "j.tiff"));
    // Nor does a folder that cannot be written.
    EXPECT_EQ(
        runCli("dump " + quoted(dng) + " -o " + quoted(folder.path() / "none" / "x.tiff"), err)
            .status,
        2);
}

TEST(DumpTiff, MagicLanternFourteenBitDngEqualsLibRawInBothForms) {
    const fs::path file =
        fs::path(KORVANE_SAMPLES_DIR) / "canon_eos550d_dng-uncompressed14-magiclantern.dng";
    if (!fs::exists(file)) GTEST_SKIP() << "no sample file " << file;
    if (!libRawAvailable()) GTEST_SKIP() << "LibRaw was not found when this was built";
    std::string error;
    const auto oracle = libRawUnpack(file.string(), &error);
    ASSERT_TRUE(oracle) << error;
    TempFolder folder;
    const fs::path pgmPath = folder.path() / "all.pgm", tiffPath = folder.path() / "all.tif";
    const fs::path err = folder.path() / "err.txt";
    ASSERT_EQ(runCli("dump " + quoted(file) + " -o " + quoted(pgmPath), err).status, 0)
        << fileText(err);
    ASSERT_EQ(runCli("dump " + quoted(file) + " -o " + quoted(tiffPath), err).status, 0);
    const Pgm pgm = readPgm(pgmPath);
    EXPECT_EQ(pgm.header, "P5\n" + std::to_string(oracle->rawWidth) + " " +
                              std::to_string(oracle->rawHeight) + "\n65535\n");
    EXPECT_TRUE(pgm.samples == oracle->samples);
    const auto tiff = readTiff(tiffPath);
    ASSERT_TRUE(tiff);
    EXPECT_TRUE(tiff->samples == oracle->samples);
}

} // namespace
} // namespace korvane::test
