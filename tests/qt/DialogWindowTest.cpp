// What the logic hears from the controls of a dialog, and what it can do to them.
#include <QAbstractButton>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTimer>
#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RecordingHandler.hpp"
#include "ShownDialog.hpp"
#include "resources/Bitmaps.hpp"
#include "resources/ControlIds.hpp"

namespace korvane::qt::test {
namespace {

using platform::Notification;
using platform::RangeState;
using platform::rgb;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class MainDialogTest : public ::testing::Test {
protected:
    QtDialogWindow& window() { return dialog.window(); }
    std::vector<std::string> commands() const { return handler.logOf("command"); }

    QtServices services;
    RecordingHandler handler;
    ShownDialog dialog{services, ids::kMainDialog, handler};
};

// ---------------------------------------------------------------------------------------------
// Clicks

using ClicksTest = MainDialogTest;

TEST_F(ClicksTest, ButtonIsACommand) {
    QTest::mouseClick(dialog.control(ids::kBrowse), Qt::LeftButton);
    EXPECT_THAT(commands(), ElementsAre("command 1000 Clicked"));
}

TEST_F(ClicksTest, NotifyingLabelIsACommandAndAPlainOneIsNot) {
    QTest::mouseClick(dialog.control(ids::kLabelChannel), Qt::LeftButton);
    QTest::mouseClick(dialog.control(ids::kMappingLabel), Qt::LeftButton);
    EXPECT_THAT(commands(), ElementsAre("command 1059 Clicked"));
}

TEST_F(ClicksTest, CheckBoxIsCheckedWhenItsCommandArrives) {
    bool checkedThen = false;
    handler.commands = [&](int id, Notification) { checkedThen = window().isChecked(id); };
    QTest::mouseClick(dialog.control(ids::kShowClipping), Qt::LeftButton);
    EXPECT_THAT(commands(), ElementsAre("command 1066 Clicked"));
    EXPECT_TRUE(checkedThen);
}

TEST_F(ClicksTest, RadioButtonsOfOneGroupExcludeEachOther) {
    window().setChecked(ids::kRadioComposite, true);
    QTest::mouseClick(dialog.control(ids::kRadioHistogram), Qt::LeftButton);
    EXPECT_THAT(commands(), ElementsAre("command 1038 Clicked"));
    EXPECT_TRUE(window().isChecked(ids::kRadioHistogram));
    for (int id :
         {ids::kRadioComposite, ids::kRadioGreyscale, ids::kRadioChannel, ids::kRadioExposure})
        EXPECT_FALSE(window().isChecked(id)) << id;
}

TEST_F(ClicksTest, LogicMayClearEveryRadioButtonOfAGroup) {
    window().setChecked(ids::kRadioComposite, true);
    window().setChecked(ids::kRadioComposite, false);
    for (int id = ids::kRadioExposure; id <= ids::kRadioHistogram; ++id)
        EXPECT_FALSE(window().isChecked(id));
}

TEST_F(ClicksTest, DisabledControlSaysNothing) {
    window().setEnabled(ids::kBrowse, false);
    QTest::mouseClick(dialog.control(ids::kBrowse), Qt::LeftButton);
    EXPECT_THAT(commands(), IsEmpty());
}

TEST_F(ClicksTest, ChoosingAComboItemIsASelectionChange) {
    window().setItems(ids::kMappingCombo, {"sRGB", "Linear", "Gamma 2.2"});
    window().setSelection(ids::kMappingCombo, 0);
    window().setFocus(ids::kMappingCombo);
    QTest::keyClick(dialog.handle(), Qt::Key_Down);
    EXPECT_THAT(commands(), ElementsAre("command 1060 SelectionChange"));
    EXPECT_EQ(window().selection(ids::kMappingCombo), 1);
}

TEST_F(ClicksTest, CloseBoxAsksTheLogicWithCancel) {
    dialog.widget().close();
    EXPECT_THAT(commands(), ElementsAre("command 2 Clicked"));
    // Only the logic ends the dialog.
    EXPECT_TRUE(dialog.widget().isVisible());
}

// ---------------------------------------------------------------------------------------------
// The logic's writes

using SettersTest = MainDialogTest;

TEST_F(SettersTest, AreSilent) {
    window().setFocus(ids::kBrowse);
    handler.clear();
    window().setText(ids::kPathEdit, "/tmp/x.dng");
    window().setText(ids::kBlackEdit, "12");
    window().setText(ids::kShotInfo, "ISO 100");
    window().setText(ids::kFinish, "End");
    window().setChecked(ids::kShowClipping, true);
    window().setChecked(ids::kRadioHistogram, true);
    window().setRangeState(ids::kBlackSlider, {0, 101, 40, 10, 1, 10});
    window().setPosition(ids::kBlackSlider, 41);
    window().setRangeState(ids::kHScroll, {0, 500, 100, 50, 1, 0});
    window().setPosition(ids::kHScroll, 120);
    window().setItems(ids::kMappingCombo, {"a", "b"});
    window().setSelection(ids::kMappingCombo, 1);
    window().setEnabled(ids::kWhiteR, true);
    window().setChecked(ids::kWhiteR, false);
    window().setVisible(ids::kFine, true);
    window().setFont(ids::kShotInfo, {"Times New Roman", -14, 700});
    window().setTextLimit(ids::kPathEdit, 100);
    window().selectAllText(ids::kPathEdit);
    QCoreApplication::processEvents();
    EXPECT_THAT(handler.log, Each(Not(::testing::AnyOf(::testing::StartsWith("command"),
                                                       ::testing::StartsWith("hscroll")))));
    EXPECT_EQ(window().text(ids::kPathEdit), "/tmp/x.dng");
    EXPECT_EQ(window().position(ids::kBlackSlider), 41);
    EXPECT_EQ(window().selection(ids::kMappingCombo), 1);
    EXPECT_EQ(window().text(ids::kMappingCombo), "b");
}

TEST_F(SettersTest, FontReadsBackAsSetAndShowsAtItsPixelHeight) {
    const platform::FontDescription bold{"Times New Roman", -20, 700, true, false};
    window().setFont(ids::kShowClipping, bold);
    EXPECT_EQ(window().font(ids::kShowClipping), bold);
    const QFont shown = dialog.control(ids::kShowClipping)->font();
    EXPECT_EQ(shown.pixelSize(), 20);
    EXPECT_EQ(shown.weight(), QFont::Bold);
    EXPECT_TRUE(shown.italic());
}

TEST_F(SettersTest, UntouchedFontIsTheDialogFont) {
    const platform::FontDescription font = window().font(ids::kBrowse);
    EXPECT_LT(font.heightPixels, 0);
    EXPECT_EQ(-font.heightPixels, dialog.control(ids::kBrowse)->font().pixelSize());
}

TEST_F(SettersTest, ScrollBarRangeEndsAPageShortOfItsMaximum) {
    window().setRangeState(ids::kHScroll, {0, 99, 0, 10, 1, 0});
    auto* bar = dialog.control<QScrollBar>(ids::kHScroll);
    EXPECT_EQ(bar->maximum(), 90);
    EXPECT_EQ(bar->pageStep(), 10);
    EXPECT_EQ(window().rangeState(ids::kHScroll).maximum, 99);
}

TEST_F(SettersTest, TrackbarTakesItsRangeAndTicks) {
    window().setRangeState(ids::kExposureSlider, {0, 96, 48, 4, 1, 4});
    auto* slider = dialog.control<QSlider>(ids::kExposureSlider);
    EXPECT_EQ(slider->maximum(), 96);
    EXPECT_EQ(slider->value(), 48);
    EXPECT_EQ(slider->tickInterval(), 4);
    EXPECT_NE(slider->tickPosition(), QSlider::NoTicks);
}

TEST_F(SettersTest, BitmapShowsOnItsButton) {
    window().setBitmap(ids::kOrientNormal, resources::loadBitmap(150));
    auto* button = dialog.control<QAbstractButton>(ids::kOrientNormal);
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_EQ(button->iconSize(), QSize(24, 18));
}

TEST_F(SettersTest, MovedControlReportsItsNewRectangle) {
    window().moveControl(ids::kHScroll, {10, 400, 300, 416});
    EXPECT_EQ(window().controlRect(ids::kHScroll), (platform::Rect{10, 400, 300, 416}));
}

// ---------------------------------------------------------------------------------------------
// Focus

using FocusTest = MainDialogTest;

TEST_F(FocusTest, EditsReportGainingAndLosingIt) {
    window().setFocus(ids::kBlackEdit);
    window().setFocus(ids::kWhiteEdit);
    QTest::mouseClick(dialog.control(ids::kPathEdit), Qt::LeftButton);
    EXPECT_THAT(commands(), ElementsAre("command 1010 SetFocus", "command 1010 KillFocus",
                                        "command 1011 SetFocus", "command 1011 KillFocus",
                                        "command 1001 SetFocus"));
    EXPECT_EQ(window().focus(), ids::kPathEdit);
}

TEST_F(FocusTest, HiddenControlCanHoldIt) {
    window().setFocus(ids::kBlackEdit);
    window().setFocus(ids::kFocusKeeper);
    EXPECT_EQ(window().focus(), ids::kFocusKeeper);
    EXPECT_THAT(commands(), ElementsAre("command 1010 SetFocus", "command 1010 KillFocus"));
}

TEST_F(FocusTest, LogicMovingItWhileHearingALossIsObeyed) {
    // As the level edits do: losing the focus sends it to the hidden keeper.
    handler.commands = [&](int id, Notification code) {
        if (id == ids::kBlackEdit && code == Notification::KillFocus)
            window().setFocus(ids::kFocusKeeper);
    };
    window().setFocus(ids::kBlackEdit);
    QTest::mouseClick(dialog.control(ids::kBrowse), Qt::LeftButton);
    EXPECT_EQ(window().focus(), ids::kFocusKeeper);
}

TEST_F(FocusTest, TabMovesItToTheNextTabStop) {
    window().setFocus(ids::kBrowse);
    QTest::keyClick(dialog.handle(), Qt::Key_Tab);
    EXPECT_EQ(window().focus(), ids::kPathEdit);
    QTest::keyClick(dialog.handle(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(window().focus(), ids::kBrowse);
}

// ---------------------------------------------------------------------------------------------
// Sliders and scroll bars

class ScrollTest : public MainDialogTest {
protected:
    void SetUp() override {
        window().setRangeState(ids::kBlackSlider, {0, 101, 10, 10, 1, 10});
        window().setRangeState(ids::kHScroll, {0, 199, 50, 20, 1, 0});
        window().setEnabled(ids::kHScroll, true);
        handler.clear();
    }
    std::vector<std::string> scrolls() const { return handler.logOf("hscroll"); }
};

TEST_F(ScrollTest, TrackbarMovesItselfBeforeItTells) {
    int positionThen = -1;
    handler.scrolls = [&](int id, platform::ScrollCode, int) {
        positionThen = window().position(id);
    };
    window().setFocus(ids::kBlackSlider);
    QTest::keyClick(dialog.handle(), Qt::Key_Right);
    EXPECT_THAT(scrolls(), ElementsAre("hscroll 1004 LineDown 11", "hscroll 1004 EndScroll 11"));
    EXPECT_EQ(positionThen, 11);
    handler.clear();
    QTest::keyClick(dialog.handle(), Qt::Key_End);
    EXPECT_THAT(scrolls(), ElementsAre("hscroll 1004 Bottom 101", "hscroll 1004 EndScroll 101"));
}

TEST_F(ScrollTest, TrackbarKeysMoveAsOnWindows) {
    window().setFocus(ids::kBlackSlider);
    for (const auto key :
         {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Left, Qt::Key_Home})
        QTest::keyClick(dialog.handle(), key);
    auto moves = scrolls();
    moves.erase(std::remove_if(
                    moves.begin(), moves.end(),
                    [](const std::string& m) { return m.find("EndScroll") != std::string::npos; }),
                moves.end());
    EXPECT_THAT(moves, ElementsAre("hscroll 1004 LineUp 9", "hscroll 1004 LineDown 10",
                                   "hscroll 1004 PageUp 0", "hscroll 1004 PageDown 10",
                                   "hscroll 1004 LineUp 9", "hscroll 1004 Top 0"));
}

TEST_F(ScrollTest, DraggedTrackbarThumbTracksThenLandsThenEnds) {
    auto* slider = dialog.control<QSlider>(ids::kBlackSlider);
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = option.sliderValue = slider->value();
    const QRect thumb = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                        QStyle::SC_SliderHandle, slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, thumb.center());
    QTest::mouseMove(slider, thumb.center() + QPoint(40, 0));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, thumb.center() + QPoint(40, 0));
    const auto log = scrolls();
    ASSERT_GE(log.size(), 3u);
    EXPECT_THAT(log.front(), ::testing::StartsWith("hscroll 1004 ThumbTrack "));
    const int landed = window().position(ids::kBlackSlider);
    EXPECT_GT(landed, 10);
    EXPECT_EQ(log[log.size() - 2], "hscroll 1004 ThumbPosition " + std::to_string(landed));
    EXPECT_EQ(log.back(), "hscroll 1004 EndScroll " + std::to_string(landed));
}

TEST_F(ScrollTest, ScrollBarLeavesMovingToTheLogic) {
    auto* bar = dialog.control<QScrollBar>(ids::kHScroll);
    const QPoint rightArrow(bar->width() - 3, bar->height() / 2);
    QTest::mouseClick(bar, Qt::LeftButton, {}, rightArrow);
    EXPECT_THAT(scrolls(), ElementsAre("hscroll 1016 LineDown 50", "hscroll 1016 EndScroll 50"));
    EXPECT_EQ(window().position(ids::kHScroll), 50);

    // A logic that follows the code moves it by the line.
    handler.clear();
    handler.scrolls = [&](int id, platform::ScrollCode code, int) {
        if (code == platform::ScrollCode::LineDown)
            window().setPosition(id, window().position(id) + 1);
    };
    QTest::mouseClick(bar, Qt::LeftButton, {}, rightArrow);
    EXPECT_EQ(window().position(ids::kHScroll), 51);
    EXPECT_THAT(scrolls(), ElementsAre("hscroll 1016 LineDown 50", "hscroll 1016 EndScroll 51"));
}

TEST_F(ScrollTest, VerticalScrollBarTellsTheVerticalHandler) {
    window().setRangeState(ids::kVScroll, {0, 199, 0, 20, 1, 0});
    window().setEnabled(ids::kVScroll, true);
    auto* bar = dialog.control<QScrollBar>(ids::kVScroll);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 3));
    EXPECT_THAT(handler.logOf("vscroll"),
                ElementsAre("vscroll 1015 LineDown 0", "vscroll 1015 EndScroll 0"));
    EXPECT_THAT(scrolls(), IsEmpty());
}

