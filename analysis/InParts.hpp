#pragma once
#include <algorithm>
#include <cstdint>

#include "common/WorkerPool.hpp"

namespace korvane {

// Runs work(part, from, to) over the bands from 0 to `bands` in `parts` parts on the shared
// worker pool, the calling thread taking its share. The parts are the same whatever the
// processors, so the work is done once and alike on every machine.
template <typename Work> void inParts(int parts, std::int32_t bands, Work work) {
    parts = std::clamp(parts, 1, std::max(bands, 1));
    const auto bounds = [&](int part) {
        return static_cast<std::int32_t>(std::int64_t{bands} * part / parts);
    };
    if (parts == 1) {
        work(0, bounds(0), bounds(1));
        return;
    }
    WorkerPool::shared().run(static_cast<std::size_t>(parts), [&](std::size_t part) {
        const int p = static_cast<int>(part);
        work(p, bounds(p), bounds(p + 1));
    });
}

} // namespace korvane
