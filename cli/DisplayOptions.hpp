#pragma once
// The options `render` and `histogram` take to set up the display before the picture is
// taken, each declared once with its value's name, its help line and its check.
#include <span>
#include <string>
#include <string_view>

#include "cli/CommandLine.hpp"

namespace korvane::cli {

struct RenderRequest;

struct DisplayOption {
    std::string_view name;  // "--panel"
    std::string_view value; // the value's name in the help page: "WxH"
    std::string_view help;
    std::string_view wants; // what a refused value is told the option needs
    // Writes the value into the request; false when it is refused, with `why` set when
    // there is more to say than what the option wants.
    bool (*read)(const std::string& text, RenderRequest& request, std::string& why);
};

// Every display option, in the order `render --help` lists them.
std::span<const DisplayOption> displayOptions();

// Declares the display option `name` on `command`, writing into `request`; `help` replaces
// the option's own help line when given. Each time the option is given its value is read,
// in the order of the command line: the last one given counts, and --check and --uncheck
// add up in their order.
CLI::Option* addDisplayOption(CLI::App& command, std::string_view name, RenderRequest& request,
                              std::string_view help = {});

} // namespace korvane::cli
