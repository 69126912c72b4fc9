#include "qt/Application.hpp"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "qt/DialogStyle.hpp"
#include "qt/SurfaceImage.hpp"
#include "resources/Bitmaps.hpp"

namespace korvane::qt {

void configureApplication(QApplication& app) {
    QApplication::setStyle(new DialogStyle);
    app.setQuitOnLastWindowClosed(false);
    QIcon icon;
    for (const int side : {16, 32, 48}) {
        const platform::Surface picture = resources::loadIcon(side);
        icon.addPixmap(QPixmap::fromImage(imageOf(picture).copy()));
    }
    QApplication::setWindowIcon(icon);
}

} // namespace korvane::qt
