#pragma once
// The peer the decoder benchmarks measure Korvane against: LibRaw unpacking the same file in
// the same run, the two in turns.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace korvane::bench {

using Seconds = std::chrono::duration<double>;

// Adds what LibRaw took to *time when time is given; returns whether LibRaw read the file.
// From memory only unpack() is timed, as open_buffer() parses the directories first; from a
// path open_file() and unpack() are timed together, as a user waits for both.
bool libRawUnpack(std::span<const std::uint8_t> file, Seconds* time);
bool libRawUnpack(const std::string& path, Seconds* time);

// Adds what `work` took to `total`.
template <typename Work> void addTime(Seconds& total, Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    total += std::chrono::steady_clock::now() - start;
}

// Runs `korvane` and `libRaw` once each in every iteration of `state`, each adding what it
// took to its own total, and alternates which of them goes first, so that neither always
// finds the caches as the other left them.
template <typename Korvane, typename LibRaw>
void inTurns(benchmark::State& state, Korvane&& korvane, LibRaw&& libRaw) {
    bool korvaneFirst = true;
    for (auto _ : state) {
        if (korvaneFirst) {
            korvane();
            libRaw();
        } else {
            libRaw();
            korvane();
        }
        korvaneFirst = !korvaneFirst;
    }
}

// The counters of a run in turns: "ratio", Korvane's time / LibRaw's, and each one's rate of
// `perIteration` units (megabytes, megasamples) a second, "korvane_<unit>" and
// "libraw_<unit>".
inline void setRates(benchmark::State& state, Seconds korvane, Seconds libRaw, double perIteration,
                     const std::string& unit) {
    const double units = perIteration * double(state.iterations());
    state.counters["ratio"] = korvane.count() / libRaw.count();
    state.counters["korvane_" + unit] = units / korvane.count();
    state.counters["libraw_" + unit] = units / libRaw.count();
}

// The same with each one's milliseconds an iteration, "korvane_ms" and "libraw_ms".
inline void setMilliseconds(benchmark::State& state, Seconds korvane, Seconds libRaw) {
    const double n = static_cast<double>(state.iterations());
    state.counters["ratio"] = korvane.count() / libRaw.count();
    state.counters["korvane_ms"] = 1000 * korvane.count() / n;
    state.counters["libraw_ms"] = 1000 * libRaw.count() / n;
}

} // namespace korvane::bench
