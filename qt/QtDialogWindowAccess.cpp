// The DialogWindow interface of QtDialogWindow: what the logic sets and reads, control by
// control. Every write is silent: the control's signals are blocked while it changes.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

#include "qt/ControlWidgets.hpp"
#include "qt/DialogWidget.hpp"
#include "qt/PanelWidget.hpp"
#include "qt/QtDialogWindow.hpp"
#include "qt/SurfaceImage.hpp"
#include "qt/Text.hpp"

namespace korvane::qt {

namespace {

using platform::ControlKind;

bool isScrollBar(ControlKind kind) {
    return kind == ControlKind::HScrollBar || kind == ControlKind::VScrollBar;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Texts and states

void QtDialogWindow::setTitle(std::string_view title) {
    widget_.setWindowTitle(toQString(title));
}
std::string QtDialogWindow::title() const {
    return widget_.windowTitle().toStdString();
}

void QtDialogWindow::setText(int id, std::string_view text) {
    Control* c = find(id);
    if (c == nullptr) return;
    const QSignalBlocker quiet(c->widget);
    const QString t = toQString(text);
    if (auto* button = dynamic_cast<QAbstractButton*>(c->widget))
        button->setText(t);
    else if (auto* line = dynamic_cast<QLineEdit*>(c->widget))
        line->setText(t);
    else if (auto* box = dynamic_cast<QPlainTextEdit*>(c->widget))
        box->setPlainText(t);
    else if (auto* label = dynamic_cast<QLabel*>(c->widget))
        label->setText(t);
    else if (auto* group = dynamic_cast<QGroupBox*>(c->widget))
        group->setTitle(t);
    else if (auto* combo = dynamic_cast<QComboBox*>(c->widget))
        combo->setCurrentIndex(combo->findText(t));
}

std::string QtDialogWindow::text(int id) const {
    const Control* c = find(id);
    if (c == nullptr) return {};
    QString t;
    if (auto* button = dynamic_cast<QAbstractButton*>(c->widget))
        t = button->text();
    else if (auto* line = dynamic_cast<QLineEdit*>(c->widget))
        t = line->text();
    else if (auto* box = dynamic_cast<QPlainTextEdit*>(c->widget))
        t = box->toPlainText();
    else if (auto* label = dynamic_cast<QLabel*>(c->widget))
        t = label->text();
    else if (auto* group = dynamic_cast<QGroupBox*>(c->widget))
        t = group->title();
    else if (auto* combo = dynamic_cast<QComboBox*>(c->widget))
        t = combo->currentText();
    return t.toStdString();
}

void QtDialogWindow::setTextLimit(int id, int characters) {
    Control* c = find(id);
    if (c == nullptr) return;
    // 32767 is both Qt's default and the most a Windows edit takes without a limit.
    if (auto* line = dynamic_cast<QLineEdit*>(c->widget))
        line->setMaxLength(characters > 0 ? characters : 32767);
}

void QtDialogWindow::selectAllText(int id) {
    Control* c = find(id);
    if (c == nullptr) return;
    if (auto* line = dynamic_cast<QLineEdit*>(c->widget))
        line->selectAll();
    else if (auto* box = dynamic_cast<QPlainTextEdit*>(c->widget))
        box->selectAll();
}

void QtDialogWindow::setChecked(int id, bool checked) {
    Control* c = find(id);
    auto* button = c != nullptr ? dynamic_cast<QAbstractButton*>(c->widget) : nullptr;
    if (button == nullptr) return;
    const QSignalBlocker quiet(button);
    QButtonGroup* group = button->group();
    if (!checked && group != nullptr && group->exclusive()) {
        // An exclusive group keeps one button checked; the logic may clear them all.
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
    } else {
        button->setChecked(checked);
    }
}

bool QtDialogWindow::isChecked(int id) const {
    const Control* c = find(id);
    const auto* button = c != nullptr ? dynamic_cast<const QAbstractButton*>(c->widget) : nullptr;
    return button != nullptr && button->isChecked();
}

void QtDialogWindow::setEnabled(int id, bool enabled) {
    if (Control* c = find(id)) c->widget->setEnabled(enabled);
}

bool QtDialogWindow::isEnabled(int id) const {
    const Control* c = find(id);
    return c != nullptr && c->widget->isEnabledTo(&widget_);
}

void QtDialogWindow::setVisible(int id, bool visible) {
    if (Control* c = find(id)) c->widget->setVisible(visible);
}

bool QtDialogWindow::isVisible(int id) const {
    const Control* c = find(id);
    return c != nullptr && c->widget->isVisibleTo(&widget_);
}

void QtDialogWindow::setFocus(int id) {
    Control* c = find(id);
    if (c != nullptr && c->widget->isVisibleTo(&widget_) && c->widget->isEnabledTo(&widget_)) {
        heldFocus_ = 0;
        c->widget->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Windows lets a hidden control hold the focus, Qt does not: the dialog holds it then,
    // and keys reach the logic as they would through that control.
    heldFocus_ = c != nullptr ? id : 0;
    widget_.setFocus(Qt::OtherFocusReason);
}

int QtDialogWindow::focus() const {
    const QWidget* focused = widget_.focusWidget();
    if (focused == nullptr || focused == &widget_) return heldFocus_;
    return controlOf(focused);
}

void QtDialogWindow::setDefaultControl(int id) {
    defaultId_ = id;
    for (auto& [cid, c] : controls_)
        if (auto* button = dynamic_cast<DialogButton*>(c.widget)) button->setDefault(cid == id);
}

// ---------------------------------------------------------------------------------------------
// Ranges and lists

void QtDialogWindow::setRangeState(int id, const platform::RangeState& state) {
    Control* c = find(id);
    auto* slider = c != nullptr ? dynamic_cast<QAbstractSlider*>(c->widget) : nullptr;
    // An up-down control only keeps its range: its arrows report steps, not positions.
    if (c != nullptr && slider == nullptr) c->range = state;
    if (slider == nullptr) return;
    const QSignalBlocker quiet(slider);
    c->range = state;
    const int page = std::max(state.page, 1);
    // A Windows scroll bar's range covers the document; its thumb stops a page short of
    // the end. A trackbar's range is its positions.
    const int last = isScrollBar(c->source->kind)
                         ? std::max(state.minimum, state.maximum - page + 1)
                         : state.maximum;
    slider->setRange(state.minimum, last);
    slider->setPageStep(page);
    slider->setSingleStep(std::max(state.line, 1));
    slider->setValue(state.position);
    if (auto* trackbar = dynamic_cast<QSlider*>(slider)) {
        trackbar->setTickInterval(state.tickFrequency);
        trackbar->setTickPosition(state.tickFrequency > 0 ? QSlider::TicksBelow : QSlider::NoTicks);
    }
}

platform::RangeState QtDialogWindow::rangeState(int id) const {
    const Control* c = find(id);
    const auto* slider = c != nullptr ? dynamic_cast<const QAbstractSlider*>(c->widget) : nullptr;
    if (slider == nullptr) return c != nullptr ? c->range : platform::RangeState{};
    platform::RangeState state = c->range;
    state.position = slider->value();
    return state;
}

void QtDialogWindow::setPosition(int id, int position) {
    Control* c = find(id);
    auto* slider = c != nullptr ? dynamic_cast<QAbstractSlider*>(c->widget) : nullptr;
    if (slider == nullptr) return;
    const QSignalBlocker quiet(slider);
    slider->setValue(position);
}

void QtDialogWindow::setItems(int id, const std::vector<std::string>& items) {
    Control* c = find(id);
    auto* combo = c != nullptr ? dynamic_cast<QComboBox*>(c->widget) : nullptr;
    if (combo == nullptr) return;
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (const auto& item : items)
        combo->addItem(QString::fromStdString(item));
    combo->setCurrentIndex(-1);
}

std::vector<std::string> QtDialogWindow::items(int id) const {
    const Control* c = find(id);
    const auto* combo = c != nullptr ? dynamic_cast<const QComboBox*>(c->widget) : nullptr;
    std::vector<std::string> out;
    if (combo == nullptr) return out;
    for (int i = 0; i < combo->count(); ++i)
        out.push_back(combo->itemText(i).toStdString());
    return out;
}

void QtDialogWindow::setSelection(int id, int index) {
    Control* c = find(id);
    auto* combo = c != nullptr ? dynamic_cast<QComboBox*>(c->widget) : nullptr;
    if (combo == nullptr) return;
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int QtDialogWindow::selection(int id) const {
    const Control* c = find(id);
    const auto* combo = c != nullptr ? dynamic_cast<const QComboBox*>(c->widget) : nullptr;
    return combo != nullptr ? combo->currentIndex() : -1;
}

// ---------------------------------------------------------------------------------------------
// Looks

void QtDialogWindow::setFont(int id, const platform::FontDescription& font) {
    Control* c = find(id);
    if (c == nullptr) return;
    // Kept as given: the logic reads a font back to work out the next size step.
    c->font = font;
    c->widget->setFont(toQFont(font));
}

platform::FontDescription QtDialogWindow::font(int id) const {
    const Control* c = find(id);
    return c != nullptr ? c->font : font_.requested();
}

void QtDialogWindow::setOwnerDrawn(int id, bool ownerDrawn) {
    Control* c = find(id);
    if (auto* button = c != nullptr ? dynamic_cast<DialogButton*>(c->widget) : nullptr)
        button->setOwnerDrawn(ownerDrawn);
}

bool QtDialogWindow::isOwnerDrawn(int id) const {
    const Control* c = find(id);
    const auto* button = c != nullptr ? dynamic_cast<const DialogButton*>(c->widget) : nullptr;
    return button != nullptr && button->isOwnerDrawn();
}

void QtDialogWindow::setBitmap(int id, const platform::Surface& bitmap) {
    Control* c = find(id);
    if (c == nullptr) return;
    // A copy: the logic's Surface may go once the call returns.
    const QPixmap picture = QPixmap::fromImage(imageOf(bitmap).copy());
    if (auto* button = dynamic_cast<QAbstractButton*>(c->widget)) {
        button->setIcon(QIcon(picture));
        button->setIconSize(picture.size());
    } else if (auto* label = dynamic_cast<QLabel*>(c->widget)) {
        label->setPixmap(picture);
    }
}

void QtDialogWindow::redraw(int id, bool now) {
    Control* c = find(id);
    QWidget* w = c != nullptr ? c->widget : &widget_;
    // At once means before returning: the logic is busy and the event loop will not run.
    if (now)
        w->repaint();
    else
        w->update();
}

// ---------------------------------------------------------------------------------------------
// Geometry, panel, window

platform::Rect QtDialogWindow::controlRect(int id) const {
    const Control* c = find(id);
    if (c == nullptr) return {};
    const QRect g = c->widget->geometry();
    return {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void QtDialogWindow::moveControl(int id, const platform::Rect& rect) {
    if (Control* c = find(id)) place(*c, QRect(rect.left, rect.top, rect.width(), rect.height()));
}

platform::Size QtDialogWindow::clientSize() const {
    return {widget_.width(), widget_.height()};
}

platform::WindowPlacement QtDialogWindow::placement() const {
    platform::WindowPlacement p;
    p.minimised = widget_.isMinimized();
    p.maximised = widget_.isMaximized();
    const QRect frame = widget_.frameGeometry();
    const QRect client = widget_.geometry();
    QRect normal = client;
    if ((p.minimised || p.maximised) && !widget_.normalGeometry().isEmpty())
        normal = widget_.normalGeometry();
    // The frame's margins around the client area, from where the window stands now.
    normal.adjust(frame.left() - client.left(), frame.top() - client.top(),
                  frame.right() - client.right(), frame.bottom() - client.bottom());
    p.normal = {normal.left(), normal.top(), normal.left() + normal.width(),
                normal.top() + normal.height()};
    return p;
}

void QtDialogWindow::setPlacement(const platform::WindowPlacement& p) {
    const QRect frame = widget_.frameGeometry();
    const QRect client = widget_.geometry();
    const int left = client.left() - frame.left();
    const int top = client.top() - frame.top();
    const int right = frame.right() - client.right();
    const int bottom = frame.bottom() - client.bottom();
    const QRect wanted(p.normal.left + left, p.normal.top + top, p.normal.width() - left - right,
                       p.normal.height() - top - bottom);
    if (widget_.isVisible()) {
        if (p.minimised) {
            widget_.showMinimized();
            return;
        }
        if (p.maximised) {
            widget_.showMaximized();
            return;
        }
        if (widget_.isMinimized() || widget_.isMaximized()) widget_.showNormal();
    }
    widget_.setGeometry(wanted);
}

platform::Surface& QtDialogWindow::panelSurface() {
    return panel_ != nullptr ? panel_->surface() : noPanel_;
}

void QtDialogWindow::updatePanel() {
    if (panel_ != nullptr) panel_->update();
}

void QtDialogWindow::addSystemMenuItem(int command, std::string_view text) {
    systemMenu_.emplace_back(command, std::string(text));
}

void QtDialogWindow::bringToFront() {
    if (widget_.isMinimized()) widget_.showNormal();
    widget_.show();
    widget_.raise();
    widget_.activateWindow();
}

void QtDialogWindow::endDialog(int result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    if (widget_.isVisible()) widget_.done(result);
    if (modeless_) widget_.deleteLater();
}

} // namespace korvane::qt
