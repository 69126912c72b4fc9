#include "qt/DialogWidget.hpp"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace korvane::qt {

DialogWidget::DialogWidget(const platform::DialogTemplate& source, platform::DialogHandler& handler,
                           QtDialogWindow* owner, QtServices& services)
    : QDialog(owner != nullptr ? &owner->widget() : nullptr) {
    Qt::WindowFlags flags = windowFlags() & ~Qt::WindowContextHelpButtonHint;
    // A dialog of its own (not a tool window of another) can be minimised and maximised.
    if (owner == nullptr) flags |= Qt::WindowMinMaxButtonsHint;
    setWindowFlags(flags);
    setMouseTracking(true);
    window_ = std::make_unique<QtDialogWindow>(*this, source, handler, owner, services);
}

DialogWidget::~DialogWidget() {
    // The windows this one owns go first, as they do on Windows; then the logic hears that
    // this one goes, while its controls still exist.
    for (QDialog* child : findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        if (dynamic_cast<DialogWidget*>(child) != nullptr) delete child;
    window_->teardown();
    window_.reset();
}

void DialogWidget::reject() { window_->onCloseRequest(); }

void DialogWidget::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && modifiers == Qt::NoModifier) {
        window_->onEnter();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DialogWidget::closeEvent(QCloseEvent* event) {
    // Only the logic ends a dialog: the close box asks it with Cancel.
    event->ignore();
    window_->onCloseRequest();
}

void DialogWidget::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    window_->onResized();
}

void DialogWidget::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    window_->onMoved();
}

void DialogWidget::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        window_->onWindowStateChanged(static_cast<QWindowStateChangeEvent*>(event)->oldState());
}

void DialogWidget::contextMenuEvent(QContextMenuEvent* event) {
    window_->onContextMenu(event->globalPos());
}

void DialogWidget::mouseMoveEvent(QMouseEvent* event) {
    window_->onMouseMove(event->position().toPoint());
}

void DialogWidget::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) window_->onShown();
}

} // namespace korvane::qt
