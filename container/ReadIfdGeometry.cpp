// The effective size of a directory's image and the checks that its description holds
// together: sizes, active area, strips or tiles, and the colour filter array.
#include "container/ReadIfdInternal.hpp"

namespace korvane::ifd_reader {

namespace {

constexpr std::uint8_t kMaxPlaneColor = 2; // 0 red, 1 green, 2 blue

constexpr std::uint64_t ceilDiv(std::uint64_t a, std::uint64_t b) {
    return (a + b - 1) / b;
}

void checkSizes(IfdNode& n) {
    if ((n.width == 0) != (n.height == 0)) markInconsistent(n);
    if ((n.activeWidth == 0) != (n.activeHeight == 0)) markInconsistent(n);
    // The active area lies inside the image, where the directory gives the image's size.
    const std::uint64_t imageWidth = n.pixelXDimension != 0 ? n.pixelXDimension : n.imageWidth;
    const std::uint64_t imageHeight = n.pixelYDimension != 0 ? n.pixelYDimension : n.imageLength;
    if (imageWidth != 0 && n.activeWidth != 0 &&
        static_cast<std::uint64_t>(n.activeLeft) + n.activeWidth > imageWidth)
        markInconsistent(n);
    if (imageHeight != 0 && n.activeHeight != 0 &&
        static_cast<std::uint64_t>(n.activeTop) + n.activeHeight > imageHeight)
        markInconsistent(n);
}

// A whole number of CFA repeats; without a repeat pattern there is nothing to round to.
void roundActiveArea(IfdNode& n) {
    if (n.cfaRepeatRows != 0) n.activeWidth -= n.activeWidth % n.cfaRepeatRows;
    if (n.cfaRepeatCols != 0) n.activeHeight -= n.activeHeight % n.cfaRepeatCols;
}

void checkStrips(IfdNode& n) {
    if (n.stripOffsets == nullptr || n.stripByteCounts == nullptr) return markInconsistent(n);
    // Without a height (a CR2 raw directory names none) the strip count cannot be checked
    // here; the camera description gives the size later.
    if (n.height == 0) return;
    const std::uint64_t rowsPerStrip = n.rowsPerStrip != 0 ? n.rowsPerStrip : n.height;
    const std::uint64_t strips = ceilDiv(n.height, rowsPerStrip);
    if (n.stripOffsets->count != strips || n.stripByteCounts->count != strips) markInconsistent(n);
}

// Tiles may reach past the right and bottom edges (TIFF pads them), so an image smaller than
// one tile is still one tile.
void checkTiles(IfdNode& n) {
    if (n.tileWidth == 0 || n.tileLength == 0 || n.tileOffsets == nullptr ||
        n.tileByteCounts == nullptr || n.width == 0 || n.height == 0)
        return markInconsistent(n);
    const std::uint64_t tiles = ceilDiv(n.height, n.tileLength) * ceilDiv(n.width, n.tileWidth);
    if (n.tileOffsets->count != tiles || n.tileByteCounts->count != tiles) markInconsistent(n);
}

void checkCfa(IfdNode& n) {
    if (n.cfaRepeatRows == 0 || n.cfaRepeatCols == 0 || n.cfaLayout == 0 ||
        n.cfaPlaneColorCount == 0)
        return;
    if (n.cfaPatternCount != n.cfaRepeatRows * n.cfaRepeatCols ||
        n.cfaPatternCount < n.cfaPlaneColorCount)
        markInconsistent(n);
    for (std::uint8_t i = 0; i < n.cfaPlaneColorCount; ++i)
        if (n.cfaPlaneColors[i] > kMaxPlaneColor) markInconsistent(n);
    for (std::uint8_t i = 0; i < n.cfaPatternCount; ++i)
        if (n.cfaPattern[i] > kMaxPlaneColor) markInconsistent(n);
}

} // namespace

void deriveGeometry(IfdNode& n) {
    n.width = n.pixelXDimension != 0 ? n.pixelXDimension
              : n.imageWidth != 0    ? n.imageWidth
                                     : n.activeWidth;
    n.height = n.pixelYDimension != 0 ? n.pixelYDimension
               : n.imageLength != 0   ? n.imageLength
                                      : n.activeHeight;
    if (n.kind != IfdKind::ExifIfd) checkSizes(n);
    roundActiveArea(n);
    const bool strips = (n.layout & node_layout::kStrips) != 0;
    const bool tiles = (n.layout & node_layout::kTiles) != 0;
    if (strips && tiles)
        markInconsistent(n);
    else if (strips)
        checkStrips(n);
    else if (tiles)
        checkTiles(n);
    checkCfa(n);
}

} // namespace korvane::ifd_reader
