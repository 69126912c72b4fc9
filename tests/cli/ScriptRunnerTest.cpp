#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <png.h>
#include <sstream>

#include "analysis/Viewport.hpp"
#include "cli/ScriptRunner.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

std::string runScript(cli::ScriptRunner& runner, std::ostringstream& out, const std::string& script,
                      int* status = nullptr, std::string* errors = nullptr) {
    std::istringstream in(script);
    std::ostringstream err;
    const int s = runner.runAll(in, err);
    if (status) *status = s;
    if (errors) *errors = err.str();
    return out.str();
}

TEST(Script, ProcessingA25ByteFileReportsItTooShort) {
    TempFolder folder;
    const std::string path = folder.write("short.raw", std::vector<std::uint8_t>(25, 0));
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    const std::string printed =
        runScript(runner, out, "process " + path + "\nmessages\nmessages\n");
    EXPECT_EQ(printed, "3 | Image input file processing error | Input file too short for TIFF\n");
}

TEST(Script, PrintAndStateDescribeControls) {
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    const std::string printed =
        runScript(runner, out,
                  "# comments and blank lines are skipped\n\n"
                  "print 1011\nstate 1069\nstate 1035\nprint 1020\nprint title\n");
    EXPECT_EQ(printed, "4095\n"
                       "1069: enabled=0 visible=1 checked=0 position=48\n"
                       "1035: enabled=1 visible=1 checked=1 position=0\n"
                       "White Level RGB statistics\n"
                       "Lumbrecht Raw Image Analysis Version 0.1.0.0\n");
}

TEST(Script, LineBreaksArePrintedAsBackslashN) {
    EXPECT_EQ(cli::oneLine("a\nb\\c"), "a\\nb\\\\c");
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    runScript(runner, out, "process /no/such.nef\nmessages\n");
    EXPECT_EQ(out.str(),
              "2 | Image input file processing error | Error opening file /no/such.nef for "
              "input:\\nFile not found\n");
}

TEST(Script, HeldKeysLastForOneCommand) {
    TempFolder folder;
    const std::string path = folder.write("a.raw", std::vector<std::uint8_t>(30, 0));
    std::vector<bool> seen;
    LoadStages stages;
    stages.parse = [&](RawFileContext&, Reporter&, const KeyState& keys,
                       const LoadStages::ShotInfo&) -> Status {
        seen.push_back(keys.isKeyDown(0x11) && keys.isKeyDown(0x10) && keys.isKeyDown('W'));
        return kFailed;
    };
    std::ostringstream out;
    cli::ScriptRunner runner(out, stages);
    runScript(runner, out, "held Ctrl+Shift+W\nprocess " + path + "\nprocess " + path + "\n");
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST(Script, ClicksTypingAndSlidersActOnTheDialog) {
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    const std::string printed = runScript(runner, out,
                                          "slider 1005 44\nprint 1011\n"
                                          "click 1036\nstate 1036\nstate 1035\n"
                                          "type 1001 some path\nprint 1001\n"
                                          "key Escape\nstate 1002\n");
    EXPECT_EQ(printed, "1800\n"
                       "1036: enabled=1 visible=1 checked=1 position=0\n"
                       "1035: enabled=1 visible=1 checked=0 position=0\n"
                       "some path\n"
                       "1002: enabled=1 visible=1 checked=0 position=0\n");
    EXPECT_TRUE(runner.dialog().ended());
    EXPECT_EQ(runner.dialog().result(), 2);
}

TEST(Script, ABadLineStopsTheScriptWithStatusOne) {
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    int status = 0;
    std::string errors;
    runScript(runner, out, "print 1011\nfly away\nprint 1010\n", &status, &errors);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.str(), "4095\n");
    EXPECT_EQ(errors, "script line 2: unknown command 'fly'\n");
    for (const char* bad :
         {"click 99999", "key Ctrl+Nothing", "slider 1004 x", "panel 0 10", "char ab"}) {
        std::string why;
        EXPECT_FALSE(runner.run(bad, why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
}

// "save" writes the panel of a processed file; with no image shown (nothing processed, or a
// file that did not load) it writes nothing and stops the script with status 2.
TEST(Script, SaveWritesThePanelOfAProcessedFileOnly) {
    TempFolder folder;
    const std::string png = (folder.path() / "panel.png").string();
    const DngDescription d = demoDescription();
    const std::string dng = folder.write("demo.dng", buildDng(d, demoScene(d)));
    const std::string shortFile = folder.write("short.dng", std::vector<std::uint8_t>(30, 0));
    for (const std::string& before : {std::string(), "process " + shortFile + "\n"}) {
        std::ostringstream out;
        cli::ScriptRunner runner(out);
        int status = 0;
        std::string errors;
        runScript(runner, out, "panel 64 48\n" + before + "save " + png + "\nprint 1011\n", &status,
                  &errors);
        EXPECT_EQ(status, 2) << before;
        EXPECT_NE(errors.find("no image is shown"), std::string::npos) << errors;
        EXPECT_FALSE(std::filesystem::exists(png)) << before;
    }
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    int status = 1;
    runScript(runner, out, "panel 64 48\nprocess " + dng + "\nsave " + png + "\n", &status);
    EXPECT_EQ(status, 0);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str())) << image.message;
    EXPECT_EQ(image.width, 64u);
    EXPECT_EQ(image.height, 48u);
    png_image_free(&image);
}

TEST(ScriptProgram, TheCommandLineToolRunsAScriptFromStandardInput) {
    TempFolder folder;
    const std::string path = folder.write("short.raw", std::vector<std::uint8_t>(25, 0));
    const std::string script = folder.write("s.txt", {});
    std::ofstream(script) << "process " << path << "\nmessages\n";
    const std::string command = std::string(KORVANE_CLI) + " script < " + script;
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string printed;
    std::array<char, 256> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr)
        printed += chunk.data();
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(printed, "3 | Image input file processing error | Input file too short for TIFF\n");
}

} // namespace
} // namespace korvane::test

