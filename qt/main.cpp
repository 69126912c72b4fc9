// korvane [FILE [-B|-E|-H|-I|-N]]: the analyser window, on FILE if one is given.
// korvane --screenshot OUT.png [--dialog ID] [ARGS...]: the same, captured into OUT.png once it
// has drawn; with --dialog the tool window ID (167 white balance, 169 noise processing),
// opened with its key.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/AnalyzerDlg.hpp"
#include "qt/Application.hpp"
#include "qt/ProgramArguments.hpp"
#include "qt/QtServices.hpp"
#include "qt/Screenshot.hpp"
#include "resources/ControlIds.hpp"

int main(int argc, char** argv) {
    // Taken before QApplication removes the options it knows from argv.
    std::vector<std::string> arguments(argv + 1, argv + argc);
    QApplication app(argc, argv);
    korvane::qt::configureApplication(app);
    korvane::qt::QtServices services;

    std::optional<korvane::qt::Screenshot> screenshot;
    if (!arguments.empty() && arguments.front() == "--screenshot") {
        if (arguments.size() < 2) {
            std::fprintf(
                stderr,
                "usage: korvane --screenshot OUT.png [--dialog 167|169] [FILE [-B|-E|-H|-I|-N]]\n");
            return 1;
        }
        const QString out = QString::fromStdString(arguments[1]);
        arguments.erase(arguments.begin(), arguments.begin() + 2);
        int dialog = korvane::ids::kMainDialog;
        if (arguments.size() >= 2 && arguments.front() == "--dialog") {
            dialog = std::atoi(arguments[1].c_str());
            if (dialog != korvane::ids::kWhiteBalanceDialog &&
                dialog != korvane::ids::kNoiseDialog) {
                std::fprintf(stderr, "korvane: --dialog takes 167 or 169\n");
                return 1;
            }
            arguments.erase(arguments.begin(), arguments.begin() + 2);
        }
        screenshot.emplace(services, dialog, out);
    }

    korvane::CAnalyzerApp analyzer(services);
    analyzer.run(korvane::qt::commandLineOf(arguments));

    if (screenshot && !screenshot->saved()) {
        std::fprintf(stderr, "korvane: the window did not open; no screenshot\n");
        return 2;
    }
    return 0;
}
