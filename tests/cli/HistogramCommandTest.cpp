// `korvane-cli histogram`: its options, the picture and texts of Histogram mode, the CSV of
// the bins checked against counts made here from the dumped samples, and its failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/CfaColours.hpp"
#include "cli/HistogramCommand.hpp"
#include "cli/ScriptRunner.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

struct CsvRow {
    long bin = 0;
    std::optional<long> first, last;
    std::array<long, 3> samples{};
};

std::vector<CsvRow> readCsv(const std::string& path, std::string* header = nullptr) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    if (header) *header = line;
    std::vector<CsvRow> rows;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');)
            f.push_back(field);
        if (f.size() != 6) return {};
        CsvRow r;
        r.bin = std::stol(f[0]);
        if (!f[1].empty()) r.first = std::stol(f[1]);
        if (!f[2].empty()) r.last = std::stol(f[2]);
        for (int c = 0; c < 3; ++c)
            r.samples[static_cast<std::size_t>(c)] = std::stol(f[static_cast<std::size_t>(3 + c)]);
        rows.push_back(r);
    }
    return rows;
}

class Histogram : public ::testing::Test {
protected:
    void SetUp() override {
        const DngDescription d = demoDescription();
        dng = folder.write("demo.dng", buildDng(d, demoScene(d)));
        png = (folder.path() / "h.png").string();
        csv = (folder.path() / "h.csv").string();
    }
    struct Run {
        int status = -1;
        std::string out, err;
        std::unique_ptr<cli::ScriptRunner> runner;
        std::ostringstream ignored;
    };
    std::unique_ptr<Run> run(std::vector<std::string> args) {
        cli::HistogramRequest request;
        std::string error;
        EXPECT_TRUE(cli::parseHistogramRequest(args, request, error)) << error;
        auto r = std::make_unique<Run>();
        r->runner = std::make_unique<cli::ScriptRunner>(r->ignored);
        std::ostringstream out, err;
        r->status = cli::runHistogram(request, *r->runner, out, err);
        r->out = out.str();
        r->err = err.str();
        return r;
    }
    // Samples of the active area per colour whose value lies in [low, high].
    static std::array<long, 3> countSamples(const ImageDescriptor& image, const SampleRect& area,
                                            long low, long high) {
        std::array<long, 3> n{};
        const SampleRect active = image.activeRect();
        for (std::uint32_t r = area.top; r < area.top + area.height; ++r)
            for (std::uint32_t c = area.left; c < area.left + area.width; ++c) {
                const long v = image.samples[std::size_t{r} * image.imageWidth + c];
                if (v < low || v > high) continue;
                ++n[static_cast<std::size_t>(cfaColourAt(image, r - active.top, c - active.left))];
            }
        return n;
    }
    TempFolder folder;
    std::string dng, png, csv;
};

TEST(HistogramArguments, OptionsAndTheirRefusals) {
    cli::HistogramRequest r;
    std::string error;
    ASSERT_TRUE(
        cli::parseHistogramRequest({"f.dng", "-o", "o.png", "--csv", "o.csv", "--fine", "--black",
                                    "300", "--select", "1,2,30,40", "--panel", "600x500"},
                                   r, error))
        << error;
    EXPECT_TRUE(r.fine);
    EXPECT_EQ(r.csv, "o.csv");
    EXPECT_EQ(r.display.black, "300");
    ASSERT_TRUE(r.display.select.has_value());
    const std::vector<std::vector<std::string>> refused = {
        {"f.dng"},
        {"-o", "o.png"},
        {"f.dng", "-o", "o.png", "--select", "1,2,3,4"},
        {"f.dng", "-o", "o.png", "--fine", "--mapped"},
        {"f.dng", "-o", "o.png", "--apply-wb"},
        {"f.dng", "-o", "o.png", "--zoom", "2:1"},
        {"f.dng", "-o", "o.png", "--csv"},
        {"f.dng", "-o", "o.png", "--wb", "1,2"},
    };
    for (const auto& args : refused) {
        cli::HistogramRequest bad;
        std::string why;
        EXPECT_FALSE(cli::parseHistogramRequest(args, bad, why)) << args.back();
        EXPECT_FALSE(why.empty());
    }
}

