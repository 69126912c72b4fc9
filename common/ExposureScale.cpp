#include "common/ExposureScale.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace korvane {

namespace {

// 2^((p - 48) / 6), as the table holds it: positions 45 and 51 (half a stop either side)
// keep the six-digit values 0.707109 and 1.41421 that the exposure display has always used.
const std::array<double, kExposurePositions>& factorTable() {
    static const std::array<double, kExposurePositions> table = [] {
        std::array<double, kExposurePositions> t{};
        for (int p = 0; p < kExposurePositions; ++p)
            t[p] = std::exp2(static_cast<double>(p - kExposureZero) / 6.0);
        t[45] = 0.707109;
        t[51] = 1.41421;
        return t;
    }();
    return table;
}

} // namespace

double exposureFactor(int position) {
    return factorTable()[static_cast<std::size_t>(std::clamp(position, 0, kExposurePositions - 1))];
}

std::string exposureLabel(int position) {
    const int sixths = std::clamp(position, 0, kExposurePositions - 1) - kExposureZero;
    if (sixths == 0) return "0";
    const char* sign = sixths < 0 ? "-" : "+";
    const int whole = std::abs(sixths) / 6;
    const int part = std::abs(sixths) % 6;
    // Sixths reduced: 1/6, 1/3, 1/2, 2/3, 5/6.
    static constexpr const char* kFractions[] = {"", "1/6", "1/3", "1/2", "2/3", "5/6"};
    std::string out = sign;
    if (whole != 0) out += std::to_string(whole);
    if (part != 0) {
        if (whole != 0) out += ' ';
        out += kFractions[part];
    }
    return out;
}

} // namespace korvane
