#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>

#include "cli/InfoCommand.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

std::string demoFile(const TempFolder& folder) {
    const DngDescription d = demoDescription();
    return folder.write("demo.dng", buildDng(d, demoScene(d)));
}

TEST(Info, DescribesTheTreesTheImageAndTheShot) {
    TempFolder folder;
    const auto session = cli::openFileSession(demoFile(folder), false);
    const nlohmann::json info = cli::describeFile(*session);
    EXPECT_TRUE(info["processed"].get<bool>());
    EXPECT_TRUE(info["messages"].empty());
    const auto& first = info["directories"][0];
    EXPECT_EQ(first["label"], "First IFD");
    EXPECT_EQ(first["entries"][0]["name"], "NewSubfileType");
    EXPECT_EQ(first["entries"][0]["type"], "LONG");
    // Linked directories follow in reading order: Exif before the SubIFDs.
    EXPECT_EQ(first["children"][0]["label"], "Exif IFD");
    EXPECT_EQ(first["children"].back()["label"], "SubIFD");
    const auto& image = info["mainImage"];
    EXPECT_EQ(image["directory"], "SubIFD");
    EXPECT_EQ(image["imageWidth"], 1296);
    EXPECT_EQ(image["activeArea"]["left"], 16);
    EXPECT_EQ(image["activeArea"]["width"], 1280);
    EXPECT_EQ(image["cfaPattern"]["colours"], "RGGB");
    EXPECT_EQ(image["whiteLevel"], 60000);
    EXPECT_EQ(image["blackLevelArray"], nlohmann::json::array({1024, 1030, 1018, 1026}));
    EXPECT_EQ(info["shotInfo"],
              "Korvane Demo Sensor,   1280x1032pix\nISO 200,   F/5.6,   1/250s,   50mm");

    std::ostringstream text;
    cli::writeInfoText(info, text);
    EXPECT_NE(text.str().find("  254 NewSubfileType LONG[1] 1\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("  CFA 2x2 RGGB, 16 bits, compression 1"), std::string::npos);
}

TEST(Info, TheProgramExitsWith2AfterAMessageAndPrintsJson) {
    TempFolder folder;
    const std::string path = folder.write("short.raw", std::vector<std::uint8_t>(25, 0));
    const std::string command = std::string(KORVANE_CLI) + " info " + path + " --json 2>" +
                                (folder.path() / "err.txt").string();
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string printed;
    std::array<char, 512> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr)
        printed += chunk.data();
    const int status = ::pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    const auto info = nlohmann::json::parse(printed);
    ASSERT_EQ(info["messages"].size(), 1u);
    EXPECT_EQ(info["messages"][0]["number"], 3);
    EXPECT_FALSE(info["processed"].get<bool>());
}

} // namespace
} // namespace korvane::test
