#pragma once
#include <QProxyStyle>

namespace korvane::qt {

// Fusion with the proportions of Windows dialog controls, for which the templates' rectangles
// were drawn: a 13-pixel check box and radio indicator with its text 3 pixels beside it
// (Fusion's 14 and 6 clip a one-letter check box of 15 dialog units).
class DialogStyle final : public QProxyStyle {
public:
    DialogStyle();
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};

} // namespace korvane::qt
