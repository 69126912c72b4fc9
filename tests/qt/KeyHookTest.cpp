// Every key goes to the dialog logic before the focused control, and the key state is what
// the events said.
#include <QLineEdit>
#include <QPushButton>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RecordingHandler.hpp"
#include "ShownDialog.hpp"
#include "platform/VirtualKeys.hpp"
#include "resources/ControlIds.hpp"

namespace korvane::qt::test {
namespace {

using platform::KeyMessage;
using platform::KeyMessageKind;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace vk = platform::vk;

class KeyHookTest : public ::testing::Test {
protected:
    QtDialogWindow& window() { return dialog.window(); }
    QLineEdit* pathEdit() { return dialog.control<QLineEdit>(ids::kPathEdit); }
    std::vector<std::string> keys() const { return handler.logOf("key"); }
    void focusPathEdit() {
        window().setFocus(ids::kPathEdit);
        handler.clear();
    }

    QtServices services;
    RecordingHandler handler;
    ShownDialog dialog{services, ids::kMainDialog, handler};
};

TEST_F(KeyHookTest, LogicHearsKeyCharacterAndReleaseBeforeTheEdit) {
    focusPathEdit();
    std::string textThen = "?";
    handler.keys = [&](const KeyMessage&) {
        textThen = window().text(ids::kPathEdit);
        return false;
    };
    QTest::keyClick(dialog.handle(), Qt::Key_A);
    EXPECT_THAT(keys(), ElementsAre("key KeyDown 65", "key Char 97", "key KeyUp 65"));
    EXPECT_EQ(textThen, "a"); // the release came after the edit had the character
    EXPECT_EQ(window().text(ids::kPathEdit), "a");
}

TEST_F(KeyHookTest, ConsumedCharacterNeverReachesTheEdit) {
    focusPathEdit();
    handler.keys = [](const KeyMessage& k) {
        return k.kind == KeyMessageKind::Char && k.code == 'x';
    };
    for (const char c : {'a', 'x', 'b'})
        QTest::keyClick(dialog.handle(), c);
    EXPECT_EQ(window().text(ids::kPathEdit), "ab");
}

TEST_F(KeyHookTest, ConsumedKeyDownMakesNoCharacter) {
    focusPathEdit();
    handler.keys = [](const KeyMessage& k) { return k.kind == KeyMessageKind::KeyDown; };
    QTest::keyClick(dialog.handle(), Qt::Key_Q);
    EXPECT_THAT(keys(), ElementsAre("key KeyDown 81", "key KeyUp 81"));
    EXPECT_EQ(window().text(ids::kPathEdit), "");
}

TEST_F(KeyHookTest, AltPlusIsASystemCharacter) {
    focusPathEdit();
    QTest::keyClick(dialog.handle(), Qt::Key_Plus, Qt::AltModifier | Qt::ShiftModifier);
    // The modifiers are keys too: Shift before Alt is a plain key, everything after a system one.
    EXPECT_THAT(keys(), ElementsAre("key KeyDown 16", "key SysKeyDown 18", "key SysKeyDown 187",
                                    "key SysChar 43", "key SysKeyUp 187", "key SysKeyUp 18",
                                    "key KeyUp 16"));
}

TEST_F(KeyHookTest, LogicComesBeforeMnemonics) {
    // "&Help": Alt+H presses the button, unless the logic takes the key first. Qt shows a
    // mnemonic's press for a moment before the click.
    window().setFocus(ids::kBrowse);
    handler.clear();
    QTest::keyClick(dialog.handle(), Qt::Key_H, Qt::AltModifier);
    EXPECT_THAT(keys(), ElementsAre("key SysKeyDown 18", "key SysKeyDown 72", "key SysChar 104",
                                    "key SysKeyUp 72", "key SysKeyUp 18"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !handler.logOf("command").empty(); }));
    EXPECT_THAT(handler.logOf("command"), ElementsAre("command 1028 Clicked"));

