#pragma once
#include <cstdint>
#include <string_view>

namespace korvane {

// Reads a decimal number from the start of an edit's text, at most `maxChars` characters of
// it: leading blanks, an optional sign, digits. Anything else ends the number; no digits
// give 0. Values beyond 32 bits are held at the limit.
[[nodiscard]] std::int32_t readDecimal(std::string_view text, std::size_t maxChars = 8);

} // namespace korvane
