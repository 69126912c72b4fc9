#pragma once
#include <cstdint>

namespace korvane::platform {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Left, top inclusive; right, bottom exclusive (as a client rectangle: right is the width).
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// 0x00RRGGBB
using Rgb = std::uint32_t;
constexpr Rgb rgb(int r, int g, int b) {
    return (static_cast<Rgb>(r & 0xFF) << 16) | (static_cast<Rgb>(g & 0xFF) << 8) |
           static_cast<Rgb>(b & 0xFF);
}

} // namespace korvane::platform
