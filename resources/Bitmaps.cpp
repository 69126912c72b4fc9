#include "resources/Bitmaps.hpp"

#include <cmath>

namespace korvane::resources {

namespace {

using platform::Rgb;
using platform::rgb;
using platform::Surface;

constexpr int kBitmapWidth = 24;
constexpr int kBitmapHeight = 18;
constexpr Rgb kFace = rgb(240, 240, 240);

enum class Direction { Up, Down, Left, Right };

// An arrow drawn in a unit square, turned to `direction`: a triangle head over a stem.
bool insideArrow(double u, double v) {
    // u across (0..1), v along the arrow from its tip (0) to its tail (1).
    if (v >= 0.08 && v < 0.5) return std::fabs(u - 0.5) <= (v - 0.08) * 1.0;
    if (v >= 0.5 && v <= 0.92) return std::fabs(u - 0.5) <= 0.12;
    return false;
}

Surface arrow(Direction direction, Rgb ink) {
    Surface s(kBitmapWidth, kBitmapHeight, kFace);
    const int side = kBitmapHeight - 2;
    const int x0 = (kBitmapWidth - side) / 2;
    const int y0 = 1;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double fx = (x + 0.5) / side;
            const double fy = (y + 0.5) / side;
            double u = fx, v = fy;
            switch (direction) {
            case Direction::Up:
                u = fx, v = fy;
                break;
            case Direction::Down:
                u = fx, v = 1 - fy;
                break;
            case Direction::Left:
                u = fy, v = fx;
                break;
            case Direction::Right:
                u = fy, v = 1 - fx;
                break;
            }
            if (insideArrow(u, v)) s.setPixel(x0 + x, y0 + y, ink);
        }
    return s;
}

} // namespace

Surface loadBitmap(int id) {
    constexpr Direction kOrder[] = {Direction::Up, Direction::Down, Direction::Left,
                                    Direction::Right};
    if (id >= 150 && id <= 153) return arrow(kOrder[id - 150], rgb(0, 0, 128));
    if (id >= 154 && id <= 157) return arrow(kOrder[id - 154], rgb(178, 34, 34));
    return {};
}

Surface loadIcon(int size) {
    // A 2 x 2 colour filter cell (red, green / green, blue) on a dark frame.
    Surface s(size, size, rgb(32, 32, 32));
    const int inner = size - 2 * (size / 8);
    const int o = size / 8;
    const Rgb cell[2][2] = {{rgb(200, 40, 40), rgb(40, 170, 60)},
                            {rgb(40, 170, 60), rgb(40, 70, 200)}};
    for (int y = 0; y < inner; ++y)
        for (int x = 0; x < inner; ++x)
            s.setPixel(o + x, o + y, cell[(2 * y) / inner][(2 * x) / inner]);
    return s;
}

} // namespace korvane::resources
