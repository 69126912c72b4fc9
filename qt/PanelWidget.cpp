#include "qt/PanelWidget.hpp"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include "qt/SurfaceImage.hpp"

namespace korvane::qt {

using platform::MouseKind;

PanelWidget::PanelWidget(bool sunken, QWidget* parent) : QFrame(parent) {
    if (sunken) setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    // A right button press starts a selection here; it opens no menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

platform::Surface& PanelWidget::surface() {
    const QSize client = contentsRect().size();
    if (surface_.width() != client.width() || surface_.height() != client.height())
        surface_.resize(client.width(), client.height());
    return surface_;
}

void PanelWidget::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const platform::Surface& picture = surface();
    if (picture.width() == 0 || picture.height() == 0) return;
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), imageOf(picture));
}

void PanelWidget::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const QSize client = contentsRect().size();
    if (surface_.width() != client.width() || surface_.height() != client.height()) {
        surface();
        requestPicture();
    }
}

void PanelWidget::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    requestPicture();
}

void PanelWidget::requestPicture() {
    if (pictureRequested_) return;
    pictureRequested_ = true;
    // Asked for after the event, so the logic never draws from inside a paint or a resize.
    QMetaObject::invokeMethod(
        this,
        [this] {
            pictureRequested_ = false;
            if (callbacks_.needsPicture) callbacks_.needsPicture();
        },
        Qt::QueuedConnection);
}

std::optional<platform::Point> PanelWidget::clientPoint(QPointF at) const {
    const QPoint p = at.toPoint();
    const QRect client = contentsRect();
    if (!rect().contains(p)) return std::nullopt;
    return platform::Point{p.x() - client.left(), p.y() - client.top()};
}

void PanelWidget::send(MouseKind kind, platform::Point at) {
    if (callbacks_.mouse) callbacks_.mouse({kind, at});
}

void PanelWidget::mousePressEvent(QMouseEvent* event) {
    const auto at = clientPoint(event->position());
    if (!at) return;
    if (event->button() == Qt::LeftButton)
        send(MouseKind::LeftDown, *at);
    else if (event->button() == Qt::RightButton)
        send(MouseKind::RightDown, *at);
}

void PanelWidget::mouseReleaseEvent(QMouseEvent* event) {
    // Qt keeps the mouse for the widget a button went down in, so a button let go anywhere,
    // even outside the window, arrives here; it is passed on in client coordinates.
    const QPoint p = event->position().toPoint() - contentsRect().topLeft();
    const platform::Point at{p.x(), p.y()};
    if (event->button() == Qt::LeftButton)
        send(MouseKind::LeftUp, at);
    else if (event->button() == Qt::RightButton)
        send(MouseKind::RightUp, at);
}

void PanelWidget::wheelEvent(QWheelEvent* event) {
    const auto at = clientPoint(event->position());
    if (!at || !callbacks_.wheel) return event->ignore();
    // Shift turns some platforms' wheel sideways; the turn counts as vertical either way.
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    const Qt::KeyboardModifiers m = event->modifiers();
    callbacks_.wheel({delta, (m & Qt::ShiftModifier) != 0, (m & Qt::ControlModifier) != 0, *at});
    event->accept();
}

bool PanelWidget::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QFrame::event(event);
    const auto& help = *static_cast<QHelpEvent*>(event);
    const auto at = clientPoint(help.pos());
    const std::string text = at && callbacks_.toolTip ? callbacks_.toolTip(*at) : std::string();
    if (text.empty())
        QToolTip::hideText();
    else
        QToolTip::showText(help.globalPos(), QString::fromStdString(text), this);
    return true;
}

void PanelWidget::mouseMoveEvent(QMouseEvent* event) {
    if (const auto at = clientPoint(event->position())) {
        send(MouseKind::Move, *at);
    } else if (callbacks_.movedOut) {
        // Qt keeps sending moves to the widget a button went down in; without that capture
        // they belong to the dialog under the pointer.
        callbacks_.movedOut(mapToParent(event->position().toPoint()));
    }
}

} // namespace korvane::qt
