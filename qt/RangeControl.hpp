#pragma once
#include <QAbstractSlider>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <functional>
#include <optional>

#include "platform/Dialog.hpp"

namespace korvane::qt {

// Whether a control moves its own thumb before it notifies (a trackbar) or leaves that to
// the logic, which sets the position it works out from the scroll code (a scroll bar).
enum class ThumbOwner : std::uint8_t { Control, Logic };

// The scroll code of a Qt slider action, for a thumb dragged (`dragging`) or moved otherwise
// (the wheel); none for no action.
std::optional<platform::ScrollCode> scrollCodeOf(int sliderAction, bool dragging);

// The action of a key on a trackbar where Windows and Qt differ; none elsewhere.
std::optional<QAbstractSlider::SliderAction> trackbarKeyAction(int qtKey);

// A QSlider or QScrollBar that reports its actions as Windows scroll notifications: a line,
// page, top or bottom code per step, thumb track while the thumb is dragged and thumb
// position when it is let go, and end scroll once the mouse button or the key is released.
template <class Base> class RangeControl final : public Base {
public:
    using Notify = std::function<void(platform::ScrollCode, int position)>;

    RangeControl(Qt::Orientation orientation, ThumbOwner owner, QWidget* parent)
        : Base(orientation, parent), owner_(owner) {
        QObject::connect(this, &QAbstractSlider::actionTriggered, this,
                         [this](int action) { onAction(action); });
        QObject::connect(this, &QAbstractSlider::sliderReleased, this, [this] {
            send(platform::ScrollCode::ThumbPosition, this->sliderPosition());
        });
    }

    void setNotify(Notify notify) { notify_ = std::move(notify); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        // A Windows trackbar goes down with Up and Page Up, where Qt's sliders go up.
        if (const auto action = trackbarKeyAction(event->key());
            action && owner_ == ThumbOwner::Control) {
            this->triggerAction(*action);
            return;
        }
        Base::keyPressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        Base::mouseReleaseEvent(event);
        finish();
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        Base::keyReleaseEvent(event);
        if (!event->isAutoRepeat()) finish();
    }
    void wheelEvent(QWheelEvent* event) override {
        Base::wheelEvent(event);
        finish();
    }

private:
    void onAction(int action) {
        const auto code = scrollCodeOf(action, this->isSliderDown());
        if (!code) return;
        // Qt has moved the thumb but not yet the value; the value follows it afterwards.
        const int proposed = this->sliderPosition();
        {
            const QSignalBlocker quiet(this);
            if (owner_ == ThumbOwner::Control)
                this->setValue(proposed);
            else
                this->setSliderPosition(this->value());
        }
        const bool thumb = *code == platform::ScrollCode::ThumbTrack ||
                           *code == platform::ScrollCode::ThumbPosition;
        send(*code, owner_ == ThumbOwner::Control || thumb ? proposed : this->value());
    }

    void send(platform::ScrollCode code, int position) {
        pending_ = true;
        if (notify_) notify_(code, position);
    }

    void finish() {
        if (!pending_) return;
        pending_ = false;
        if (notify_) notify_(platform::ScrollCode::EndScroll, this->value());
    }

    ThumbOwner owner_;
    Notify notify_;
    bool pending_ = false;
};

} // namespace korvane::qt
