#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "analysis/MappingFunction.hpp"
#include "analysis/RenderImage.hpp"
#include "common/IfdNode.hpp"
#include "common/RecordingReporter.hpp"
#include "platform/Surface.hpp"

namespace korvane::test {

// Row of the "Linear" mapping function: with the black point 0 and the white point 255 its
// display byte is the value itself (1 to 254), which makes pixels easy to predict.
inline constexpr std::int32_t kLinearRow = 13;
static_assert(kMappingFunctions[kLinearRow].name == "Linear");

// A width x height image with an RGGB pattern (red at the top-left), every sample `fill`,
// white levels of 1000 and no black level.
inline ImageDescriptor makeImage(std::uint32_t width, std::uint32_t height,
                                 std::uint16_t fill = 0) {
    ImageDescriptor image;
    image.imageWidth = width;
    image.imageLength = height;
    image.cfaRepeatRows = image.cfaRepeatCols = 2;
    image.cfaPatternCount = 4;
    image.cfaPattern[0] = 0;
    image.cfaPattern[1] = 1;
    image.cfaPattern[2] = 1;
    image.cfaPattern[3] = 2;
    image.cfaPlaneColorCount = 3;
    image.cfaPlaneColors = {0, 1, 2, 0};
    image.orientation = 1;
    image.channelWhite = {1000, 1000, 1000, 1000};
    image.channelMaximum = {1000, 1000, 1000, 1000};
    image.mappingFunction = kLinearRow;
    image.samples.assign(std::size_t{width} * height, fill);
    return image;
}

inline std::uint16_t& sampleAt(ImageDescriptor& image, std::uint32_t row, std::uint32_t column) {
    return image.samples[std::size_t{row} * image.imageWidth + column];
}

inline void fillSamples(ImageDescriptor& image,
                        const std::function<std::uint16_t(std::uint32_t, std::uint32_t)>& f) {
    for (std::uint32_t r = 0; r < image.imageLength; ++r)
        for (std::uint32_t c = 0; c < image.imageWidth; ++c)
            sampleAt(image, r, c) = f(r, c);
}

// Settings that show an image 1:1 with the identity display: black point 0, white point 255.
inline RenderSettings identitySettings(int panelWidth, int panelHeight) {
    RenderSettings s;
    s.panel = {panelWidth, panelHeight};
    s.blackPoint = 0;
    s.whitePoint = 255;
    s.relayout = true;
    return s;
}

struct Rendered {
    RenderOutcome outcome;
    platform::Surface picture;
};

inline Rendered render(ImageDescriptor& image, const RenderSettings& settings) {
    RecordingReporter reporter;
    Rendered r;
    r.outcome = RenderImage(image, settings, r.picture, reporter);
    return r;
}

// The pixel at (x, y) of the image area, counted from its top-left corner.
inline platform::Rgb imagePixel(const Rendered& r, int x, int y) {
    return r.picture.pixel(r.outcome.geometry.originX + x, r.outcome.geometry.originY + y);
}

inline int redOf(platform::Rgb p) {
    return (p >> 16) & 0xFF;
}
inline int greenOf(platform::Rgb p) {
    return (p >> 8) & 0xFF;
}
inline int blueOf(platform::Rgb p) {
    return p & 0xFF;
}

} // namespace korvane::test
