// The picture panel's mouse: whole-cell selections in both directions, the drag that
// leaves the panel, panning, the cursors, the scroll bars and the wheel.
#include "tests/app/DialogFixture.hpp"

#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

using platform::CursorKind;
using platform::MouseKind;
using platform::Point;
using platform::ScrollCode;

// A 200 x 400 RGGB image whose samples differ from each other.
FakeImage rampImage() {
    FakeImage img;
    img.maximumValue = 4096;
    img.whiteLevel = 4095;
    img.width = 200;
    img.height = 400;
    img.sample = [](std::uint32_t r, std::uint32_t c) {
        return static_cast<std::uint16_t>((r * 7 + c * 3) % 4000);
    };
    return img;
}

class PanelMouse : public DialogFixture {
protected:
    void load(platform::Size panel = {120, 100}, std::uint8_t magnification = 1) {
        open("", fakeStages(rampImage()));
        window->setPanelSize(panel);
        window->setText(ids::kPathEdit, folder.write("a.dng", std::vector<std::uint8_t>(100, 0)));
        driver->click(ids::kProcess);
        ASSERT_NE(dlg->image(), nullptr);
        dlg->setZoom(magnification, 1);
    }
    void mouse(MouseKind kind, int x, int y) { driver->mouse(kind, {x, y}); }
    const PanelSelection& selection() const { return dlg->panel().selection; }
    const PanelGeometry& geometry() const { return dlg->panel().geometry; }
    TempFolder folder;
};

TEST_F(PanelMouse, ARightClickSelectsTheOneCellUnderThePointer) {
    load({120, 100}, 3);
    const PanelGeometry& g = geometry();
    mouse(MouseKind::RightDown, g.originX + 14, g.originY + 20);
    EXPECT_EQ(services.cursor, CursorKind::Cross);
    EXPECT_EQ(dlg->panel().mouseState, MouseState::Selecting);
    const PanelSelection& s = selection();
    ASSERT_TRUE(s.valid);
    EXPECT_EQ(s.right - s.left + 1, 6);
    EXPECT_EQ(s.bottom - s.top + 1, 6);
    EXPECT_EQ((s.left - g.originX) % 6, 0);
    EXPECT_EQ(s.left, g.originX + 12);
    EXPECT_EQ(s.top, g.originY + 18);
    EXPECT_FALSE(window->isEnabled(ids::kHScroll)) << "the bars rest during a drag";
    mouse(MouseKind::RightUp, g.originX + 14, g.originY + 20);
    EXPECT_EQ(services.cursor, CursorKind::Arrow);
    EXPECT_TRUE(window->isEnabled(ids::kHScroll));
    EXPECT_TRUE(dlg->selectionValid()) << "the selection stays";
    EXPECT_NE(text(ids::kStatisticsText), "");
}

// Right from the anchor and back across it: the right edge returns to the anchor cell's
// and the left edge follows the pointer; back to the right restores the left edge.
TEST_F(PanelMouse, ASelectionAlwaysSpansTheAnchorCellAndThePointerCell) {
    load({120, 100}, 2);
    const PanelGeometry& g = geometry();
    const int ax = g.originX + 41, ay = g.originY + 21; // cell 40..43 x 20..23
    mouse(MouseKind::RightDown, ax, ay);
    const struct {
        int x, y, left, right, top, bottom;
    } steps[] = {
        {ax + 10, ay + 5, 40, 51, 20, 27}, // right and down
        {ax - 10, ay + 5, 28, 43, 20, 27}, // back across to the left
        {ax - 10, ay - 9, 28, 43, 12, 23}, // and above the anchor
        {ax + 2, ay + 1, 40, 43, 20, 23},  // into the anchor cell again
        {ax + 17, ay - 1, 40, 59, 20, 23}, // right once more
    };
    for (const auto& step : steps) {
        mouse(MouseKind::Move, step.x, step.y);
        const PanelSelection& s = selection();
        EXPECT_EQ((std::array{s.left, s.right, s.top, s.bottom}),
                  (std::array{g.originX + step.left, g.originX + step.right, g.originY + step.top,
                              g.originY + step.bottom}))
            << "pointer at " << step.x << "," << step.y;
        EXPECT_EQ(window->focus(), ids::kFocusKeeper);
    }
}

// A drag that leaves the panel ends at its border: the last cell inside the image area;
// letting go outside changes nothing.
TEST_F(PanelMouse, ADragThatLeavesThePanelEndsAtItsBorder) {
    load({120, 100}, 1);
    const PanelGeometry& g = geometry();
    const platform::Rect panel = window->controlRect(ids::kPanel);
    const int right = 120 - g.marginRight - 1, bottom = 100 - g.marginBottom - 1;
    mouse(MouseKind::RightDown, g.originX + 10, g.originY + 10);
    dlg->onDialogMouseMove({panel.right + 30, panel.bottom + 40});
    EXPECT_EQ(dlg->panel().mouseState, MouseState::Outside);
    EXPECT_EQ(services.cursor, CursorKind::Arrow);
    const PanelSelection ended = selection();
    EXPECT_EQ(ended.left, g.originX + 10);
    EXPECT_EQ(ended.right, right - (right - g.originX + 1) % 2);
    EXPECT_EQ(ended.bottom, bottom - (bottom - g.originY + 1) % 2);
    EXPECT_TRUE(window->isEnabled(ids::kHScroll));
    mouse(MouseKind::RightUp, 5, 5);
    mouse(MouseKind::Move, g.originX + 3, g.originY + 3);
    const PanelSelection after = selection();
    EXPECT_EQ((std::array{after.left, after.top, after.right, after.bottom}),
              (std::array{ended.left, ended.top, ended.right, ended.bottom}));
}

