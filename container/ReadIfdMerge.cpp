// A child directory (Global parameters, Exif, GPS, an Olympus sub-IFD) completes the image
// description of the directory that links it.
#include <algorithm>

#include "container/ReadIfdInternal.hpp"

namespace korvane::ifd_reader {

namespace {

template <typename T> void takeIfUnset(T& parent, const T& child) {
    if (parent == T{}) parent = child;
}

// A parameter both describe must agree: the parent's wins and the child is inconsistent.
template <typename T> void takeOrCompare(T& parent, const T& child, IfdNode& node) {
    if (parent == T{})
        parent = child;
    else if (child != T{} && child != parent)
        markInconsistent(node);
}

// The same for a counted list (plane colours, CFA pattern): count 0 is unset.
template <typename Array>
void takeOrCompareList(std::uint8_t& parentCount, Array& parent, std::uint8_t childCount,
                       const Array& child, IfdNode& node) {
    if (parentCount == 0) {
        parentCount = childCount;
        parent = child;
    } else if (childCount != 0 &&
               (childCount != parentCount ||
                !std::equal(child.begin(), child.begin() + childCount, parent.begin()))) {
        markInconsistent(node);
    }
}

void mergeSizes(IfdNode& c, IfdNode& p) {
    const bool hadLength = p.imageLength != 0, hadWidth = p.imageWidth != 0;
    takeIfUnset(p.imageLength, c.imageLength);
    takeIfUnset(p.imageWidth, c.imageWidth);
    if (!hadLength) takeIfUnset(p.pixelYDimension, c.pixelYDimension);
    if (!hadWidth) takeIfUnset(p.pixelXDimension, c.pixelXDimension);
    if (p.activeWidth == 0 && p.activeHeight == 0) {
        p.activeTop = c.activeTop;
        p.activeLeft = c.activeLeft;
        p.activeHeight = c.activeHeight;
        p.activeWidth = c.activeWidth;
    }
}

// The layout comes with the entries that make it real, so the parent's own strip and tile
// checks see them. Those entries are left in the file or inline, so reading their values
// does not depend on which node holds them.
void mergeLayout(IfdNode& c, IfdNode& p) {
    takeOrCompare(p.layout, c.layout, c);
    takeOrCompare(p.rowsPerStrip, c.rowsPerStrip, c);
    takeOrCompare(p.tileWidth, c.tileWidth, c);
    takeOrCompare(p.tileLength, c.tileLength, c);
    takeIfUnset(p.stripOffsets, c.stripOffsets);
    takeIfUnset(p.stripByteCounts, c.stripByteCounts);
    takeIfUnset(p.tileOffsets, c.tileOffsets);
    takeIfUnset(p.tileByteCounts, c.tileByteCounts);
}

} // namespace

void mergeIntoParent(IfdNode& c, IfdNode& p) {
    mergeSizes(c, p);
    mergeLayout(c, p);
    takeOrCompare(p.bitsPerSample, c.bitsPerSample, c);
    takeOrCompare(p.samplesPerPixel, c.samplesPerPixel, c);
    takeOrCompare(p.compression, c.compression, c);
    takeOrCompare(p.photometric, c.photometric, c);
    takeOrCompare(p.orientation, c.orientation, c);
    takeOrCompareList(p.cfaPlaneColorCount, p.cfaPlaneColors, c.cfaPlaneColorCount,
                      c.cfaPlaneColors, c);
    takeOrCompareList(p.cfaPatternCount, p.cfaPattern, c.cfaPatternCount, c.cfaPattern, c);
    takeOrCompare(p.cfaLayout, c.cfaLayout, c);
    takeOrCompare(p.cfaRepeatRows, c.cfaRepeatRows, c);
    takeOrCompare(p.cfaRepeatCols, c.cfaRepeatCols, c);
    takeOrCompare(p.whiteLevel, c.whiteLevel, c);
}

} // namespace korvane::ifd_reader
