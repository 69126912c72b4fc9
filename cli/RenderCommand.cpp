#include "cli/RenderCommand.hpp"

#include <charconv>
#include <cmath>
#include <iostream>
#include <sstream>

#include "analysis/CfaColours.hpp"
#include "cli/NoiseJson.hpp"
#include "cli/PngWriter.hpp"
#include "cli/ScriptRunner.hpp"
#include "resources/ControlIds.hpp"

namespace korvane::cli {

namespace {

// Large enough for any screen, small enough that a typing error cannot ask for gigabytes.
constexpr int kMaxPanelSide = 8192;

bool readInt(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

bool readFloat(std::string_view text, float& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end && std::isfinite(value);
}

// "1,2,3" split at `separator` into exactly `count` parts.
bool split(std::string_view text, char separator, std::size_t count, std::vector<std::string_view>& parts) {
    parts.clear();
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    return parts.size() == count;
}

template <std::size_t N>
bool readInts(std::string_view text, char separator, std::array<int, N>& values) {
    std::vector<std::string_view> parts;
    if (!split(text, separator, N, parts)) return false;
    for (std::size_t i = 0; i < N; ++i)
        if (!readInt(parts[i], values[i])) return false;
    return true;
}

std::optional<int> modeRadio(std::string_view mode) {
    if (mode == "composite") return ids::kRadioComposite;
    if (mode == "greyscale") return ids::kRadioGreyscale;
    if (mode == "channel") return ids::kRadioChannel;
    if (mode == "exposure") return ids::kRadioExposure;
    if (mode == "histogram") return ids::kRadioHistogram;
    return std::nullopt;
}

// A level as the edits take it: decimal digits, at most the edit's six characters.
bool isLevel(std::string_view text) {
    if (text.empty() || text.size() > 6) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

} // namespace

bool parseRenderOption(const std::string& option, const std::string& value, RenderRequest& request,
                       std::string& error) {
    const auto bad = [&](const char* what) {
        error = option + " needs " + what + ", not '" + value + "'";
        return false;
    };
    if (option == "-o") {
        request.output = value;
    } else if (option == "--panel") {
        std::array<int, 2> size{};
        if (!readInts(value, 'x', size) || size[0] < 1 || size[1] < 1 || size[0] > kMaxPanelSide ||
            size[1] > kMaxPanelSide)
            return bad("WIDTHxHEIGHT (1 to 8192 each)");
        request.panel = platform::Size{size[0], size[1]};
    } else if (option == "--mode") {
        request.modeRadio = modeRadio(value);
        if (!request.modeRadio) return bad("composite, greyscale, channel, exposure or histogram");
    } else if (option == "--mapping") {
        int row = 0;
        if (!readInt(value, row) || row < 0) return bad("a row of the mapping function list");
        request.mapping = row;
    } else if (option == "--zoom") {
        std::array<int, 2> zoom{};
        if (!readInts(value, ':', zoom) || zoom[0] < 1 || zoom[0] > 10 || zoom[1] < 1 ||
            (zoom[0] > 1 && zoom[1] > 1))
            return bad("MAGNIFICATION:REDUCTION (1:R or M:1, M at most 10)");
        request.zoom = std::pair{zoom[0], zoom[1]};
    } else if (option == "--scroll") {
        std::array<int, 2> scroll{};
        if (!readInts(value, ',', scroll) || scroll[0] < 0 || scroll[1] < 0)
            return bad("X,Y (scroll positions from 0)");
        request.scroll = std::pair{scroll[0], scroll[1]};
    } else if (option == "--orientation") {
        int orientation = 0;
        if (!readInt(value, orientation) || orientation < 1 || orientation > 8)
            return bad("an orientation from 1 to 8");
        request.orientation = orientation;
    } else if (option == "--black" || option == "--white") {
        if (!isLevel(value)) return bad("a level of at most 6 digits");
        (option == "--black" ? request.black : request.white) = value;
    } else if (option == "--exposure") {
        int position = 0;
        if (!readInt(value, position) || position < 0 || position > 96)
            return bad("a slider position from 0 to 96");
        request.exposure = position;
    } else if (option == "--wb") {
        std::vector<std::string_view> parts;
        std::array<float, 4> wb{};
        if (!split(value, ',', 4, parts)) return bad("R,G1,G2,B");
        for (std::size_t i = 0; i < 4; ++i)
            if (!readFloat(parts[i], wb[i]) || wb[i] < 0 || wb[i] > 64)
                return bad("R,G1,G2,B (each from 0 to 64)");
        request.wb = wb;
    } else if (option == "--check" || option == "--uncheck") {
        int id = 0;
        if (!readInt(value, id)) return bad("a control id");
        request.checks.emplace_back(id, option == "--check");
    } else if (option == "--select") {
        std::array<int, 4> edges{};
        if (!readInts(value, ',', edges) || edges[0] > edges[2] || edges[1] > edges[3])
            return bad("L,T,R,B (inclusive, left <= right, top <= bottom)");
        request.select = edges;
    } else {
        error = "unknown option '" + option + "'";
        return false;
    }
    return true;
}

bool runStep(ScriptRunner& runner, const std::string& line, std::ostream& err, const char* command) {
    std::string error;
    if (runner.run(line, error)) return true;
    err << "korvane-cli " << command << ": " << error << '\n';
    return false;
}

bool reportMessages(ScriptRunner& runner, std::ostream& err) {
    auto& messages = runner.services().messages;
    for (const auto& m : messages) err << m.caption << ": " << oneLine(m.text) << '\n';
    const bool any = !messages.empty();
    messages.clear();
    return any;
}

namespace {

bool step(ScriptRunner& runner, const std::string& line, std::ostream& err) {
    return runStep(runner, line, err, "render");
}

} // namespace

const char* renderUsage() {
    return "usage: korvane-cli render FILE -o OUT.png [OPTIONS]\n"
           "\n"
           "Processes FILE in the main dialog without a window and writes the picture panel as\n"
           "the display draws it. Then prints the texts of the statistics (1062), coordinates\n"
           "(1072), zoom (1078) and level count (1020, 1021) controls that are shown, each as\n"
           "'ID: text' with line breaks written as \\n.\n"
           "\n"
           "  --panel WxH          size of the picture panel in pixels\n"
           "  --mode M             composite, greyscale, channel, exposure or histogram\n"
           "  --mapping INDEX      row of the mapping function list (0 is the first)\n"
           "  --zoom M:R           magnification M (1 to 10) or reduction R (1 or the CFA width)\n"
           "  --scroll X,Y         positions of the horizontal and vertical scroll bars\n"
           "  --orientation N      display orientation 1 to 8 (TIFF orientation values)\n"
           "  --black N, --white N black point and white point, as typed into their edits\n"
           "  --exposure P         exposure slider position 0 to 96 (48 is 0 EV)\n"
           "  --wb R,G1,G2,B       white balance coefficients\n"
           "  --check ID, --uncheck ID\n"
           "                       set a check box of the dialog by control id (repeatable)\n"
           "  --select L,T,R,B     a selection in panel coordinates, edges inclusive\n"
           "  --noise FILE.json    live noise parameters for the drawing: a JSON object of\n"
           "                       the noise parameter fields by name (offsetOn, offset, ...);\n"
           "                       per-channel fields are arrays of 4 (red, green 1, blue,\n"
           "                       green 2); \"valid\" is 1 unless the file says 0\n"
           "\n"
           "Exit status: 0 success, 1 usage or a setting the dialog refuses, 2 the file could not\n"
           "be processed or the picture not written.\n";
}

bool parseRenderRequest(const std::vector<std::string>& args, RenderRequest& request,
                        std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 1 && arg[0] == '-') {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            if (arg == "--noise") {
                NoiseParameters noise;
                if (!readNoiseJson(args[++i], noise, error)) {
                    error = "--noise: " + error;
                    return false;
                }
                request.noise = noise;
            } else if (!parseRenderOption(arg, args[++i], request, error)) {
                return false;
            }
        } else if (request.input.empty()) {
            request.input = arg;
        } else {
            error = "more than one file: '" + arg + "'";
            return false;
        }
    }
    if (request.input.empty()) error = "no file to render";
    else if (request.output.empty()) error = "no output file (-o OUT.png)";
    return error.empty();
}

int loadForCommand(const RenderRequest& r, ScriptRunner& runner, std::ostream& err, const char* command) {
    if (r.panel && !runStep(runner, "panel " + std::to_string(r.panel->width) + ' ' +
                                        std::to_string(r.panel->height), err, command))
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
            err << "korvane-cli render: the mapping function list has no row " << *r.mapping << '\n';
            return 1;
        }
        if (!step(runner, "pick " + std::to_string(ids::kMappingCombo) + ' ' + std::to_string(*r.mapping), err))
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
        analyzer.setZoom(static_cast<std::uint8_t>(r.zoom->first), static_cast<std::uint8_t>(r.zoom->second));
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
        !step(runner, "slider " + std::to_string(ids::kExposureSlider) + ' ' + std::to_string(*r.exposure), err))
        return 1;
    for (const auto& [id, checked] : r.checks) {
        if (!dialog.hasControl(id) || dialog.control(id).source->kind != platform::ControlKind::CheckBox) {
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

int runRender(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 2; i < argc; ++i) args.emplace_back(argv[i]);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << renderUsage();
        return 0;
    }
    RenderRequest request;
    std::string error;
    if (!parseRenderRequest(args, request, error)) {
        std::cerr << "korvane-cli render: " << error << "\n\n" << renderUsage();
        return 1;
    }
    // The script output of the steps (none of them prints) goes nowhere.
    std::ostringstream ignored;
    ScriptRunner runner(ignored);
    return runRender(request, runner, std::cout, std::cerr);
}

} // namespace korvane::cli
