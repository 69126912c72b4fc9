#pragma once
#include <memory>
#include <new>
#include <utility>

namespace korvane {

// An allocator whose vectors leave new elements as they find them when resized without a
// value: for buffers that are written in full right after, where clearing first only costs.
template <class T> struct UninitialisedAllocator : std::allocator<T> {
    template <class U> struct rebind { using other = UninitialisedAllocator<U>; };
    UninitialisedAllocator() = default;
    template <class U> UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}

    template <class U, class... Args> void construct(U* at, Args&&... args) {
        if constexpr (sizeof...(Args) == 0)
            ::new (static_cast<void*>(at)) U;
        else
            ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

} // namespace korvane
