#pragma once
#include <sys/mman.h>

#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "common/Reporter.hpp"

namespace korvane {

// Buffers of the decoders are counted in 32-bit byte sizes, as the message shows them.
inline constexpr std::uint64_t kMaxBufferBytes = std::numeric_limits<std::int32_t>::max();

// A buffer of this many bytes or more is asked to live in huge pages where the system gives
// them on request: thousands fewer page faults when it is first written.
inline constexpr std::uint64_t kHugePageBufferBytes = std::uint64_t{8} << 20;

// Advises the system that the memory of `bytes` bytes at `data` is worth huge pages (the
// 2 MiB-aligned part of it); nothing happens where it does not take the advice.
inline void adviseHugePages(void* data, std::uint64_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHuge - 1);
    if (end > begin) (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

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
            if (bytes >= kHugePageBufferBytes && buffer.capacity() < count) {
                // Reserved first, so that the advice comes before the zeros touch the pages.
                std::vector<T>().swap(buffer);
                buffer.reserve(static_cast<std::size_t>(count));
                adviseHugePages(buffer.data(), bytes);
            }
            buffer.assign(static_cast<std::size_t>(count), T{});
            return true;
        } catch (const std::bad_alloc&) {
        }
    }
    reporter.ShowMessage(MessageId::AllocationFailed, static_cast<std::int32_t>(tooLarge ? kMaxBufferBytes : bytes), what);
    return false;
}

} // namespace korvane
