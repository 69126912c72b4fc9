#include "cli/HistogramCommand.hpp"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "analysis/Histograms.hpp"
#include "cli/PngWriter.hpp"
#include "cli/ScriptRunner.hpp"
#include "resources/ControlIds.hpp"

namespace korvane::cli {

namespace {

constexpr const char* kCommand = "histogram";

// The options `histogram` shares with `render`; the others would draw no histogram.
bool sharedOption(const std::string& option) {
    for (const char* o : {"-o", "--panel", "--black", "--white", "--select", "--wb", "--mapping", "--exposure"})
        if (option == o) return true;
    return false;
}

// Writes the CSV next to its final name and moves it there, so a failed write leaves none.
bool writeCsv(const std::vector<HistogramTableRow>& rows, const std::string& path, std::string& why) {
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
            if (r.hasValues) out << r.first << ',' << r.last;
            else out << ',';
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

const char* histogramUsage() {
    return "usage: korvane-cli histogram FILE -o OUT.png [OPTIONS]\n"
           "\n"
           "Processes FILE in the main dialog without a window, shows Histogram mode and writes\n"
           "the panel as it draws the three histograms. Then prints the range (1080) and summary\n"
           "(1062) texts, each as 'ID: text' with line breaks written as \\n.\n"
           "\n"
           "  --csv OUT.csv        also write the bins: bin,first,last,red,green,blue, with the\n"
           "                       first and last raw (or display) value of each bin and the\n"
           "                       samples counted per channel\n"
           "  --panel WxH          size of the picture panel in pixels (default: what the dialog\n"
           "                       gives Histogram mode)\n"
           "  --fine               the 512-value window above the black point\n"
           "  --select L,T,R,B     count only a selection (panel coordinates of the picture\n"
           "                       shown before Histogram mode, edges inclusive; needs --fine)\n"
           "  --black N, --white N black point and white point, as typed into their edits\n"
           "  --mapped             the RGB histogram of display values\n"
           "  --wb R,G1,G2,B       white balance coefficients\n"
           "  --apply-wb           apply them in the RGB histogram (with --mapped)\n"
           "  --mapping INDEX      row of the mapping function list (0 is the first)\n"
           "  --exposure P         exposure slider position 0 to 96 (48 is 0 EV)\n"
           "\n"
           "Exit status: 0 success, 1 usage or a setting the dialog refuses, 2 the file could not\n"
           "be processed or an output not written.\n";
}

bool parseHistogramRequest(const std::vector<std::string>& args, HistogramRequest& request, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--fine") request.fine = true;
        else if (arg == "--mapped") request.mapped = true;
        else if (arg == "--apply-wb") request.applyWb = true;
        else if (arg == "--csv" || sharedOption(arg)) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            if (arg == "--csv") request.csv = args[++i];
            else if (!parseRenderOption(arg, args[++i], request.display, error)) return false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "'";
            return false;
        } else if (request.display.input.empty()) {
            request.display.input = arg;
        } else {
            error = "more than one file: '" + arg + "'";
            return false;
        }
    }
    if (request.display.input.empty()) error = "no file to draw the histograms of";
    else if (request.display.output.empty()) error = "no output file (-o OUT.png)";
    else if (request.display.select && !request.fine) error = "--select counts in the Fine window only: add --fine";
    else if (request.display.select && request.mapped) error = "--select and --mapped exclude each other";
    else if (request.fine && request.mapped) error = "--fine and --mapped exclude each other";
    else if (request.applyWb && !request.mapped) error = "--apply-wb needs --mapped";
    return error.empty();
}

int runHistogram(const HistogramRequest& r, ScriptRunner& runner, std::ostream& out, std::ostream& err) {
    if (const int status = loadForCommand(r.display, runner, err, kCommand); status != 0) return status;
    if (const int status = applyDisplaySettings(r.display, runner, err); status != 0) return status;
    auto& dialog = runner.dialog();
    CAnalyzerDlg& analyzer = runner.analyzer();
    const auto click = [&](int id) { return runStep(runner, "click " + std::to_string(id), err, kCommand); };
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
        !writeCsv(HistogramTable(image, analyzer.histograms(), analyzer.lastHistogramPlan()), r.csv, why)) {
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

int runHistogram(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 2; i < argc; ++i) args.emplace_back(argv[i]);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << histogramUsage();
        return 0;
    }
    HistogramRequest request;
    std::string error;
    if (!parseHistogramRequest(args, request, error)) {
        std::cerr << "korvane-cli histogram: " << error << "\n\n" << histogramUsage();
        return 1;
    }
    std::ostringstream ignored;
    ScriptRunner runner(ignored);
    return runHistogram(request, runner, std::cout, std::cerr);
}

} // namespace korvane::cli
