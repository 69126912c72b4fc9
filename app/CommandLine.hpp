#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace korvane {

// What the command line asks for: nothing, a file (with an optional display mode letter), or
// a path that names no file or is badly quoted.
struct CommandLineRequest {
    enum class Kind { None, File, Invalid };
    Kind kind = Kind::None;
    std::string path; // the path without quotes; for Invalid, the path as far as it was read
    char mode = 0;    // 'B', 'E', 'H', 'I' or 'N' (upper case), or 0
};

// Parses the arguments after the program name, given as one line as the system passes them.
[[nodiscard]] CommandLineRequest
parseCommandLine(std::string_view line, const std::function<bool(const std::string&)>& fileExists);

// Joins arguments into such a line, quoting those that hold blanks.
[[nodiscard]] std::string joinArguments(int argc, const char* const* argv);

} // namespace korvane
