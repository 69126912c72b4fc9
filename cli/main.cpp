// korvane-cli: the analyser without a window, for batch work and scripting.

#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "cli/DumpCommand.hpp"
#include "cli/InfoCommand.hpp"
#include "cli/HistogramCommand.hpp"
#include "cli/RenderCommand.hpp"
#include "cli/ScriptRunner.hpp"
#include "cli/StatsCommand.hpp"

namespace {

const char* kUsage =
    "usage: korvane-cli COMMAND [ARGS]\n"
    "\n"
    "Korvane reads camera raw files (TIFF-based: CR2, NEF, ORF, PEF, ARW, DCR, DNG and\n"
    "relatives) and shows the samples the camera recorded. It never writes the raw file.\n"
    "\n"
    "Commands:\n"
    "  info FILE [--json]  the file's directories, camera, main image and shot information\n"
    "  dump FILE -o OUT.pgm|OUT.tiff [--active]  the decoded samples as a 16-bit PGM or\n"
    "                    greyscale TIFF (the extension chooses: .pgm, .tiff or .tif)\n"
    "  stats FILE... [--rect L,T,W,H] [--json|--csv]  per CFA channel of the active area\n"
    "                    (or a rectangle of it): count, min, max, mean, stddev, samples at\n"
    "                    the white and black levels\n"
    "  render FILE -o OUT.png [OPTIONS]  the picture panel as the display draws it\n"
    "                    (korvane-cli render --help lists the options)\n"
    "  histogram FILE -o OUT.png [--csv OUT.csv] [OPTIONS]  the raw or RGB histograms as\n"
    "                    Histogram mode draws them (korvane-cli histogram --help)\n"
    "  script [SCRIPT]   drive the main dialog with commands from SCRIPT or standard input\n"
    "                    (korvane-cli script --help lists them)\n"
    "  --help            this text\n"
    "\n"
    "Exit status: 0 success, 1 usage, 2 the file could not be processed.\n";

bool isHelp(const char* arg) { return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0; }

int runScript(int argc, char** argv) {
    if (argc > 2 && isHelp(argv[2])) {
        std::cout << korvane::cli::ScriptRunner::help();
        return 0;
    }
    if (argc > 3) {
        std::cerr << korvane::cli::ScriptRunner::help();
        return 1;
    }
    korvane::cli::ScriptRunner runner(std::cout);
    if (argc == 3 && std::strcmp(argv[2], "-") != 0) {
        std::ifstream in(argv[2]);
        if (!in) {
            std::cerr << "cannot read " << argv[2] << '\n';
            return 1;
        }
        return runner.runAll(in, std::cerr);
    }
    return runner.runAll(std::cin, std::cerr);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << kUsage;
        return 1;
    }
    if (isHelp(argv[1])) {
        std::cout << kUsage;
        return 0;
    }
    if (std::strcmp(argv[1], "script") == 0) return runScript(argc, argv);
    if (std::strcmp(argv[1], "info") == 0) return korvane::cli::runInfo(argc, argv);
    if (std::strcmp(argv[1], "dump") == 0) return korvane::cli::runDump(argc, argv);
    if (std::strcmp(argv[1], "stats") == 0) return korvane::cli::runStats(argc, argv);
    if (std::strcmp(argv[1], "render") == 0) return korvane::cli::runRender(argc, argv);
    if (std::strcmp(argv[1], "histogram") == 0) return korvane::cli::runHistogram(argc, argv);
    std::cerr << "korvane-cli: unknown command '" << argv[1] << "'\n" << kUsage;
    return 1;
}
