#include "qt/QtDialogWindow.hpp"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

#include "qt/ControlFactory.hpp"
#include "qt/ControlWidgets.hpp"
#include "qt/DialogWidget.hpp"
#include "qt/PanelWidget.hpp"
#include "qt/QtServices.hpp"
#include "qt/RangeControl.hpp"
#include "qt/SurfaceImage.hpp"
#include "resources/Bitmaps.hpp"

namespace korvane::qt {

namespace {

using platform::ControlKind;
using platform::Notification;
namespace st = platform::style;

constexpr int kOk = 1;
constexpr int kCancel = 2;

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool isScrollBar(ControlKind kind) {
    return kind == ControlKind::HScrollBar || kind == ControlKind::VScrollBar;
}

} // namespace

// Watches the controls: their focus changes, and the moment before they paint, when their
// text colour is asked for. It is also the context of every connection to a control, so
// that none outlives the window's link to the logic.
class QtDialogWindow::ControlEvents final : public QObject {
public:
    explicit ControlEvents(QtDialogWindow& window) : window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (type != QEvent::Paint && type != QEvent::FocusIn && type != QEvent::FocusOut)
            return false;
        Control* control = window_.find(window_.controlOf(static_cast<QWidget*>(watched)));
        if (control == nullptr || control->widget != watched) return false;
        if (type == QEvent::Paint) {
            window_.refreshTextColour(*control);
        } else if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            // A menu or a list popping up leaves the focus where it was.
            window_.focusChanged(control->source->id, type == QEvent::FocusIn);
        }
        return false;
    }

private:
    QtDialogWindow& window_;
};

QtDialogWindow::QtDialogWindow(DialogWidget& widget, const platform::DialogTemplate& source,
                               platform::DialogHandler& handler, QtDialogWindow* owner,
                               QtServices& services)
    : widget_(widget), source_(source), handler_(&handler), owner_(owner), services_(services),
      font_(source, services.screenDpiY()), events_(std::make_unique<ControlEvents>(*this)) {
    widget_.setWindowTitle(toQString(source.title));
    widget_.setFont(font_.font());
    const QRect client = font_.toPixels(0, 0, source.cx, source.cy);
    widget_.resize(client.size());
    buildControls();
    services_.keys().add(*this);
}

QtDialogWindow::~QtDialogWindow() { teardown(); }

void QtDialogWindow::buildControls() {
    for (const auto& t : source_.controls) {
        QWidget* w = createControl(t, &widget_);
        w->setFont(font_.font());
        w->installEventFilter(events_.get());
        Control& c = controls_[t.id];
        c.source = &t;
        c.widget = w;
        c.font = font_.spec();
        place(c, font_.toPixels(t.x, t.y, t.cx, t.cy));
        if (t.kind == ControlKind::Panel && panel_ == nullptr) panel_ = static_cast<PanelWidget*>(w);
        if (t.kind == ControlKind::Icon) {
            const int side = std::min(w->width(), w->height());
            static_cast<QLabel*>(w)->setPixmap(QPixmap::fromImage(imageOf(resources::loadIcon(side)).copy()));
        }
        if (t.has(st::kDefault)) defaultId_ = t.id;
        connectControl(c);
    }
    groupRadioButtons();
    // Frames lie beneath what they frame.
    for (auto& [id, c] : controls_)
        if (c.source->kind == ControlKind::GroupBox) c.widget->lower();
}

void QtDialogWindow::groupRadioButtons() {
    // A group runs from a control with kGroup to the next one, as Windows' auto radio
    // buttons do; the buttons before the first kGroup form a group of their own.
    QButtonGroup* group = nullptr;
    for (const auto& t : source_.controls) {
        if (t.has(st::kGroup)) group = nullptr;
        if (t.kind != ControlKind::RadioButton) continue;
        if (group == nullptr) {
            group = new QButtonGroup(&widget_);
            group->setExclusive(true);
            radioGroups_.push_back(group);
        }
        group->addButton(static_cast<QAbstractButton*>(controls_[t.id].widget));
    }
}

