#pragma once
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "qt/DialogWidget.hpp"
#include "qt/QtServices.hpp"
#include "resources/DialogTemplates.hpp"

namespace korvane::qt::test {

// A dialog of a real template, initialised by its handler, shown and active, as the user
// meets it; destroyed with the object.
class ShownDialog {
public:
    ShownDialog(QtServices& services, int templateId, platform::DialogHandler& handler,
                QtDialogWindow* owner = nullptr)
        : widget_(new DialogWidget(*resources::findDialogTemplate(templateId), handler, owner,
                                   services)) {
        widget_->window().initialise();
        widget_->show();
        widget_->activateWindow();
        (void)QTest::qWaitForWindowActive(widget_);
    }
    ~ShownDialog() { delete widget_.data(); }
    ShownDialog(const ShownDialog&) = delete;
    ShownDialog& operator=(const ShownDialog&) = delete;

    DialogWidget& widget() { return *widget_; }
    QtDialogWindow& window() { return widget_->window(); }
    QWindow* handle() { return widget_->windowHandle(); }
    bool alive() const { return !widget_.isNull(); }

    template <class W = QWidget> W* control(int id) {
        return dynamic_cast<W*>(widget_->window().controlWidget(id));
    }
    QPoint centre(int id) { return control(id)->rect().center(); }

private:
    QPointer<DialogWidget> widget_;
};

} // namespace korvane::qt::test
