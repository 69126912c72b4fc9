#include "app/LevelScale.hpp"

#include <algorithm>

namespace korvane {

namespace {

// Appends first, first + step, ..., last.
constexpr void steps(LevelScale& s, int& n, std::int32_t first, std::int32_t last,
                     std::int32_t step) {
    for (std::int32_t v = first; v <= last; v += step)
        s[n++] = v;
}
template <typename... V> constexpr void values(LevelScale& s, int& n, V... v) {
    ((s[n++] = v), ...);
}

constexpr int countOf12() {
    // 11 + 33 + 2 + 43 + 11 + 2
    return 11 + (1750 - 150) / 50 + 1 + 2 + (4000 - 1900) / 50 + 1 + 11 + 2;
}
constexpr int countOf14() {
    return 10 + (2800 - 400) / 100 + 1 + (12000 - 3000) / 200 + 1 + (15900 - 12300) / 300 + 1 + 6 +
           2;
}
constexpr int countOf16() {
    return 6 + (600 - 100) / 50 + 1 + 4 + (6000 - 1500) / 500 + 1 + (60000 - 7000) / 1000 + 1 +
           (65000 - 60500) / 500 + 1 + 6 + 1;
}
static_assert(countOf12() == kLevelPositions, "the 12-bit scale has 102 levels");
static_assert(countOf14() == kLevelPositions, "the 14-bit scale has 102 levels");
static_assert(countOf16() == kLevelPositions, "the 16-bit scale has 102 levels");

constexpr LevelScale build12() {
    LevelScale s{};
    int n = 0;
    values(s, n, 0, 5, 10, 15, 20, 30, 40, 50, 60, 80, 100);
    steps(s, n, 150, 1750, 50);
    values(s, n, 1800, 1850);
    steps(s, n, 1900, 4000, 50);
    values(s, n, 4010, 4020, 4030, 4040, 4050, 4060, 4070, 4080, 4085, 4090, 4095, 8191, 16383);
    return s;
}

constexpr LevelScale build14() {
    LevelScale s{};
    int n = 0;
    values(s, n, 0, 20, 40, 60, 80, 100, 150, 200, 250, 300);
    steps(s, n, 400, 2800, 100);
    steps(s, n, 3000, 12000, 200);
    steps(s, n, 12300, 15900, 300);
    values(s, n, 16100, 16200, 16300, 16350, 16380, 16383, 32767, 65535);
    return s;
}

constexpr LevelScale build16() {
    LevelScale s{};
    int n = 0;
    values(s, n, 0, 10, 20, 30, 40, 50);
    steps(s, n, 100, 600, 50);
    values(s, n, 700, 800, 900, 1000);
    steps(s, n, 1500, 6000, 500);
    steps(s, n, 7000, 60000, 1000);
    steps(s, n, 60500, 65000, 500);
    values(s, n, 65100, 65200, 65300, 65400, 65500, 65535, 131071);
    return s;
}

constexpr bool ascending(const LevelScale& s) {
    for (int i = 1; i < kLevelPositions; ++i)
        if (s[i] <= s[i - 1]) return false;
    return true;
}

constexpr LevelScale k12 = build12();
constexpr LevelScale k14 = build14();
constexpr LevelScale k16 = build16();
static_assert(ascending(k12) && ascending(k14) && ascending(k16));
static_assert(k12[101] == 16383 && k14[101] == 65535 && k16[101] == 131071);
static_assert(k12[44] == 1800 && k12[45] == 1850);

} // namespace

const LevelScale kLevelScale12 = k12;
const LevelScale kLevelScale14 = k14;
const LevelScale kLevelScale16 = k16;

int levelPosition(const LevelScale& scale, std::int32_t level) {
    const auto it = std::lower_bound(scale.begin(), scale.end(), level);
    return it == scale.end() ? kLevelPositions - 1 : static_cast<int>(it - scale.begin());
}

std::int32_t levelAt(const LevelScale& scale, int position) {
    return scale[static_cast<std::size_t>(std::clamp(position, 0, kLevelPositions - 1))];
}

const LevelScale& chooseLevelScale(std::int32_t maximumValue, std::int32_t whiteLevel) {
    if (maximumValue < 4096 || (whiteLevel != 0 && whiteLevel < 4096)) return kLevelScale12;
    if (maximumValue < 16384 || (whiteLevel != 0 && whiteLevel < 16384)) return kLevelScale14;
    return kLevelScale16;
}

} // namespace korvane
