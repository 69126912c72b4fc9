#pragma once
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "analysis/AreaStatistics.hpp"
#include "cli/CommandLine.hpp"
#include "common/IfdNode.hpp"

namespace korvane::cli {

// What `stats` found in one file: the figures, or the message that stopped it.
struct StatsRecord {
    std::string file;
    std::optional<SampleRect> rect; // in the active area's coordinates; unknown for some failures
    std::optional<std::uint32_t> black;
    std::optional<std::uint32_t> white;
    std::optional<AreaStatistics> statistics; // absent when the file failed
    std::string message;
};

enum class StatsFormat { Text, Json, Csv };

// Loads `path` and measures `rect` of its active area (all of it without one).
StatsRecord measureFile(const std::string& path, const std::optional<SampleRect>& rect);

void writeStats(std::ostream& out, const std::vector<StatsRecord>& records, StatsFormat format);

// korvane-cli stats FILE... [--rect L,T,W,H] [--json|--csv]: per CFA channel of the area,
// count, minimum, maximum, mean, standard deviation and the samples at the white and black
// levels; one record per file. Exit status 0, or 2 when any file failed.
CommandRun declareStats(CLI::App& command);

} // namespace korvane::cli
