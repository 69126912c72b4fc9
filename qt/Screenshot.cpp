#include "qt/Screenshot.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "qt/DialogWidget.hpp"
#include "qt/QtServices.hpp"
#include "resources/ControlIds.hpp"

namespace korvane::qt {

namespace {

// Time for the panel's first picture and the window's first paint after it is shown.
constexpr int kSettleMilliseconds = 200;

// The key of the main dialog that opens a tool window, or 0.
int openingKey(int templateId) {
    switch (templateId) {
    case ids::kWhiteBalanceDialog:
        return Qt::Key_W;
    case ids::kNoiseDialog:
        return Qt::Key_N;
    default:
        return 0;
    }
}

// Presses and releases Ctrl+Alt+key in a window, as the keyboard does.
void pressInWindow(QtDialogWindow& dialog, int key) {
    QWindow* window = dialog.widget().windowHandle();
    if (window == nullptr) return;
    const Qt::KeyboardModifiers held = Qt::ControlModifier | Qt::AltModifier;
    QKeyEvent press(QEvent::KeyPress, key, held);
    QCoreApplication::sendEvent(window, &press);
    QKeyEvent release(QEvent::KeyRelease, key, held);
    QCoreApplication::sendEvent(window, &release);
}

} // namespace

Screenshot::Screenshot(QtServices& services, int templateId, QString path)
    : path_(std::move(path)) {
    services.messageSink = [](QWidget*, const FormattedMessage& message) {
        std::fprintf(stderr, "%s: %s\n", message.caption.c_str(), message.text.c_str());
    };
    services.onDialogShown = [this, templateId](QtDialogWindow& dialog) {
        if (taken_) return;
        const int shown = dialog.dialogTemplate().id;
        if (shown != templateId) {
            const int key = openingKey(templateId);
            if (shown == ids::kMainDialog && key != 0)
                QTimer::singleShot(kSettleMilliseconds, &dialog.widget(),
                                   [&dialog, key] { pressInWindow(dialog, key); });
            return;
        }
        taken_ = true;
        QTimer::singleShot(kSettleMilliseconds, &dialog.widget(), [this, &dialog] {
            QCoreApplication::processEvents();
            saved_ = dialog.widget().grab().save(path_, "PNG");
            if (!saved_) std::fprintf(stderr, "korvane: cannot write %s\n", qPrintable(path_));
            // Closing the main dialog ends its tool windows with it.
            QtDialogWindow* top = &dialog;
            while (top->owner() != nullptr)
                top = top->owner();
            top->onCloseRequest();
            if (!top->ended()) top->endDialog(2);
        });
    };
}

} // namespace korvane::qt
