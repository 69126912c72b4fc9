// korvane [FILE [-B|-E|-H|-I|-N]]: the analyser window, on FILE if one is given.
// korvane --screenshot OUT.png [ARGS...]: the same, captured into OUT.png once it has drawn.
#include <QApplication>
#include <cstdio>
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
            std::fprintf(stderr, "usage: korvane --screenshot OUT.png [FILE [-B|-E|-H|-I|-N]]\n");
            return 1;
        }
        screenshot.emplace(services, korvane::ids::kMainDialog, QString::fromStdString(arguments[1]));
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }

    korvane::CAnalyzerApp analyzer(services);
    analyzer.run(korvane::qt::commandLineOf(arguments));

    if (screenshot && !screenshot->saved()) {
        std::fprintf(stderr, "korvane: the main window did not open; no screenshot\n");
        return 2;
    }
    return 0;
}
