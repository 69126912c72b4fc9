#pragma once
#include <cstdio>
#include <optional>
#include <string>

#include "common/KeyState.hpp"
#include "platform/VirtualKeys.hpp"

namespace korvane {

// How big a step the held modifiers ask for, from the smallest: none, Shift, Ctrl,
// Ctrl+Shift, Ctrl+Alt (Ctrl+Alt wins over Ctrl+Shift).
inline int modifierLevel(const KeyState& keys) {
    const bool ctrl = keys.isKeyDown(platform::vk::kControl);
    if (ctrl && keys.isKeyDown(platform::vk::kMenu)) return 4;
    if (ctrl && keys.isKeyDown(platform::vk::kShift)) return 3;
    if (ctrl) return 2;
    return keys.isKeyDown(platform::vk::kShift) ? 1 : 0;
}

// A number as "%.Nf" writes it.
inline std::string fixedText(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// A decimal number typed into an edit (blanks around it allowed); none when the text is
// not one number.
std::optional<double> readNumber(const std::string& text);
// A whole number (sign allowed); none when the text is not one.
std::optional<long long> readWholeNumber(const std::string& text);

} // namespace korvane
