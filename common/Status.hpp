#pragma once
#include <cstdint>

namespace korvane {

// Every operation that can fail returns a Status: 0 for success, non-zero (usually negative)
// for failure. The operation that detects the failure has already reported it; callers only
// unwind.
using Status = std::int16_t;

inline constexpr Status kOk = 0;
inline constexpr Status kFailed = -1;

[[nodiscard]] constexpr bool succeeded(Status s) {
    return s == kOk;
}
[[nodiscard]] constexpr bool failed(Status s) {
    return s != kOk;
}

} // namespace korvane
