#pragma once
// How the analysis benchmarks time a case: its best time over the benchmark's iterations,
// against the best time of a peer, the least any such work can do, timed in the same run
// right after it, so that on a machine that others share the two see the same load.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <span>

namespace korvane::bench {

// What one run of `work` took, in seconds.
template <typename Work> double secondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best time of `rounds` runs of `work`.
template <typename Work> double bestOf(int rounds, Work&& work) {
    double best = 1e9;
    for (int round = 0; round < rounds; ++round)
        best = std::min(best, secondsOf(work));
    return best;
}

// The peer of a count or a statistic over every sample: each sample read once, summing them;
// the best of `rounds` rounds.
inline double readEverySample(std::span<const std::uint16_t> samples, int rounds) {
    return bestOf(rounds, [&] {
        std::uint64_t sum = 0;
        for (const std::uint16_t s : samples)
            sum += s;
        benchmark::DoNotOptimize(sum);
    });
}

// Times `once` in the benchmark's loop, then `peer()` (its best time in seconds), and
// reports the best time of `once` ("best_ms"), the peer's ("peer_ms") and their ratio
// ("per_peer").
template <typename Once, typename Peer>
void measureAgainstPeer(benchmark::State& state, Once&& once, Peer&& peer) {
    double best = 1e9;
    for (auto _ : state)
        best = std::min(best, secondsOf(once));
    const double peerBest = peer();
    state.counters["best_ms"] = best * 1e3;
    state.counters["peer_ms"] = peerBest * 1e3;
    state.counters["per_peer"] = best / peerBest;
}

// The main program of a benchmark whose cases `registerAll` registers.
inline int runBenchmarks(int argc, char** argv, void (*registerAll)()) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace korvane::bench