// ---------------------------------------------------------------------------------------------
// Looks

using LooksTest = MainDialogTest;

TEST_F(LooksTest, OwnerDrawnButtonShowsTheLogicsFaceAtOnce) {
    handler.face = {rgb(255, 255, 255), rgb(160, 0, 0), "Opening"};
    window().setOwnerDrawn(ids::kProcess, true);
    EXPECT_TRUE(window().isOwnerDrawn(ids::kProcess));
    const int before = handler.faceRequests;
    window().redraw(ids::kProcess, true);
    // Painted before redraw returned, with no event processed in between.
    EXPECT_GT(handler.faceRequests, before);
    const QImage face = dialog.control(ids::kProcess)->grab().toImage();
    EXPECT_EQ(face.pixelColor(face.width() / 6, face.height() / 2), QColor(255, 255, 255));

    window().setOwnerDrawn(ids::kProcess, false);
    const QImage plain = dialog.control(ids::kProcess)->grab().toImage();
    EXPECT_NE(plain.pixelColor(plain.width() / 6, plain.height() / 2), QColor(255, 255, 255));
}

TEST_F(LooksTest, TextColourIsTheLogicsAtEachPaint) {
    QWidget* box = dialog.control(ids::kShowClipping);
    handler.colours[ids::kShowClipping] = rgb(0, 96, 0);
    box->repaint();
    EXPECT_EQ(box->palette().color(QPalette::WindowText), QColor(0, 96, 0));
    handler.colours[ids::kShowClipping] = rgb(255, 255, 255);
    window().setEnabled(ids::kShowClipping, false);
    window().redraw(ids::kShowClipping, true);
    EXPECT_EQ(box->palette().color(QPalette::Disabled, QPalette::WindowText),
              QColor(255, 255, 255));
    handler.colours.clear();
    box->repaint();
    EXPECT_EQ(box->palette().color(QPalette::Disabled, QPalette::WindowText),
              dialog.widget().palette().color(QPalette::Disabled, QPalette::WindowText));
}

