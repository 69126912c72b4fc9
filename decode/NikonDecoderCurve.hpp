#pragma once
// The curve of Nikon's lossy codings, which maps the decoded values back to the sensor's
// range. Only the Nikon decoder and its tests include this.
#include <cstdint>
#include <span>
#include <vector>

#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "decode/SampleTarget.hpp"

namespace korvane::nikon_curve {

// Lossy type 1 takes its points as the curve. Lossy type 2 spreads them `top` / (n - 1)
// values apart and runs linearly between them, up to the interval of the first point that
// reaches top - 1; the stretch after the last point, which has no point to run to, stays at
// it. Fails after MessageId::AllocationFailed when the curve cannot be allocated.
[[nodiscard]] Status BuildCurve(std::span<const std::uint16_t> points, std::uint16_t kind,
                                std::uint32_t top, std::vector<std::uint16_t>& curve,
                                Reporter& reporter);

// Maps the samples of the target's strip inside the image: a value v below the curve's
// length becomes curve[v], any other value top - 1. With dithering, successive occurrences of
// one value v (row after row) cycle through curve[v] + 1 ... curve[v + 1] - 1 and then
// curve[v], the last value up to top - 1; a gap of more than 4095 values (or a falling step)
// is not spread. Fails after MessageId::AllocationFailed when the dithering arrays cannot be
// allocated.
void ApplyCurve(std::span<const std::uint16_t> curve, std::uint32_t top,
                const SampleTarget& target);
[[nodiscard]] Status ApplyCurveDithered(std::span<const std::uint16_t> curve, std::uint32_t top,
                                        const SampleTarget& target, Reporter& reporter);

} // namespace korvane::nikon_curve
