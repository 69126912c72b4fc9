#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/DisplayMode.hpp"
#include "common/IfdNode.hpp"
#include "platform/Geometry.hpp"

namespace korvane {

// The four displays the eight orientation values give; a mirrored value shows like its
// unmirrored partner. The values are those of the orientation buttons' own orientations.
enum class OrientationGroup : std::uint8_t {
    AsStored = 1,         // 1, 2
    Turned180 = 3,        // 3, 4
    CounterClockwise = 8, // 5, 8: turned 90 degrees counter-clockwise
    Clockwise = 6,        // 6, 7: turned 90 degrees clockwise
};

// The image's orientation, or the file's when the image has none, or 1; a value beyond 8
// is taken as 1.
[[nodiscard]] std::uint16_t resolvedOrientation(std::uint16_t image, std::uint16_t file);
[[nodiscard]] OrientationGroup orientationGroup(std::uint16_t orientation);

// The CFA pattern as seen on screen: per display cell position (row-major, width x height).
struct DisplayCfa {
    std::uint8_t width = 1;                     // cw
    std::uint8_t height = 1;                    // ch
    std::array<CfaColour, 64> colour{};         // the displayCfa the dialog keeps
    std::array<std::uint8_t, 64> channel{};     // kChannelRed ... kChannelGreen2
    std::array<std::uint8_t, 64> storedEntry{}; // the entry of the file's pattern shown there
    std::size_t size() const { return std::size_t{width} * height; }
};

// The margins around the image and the size of a selection cell, as the panel keeps them.
struct PanelGeometry {
    std::uint16_t originX = 0;
    std::uint16_t originY = 0;
    std::uint16_t marginRight = 0;
    std::uint16_t marginBottom = 0;
    std::uint8_t cellCols = 1;
    std::uint8_t cellRows = 1;
    friend bool operator==(const PanelGeometry&, const PanelGeometry&) = default;
};

// One direction of the layout.
struct ViewportAxis {
    bool scrollable = false;
    std::int32_t scroll = 0;    // first visible unit
    std::int32_t scrollMax = 0; // 0 when not scrollable
    std::int32_t page = 0;      // visible units (scroll bar page)
    std::int32_t shownPixels = 0;
    std::int32_t firstSample = 0;    // display coordinate of the first visible sample
    std::int32_t visibleSamples = 0; // display samples from there that are shown
};

// What the layout needs to know.
struct ViewportRequest {
    platform::Size panel;          // client area of the picture panel
    std::uint16_t orientation = 1; // resolved, 1 to 8
    DisplayMode mode = DisplayMode::Image;
    ImageSubMode subMode = ImageSubMode::Composite;
    std::uint8_t magnification = 1;
    std::uint8_t reduction = 1;
};

// The whole geometry of one drawing.
struct Viewport {
    OrientationGroup group = OrientationGroup::AsStored;
    std::uint32_t shownWidth = 0;  // W': active area width in display orientation
    std::uint32_t shownHeight = 0; // H'
    DisplayCfa cfa;
    // Cell-reduced: one display pixel per CFA cell. Otherwise every sample is a
    // magnification x magnification block.
    bool reduced = false;
    std::uint8_t magnification = 1; // as it acts: 1 in the cell-reduced layout
    ViewportAxis x, y;
    PanelGeometry geometry;
    ViewportState state;
    // The walk through the SampleBuffer: index of the first visible sample and the index
    // steps per display sample right and down.
    std::size_t firstIndex = 0;
    std::ptrdiff_t stepX = 1;
    std::ptrdiff_t stepY = 0;

    // Display pixels of one visible cell, across and down.
    std::int32_t cellPixelsX() const { return reduced ? 1 : cfa.width * magnification; }
    std::int32_t cellPixelsY() const { return reduced ? 1 : cfa.height * magnification; }
    // Samples of the visible part, across and down.
    bool empty() const { return x.visibleSamples <= 0 || y.visibleSamples <= 0; }
};

// Lays out the image in the panel, and writes the scroll state (scroll positions lowered to
// their maxima, maxima, pages) and the ViewportState into the image.
[[nodiscard]] Viewport LayOutViewport(ImageDescriptor& image, const ViewportRequest& request);

// What the dialog applies to one scroll bar after a layout (range, page and position, with
// the bar shown even when it cannot scroll; disabled then).
struct ScrollBarSetup {
    bool enabled = false;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t page = 0;
    std::int32_t position = 0;
    friend bool operator==(const ScrollBarSetup&, const ScrollBarSetup&) = default;
};
// `horizontal` picks the bar; `dragging`: the panel is panning or selecting, which keeps the
// bars disabled.
[[nodiscard]] ScrollBarSetup scrollBarSetup(const Viewport& view, bool horizontal, bool dragging);

// The selection rectangle of the panel, in client coordinates, all edges inclusive.
struct PanelSelection {
    bool valid = false;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Whether the selection lies wholly inside the image area of a panel of `panel` size.
[[nodiscard]] bool selectionInsideImage(const Viewport& view, platform::Size panel,
                                        const PanelSelection& s);

// Visible units whose display position (their top-left pixel) lies inside the selection,
// inclusive; empty when first > last. A unit is what is painted as one block: a sample in
// Channel, Exposure and Greyscale at one sample per pixel, a CFA cell otherwise.
struct UnitRange {
    std::int32_t firstX = 0, lastX = -1, firstY = 0, lastY = -1;
    bool empty() const { return firstX > lastX || firstY > lastY; }
};
[[nodiscard]] UnitRange selectedUnits(const Viewport& view, const PanelSelection& s, bool samples);

// The selection in image coordinates (display orientation, scrolling included) and its
// text "(left,top)\n widthxheight".
[[nodiscard]] SelectionArea selectionInImage(const Viewport& view, const PanelSelection& s);
[[nodiscard]] std::string coordinatesText(const SelectionArea& area);

// The stored sample a panel pixel shows: its row and column in the SampleBuffer, its CFA
// colour and channel, and its value. A pixel of the reduced layout shows a whole cell; it
// names the cell's first sample in display order. None in the margins.
struct PanelSample {
    std::uint32_t row = 0;
    std::uint32_t column = 0;
    CfaColour colour = CfaColour::Green;
    int channel = kChannelGreen1;
    std::uint16_t value = 0;
};
[[nodiscard]] std::optional<PanelSample>
sampleAtPixel(const Viewport& view, const ImageDescriptor& image, platform::Point pixel);
// The samples a selection covers, as rows and columns of the SampleBuffer: the area the
// selection shows (display orientation, counted from the active area) turned back to the
// stored orientation and cut to the active area.
[[nodiscard]] SampleRect storedSelection(const Viewport& view, const ImageDescriptor& image,
                                         const SelectionArea& area);

// "row 1204, col 880  G1  3127"
[[nodiscard]] std::string panelSampleText(const PanelSample& sample);

// "Zoom\n  m:1", or "Zoom\n  m:k" in the Image modes other than Channel.
[[nodiscard]] std::string zoomText(DisplayMode mode, ImageSubMode subMode, unsigned magnification,
                                   unsigned reduction);

} // namespace korvane