void QtDialogWindow::connectControl(Control& c) {
    const int id = c.source->id;
    QObject* context = events_.get();
    QWidget* w = c.widget;
    if (auto* button = dynamic_cast<DialogButton*>(w))
        button->setFaceSource([this, id] {
            return handler_ != nullptr ? handler_->ownerDrawFace(id) : platform::OwnerDrawFace{};
        });
    if (auto* button = dynamic_cast<QAbstractButton*>(w)) {
        QObject::connect(button, &QAbstractButton::clicked, context,
                         [this, id] { command(id, Notification::Clicked); });
    } else if (auto* label = dynamic_cast<DialogLabel*>(w)) {
        if (c.source->has(st::kNotify))
            label->setClickHandler([this, id] { command(id, Notification::Clicked); });
    } else if (auto* line = dynamic_cast<QLineEdit*>(w)) {
        QObject::connect(line, &QLineEdit::textEdited, context,
                         [this, id] { command(id, Notification::Change); });
    } else if (auto* box = dynamic_cast<QPlainTextEdit*>(w)) {
        QObject::connect(box, &QPlainTextEdit::textChanged, context,
                         [this, id] { command(id, Notification::Change); });
    } else if (auto* combo = dynamic_cast<QComboBox*>(w)) {
        QObject::connect(combo, &QComboBox::currentIndexChanged, context,
                         [this, id] { command(id, Notification::SelectionChange); });
    } else if (auto* slider = dynamic_cast<RangeControl<QSlider>*>(w)) {
        const auto* source = c.source;
        slider->setNotify([this, source](auto code, int at) { scrolled(*source, code, at); });
    } else if (auto* bar = dynamic_cast<RangeControl<QScrollBar>*>(w)) {
        const auto* source = c.source;
        bar->setNotify([this, source](auto code, int at) { scrolled(*source, code, at); });
    } else if (auto* panel = dynamic_cast<PanelWidget*>(w)) {
        panel->setCallbacks({
            [this](const platform::MouseEvent& e) {
                if (handler_ != nullptr) handler_->onPanelMouse(e);
            },
            [this](QPoint at) { onMouseMove(at); },
            [this] {
                if (handler_ != nullptr && initialised_) handler_->onPanelPaint();
            },
        });
    }
}

void QtDialogWindow::place(Control& c, const QRect& rect) {
    QRect r = rect;
    // A combo box's template height includes its drop-down list; closed it is as high as
    // its font makes it.
    if (c.source->kind == ControlKind::ComboBox) r.setHeight(c.widget->sizeHint().height());
    c.widget->setGeometry(r);
}

