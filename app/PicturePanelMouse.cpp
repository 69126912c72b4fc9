// The picture panel's mouse: panning with the left button, selecting whole cells with the
// right button, the drag that leaves the panel, the cursors, the wheel and the tooltip that
// names the sample under the pointer.
#include <algorithm>

#include "app/AnalyzerDlg.hpp"
#include "resources/ControlIds.hpp"

namespace korvane {

namespace {

using platform::CursorKind;
using platform::MouseKind;
using platform::Point;

// A notch of the wheel, as the window system counts it.
constexpr int kWheelNotch = 120;
// Panning moves the picture by this many display units per screen pixel.
constexpr std::int32_t kPanUnitsPerPixel = 4;

} // namespace

bool CAnalyzerDlg::panelTakesMouse() const {
    return window_ != nullptr && file_ && image_ != nullptr &&
           displayMode_ != DisplayMode::Histogram;
}

CAnalyzerDlg::PanelCell CAnalyzerDlg::panelCellSize() const {
    // Products taken as 16-bit values, as the panel keeps them.
    const auto m = static_cast<std::uint16_t>(lastOutcome_.view.magnification);
    const PanelGeometry& g = panel_.geometry;
    return {std::max<std::int32_t>(static_cast<std::uint16_t>(g.cellCols * m), 1),
            std::max<std::int32_t>(static_cast<std::uint16_t>(g.cellRows * m), 1)};
}

Point CAnalyzerDlg::clampToImage(Point p) const {
    const PanelGeometry& g = panel_.geometry;
    const platform::Size client = window_->panelSurface().size();
    const std::int32_t right = client.width - g.marginRight - 1;
    const std::int32_t bottom = client.height - g.marginBottom - 1;
    p.x = p.x < g.originX ? g.originX : std::min(p.x, std::max<std::int32_t>(right, g.originX));
    p.y = p.y < g.originY ? g.originY : std::min(p.y, std::max<std::int32_t>(bottom, g.originY));
    return p;
}

Point CAnalyzerDlg::cellOf(Point clamped) const {
    const PanelGeometry& g = panel_.geometry;
    const PanelCell cell = panelCellSize();
    return {g.originX + cell.width * ((clamped.x - g.originX) / cell.width),
            g.originY + cell.height * ((clamped.y - g.originY) / cell.height)};
}

void CAnalyzerDlg::extendSelection(Point cell) {
    if (cell == lastCell_) return;
    const PanelGeometry& g = panel_.geometry;
    const PanelCell size = panelCellSize();
    // The selection spans the anchor's cell and the pointer's cell, on whichever side.
    const std::int32_t anchorLeft = g.originX + size.width * ((anchor_.x - g.originX) / size.width);
    const std::int32_t anchorTop =
        g.originY + size.height * ((anchor_.y - g.originY) / size.height);
    PanelSelection& s = panel_.selection;
    if (cell.x < anchorLeft)
        s.left = cell.x, s.right = anchorLeft + size.width - 1;
    else
        s.left = anchorLeft, s.right = cell.x + size.width - 1;
    if (cell.y < anchorTop)
        s.top = cell.y, s.bottom = anchorTop + size.height - 1;
    else
        s.top = anchorTop, s.bottom = cell.y + size.height - 1;
    repaint();
    lastCell_ = cell;
}

void CAnalyzerDlg::onPanelMouse(const platform::MouseEvent& event) {
    if (window_ == nullptr) return;
    switch (event.kind) {
    case MouseKind::LeftDown:
        if (!panelTakesMouse() || panel_.mouseState == MouseState::Selecting) return;
        if (displayMode_ != DisplayMode::Image && displayMode_ != DisplayMode::Exposure) return;
        enableScrollBars(false);
        panel_.mouseState = MouseState::Panning;
        lastMouse_ = event.at;
        services_.setCursor(CursorKind::Hand);
        return;
    case MouseKind::RightDown: {
        if (!panelTakesMouse() || panel_.mouseState == MouseState::Panning) return;
        enableScrollBars(false);
        anchor_ = lastMouse_ = clampToImage(event.at);
        const Point cell = cellOf(anchor_);
        const PanelCell size = panelCellSize();
        panel_.selection = {true, cell.x, cell.y, cell.x + size.width - 1,
                            cell.y + size.height - 1};
        lastCell_ = cell;
        panel_.mouseState = MouseState::Selecting;
        services_.setCursor(CursorKind::Cross);
        repaint();
        return;
    }
    case MouseKind::LeftUp:
    case MouseKind::RightUp: {
        if (displayMode_ == DisplayMode::Histogram) return;
        const MouseState ending =
            event.kind == MouseKind::LeftUp ? MouseState::Panning : MouseState::Selecting;
        if (panel_.mouseState != ending) return;
        panel_.mouseState = MouseState::Hover;
        services_.setCursor(CursorKind::Arrow);
        enableScrollBars(true);
        return;
    }
    case MouseKind::Move:
        onPanelMove(event.at);
        return;
    }
}

void CAnalyzerDlg::onPanelMove(Point at) {
    if (displayMode_ == DisplayMode::Histogram) return;
    if (at == anchor_) {
        services_.setCursor(CursorKind::Arrow);
        return;
    }
    if (panel_.mouseState == MouseState::Outside) panel_.mouseState = MouseState::Hover;
    const bool drawing =
        displayMode_ == DisplayMode::Image || displayMode_ == DisplayMode::Exposure;
    if (panel_.dragging() && drawing && file_ && image_ != nullptr) {
        const auto dx = static_cast<std::int16_t>(at.x - lastMouse_.x);
        const auto dy = static_cast<std::int16_t>(at.y - lastMouse_.y);
        lastMouse_ = at;
        if (panel_.mouseState == MouseState::Panning) {
            image_->scrollX = std::clamp(image_->scrollX - kPanUnitsPerPixel * dx, 0,
                                         std::max(image_->scrollMaxX, 0));
            image_->scrollY = std::clamp(image_->scrollY - kPanUnitsPerPixel * dy, 0,
                                         std::max(image_->scrollMaxY, 0));
            services_.setCursor(CursorKind::Hand);
            window_->setPosition(ids::kHScroll, image_->scrollX);
            window_->setPosition(ids::kVScroll, image_->scrollY);
            repaint();
            enableScrollBars(false);
        } else {
            services_.setCursor(CursorKind::Cross);
            extendSelection(cellOf(clampToImage(at)));
        }
        window_->setFocus(ids::kFocusKeeper);
        return;
    }
    services_.setCursor(CursorKind::Arrow);
    lastMouse_ = at;
}

void CAnalyzerDlg::onDialogMouseMove(Point at) {
    if (window_ == nullptr) return;
    if (panel_.dragging()) enableScrollBars(true);
    if (panel_.mouseState == MouseState::Selecting && file_ && image_ != nullptr) {
        // The drag ends at the panel's border: the last cell inside the image area.
        const platform::Rect panel = window_->controlRect(ids::kPanel);
        const PanelGeometry& g = panel_.geometry;
        const platform::Size client = window_->panelSurface().size();
        const auto inside = [](std::int32_t v, std::int32_t start, std::int32_t end,
                               std::int32_t origin, std::int32_t margin, std::int32_t extent) {
            if (v <= start + origin) return origin;
            if (v < end - margin) return v - start;
            return extent - margin - 1;
        };
        const Point p{
            inside(at.x, panel.left, panel.right, g.originX, g.marginRight, client.width),
            inside(at.y, panel.top, panel.bottom, g.originY, g.marginBottom, client.height)};
        extendSelection(cellOf(clampToImage(p)));
    }
    panel_.mouseState = MouseState::Outside;
    services_.setCursor(CursorKind::Arrow);
}

void CAnalyzerDlg::onPanelWheel(const platform::WheelEvent& event) {
    if (!panelTakesMouse() || event.delta == 0) return;
    if (event.ctrl) {
        // Away from the user zooms in, as keypad + does.
        zoom(event.delta > 0 ? ZoomStep::In : ZoomStep::Out);
        return;
    }
    // A notch moves a quarter of a page, at least one unit; turning away from the user
    // moves towards the start, as a scroll bar's arrow up does.
    const bool horizontal = event.shift;
    const std::int32_t page = horizontal ? image_->pageX : image_->pageY;
    const std::int32_t step = std::max(page / 4, 1);
    const std::int32_t units =
        -static_cast<std::int32_t>(static_cast<std::int64_t>(event.delta) * step / kWheelNotch);
    std::int32_t& scroll = horizontal ? image_->scrollX : image_->scrollY;
    const std::int32_t maximum = std::max(horizontal ? image_->scrollMaxX : image_->scrollMaxY, 0);
    const std::int32_t to =
        std::clamp(scroll + (units == 0 ? (event.delta > 0 ? -1 : 1) : units), 0, maximum);
    if (to == scroll) return;
    scroll = to;
    window_->setPosition(horizontal ? ids::kHScroll : ids::kVScroll, scroll);
    repaint();
}

std::string CAnalyzerDlg::panelToolTip(Point at) {
    if (!pictureShown()) return {};
    const auto sample = sampleAtPixel(lastOutcome_.view, *image_, at);
    return sample ? panelSampleText(*sample) : std::string();
}

} // namespace korvane
