#pragma once
#include <cstdint>

#include "analysis/MappingFunction.hpp"
#include "common/IfdNode.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// The arrays never hold more positions than this: a display range of up to 0x20000 values.
inline constexpr std::uint32_t kMaxMappingPositions = 0x20000;

// Builds the image's mapping arrays from `function` for the position count and output range
// the caller has set in image.mapping. Reuses the arrays when their capacity suffices; else
// allocates a quarter more than needed. Returns kOk, or kFailed after MessageId::AllocationFailed
// (the arrays are then absent and the capacity 0, so the next build tries again).
[[nodiscard]] Status BuildMappingArrays(ImageDescriptor& image, const MappingFunction& function,
                                        Reporter& reporter);

// Sets position count and output range and rebuilds from the image's selected function when
// they, or the function, differ from what the arrays were built for.
[[nodiscard]] Status EnsureMappingArrays(ImageDescriptor& image, std::uint32_t positions,
                                         std::uint16_t outputRange, Reporter& reporter);

} // namespace korvane
