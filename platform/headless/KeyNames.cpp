#include "platform/headless/KeyNames.hpp"

#include <cctype>
#include <string>

#include "platform/VirtualKeys.hpp"

namespace korvane::platform::headless {

namespace {

struct Named {
    std::string_view name;
    int key;
};

constexpr Named kNames[] = {
    {"enter", vk::kReturn},      {"return", vk::kReturn},
    {"escape", vk::kEscape},     {"esc", vk::kEscape},
    {"tab", vk::kTab},           {"space", vk::kSpace},
    {"backspace", vk::kBack},    {"delete", vk::kDelete},
    {"insert", vk::kInsert},     {"home", vk::kHome},
    {"end", vk::kEnd},           {"pageup", vk::kPrior},
    {"pagedown", vk::kNext},     {"left", vk::kLeft},
    {"right", vk::kRight},       {"up", vk::kUp},
    {"down", vk::kDown},         {"add", vk::kAdd},
    {"subtract", vk::kSubtract}, {"multiply", vk::kMultiply},
    {"divide", vk::kDivide},     {"plus", vk::kOemPlus},
    {"minus", vk::kOemMinus},    {"ctrl", vk::kControl},
    {"shift", vk::kShift},       {"alt", vk::kMenu},
};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

int virtualKeyOf(std::string_view name) {
    if (name.size() == 1) {
        const char c = name[0];
        if (std::isalpha(static_cast<unsigned char>(c))) return vk::letter(c);
        if (std::isdigit(static_cast<unsigned char>(c))) return vk::digit(c - '0');
        if (c == '+') return vk::kOemPlus;
        if (c == '-') return vk::kOemMinus;
    }
    const std::string l = lower(name);
    if (l.size() >= 2 && l[0] == 'f' && std::isdigit(static_cast<unsigned char>(l[1]))) {
        const int n = std::stoi(l.substr(1));
        if (n >= 1 && n <= 24) return vk::kF1 + n - 1;
    }
    if (l.size() == 4 && l.rfind("num", 0) == 0 && std::isdigit(static_cast<unsigned char>(l[3])))
        return vk::kNumpad0 + (l[3] - '0');
    for (const auto& n : kNames)
        if (n.name == l) return n.key;
    return 0;
}

std::optional<KeyChord> parseKeyChord(std::string_view text) {
    KeyChord chord;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t plus = text.find('+', start);
        // A trailing "+" is the plus key itself ("Ctrl++").
        if (plus == start) plus = text.find('+', start + 1);
        const std::string_view part = text.substr(
            start, plus == std::string_view::npos ? std::string_view::npos : plus - start);
        const int key = virtualKeyOf(part);
        if (key == 0) return std::nullopt;
        if (key == vk::kControl)
            chord.ctrl = true;
        else if (key == vk::kShift)
            chord.shift = true;
        else if (key == vk::kMenu)
            chord.alt = true;
        else
            chord.key = key;
        if (plus == std::string_view::npos) break;
        start = plus + 1;
    }
    return chord;
}

char characterOf(const KeyChord& chord) {
    if (chord.ctrl) return 0;
    const int k = chord.key;
    if (k >= vk::kA && k <= vk::kA + 25)
        return static_cast<char>((chord.shift ? 'A' : 'a') + (k - vk::kA));
    if (k >= vk::k0 && k <= vk::k0 + 9 && !chord.shift)
        return static_cast<char>('0' + (k - vk::k0));
    if (k >= vk::kNumpad0 && k <= vk::kNumpad0 + 9)
        return static_cast<char>('0' + (k - vk::kNumpad0));
    switch (k) {
    case vk::kSpace:
        return ' ';
    case vk::kAdd:
        return '+';
    case vk::kSubtract:
        return '-';
    case vk::kMultiply:
        return '*';
    case vk::kDivide:
        return '/';
    case vk::kOemPlus:
        return chord.shift ? '+' : '=';
    case vk::kOemMinus:
        return chord.shift ? '_' : '-';
    case vk::kReturn:
        return '\r';
    case vk::kEscape:
        return 0x1B;
    case vk::kBack:
        return 0x08;
    default:
        return 0;
    }
}

} // namespace korvane::platform::headless
