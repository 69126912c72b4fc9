#pragma once
#include <QWidget>

#include "platform/DialogTemplate.hpp"

namespace korvane::qt {

// The widget that stands for a template control, with its text, alignment, focus behaviour
// and initial state (hidden, disabled, default); not yet placed, styled or connected.
//   PushButton  DialogButton (never auto-default: only the dialog's default button takes Enter)
//   Edit        QLineEdit, or QPlainTextEdit when multi-line
//   Static      DialogLabel, top-aligned and word-wrapped as a Windows static
//   GroupBox    DialogGroupBox, beneath the controls it frames
//   CheckBox    QCheckBox; with kPushLike a checkable DialogButton
//   RadioButton QRadioButton (grouped by the dialog); with kPushLike a checkable DialogButton
//   Trackbar    RangeControl<QSlider>, horizontal, moving itself
//   ComboBox    QComboBox, a drop-down list
//   H/VScrollBar RangeControl<QScrollBar>, moved by the logic
//   Panel       PanelWidget
//   Icon        QLabel with the program icon
//   UpDown      SpinArrows: two arrow buttons reporting steps
QWidget* createControl(const platform::ControlTemplate& control, QWidget* parent);

} // namespace korvane::qt
