// The real sample files through the program, as a user runs it: a file that cannot be
// processed gives status 2, a message on standard error and no output file, whichever
// command reads it; and the levels `info` prints are those the analyser's display takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>

#include "cli/ScriptRunner.hpp"
#include "tests/cli/CliRun.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> sampleFiles() {
    std::vector<fs::path> files;
    const fs::path folder(KORVANE_SAMPLES_DIR);
    if (!fs::is_directory(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string ext = entry.path().extension().string();
        if (entry.is_regular_file() && ext != ".tsv" && ext != ".md" &&
            entry.path().filename() != "SHA256SUMS")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(SampleFilesThroughTheProgram, UnprocessableFilesGiveStatus2AMessageAndNoOutput) {
    const auto files = sampleFiles();
    if (files.empty()) GTEST_SKIP() << "no sample files at " << KORVANE_SAMPLES_DIR;
    TempFolder folder;
    int loaded = 0, refused = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const fs::path pgm = folder.path() / "out.pgm", png = folder.path() / "out.png";
        const fs::path errFile = folder.path() / "err.txt";
        const CliRun info = runCli("info " + quoted(file), errFile);
        const CliRun dump = runCli("dump " + quoted(file) + " -o " + quoted(pgm), errFile);
        const CliRun render =
            runCli("render " + quoted(file) + " -o " + quoted(png) + " --panel 320x240", errFile);
        const fs::path histogramPng = folder.path() / "h.png", csv = folder.path() / "h.csv";
        const CliRun histogram = runCli("histogram " + quoted(file) + " -o " +
                                            quoted(histogramPng) + " --csv " + quoted(csv),
                                        errFile);
        EXPECT_EQ(histogram.status, dump.status) << histogram.err;
        EXPECT_EQ(fs::exists(csv), dump.status == 0);
        fs::remove(csv);
        ASSERT_TRUE(info.status == 0 || info.status == 2) << info.err;
        // A file that does not parse cannot be decoded; one that does not decode is not drawn.
        if (info.status == 2) {
            EXPECT_EQ(dump.status, 2);
        }
        EXPECT_EQ(render.status, dump.status) << render.err;
        for (const auto& [run, output] : {std::pair{&dump, pgm}, std::pair{&render, png},
                                          std::pair{&histogram, histogramPng}}) {
            if (run->status == 2) {
                EXPECT_FALSE(fs::exists(output)) << output;
                EXPECT_NE(run->err.find(": "), std::string::npos) << "no message: " << run->err;
            } else {
                EXPECT_EQ(run->status, 0) << run->err;
                EXPECT_GT(fs::file_size(output), 0u) << output;
            }
            fs::remove(output);
        }
        ++(dump.status == 0 ? loaded : refused);
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

// Whatever image the camera row's rule picks, `info` shows the white level that Process
// gives the display.
TEST(SampleFilesThroughTheProgram, InfoShowsTheWhiteLevelTheDisplayUses) {
    const auto files = sampleFiles();
    if (files.empty()) GTEST_SKIP() << "no sample files at " << KORVANE_SAMPLES_DIR;
    TempFolder folder;
    int compared = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const CliRun info = runCli("info --json " + quoted(file), folder.path() / "err.txt");
        const auto j = nlohmann::json::parse(info.out, nullptr, false);
        if (info.status != 0 || j.is_discarded() || !j.contains("mainImage")) continue;
        std::ostringstream ignored;
        cli::ScriptRunner runner(ignored);
        std::string error;
        ASSERT_TRUE(runner.run("process " + file.string(), error)) << error;
        ASSERT_NE(runner.analyzer().image(), nullptr);
        EXPECT_EQ(j["mainImage"]["whiteLevel"].get<std::int64_t>(),
                  runner.analyzer().image()->whiteLevel);
        EXPECT_EQ(j["mainImage"]["maximumValue"].get<std::int64_t>(),
                  runner.analyzer().image()->maximumValue);
        ++compared;
        if (file.filename() == "canon_eos350d_cr2-ljpeg_STRIPPED.cr2") {
            // The raw directory states no bits: the camera row's 12-bit levels hold.
            EXPECT_EQ(j["mainImage"]["whiteLevel"], 4095);
            EXPECT_EQ(j["mainImage"]["maximumValue"], 4096);
            EXPECT_NE(runCli("info " + quoted(file), folder.path() / "err.txt")
                          .out.find("white level 4095, maximum value 4096"),
                      std::string::npos);
        }
    }
    EXPECT_GE(compared, 4);
}

} // namespace
} // namespace korvane::test
