#include "qt/RangeControl.hpp"

namespace korvane::qt {

std::optional<platform::ScrollCode> scrollCodeOf(int sliderAction, bool dragging) {
    using platform::ScrollCode;
    switch (sliderAction) {
    case QAbstractSlider::SliderSingleStepAdd:
        return ScrollCode::LineDown;
    case QAbstractSlider::SliderSingleStepSub:
        return ScrollCode::LineUp;
    case QAbstractSlider::SliderPageStepAdd:
        return ScrollCode::PageDown;
    case QAbstractSlider::SliderPageStepSub:
        return ScrollCode::PageUp;
    case QAbstractSlider::SliderToMinimum:
        return ScrollCode::Top;
    case QAbstractSlider::SliderToMaximum:
        return ScrollCode::Bottom;
    // The wheel moves the thumb in one step: to the logic that is a thumb let go there.
    case QAbstractSlider::SliderMove:
        return dragging ? ScrollCode::ThumbTrack : ScrollCode::ThumbPosition;
    default:
        return std::nullopt;
    }
}

std::optional<QAbstractSlider::SliderAction> trackbarKeyAction(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Up:
        return QAbstractSlider::SliderSingleStepSub;
    case Qt::Key_Down:
        return QAbstractSlider::SliderSingleStepAdd;
    case Qt::Key_PageUp:
        return QAbstractSlider::SliderPageStepSub;
    case Qt::Key_PageDown:
        return QAbstractSlider::SliderPageStepAdd;
    default:
        return std::nullopt;
    }
}

} // namespace korvane::qt
