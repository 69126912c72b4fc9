// The dialogs as their templates describe them, before any logic has touched them.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

#include "RecordingHandler.hpp"
#include "ShownDialog.hpp"
#include "TextRoom.hpp"
#include "qt/ControlWidgets.hpp"
#include "qt/PanelWidget.hpp"
#include "resources/ControlIds.hpp"

namespace korvane::qt::test {
namespace {

using platform::ControlKind;
using platform::ControlTemplate;
namespace st = platform::style;

bool hasWidgetOfKind(QWidget* w, ControlKind kind) {
    switch (kind) {
    case ControlKind::PushButton:
        return dynamic_cast<QPushButton*>(w) != nullptr;
    case ControlKind::Edit:
        return dynamic_cast<QLineEdit*>(w) != nullptr;
    case ControlKind::Static:
    case ControlKind::Icon:
        return dynamic_cast<QLabel*>(w) != nullptr;
    case ControlKind::GroupBox:
        return dynamic_cast<QGroupBox*>(w) != nullptr;
    case ControlKind::CheckBox:
        // A push-like check box is a checkable button.
        return dynamic_cast<QCheckBox*>(w) != nullptr ||
               (dynamic_cast<QPushButton*>(w) != nullptr &&
                static_cast<QPushButton*>(w)->isCheckable());
    case ControlKind::RadioButton:
        return dynamic_cast<QRadioButton*>(w) != nullptr;
    case ControlKind::Trackbar: {
        auto* s = dynamic_cast<QSlider*>(w);
        return s != nullptr && s->orientation() == Qt::Horizontal;
    }
    case ControlKind::ComboBox:
        return dynamic_cast<QComboBox*>(w) != nullptr;
    case ControlKind::HScrollBar:
    case ControlKind::VScrollBar: {
        auto* s = dynamic_cast<QScrollBar*>(w);
        const auto want = kind == ControlKind::HScrollBar ? Qt::Horizontal : Qt::Vertical;
        return s != nullptr && s->orientation() == want;
    }
    case ControlKind::Panel:
        return dynamic_cast<PanelWidget*>(w) != nullptr;
    case ControlKind::UpDown:
        return dynamic_cast<SpinArrows*>(w) != nullptr;
    }
    return false;
}

// One control of one dialog template.
struct TemplateControl {
    int dialogId;
    ControlTemplate control;
};

std::vector<TemplateControl> everyTemplateControl() {
    std::vector<TemplateControl> all;
    for (const int dialogId :
         {ids::kMainDialog, ids::kAboutDialog, ids::kWhiteBalanceDialog, ids::kNoiseDialog})
        for (const auto& c : resources::findDialogTemplate(dialogId)->controls)
            all.push_back({dialogId, c});
    return all;
}

void PrintTo(const TemplateControl& c, std::ostream* out) {
    *out << "dialog " << c.dialogId << " control " << c.control.id;
}

class DialogControl : public ::testing::TestWithParam<TemplateControl> {
protected:
    QtServices services;
    RecordingHandler handler;
    ShownDialog dialog{services, GetParam().dialogId, handler};
};

TEST_P(DialogControl, ExistsAsItsTemplateSays) {
    const ControlTemplate& t = GetParam().control;
    QWidget* w = dialog.control(t.id);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(hasWidgetOfKind(w, t.kind));
    if (t.kind != ControlKind::ComboBox) {
        EXPECT_EQ(dialog.window().text(t.id), std::string(t.text));
    }
    EXPECT_EQ(dialog.window().isVisible(t.id), !t.has(st::kHidden));
    EXPECT_EQ(w->isVisible(), !t.has(st::kHidden));
    EXPECT_EQ(dialog.window().isEnabled(t.id), !t.has(st::kDisabled));
    EXPECT_EQ(w->isEnabled(), !t.has(st::kDisabled));
    if (t.textLimit > 0) {
        EXPECT_EQ(static_cast<QLineEdit*>(w)->maxLength(), t.textLimit);
    }
}

TEST_P(DialogControl, LiesInsideTheDialogAndShowsItsTextWhole) {
    const ControlTemplate& t = GetParam().control;
    QWidget* w = dialog.control(t.id);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(dialog.widget().rect().contains(w->geometry()))
        << "control at " << w->x() << "," << w->y() << " " << w->width() << "x" << w->height();
    EXPECT_GT(w->width(), 0);
    EXPECT_GT(w->height(), 0);
    if (t.has(st::kHidden) || t.text.empty() || t.kind == ControlKind::Edit) return;
    const TextRoom room = textRoom(w, t);
    EXPECT_LE(room.needed, room.available) << "\"" << t.text << "\" is clipped";
}

INSTANTIATE_TEST_SUITE_P(Templates, DialogControl, ::testing::ValuesIn(everyTemplateControl()),
                         [](const auto& info) {
                             return "Dialog" + std::to_string(info.param.dialogId) + "Control" +
                                    std::to_string(info.param.control.id);
                         });

class MainDialogWindow : public ::testing::Test {
protected:
    QtServices services;
    RecordingHandler handler;
    ShownDialog dialog{services, ids::kMainDialog, handler};
};

TEST_F(MainDialogWindow, HasTheTemplatesTitleAndOnlyItsDefaultButtonTakesEnter) {
    EXPECT_EQ(dialog.window().title(), std::string(resources::mainDialogTemplate().title));
    EXPECT_EQ(dialog.window().defaultControl(), ids::kProcess);
    for (const auto& t : resources::mainDialogTemplate().controls) {
        auto* button = dialog.control<QPushButton>(t.id);
        if (button == nullptr) continue;
        // An auto-default button would take Enter from the edits.
        EXPECT_FALSE(button->autoDefault()) << t.id;
        EXPECT_EQ(button->isDefault(), t.id == ids::kProcess) << t.id;
    }
}

TEST_F(MainDialogWindow, PutsTheFocusOnlyInControlsThatTakeIt) {
    for (int id : {ids::kShotInfo, ids::kBlackGroup, ids::kPanel, ids::kLabelComposite})
        EXPECT_EQ(dialog.control(id)->focusPolicy(), Qt::NoFocus) << id;
    for (int id : {ids::kBrowse, ids::kPathEdit, ids::kBlackSlider, ids::kMappingCombo})
        EXPECT_TRUE(dialog.control(id)->focusPolicy() & Qt::TabFocus) << id;
}

} // namespace
} // namespace korvane::qt::test
