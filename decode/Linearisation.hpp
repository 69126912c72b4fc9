#pragma once
#include <cstdint>
#include <span>

#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// A LinearizationTable of more entries than this is ignored.
inline constexpr std::uint32_t kMaxLinearisationEntries = 0x3FFF;

// Maps each sample s to table[s]; samples past the table's end take its last entry.
void linearise(std::span<std::uint16_t> samples, std::span<const std::uint16_t> table);

// The same, but successive occurrences of one raw value s (in buffer order) cycle through
// table[s] + 1, ..., table[s + 1] - 1 and then table[s], so that the gaps a steep table leaves
// between its values are filled. Steps of more than 4095 values (and falling steps) are not
// dithered. Failed allocations show MessageId::AllocationFailed.
[[nodiscard]] Status lineariseDithered(std::span<std::uint16_t> samples,
                                       std::span<const std::uint16_t> table, Reporter& reporter);

} // namespace korvane
