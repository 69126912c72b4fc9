#include "qt/ControlWidgets.hpp"

#include <QResizeEvent>
#include <QToolButton>

#include <QMouseEvent>
#include <QPainter>

namespace korvane::qt {

SpinArrows::SpinArrows(QWidget* parent) : QWidget(parent) {
    const auto arrow = [this](Qt::ArrowType type, int step) {
        auto* button = new QToolButton(this);
        button->setArrowType(type);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        QObject::connect(button, &QToolButton::clicked, this, [this, step] {
            if (onStep_) onStep_(step);
        });
        return button;
    };
    up_ = arrow(Qt::UpArrow, 1);
    down_ = arrow(Qt::DownArrow, -1);
}

void SpinArrows::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

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
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine,
                     QString::fromStdString(face.text));
}

QRect DialogGroupBox::titleRect() const {
    if (title().isEmpty()) return {};
    const QFontMetrics metrics(font());
    // Windows starts the title an average character in, with a blank either side of it.
    const int pad = metrics.averageCharWidth() / 2;
    return QRect(metrics.averageCharWidth(), 0,
                 metrics.size(Qt::TextShowMnemonic, title()).width() + 2 * pad, metrics.height());
}

void DialogGroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    // An etched frame: a dark line with a light one inside it.
    const QRect frame = rect().adjusted(0, metrics.height() / 2, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.adjusted(1, 1, 0, 0));
    const QRect text = titleRect();
    if (text.isEmpty()) return;
    painter.fillRect(text, palette().window());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    painter.drawText(text, Qt::AlignCenter | Qt::TextShowMnemonic, title());
}

void DialogLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onClick_) {
        onClick_();
        return;
    }
    QLabel::mousePressEvent(event);
}

} // namespace korvane::qt
