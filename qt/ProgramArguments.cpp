#include "qt/ProgramArguments.hpp"

namespace korvane::qt {

std::string commandLineOf(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& argument : arguments) {
        if (!line.empty()) line += ' ';
        const bool quote =
            argument.empty() || argument.find_first_of(" \t\n\v\f\r") != std::string::npos;
        if (quote) line += '"';
        line += argument;
        if (quote) line += '"';
    }
    return line;
}

} // namespace korvane::qt
