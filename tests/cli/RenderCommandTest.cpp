// korvane-cli render: the request its arguments make, and the panel it writes.
#include <gtest/gtest.h>

#include <filesystem>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/wait.h>

#include "cli/NoiseJson.hpp"
#include "cli/RenderCommand.hpp"
#include "cli/ScriptRunner.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

using cli::RenderRequest;

bool parse(const std::vector<std::string>& args, RenderRequest& request, std::string& error) {
    return cli::parseRenderRequest(args, request, error);
}

TEST(RenderArguments, EveryOptionLandsInTheRequest) {
    RenderRequest r;
    std::string error;
    ASSERT_TRUE(parse({"in.dng",
                       "-o",
                       "out.png",
                       "--panel",
                       "640x480",
                       "--mode",
                       "exposure",
                       "--mapping",
                       "3",
                       "--zoom",
                       "1:2",
                       "--scroll",
                       "5,7",
                       "--orientation",
                       "6",
                       "--black",
                       "128",
                       "--white",
                       "4000",
                       "--exposure",
                       "60",
                       "--wb",
                       "2.5,1,1,1.25",
                       "--check",
                       "1066",
                       "--uncheck",
                       "1074",
                       "--check",
                       "1064",
                       "--select",
                       "10,20,30,40"},
                      r, error))
        << error;
    EXPECT_EQ(r.input, "in.dng");
    EXPECT_EQ(r.output, "out.png");
    EXPECT_EQ(r.panel, (platform::Size{640, 480}));
    EXPECT_EQ(r.modeRadio, 1034);
    EXPECT_EQ(r.mapping, 3);
    EXPECT_EQ(r.zoom, (std::pair{1, 2}));
    EXPECT_EQ(r.scroll, (std::pair{5, 7}));
    EXPECT_EQ(r.orientation, 6);
    EXPECT_EQ(r.black, "128");
    EXPECT_EQ(r.white, "4000");
    EXPECT_EQ(r.exposure, 60);
    EXPECT_EQ(r.wb, (std::array<float, 4>{2.5f, 1, 1, 1.25f}));
    // The check boxes are set in the order given.
    const std::vector<std::pair<int, bool>> checks{{1066, true}, {1074, false}, {1064, true}};
    EXPECT_EQ(r.checks, checks);
    EXPECT_EQ(r.select, (std::array<int, 4>{10, 20, 30, 40}));
}

TEST(RenderArguments, ModesByName) {
    const std::pair<const char*, int> modes[] = {{"composite", 1035},
                                                 {"greyscale", 1036},
                                                 {"channel", 1037},
                                                 {"exposure", 1034},
                                                 {"histogram", 1038}};
    for (const auto& [name, radio] : modes) {
        RenderRequest r;
        std::string error;
        ASSERT_TRUE(parse({"f", "-o", "o.png", "--mode", name}, r, error)) << name << ": " << error;
        EXPECT_EQ(r.modeRadio, radio) << name;
    }
}

TEST(RenderArguments, RefusedValuesSayWhichOption) {
    const std::vector<std::vector<std::string>> bad = {
        {"-o", "o.png"},           // no file
        {"f"},                     // no output
        {"f", "g", "-o", "o.png"}, // two files
        {"f", "-o"},               // option without its value
        {"f", "-o", "o.png", "--panel", "0x10"},
        {"f", "-o", "o.png", "--panel", "9000x10"},
        {"f", "-o", "o.png", "--panel", "640*480"},
        {"f", "-o", "o.png", "--mode", "colour"},
        {"f", "-o", "o.png", "--mapping", "-1"},
        {"f", "-o", "o.png", "--zoom", "2:2"}, // magnified and reduced at once
        {"f", "-o", "o.png", "--zoom", "11:1"},
        {"f", "-o", "o.png", "--zoom", "0:1"},
        {"f", "-o", "o.png", "--zoom", "2"},
        {"f", "-o", "o.png", "--scroll", "-1,0"},
        {"f", "-o", "o.png", "--scroll", "1,2,3"},
        {"f", "-o", "o.png", "--orientation", "9"},
        {"f", "-o", "o.png", "--orientation", "0"},
        {"f", "-o", "o.png", "--black", "1234567"}, // longer than the edit takes
        {"f", "-o", "o.png", "--white", "12a"},
        {"f", "-o", "o.png", "--exposure", "97"},
        {"f", "-o", "o.png", "--wb", "1,1,1"},
        {"f", "-o", "o.png", "--wb", "1,1,1,-2"},
        {"f", "-o", "o.png", "--wb", "1,1,1,nan"},
        {"f", "-o", "o.png", "--check", "x"},
        {"f", "-o", "o.png", "--select", "10,10,5,20"}, // right left of left
        {"f", "-o", "o.png", "--frobnicate", "1"},
    };
    for (const auto& args : bad) {
        RenderRequest r;
        std::string error;
        std::string joined;
        for (const auto& a : args)
            joined += a + ' ';
        EXPECT_FALSE(parse(args, r, error)) << joined;
        EXPECT_FALSE(error.empty()) << joined;
    }
}

} // namespace
} // namespace korvane::test

