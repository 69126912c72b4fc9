#include "qt/KeyTranslation.hpp"

#include <array>

#include "platform/VirtualKeys.hpp"

namespace korvane::qt {

namespace {

namespace vk = platform::vk;
using platform::KeyMessage;
using platform::KeyMessageKind;

struct KeyCode {
    int qtKey;
    int virtualKey;
};

// Keys whose code is the same with or without the keypad. Windows' OEM codes are those of a
// US keyboard; both characters of a key map to the key.
constexpr auto kKeys = std::to_array<KeyCode>({
    {Qt::Key_Backspace, vk::kBack},
    {Qt::Key_Tab, vk::kTab},
    {Qt::Key_Backtab, vk::kTab},
    {Qt::Key_Clear, 0x0C},
    {Qt::Key_Return, vk::kReturn},
    {Qt::Key_Enter, vk::kReturn},
    {Qt::Key_Shift, vk::kShift},
    {Qt::Key_Control, vk::kControl},
    {Qt::Key_Alt, vk::kMenu},
    {Qt::Key_AltGr, vk::kMenu},
    {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Escape, vk::kEscape},
    {Qt::Key_Space, vk::kSpace},
    {Qt::Key_PageUp, vk::kPrior},
    {Qt::Key_PageDown, vk::kNext},
    {Qt::Key_End, vk::kEnd},
    {Qt::Key_Home, vk::kHome},
    {Qt::Key_Left, vk::kLeft},
    {Qt::Key_Up, vk::kUp},
    {Qt::Key_Right, vk::kRight},
    {Qt::Key_Down, vk::kDown},
    {Qt::Key_Print, 0x2C},
    {Qt::Key_Insert, vk::kInsert},
    {Qt::Key_Delete, vk::kDelete},
    {Qt::Key_Meta, 0x5B},
    {Qt::Key_Menu, 0x5D},
    {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, vk::kOemPlus},
    {Qt::Key_Plus, vk::kOemPlus},
    {Qt::Key_Comma, 0xBC},
    {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, vk::kOemMinus},
    {Qt::Key_Underscore, vk::kOemMinus},
    {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},
    {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},
    {Qt::Key_AsciiTilde, 0xC0},
    {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},
    {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
});

// The keypad's own codes; the digits follow at kNumpad0.
constexpr auto kKeypadKeys = std::to_array<KeyCode>({
    {Qt::Key_Asterisk, vk::kMultiply},
    {Qt::Key_Plus, vk::kAdd},
    {Qt::Key_Comma, vk::kSeparator},
    {Qt::Key_Minus, vk::kSubtract},
    {Qt::Key_Period, vk::kDecimal},
    {Qt::Key_Slash, vk::kDivide},
});

// Shift with a digit gives these on a US keyboard: ')' is Shift+0, '!' Shift+1 and so on.
constexpr std::array<int, 10> kShiftedDigits = {
    Qt::Key_ParenRight, Qt::Key_Exclam,    Qt::Key_At,          Qt::Key_NumberSign,
    Qt::Key_Dollar,     Qt::Key_Percent,   Qt::Key_AsciiCircum, Qt::Key_Ampersand,
    Qt::Key_Asterisk,   Qt::Key_ParenLeft,
};

int find(const auto& table, int qtKey) {
    for (const auto& k : table)
        if (k.qtKey == qtKey) return k.virtualKey;
    return 0;
}

// The character message of a press, as a Windows keyboard layout makes it: Ctrl with a letter
// gives its control code, Ctrl with Alt nothing; Enter, Escape and Tab belong to the dialog.
std::optional<int> characterCode(int qtKey, Qt::KeyboardModifiers held, const QString& text) {
    const bool ctrl = held.testFlag(Qt::ControlModifier);
    const bool alt = held.testFlag(Qt::AltModifier);
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter || qtKey == Qt::Key_Escape ||
        qtKey == Qt::Key_Tab || qtKey == Qt::Key_Backtab)
        return std::nullopt;
    if (ctrl && alt) return std::nullopt;
    if (ctrl) {
        if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey - Qt::Key_A + 1;
        return std::nullopt;
    }
    if (qtKey == Qt::Key_Backspace) return 0x08;
    if (!text.isEmpty() && text.at(0).unicode() >= 0x20 && text.at(0).unicode() != 0x7F)
        return text.at(0).unicode();
    // Some platforms give no text with Alt held; the key's own character stands in.
    if (alt && qtKey >= 0x20 && qtKey <= 0x7E) {
        if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z && !held.testFlag(Qt::ShiftModifier))
            return qtKey - Qt::Key_A + 'a';
        return qtKey;
    }
    return std::nullopt;
}

} // namespace

int virtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return vk::kNumpad0 + (qtKey - Qt::Key_0);
        if (const int code = find(kKeypadKeys, qtKey); code != 0) return code;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return vk::kA + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return vk::k0 + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return vk::kF1 + (qtKey - Qt::Key_F1);
    for (int d = 0; d < 10; ++d)
        if (kShiftedDigits[static_cast<std::size_t>(d)] == qtKey) return vk::k0 + d;
    return find(kKeys, qtKey);
}

Qt::KeyboardModifier modifierOfKey(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return Qt::AltModifier;
    case Qt::Key_Meta:
        return Qt::MetaModifier;
    default:
        return Qt::NoModifier;
    }
}

TranslatedKey translateKey(bool press, int qtKey, Qt::KeyboardModifiers held, const QString& text) {
    const int code = virtualKeyOf(qtKey, held);
    // Windows makes system keys of keys typed with Alt but without Ctrl, of Alt itself and
    // of F10.
    const bool system = (held.testFlag(Qt::AltModifier) && !held.testFlag(Qt::ControlModifier)) ||
                        qtKey == Qt::Key_Alt || qtKey == Qt::Key_F10;
    TranslatedKey out{};
    if (press) {
        out.key = {system ? KeyMessageKind::SysKeyDown : KeyMessageKind::KeyDown, code};
        if (const auto c = characterCode(qtKey, held, text))
            out.character = KeyMessage{system ? KeyMessageKind::SysChar : KeyMessageKind::Char, *c};
    } else {
        out.key = {system ? KeyMessageKind::SysKeyUp : KeyMessageKind::KeyUp, code};
    }
    return out;
}

} // namespace korvane::qt
