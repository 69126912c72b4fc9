#include "qt/ControlFactory.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>

#include "qt/ControlWidgets.hpp"
#include "qt/PanelWidget.hpp"
#include "qt/RangeControl.hpp"
#include "qt/Text.hpp"

namespace korvane::qt {

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
namespace st = platform::style;

QString textOf(const ControlTemplate& t) {
    return toQString(t.text);
}

Qt::Alignment horizontalAlignment(const ControlTemplate& t) {
    if (t.has(st::kCentre)) return Qt::AlignHCenter;
    if (t.has(st::kRight)) return Qt::AlignRight;
    return Qt::AlignLeft;
}

QWidget* pushButton(const ControlTemplate& t, QWidget* parent, bool checkable) {
    auto* button = new DialogButton(textOf(t), parent);
    button->setAutoDefault(false);
    button->setDefault(t.has(st::kDefault));
    button->setCheckable(checkable);
    return button;
}

QWidget* edit(const ControlTemplate& t, QWidget* parent) {
    if (t.has(st::kMultiline)) {
        auto* box = new QPlainTextEdit(textOf(t), parent);
        box->setTabChangesFocus(true);
        return box;
    }
    auto* line = new QLineEdit(textOf(t), parent);
    if (t.textLimit > 0) line->setMaxLength(t.textLimit);
    line->setAlignment(horizontalAlignment(t) | Qt::AlignVCenter);
    return line;
}

QWidget* label(const ControlTemplate& t, QWidget* parent) {
    auto* text = new DialogLabel(textOf(t), parent);
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(horizontalAlignment(t) | Qt::AlignTop);
    text->setWordWrap(true);
    if (t.has(st::kSunken)) text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return text;
}

QWidget* icon(const ControlTemplate&, QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return picture;
}

QWidget* widgetFor(const ControlTemplate& t, QWidget* parent) {
    switch (t.kind) {
    case ControlKind::PushButton:
        return pushButton(t, parent, false);
    case ControlKind::Edit:
        return edit(t, parent);
    case ControlKind::Static:
        return label(t, parent);
    case ControlKind::GroupBox:
        return new DialogGroupBox(textOf(t), parent);
    case ControlKind::CheckBox:
        if (t.has(st::kPushLike)) return pushButton(t, parent, true);
        return new QCheckBox(textOf(t), parent);
    case ControlKind::RadioButton: {
        if (t.has(st::kPushLike)) return pushButton(t, parent, true);
        auto* radio = new QRadioButton(textOf(t), parent);
        // The dialog puts each group of the template into an exclusive button group.
        radio->setAutoExclusive(false);
        return radio;
    }
    case ControlKind::Trackbar:
        return new RangeControl<QSlider>(Qt::Horizontal, ThumbOwner::Control, parent);
    case ControlKind::ComboBox:
        return new QComboBox(parent);
    case ControlKind::HScrollBar:
        return new RangeControl<QScrollBar>(Qt::Horizontal, ThumbOwner::Logic, parent);
    case ControlKind::VScrollBar:
        return new RangeControl<QScrollBar>(Qt::Vertical, ThumbOwner::Logic, parent);
    case ControlKind::Panel:
        return new PanelWidget(t.has(st::kSunken), parent);
    case ControlKind::Icon:
        return icon(t, parent);
    case ControlKind::UpDown:
        return new SpinArrows(parent);
    }
    return new QWidget(parent);
}

// Windows moves the focus only to controls that take it: edits, buttons, lists, sliders;
// with kTabStop also by Tab. Statics, frames and the panel never take it.
Qt::FocusPolicy focusPolicyOf(const ControlTemplate& t) {
    switch (t.kind) {
    case ControlKind::Static:
    case ControlKind::GroupBox:
    case ControlKind::Panel:
    case ControlKind::Icon:
    case ControlKind::UpDown:
        return Qt::NoFocus;
    case ControlKind::HScrollBar:
    case ControlKind::VScrollBar:
        return t.has(st::kTabStop) ? Qt::StrongFocus : Qt::NoFocus;
    default:
        return t.has(st::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus;
    }
}

} // namespace

QWidget* createControl(const ControlTemplate& t, QWidget* parent) {
    QWidget* widget = widgetFor(t, parent);
    widget->setFocusPolicy(focusPolicyOf(t));
    widget->setEnabled(!t.has(st::kDisabled));
    if (t.has(st::kHidden)) widget->hide();
    if (auto* button = dynamic_cast<DialogButton*>(widget))
        button->setOwnerDrawn(t.has(st::kOwnerDrawn));
    return widget;
}

} // namespace korvane::qt
