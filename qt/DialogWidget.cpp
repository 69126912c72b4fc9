#include "qt/DialogWidget.hpp"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace korvane::qt {

namespace {

// The first local file among the dragged data's URLs, or an empty text.
QString draggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

} // namespace

DialogWidget::DialogWidget(const platform::DialogTemplate& source, platform::DialogHandler& handler,
                           QtDialogWindow* owner, QtServices& services)
    : QDialog(owner != nullptr ? &owner->widget() : nullptr) {
    Qt::WindowFlags flags = windowFlags() & ~Qt::WindowContextHelpButtonHint;
    // A dialog of its own (not a tool window of another) can be minimised and maximised.
    if (owner == nullptr) flags |= Qt::WindowMinMaxButtonsHint;
    setWindowFlags(flags);
    setMouseTracking(true);
    window_ = std::make_unique<QtDialogWindow>(*this, source, handler, owner, services);
    if (window_->acceptsFileDrops()) {
        setAcceptDrops(true);
        for (QWidget* child : findChildren<QWidget*>())
            if (child->acceptDrops()) child->installEventFilter(this);
    }
}

DialogWidget::~DialogWidget() {
    // The windows this one owns go first, as they do on Windows; then the logic hears that
    // this one goes, while its controls still exist.
    for (QDialog* child : findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        if (dynamic_cast<DialogWidget*>(child) != nullptr) delete child;
    window_->teardown();
    window_.reset();
}

void DialogWidget::reject() {
    window_->onCloseRequest();
}

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

bool DialogWidget::takeFile(QDropEvent* event, bool drop) {
    const QString file = draggedFile(event->mimeData());
    if (file.isEmpty() || !window_->acceptsFileDrops()) return false;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (drop) {
        activateWindow();
        window_->onFileDropped(QFile::encodeName(file).toStdString());
    }
    return true;
}

void DialogWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (!takeFile(event, false)) QDialog::dragEnterEvent(event);
}

void DialogWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (!takeFile(event, false)) QDialog::dragMoveEvent(event);
}

void DialogWidget::dropEvent(QDropEvent* event) {
    if (!takeFile(event, true)) QDialog::dropEvent(event);
}

bool DialogWidget::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (takeFile(static_cast<QDropEvent*>(event), false)) return true;
        break;
    case QEvent::Drop:
        if (takeFile(static_cast<QDropEvent*>(event), true)) return true;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace korvane::qt
