// korvane-cli stats: per CFA channel figures of the active area, checked against sums taken
// independently from the samples `dump` writes, in all three forms, over many files at once.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/cli/CliRun.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Expected {
    std::uint64_t count = 0, atWhite = 0, atBlack = 0;
    std::uint64_t sum = 0;
    long double squares = 0;
    std::uint32_t minimum = 0xFFFF, maximum = 0;
};

// The figures of an RGGB image's rectangle from its samples (width x height, the active
// area), counted by position in the 2 x 2 cell: R, G1, G2, B.
std::array<Expected, 4> expectedFigures(const std::vector<std::uint16_t>& samples,
                                        std::uint32_t width, std::uint32_t left, std::uint32_t top,
                                        std::uint32_t w, std::uint32_t h, std::uint32_t black,
                                        std::uint32_t white) {
    std::array<Expected, 4> out{};
    for (std::uint32_t y = top; y < top + h; ++y) {
        for (std::uint32_t x = left; x < left + w; ++x) {
            const std::uint32_t v = samples[std::size_t{y} * width + x];
            Expected& e = out[(y % 2) * 2 + x % 2];
            ++e.count;
            e.sum += v;
            e.squares += static_cast<long double>(v) * v;
            e.minimum = std::min(e.minimum, v);
            e.maximum = std::max(e.maximum, v);
            e.atWhite += v >= white;
            e.atBlack += v <= black;
        }
    }
    return out;
}

void expectFigures(const json& channels, const std::array<Expected, 4>& expected) {
    const char* names[] = {"R", "G1", "G2", "B"};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(names[k]);
        const json& c = channels.at(names[k]);
        const Expected& e = expected[k];
        ASSERT_EQ(c.at("count").get<std::uint64_t>(), e.count);
        EXPECT_EQ(c.at("min").get<std::uint32_t>(), e.minimum);
        EXPECT_EQ(c.at("max").get<std::uint32_t>(), e.maximum);
        EXPECT_EQ(c.at("atWhite").get<std::uint64_t>(), e.atWhite);
        EXPECT_EQ(c.at("atBlack").get<std::uint64_t>(), e.atBlack);
        const long double mean = static_cast<long double>(e.sum) / e.count;
        const long double deviation = std::sqrt(e.squares / e.count - mean * mean);
        EXPECT_NEAR(c.at("mean").get<double>(), static_cast<double>(mean), 1e-9 * mean);
        EXPECT_NEAR(c.at("stddev").get<double>(), static_cast<double>(deviation),
                    1e-7 * deviation + 1e-9);
    }
}

TEST(Stats, BlackmagicDngAgreesWithSumsOfItsDump) {
    const fs::path file =
        fs::path(KORVANE_SAMPLES_DIR) / "blackmagic_pocket4k_dng-ljpeg12-lintable-tiled.dng";
    if (!fs::exists(file)) GTEST_SKIP() << "no sample file " << file;
    TempFolder folder;
    const fs::path pgmPath = folder.path() / "active.pgm", err = folder.path() / "err.txt";
    ASSERT_EQ(runCli("dump --active " + quoted(file) + " -o " + quoted(pgmPath), err).status, 0);
    const Pgm pgm = readPgm(pgmPath);
    std::istringstream header(pgm.header);
    std::string magic;
    std::uint32_t width = 0, height = 0;
    header >> magic >> width >> height;
    ASSERT_EQ(pgm.samples.size(), std::size_t{width} * height);

    const CliRun whole = runCli("stats --json " + quoted(file), err);
    ASSERT_EQ(whole.status, 0) << whole.err;
    const json all = json::parse(whole.out);
    ASSERT_EQ(all.size(), 1u);
    const json& r = all[0];
    EXPECT_EQ(r.at("file"), file.string());
    EXPECT_TRUE(r.at("message").is_null());
    EXPECT_EQ(r.at("rect"), json({0, 0, width, height}));
    // The file states BlackLevel 512 and WhiteLevel 65535 (its CFA is RGGB).
    EXPECT_EQ(r.at("black"), 512);
    EXPECT_EQ(r.at("white"), 65535);
    expectFigures(r.at("channels"),
                  expectedFigures(pgm.samples, width, 0, 0, width, height, 512, 65535));

    // A rectangle at odd offsets starts on another colour of the pattern.
    const CliRun part = runCli("stats " + quoted(file) + " --rect 2541,1459,301,77 --json", err);
    ASSERT_EQ(part.status, 0) << part.err;
    const json p = json::parse(part.out).at(0);
    EXPECT_EQ(p.at("rect"), json({2541, 1459, 301, 77}));
    expectFigures(p.at("channels"),
                  expectedFigures(pgm.samples, width, 2541, 1459, 301, 77, 512, 65535));
}

// A small uncompressed DNG, 16 bits or packed, of 1000 x 1000 samples.
std::vector<std::uint8_t> smallDng(std::uint32_t bits, DngDescription& d) {
    d.width = 1000;
    d.height = 1000;
    d.activeArea = {4, 6, 1000, 1000};
    d.maskedAreas = {{0, 0, 4, 1000}};
    d.bitsPerSample = bits;
    d.whiteLevel = static_cast<std::uint16_t>(bits == 16 ? 60000 : (1u << bits) - 1);
    d.blackLevel.fill(static_cast<std::uint16_t>(bits == 16 ? 1024 : 1u << (bits - 4)));
    d.rawInSubIfd = false;
    d.rowsPerStrip = 1000;
    return buildDng(d, demoScene(d));
}

