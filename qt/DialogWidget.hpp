#pragma once
#include <QDialog>
#include <memory>

#include "qt/QtDialogWindow.hpp"

namespace korvane::qt {

// The Qt window of a dialog. It owns the QtDialogWindow that the logic drives, and passes the
// window's own events to it: the close box and Escape become the Cancel command, Enter the
// default command, resizing,
// moving, the context menu with the window-menu items, and the pointer over the dialog.
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

private:
    std::unique_ptr<QtDialogWindow> window_;
};

} // namespace korvane::qt
