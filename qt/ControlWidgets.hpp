#pragma once
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <functional>

#include "platform/Dialog.hpp"

namespace korvane::qt {

// A push button that the logic may draw itself: owner-drawn, it shows the face the logic
// gives for it, and nothing of the style's.
class DialogButton final : public QPushButton {
public:
    using FaceSource = std::function<platform::OwnerDrawFace()>;

    DialogButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

    void setFaceSource(FaceSource source) { face_ = std::move(source); }
    void setOwnerDrawn(bool ownerDrawn);
    bool isOwnerDrawn() const { return ownerDrawn_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FaceSource face_;
    bool ownerDrawn_ = false;
};

// A static text; with `notify` a left button press on it is a click.
class DialogLabel final : public QLabel {
public:
    DialogLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

    void setClickHandler(std::function<void()> onClick) { onClick_ = std::move(onClick); }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<void()> onClick_;
};

// A group box drawn as Windows draws one: the frame runs through the middle of the title, so
// that a template's controls sit inside it where their rectangles put them.
class DialogGroupBox final : public QGroupBox {
public:
    DialogGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

    // Where the title is drawn, in the box's coordinates; empty without a title.
    QRect titleRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// An up-down control: two arrow buttons, one above the other, that repeat while held and
// report each step, +1 for the upper and -1 for the lower.
class SpinArrows final : public QWidget {
public:
    explicit SpinArrows(QWidget* parent);

    void setStepHandler(std::function<void(int)> onStep) { onStep_ = std::move(onStep); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* up_;
    QWidget* down_;
    std::function<void(int)> onStep_;
};

QColor toQColor(platform::Rgb colour);

} // namespace korvane::qt
