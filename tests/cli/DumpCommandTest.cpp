// korvane-cli dump: the decoded samples as a 16-bit PGM, whole or the active area.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

#include "tests/cli/CliRun.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

int run(const std::string& arguments) {
    const int status =
        std::system((std::string(KORVANE_CLI) + " dump " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Dump : public ::testing::Test {
protected:
    void SetUp() override {
        description = demoDescription();
        description.order = ByteOrder::Big;
        scene = demoScene(description);
        input = folder.write("scene.dng", buildDng(description, scene));
    }
    DngDescription description;
    std::vector<std::uint16_t> scene;
    TempFolder folder;
    std::string input;
};

TEST_F(Dump, TheWholeBufferBigEndian) {
    const auto out = folder.path() / "all.pgm";
    ASSERT_EQ(run(input + " -o " + out.string()), 0);
    const Pgm pgm = readPgm(out);
    EXPECT_EQ(pgm.header, "P5\n" + std::to_string(description.width) + " " +
                              std::to_string(description.height) + "\n65535\n");
    EXPECT_EQ(pgm.samples, scene);
}

TEST_F(Dump, TheActiveArea) {
    const auto out = folder.path() / "active.pgm";
    ASSERT_EQ(run("--active -o " + out.string() + " " + input), 0);
    const Pgm pgm = readPgm(out);
    const SensorRect a = description.activeArea;
    const std::uint32_t width = a.right - a.left, height = a.bottom - a.top;
    EXPECT_EQ(pgm.header,
              "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n65535\n");
    ASSERT_EQ(pgm.samples.size(), std::size_t{width} * height);
    for (std::uint32_t y = 0; y < height; y += 97)
        for (std::uint32_t x = 0; x < width; x += 89)
            ASSERT_EQ(pgm.samples[y * width + x],
                      scene[(a.top + y) * description.width + a.left + x])
                << y << " " << x;
}

TEST_F(Dump, UsageAndUnreadableFiles) {
    EXPECT_EQ(run(input), 1);                                      // no -o
    EXPECT_EQ(run("-o " + (folder.path() / "x.pgm").string()), 1); // no file
    EXPECT_EQ(run(input + " -o a.pgm --bogus"), 1);
    const std::string junk = folder.write("junk.raw", std::vector<std::uint8_t>(100, 'x'));
    EXPECT_EQ(run(junk + " -o " + (folder.path() / "j.pgm").string()), 2);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "j.pgm"));
}

} // namespace
} // namespace korvane::test
