#include "qt/KeyTranslation.hpp"

#include <gtest/gtest.h>

#include "platform/VirtualKeys.hpp"

namespace korvane::qt {
namespace {

namespace vk = platform::vk;
using platform::KeyMessageKind;

struct KeyCase {
    const char* name;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    int virtualKey;
};

class VirtualKeyOf : public ::testing::TestWithParam<KeyCase> {};

TEST_P(VirtualKeyOf, GivesTheWindowsCode) {
    const KeyCase& c = GetParam();
    EXPECT_EQ(virtualKeyOf(c.qtKey, c.modifiers), c.virtualKey);
}

// The key tables of the dialog logic are written in these codes: a wrong one here is a
// command that never fires.
INSTANTIATE_TEST_SUITE_P(
    Keys, VirtualKeyOf,
    ::testing::Values(KeyCase{"LetterIsItsCapital", Qt::Key_W, Qt::NoModifier, vk::letter('W')},
                      KeyCase{"LetterWithShift", Qt::Key_W, Qt::ShiftModifier, vk::letter('W')},
                      KeyCase{"Digit", Qt::Key_7, Qt::NoModifier, vk::digit(7)},
                      // Shift+1 reaches Qt as '!': the key is still the digit key.
                      KeyCase{"ShiftedOne", Qt::Key_Exclam, Qt::ShiftModifier | Qt::ControlModifier,
                              vk::digit(1)},
                      KeyCase{"ShiftedZero", Qt::Key_ParenRight, Qt::ShiftModifier, vk::digit(0)},
                      KeyCase{"ShiftedEight", Qt::Key_Asterisk, Qt::ShiftModifier, vk::digit(8)},
                      KeyCase{"KeypadDigit", Qt::Key_3, Qt::KeypadModifier, vk::kNumpad0 + 3},
                      KeyCase{"KeypadPlus", Qt::Key_Plus, Qt::KeypadModifier, vk::kAdd},
                      KeyCase{"KeypadMinus", Qt::Key_Minus, Qt::KeypadModifier, vk::kSubtract},
                      KeyCase{"KeypadTimes", Qt::Key_Asterisk, Qt::KeypadModifier, vk::kMultiply},
                      KeyCase{"KeypadDivide", Qt::Key_Slash, Qt::KeypadModifier, vk::kDivide},
                      KeyCase{"MainPlus", Qt::Key_Plus, Qt::ShiftModifier, vk::kOemPlus},
                      KeyCase{"MainEquals", Qt::Key_Equal, Qt::NoModifier, vk::kOemPlus},
                      KeyCase{"MainMinus", Qt::Key_Minus, Qt::NoModifier, vk::kOemMinus},
                      KeyCase{"PageUp", Qt::Key_PageUp, Qt::NoModifier, vk::kPrior},
                      KeyCase{"PageDown", Qt::Key_PageDown, Qt::NoModifier, vk::kNext},
                      KeyCase{"HomeOnKeypad", Qt::Key_Home, Qt::KeypadModifier, vk::kHome},
                      KeyCase{"Left", Qt::Key_Left, Qt::NoModifier, vk::kLeft},
                      KeyCase{"Down", Qt::Key_Down, Qt::NoModifier, vk::kDown},
                      KeyCase{"Enter", Qt::Key_Return, Qt::NoModifier, vk::kReturn},
                      KeyCase{"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier, vk::kReturn},
                      KeyCase{"BackTab", Qt::Key_Backtab, Qt::ShiftModifier, vk::kTab},
                      KeyCase{"Escape", Qt::Key_Escape, Qt::NoModifier, vk::kEscape},
                      KeyCase{"Delete", Qt::Key_Delete, Qt::NoModifier, vk::kDelete},
                      KeyCase{"F1", Qt::Key_F1, Qt::NoModifier, vk::kF1},
                      KeyCase{"F12", Qt::Key_F12, Qt::NoModifier, vk::kF1 + 11},
                      KeyCase{"Shift", Qt::Key_Shift, Qt::NoModifier, vk::kShift},
                      KeyCase{"Control", Qt::Key_Control, Qt::NoModifier, vk::kControl},
                      KeyCase{"Alt", Qt::Key_Alt, Qt::NoModifier, vk::kMenu},
                      KeyCase{"Unknown", Qt::Key_unknown, Qt::NoModifier, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct MessageCase {
    const char* name;
    int qtKey;
    Qt::KeyboardModifiers held;
    const char* text;
    KeyMessageKind kind;
    int code;
    std::optional<KeyMessageKind> characterKind;
    int character;
};

class TranslatePress : public ::testing::TestWithParam<MessageCase> {};

TEST_P(TranslatePress, MakesTheKeyAndCharacterMessages) {
    const MessageCase& c = GetParam();
    const TranslatedKey t = translateKey(true, c.qtKey, c.held, QString::fromLatin1(c.text));
    EXPECT_EQ(t.key.kind, c.kind);
    EXPECT_EQ(t.key.code, c.code);
    ASSERT_EQ(t.character.has_value(), c.characterKind.has_value());
    if (t.character) {
        EXPECT_EQ(t.character->kind, *c.characterKind);
        EXPECT_EQ(t.character->code, c.character);
    }
}

constexpr auto kNone = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Presses, TranslatePress,
    ::testing::Values(
        MessageCase{"Letter", Qt::Key_A, Qt::NoModifier, "a", KeyMessageKind::KeyDown, 'A',
                    KeyMessageKind::Char, 'a'},
        MessageCase{"ShiftedLetter", Qt::Key_A, Qt::ShiftModifier, "A", KeyMessageKind::KeyDown,
                    'A', KeyMessageKind::Char, 'A'},
        // Ctrl with a letter types its control code, as Ctrl+C types 3.
        MessageCase{"CtrlLetter", Qt::Key_C, Qt::ControlModifier, "c", KeyMessageKind::KeyDown, 'C',
                    KeyMessageKind::Char, 3},
        MessageCase{"CtrlDigitTypesNothing", Qt::Key_5, Qt::ControlModifier, "5",
                    KeyMessageKind::KeyDown, '5', kNone, 0},
        // Alt makes system messages; Alt with '+' is the font size command.
        MessageCase{"AltPlus", Qt::Key_Plus, Qt::AltModifier | Qt::ShiftModifier, "+",
                    KeyMessageKind::SysKeyDown, vk::kOemPlus, KeyMessageKind::SysChar, '+'},
        MessageCase{"AltMinusWithoutText", Qt::Key_Minus, Qt::AltModifier, "",
                    KeyMessageKind::SysKeyDown, vk::kOemMinus, KeyMessageKind::SysChar, '-'},
        MessageCase{"AltLetterWithoutText", Qt::Key_H, Qt::AltModifier, "",
                    KeyMessageKind::SysKeyDown, 'H', KeyMessageKind::SysChar, 'h'},
        // Ctrl+Alt is not a system key, and types nothing.
        MessageCase{"CtrlAltLetter", Qt::Key_N, Qt::ControlModifier | Qt::AltModifier, "n",
                    KeyMessageKind::KeyDown, 'N', kNone, 0},
        MessageCase{"AltAlone", Qt::Key_Alt, Qt::AltModifier, "", KeyMessageKind::SysKeyDown,
                    vk::kMenu, kNone, 0},
        MessageCase{"F10IsASystemKey", Qt::Key_F10, Qt::NoModifier, "", KeyMessageKind::SysKeyDown,
                    vk::kF1 + 9, kNone, 0},
        // Enter, Escape and Tab are the dialog's: no character follows them.
        MessageCase{"EnterTypesNothing", Qt::Key_Return, Qt::NoModifier, "\r",
                    KeyMessageKind::KeyDown, vk::kReturn, kNone, 0},
        MessageCase{"EscapeTypesNothing", Qt::Key_Escape, Qt::NoModifier, "\x1b",
                    KeyMessageKind::KeyDown, vk::kEscape, kNone, 0},
        MessageCase{"TabTypesNothing", Qt::Key_Tab, Qt::NoModifier, "\t", KeyMessageKind::KeyDown,
                    vk::kTab, kNone, 0},
        MessageCase{"Backspace", Qt::Key_Backspace, Qt::NoModifier, "\b", KeyMessageKind::KeyDown,
                    vk::kBack, KeyMessageKind::Char, 8},
        MessageCase{"ArrowTypesNothing", Qt::Key_Up, Qt::NoModifier, "", KeyMessageKind::KeyDown,
                    vk::kUp, kNone, 0},
        MessageCase{"KeypadDigit", Qt::Key_4, Qt::KeypadModifier, "4", KeyMessageKind::KeyDown,
                    vk::kNumpad0 + 4, KeyMessageKind::Char, '4'}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TranslateRelease, IsAKeyUpWithoutCharacter) {
    const TranslatedKey up = translateKey(false, Qt::Key_W, Qt::NoModifier, QStringLiteral("w"));
    EXPECT_EQ(up.key.kind, KeyMessageKind::KeyUp);
    EXPECT_EQ(up.key.code, 'W');
    EXPECT_FALSE(up.character.has_value());

    const TranslatedKey sysUp = translateKey(false, Qt::Key_X, Qt::AltModifier, QString());
    EXPECT_EQ(sysUp.key.kind, KeyMessageKind::SysKeyUp);
}

} // namespace
} // namespace korvane::qt
