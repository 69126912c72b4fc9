#include "cli/HistogramCommand.hpp"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "analysis/Histograms.hpp"
#include "cli/DisplayOptions.hpp"
#include "cli/PngWriter.hpp"
#include "cli/ScriptRunner.hpp"

namespace korvane::cli {

namespace {

constexpr const char* kCommand = "histogram";

// Writes the CSV next to its final name and moves it there, so a failed write leaves none.
bool writeCsv(const std::vector<HistogramTableRow>& rows, const std::string& path,
              std::string& why) {
    const std::string partial = path + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) {
            why = "cannot write " + path;
            return false;
        }
        out << "bin,first,last,red,green,blue\n";
        for (std::size_t bin = 0; bin < rows.size(); ++bin) {
            const HistogramTableRow& r = rows[bin];
            out << bin << ',';
            if (r.hasValues)
                out << r.first << ',' << r.last;
            else
                out << ',';
            out << ',' << r.samples[0] << ',' << r.samples[1] << ',' << r.samples[2] << '\n';
        }
        out.flush();
        if (!out) {
            why = "cannot write " + path;
            out.close();
            std::filesystem::remove(partial);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(partial, path, ec);
    if (ec) {
        why = "cannot write " + path + ": " + ec.message();
        std::filesystem::remove(partial, ec);
        return false;
    }
    return true;
}

} // namespace

void declareHistogramArguments(CLI::App& command, HistogramRequest& r) {
    const auto id = [](int control) { return std::to_string(control); };
    describe(command,
             "Processes FILE in the main dialog without a window, shows Histogram mode and writes\n"
             "the panel as it draws the three histograms. Then prints the range (" +
                 id(ids::kHistogramText) + ") and summary\n(" + id(ids::kStatisticsText) +
                 ") texts, each as 'ID: text' with line breaks written as \\n.");
    command.footer(
        "Exit status: 0 success, 1 usage or a setting the dialog refuses, 2 the file could not\n"
        "be processed or an output not written.");
    RenderRequest& display = r.display;
    command.add_option("FILE", display.input, "the raw file to draw the histograms of")
        ->required()
        ->type_name("");
    addDisplayOption(command, "-o", display)->required();
    command
        .add_option("--csv", r.csv,
                    "also write the bins: bin,first,last,red,green,blue, with the\n"
                    "first and last raw (or display) value of each bin and the\n"
                    "samples counted per channel")
        ->type_name("OUT.csv")
        ->trigger_on_parse();
    addDisplayOption(command, "--panel", display,
                     "size of the picture panel in pixels (default: what the dialog\n"
                     "gives Histogram mode)");
    CLI::Option* fine =
        command.add_flag("--fine", r.fine, "the 512-value window above the black point");
    CLI::Option* select =
        addDisplayOption(command, "--select", display,
                         "count only a selection (panel coordinates of the picture\n"
                         "shown before Histogram mode, edges inclusive; needs --fine)");
    addDisplayOption(command, "--black", display);
    addDisplayOption(command, "--white", display);
    CLI::Option* mapped =
        command.add_flag("--mapped", r.mapped, "the RGB histogram of display values");
    addDisplayOption(command, "--wb", display);
    CLI::Option* applyWb = command.add_flag(
        "--apply-wb", r.applyWb, "apply the white balance in the RGB histogram (with --mapped)");
    addDisplayOption(command, "--mapping", display);
    addDisplayOption(command, "--exposure", display);
    // The selection is counted in the Fine window only.
    select->needs(fine)->excludes(mapped);
    fine->excludes(mapped);
    applyWb->needs(mapped);
}

bool parseHistogramRequest(const std::vector<std::string>& args, HistogramRequest& request,
                           std::string& error) {
    return parseRequest("histogram", declareHistogramArguments, args, request, error);
}

CommandRun declareHistogram(CLI::App& command) {
    auto request = std::make_shared<HistogramRequest>();
    declareHistogramArguments(command, *request);
    return [request] {
        std::ostringstream ignored;
        ScriptRunner runner(ignored);
        return runHistogram(*request, runner, std::cout, std::cerr);
    };
}

int runHistogram(const HistogramRequest& r, ScriptRunner& runner, std::ostream& out,
                 std::ostream& err) {
    if (const int status = loadForCommand(r.display, runner, err, kCommand); status != 0)
        return status;
    if (const int status = applyDisplaySettings(r.display, runner, err); status != 0) return status;
    auto& dialog = runner.dialog();
    CAnalyzerDlg& analyzer = runner.analyzer();
    const auto click = [&](int id) {
        return runStep(runner, "click " + std::to_string(id), err, kCommand);
    };
    // "Apply WB" is kept as asked before "Mapped" shows it.
    dialog.setChecked(ids::kApplyWb, r.applyWb);
    if (!click(ids::kRadioHistogram)) return 1;
    if (r.mapped && !click(ids::kMapped)) return 1;
    if (r.fine && !click(ids::kFine)) return 1;
    if (r.display.select) {
        if (!analyzer.selectionValid() || !dialog.isEnabled(ids::kSelectionBox)) {
            err << "korvane-cli histogram: the selection lies outside the picture\n";
            return 1;
        }
        if (!click(ids::kSelectionBox)) return 1;
    }
    reportMessages(runner, err);

    const ImageDescriptor& image = *analyzer.image();
    std::string why;
    if (!r.csv.empty() &&
        !writeCsv(HistogramTable(image, analyzer.histograms(), analyzer.lastHistogramPlan()), r.csv,
                  why)) {
        err << "korvane-cli histogram: " << why << '\n';
        return 2;
    }
    if (!writePng(dialog.panelSurface(), r.display.output, why)) {
        err << "korvane-cli histogram: " << why << '\n';
        if (!r.csv.empty()) std::filesystem::remove(r.csv);
        return 2;
    }
    for (int id : kHistogramTexts)
        if (dialog.isVisible(id)) out << id << ": " << oneLine(dialog.text(id)) << '\n';
    out.flush();
    return 0;
}

} // namespace korvane::cli
