#include "qt/DialogStyle.hpp"

#include <QStyleFactory>

namespace korvane::qt {

namespace {

constexpr int kIndicator = 13;
constexpr int kLabelSpacing = 3;

} // namespace

DialogStyle::DialogStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int DialogStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                             const QWidget* widget) const {
    switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
        return kIndicator;
    case PM_CheckBoxLabelSpacing:
    case PM_RadioButtonLabelSpacing:
        return kLabelSpacing;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

} // namespace korvane::qt
