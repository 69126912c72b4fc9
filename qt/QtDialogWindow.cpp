#include "qt/QtDialogWindow.hpp"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSlider>
#include <algorithm>

#include "qt/ControlFactory.hpp"
#include "qt/ControlWidgets.hpp"
#include "qt/DialogWidget.hpp"
#include "qt/PanelWidget.hpp"
#include "qt/QtServices.hpp"
#include "qt/RangeControl.hpp"
#include "qt/SurfaceImage.hpp"
#include "qt/Text.hpp"
#include "resources/Bitmaps.hpp"

namespace korvane::qt {

namespace {

using platform::ControlKind;
using platform::Notification;
namespace st = platform::style;

constexpr int kOk = 1;
constexpr int kCancel = 2;

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

QtDialogWindow::~QtDialogWindow() {
    teardown();
}

void QtDialogWindow::buildControls() {
    for (const auto& t : source_.controls) {
        QWidget* w = createControl(t, &widget_);
        w->setFont(font_.font());
        w->installEventFilter(events_.get());
        Control& c = controls_[t.id];
        c.source = &t;
        c.widget = w;
        c.font = font_.requested();
        place(c, font_.toPixels(t.x, t.y, t.cx, t.cy));
        if (t.kind == ControlKind::Panel && panel_ == nullptr)
            panel_ = static_cast<PanelWidget*>(w);
        if (t.kind == ControlKind::Icon) {
            const int side = std::min(w->width(), w->height());
            static_cast<QLabel*>(w)->setPixmap(
                QPixmap::fromImage(imageOf(resources::loadIcon(side)).copy()));
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
    } else if (auto* arrows = dynamic_cast<SpinArrows*>(w)) {
        arrows->setStepHandler([this, id](int step) {
            if (handler_ != nullptr && initialised_) handler_->onSpin(id, step);
        });
    } else if (auto* panel = dynamic_cast<PanelWidget*>(w)) {
        panel->setCallbacks({
            [this](const platform::MouseEvent& e) {
                if (handler_ != nullptr) handler_->onPanelMouse(e);
            },
            [this](QPoint at) { onMouseMove(at); },
            [this] {
                if (handler_ != nullptr && initialised_) handler_->onPanelPaint();
            },
            [this](const platform::WheelEvent& e) {
                if (handler_ != nullptr && initialised_) handler_->onPanelWheel(e);
            },
            [this](platform::Point at) {
                return handler_ != nullptr && initialised_ ? handler_->panelToolTip(at)
                                                           : std::string();
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
    if (source.kind == ControlKind::VScrollBar)
        handler_->onVScroll(source.id, code, position);
    else
        handler_->onHScroll(source.id, code, position);
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
    if (ended_)
        widget_.deleteLater();
    else
        widget_.show();
}

void QtDialogWindow::onCloseRequest() {
    command(kCancel, Notification::Clicked);
}

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
    if (target == nullptr || target->widget->isEnabledTo(&widget_))
        command(defaultId_, Notification::Clicked);
}

void QtDialogWindow::onResized() {
    if (handler_ == nullptr || !initialised_) return;
    if (widget_.isMinimized()) {
        handler_->onSize(platform::SizeKind::Minimised, {0, 0});
        return;
    }
    const auto kind =
        widget_.isMaximized() ? platform::SizeKind::Maximised : platform::SizeKind::Restored;
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
    for (const auto& [command, text] : systemMenu_)
        menu.addAction(toQString(text))->setData(command);
    const QAction* chosen = menu.exec(global);
    if (chosen != nullptr && handler_ != nullptr) handler_->onSystemCommand(chosen->data().toInt());
}

void QtDialogWindow::onMouseMove(QPoint at) {
    if (handler_ != nullptr && initialised_) handler_->onDialogMouseMove({at.x(), at.y()});
}

void QtDialogWindow::onShown() {
    services_.dialogShown(*this);
}

bool QtDialogWindow::acceptsFileDrops() const {
    return handler_ != nullptr && handler_->acceptsFileDrops();
}

void QtDialogWindow::onFileDropped(const std::string& path) {
    if (handler_ != nullptr && initialised_) handler_->onFileDropped(path);
}

void QtDialogWindow::teardown() {
    if (handler_ == nullptr) return;
    services_.keys().remove(*this);
    // Child widgets outlive this object: none of them may call into it from here on.
    for (auto& [id, c] : controls_) {
        if (auto* button = dynamic_cast<DialogButton*>(c.widget)) button->setFaceSource({});
        if (auto* label = dynamic_cast<DialogLabel*>(c.widget)) label->setClickHandler({});
        if (auto* slider = dynamic_cast<RangeControl<QSlider>*>(c.widget)) slider->setNotify({});
        if (auto* bar = dynamic_cast<RangeControl<QScrollBar>*>(c.widget)) bar->setNotify({});
        if (auto* arrows = dynamic_cast<SpinArrows*>(c.widget)) arrows->setStepHandler({});
    }
    if (panel_ != nullptr) panel_->detach();
    events_.reset();
    platform::DialogHandler* handler = handler_;
    handler_ = nullptr;
    handler->onDestroy();
}

} // namespace korvane::qt
