#include "qt/ControlWidgets.hpp"

#include <QMouseEvent>
#include <QPainter>

namespace korvane::qt {

QColor toQColor(platform::Rgb colour) {
    return QColor((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
}

void DialogButton::setOwnerDrawn(bool ownerDrawn) {
    if (ownerDrawn_ == ownerDrawn) return;
    ownerDrawn_ = ownerDrawn;
    update();
}

void DialogButton::paintEvent(QPaintEvent* event) {
    if (!ownerDrawn_ || !face_) {
        QPushButton::paintEvent(event);
        return;
    }
    const platform::OwnerDrawFace face = face_();
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(face.background));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(toQColor(face.textColour));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(face.text));
}

void DialogLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onClick_) {
        onClick_();
        return;
    }
    QLabel::mousePressEvent(event);
}

} // namespace korvane::qt
