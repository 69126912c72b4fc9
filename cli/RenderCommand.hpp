#pragma once
#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/NoiseParameters.hpp"
#include "cli/CommandLine.hpp"
#include "platform/Geometry.hpp"
#include "resources/ControlIds.hpp"

namespace korvane::cli {

class ScriptRunner;

// What `korvane-cli render` is asked to draw: the file, the panel, and the controls of the
// main dialog to set before the picture is taken.
struct RenderRequest {
    std::string input;
    std::string output;
    std::optional<platform::Size> panel;
    std::optional<int> modeRadio;              // the radio button of --mode
    std::optional<int> mapping;                // row of the mapping function list
    std::optional<std::pair<int, int>> zoom;   // magnification, reduction
    std::optional<std::pair<int, int>> scroll; // horizontal, vertical scroll position
    std::optional<int> orientation;            // 1 to 8
    std::optional<std::string> black;          // typed into the black point edit
    std::optional<std::string> white;          // typed into the white point edit
    std::optional<int> exposure;               // slider position 0 to 96
    std::optional<std::array<float, 4>> wb;    // R, G1, G2, B
    std::vector<std::pair<int, bool>> checks;  // control id, checked, in the given order
    std::optional<std::array<int, 4>> select;  // left, top, right, bottom: panel pixels, inclusive
    std::optional<NoiseParameters> noise;      // the live noise parameters (render only)
};

// The texts `render` prints after drawing, in this order, each as "ID: text": the statistics,
// the coordinates, the zoom and the two level counts.
inline constexpr std::array<int, 5> kRenderTexts = {ids::kStatisticsText, ids::kCoordinatesText,
                                                    ids::kZoomText, ids::kWhiteStatistics,
                                                    ids::kBlackStatistics};

// Declares render's arguments on `command`, writing into `request`.
void declareRenderArguments(CLI::App& command, RenderRequest& request);

// Reads the arguments after "render"; false with `error` set when they make no request.
[[nodiscard]] bool parseRenderRequest(const std::vector<std::string>& args, RenderRequest& request,
                                      std::string& error);

// korvane-cli render FILE -o OUT.png [OPTIONS].
CommandRun declareRender(CLI::App& command);
// Runs one script line; a refused line is reported as `command`'s with its reason.
[[nodiscard]] bool runStep(ScriptRunner& runner, const std::string& line, std::ostream& err,
                           const char* command);
// The messages the dialog showed, to standard error; true when there were any.
bool reportMessages(ScriptRunner& runner, std::ostream& err);
// Sizes the panel and processes the file: 0, or the exit status (1 usage, 2 not loaded).
[[nodiscard]] int loadForCommand(const RenderRequest& request, ScriptRunner& runner,
                                 std::ostream& err, const char* command);
// Sets the dialog's controls as the request asks: 0, or 1 for a setting it refuses.
[[nodiscard]] int applyDisplaySettings(const RenderRequest& request, ScriptRunner& runner,
                                       std::ostream& err);

// Loads the file into the runner's dialog, sets the controls, writes the panel as a PNG and
// the texts to `out`. Returns the exit status: 0, 1 for a request the dialog refuses, 2 when
// the file cannot be processed or the picture not written.
int runRender(const RenderRequest& request, ScriptRunner& runner, std::ostream& out,
              std::ostream& err);

} // namespace korvane::cli
