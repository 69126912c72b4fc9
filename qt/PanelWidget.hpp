#pragma once
#include <QFrame>
#include <functional>
#include <optional>
#include <string>

#include "platform/Dialog.hpp"
#include "platform/Surface.hpp"

namespace korvane::qt {

// The picture panel: shows its Surface pixel for pixel in its client area and reports the
// mouse there in client coordinates. It draws nothing of its own; when it is shown or
// resized it asks for a picture, after the event that caused it.
class PanelWidget final : public QFrame {
public:
    struct Callbacks {
        std::function<void(const platform::MouseEvent&)> mouse;
        // The pointer moved outside the panel with a button held (dialog client coordinates).
        std::function<void(QPoint)> movedOut;
        std::function<void()> needsPicture;
        std::function<void(const platform::WheelEvent&)> wheel;
        // The tooltip for the pointer resting at a client point; empty for none.
        std::function<std::string(platform::Point)> toolTip;
    };

    PanelWidget(bool sunken, QWidget* parent);

    void setCallbacks(Callbacks callbacks) { callbacks_ = std::move(callbacks); }
    // The picture, sized to the client area.
    platform::Surface& surface();
    // Forgets the callbacks: the logic is going away.
    void detach() { callbacks_ = {}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    void requestPicture();
    // Client coordinates of a point in widget coordinates, if it lies in the client area.
    std::optional<platform::Point> clientPoint(QPointF at) const;
    void send(platform::MouseKind kind, platform::Point at);

    Callbacks callbacks_;
    platform::Surface surface_;
    bool pictureRequested_ = false;
};

} // namespace korvane::qt
