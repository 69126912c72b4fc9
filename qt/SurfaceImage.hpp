#pragma once
#include <QImage>

#include "platform/Surface.hpp"

namespace korvane::qt {

// A Surface as a QImage without a copy: its 0x00RRGGBB words are what Format_RGB32 reads.
// The image is valid while the Surface keeps its size; copy() it to keep it longer.
inline QImage imageOf(const platform::Surface& picture) {
    return QImage(reinterpret_cast<const uchar*>(picture.pixels().data()), picture.width(),
                  picture.height(), picture.width() * 4, QImage::Format_RGB32);
}

} // namespace korvane::qt