namespace korvane::test {
namespace {

std::vector<char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// One render in process: its exit status, what it printed, and the dialog it drew in.
struct Rendered {
    std::ostringstream ignored;
    cli::ScriptRunner runner{ignored};
    std::ostringstream out, err;
    int status = -1;
    const platform::Surface& picture() { return runner.dialog().panelSurface(); }
};

class Render : public ::testing::Test {
protected:
    void SetUp() override {
        const DngDescription d = demoDescription();
        dng = folder.write("demo.dng", buildDng(d, demoScene(d)));
        png = (folder.path() / "out.png").string();
    }

    std::unique_ptr<Rendered> render(std::vector<std::string> options) {
        std::vector<std::string> args{dng, "-o", png, "--panel", "400x300"};
        args.insert(args.end(), options.begin(), options.end());
        cli::RenderRequest request;
        std::string error;
        EXPECT_TRUE(cli::parseRenderRequest(args, request, error)) << error;
        auto r = std::make_unique<Rendered>();
        r->status = cli::runRender(request, r->runner, r->out, r->err);
        return r;
    }

    TempFolder folder;
    std::string dng, png;
};

// The PNG is the panel the script's "save" writes after the same steps, and the texts are
// those of the controls.
TEST_F(Render, WritesThePanelAndPrintsTheShownTexts) {
    auto r = render({});
    ASSERT_EQ(r->status, 0) << r->err.str();
    const auto written = fileBytes(png);
    ASSERT_FALSE(written.empty());

    std::ostringstream out;
    cli::ScriptRunner script(out);
    std::string error;
    const std::string saved = (folder.path() / "saved.png").string();
    for (const std::string& line :
         std::vector<std::string>{"panel 400 300", "process " + dng, "save " + saved})
        ASSERT_TRUE(script.run(line, error)) << line << ": " << error;
    EXPECT_EQ(fileBytes(saved), written);

    auto& d = r->runner.dialog();
    EXPECT_NE(r->out.str().find("1078: " + cli::oneLine(d.text(1078)) + "\n"), std::string::npos);
    EXPECT_NE(r->out.str().find("1078: Zoom\\n  1:1\n"), std::string::npos) << r->out.str();
    // Every printed line is a shown control of the five, in their order.
    std::istringstream lines(r->out.str());
    std::string line;
    std::size_t next = 0;
    while (std::getline(lines, line)) {
        const int id = std::stoi(line.substr(0, line.find(':')));
        while (next < cli::kRenderTexts.size() && cli::kRenderTexts[next] != id)
            ++next;
        ASSERT_LT(next, cli::kRenderTexts.size()) << line;
        EXPECT_TRUE(d.isVisible(id)) << line;
    }
}

TEST_F(Render, GreyscaleDrawsEverySampleGrey) {
    auto composite = render({});
    auto grey = render({"--mode", "greyscale"});
    ASSERT_EQ(grey->status, 0) << grey->err.str();
    EXPECT_NE(grey->picture().pixels(), composite->picture().pixels());
    EXPECT_TRUE(grey->runner.dialog().isChecked(1036));
    std::size_t coloured = 0;
    for (platform::Rgb p : grey->picture().pixels()) {
        const int red = p >> 16 & 0xFF, green = p >> 8 & 0xFF, blue = p & 0xFF;
        // The selection frame is the only colour a grey picture may hold; there is none here.
        coloured += red != green || green != blue;
    }
    EXPECT_EQ(coloured, 0u);
}

TEST_F(Render, ZoomOrientationAndScrollReachTheDisplay) {
    auto reduced = render({"--zoom", "1:2"});
    ASSERT_EQ(reduced->status, 0) << reduced->err.str();
    EXPECT_NE(reduced->out.str().find("1078: Zoom\\n  1:2\n"), std::string::npos)
        << reduced->out.str();

    auto turned = render({"--orientation", "6"});
    ASSERT_EQ(turned->status, 0) << turned->err.str();
    EXPECT_EQ(turned->runner.analyzer().image()->orientation, 6);
    EXPECT_NE(turned->picture().pixels(), render({})->picture().pixels());

    auto scrolled = render({"--scroll", "20,10"});
    ASSERT_EQ(scrolled->status, 0) << scrolled->err.str();
    EXPECT_EQ(scrolled->runner.analyzer().image()->scrollX, 20);
    EXPECT_EQ(scrolled->runner.analyzer().image()->scrollY, 10);

    // The demo's pattern is 2 x 2: a reduction of 3 is no zoom it offers.
    auto refused = render({"--zoom", "1:3"});
    EXPECT_EQ(refused->status, 1);
    EXPECT_NE(refused->err.str().find("reduces only 1:2"), std::string::npos) << refused->err.str();
}

TEST_F(Render, LevelsAreTypedAndConfirmedAndTheCountsFollow) {
    auto r = render({"--black", "3000", "--white", "3500"});
    ASSERT_EQ(r->status, 0) << r->err.str();
    auto& d = r->runner.dialog();
    EXPECT_EQ(d.text(1010), "3000");
    EXPECT_EQ(d.text(1011), "3500");
    EXPECT_EQ(r->runner.analyzer().blackPoint(), 3000);
    EXPECT_EQ(r->runner.analyzer().whitePoint(), 3500);
    // The counts are taken anew with the confirmed levels and shown.
    EXPECT_TRUE(d.isVisible(1020));
    EXPECT_TRUE(d.isVisible(1021));
    EXPECT_NE(r->out.str().find("1021: R,G,B  #: "), std::string::npos) << r->out.str();
    EXPECT_NE(r->picture().pixels(), render({})->picture().pixels());

    // A white point below the black point lowers the black point with it.
    auto crossed = render({"--black", "3000", "--white", "1000"});
    ASSERT_EQ(crossed->status, 0);
    EXPECT_EQ(crossed->runner.analyzer().blackPoint(), 1000);
    EXPECT_EQ(crossed->runner.dialog().text(1010), "1000");
}

TEST_F(Render, CheckBoxesWhiteBalanceAndExposure) {
    auto plain = render({});
    auto clipped = render({"--check", "1066", "--white", "1000"});
    ASSERT_EQ(clipped->status, 0) << clipped->err.str();
    EXPECT_TRUE(clipped->runner.dialog().isChecked(1066));
    EXPECT_NE(clipped->picture().pixels(), render({"--white", "1000"})->picture().pixels());

    auto balanced = render({"--wb", "2,1,1,0.5"});
    ASSERT_EQ(balanced->status, 0) << balanced->err.str();
    EXPECT_EQ(balanced->runner.analyzer().image()->wbMultipliers,
              (std::array<float, 4>{2, 1, 1, 0.5f}));
    EXPECT_NE(balanced->picture().pixels(), plain->picture().pixels());

    auto brighter = render({"--exposure", "60"});
    ASSERT_EQ(brighter->status, 0) << brighter->err.str();
    EXPECT_EQ(brighter->runner.analyzer().image()->exposureStep, 60);
    EXPECT_NE(brighter->picture().pixels(), plain->picture().pixels());

    EXPECT_EQ(render({"--check", "1002"})->status, 1); // a push button
    EXPECT_EQ(render({"--check", "4711"})->status, 1); // no control
    // "BL corrected" is hidden outside Exposure mode.
    EXPECT_EQ(render({"--check", "1065"})->status, 1);
    EXPECT_EQ(render({"--mode", "exposure", "--check", "1065"})->status, 0);
}

TEST_F(Render, SelectionPrintsItsStatistics) {
    auto r = render({"--select", "10,10,41,41"});
    ASSERT_EQ(r->status, 0) << r->err.str();
    EXPECT_TRUE(r->runner.analyzer().selectionValid());
    const std::string out = r->out.str();
    EXPECT_NE(out.find("1062:  Raw (min,max,avrg,StDev,AI) = (("), std::string::npos) << out;
    EXPECT_NE(out.find("1072: " + cli::oneLine(r->runner.dialog().text(1072)) + "\n"),
              std::string::npos);

    // Histogram mode takes no selection.
    EXPECT_EQ(render({"--mode", "histogram", "--select", "10,10,41,41"})->status, 1);
}

TEST(NoiseJson, FieldsByNameAndEveryRefusalSaysWhichField) {
    NoiseParameters p;
    std::string error;
    ASSERT_TRUE(cli::parseNoiseJson(
        R"({"offsetOn": true, "offset": [1, -2, 3, -65535], "shiftOn": 1, "shift": [0, 5, 0, 0],
            "shiftRange": [-10, 0, 0, 65535], "multiplyOn": 1, "multiply": [2, -1.5, 1000, 0],
            "multiplyRange": [0, -2147483648, 7, 0], "replaceOn": 1, "replace": [3, 0, 65535, 1],
            "replaceRange": [3, 0, 0, -5], "blackOn": 0, "black": [128, 130, 128, 65535],
            "maskedOn": 1, "maskedHorizontal": 0, "maskedVertical": 10, "offsetMask": 240,
            "blackMask": 16})",
        p, error))
        << error;
    NoiseParameters expected;
    expected.valid = 1; // unless the file says otherwise
    expected.offsetOn = expected.shiftOn = expected.multiplyOn = expected.replaceOn = 1;
    expected.maskedOn = 1;
    expected.offset = {1, -2, 3, -65535};
    expected.shift = {0, 5, 0, 0};
    expected.shiftRange = {-10, 0, 0, 65535};
    expected.multiply = {2, -1.5f, 1000, 0};
    expected.multiplyRange = {0, INT32_MIN, 7, 0};
    expected.replace = {3, 0, 65535, 1};
    expected.replaceRange = {3, 0, 0, -5};
    expected.black = {128, 130, 128, 65535};
    expected.maskedHorizontal = 0;
    expected.maskedVertical = 10;
    expected.offsetMask = 0xF0;
    expected.blackMask = 0x10;
    EXPECT_EQ(p, expected);
    ASSERT_TRUE(cli::parseNoiseJson(R"({"valid": 0})", p, error));
    EXPECT_EQ(p.valid, 0);

