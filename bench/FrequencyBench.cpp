// The frequency analysis of one colour of a selection, whole transform (Shift and Ctrl), on a
// 12-megapixel frame of 14-bit RGGB samples (4096 x 3072). The peer is the direct sum that
// defines the transform, in single precision (a kernel table indexed by the product of the
// indices, n / 2 + 1 frequencies a row and m a column: tests/analysis/DirectTransform.hpp,
// the tests' reference in double precision), timed in the same run
// right after each measurement on the same colour samples; each case reports its best time,
// the peer's best and the speed-up ("per_direct" is peer time over analysis time).
// Targets: at 256 x 256 colour samples at least 50 times the direct transform's speed; the
// whole frame's colour (2048 x 1536) under 300 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>

#include "SceneImage.hpp"
#include "analysis/FrequencyAnalysis.hpp"
#include "common/RecordingReporter.hpp"
#include "tests/analysis/DirectTransform.hpp"

namespace korvane {
namespace {

constexpr std::uint32_t kWidth = 4096, kHeight = 3072;

struct Frame {
    ImageDescriptor image = bench::sceneImage(kWidth, kHeight);
    Viewport view = LayOutViewport(image, ViewportRequest{{kWidth + 4, kHeight + 4}});
};

Frame& frame() {
    static Frame f;
    return f;
}

// The selection of `columns` x `rows` red samples at the frame's top-left corner.
PanelSelection selectionOf(int columns, int rows) {
    const PanelGeometry& g = frame().view.geometry;
    return {true, g.originX, g.originY, g.originX + 2 * columns - 1, g.originY + 2 * rows - 1};
}

double seconds(const std::function<void()>& once) {
    const auto start = std::chrono::steady_clock::now();
    once();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The peer: the red samples of a fresh frame, black 0 and range 16383 as the analysis takes
// them, through the direct transform; the best of `rounds` rounds.
double directSeconds(int side, int rounds) {
    static const ImageDescriptor pristine = bench::sceneImage(kWidth, kHeight);
    const auto n = static_cast<std::uint32_t>(side);
    double best = 1e9;
    for (int round = 0; round < rounds; ++round)
        best = std::min(best, seconds([&] {
                            std::vector<float> x(std::size_t{n} * n);
                            for (std::uint32_t i = 0; i < n; ++i)
                                for (std::uint32_t j = 0; j < n; ++j)
                                    x[i * n + j] =
                                        pristine.samples[2 * i * std::size_t{kWidth} + 2 * j] /
                                        16383.0f;
                            benchmark::DoNotOptimize(
                                test::DirectTransform<float>::magnitudes(x, n, n, true, true));
                        }));
    return best;
}

// Times the analysis of a columns x rows selection of red samples.
double analyse(benchmark::State& state, int columns, int rows) {
    Frame& f = frame();
    f.image.channelWhite = {16383, 16383, 16383, 16383};
    RecordingReporter reporter;
    double best = 1e9;
    for (auto _ : state) {
        // The spectrum replaces the samples; the transform's cost does not depend on them.
        best = std::min(best, seconds([&] {
                            benchmark::DoNotOptimize(
                                AnalyseFrequencies(f.image, f.view, selectionOf(columns, rows),
                                                   kFrequencyRed, true, true, reporter));
                        }));
    }
    if (!reporter.records().empty()) state.SkipWithError("the analysis showed a message");
    state.counters["best_ms"] = best * 1e3;
    return best;
}

void FrequencyAnalysis_Square(benchmark::State& state) {
    const auto side = static_cast<int>(state.range(0));
    const double best = analyse(state, side, side);
    const double direct = directSeconds(side, side > 100 ? 3 : 20);
    state.counters["direct_ms"] = direct * 1e3;
    state.counters["per_direct"] = direct / best;
}
BENCHMARK(FrequencyAnalysis_Square)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->MinTime(0.5);

void FrequencyAnalysis_WholeFrame_2048x1536(benchmark::State& state) {
    analyse(state, kWidth / 2, kHeight / 2);
}
BENCHMARK(FrequencyAnalysis_WholeFrame_2048x1536)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
} // namespace korvane

BENCHMARK_MAIN();
