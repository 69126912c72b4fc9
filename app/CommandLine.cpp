#include "app/CommandLine.hpp"

#include <cctype>

namespace korvane {

namespace {

bool isBlank(char c) {
    return c == ' ' || (c >= 9 && c <= 13);
}

std::size_t skipBlanks(std::string_view s, std::size_t at) {
    while (at < s.size() && isBlank(s[at]))
        ++at;
    return at;
}

CommandLineRequest invalid(std::string path) {
    return {CommandLineRequest::Kind::Invalid, std::move(path), 0};
}

} // namespace

CommandLineRequest parseCommandLine(std::string_view line,
                                    const std::function<bool(const std::string&)>& fileExists) {
    std::size_t at = skipBlanks(line, 0);
    if (at == line.size()) return {};

    std::string path;
    if (line[at] == '"') {
        const std::size_t close = line.find('"', at + 1);
        if (close == std::string_view::npos) return invalid(std::string(line.substr(at + 1)));
        path = std::string(line.substr(at + 1, close - at - 1));
        at = close + 1;
        // The closing quote must end the argument, and the quotes must hold something.
        if (path.empty() || (at < line.size() && !isBlank(line[at]))) return invalid(path);
    } else {
        const std::size_t start = at;
        while (at < line.size() && !isBlank(line[at]))
            ++at;
        path = std::string(line.substr(start, at - start));
    }
    if (!fileExists(path)) return invalid(path);

    CommandLineRequest request{CommandLineRequest::Kind::File, path, 0};
    at = skipBlanks(line, at);
    std::size_t end = at;
    while (end < line.size() && !isBlank(line[end]))
        ++end;
    const std::string_view option = line.substr(at, end - at);
    if (option.size() == 2 && (option[0] == '-' || option[0] == '/')) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(option[1])));
        if (letter == 'B' || letter == 'E' || letter == 'H' || letter == 'I' || letter == 'N')
            request.mode = letter;
    }
    return request;
}

std::string joinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!line.empty()) line += ' ';
        bool blank = arg.empty();
        for (char c : arg)
            blank = blank || isBlank(c);
        if (blank) {
            line += '"';
            line += arg;
            line += '"';
        } else {
            line += arg;
        }
    }
    return line;
}

} // namespace korvane
