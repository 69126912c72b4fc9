#pragma once
// A test-only replacement of the global operator new of the test program it is linked into:
// it counts the bytes held on the heap, keeps their peak, and can be told to fail
// allocations, so that the limits a file's numbers put on memory and the way a failed
// allocation is reported can be tested.
#include <cstddef>
#include <thread>

namespace korvane::test::allocation {

// Under AddressSanitizer the sanitizer's own operator new stays in place (it checks that
// every block is released the way it was allocated, which a replacement cannot match in
// the libraries): the hook is off, counts nothing and fails nothing.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kHooked = false;
#else
inline constexpr bool kHooked = true;
#endif

// Bytes held now and the most held since the last resetPeak().
std::size_t heldBytes();
std::size_t peakBytes();
void resetPeak();

// While a FailOnOtherThreads lives, every allocation on a thread other than the one that made
// it throws std::bad_alloc.
class FailOnOtherThreads {
public:
    FailOnOtherThreads();
    ~FailOnOtherThreads();
    FailOnOtherThreads(const FailOnOtherThreads&) = delete;
    FailOnOtherThreads& operator=(const FailOnOtherThreads&) = delete;
    // How many allocations failed.
    static std::size_t failures();
};

} // namespace korvane::test::allocation
