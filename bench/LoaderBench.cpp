// Decoding a raw file with Korvane (open, parse, load) against LibRaw (open_file, unpack) on
// the same files: a synthetic 20-megapixel uncompressed 16-bit DNG, written once, and the
// lossless JPEG sample when Korvane decodes it. Each iteration times both, in alternating
// order, and the counter "ratio" is Korvane's time / LibRaw's time.
#include <benchmark/benchmark.h>
#include <libraw/libraw.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "decode/LoadImageData.hpp"
#include "tests/support/DngBuilder.hpp"

namespace {

using Clock = std::chrono::steady_clock;

// 5472 x 3648, the sensor of many 20-megapixel cameras.
const std::string& syntheticDng() {
    static const std::string path = [] {
        korvane::test::DngDescription d;
        d.width = 5472;
        d.height = 3648;
        d.activeArea = {8, 16, 3648, 5472};
        d.maskedAreas = {{0, 0, 8, 5472}, {8, 0, 3648, 16}};
        d.rawInSubIfd = false;
        const auto bytes = korvane::test::buildDng(d, korvane::test::demoScene(d));
        const auto file = std::filesystem::temp_directory_path() / "korvane-bench-20mp.dng";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }();
    return path;
}

bool korvaneDecode(const std::string& path) {
    korvane::RawFileContext ctx;
    korvane::RecordingReporter reporter;
    ctx.path = path;
    if (korvane::openRawFile(ctx) != 0) return false;
    ctx.buffer.resize(korvane::kReadBufferSize);
    ctx.bufferSize = korvane::kReadBufferSize;
    const korvane::NoKeysHeld keys;
    bool ok = korvane::succeeded(
                  korvane::ParseContainer(ctx, reporter, keys, [](const std::string&) {})) &&
              korvane::succeeded(korvane::LoadImageData(ctx, reporter, keys));
    korvane::ReleaseOffsetTables(ctx);
    if (ok) benchmark::DoNotOptimize(ctx.mainImage->samples.data());
    return ok;
}

bool libRawDecode(const std::string& path) {
    auto raw = std::make_unique<LibRaw>();
    if (raw->open_file(path.c_str()) != LIBRAW_SUCCESS || raw->unpack() != LIBRAW_SUCCESS)
        return false;
    benchmark::DoNotOptimize(raw->imgdata.rawdata.raw_image);
    return true;
}

void compare(benchmark::State& state, const std::string& path) {
    if (!korvaneDecode(path)) return state.SkipWithError("Korvane does not decode this file");
    if (!libRawDecode(path)) return state.SkipWithError("LibRaw does not decode this file");
    std::chrono::duration<double> korvane{0}, libraw{0};
    bool korvaneFirst = true;
    for (auto _ : state) {
        for (int pass = 0; pass < 2; ++pass) {
            const bool ours = (pass == 0) == korvaneFirst;
            const auto start = Clock::now();
            ours ? korvaneDecode(path) : libRawDecode(path);
            (ours ? korvane : libraw) += Clock::now() - start;
        }
        korvaneFirst = !korvaneFirst;
    }
    state.counters["ratio"] = korvane.count() / libraw.count();
    const double n = static_cast<double>(state.iterations());
    state.counters["korvane_ms"] = 1000 * korvane.count() / n;
    state.counters["libraw_ms"] = 1000 * libraw.count() / n;
}

void Synthetic20MpUncompressed16(benchmark::State& state) {
    compare(state, syntheticDng());
}
void BlackmagicLosslessJpegTiles(benchmark::State& state) {
    compare(state, std::string(KORVANE_SAMPLES_DIR) +
                       "/blackmagic_pocket4k_dng-ljpeg12-lintable-tiled.dng");
}

} // namespace

BENCHMARK(Synthetic20MpUncompressed16)->Unit(benchmark::kMillisecond);
BENCHMARK(BlackmagicLosslessJpegTiles)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
