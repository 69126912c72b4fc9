#include "tools/ToolSteps.hpp"

#include <cerrno>
#include <cstdlib>

namespace korvane {

namespace {

bool onlyBlanksFrom(const char* p) {
    while (*p == ' ' || *p == '\t')
        ++p;
    return *p == '\0';
}

} // namespace

std::optional<double> readNumber(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    if (end == begin || errno == ERANGE || !onlyBlanksFrom(end)) return std::nullopt;
    return value;
}

std::optional<long long> readWholeNumber(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || !onlyBlanksFrom(end)) return std::nullopt;
    return value;
}

} // namespace korvane
