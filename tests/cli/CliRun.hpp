#pragma once
// Running korvane-cli as a user does, from the tests of its commands, and reading the
// 16-bit PGM files it writes.
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace korvane::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// korvane-cli with `arguments` (shell words); its standard error goes through `errFile`.
inline CliRun runCli(const std::string& arguments, const std::filesystem::path& errFile) {
    const std::string command =
        std::string(KORVANE_CLI) + " " + arguments + " 2>" + errFile.string();
    FILE* pipe = ::popen(command.c_str(), "r");
    CliRun r;
    std::array<char, 4096> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr)
        r.out += chunk.data();
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = fileText(errFile);
    return r;
}

inline std::string quoted(const std::filesystem::path& p) {
    return "'" + p.string() + "'";
}

// A 16-bit binary PGM: its three header lines and its samples.
struct Pgm {
    std::string header;
    std::vector<std::uint16_t> samples;
};

inline Pgm readPgm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    Pgm pgm;
    std::size_t at = 0;
    for (int lines = 0; lines < 3 && at < bytes.size(); ++at) {
        pgm.header += static_cast<char>(bytes[at]);
        if (bytes[at] == '\n') ++lines;
    }
    for (; at + 1 < bytes.size(); at += 2)
        pgm.samples.push_back(static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]));
    return pgm;
}

} // namespace korvane::test
