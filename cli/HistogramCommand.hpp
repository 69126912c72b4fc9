#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/RenderCommand.hpp"

namespace korvane::cli {

class ScriptRunner;

// What `korvane-cli histogram` is asked to draw: the file and panel, the levels, white
// balance, exposure and mapping set as `render` sets them, and the histogram check boxes.
struct HistogramRequest {
    RenderRequest display; // input, output, panel, mapping, black, white, exposure, wb, select
    std::string csv;       // the bins as CSV, when given
    bool fine = false;     // "Fine": the 512-value window above the black point
    bool mapped = false;   // "Mapped": the RGB histogram of display values
    bool applyWb = false;  // "Apply WB" in the RGB histogram
};

// The texts `histogram` prints after drawing, each as "ID: text": the range and the summary.
inline constexpr std::array<int, 2> kHistogramTexts = {ids::kHistogramText, ids::kStatisticsText};

// Declares histogram's arguments on `command`, writing into `request`.
void declareHistogramArguments(CLI::App& command, HistogramRequest& request);

[[nodiscard]] bool parseHistogramRequest(const std::vector<std::string>& args,
                                         HistogramRequest& request, std::string& error);

// Exit status as `render`: 0, 1 for a request the dialog refuses, 2 when the file cannot
// be processed or an output not written (nothing is written then).
int runHistogram(const HistogramRequest& request, ScriptRunner& runner, std::ostream& out,
                 std::ostream& err);

// korvane-cli histogram FILE -o OUT.png [--csv OUT.csv] [OPTIONS].
CommandRun declareHistogram(CLI::App& command);

} // namespace korvane::cli
