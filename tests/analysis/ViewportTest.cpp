#include <gtest/gtest.h>

#include "SyntheticImage.hpp"
#include "analysis/Viewport.hpp"

namespace korvane {
namespace {

using test::makeImage;

ViewportRequest request(int width, int height, std::uint16_t orientation = 1) {
    ViewportRequest r;
    r.panel = {width, height};
    r.orientation = orientation;
    return r;
}

TEST(ViewportLayout, APanelFourPixelsLargerThanTheImageIsNotScrollable) {
    ImageDescriptor image = makeImage(100, 60);
    const Viewport v = LayOutViewport(image, request(104, 64));
    EXPECT_FALSE(v.x.scrollable);
    EXPECT_FALSE(v.y.scrollable);
    EXPECT_EQ(v.geometry, (PanelGeometry{2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(v.x.shownPixels, 100);
    EXPECT_EQ(image.scrollMaxX, 0);
    EXPECT_EQ(scrollBarSetup(v, true, false), ScrollBarSetup{}); // disabled
}

TEST(ViewportLayout, OddPixelsOfTheMarginsGoRightAndBottom) {
    ImageDescriptor image = makeImage(100, 60);
    const Viewport v = LayOutViewport(image, request(111, 75));
    EXPECT_EQ(v.geometry, (PanelGeometry{5, 7, 6, 8, 2, 2}));
}

TEST(ViewportLayout, FourThousandAndOneColumnsShowWholeCellsAndScrollByLessThanACell) {
    ImageDescriptor image = makeImage(4001, 1000);
    const Viewport v = LayOutViewport(image, request(4004, 1004));
    EXPECT_TRUE(v.x.scrollable);
    EXPECT_EQ(v.x.shownPixels, 4000);
    EXPECT_EQ(v.x.page, 2000);
    EXPECT_EQ(v.x.scrollMax, 0);
    EXPECT_EQ(v.geometry.originX, 2);
    EXPECT_EQ(v.geometry.marginRight, 2);
    // The bar's position would divide by the maximum of 0: it stays at the start.
    EXPECT_EQ(scrollBarSetup(v, true, false), (ScrollBarSetup{true, 0, 1999, 2000, 0}));
    EXPECT_FALSE(scrollBarSetup(v, true, true).enabled); // not while the panel drags
}

TEST(ViewportLayout, ScrollPositionsAreHeldInsideTheirRangeAndTheBarFollows) {
    ImageDescriptor image = makeImage(1000, 100);
    image.scrollX = 5000;
    image.scrollY = -3;
    Viewport v = LayOutViewport(image, request(204, 104));
    // 200 pixels of 2-pixel cells: 100 cells of 500.
    EXPECT_EQ(image.pageX, 100);
    EXPECT_EQ(image.scrollMaxX, 400);
    EXPECT_EQ(image.scrollX, 400);
    EXPECT_EQ(image.scrollY, 0);
    EXPECT_EQ(v.x.firstSample, 800);
    EXPECT_EQ(v.firstIndex, 800u);
    EXPECT_EQ(v.x.visibleSamples, 200);
    image.scrollX = 100;
    v = LayOutViewport(image, request(204, 104));
    EXPECT_EQ(scrollBarSetup(v, true, false), (ScrollBarSetup{true, 0, 499, 100, 499 * 100 / 400}));
}

TEST(ViewportLayout, OrientationSixTurnsTheImageClockwise) {
    ImageDescriptor image = makeImage(3000, 2000);
    const Viewport v = LayOutViewport(image, request(5000, 5000, 6));
    EXPECT_EQ(v.group, OrientationGroup::Clockwise);
    EXPECT_EQ(v.shownWidth, 2000u);
    EXPECT_EQ(v.shownHeight, 3000u);
    // The first visible sample is the bottom-left one; right goes up a row, down a column.
    EXPECT_EQ(v.state.firstRow, 1999);
    EXPECT_EQ(v.state.firstColumn, 0);
    EXPECT_EQ(v.firstIndex, 1999u * 3000);
    EXPECT_EQ(v.stepX, -3000);
    EXPECT_EQ(v.stepY, 1);
    EXPECT_EQ(image.viewport.rowPerX, -1);
    EXPECT_EQ(image.viewport.colPerY, 1);
}

TEST(ViewportLayout, EveryOrientationPaintsTheSamplesWhereItsTurnPutsThem) {
    // Samples 1 to 8 in a 4 x 2 image, shown through the identity display.
    struct Case {
        std::uint16_t orientation;
        std::array<std::array<int, 4>, 4> rows; // display rows, 0 where nothing is shown
    };
    const Case cases[] = {
        {1, {{{1, 2, 3, 4}, {5, 6, 7, 8}, {}, {}}}},
        {2, {{{1, 2, 3, 4}, {5, 6, 7, 8}, {}, {}}}}, // mirrored shows as unmirrored
        {3, {{{8, 7, 6, 5}, {4, 3, 2, 1}, {}, {}}}},
        {6, {{{5, 1}, {6, 2}, {7, 3}, {8, 4}}}},
        {8, {{{4, 8}, {3, 7}, {2, 6}, {1, 5}}}},
    };
    for (const Case& c : cases) {
        ImageDescriptor image = makeImage(4, 2);
        test::fillSamples(image,
                          [](std::uint32_t r, std::uint32_t col) { return r * 4 + col + 1; });
        image.orientation = c.orientation;
        RenderSettings s = test::identitySettings(20, 20);
        s.subMode = ImageSubMode::Greyscale;
        const test::Rendered r = test::render(image, s);
        const bool turned = c.orientation >= 5;
        for (int y = 0; y < (turned ? 4 : 2); ++y)
            for (int x = 0; x < (turned ? 2 : 4); ++x)
                EXPECT_EQ(test::blueOf(test::imagePixel(r, x, y)), c.rows[y][x])
                    << "orientation " << c.orientation << " at " << x << "," << y;
    }
}

TEST(ViewportLayout, TheDisplayedPatternComesFromTheSamplesShownThere) {
    // Three rows: turned 180 degrees the top display row is stored row 2, a red-green row.
    ImageDescriptor image = makeImage(4, 3);
    const Viewport v = LayOutViewport(image, request(20, 20, 3));
    EXPECT_EQ(v.cfa.colour[0], CfaColour::Green);
    EXPECT_EQ(v.cfa.colour[1], CfaColour::Red);
    EXPECT_EQ(v.cfa.colour[2], CfaColour::Blue);
    EXPECT_EQ(v.cfa.colour[3], CfaColour::Green);
    EXPECT_EQ(v.cfa.channel[0], kChannelGreen1); // green of the display cell's first row
    EXPECT_EQ(v.cfa.channel[3], kChannelGreen2);
    EXPECT_EQ(v.cfa.storedEntry[1], 0u); // the file's red entry
}

TEST(ViewportLayout, OrientationComesFromTheImageThenTheFile) {
    EXPECT_EQ(resolvedOrientation(6, 3), 6);
    EXPECT_EQ(resolvedOrientation(0, 3), 3);
    EXPECT_EQ(resolvedOrientation(0, 0), 1);
    EXPECT_EQ(resolvedOrientation(9, 0), 1);
    EXPECT_EQ(orientationGroup(2), OrientationGroup::AsStored);
    EXPECT_EQ(orientationGroup(4), OrientationGroup::Turned180);
    EXPECT_EQ(orientationGroup(5), OrientationGroup::CounterClockwise);
    EXPECT_EQ(orientationGroup(7), OrientationGroup::Clockwise);
}

TEST(ViewportReduction, OnePixelPerCellOnlyInCompositeAndGreyscale) {
    ImageDescriptor image = makeImage(3000, 2000);
    ViewportRequest r = request(1004, 1004);
    r.reduction = 2;
    Viewport v = LayOutViewport(image, r);
    EXPECT_TRUE(v.reduced);
    EXPECT_EQ(v.geometry.cellCols, 1);
    EXPECT_EQ(v.x.page, 1000);
    EXPECT_EQ(v.x.scrollMax, 500); // 1500 cells across
    EXPECT_FALSE(v.y.scrollable);  // 1000 cells down
    EXPECT_EQ(v.x.visibleSamples, 2000);
    EXPECT_EQ(zoomText(DisplayMode::Image, ImageSubMode::Composite, 1, 2), "Zoom\n  1:2");

    r.subMode = ImageSubMode::Channel;
    v = LayOutViewport(image, r);
    EXPECT_FALSE(v.reduced);
    EXPECT_EQ(v.geometry.cellCols, 2);
    EXPECT_EQ(v.x.page, 500);
    EXPECT_EQ(v.x.scrollMax, 1000);
    EXPECT_EQ(zoomText(DisplayMode::Image, ImageSubMode::Channel, 1, 2), "Zoom\n  1:1");
    EXPECT_EQ(zoomText(DisplayMode::Exposure, ImageSubMode::Composite, 3, 1), "Zoom\n  3:1");
}

TEST(ViewportReduction, MagnificationMakesCellsLargerAndPagesSmaller) {
    ImageDescriptor image = makeImage(1000, 1000);
    ViewportRequest r = request(1004, 1004);
    r.magnification = 3;
    const Viewport v = LayOutViewport(image, r);
    // Cells of 6 pixels: 166 of them in 1000 pixels.
    EXPECT_EQ(v.x.shownPixels, 996);
    EXPECT_EQ(v.x.page, 166);
    EXPECT_EQ(v.x.scrollMax, (3000 - 996) / 6);
    EXPECT_EQ(v.x.visibleSamples, 332);
    EXPECT_EQ(v.geometry.originX, 4);
}

TEST(ViewportSelection, ReportsTheSelectionInSamplesOfTheDisplay) {
    ImageDescriptor image = makeImage(1000, 1000);
    ViewportRequest r = request(1004, 1004);
    r.magnification = 5;
    image.scrollX = 3;
    image.scrollY = 1;
    const Viewport v = LayOutViewport(image, r);
    const int ox = v.geometry.originX, oy = v.geometry.originY;
    const PanelSelection s{true, ox + 20, oy + 10, ox + 29, oy + 19}; // 10 x 10 pixels
    const SelectionArea a = selectionInImage(v, s);
    EXPECT_EQ(a.left, 4 + 6); // 20 / 5 plus 2 x scrollX
    EXPECT_EQ(a.top, 2 + 2);
    EXPECT_EQ(a.right - a.left + 1, 2);
    EXPECT_EQ(a.bottom - a.top + 1, 2);
    EXPECT_EQ(coordinatesText(a), "(  10,4   )\n    2x2   ");
    const UnitRange cells = selectedUnits(v, s, false); // cells of 10 pixels
    EXPECT_EQ(cells.firstX, 2);
    EXPECT_EQ(cells.lastX, 2);
    EXPECT_EQ(cells.firstY, 1);
    EXPECT_EQ(cells.lastY, 1);
    const UnitRange samples = selectedUnits(v, s, true); // samples of 5 pixels
    EXPECT_EQ(samples.firstX, 4);
    EXPECT_EQ(samples.lastX, 5);
    const UnitRange off = selectedUnits(v, {true, ox + 21, oy + 10, ox + 24, oy + 19}, true);
    EXPECT_TRUE(off.empty()); // no sample's top-left pixel inside
}

TEST(ViewportSelection, InTheReducedLayoutAPixelIsAWholeCell) {
    ImageDescriptor image = makeImage(3000, 2000);
    ViewportRequest r = request(1004, 1004);
    r.reduction = 2;
    const Viewport v = LayOutViewport(image, r);
    const int ox = v.geometry.originX, oy = v.geometry.originY;
    const SelectionArea a = selectionInImage(v, {true, ox + 10, oy + 5, ox + 13, oy + 5});
    EXPECT_EQ(a.left, 20);
    EXPECT_EQ(a.top, 10);
    EXPECT_EQ(a.right, 27);
    EXPECT_EQ(a.bottom, 11);
}

TEST(ViewportSelection, OnlyASelectionInsideTheImageAreaTakesPart) {
    ImageDescriptor image = makeImage(100, 60);
    const Viewport v = LayOutViewport(image, request(110, 70)); // margins 5
    EXPECT_TRUE(selectionInsideImage(v, {110, 70}, {true, 5, 5, 104, 64}));
    EXPECT_FALSE(selectionInsideImage(v, {110, 70}, {true, 4, 5, 10, 10}));
    EXPECT_FALSE(selectionInsideImage(v, {110, 70}, {true, 5, 5, 105, 10}));
    EXPECT_FALSE(selectionInsideImage(v, {110, 70}, {false, 5, 5, 10, 10}));
}

} // namespace
} // namespace korvane
