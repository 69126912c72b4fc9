#include "app/TextNumbers.hpp"

#include <limits>

namespace korvane {

std::int32_t readDecimal(std::string_view text, std::size_t maxChars) {
    text = text.substr(0, maxChars);
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            value = std::numeric_limits<std::int32_t>::max();
            break;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace korvane