    const std::pair<const char*, const char*> refused[] = {
        {"[1, 2]", "JSON object"},
        {"{\"offset\": [1, 2, 3, 4]", "not JSON"},
        {R"({"ofset": [1, 2, 3, 4]})", "unknown field 'ofset'"},
        {R"({"offset": [1, 2, 3]})", "'offset' needs an array of 4"},
        {R"({"offset": 5})", "'offset' needs an array of 4"},
        {R"({"offset": [1, 2, 3.5, 4]})", "'offset' needs element 2 an integer"},
        {R"({"offset": [1, 2, 3, 65536]})", "'offset' element 3 65536 is outside -65535 to 65535"},
        {R"({"replace": [-1, 0, 0, 0]})", "'replace' element 0 -1 is outside 0 to 65535"},
        {R"({"black": [0, 0, 70000, 0]})", "'black' element 2 70000 is outside"},
        {R"({"multiply": [0, 1001, 0, 0]})", "'multiply' element 1 1001 is outside"},
        {R"({"multiply": [0, "2", 0, 0]})", "'multiply' needs element 1 a number"},
        {R"({"multiplyRange": [0, 0, 0, 2147483648]})", "'multiplyRange' element 3"},
        {R"({"maskedVertical": 10.5})", "'maskedVertical' 10.5 is outside 0 to 10"},
        {R"({"maskedHorizontal": "1"})", "'maskedHorizontal' needs a number"},
        {R"({"offsetOn": 2})", "'offsetOn' 2 is outside 0 to 1"},
        {R"({"valid": "yes"})", "'valid' needs an integer"},
        {R"({"shiftMask": 15})", "'shiftMask' has bits that are no channel"},
    };
    for (const auto& [text, why] : refused) {
        NoiseParameters untouched;
        error.clear();
        EXPECT_FALSE(cli::parseNoiseJson(text, untouched, error)) << text;
        EXPECT_NE(error.find(why), std::string::npos) << text << ": " << error;
        EXPECT_EQ(untouched, NoiseParameters{}) << text;
    }
}

