// The picture panel: the logic's Surface shown pixel for pixel, the mouse in client
// coordinates, and a picture asked for whenever the panel needs one.
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RecordingHandler.hpp"
#include "ShownDialog.hpp"
#include "qt/PanelWidget.hpp"
#include "resources/ControlIds.hpp"

namespace korvane::qt::test {
namespace {

using platform::rgb;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PanelTest : public ::testing::Test {
protected:
    PanelTest() { QCoreApplication::processEvents(); }

    QtDialogWindow& window() { return dialog.window(); }
    PanelWidget* panel() { return dialog.control<PanelWidget>(ids::kPanel); }
    // A panel client point in the panel widget's coordinates.
    QPoint at(int x, int y) { return panel()->contentsRect().topLeft() + QPoint(x, y); }

    QtServices services;
    RecordingHandler handler;
    ShownDialog dialog{services, ids::kMainDialog, handler};
};

TEST_F(PanelTest, SurfaceIsTheClientArea) {
    const QSize client = panel()->contentsRect().size();
    EXPECT_EQ(window().panelSurface().size(), (platform::Size{client.width(), client.height()}));
    EXPECT_GT(client.width(), 0);
}

TEST_F(PanelTest, AsksForAPictureWhenShownAndWhenResized) {
    EXPECT_THAT(handler.log, Contains("paint"));
    handler.clear();
    QCoreApplication::processEvents();
    EXPECT_THAT(handler.logOf("paint"), IsEmpty());

    platform::Rect r = window().controlRect(ids::kPanel);
    r.right += 40;
    r.bottom += 20;
    window().moveControl(ids::kPanel, r);
    QCoreApplication::processEvents();
    EXPECT_THAT(handler.logOf("paint"), ElementsAre("paint"));
    EXPECT_EQ(window().panelSurface().width(), panel()->contentsRect().width());
}

TEST_F(PanelTest, ShowsTheSurfacePixelForPixel) {
    platform::Surface& surface = window().panelSurface();
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            surface.setPixel(x, y, rgb(x % 256, y % 256, 0x40));
    window().updatePanel();
    const QImage shown = panel()->grab().toImage();
    // Scaled displays draw each picture pixel as a block of device pixels.
    const qreal scale = shown.devicePixelRatio();
    for (const QPoint p : {QPoint(0, 0), QPoint(5, 7), QPoint(200, 100),
                           QPoint(surface.width() - 1, surface.height() - 1)}) {
        const QPoint device = (QPointF(at(p.x(), p.y())) * scale).toPoint();
        EXPECT_EQ(shown.pixelColor(device), QColor(p.x() % 256, p.y() % 256, 0x40))
            << p.x() << "," << p.y();
    }
}

TEST_F(PanelTest, MouseIsReportedInClientCoordinates) {
    handler.clear();
    QTest::mousePress(panel(), Qt::LeftButton, {}, at(10, 5));
    QTest::mouseMove(panel(), at(12, 6));
    QTest::mouseRelease(panel(), Qt::LeftButton, {}, at(12, 6));
    QTest::mouseClick(panel(), Qt::RightButton, {}, at(30, 40));
    EXPECT_THAT(handler.logOf("mouse"),
                ElementsAre("mouse LeftDown 10,5", "mouse Move 12,6", "mouse LeftUp 12,6",
                            "mouse RightDown 30,40", "mouse RightUp 30,40"));
}

TEST_F(PanelTest, DragLeavingThePanelIsAMoveOverTheDialogAndItsReleaseIsStillSeen) {
    // Once out, the dialog has the pointer; the button let go out there still reaches the
    // panel, which holds the mouse during a drag.
    const QPoint outside(panel()->width() + 15, 8);
    QTest::mousePress(panel(), Qt::RightButton, {}, at(20, 8));
    handler.clear();
    QTest::mouseMove(panel(), outside);
    QTest::mouseRelease(panel(), Qt::RightButton, {}, outside);
    const QPoint inDialog = panel()->mapToParent(outside);
    const QPoint client = outside - panel()->contentsRect().topLeft();
    EXPECT_THAT(handler.log, ElementsAre("dialogmouse " + std::to_string(inDialog.x()) + "," +
                                             std::to_string(inDialog.y()),
                                         "mouse RightUp " + std::to_string(client.x()) + "," +
                                             std::to_string(client.y())));
}

TEST_F(PanelTest, PointerOverTheDialogOutsideThePanelIsReported) {
    handler.clear();
    // Left of the picture panel, on the bare dialog (and on the screen when it is scaled).
    const QPoint background(panel()->x() / 2, panel()->y() + 10);
    QTest::mouseMove(&dialog.widget(), background);
    const auto moves = handler.logOf("dialogmouse");
    ASSERT_FALSE(moves.empty());
    int x = -1, y = -1;
    ASSERT_EQ(std::sscanf(moves.back().c_str(), "dialogmouse %d,%d", &x, &y), 2);
    // A scaled screen may round the pointer to a device pixel.
    EXPECT_LE(std::abs(x - background.x()), 1);
    EXPECT_LE(std::abs(y - background.y()), 1);
}

} // namespace
} // namespace korvane::qt::test
