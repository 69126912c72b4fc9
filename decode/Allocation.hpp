#pragma once
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "common/Reporter.hpp"

namespace korvane {

// Buffers of the decoders are counted in 32-bit byte sizes, as the message shows them.
inline constexpr std::uint64_t kMaxBufferBytes = std::numeric_limits<std::int32_t>::max();

// Gives `buffer` `count` zeroed elements. A size past kMaxBufferBytes or a failed allocation
// shows message 11 with the size in bytes and `what` and returns false; the exception of the
// allocator ends here.
template <typename T>
[[nodiscard]] bool allocateZeroed(std::vector<T>& buffer, std::uint64_t count, Reporter& reporter,
                                  const char* what) {
    const std::uint64_t bytes = count * sizeof(T);
    const bool tooLarge = count > kMaxBufferBytes / sizeof(T);
    if (!tooLarge) {
        try {
            buffer.assign(static_cast<std::size_t>(count), T{});
            return true;
        } catch (const std::bad_alloc&) {
        }
    }
    reporter.ShowMessage(11, static_cast<std::int32_t>(tooLarge ? kMaxBufferBytes : bytes), what);
    return false;
}

} // namespace korvane
