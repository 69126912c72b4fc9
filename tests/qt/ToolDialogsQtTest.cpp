// The tool dialogs in real windows: opened from the main dialog with their keys, as modeless
// top-level windows owned by it, and the picture following the white balance dialog.
#include <QSlider>
#include <gtest/gtest.h>

#include "ShownDialog.hpp"
#include "app/AnalyzerDlg.hpp"
#include "resources/ControlIds.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::qt::test {
namespace {

QtDialogWindow* qtWindow(platform::DialogWindow* window) {
    return dynamic_cast<QtDialogWindow*>(window);
}

TEST(ToolDialogsQt, OpenWithTheirKeysAndThePictureFollowsTheWhiteBalance) {
    QtServices services;
    services.messageSink = [](QWidget*, const FormattedMessage& m) { ADD_FAILURE() << m.text; };
    CAnalyzerDlg logic(services, "");
    ShownDialog dialog(services, ids::kMainDialog, logic);
    const korvane::test::DngDescription d = korvane::test::demoDescription();
    const korvane::test::TempFile demo(korvane::test::buildDng(d, korvane::test::demoScene(d)),
                                       "demo.dng");
    dialog.window().setText(ids::kPathEdit, demo.path());
    QTest::mouseClick(dialog.control(ids::kProcess), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_TRUE(logic.imageDecoded());
    const std::vector<platform::Rgb> before = dialog.window().panelSurface().pixels();

    QTest::keyClick(dialog.handle(), Qt::Key_W, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_NE(logic.whiteBalanceDialog(), nullptr);
    QtDialogWindow* wb = qtWindow(logic.whiteBalanceDialog()->window());
    ASSERT_NE(wb, nullptr);
    EXPECT_TRUE(wb->widget().isWindow());
    EXPECT_TRUE(wb->widget().isVisible());
    EXPECT_EQ(wb->widget().parentWidget(), &dialog.widget());
    EXPECT_EQ(wb->title(), "Korvane Adjusting White Balance");

    QTest::keyClick(dialog.handle(), Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_NE(logic.noiseDialog(), nullptr);
    QtDialogWindow* noise = qtWindow(logic.noiseDialog()->window());
    ASSERT_NE(noise, nullptr);
    EXPECT_TRUE(noise->widget().isVisible());
    EXPECT_EQ(noise->title(), "Lumbrecht Noise Processing");
    // The key again brings the open window to the front instead of a second one.
    QTest::keyClick(dialog.handle(), Qt::Key_W, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(qtWindow(logic.whiteBalanceDialog()->window()), wb);

    auto* red = dynamic_cast<QSlider*>(wb->controlWidget(ids::wb::kRedSlider));
    ASSERT_NE(red, nullptr);
    red->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(wb->text(ids::wb::kRedEdit), "4.0000");
    EXPECT_NE(dialog.window().panelSurface().pixels(), before);

    QTest::mouseClick(wb->controlWidget(ids::kCancel), Qt::LeftButton);
    EXPECT_EQ(logic.whiteBalanceDialog(), nullptr);
    EXPECT_EQ(dialog.window().panelSurface().pixels(), before);
    QTest::mouseClick(noise->controlWidget(ids::kCancel), Qt::LeftButton);
    EXPECT_EQ(logic.noiseDialog(), nullptr);
    QCoreApplication::processEvents(); // the windows' deferred deletion
}

} // namespace
} // namespace korvane::qt::test
