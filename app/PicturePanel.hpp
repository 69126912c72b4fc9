#pragma once
#include <cstdint>

#include "analysis/Viewport.hpp"
#include "platform/Geometry.hpp"

namespace korvane {

// What the mouse is doing over the picture panel.
enum class MouseState : std::uint8_t { Outside = 0, Hover = 1, Panning = 2, Selecting = 3 };

// The picture panel (control 1003) as the main dialog keeps it. The window layer draws the
// Surface; this is the state around it: the margins and selection cell the renderer wrote
// at its last drawing, and the selection in panel client coordinates.
class CPicturePanel {
public:
    MouseState mouseState = MouseState::Outside;
    // Written by every drawing.
    PanelGeometry geometry;
    // The selection, all four edges inclusive, in panel client coordinates; valid while a
    // selection exists. The renderer drops it when it no longer lies inside the image area.
    PanelSelection selection;

    bool selectionValid() const { return selection.valid; }
    void clearSelection() { selection.valid = false; }
    bool dragging() const {
        return mouseState == MouseState::Panning || mouseState == MouseState::Selecting;
    }
};

} // namespace korvane
