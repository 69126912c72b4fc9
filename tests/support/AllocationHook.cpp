#include "tests/support/AllocationHook.hpp"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace korvane::test::allocation {
namespace {

std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};
std::atomic<bool> failing{false};
std::atomic<std::size_t> failed{0};
std::thread::id arming;

[[maybe_unused]] void* allocate(std::size_t size) {
    if (failing.load() && std::this_thread::get_id() != arming) {
        failed.fetch_add(1);
        throw std::bad_alloc();
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    const std::size_t now = held.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    std::size_t top = peak.load(std::memory_order_relaxed);
    while (now > top && !peak.compare_exchange_weak(top, now)) {
    }
    return p;
}

[[maybe_unused]] void release(void* p) {
    if (p == nullptr) return;
    held.fetch_sub(malloc_usable_size(p));
    std::free(p);
}

} // namespace

std::size_t heldBytes() {
    return held.load();
}
std::size_t peakBytes() {
    return peak.load();
}
void resetPeak() {
    peak.store(held.load());
}

FailOnOtherThreads::FailOnOtherThreads() {
    arming = std::this_thread::get_id();
    failed.store(0);
    failing.store(true);
}
FailOnOtherThreads::~FailOnOtherThreads() {
    failing.store(false);
}
std::size_t FailOnOtherThreads::failures() {
    return failed.load();
}

} // namespace korvane::test::allocation

#if !defined(__SANITIZE_ADDRESS__)
void* operator new(std::size_t size) {
    return korvane::test::allocation::allocate(size);
}
void* operator new[](std::size_t size) {
    return korvane::test::allocation::allocate(size);
}
void operator delete(void* p) noexcept {
    korvane::test::allocation::release(p);
}
void operator delete[](void* p) noexcept {
    korvane::test::allocation::release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    korvane::test::allocation::release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    korvane::test::allocation::release(p);
}
#endif
