#pragma once
#include <algorithm>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace korvane {

// Runs work(part, from, to) over the bands from 0 to `bands` in `parts` parts, the first on
// the calling thread and each other one on a thread of its own. When no thread can be had,
// the calling thread does the rest, so the work is done once whatever the processors.
template <typename Work> void inParts(int parts, std::int32_t bands, Work work) {
    parts = std::clamp(parts, 1, std::max(bands, 1));
    const auto bounds = [&](int part) {
        return static_cast<std::int32_t>(std::int64_t{bands} * part / parts);
    };
    // Both lists are made before any thread starts: a failure to allocate them leaves no
    // running thread behind.
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(parts));
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(parts));
    int started = 1;
    for (; started < parts; ++started) {
        try {
            threads.emplace_back([&, started] {
                try {
                    work(started, bounds(started), bounds(started + 1));
                } catch (...) {
                    failures[static_cast<std::size_t>(started)] = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            break; // no thread to be had: the calling thread does the rest
        }
    }
    try {
        work(0, bounds(0), bounds(1));
        if (started < parts) work(started, bounds(started), bounds(parts));
    } catch (...) {
        failures[0] = std::current_exception();
    }
    for (std::thread& t : threads)
        t.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

} // namespace korvane
