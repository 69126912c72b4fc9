#include "qt/KeyRouter.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/VirtualKeys.hpp"
#include "qt/DialogWidget.hpp"
#include "qt/KeyTranslation.hpp"

namespace korvane::qt {

namespace {

namespace vk = platform::vk;

// The left and right variants of the modifier keys, and the mouse buttons, as Windows
// numbers them.
constexpr int kLeftButton = 0x01;
constexpr int kRightButton = 0x02;
constexpr int kMiddleButton = 0x04;
constexpr int kLeftShift = 0xA0, kRightShift = 0xA1;
constexpr int kLeftControl = 0xA2, kRightControl = 0xA3;
constexpr int kLeftMenu = 0xA4, kRightMenu = 0xA5;

} // namespace

KeyRouter::KeyRouter() = default;
KeyRouter::~KeyRouter() = default;

void KeyRouter::add(QtDialogWindow& dialog) {
    dialogs_.push_back(&dialog);
}

void KeyRouter::remove(QtDialogWindow& dialog) {
    dialogs_.erase(std::remove(dialogs_.begin(), dialogs_.end(), &dialog), dialogs_.end());
}

QtDialogWindow* KeyRouter::dialogOf(const QWindow* window) const {
    if (window == nullptr) return nullptr;
    for (QtDialogWindow* d : dialogs_)
        if (d->widget().windowHandle() == window) return d;
    return nullptr;
}

bool KeyRouter::isKeyDown(int virtualKey) const {
    switch (virtualKey) {
    case vk::kShift:
    case kLeftShift:
    case kRightShift:
        return modifiers_.testFlag(Qt::ShiftModifier);
    case vk::kControl:
    case kLeftControl:
    case kRightControl:
        return modifiers_.testFlag(Qt::ControlModifier);
    case vk::kMenu:
    case kLeftMenu:
    case kRightMenu:
        return modifiers_.testFlag(Qt::AltModifier);
    case kLeftButton:
        return buttons_.testFlag(Qt::LeftButton);
    case kRightButton:
        return buttons_.testFlag(Qt::RightButton);
    case kMiddleButton:
        return buttons_.testFlag(Qt::MiddleButton);
    default:
        return virtualKey > 0 && virtualKey < 256 &&
               pressed_.test(static_cast<std::size_t>(virtualKey));
    }
}

Qt::KeyboardModifiers KeyRouter::heldWith(const QKeyEvent& key, bool press) {
    // X11 reports the modifiers from before the event: a modifier key's own press and
    // release are not in them yet.
    Qt::KeyboardModifiers held = key.modifiers();
    if (const Qt::KeyboardModifier own = modifierOfKey(key.key()); own != Qt::NoModifier)
        held.setFlag(own, press);
    return held;
}

void KeyRouter::track(const QKeyEvent& key, bool press) {
    modifiers_ = heldWith(key, press);
    const int code = virtualKeyOf(key.key(), key.modifiers());
    if (code > 0 && code < 256) pressed_.set(static_cast<std::size_t>(code), press);
}

bool KeyRouter::toLogic(QtDialogWindow& dialog, const platform::KeyMessage& message) {
    for (QtDialogWindow* d = &dialog; d != nullptr; d = d->owner()) {
        platform::DialogHandler* handler = d->handler();
        if (handler != nullptr && handler->preTranslate(message)) return true;
    }
    return false;
}

bool KeyRouter::pressToLogic(QtDialogWindow& dialog, const QKeyEvent& key) {
    const TranslatedKey t = translateKey(true, key.key(), heldWith(key, true), key.text());
    if (t.key.code == 0) return false;
    if (toLogic(dialog, t.key)) return true;
    // The logic may have ended the dialog on the key; the character then has no window.
    if (!t.character || dialog.handler() == nullptr || dialog.ended()) return false;
    return toLogic(dialog, *t.character);
}

bool KeyRouter::eventFilter(QObject* receiver, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Sent before shortcuts and mnemonics are tried: to the window first, then to its
        // focus widget and that widget's parents.
        if (!receiver->isWindowType()) break;
        QtDialogWindow* dialog = dialogOf(static_cast<QWindow*>(receiver));
        if (dialog == nullptr) break;
        const auto& key = *static_cast<QKeyEvent*>(event);
        track(key, true);
        const bool consumed = pressToLogic(*dialog, key);
        answered_ = Answered{key.key(), key.modifiers(), consumed};
        if (consumed) {
            // Accepted: no shortcut takes the key, and the press that follows is dropped.
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // The window stage: each key is seen here once, whichever widget has the focus.
        if (!receiver->isWindowType()) break;
        const auto& key = *static_cast<QKeyEvent*>(event);
        const bool press = event->type() == QEvent::KeyPress;
        std::optional<Answered> answered;
        std::swap(answered, answered_);
        // Windows repeats only the press of a held key.
        if (!press && key.isAutoRepeat()) break;
        track(key, press);
        QtDialogWindow* dialog = dialogOf(static_cast<QWindow*>(receiver));
        if (dialog == nullptr) break;
        if (press) {
            if (answered && answered->key == key.key() && answered->modifiers == key.modifiers())
                return answered->consumed;
            return pressToLogic(*dialog, key);
        }
        const TranslatedKey t = translateKey(false, key.key(), heldWith(key, false), key.text());
        return t.key.code != 0 && toLogic(*dialog, t.key);
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        // Seen at every stage of the event's way, always with the same state.
        const auto& mouse = *static_cast<QMouseEvent*>(event);
        modifiers_ = mouse.modifiers();
        buttons_ = mouse.buttons();
        break;
    }
    case QEvent::ApplicationDeactivate:
        // Keys let go in another program are never reported here.
        pressed_.reset();
        modifiers_ = {};
        buttons_ = {};
        break;
    default:
        break;
    }
    return QObject::eventFilter(receiver, event);
}

} // namespace korvane::qt
