#include "tests/support/ExifTool.hpp"

#include <array>
#include <cstdio>
#include <regex>
#include <sstream>

namespace korvane::test {

std::optional<std::string> commandOutput(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string out;
    std::array<char, 4096> chunk;
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        out.append(chunk.data(), n);
    if (::pclose(pipe) != 0) return std::nullopt;
    return out;
}

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool exiftoolAvailable() {
    static const bool available = commandOutput("exiftool -ver 2>/dev/null").has_value();
    return available;
}

std::map<std::string, std::string> exiftoolTags(const std::string& path) {
    std::map<std::string, std::string> tags;
    const auto out =
        commandOutput("exiftool -args -n -a -G1 -u " + shellQuoted(path) + " 2>/dev/null");
    if (!out) return tags;
    std::istringstream lines(*out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (line.empty() || line[0] != '-' || equals == std::string::npos) continue;
        tags[line.substr(1, equals - 1)] = line.substr(equals + 1);
    }
    return tags;
}

std::vector<ExifToolEntry> exiftoolEntries(const std::string& path) {
    std::vector<ExifToolEntry> entries;
    const auto out = commandOutput("exiftool -v3 -u " + shellQuoted(path) + " 2>/dev/null");
    if (!out) return entries;

    // Nesting shows as one "| " per level; a directory opens with "+ [Name directory ...]".
    static const std::regex directoryLine(R"(^\+ \[(\S+) directory)");
    // "3)  Name = value", or "2)  ExifOffset (SubDirectory) -->" for a directory pointer.
    static const std::regex entryLine(R"(^\d+\)\s+(\S+)(?: = ?(.*)|\s+(\(SubDirectory\)).*)$)");
    static const std::regex tagLine(R"(^- Tag 0x([0-9a-f]{4}) \((\d+) bytes?, (\w+)\[(\d+)\]\))");
    static const std::regex hexLine(R"(^([0-9a-f]+): ((?:[0-9a-f]{2} )*[0-9a-f]{2}))");
    std::vector<std::string> directories;
    std::istringstream lines(*out);
    std::string line;
    bool inValue = false;
    while (std::getline(lines, line)) {
        std::size_t i = 0;
        std::size_t depth = 0;
        for (;; ++i) {
            if (i < line.size() && line[i] == '|')
                ++depth;
            else if (i >= line.size() || line[i] != ' ')
                break;
        }
        const std::string rest = line.substr(i);
        std::smatch m;
        if (std::regex_search(rest, m, directoryLine)) {
            directories.resize(std::min(depth, directories.size()));
            directories.push_back(m[1]);
            inValue = false;
        } else if (std::regex_search(rest, m, entryLine)) {
            ExifToolEntry e;
            e.directory = depth >= 1 && depth <= directories.size() ? directories[depth - 1] : "";
            e.name = m[1];
            e.value = m[2].matched ? m[2].str() : m[3].str();
            entries.push_back(std::move(e));
            inValue = false;
        } else if (!entries.empty() && std::regex_search(rest, m, tagLine)) {
            ExifToolEntry& e = entries.back();
            e.tag = static_cast<std::uint16_t>(std::stoul(m[1], nullptr, 16));
            e.byteCount = static_cast<std::uint32_t>(std::stoul(m[2]));
            e.format = m[3];
            e.count = static_cast<std::uint32_t>(std::stoul(m[4]));
            inValue = true;
        } else if (inValue && std::regex_search(rest, m, hexLine)) {
            ExifToolEntry& e = entries.back();
            if (e.valueBytes.empty())
                e.valueOffset = static_cast<std::uint32_t>(std::stoul(m[1], nullptr, 16));
            std::istringstream hex(m[2]);
            std::string byte;
            while (hex >> byte)
                e.valueBytes.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
        } else {
            inValue = false;
        }
    }
    return entries;
}

} // namespace korvane::test