TEST_F(Render, NoiseParametersFromAFileActOnTheDrawing) {
    const auto write = [&](const std::string& name, const std::string& text) {
        return folder.write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    };
    auto plain = render({});
    // Valid, but every function switched off by its box: the plain picture.
    const std::string off = write("off.json", R"({"offset": [900, 900, 900, 900],
        "multiply": [3, 3, 3, 3], "replace": [40, 40, 40, 40], "replaceRange": [900, 900, 900, 900]})");
    auto quiet = render({"--noise", off});
    ASSERT_EQ(quiet->status, 0) << quiet->err.str();
    EXPECT_EQ(quiet->runner.analyzer().liveNoise().valid, 1);
    EXPECT_EQ(quiet->runner.analyzer().liveNoise().offset[2], 900);
    EXPECT_EQ(quiet->picture().pixels(), plain->picture().pixels());

    // Every function on: a different picture, and the same one each time.
    const std::string busy = write("busy.json", R"({"offsetOn": 1, "offset": [300, 200, 300, 200],
        "multiplyOn": 1, "multiply": [1.5, 1.5, 2, 2], "multiplyRange": [0, 2000, -500, 0],
        "replaceOn": 1, "replace": [40, 40, 40, 40], "replaceRange": [900, 900, 900, 900],
        "shiftOn": 1, "shift": [100, -50, 100, 100], "shiftRange": [0, 1000, -300, 0]})");
    auto noisy = render({"--noise", busy});
    ASSERT_EQ(noisy->status, 0) << noisy->err.str();
    EXPECT_NE(noisy->picture().pixels(), plain->picture().pixels());
    EXPECT_EQ(render({"--noise", busy})->picture().pixels(), noisy->picture().pixels());
    // Exposure marks take no noise processing.
    EXPECT_EQ(render({"--mode", "exposure", "--noise", busy})->picture().pixels(),
              render({"--mode", "exposure"})->picture().pixels());

    // A refused file ends the command with status 1 and the reason.
    const std::string wrong = write("wrong.json", R"({"offset": [1, 2, 3, 99999]})");
    FILE* pipe = ::popen(
        (std::string(KORVANE_CLI) + " render " + dng + " -o " + png + " --noise " + wrong + " 2>&1")
            .c_str(),
        "r");
    std::string text;
    std::array<char, 256> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr)
        text += chunk.data();
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << text;
    EXPECT_NE(text.find("korvane-cli render: --noise: " + wrong +
                        ": 'offset' element 3 99999 is outside -65535 to 65535"),
              std::string::npos)
        << text;
    cli::RenderRequest request;
    std::string error;
    EXPECT_FALSE(
        cli::parseRenderRequest({dng, "-o", png, "--noise", wrong + ".none"}, request, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

TEST_F(Render, FilesThatDoNotLoadAndPicturesThatCannotBeWritten) {
    const std::string broken = folder.write("short.dng", std::vector<std::uint8_t>(25, 0));
    cli::RenderRequest request;
    std::string error;
    ASSERT_TRUE(cli::parseRenderRequest({broken, "-o", png}, request, error));
    std::ostringstream ignored, out, err;
    cli::ScriptRunner runner(ignored);
    EXPECT_EQ(cli::runRender(request, runner, out, err), 2);
    EXPECT_NE(err.str().find("Input file too short for TIFF"), std::string::npos) << err.str();
    EXPECT_TRUE(out.str().empty());

    // A path the dialog does not take is refused whole, with no picture written.
    request.input = (folder.path() / std::string(300, 'p') / ".." / "demo.dng").string();
    std::ostringstream tooLongOut, tooLongErr;
    cli::ScriptRunner third(ignored);
    EXPECT_EQ(cli::runRender(request, third, tooLongOut, tooLongErr), 2);
    EXPECT_NE(tooLongErr.str().find(request.input + " for input:\\nPath too long"),
              std::string::npos)
        << tooLongErr.str();
    EXPECT_FALSE(std::filesystem::exists(png));

    request.input = dng;
    request.output = (folder.path() / "no-such-folder" / "out.png").string();
    cli::ScriptRunner again(ignored);
    EXPECT_EQ(cli::runRender(request, again, out, err), 2);
}

// Through the program: usage errors are status 1 and the texts go to standard output.
TEST_F(Render, ThroughTheProgram) {
    const auto run = [](const std::string& arguments, std::string* printed = nullptr) {
        FILE* pipe = ::popen(
            (std::string(KORVANE_CLI) + " render " + arguments + " 2>/dev/null").c_str(), "r");
        std::string text;
        std::array<char, 256> chunk{};
        while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr)
            text += chunk.data();
        const int status = ::pclose(pipe);
        if (printed) *printed = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string printed;
    EXPECT_EQ(run(dng + " -o " + png + " --panel 300x200 --mode channel", &printed), 0);
    EXPECT_NE(printed.find("1078: Zoom\\n  1:1\n"), std::string::npos) << printed;
    EXPECT_FALSE(fileBytes(png).empty());
    EXPECT_EQ(run(dng + " --mode composite"), 1);
    EXPECT_EQ(run("--help", &printed), 0);
    EXPECT_NE(printed.find("--select L,T,R,B"), std::string::npos);
}

} // namespace
} // namespace korvane::test