// The whole range: one row per bin, the bins' values following each other from 0 to V - 1,
// and every sample of the active area counted once in its colour.
TEST_F(Histogram, TheWholeRangeInBinsThatCoverEveryValueOnce) {
    auto r = run({dng, "-o", png, "--csv", csv});
    ASSERT_EQ(r->status, 0) << r->err;
    const ImageDescriptor& image = *r->runner->analyzer().image();
    const long v = image.valueRange;
    EXPECT_NE(r->out.find("1080: Range\\n0:" + std::to_string(v - 1) + "\n"), std::string::npos)
        << r->out;
    EXPECT_NE(r->out.find("1062: "), std::string::npos);
    std::string header;
    const auto rows = readCsv(csv, &header);
    EXPECT_EQ(header, "bin,first,last,red,green,blue");
    ASSERT_EQ(rows.size(), 512u);
    std::array<long, 3> total{};
    long next = 0;
    for (const CsvRow& row : rows) {
        ASSERT_TRUE(row.first && row.last) << row.bin;
        EXPECT_EQ(*row.first, next) << row.bin;
        next = *row.last + 1;
        const std::array<long, 3> expected =
            countSamples(image, image.activeRect(), *row.first, *row.last);
        EXPECT_EQ(row.samples, expected) << "bin " << row.bin;
        for (int c = 0; c < 3; ++c)
            total[static_cast<std::size_t>(c)] += row.samples[static_cast<std::size_t>(c)];
    }
    EXPECT_EQ(next, v);
    EXPECT_EQ(total, countSamples(image, image.activeRect(), 0, 1 << 20));
    EXPECT_TRUE(fs::exists(png));
}

// The Fine window counts one value a bin from the window start; with a selection, only the
// selected samples.
TEST_F(Histogram, TheFineWindowAndASelectionInIt) {
    for (const bool select : {false, true}) {
        std::vector<std::string> args{dng, "-o", png, "--csv", csv, "--fine", "--black", "40"};
        if (select) args.insert(args.end(), {"--select", "100,80,163,127"});
        auto r = run(args);
        ASSERT_EQ(r->status, 0) << r->err;
        CAnalyzerDlg& dlg = r->runner->analyzer();
        const ImageDescriptor& image = *dlg.image();
        const std::uint32_t start = dlg.lastHistogramPlan().windowStart;
        EXPECT_EQ(dlg.lastHistogramPlan().mode,
                  select ? HistogramMode::Selection : HistogramMode::Window);
        const auto rows = readCsv(csv);
        ASSERT_EQ(rows.size(), 512u);
        const SampleRect area = select ? dlg.histograms().selection : image.activeRect();
        ASSERT_GT(area.width * area.height, 0u);
        for (const CsvRow& row : rows) {
            ASSERT_TRUE(row.first && row.last);
            EXPECT_EQ(*row.first, start + row.bin);
            EXPECT_EQ(*row.last, start + row.bin);
            // Bin 0 also holds what lies exactly at the window start.
            EXPECT_EQ(row.samples, countSamples(image, area, *row.first, *row.last)) << row.bin;
        }
    }
}

TEST_F(Histogram, TheRgbHistogramCountsDisplayValues) {
    auto r = run({dng, "-o", png, "--csv", csv, "--mapped", "--wb", "2,1,1,1.5", "--apply-wb"});
    ASSERT_EQ(r->status, 0) << r->err;
    EXPECT_NE(r->out.find("1080: \n"), std::string::npos) << r->out;
    const ImageDescriptor& image = *r->runner->analyzer().image();
    const auto rows = readCsv(csv);
    ASSERT_EQ(rows.size(), 256u);
    std::array<long, 3> total{};
    for (const CsvRow& row : rows) {
        EXPECT_EQ(row.first, row.bin);
        EXPECT_EQ(row.last, row.bin);
        for (int c = 0; c < 3; ++c)
            total[static_cast<std::size_t>(c)] += row.samples[static_cast<std::size_t>(c)];
    }
    EXPECT_EQ(total, countSamples(image, image.activeRect(), 0, 1 << 20));
}

TEST_F(Histogram, FailuresWriteNothing) {
    const std::string shortFile = folder.write("short.dng", std::vector<std::uint8_t>(20, 0));
    auto r = run({shortFile, "-o", png, "--csv", csv});
    EXPECT_EQ(r->status, 2);
    EXPECT_NE(r->err.find("Input file too short for TIFF"), std::string::npos) << r->err;
    EXPECT_FALSE(fs::exists(png));
    EXPECT_FALSE(fs::exists(csv));

    const std::string nowhere = (folder.path() / "no-such-folder" / "h.png").string();
    r = run({dng, "-o", nowhere, "--csv", csv});
    EXPECT_EQ(r->status, 2);
    EXPECT_FALSE(r->err.empty());
    EXPECT_FALSE(fs::exists(csv)) << "no CSV without its picture";
    r = run({dng, "-o", png, "--csv", (folder.path() / "no-such-folder" / "h.csv").string()});
    EXPECT_EQ(r->status, 2);
    EXPECT_NE(r->err.find("cannot write"), std::string::npos) << r->err;

    // A selection outside the picture cannot be counted.
    r = run({dng, "-o", png, "--fine", "--select", "0,0,3,3"});
    EXPECT_EQ(r->status, 1) << r->err;
}

} // namespace
} // namespace korvane::test
