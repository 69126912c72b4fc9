#pragma once
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/CommandLine.hpp"
#include "cli/FileSession.hpp"

namespace korvane::cli {

// What `info` reports of a parsed file, as one JSON document: the directory trees, the
// camera row, the main image's description, the shot information and the messages.
[[nodiscard]] nlohmann::json describeFile(const FileSession& session);

// The same as indented text.
void writeInfoText(const nlohmann::json& info, std::ostream& out);

// korvane-cli info FILE [--json].
CommandRun declareInfo(CLI::App& command);

} // namespace korvane::cli
