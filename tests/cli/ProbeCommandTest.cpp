// What the tooltip names for a panel pixel, checked against the samples `dump` writes: the
// same value at the named row and column, in every orientation and at 1:2, 1:1 and 3:1, and
// the named position moving the way the orientation turns the picture.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "analysis/CfaColours.hpp"
#include "cli/ScriptRunner.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

struct Pgm {
    int width = 0, height = 0;
    std::vector<std::uint16_t> values;
    std::uint16_t at(std::uint32_t row, std::uint32_t column) const {
        return values[std::size_t{row} * static_cast<std::size_t>(width) + column];
    }
};

Pgm readPgm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Pgm p;
    in >> magic >> p.width >> p.height >> maxval;
    in.get();
    std::vector<unsigned char> bytes(static_cast<std::size_t>(p.width) * p.height * 2);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        p.values.push_back(static_cast<std::uint16_t>(bytes[i] << 8 | bytes[i + 1]));
    return p;
}

struct Probed {
    bool shown = false;
    std::uint32_t row = 0, column = 0;
    std::string colour;
    std::uint16_t value = 0;
};

Probed probe(cli::ScriptRunner& runner, std::ostringstream& out, int x, int y) {
    out.str("");
    std::string error;
    EXPECT_TRUE(runner.run("probe " + std::to_string(x) + " " + std::to_string(y), error)) << error;
    static const std::regex kText(R"(row (\d+), col (\d+)  (R|G1|G2|B)  (\d+)\n)");
    std::smatch m;
    const std::string text = out.str();
    Probed p;
    if (text == "\n") return p;
    EXPECT_TRUE(std::regex_match(text, m, kText)) << text;
    if (m.empty()) return p;
    p = {true, static_cast<std::uint32_t>(std::stoul(m[1])),
         static_cast<std::uint32_t>(std::stoul(m[2])), m[3],
         static_cast<std::uint16_t>(std::stoul(m[4]))};
    return p;
}

TEST(Probe, NamesTheSampleDumpHoldsThereInEveryOrientationAndZoom) {
    TempFolder folder;
    const DngDescription d = demoDescription();
    const std::string dng = folder.write("demo.dng", buildDng(d, demoScene(d)));
    const std::string pgmPath = (folder.path() / "demo.pgm").string();
    ASSERT_EQ(std::system((std::string(KORVANE_CLI) + " dump " + dng + " -o " + pgmPath).c_str()),
              0);
    const Pgm pgm = readPgm(pgmPath);
    ASSERT_GT(pgm.width, 0);

    struct Zoom {
        std::uint8_t magnification, reduction;
    };
    // Display right: how the named row and column move for each orientation.
    const std::array<std::tuple<std::uint16_t, int, int>, 4> orientations{
        {{1, 0, 1}, {3, 0, -1}, {6, -1, 0}, {8, 1, 0}}};
    for (const auto& [orientation, rowStep, columnStep] : orientations)
        for (const Zoom zoom : {Zoom{1, 2}, Zoom{1, 1}, Zoom{3, 1}}) {
            SCOPED_TRACE("orientation " + std::to_string(orientation) + ", zoom " +
                         std::to_string(zoom.magnification) + ":" + std::to_string(zoom.reduction));
            std::ostringstream out;
            cli::ScriptRunner runner(out);
            std::string error;
            ASSERT_TRUE(runner.run("panel 300 200", error));
            ASSERT_TRUE(runner.run("process " + dng, error));
            CAnalyzerDlg& dlg = runner.analyzer();
            ASSERT_TRUE(dlg.imageDecoded());
            dlg.setOrientation(orientation);
            dlg.setZoom(zoom.magnification, zoom.reduction);
            dlg.setScroll(5, 3);
            const ImageDescriptor& image = *dlg.image();
            const PanelGeometry& g = dlg.panel().geometry;
            const int pixelsPerStep = zoom.reduction > 1 ? 1 : zoom.magnification;
            const int samplesPerStep = zoom.reduction > 1 ? zoom.reduction : 1;
            int shown = 0;
            for (int y = 0; y < 200; y += 7)
                for (int x = 0; x < 300; x += 5) {
                    const Probed p = probe(runner, out, x, y);
                    const bool inside = x >= g.originX && x < 300 - g.marginRight &&
                                        y >= g.originY && y < 200 - g.marginBottom;
                    ASSERT_EQ(p.shown, inside) << x << "," << y;
                    if (!p.shown) continue;
                    ++shown;
                    ASSERT_EQ(p.value, pgm.at(p.row, p.column)) << x << "," << y;
                    const CfaColour c = cfaColourAt(image, p.row - image.activeRect().top,
                                                    p.column - image.activeRect().left);
                    EXPECT_EQ(p.colour[0], "RGB"[static_cast<int>(c)]) << x << "," << y;
                    const Probed right = probe(runner, out, x + pixelsPerStep, y);
                    if (!right.shown) continue;
                    EXPECT_EQ(static_cast<int>(right.row) - static_cast<int>(p.row),
                              rowStep * samplesPerStep);
                    EXPECT_EQ(static_cast<int>(right.column) - static_cast<int>(p.column),
                              columnStep * samplesPerStep);
                }
            EXPECT_GT(shown, 100);
        }
}

} // namespace
} // namespace korvane::test
