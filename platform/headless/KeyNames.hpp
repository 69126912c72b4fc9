#pragma once
#include <optional>
#include <string_view>
#include <vector>

namespace korvane::platform::headless {

// A key with modifiers, as written in scripts: "Ctrl+Alt+W", "Shift+Down", "Enter", "F1",
// "Add" (the keypad's +).
struct KeyChord {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    int key = 0; // virtual-key code; 0 for modifiers alone
};

// Parses one chord; none for an unknown key name.
[[nodiscard]] std::optional<KeyChord> parseKeyChord(std::string_view text);
// The virtual-key code of a key name, or 0.
[[nodiscard]] int virtualKeyOf(std::string_view name);
// The character a key types without Ctrl, or 0 (letters upper case with Shift).
[[nodiscard]] char characterOf(const KeyChord& chord);

} // namespace korvane::platform::headless
