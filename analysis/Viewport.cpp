#include "analysis/Viewport.hpp"

#include <algorithm>
#include <cstdio>

#include "analysis/CfaColours.hpp"

namespace korvane {

namespace {

// Every side keeps at least this many pixels of margin.
constexpr std::int32_t kMinimumMargin = 2;

// Image row and column (relative to the active area) of display sample (dx, dy).
struct StoredPosition {
    std::int64_t row = 0;
    std::int64_t column = 0;
};

StoredPosition storedPosition(OrientationGroup group, std::int64_t width, std::int64_t height,
                              std::int64_t dx, std::int64_t dy) {
    switch (group) {
    case OrientationGroup::Turned180:
        return {height - 1 - dy, width - 1 - dx};
    case OrientationGroup::Clockwise:
        return {height - 1 - dx, dy};
    case OrientationGroup::CounterClockwise:
        return {dx, width - 1 - dy};
    case OrientationGroup::AsStored:
    default:
        return {dy, dx};
    }
}

ViewportState stepsOf(OrientationGroup group) {
    ViewportState s;
    s.colPerX = s.colPerY = s.rowPerX = s.rowPerY = 0;
    switch (group) {
    case OrientationGroup::Turned180:
        s.colPerX = -1, s.rowPerY = -1;
        break;
    case OrientationGroup::Clockwise:
        s.colPerY = 1, s.rowPerX = -1;
        break;
    case OrientationGroup::CounterClockwise:
        s.colPerY = -1, s.rowPerX = 1;
        break;
    case OrientationGroup::AsStored:
    default:
        s.colPerX = 1, s.rowPerY = 1;
        break;
    }
    return s;
}

std::uint32_t positiveModulo(std::int64_t v, std::uint32_t m) {
    const std::int64_t r = v % m;
    return static_cast<std::uint32_t>(r < 0 ? r + m : r);
}

// The pattern at every display cell position: what the orientation puts there. It is taken
// from the sample actually shown there, so a side that is not a whole number of cells still
// gets its true colours after a turn.
DisplayCfa displayCfaOf(const ImageDescriptor& image, OrientationGroup group, std::uint32_t width,
                        std::uint32_t height) {
    const std::uint32_t pw = cfaPatternWidth(image), ph = cfaPatternHeight(image);
    const bool turned =
        group == OrientationGroup::Clockwise || group == OrientationGroup::CounterClockwise;
    DisplayCfa cfa;
    cfa.width = static_cast<std::uint8_t>(turned ? ph : pw);
    cfa.height = static_cast<std::uint8_t>(turned ? pw : ph);
    for (std::uint32_t y = 0; y < cfa.height; ++y) {
        for (std::uint32_t x = 0; x < cfa.width; ++x) {
            const StoredPosition at = storedPosition(group, width, height, x, y);
            const std::uint32_t entry =
                positiveModulo(at.row, ph) * pw + positiveModulo(at.column, pw);
            const std::size_t i = y * cfa.width + x;
            cfa.storedEntry[i] = static_cast<std::uint8_t>(entry);
            cfa.colour[i] = cfaColourOfEntry(image, entry);
            cfa.channel[i] = static_cast<std::uint8_t>(channelOf(cfa.colour[i], y));
        }
    }
    return cfa;
}

// One direction: `client` pixels, `shown` samples in display orientation, cells of `cell`
// samples, magnification m.
ViewportAxis layOutAxis(std::int32_t client, std::int64_t shown, std::int32_t cell, std::int32_t m,
                        bool reduced, std::int32_t scroll) {
    const std::int64_t available = std::max(client - 2 * kMinimumMargin, 0);
    ViewportAxis a;
    scroll = std::max(scroll, 0);
    if (reduced) {
        const std::int64_t cells = shown / cell;
        if (available >= cells) {
            a.shownPixels = static_cast<std::int32_t>(cells);
        } else {
            a.scrollable = true;
            a.page = static_cast<std::int32_t>(available);
            a.scrollMax = static_cast<std::int32_t>(cells - available);
            a.scroll = std::min(scroll, a.scrollMax);
            a.shownPixels = static_cast<std::int32_t>(available);
        }
        a.visibleSamples = a.shownPixels * cell;
    } else {
        const std::int64_t cellPixels = std::int64_t{cell} * m;
        const std::int64_t whole = cellPixels * (available / cellPixels);
        if (whole >= m * shown) {
            a.shownPixels = static_cast<std::int32_t>(m * shown);
        } else {
            a.scrollable = true;
            a.page = static_cast<std::int32_t>(whole / cellPixels);
            a.scrollMax = static_cast<std::int32_t>((m * shown - whole) / cellPixels);
            a.scroll = std::min(scroll, a.scrollMax);
            a.shownPixels = static_cast<std::int32_t>(whole);
        }
        a.visibleSamples = a.shownPixels / m;
    }
    a.firstSample = cell * a.scroll;
    return a;
}

void centre(std::int32_t client, std::int32_t shown, std::uint16_t& before, std::uint16_t& after) {
    const std::int32_t free = std::max(client - shown, 0);
    before = static_cast<std::uint16_t>(free / 2);
    after = static_cast<std::uint16_t>(free - free / 2);
}

} // namespace

std::uint16_t resolvedOrientation(std::uint16_t image, std::uint16_t file) {
    const std::uint16_t o = image != 0 ? image : file;
    return o >= 1 && o <= 8 ? o : 1;
}

OrientationGroup orientationGroup(std::uint16_t orientation) {
    switch (orientation) {
    case 3:
    case 4:
        return OrientationGroup::Turned180;
    case 6:
    case 7:
        return OrientationGroup::Clockwise;
    case 5:
    case 8:
        return OrientationGroup::CounterClockwise;
    default:
        return OrientationGroup::AsStored;
    }
}

Viewport LayOutViewport(ImageDescriptor& image, const ViewportRequest& request) {
    Viewport v;
    v.group = orientationGroup(request.orientation);
    const SampleRect active = image.activeRect();
    const bool turned =
        v.group == OrientationGroup::Clockwise || v.group == OrientationGroup::CounterClockwise;
    v.shownWidth = turned ? active.height : active.width;
    v.shownHeight = turned ? active.width : active.height;
    v.cfa = displayCfaOf(image, v.group, active.width, active.height);

    // The reduction only acts where one pixel can stand for a whole cell; it is then the
    // cell size itself, so a cell is never split between two pixels.
    v.reduced = request.reduction > 1 && request.mode == DisplayMode::Image &&
                request.subMode != ImageSubMode::Channel;
    v.magnification = v.reduced ? 1 : std::clamp<std::uint8_t>(request.magnification, 1, 10);
    v.x = layOutAxis(request.panel.width, v.shownWidth, v.cfa.width, v.magnification, v.reduced,
                     image.scrollX);
    v.y = layOutAxis(request.panel.height, v.shownHeight, v.cfa.height, v.magnification, v.reduced,
                     image.scrollY);

    centre(request.panel.width, v.x.shownPixels, v.geometry.originX, v.geometry.marginRight);
    centre(request.panel.height, v.y.shownPixels, v.geometry.originY, v.geometry.marginBottom);
    v.geometry.cellCols = v.reduced ? 1 : v.cfa.width;
    v.geometry.cellRows = v.reduced ? 1 : v.cfa.height;

    image.scrollX = v.x.scroll;
    image.scrollY = v.y.scroll;
    image.scrollMaxX = v.x.scrollMax;
    image.scrollMaxY = v.y.scrollMax;
    image.pageX = v.x.page;
    image.pageY = v.y.page;

    v.state = stepsOf(v.group);
    const StoredPosition first =
        storedPosition(v.group, active.width, active.height, v.x.firstSample, v.y.firstSample);
    v.state.firstRow = static_cast<std::int32_t>(first.row);
    v.state.firstColumn = static_cast<std::int32_t>(first.column);
    image.viewport = v.state;

    const auto pitch = static_cast<std::ptrdiff_t>(image.imageWidth);
    v.stepX = v.state.colPerX + v.state.rowPerX * pitch;
    v.stepY = v.state.colPerY + v.state.rowPerY * pitch;
    if (!v.empty())
        v.firstIndex =
            static_cast<std::size_t>((active.top + first.row) * pitch + active.left + first.column);
    return v;
}

ScrollBarSetup scrollBarSetup(const Viewport& view, bool horizontal, bool dragging) {
    const ViewportAxis& a = horizontal ? view.x : view.y;
    ScrollBarSetup bar;
    if (!a.scrollable) return bar;
    const std::int64_t cells =
        (horizontal ? view.shownWidth / view.cfa.width : view.shownHeight / view.cfa.height);
    bar.enabled = !dragging;
    bar.maximum = static_cast<std::int32_t>(std::max<std::int64_t>(cells - 1, 0));
    bar.page = a.page;
    // A view can scroll by less than one unit (its shown size is not a whole number of
    // cells): its maximum is then 0, and the bar stays at its start.
    bar.position =
        a.scrollMax > 0
            ? static_cast<std::int32_t>(std::int64_t{bar.maximum} * a.scroll / a.scrollMax)
            : 0;
    return bar;
}

bool selectionInsideImage(const Viewport& view, platform::Size panel, const PanelSelection& s) {
    const PanelGeometry& g = view.geometry;
    return s.valid && s.left >= g.originX && s.top >= g.originY && s.left <= s.right &&
           s.top <= s.bottom && s.right < panel.width - g.marginRight &&
           s.bottom < panel.height - g.marginBottom;
}

UnitRange selectedUnits(const Viewport& view, const PanelSelection& s, bool samples) {
    const std::int32_t relLeft = s.left - view.geometry.originX,
                       relRight = s.right - view.geometry.originX;
    const std::int32_t relTop = s.top - view.geometry.originY,
                       relBottom = s.bottom - view.geometry.originY;
    const std::int32_t cx = samples ? view.magnification : view.cellPixelsX();
    const std::int32_t cy = samples ? view.magnification : view.cellPixelsY();
    // Units whose top-left pixel lies inside: from the first multiple at or after the edge.
    UnitRange r;
    r.firstX = (std::max(relLeft, 0) + cx - 1) / cx;
    r.lastX = relRight < 0 ? -1 : relRight / cx;
    r.firstY = (std::max(relTop, 0) + cy - 1) / cy;
    r.lastY = relBottom < 0 ? -1 : relBottom / cy;
    return r;
}

SelectionArea selectionInImage(const Viewport& view, const PanelSelection& s) {
    // Samples per display pixel: a cell in the reduced layout, 1 / magnification otherwise.
    const std::int32_t kx = view.reduced ? view.cfa.width : 1,
                       ky = view.reduced ? view.cfa.height : 1;
    const std::int32_t m = view.magnification;
    const std::int32_t relLeft = s.left - view.geometry.originX,
                       relTop = s.top - view.geometry.originY;
    const std::int32_t width = (s.right - s.left + 1) * kx / m,
                       height = (s.bottom - s.top + 1) * ky / m;
    SelectionArea a;
    a.top = static_cast<std::uint16_t>(relTop * ky / m + view.cfa.height * view.y.scroll);
    a.left = static_cast<std::uint16_t>(relLeft * kx / m + view.cfa.width * view.x.scroll);
    a.bottom = static_cast<std::uint16_t>(a.top + height - 1);
    a.right = static_cast<std::uint16_t>(a.left + width - 1);
    return a;
}

std::string coordinatesText(const SelectionArea& area) {
    const int width = static_cast<std::uint16_t>(area.right - area.left + 1);
    const int height = static_cast<std::uint16_t>(area.bottom - area.top + 1);
    char text[64];
    std::snprintf(text, sizeof text, "(% 4i,%-4u)\n % 4ix%-4u", int{area.left}, unsigned{area.top},
                  width, static_cast<unsigned>(height));
    return text;
}

std::optional<PanelSample> sampleAtPixel(const Viewport& view, const ImageDescriptor& image,
                                         platform::Point pixel) {
    const std::int32_t relX = pixel.x - view.geometry.originX,
                       relY = pixel.y - view.geometry.originY;
    if (view.empty() || relX < 0 || relY < 0 || relX >= view.x.shownPixels ||
        relY >= view.y.shownPixels)
        return std::nullopt;
    const std::int64_t dx = view.x.firstSample + (view.reduced ? std::int64_t{relX} * view.cfa.width
                                                               : relX / view.magnification);
    const std::int64_t dy =
        view.y.firstSample +
        (view.reduced ? std::int64_t{relY} * view.cfa.height : relY / view.magnification);
    const SampleRect active = image.activeRect();
    const StoredPosition at = storedPosition(view.group, active.width, active.height, dx, dy);
    if (at.row < 0 || at.column < 0 || at.row >= active.height || at.column >= active.width)
        return std::nullopt;
    PanelSample s;
    s.row = static_cast<std::uint32_t>(active.top + at.row);
    s.column = static_cast<std::uint32_t>(active.left + at.column);
    const std::size_t index = std::size_t{s.row} * image.imageWidth + s.column;
    if (index >= image.samples.size()) return std::nullopt;
    s.value = image.samples[index];
    const auto relRow = static_cast<std::uint32_t>(at.row),
               relColumn = static_cast<std::uint32_t>(at.column);
    s.colour = cfaColourAt(image, relRow, relColumn);
    s.channel = channelOf(s.colour, relRow % cfaPatternHeight(image));
    return s;
}

SampleRect storedSelection(const Viewport& view, const ImageDescriptor& image,
                           const SelectionArea& area) {
    const SampleRect active = image.activeRect();
    const StoredPosition a =
        storedPosition(view.group, active.width, active.height, area.left, area.top);
    const StoredPosition b =
        storedPosition(view.group, active.width, active.height, area.right, area.bottom);
    const std::int64_t top = std::max<std::int64_t>(std::min(a.row, b.row), 0);
    const std::int64_t left = std::max<std::int64_t>(std::min(a.column, b.column), 0);
    const std::int64_t bottom =
        std::min<std::int64_t>(std::max(a.row, b.row), std::int64_t{active.height} - 1);
    const std::int64_t right =
        std::min<std::int64_t>(std::max(a.column, b.column), std::int64_t{active.width} - 1);
    SampleRect r;
    if (bottom < top || right < left) return r;
    r.top = static_cast<std::uint32_t>(active.top + top);
    r.left = static_cast<std::uint32_t>(active.left + left);
    r.height = static_cast<std::uint32_t>(bottom - top + 1);
    r.width = static_cast<std::uint32_t>(right - left + 1);
    return r;
}

std::string panelSampleText(const PanelSample& sample) {
    static constexpr const char* kNames[] = {"R", "G1", "B", "G2"};
    const char* name = sample.channel >= 0 && sample.channel < 4 ? kNames[sample.channel] : "?";
    char text[80];
    std::snprintf(text, sizeof text, "row %u, col %u  %s  %u", sample.row, sample.column, name,
                  unsigned{sample.value});
    return text;
}

std::string zoomText(DisplayMode mode, ImageSubMode subMode, unsigned magnification,
                     unsigned reduction) {
    char text[32];
    if (mode != DisplayMode::Image || subMode == ImageSubMode::Channel)
        std::snprintf(text, sizeof text, "Zoom\n  %u:1", magnification);
    else
        std::snprintf(text, sizeof text, "Zoom\n  %u:%u", magnification, reduction);
    return text;
}

} // namespace korvane
