#include "tools/RecoveryTemplate.hpp"

#include <bit>

namespace korvane {

int neighbourClass(std::uint8_t neighbourFlags) {
    const int o =
        std::popcount(static_cast<unsigned>(neighbourFlags & neighbour_flags::kOrthogonal));
    const int d = std::popcount(static_cast<unsigned>(neighbourFlags & neighbour_flags::kDiagonal));
    if (o + d == 0) return -1;
    if (o == 4) return d == 4 ? 4 : 3;
    if ((o == 2 || o == 3) && d >= 1) return 2;
    return o + d == 1 ? 0 : 1;
}

std::vector<std::string> templateCountLines(const RecoveryTemplate& slot) {
    std::vector<std::string> lines;
    if (!slot.active) return lines;
    lines.reserve(kNeighbourClassCount * kPatternPositionCount);
    for (int c = 0; c < kNeighbourClassCount; ++c)
        for (int p = 0; p < kPatternPositionCount; ++p)
            lines.push_back("class " + std::to_string(c) + " position " + std::to_string(p) + ": " +
                            std::to_string(slot.counts[c][p]));
    return lines;
}

} // namespace korvane