TEST_F(PanelMouse, PanningMovesFourUnitsAPixelWithinTheScrollRange) {
    load({120, 100}, 1);
    ASSERT_GT(dlg->image()->scrollMaxX, 40);
    dlg->setScroll(30, 0);
    mouse(MouseKind::LeftDown, 50, 50);
    EXPECT_EQ(services.cursor, CursorKind::Hand);
    mouse(MouseKind::Move, 48, 50);
    EXPECT_EQ(dlg->image()->scrollX, 38);
    EXPECT_EQ(window->position(ids::kHScroll), 38);
    mouse(MouseKind::Move, 58, 50); // ten pixels right: 40 units back, held at 0
    EXPECT_EQ(dlg->image()->scrollX, 0);
    mouse(MouseKind::Move, 58, 45);
    EXPECT_EQ(dlg->image()->scrollY, 20);
    EXPECT_FALSE(window->isEnabled(ids::kHScroll));
    mouse(MouseKind::RightDown, 60, 60);
    EXPECT_FALSE(dlg->selectionValid()) << "no selection while panning";
    mouse(MouseKind::LeftUp, 58, 45);
    EXPECT_EQ(dlg->panel().mouseState, MouseState::Hover);
    EXPECT_TRUE(window->isEnabled(ids::kHScroll));

    // An image that fits the panel does not pan.
    load({400, 500}, 1);
    ASSERT_EQ(dlg->image()->scrollMaxX, 0);
    ASSERT_EQ(dlg->image()->scrollMaxY, 0);
    mouse(MouseKind::LeftDown, 50, 50);
    mouse(MouseKind::Move, 40, 40);
    EXPECT_EQ(dlg->image()->scrollX, 0);
    EXPECT_EQ(dlg->image()->scrollY, 0);
}

TEST_F(PanelMouse, ScrollBarCodesStayWithinTheRangeAndLineUpAtTheStartDoesNotRepaint) {
    load({120, 100}, 1);
    ImageDescriptor& image = const_cast<ImageDescriptor&>(*dlg->image());
    const int maximum = image.scrollMaxY, page = image.pageY;
    ASSERT_GT(maximum, 2 * page);
    const int before = window->panelUpdates();
    dlg->onVScroll(ids::kVScroll, ScrollCode::LineUp, 0);
    EXPECT_EQ(window->panelUpdates(), before);
    dlg->onVScroll(ids::kVScroll, ScrollCode::EndScroll, 0);
    EXPECT_EQ(window->panelUpdates(), before);
    const struct {
        ScrollCode code;
        int position;
        int expected;
    } steps[] = {
        {ScrollCode::LineDown, 0, 1},
        {ScrollCode::PageDown, 0, 1 + page},
        {ScrollCode::Bottom, 0, maximum},
        {ScrollCode::PageDown, 0, maximum},
        {ScrollCode::LineDown, 0, maximum},
        {ScrollCode::PageUp, 0, maximum - page},
        {ScrollCode::ThumbTrack, 3, 3},
        {ScrollCode::ThumbPosition, 9999, maximum},
        {ScrollCode::Top, 0, 0},
        {ScrollCode::PageUp, 0, 0},
    };
    for (const auto& step : steps) {
        dlg->onVScroll(ids::kVScroll, step.code, step.position);
        EXPECT_EQ(image.scrollY, step.expected) << static_cast<int>(step.code);
        EXPECT_EQ(window->position(ids::kVScroll),
                  std::min(step.expected, window->rangeState(ids::kVScroll).maximum));
    }
}

// A notch moves a quarter of a page (at least one unit); Shift turns it across.
TEST_F(PanelMouse, TheWheelScrollsAQuarterPageANotch) {
    load({120, 100}, 1);
    const ImageDescriptor& image = *dlg->image();
    const int quarter = std::max(image.pageY / 4, 1);
    driver->wheel(-120, {10, 10});
    EXPECT_EQ(image.scrollY, quarter);
    driver->wheel(-360, {10, 10});
    EXPECT_EQ(image.scrollY, std::min(4 * quarter, image.scrollMaxY));
    driver->wheel(120 * 1000, {10, 10});
    EXPECT_EQ(image.scrollY, 0);
    services.press(platform::vk::kShift);
    driver->wheel(-120, {10, 10});
    services.releaseAll();
    EXPECT_EQ(image.scrollX, std::max(image.pageX / 4, 1));
    EXPECT_EQ(image.scrollY, 0);
}

// In Histogram mode, and without an image, no mouse or wheel action changes anything.
TEST_F(PanelMouse, WithoutAPictureTheMouseChangesNothing) {
    for (const bool histogram : {false, true}) {
        if (histogram) {
            load();
            driver->click(ids::kRadioHistogram);
        } else {
            open();
        }
        const int updates = window->panelUpdates();
        mouse(MouseKind::RightDown, 30, 30);
        mouse(MouseKind::Move, 60, 60);
        mouse(MouseKind::LeftDown, 30, 30);
        mouse(MouseKind::Move, 10, 10);
        driver->wheel(-120, {10, 10});
        EXPECT_FALSE(dlg->selectionValid());
        EXPECT_NE(dlg->panel().mouseState, MouseState::Panning);
        EXPECT_NE(dlg->panel().mouseState, MouseState::Selecting);
        EXPECT_EQ(services.cursor, CursorKind::Arrow);
        EXPECT_EQ(window->panelUpdates(), updates) << "histogram " << histogram;
        if (dlg->image() != nullptr) {
            EXPECT_EQ(dlg->image()->scrollX, 0);
            EXPECT_EQ(dlg->image()->scrollY, 0);
        }
        TearDown();
    }
}

} // namespace
} // namespace korvane::test
