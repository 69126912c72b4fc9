#pragma once
#include <string>
#include <vector>

namespace korvane::qt {

// The program's arguments as the one command line the application takes: separated by
// blanks, an argument that contains a blank (or is empty) in double quotes.
std::string commandLineOf(const std::vector<std::string>& arguments);

} // namespace korvane::qt
