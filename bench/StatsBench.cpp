// The statistics of `korvane-cli stats` over the whole active area of a 24-megapixel image
// (6000 x 4000, 14-bit RGGB samples), against the least any statistic can do: read every
// sample of the same buffer once, summing them. Each case reports its best time and that
// time as a ratio to the peer's best, timed in the same run ("per_peer"); the target is 1.5.
// A second pair times a whole file: a 24-megapixel DNG opened, parsed and loaded, with and
// without its statistics ("per_load").
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "SceneImage.hpp"
#include "analysis/AreaStatistics.hpp"
#include "bench/BestTime.hpp"
#include "cli/FileSession.hpp"
#include "tests/support/DngBuilder.hpp"

namespace korvane {
namespace {

constexpr std::uint32_t kWidth = 6000, kHeight = 4000;

ImageDescriptor& image() {
    static ImageDescriptor img = bench::sceneImage(kWidth, kHeight);
    return img;
}

using bench::secondsOf;

void wholeArea(benchmark::State& state) {
    const SampleRect area{0, 0, kHeight, kWidth};
    bench::measureAgainstPeer(
        state,
        [&] {
            const AreaStatistics s = MeasureArea(image(), area, 600, 16383);
            benchmark::DoNotOptimize(s.channels.data());
        },
        // The peer: every sample read once; the best of 20 rounds.
        [] { return bench::readEverySample(image().samples, 20); });
}

// 6016 x 4016 samples with an 8-row and 16-column masked border, as a 24-megapixel sensor.
const std::string& syntheticDng() {
    static const std::string path = [] {
        test::DngDescription d;
        d.width = 6016;
        d.height = 4016;
        d.activeArea = {8, 16, 4016, 6016};
        d.maskedAreas = {{0, 0, 8, 6016}, {8, 0, 4016, 16}};
        d.rawInSubIfd = false;
        const auto bytes = test::buildDng(d, test::demoScene(d));
        const auto file = std::filesystem::temp_directory_path() / "korvane-bench-24mp.dng";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }();
    return path;
}

void wholeFile(benchmark::State& state) {
    double load = 1e9, withStatistics = 1e9;
    for (auto _ : state) {
        load = std::min(load, secondsOf([] {
                            const auto session = cli::openFileSession(syntheticDng(), true);
                            benchmark::DoNotOptimize(session->context.mainImage);
                        }));
        withStatistics =
            std::min(withStatistics, secondsOf([] {
                         const auto session = cli::openFileSession(syntheticDng(), true);
                         const ImageDescriptor& im = *session->context.mainImage;
                         const SampleRect a = im.activeRect();
                         const AreaStatistics s =
                             MeasureArea(im, {0, 0, a.height, a.width}, im.blackLevelMinimum,
                                         static_cast<std::uint32_t>(im.whiteLevel));
                         benchmark::DoNotOptimize(s.channels.data());
                     }));
    }
    state.counters["load_ms"] = load * 1e3;
    state.counters["stats_ms"] = withStatistics * 1e3;
    state.counters["per_load"] = withStatistics / load;
}

void registerAll() {
    benchmark::RegisterBenchmark("WholeActiveArea_24MP", wholeArea)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
    benchmark::RegisterBenchmark("WholeFile_24MP_LoadVersusLoadAndStatistics", wholeFile)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
}

} // namespace
} // namespace korvane

int main(int argc, char** argv) {
    return korvane::bench::runBenchmarks(argc, argv, korvane::registerAll);
}
