#pragma once
#include <QDialog>
#include <memory>

#include "qt/QtDialogWindow.hpp"

namespace korvane::qt {

// The Qt window of a dialog. It owns the QtDialogWindow that the logic drives, and passes the
// window's own events to it: the close box and Escape become the Cancel command, Enter the
// default command, resizing,
// moving, the context menu with the window-menu items, the pointer over the dialog, and
// files dropped on it from a file manager (where the logic takes them).
class DialogWidget final : public QDialog {
public:
    DialogWidget(const platform::DialogTemplate& source, platform::DialogHandler& handler,
                 QtDialogWindow* owner, QtServices& services);
    ~DialogWidget() override;

    QtDialogWindow& window() { return *window_; }

    // Escape: the logic decides, as for the Cancel button.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Controls that take drops of their own (the edits take text) hand a dragged file to
    // the window, so a file dropped anywhere on it is treated alike.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Accepts a drag or drop that carries a local file; false when it carries none.
    bool takeFile(QDropEvent* event, bool drop);

    std::unique_ptr<QtDialogWindow> window_;
};

} // namespace korvane::qt