// ---------------------------------------------------------------------------------------------
// The window

using WindowTest = MainDialogTest;

TEST_F(WindowTest, ResizeAndMoveAreReported) {
    handler.clear();
    const QSize larger = dialog.widget().size() + QSize(50, 40);
    dialog.widget().resize(larger);
    QCoreApplication::processEvents();
    EXPECT_THAT(handler.logOf("size"),
                ElementsAre("size Restored " + std::to_string(larger.width()) + "x" +
                            std::to_string(larger.height())));
    EXPECT_EQ(window().clientSize(), (platform::Size{larger.width(), larger.height()}));
    dialog.widget().move(dialog.widget().pos() + QPoint(10, 10));
    QCoreApplication::processEvents();
    EXPECT_THAT(handler.log, Contains("move"));
}

TEST_F(WindowTest, PlacementGoesBackWhereItWas) {
    const platform::WindowPlacement before = window().placement();
    dialog.widget().resize(dialog.widget().size() + QSize(30, 30));
    window().setPlacement(before);
    QCoreApplication::processEvents();
    EXPECT_EQ(window().placement(), before);
}

TEST_F(WindowTest, WindowMenuItemsAreOfferedOnTheBackground) {
    window().addSystemMenuItem(ids::kAboutMenuCommand, "&About Korvane");
    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto* menu = dynamic_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        for (QAction* a : menu->actions())
            offered << a->text();
        menu->setActiveAction(menu->actions().front());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    // Below the pixel information, right of the statistics: bare dialog.
    const QPoint background(dialog.widget().width() - 5, dialog.widget().height() - 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, background,
                            dialog.widget().mapToGlobal(background));
    QCoreApplication::sendEvent(&dialog.widget(), &event);
    EXPECT_EQ(offered, QStringList{QStringLiteral("&About Korvane")});
    EXPECT_THAT(handler.logOf("syscommand"), ElementsAre("syscommand 16"));
}

TEST_F(WindowTest, RightClickOnThePanelOpensNoMenu) {
    window().addSystemMenuItem(ids::kAboutMenuCommand, "&About Korvane");
    bool menuOpened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            menuOpened = true;
            popup->close();
        }
    });
    QTest::mouseClick(dialog.control(ids::kPanel), Qt::RightButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(menuOpened);
}

} // namespace
} // namespace korvane::qt::test