TEST(Stats, AHundredFilesInOneCallInEveryForm) {
    TempFolder folder;
    DngDescription sixteen, fourteen;
    const fs::path a = folder.write("a.dng", smallDng(16, sixteen));
    const fs::path b = folder.write("b.dng", smallDng(14, fourteen));
    const fs::path junk = folder.write("junk.dng", std::vector<std::uint8_t>(4096, 'x'));
    // 100 names, each its own link to one of the two files; the 50th a file that fails.
    std::vector<fs::path> files;
    std::string arguments;
    for (int i = 0; i < 100; ++i) {
        const fs::path link = folder.path() / ("f" + std::to_string(i) + ".dng");
        if (i == 49)
            fs::create_symlink(junk, link);
        else
            fs::create_symlink(i % 2 == 0 ? a : b, link);
        files.push_back(link);
        arguments += " " + quoted(link);
    }
    const fs::path err = folder.path() / "err.txt";
    const CliRun asJson = runCli("stats --json" + arguments, err);
    EXPECT_EQ(asJson.status, 2);
    const json all = json::parse(asJson.out);
    ASSERT_EQ(all.size(), 100u);
    const auto figuresA = all[0].at("channels"), figuresB = all[1].at("channels");
    EXPECT_NE(figuresA, figuresB);
    EXPECT_EQ(all[0].at("white"), 60000);
    EXPECT_EQ(all[1].at("white"), 16383);
    for (int i = 0; i < 100; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(all[i].at("file"), files[i].string());
        if (i == 49) {
            EXPECT_FALSE(all[i].contains("channels"));
            EXPECT_FALSE(all[i].at("message").get<std::string>().empty());
            continue;
        }
        EXPECT_TRUE(all[i].at("message").is_null());
        EXPECT_EQ(all[i].at("channels"), i % 2 == 0 ? figuresA : figuresB);
    }
    // Every channel of the 16-bit file, from the scene the file was made of.
    const auto scene = demoScene(sixteen);
    std::vector<std::uint16_t> active;
    for (std::uint32_t y = 4; y < 1000; ++y)
        active.insert(active.end(), scene.begin() + y * 1000 + 6, scene.begin() + y * 1000 + 1000);
    const std::uint32_t black = all[0].at("black");
    expectFigures(figuresA, expectedFigures(active, 994, 0, 0, 994, 996, black, 60000));

    const CliRun asCsv = runCli("stats --csv" + arguments, err);
    EXPECT_EQ(asCsv.status, 2);
    std::istringstream lines(asCsv.out);
    std::string line, last;
    std::getline(lines, line);
    EXPECT_EQ(line, "file,left,top,width,height,black,white,channel,count,min,max,mean,stddev,"
                    "atWhite,atBlack,message");
    int rows = 0;
    while (std::getline(lines, line)) {
        ++rows;
        if (line.rfind(files[49].string(), 0) == 0) last = line;
    }
    EXPECT_EQ(rows, 99 * 4 + 1);
    EXPECT_NE(last.find(",,,,,,,,,"), std::string::npos) << last;

    const CliRun asText = runCli("stats" + arguments, err);
    EXPECT_EQ(asText.status, 2);
    for (const fs::path& f : files)
        EXPECT_NE(asText.out.find(f.string() + ": "), std::string::npos) << f;

    // Without the failing file every record has its figures.
    EXPECT_EQ(runCli("stats " + quoted(a) + " " + quoted(b), err).status, 0);
}

TEST(Stats, UsageErrorsAndRectanglesOutsideTheActiveArea) {
    TempFolder folder;
    DngDescription d;
    const fs::path a = folder.write("a.dng", smallDng(16, d));
    const fs::path err = folder.path() / "err.txt";
    for (const std::string bad : {"", "--rect 1,2,3", "--rect 1,2,0,4", "--rect a,b,c,d",
                                  "--rect 1,2,3,4,5", "--bogus", "--json --csv"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(runCli("stats " + bad + (bad.empty() ? "" : " ") + quoted(a), err).status,
                  bad.empty() ? 0 : 1);
    }
    EXPECT_EQ(runCli("stats", err).status, 1);
    EXPECT_EQ(runCli("stats --json", err).status, 1);
    // The active area is 994 x 996: a rectangle reaching one sample past it fails the file.
    const CliRun inside = runCli("stats --json --rect 0,0,994,996 " + quoted(a), err);
    EXPECT_EQ(inside.status, 0);
    const CliRun outside = runCli("stats --json --rect 1,0,994,996 " + quoted(a), err);
    EXPECT_EQ(outside.status, 2);
    const json r = json::parse(outside.out).at(0);
    EXPECT_FALSE(r.contains("channels"));
    EXPECT_NE(r.at("message").get<std::string>().find("active area"), std::string::npos);
}

} // namespace
} // namespace korvane::test
