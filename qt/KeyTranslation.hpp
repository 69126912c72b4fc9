#pragma once
#include <QString>
#include <Qt>
#include <optional>

#include "platform/Dialog.hpp"

namespace korvane::qt {

// A key press or release as the dialog logic hears it: the key message, and for a press the
// character message that follows it when the key types one.
struct TranslatedKey {
    platform::KeyMessage key;
    std::optional<platform::KeyMessage> character;
};

// The Windows virtual-key code of a Qt key; 0 for keys without one. Shifted digits map to
// their digit key, keypad keys to the keypad codes.
int virtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);

// `held`: the modifiers down while the key is handled, the key itself included.
TranslatedKey translateKey(bool press, int qtKey, Qt::KeyboardModifiers held, const QString& text);

// The modifier a modifier key stands for; NoModifier for other keys.
Qt::KeyboardModifier modifierOfKey(int qtKey);

} // namespace korvane::qt