namespace korvane::test {
namespace {

TEST(Script, SelectMeasuresARectangleOfThePanelAndPickRedraws) {
    TempFolder folder;
    const DngDescription d = demoDescription();
    const std::string path = folder.write("demo.dng", buildDng(d, demoScene(d)));
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    int status = -1;
    std::string errors;
    const std::string printed =
        runScript(runner, out,
                  "panel 400 300\nprocess " + path +
                      "\nprint 1062\nselect 10 10 41 41\nprint 1072\nprint 1062\n"
                      "select 1 2 3\n",
                  &status, &errors);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors.find("select needs four numbers"), std::string::npos);
    std::istringstream lines(printed);
    std::string before, coordinates, statistics;
    std::getline(lines, before);
    std::getline(lines, coordinates);
    std::getline(lines, statistics);
    EXPECT_EQ(before, "");
    EXPECT_EQ(coordinates, "(   8,8   )\\n   32x32  ");
    EXPECT_EQ(statistics.rfind(" Raw (min,max,avrg,StDev,AI) = ((", 0), 0u) << statistics;
    const auto picture = runner.dialog().panelSurface().pixels();
    ASSERT_TRUE(runner.run("pick 1060 13", errors));
    EXPECT_EQ(runner.dialog().selection(1060), 13);
    EXPECT_NE(runner.dialog().panelSurface().pixels(), picture);
}

// The mouse, the wheel, the scroll bars and the cursor as script lines: a right-button drag
// selects, the left button pans with the hand, the bars take their codes.
TEST(Script, MouseWheelScrollAndCursorDriveThePanel) {
    TempFolder folder;
    const DngDescription d = demoDescription();
    const std::string dng = folder.write("demo.dng", buildDng(d, demoScene(d)));
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    int status = 1;
    std::string errors;
    runScript(
        runner, out,
        "panel 200 150\nprocess " + dng +
            "\nmouse down right 40 40\ncursor\nmouse move 60 52\nmouse up right 60 52\ncursor\n"
            "print 1072\nmouse down left 100 100\ncursor\nmouse move 90 95\nmouse up left 90 95\n"
            "scroll 1015 line-down\nscroll 1016 thumb 7\nwheel 1\nmouse dialog 5 5\ncursor\n",
        &status, &errors);
    EXPECT_EQ(status, 0) << errors;
    const ImageDescriptor& image = *runner.analyzer().image();
    EXPECT_TRUE(runner.analyzer().selectionValid());
    EXPECT_EQ(image.scrollX, 7);
    EXPECT_EQ(image.scrollY, std::min(20 + 1 + std::max(image.pageY / 4, 1), image.scrollMaxY));
    std::istringstream lines(out.str());
    std::vector<std::string> printed;
    for (std::string line; std::getline(lines, line);)
        printed.push_back(line);
    ASSERT_EQ(printed.size(), 5u) << out.str();
    EXPECT_EQ(printed[0], "cross");
    EXPECT_EQ(printed[1], "arrow");
    EXPECT_NE(printed[2].find("x"), std::string::npos) << "the selection's size: " << printed[2];
    EXPECT_EQ(printed[3], "hand");
    EXPECT_EQ(printed[4], "arrow");
    for (const char* bad : {"mouse down middle 1 1", "mouse move 1", "scroll 1015 sideways",
                            "scroll 1001 top", "scroll 1016 thumb", "wheel x", "probe 1"}) {
        std::string why;
        EXPECT_FALSE(runner.run(bad, why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    std::string why;
    EXPECT_FALSE(runner.run("clipboard " + (folder.path() / "c.png").string(), why));
    EXPECT_NE(why.find("no picture"), std::string::npos) << why;
}

// "dump" writes the buffer as `korvane-cli dump` does; "focus" and the F and keypad key
// names reach the keyboard commands.
TEST(Script, DumpFocusAndKeyNames) {
    TempFolder folder;
    const DngDescription d = demoDescription();
    const std::string dng = folder.write("demo.dng", buildDng(d, demoScene(d)));
    const std::string mine = (folder.path() / "script.pgm").string(),
                      theirs = (folder.path() / "cli.pgm").string();
    ASSERT_EQ(std::system((std::string(KORVANE_CLI) + " dump " + dng + " -o " + theirs).c_str()),
              0);
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    int status = 1;
    std::string errors;
    runScript(
        runner, out,
        "panel 300 200\nprocess " + dng + "\ndump " + mine +
            "\nfocus 1010\nkey Up\nkey Ctrl+Up\nprint 1010\nkey add\nprint 1078\nkey Shift+F1\n",
        &status, &errors);
    EXPECT_EQ(status, 0) << errors;
    std::ifstream a(mine, std::ios::binary), b(theirs, std::ios::binary);
    const std::string x{std::istreambuf_iterator<char>(a), {}},
        y{std::istreambuf_iterator<char>(b), {}};
    EXPECT_FALSE(x.empty());
    EXPECT_EQ(x, y);
    const std::uint16_t black = runner.analyzer().image()->blackLevelMinimum;
    EXPECT_NE(out.str().find(std::to_string(black + 11) + "\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Zoom\\n  2:1"), std::string::npos) << out.str();
    std::string why;
    cli::ScriptRunner empty(out);
    EXPECT_FALSE(empty.run("dump " + mine, why));
}

// The analyses of a selection by key: Shift+F1 writes the red spectrum into the samples of
// the selection only, Alt+F1 records a template whose counts "template 1" prints, and a
// selection too small says so.
TEST(Script, SelectionKeysAnalyseFrequenciesAndRecordATemplate) {
    TempFolder folder;
    const DngDescription d = demoDescription();
    const std::string dng = folder.write("demo.dng", buildDng(d, demoScene(d)));
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    std::string error;
    for (const std::string& line :
         std::vector<std::string>{"panel 400 300", "process " + dng, "select 20 20 99 99"})
        ASSERT_TRUE(runner.run(line, error)) << error;
    const std::vector<std::uint16_t> before = runner.analyzer().image()->samples;
    ASSERT_TRUE(runner.run("key Alt+F1", error));
    ASSERT_TRUE(runner.run("template 1", error));
    std::istringstream lines(out.str());
    int n = 0, recorded = 0;
    for (std::string line; std::getline(lines, line); ++n) {
        int c = 0, p = 0, count = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "class %d position %d: %d", &c, &p, &count), 3) << line;
        recorded += count;
    }
    EXPECT_EQ(n, 20);
    EXPECT_GT(recorded, 0);
    ASSERT_TRUE(runner.run("key Shift+F1", error));
    const auto& after = runner.analyzer().image()->samples;
    const SampleRect area =
        storedSelection(runner.analyzer().lastOutcome().view, *runner.analyzer().image(),
                        runner.analyzer().image()->selectionArea);
    std::size_t changedInside = 0, changedOutside = 0;
    const std::uint32_t w = runner.analyzer().image()->imageWidth;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i] == before[i]) continue;
        const auto r = static_cast<std::uint32_t>(i / w), c = static_cast<std::uint32_t>(i % w);
        const bool inside = r >= area.top && r < area.top + area.height && c >= area.left &&
                            c < area.left + area.width;
        ++(inside ? changedInside : changedOutside);
    }
    EXPECT_GT(changedInside, 0u);
    EXPECT_EQ(changedOutside, 0u);
    out.str("");
    ASSERT_TRUE(runner.run("select 20 20 34 60", error)); // 15 columns
    ASSERT_TRUE(runner.run("key Ctrl+F2", error));
    ASSERT_TRUE(runner.run("messages", error));
    EXPECT_NE(out.str().find(
                  "37 | Frequency Analysis | Frequency Analysis result:\\nSelection too small"),
              std::string::npos)
        << out.str();
}

} // namespace
} // namespace korvane::test

