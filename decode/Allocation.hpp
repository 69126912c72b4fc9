#pragma once
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "common/Reporter.hpp"

namespace korvane {

// Buffers of the decoders are counted in 32-bit byte sizes, as the message shows them.
inline constexpr std::uint64_t kMaxBufferBytes = std::numeric_limits<std::int32_t>::max();

// A buffer of this many bytes or more is asked to live in huge pages where the system gives
// them on request, and has its pages made in one call before it is written: a page fault
// costs some microseconds (tens of them on virtual machines), and a buffer of small pages
// faulting one page at a time spends more time there than a decoder takes to fill it.
inline constexpr std::uint64_t kHugePageBufferBytes = std::uint64_t{1} << 20;
inline constexpr std::uint64_t kHugePageBytes = std::uint64_t{2} << 20;

// Advises the system that the memory of `bytes` bytes at `data` is worth huge pages (the
// huge pages that lie wholly inside it), then makes its pages, writable, in one call; nothing
// happens where the system takes neither.
inline void prepareLargeBuffer(void* data, std::uint64_t bytes) {
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = reinterpret_cast<std::uintptr_t>(data) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes + kPage - 1) & ~(kPage - 1);
    if (end <= begin) return;
#ifdef MADV_HUGEPAGE
    (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
}

// Bytes to ask for so that the allocator maps a whole number of huge pages, which the system
// places on a huge-page boundary: the buffer then lies in huge pages from its start. The
// allocator's mapping holds 32 bytes besides the block (glibc: its header, rounded to 16).
inline constexpr std::uint64_t largeBufferCapacity(std::uint64_t bytes) {
    constexpr std::uint64_t kAllocatorBytes = 32;
    return (bytes + kAllocatorBytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes -
           kAllocatorBytes;
}

// Bytes that are not initialised, in huge pages where the system gives them, for the large
// buffers of reading and writing; a null data() after a failed allocation.
class LargeByteBuffer {
public:
    LargeByteBuffer() = default;
    explicit LargeByteBuffer(std::size_t bytes) : size_(bytes) {
        const std::size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
        data_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kHugePageBytes, rounded)));
        if (data_) prepareLargeBuffer(data_.get(), rounded);
    }
    std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return data_ ? size_ : 0; }

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t[], Free> data_;
    std::size_t size_ = 0;
};

// Gives `buffer` `count` zeroed elements. A size past kMaxBufferBytes or a failed allocation
// shows MessageId::AllocationFailed with the size in bytes and `what` and returns false; the
// exception of the allocator ends here.
template <typename T>
[[nodiscard]] bool allocateZeroed(std::vector<T>& buffer, std::uint64_t count, Reporter& reporter,
                                  const char* what) {
    const std::uint64_t bytes = count * sizeof(T);
    const bool tooLarge = count > kMaxBufferBytes / sizeof(T);
    if (!tooLarge) {
        try {
            if (bytes >= kHugePageBufferBytes && buffer.capacity() < count) {
                // Reserved first, so that the pages are made before the zeros touch them.
                std::vector<T>().swap(buffer);
                buffer.reserve(static_cast<std::size_t>(largeBufferCapacity(bytes) / sizeof(T)));
                prepareLargeBuffer(buffer.data(), buffer.capacity() * sizeof(T));
            }
            buffer.assign(static_cast<std::size_t>(count), T{});
            return true;
        } catch (const std::bad_alloc&) {
        }
    }
    reporter.ShowMessage(MessageId::AllocationFailed,
                         static_cast<std::int32_t>(tooLarge ? kMaxBufferBytes : bytes), what);
    return false;
}

} // namespace korvane
