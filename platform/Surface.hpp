#pragma once
#include <cstdint>
#include <vector>

#include "platform/Geometry.hpp"

namespace korvane::platform {

// A width x height picture of 32-bit 0x00RRGGBB pixels, top row first. The renderer and the
// histogram drawing fill it; the picture panel shows it pixel for pixel.
class Surface {
public:
    Surface() = default;
    Surface(int width, int height, Rgb fill = 0) { resize(width, height, fill); }

    void resize(int width, int height, Rgb fill = 0) {
        width_ = width > 0 ? width : 0;
        height_ = height > 0 ? height : 0;
        pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill);
    }
    void fill(Rgb colour) { pixels_.assign(pixels_.size(), colour); }

    int width() const { return width_; }
    int height() const { return height_; }
    Size size() const { return {width_, height_}; }
    Rgb* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const Rgb* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    Rgb pixel(int x, int y) const { return row(y)[x]; }
    void setPixel(int x, int y, Rgb c) { row(y)[x] = c; }
    const std::vector<Rgb>& pixels() const { return pixels_; }
    std::vector<Rgb>& pixels() { return pixels_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Rgb> pixels_;
};

} // namespace korvane::platform
