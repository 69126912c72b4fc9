#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "analysis/DisplayMode.hpp"

namespace korvane {

// The five arrangements of the display controls, one per mode operation, in the column
// order of the arrangement table.
enum class Arrangement : std::uint8_t { Composite = 0, Greyscale, Channel, Exposure, Histogram };
inline constexpr std::size_t kArrangements = 5;

[[nodiscard]] Arrangement arrangementOf(DisplayMode mode, ImageSubMode subMode);

// What entering a mode does to one control.
enum class ControlAction : std::uint8_t {
    Show,            // shown and enabled
    Hide,            // hidden and disabled
    Keep,            // left as it is
    Enable,          // enabled, visibility left
    Disable,         // disabled, visibility left
    WithImage,       // enabled while a file and an image are loaded, else disabled
    HistogramOption, // "Mapped", "Apply WB", "Fine", "Selection": by their own rules
    ScrollBar,       // shown; enabled when its direction scrolls and no drag is under way
};

// One row: up to six controls that are arranged alike (0 ends the list).
struct ArrangementRow {
    std::array<int, 6> ids;
    std::array<ControlAction, kArrangements> action;
};

// The controls each mode shows, hides, enables and disables.
[[nodiscard]] std::span<const ArrangementRow> arrangementTable();

} // namespace korvane