    handler.clear();
    handler.keys = [](const KeyMessage& k) {
        return k.kind == KeyMessageKind::SysKeyDown && k.code == 'H';
    };
    QTest::keyClick(dialog.handle(), Qt::Key_H, Qt::AltModifier);
    QTest::qWait(300);
    EXPECT_THAT(handler.logOf("command"), IsEmpty());
}

TEST_F(KeyHookTest, KeysReachTheLogicWhileAHiddenControlHoldsTheFocus) {
    window().setFocus(ids::kFocusKeeper);
    handler.clear();
    QTest::keyClick(dialog.handle(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_THAT(keys(),
                ElementsAre("key KeyDown 17", "key KeyDown 35", "key KeyUp 35", "key KeyUp 17"));
}

TEST_F(KeyHookTest, EnterInAnEditPressesTheDefaultButton) {
    focusPathEdit();
    QTest::keyClick(dialog.handle(), Qt::Key_Return);
    EXPECT_THAT(handler.logOf("command"), ElementsAre("command 1002 Clicked"));
    handler.clear();
    window().setDefaultControl(ids::kBrowse);
    QTest::keyClick(dialog.handle(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_THAT(handler.logOf("command"), ElementsAre("command 1000 Clicked"));
}

TEST_F(KeyHookTest, EnterOnAFocusedButtonPressesThatButton) {
    window().setFocus(ids::kFinish);
    QTest::keyClick(dialog.handle(), Qt::Key_Return);
    EXPECT_THAT(handler.logOf("command"), ElementsAre("command 1014 Clicked"));
}

TEST_F(KeyHookTest, EnterSendsTheDefaultIdWhateverControlItNames) {
    // The logic makes the hidden focus keeper the default while a file loads.
    window().setDefaultControl(ids::kFocusKeeper);
    window().setFocus(ids::kFocusKeeper);
    QTest::keyClick(dialog.handle(), Qt::Key_Return);
    EXPECT_THAT(handler.logOf("command"), ElementsAre("command 1040 Clicked"));
    handler.clear();
    window().setDefaultControl(ids::kProcess);
    window().setEnabled(ids::kProcess, false);
    QTest::keyClick(dialog.handle(), Qt::Key_Return);
    EXPECT_THAT(handler.logOf("command"), IsEmpty());
}

TEST_F(KeyHookTest, EnterWithoutADefaultIsOk) {
    window().setDefaultControl(0);
    window().setFocus(ids::kFocusKeeper);
    QTest::keyClick(dialog.handle(), Qt::Key_Return);
    EXPECT_THAT(handler.logOf("command"), ElementsAre("command 1 Clicked"));
}

TEST_F(KeyHookTest, EnterTheLogicTakesPressesNothing) {
    focusPathEdit();
    handler.keys = [](const KeyMessage& k) { return k.code == vk::kReturn; };
    QTest::keyClick(dialog.handle(), Qt::Key_Return);
    EXPECT_THAT(handler.logOf("command"), IsEmpty());
}

TEST_F(KeyHookTest, EscapeIsCancelUnlessTheLogicTakesIt) {
    focusPathEdit();
    QTest::keyClick(dialog.handle(), Qt::Key_Escape);
    EXPECT_THAT(handler.logOf("command"), ElementsAre("command 2 Clicked"));
    handler.clear();
    handler.keys = [](const KeyMessage& k) { return k.code == vk::kEscape; };
    QTest::keyClick(dialog.handle(), Qt::Key_Escape);
    EXPECT_THAT(handler.logOf("command"), IsEmpty());
}

TEST_F(KeyHookTest, ModifiersAndTheKeyAreDownWhileTheLogicHearsIt) {
    bool control = false, shift = false, w = false;
    handler.keys = [&](const KeyMessage& k) {
        if (k.kind == KeyMessageKind::KeyDown && k.code == vk::letter('W')) {
            control = services.isKeyDown(vk::kControl);
            shift = services.isKeyDown(vk::kShift);
            w = services.isKeyDown(vk::letter('W'));
        }
        return false;
    };
    QTest::keyClick(dialog.handle(), Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(control);
    EXPECT_TRUE(shift);
    EXPECT_TRUE(w);
    EXPECT_FALSE(services.isKeyDown(vk::letter('W')));
}

TEST_F(KeyHookTest, HeldKeysCountWhenAButtonIsClicked) {
    // As Ctrl+Shift+D held while "Process" is clicked asks for dithering.
    bool d = false, control = false;
    handler.commands = [&](int, platform::Notification) {
        d = services.isKeyDown(vk::letter('D'));
        control = services.isKeyDown(vk::kControl);
    };
    QTest::keyPress(dialog.handle(), Qt::Key_Control);
    QTest::keyPress(dialog.handle(), Qt::Key_D, Qt::ControlModifier);
    QTest::mouseClick(dialog.control(ids::kProcess), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_TRUE(d);
    EXPECT_TRUE(control);
    QTest::keyRelease(dialog.handle(), Qt::Key_D, Qt::ControlModifier);
    QTest::keyRelease(dialog.handle(), Qt::Key_Control, Qt::ControlModifier);
    EXPECT_FALSE(services.isKeyDown(vk::letter('D')));
    EXPECT_FALSE(services.isKeyDown(vk::kControl));
}

TEST_F(KeyHookTest, ShiftWithAClickIsDown) {
    bool shift = false;
    handler.commands = [&](int, platform::Notification) { shift = services.isKeyDown(vk::kShift); };
    QTest::mouseClick(dialog.control(ids::kBrowse), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_TRUE(shift);
}

TEST_F(KeyHookTest, ToolWindowKeysGoToItThenToItsOwner) {
    RecordingHandler tool;
    ShownDialog about(services, ids::kAboutDialog, tool, &window());
    handler.clear();
    QTest::keyClick(about.handle(), Qt::Key_F5);
    EXPECT_THAT(tool.logOf("key"), ElementsAre("key KeyDown 116", "key KeyUp 116"));
    EXPECT_THAT(keys(), ElementsAre("key KeyDown 116", "key KeyUp 116"));

    handler.clear();
    tool.keys = [](const KeyMessage&) { return true; };
    QTest::keyClick(about.handle(), Qt::Key_F5);
    EXPECT_THAT(keys(), IsEmpty());
}

} // namespace
} // namespace korvane::qt::test