namespace korvane::test {
namespace {

// "window" sends the lines after it to a tool window; "spin" steps its up-down controls,
// with "held" modifiers for the larger steps.
TEST(Script, WindowAndSpinDriveTheToolDialogs) {
    TempFolder folder;
    const DngDescription d = demoDescription();
    const std::string dng = folder.write("demo.dng", buildDng(d, demoScene(d)));
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    int status = 1;
    std::string errors;
    const std::string printed =
        runScript(runner, out,
                  "panel 64 48\nprocess " + dng +
                      "\n"
                      "key Ctrl+Alt+W\nwindow 167\nprint title\n"
                      "slider 1083 21\nprint 1084\nclick 2\n"
                      "window 102\nkey Ctrl+Alt+N\nwindow 169\nprint title\n"
                      "click 1167\nheld Shift\nspin 1161 1\nspin 1161 -3\nprint 1159\n"
                      "held Ctrl+Alt\nspin 1161 1\nprint 1159\nstate 1121\n"
                      "click 2\nprint 1159\n",
                  &status, &errors);
    // Shift: +10 then three steps of 1 down; Ctrl+Alt: 10000 up (the demo file holds 16 bits).
    EXPECT_EQ(printed,
              "Korvane Adjusting White Balance\n1.0500\nLumbrecht Noise Processing\n7\n10007\n"
              "1121: enabled=1 visible=1 checked=0 position=0\n");
    // The window ended with Cancel: the script stops at the line that addresses it.
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors.find("window 169 is not open"), std::string::npos) << errors;
    EXPECT_EQ(runner.analyzer().noiseDialog(), nullptr);
    EXPECT_NE(runner.analyzer().image()->wbMultipliers[0], 1.05f); // Cancel took the slider back
}

// A file dropped on the window goes into the path edit and is processed, as Browse does;
// a second drop replaces the first file.
TEST(Script, DroppedFilesAreProcessedAsBrowseDoes) {
    TempFolder folder;
    const DngDescription d = demoDescription();
    const std::string dng = folder.write("demo.dng", buildDng(d, demoScene(d)));
    const std::string junk = folder.write("short.raw", std::vector<std::uint8_t>(25, 0));
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    int status = 1;
    runScript(runner, out, "drop " + dng + "\nprint 1001\nmessages\n", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.str(), dng + "\n");
    ASSERT_TRUE(runner.analyzer().imageDecoded());
    EXPECT_EQ(runner.analyzer().file()->path, dng);
    runScript(runner, out, "drop " + junk + "\nprint 1001\nmessages\n", &status);
    EXPECT_EQ(out.str(),
              dng + "\n" + junk + "\n" +
                  "3 | Image input file processing error | Input file too short for TIFF\n");
    EXPECT_FALSE(runner.analyzer().imageDecoded());
}

} // namespace
} // namespace korvane::test