QtDialogWindow::Control* QtDialogWindow::find(int id) {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

const QtDialogWindow::Control* QtDialogWindow::find(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

QWidget* QtDialogWindow::controlWidget(int id) const {
    const Control* c = find(id);
    return c != nullptr ? c->widget : nullptr;
}

int QtDialogWindow::controlOf(const QWidget* widget) const {
    for (const QWidget* w = widget; w != nullptr && w != &widget_; w = w->parentWidget()) {
        if (w->parentWidget() != &widget_) continue;
        for (const auto& [id, c] : controls_)
            if (c.widget == w) return id;
        return 0;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Into the logic

void QtDialogWindow::command(int id, Notification code) {
    if (handler_ != nullptr && initialised_) handler_->onCommand(id, code);
}

void QtDialogWindow::scrolled(const platform::ControlTemplate& source, platform::ScrollCode code,
                              int position) {
    if (handler_ == nullptr || !initialised_) return;
    if (source.kind == ControlKind::VScrollBar) handler_->onVScroll(source.id, code, position);
    else handler_->onHScroll(source.id, code, position);
}

void QtDialogWindow::focusChanged(int id, bool gained) {
    if (gained) heldFocus_ = 0;
    const Control* c = find(id);
    if (c != nullptr && c->source->kind == ControlKind::Edit)
        command(id, gained ? Notification::SetFocus : Notification::KillFocus);
}

void QtDialogWindow::refreshTextColour(Control& c) {
    if (handler_ == nullptr || !initialised_) return;
    const auto colour = handler_->controlTextColour(c.source->id);
    if (colour == c.textColour) return;
    c.textColour = colour;
    if (!colour) {
        c.widget->setPalette(QPalette());
        return;
    }
    // The logic decides the colour of a disabled control too: one colour for every state.
    QPalette palette = c.widget->palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, toQColor(*colour));
    c.widget->setPalette(palette);
}

void QtDialogWindow::initialise() {
    if (initialised_ || handler_ == nullptr) return;
    initialised_ = true;
    handler_->onInitDialog(*this);
}

int QtDialogWindow::runModal() {
    if (!ended_) {
        const int shown = widget_.exec();
        if (!ended_) result_ = shown;
    }
    return result_;
}

void QtDialogWindow::showModeless() {
    modeless_ = true;
    if (ended_) widget_.deleteLater();
    else widget_.show();
}

void QtDialogWindow::onCloseRequest() { command(kCancel, Notification::Clicked); }

void QtDialogWindow::onEnter() {
    // As Windows' dialog manager does: a focused push button is the default while it has the
    // focus; else the default id is the command, whatever control it names, unless that
    // control is disabled; with no default id the command is OK.
    const Control* focused = find(focus());
    if (auto* button = focused != nullptr ? dynamic_cast<DialogButton*>(focused->widget) : nullptr;
        button != nullptr && !button->isCheckable()) {
        button->click();
        return;
    }
    if (defaultId_ == 0) {
        command(kOk, Notification::Clicked);
        return;
    }
    const Control* target = find(defaultId_);
    if (target == nullptr || target->widget->isEnabledTo(&widget_)) command(defaultId_, Notification::Clicked);
}

void QtDialogWindow::onResized() {
    if (handler_ == nullptr || !initialised_) return;
    if (widget_.isMinimized()) {
        handler_->onSize(platform::SizeKind::Minimised, {0, 0});
        return;
    }
    const auto kind = widget_.isMaximized() ? platform::SizeKind::Maximised : platform::SizeKind::Restored;
    handler_->onSize(kind, clientSize());
}

void QtDialogWindow::onMoved() {
    if (handler_ != nullptr && initialised_) handler_->onMove();
}

void QtDialogWindow::onWindowStateChanged(Qt::WindowStates previous) {
    // Minimising and restoring change no size, so Qt sends no resize for them.
    const bool was = previous.testFlag(Qt::WindowMinimized);
    if (was != widget_.isMinimized()) onResized();
}

void QtDialogWindow::onContextMenu(QPoint global) {
    if (systemMenu_.empty() || handler_ == nullptr) return;
    QMenu menu(&widget_);
    for (const auto& [command, text] : systemMenu_) menu.addAction(toQString(text))->setData(command);
    const QAction* chosen = menu.exec(global);
    if (chosen != nullptr && handler_ != nullptr) handler_->onSystemCommand(chosen->data().toInt());
}

void QtDialogWindow::onMouseMove(QPoint at) {
    if (handler_ != nullptr && initialised_) handler_->onDialogMouseMove({at.x(), at.y()});
}

void QtDialogWindow::onShown() { services_.dialogShown(*this); }

void QtDialogWindow::teardown() {
    if (handler_ == nullptr) return;
    services_.keys().remove(*this);
    // Child widgets outlive this object: none of them may call into it from here on.
    for (auto& [id, c] : controls_) {
        if (auto* button = dynamic_cast<DialogButton*>(c.widget)) button->setFaceSource({});
        if (auto* label = dynamic_cast<DialogLabel*>(c.widget)) label->setClickHandler({});
        if (auto* slider = dynamic_cast<RangeControl<QSlider>*>(c.widget)) slider->setNotify({});
        if (auto* bar = dynamic_cast<RangeControl<QScrollBar>*>(c.widget)) bar->setNotify({});
    }
    if (panel_ != nullptr) panel_->detach();
    events_.reset();
    platform::DialogHandler* handler = handler_;
    handler_ = nullptr;
    handler->onDestroy();
}

// ---------------------------------------------------------------------------------------------
// DialogWindow: texts and states

void QtDialogWindow::setTitle(std::string_view title) { widget_.setWindowTitle(toQString(title)); }
std::string QtDialogWindow::title() const { return widget_.windowTitle().toStdString(); }

void QtDialogWindow::setText(int id, std::string_view text) {
    Control* c = find(id);
    if (c == nullptr) return;
    const QSignalBlocker quiet(c->widget);
    const QString t = toQString(text);
    if (auto* button = dynamic_cast<QAbstractButton*>(c->widget)) button->setText(t);
    else if (auto* line = dynamic_cast<QLineEdit*>(c->widget)) line->setText(t);
    else if (auto* box = dynamic_cast<QPlainTextEdit*>(c->widget)) box->setPlainText(t);
    else if (auto* label = dynamic_cast<QLabel*>(c->widget)) label->setText(t);
    else if (auto* group = dynamic_cast<QGroupBox*>(c->widget)) group->setTitle(t);
    else if (auto* combo = dynamic_cast<QComboBox*>(c->widget)) combo->setCurrentIndex(combo->findText(t));
}

std::string QtDialogWindow::text(int id) const {
    const Control* c = find(id);
    if (c == nullptr) return {};
    QString t;
    if (auto* button = dynamic_cast<QAbstractButton*>(c->widget)) t = button->text();
    else if (auto* line = dynamic_cast<QLineEdit*>(c->widget)) t = line->text();
    else if (auto* box = dynamic_cast<QPlainTextEdit*>(c->widget)) t = box->toPlainText();
    else if (auto* label = dynamic_cast<QLabel*>(c->widget)) t = label->text();
    else if (auto* group = dynamic_cast<QGroupBox*>(c->widget)) t = group->title();
    else if (auto* combo = dynamic_cast<QComboBox*>(c->widget)) t = combo->currentText();
    return t.toStdString();
}

void QtDialogWindow::setTextLimit(int id, int characters) {
    Control* c = find(id);
    if (c == nullptr) return;
    // 32767 is both Qt's default and the most a Windows edit takes without a limit.
    if (auto* line = dynamic_cast<QLineEdit*>(c->widget)) line->setMaxLength(characters > 0 ? characters : 32767);
}

void QtDialogWindow::selectAllText(int id) {
    Control* c = find(id);
    if (c == nullptr) return;
    if (auto* line = dynamic_cast<QLineEdit*>(c->widget)) line->selectAll();
    else if (auto* box = dynamic_cast<QPlainTextEdit*>(c->widget)) box->selectAll();
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
// DialogWindow: ranges and lists

void QtDialogWindow::setRangeState(int id, const platform::RangeState& state) {
    Control* c = find(id);
    auto* slider = c != nullptr ? dynamic_cast<QAbstractSlider*>(c->widget) : nullptr;
    if (slider == nullptr) return;
    const QSignalBlocker quiet(slider);
    c->range = state;
    const int page = std::max(state.page, 1);
    // A Windows scroll bar's range covers the document; its thumb stops a page short of
    // the end. A trackbar's range is its positions.
    const int last = isScrollBar(c->source->kind) ? std::max(state.minimum, state.maximum - page + 1)
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
    if (slider == nullptr) return {};
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
    for (const auto& item : items) combo->addItem(QString::fromStdString(item));
    combo->setCurrentIndex(-1);
}

std::vector<std::string> QtDialogWindow::items(int id) const {
    const Control* c = find(id);
    const auto* combo = c != nullptr ? dynamic_cast<const QComboBox*>(c->widget) : nullptr;
    std::vector<std::string> out;
    if (combo == nullptr) return out;
    for (int i = 0; i < combo->count(); ++i) out.push_back(combo->itemText(i).toStdString());
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
// DialogWindow: looks

void QtDialogWindow::setFont(int id, const platform::FontSpec& font) {
    Control* c = find(id);
    if (c == nullptr) return;
    // Kept as given: the logic reads a font back to work out the next size step.
    c->font = font;
    c->widget->setFont(toQFont(font));
}

platform::FontSpec QtDialogWindow::font(int id) const {
    const Control* c = find(id);
    return c != nullptr ? c->font : font_.spec();
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
    if (now) w->repaint();
    else w->update();
}

// ---------------------------------------------------------------------------------------------
// DialogWindow: geometry, panel, window

platform::Rect QtDialogWindow::controlRect(int id) const {
    const Control* c = find(id);
    if (c == nullptr) return {};
    const QRect g = c->widget->geometry();
    return {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void QtDialogWindow::moveControl(int id, const platform::Rect& rect) {
    if (Control* c = find(id)) place(*c, QRect(rect.left, rect.top, rect.width(), rect.height()));
}

platform::Size QtDialogWindow::clientSize() const { return {widget_.width(), widget_.height()}; }

platform::WindowPlacement QtDialogWindow::placement() const {
    platform::WindowPlacement p;
    p.minimised = widget_.isMinimized();
    p.maximised = widget_.isMaximized();
    const QRect frame = widget_.frameGeometry();
    const QRect client = widget_.geometry();
    QRect normal = client;
    if ((p.minimised || p.maximised) && !widget_.normalGeometry().isEmpty()) normal = widget_.normalGeometry();
    // The frame's margins around the client area, from where the window stands now.
    normal.adjust(frame.left() - client.left(), frame.top() - client.top(),
                  frame.right() - client.right(), frame.bottom() - client.bottom());
    p.normal = {normal.left(), normal.top(), normal.left() + normal.width(), normal.top() + normal.height()};
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

void QtDialogWindow::endDialog(int result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    if (widget_.isVisible()) widget_.done(result);
    if (modeless_) widget_.deleteLater();
}

} // namespace korvane::qt
