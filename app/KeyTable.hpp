#pragma once
#include <cstdint>

namespace korvane {

// Whether a row of a key table asks for a modifier: held, not held, or either.
enum class Held : std::uint8_t { Any, Yes, No };

// The modifiers down as a key message is handled.
struct Modifiers {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

// A key with what its row asks of the modifiers. `last` > `key` makes the row a run of
// keys (digits 1 to 5, F1 to F4); the action then gets the key's place in the run, from 1.
struct KeyPattern {
    int key = 0;
    Held ctrl = Held::Any;
    Held shift = Held::Any;
    Held alt = Held::Any;
    int last = 0;

    constexpr bool matches(int code, const Modifiers& m) const {
        const auto fits = [](Held h, bool down) {
            return h == Held::Any || (h == Held::Yes) == down;
        };
        const int end = last > key ? last : key;
        return code >= key && code <= end && fits(ctrl, m.ctrl) && fits(shift, m.shift) &&
               fits(alt, m.alt);
    }
    constexpr int place(int code) const { return code - key + 1; }
};

} // namespace korvane
