#pragma once
#include <QObject>
#include <bitset>
#include <optional>
#include <vector>

#include "platform/Dialog.hpp"

class QKeyEvent;
class QWindow;

namespace korvane::qt {

class QtDialogWindow;

// The pre-translation hook: an application-wide event filter that hands every key to the
// dialog logic before the focused control sees it. It acts once per key, where the key
// reaches the dialog's window: on the shortcut check that precedes a press (so the logic
// comes before mnemonics too), else on the press itself, and on the release. The dialog of
// the window is asked first, then its owners in turn, as a main dialog hears the keys of
// its tool windows; the first that consumes the key ends it.
//
// It also keeps the key state: the keys pressed and not yet released, and the modifiers and
// mouse buttons of the latest input event (the live keyboard state of the window system is
// not reliable at the moment an event is handled).
class KeyRouter final : public QObject {
public:
    KeyRouter();
    ~KeyRouter() override;

    void add(QtDialogWindow& dialog);
    void remove(QtDialogWindow& dialog);
    QtDialogWindow* dialogOf(const QWindow* window) const;
    const std::vector<QtDialogWindow*>& dialogs() const { return dialogs_; }

    bool isKeyDown(int virtualKey) const;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    // The modifiers held as a key event is handled, with the modifier key itself.
    static Qt::KeyboardModifiers heldWith(const QKeyEvent& key, bool press);
    void track(const QKeyEvent& key, bool press);
    // Both messages of a press, the key and its character; true when the logic consumed it.
    bool pressToLogic(QtDialogWindow& dialog, const QKeyEvent& key);
    bool toLogic(QtDialogWindow& dialog, const platform::KeyMessage& message);

    std::vector<QtDialogWindow*> dialogs_;
    std::bitset<256> pressed_;
    Qt::KeyboardModifiers modifiers_;
    Qt::MouseButtons buttons_;

    // The press the shortcut check has already handed to the logic, and what it said.
    struct Answered {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool consumed;
    };
    std::optional<Answered> answered_;
};

} // namespace korvane::qt
