#include "cli/RenderCommand.hpp"

#include <iostream>
#include <sstream>

#include "analysis/CfaColours.hpp"
#include "cli/DisplayOptions.hpp"
#include "cli/PngWriter.hpp"
#include "cli/ScriptRunner.hpp"

namespace korvane::cli {

bool runStep(ScriptRunner& runner, const std::string& line, std::ostream& err,
             const char* command) {
    std::string error;
    if (runner.run(line, error)) return true;
    err << "korvane-cli " << command << ": " << error << '\n';
    return false;
}

bool reportMessages(ScriptRunner& runner, std::ostream& err) {
    auto& messages = runner.services().messages;
    for (const auto& m : messages)
        err << m.caption << ": " << oneLine(m.text) << '\n';
    const bool any = !messages.empty();
    messages.clear();
    return any;
}

namespace {

bool step(ScriptRunner& runner, const std::string& line, std::ostream& err) {
    return runStep(runner, line, err, "render");
}

// The texts render prints, by control id, for its help page.
std::string renderDescription() {
    const auto id = [](int control) { return std::to_string(control); };
    return "Processes FILE in the main dialog without a window and writes the picture panel as\n"
           "the display draws it. Then prints the texts of the statistics (" +
           id(ids::kStatisticsText) + "), coordinates\n(" + id(ids::kCoordinatesText) +
           "), zoom (" + id(ids::kZoomText) + ") and level count (" + id(ids::kWhiteStatistics) +
           ", " + id(ids::kBlackStatistics) +
           ") controls that are shown, each as\n'ID: text' with line breaks written as \\n.";
}

} // namespace

void declareRenderArguments(CLI::App& command, RenderRequest& request) {
    describe(command, renderDescription());
    command.footer(
        "Exit status: 0 success, 1 usage or a setting the dialog refuses, 2 the file could not\n"
        "be processed or the picture not written.");
    command.add_option("FILE", request.input, "the raw file to render")->required()->type_name("");
    for (const DisplayOption& option : displayOptions()) {
        CLI::Option* declared = addDisplayOption(command, option.name, request);
        if (option.name == "-o") declared->required();
    }
}

bool parseRenderRequest(const std::vector<std::string>& args, RenderRequest& request,
                        std::string& error) {
    return parseRequest("render", declareRenderArguments, args, request, error);
}

CommandRun declareRender(CLI::App& command) {
    auto request = std::make_shared<RenderRequest>();
    declareRenderArguments(command, *request);
    return [request] {
        // The script output of the steps (none of them prints) goes nowhere.
        std::ostringstream ignored;
        ScriptRunner runner(ignored);
        return runRender(*request, runner, std::cout, std::cerr);
    };
}

int loadForCommand(const RenderRequest& r, ScriptRunner& runner, std::ostream& err,
                   const char* command) {
    if (r.panel &&
        !runStep(runner,
                 "panel " + std::to_string(r.panel->width) + ' ' + std::to_string(r.panel->height),
                 err, command))
        return 1;
    if (!runStep(runner, "process " + r.input, err, command)) return 2;
    const bool warned = reportMessages(runner, err);
    if (!runner.analyzer().imageDecoded()) {
        if (!warned) err << "korvane-cli " << command << ": " << r.input << " was not loaded\n";
        return 2;
    }
    return 0;
}

int applyDisplaySettings(const RenderRequest& r, ScriptRunner& runner, std::ostream& err) {
    auto& dialog = runner.dialog();
    CAnalyzerDlg& analyzer = runner.analyzer();

    const auto click = [&](int id) { return step(runner, "click " + std::to_string(id), err); };
    if (r.modeRadio && !click(*r.modeRadio)) return 1;
    if (r.mapping) {
        if (static_cast<std::size_t>(*r.mapping) >= dialog.items(ids::kMappingCombo).size()) {
            err << "korvane-cli render: the mapping function list has no row " << *r.mapping
                << '\n';
            return 1;
        }
        if (!step(runner,
                  "pick " + std::to_string(ids::kMappingCombo) + ' ' + std::to_string(*r.mapping),
                  err))
            return 1;
    }
    if (r.orientation) analyzer.setOrientation(static_cast<std::uint16_t>(*r.orientation));
    if (r.zoom) {
        // The display reduces by whole colour filter cells only.
        const auto cfaWidth = static_cast<int>(cfaPatternWidth(*analyzer.image()));
        if (r.zoom->second > 1 && r.zoom->second != cfaWidth) {
            err << "korvane-cli render: this image reduces only 1:" << cfaWidth << '\n';
            return 1;
        }
        analyzer.setZoom(static_cast<std::uint8_t>(r.zoom->first),
                         static_cast<std::uint8_t>(r.zoom->second));
    }
    if (r.wb) analyzer.setWhiteBalance(*r.wb);
    // A level is typed into its edit and confirmed as a user does: Tab from the black point
    // to the white point edit when both are given, Enter on the last.
    const auto level = [&](int edit, const std::string& text, const char* confirm) {
        return step(runner, "type " + std::to_string(edit) + ' ' + text, err) &&
               step(runner, std::string("key ") + confirm, err);
    };
    if (r.black && !level(ids::kBlackEdit, *r.black, r.white ? "Tab" : "Enter")) return 1;
    if (r.white && !level(ids::kWhiteEdit, *r.white, "Enter")) return 1;
    if (r.exposure &&
        !step(runner,
              "slider " + std::to_string(ids::kExposureSlider) + ' ' + std::to_string(*r.exposure),
              err))
        return 1;
    for (const auto& [id, checked] : r.checks) {
        if (!dialog.hasControl(id) ||
            dialog.control(id).source->kind != platform::ControlKind::CheckBox) {
            err << "korvane-cli render: " << id << " is no check box of the dialog\n";
            return 1;
        }
        if (dialog.isChecked(id) == checked) continue;
        if (!dialog.isVisible(id) || !dialog.isEnabled(id)) {
            err << "korvane-cli render: check box " << id << " is not offered in this mode\n";
            return 1;
        }
        if (!click(id)) return 1;
    }
    if (r.noise) analyzer.setNoiseParameters(*r.noise);
    if (r.scroll) analyzer.setScroll(r.scroll->first, r.scroll->second);
    if (r.select) {
        const auto& s = *r.select;
        analyzer.setPanelSelection(s[0], s[1], s[2], s[3]);
        if (!analyzer.selectionValid()) {
            err << "korvane-cli render: no selection is possible in this mode\n";
            return 1;
        }
    }
    return 0;
}

int runRender(const RenderRequest& r, ScriptRunner& runner, std::ostream& out, std::ostream& err) {
    if (const int status = loadForCommand(r, runner, err, "render"); status != 0) return status;
    if (const int status = applyDisplaySettings(r, runner, err); status != 0) return status;
    reportMessages(runner, err);

    auto& dialog = runner.dialog();
    std::string why;
    if (!writePng(dialog.panelSurface(), r.output, why)) {
        err << "korvane-cli render: " << why << '\n';
        return 2;
    }
    for (int id : kRenderTexts)
        if (dialog.isVisible(id)) out << id << ": " << oneLine(dialog.text(id)) << '\n';
    out.flush();
    return 0;
}

} // namespace korvane::cli
