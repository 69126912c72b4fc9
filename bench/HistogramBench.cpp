// The histograms of a 24-megapixel image (6000 x 4000, 14-bit RGGB samples): the raw
// histogram of the whole value range, the RGB histogram, and one drawing of the three
// histograms into a panel of the smallest size and of a large one. The peer is the least any
// count can do: read every sample of the same buffer once, summing them. It is timed in the
// same run, right after each measurement, and each case reports its best time and that time
// as a ratio to the peer's best ("per_peer"). Targets: the raw histogram within 1.5 peers
// and 20 ms, the RGB histogram within 2 peers, a drawing under 5 ms.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "SceneImage.hpp"
#include "analysis/Histograms.hpp"
#include "bench/BestTime.hpp"
#include "common/RecordingReporter.hpp"
#include "platform/Surface.hpp"

namespace korvane {
namespace {

constexpr std::uint32_t kWidth = 6000, kHeight = 4000;

ImageDescriptor makeImage() {
    ImageDescriptor image = bench::sceneImage(kWidth, kHeight);
    image.valueRange = 16384;
    image.maximumValue = 16384;
    image.blackLevel = 512;
    image.blackLevelMinimum = 510;
    image.blackLevelMaximum = 514;
    image.wbMultipliers = {2.1f, 1.0f, 1.0f, 1.6f};
    return image;
}

ImageDescriptor& image() {
    static ImageDescriptor img = makeImage();
    return img;
}

// The peer: every sample read once; the best of `rounds` rounds.
double peerSeconds(int rounds) {
    return bench::readEverySample(image().samples, rounds);
}

// Times `once` in the benchmark's loop and reports it against the peer.
template <typename Once> void measure(benchmark::State& state, Once&& once) {
    bench::measureAgainstPeer(state, once, [] { return peerSeconds(20); });
}

void rawHistogram(benchmark::State& state) {
    RecordingReporter reporter;
    HistogramCounts counts;
    measure(state, [&] {
        counts.clear();
        BuildRawHistogram(image(), counts, HistogramMode::WholeRange, 0, {}, reporter);
        benchmark::DoNotOptimize(counts.fullRange.data());
    });
}

void rgbHistogram(benchmark::State& state) {
    RecordingReporter reporter;
    HistogramCounts counts;
    RgbHistogramRequest request;
    request.blackPoint = 520;
    request.whitePoint = 16383;
    request.applyWhiteBalance = true;
    measure(state, [&] {
        counts.rgbCounted = false;
        benchmark::DoNotOptimize(BuildRgbHistogram(image(), counts, request, reporter));
        benchmark::DoNotOptimize(counts.rgb.data());
    });
}

void drawing(benchmark::State& state, int width, int height) {
    RecordingReporter reporter;
    HistogramCounts counts;
    BuildRawHistogram(image(), counts, HistogramMode::WholeRange, 0, {}, reporter);
    HistogramChoices choices;
    choices.blackPoint = 520;
    choices.whitePoint = 16000;
    choices.valueCount = image().valueRange;
    const HistogramPlan plan = planHistograms(choices);
    platform::Surface panel(width, height);
    measure(state, [&] {
        benchmark::DoNotOptimize(DrawHistograms(image(), counts, plan, panel).tooSmall);
        benchmark::DoNotOptimize(panel.pixels().data());
    });
}

void registerAll() {
    benchmark::RegisterBenchmark("PeerReadEverySample", [](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(peerSeconds(1));
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("RawHistogram_WholeRange", rawHistogram)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
    benchmark::RegisterBenchmark("RgbHistogram", rgbHistogram)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
    benchmark::RegisterBenchmark("DrawHistograms_555x500",
                                 [](benchmark::State& state) { drawing(state, 555, 500); })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.2);
    benchmark::RegisterBenchmark("DrawHistograms_1000x600",
                                 [](benchmark::State& state) { drawing(state, 1000, 600); })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.2);
}

} // namespace
} // namespace korvane

int main(int argc, char** argv) {
    return korvane::bench::runBenchmarks(argc, argv, korvane::registerAll);
}
