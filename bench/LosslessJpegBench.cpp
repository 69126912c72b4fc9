// The lossless JPEG decoder against LibRaw's unpack of the same data: a 24-megapixel 14-bit
// frame of two components (6000 x 4000, as Canon and DNG writers code it), made by the tests'
// encoder and wrapped as a tiled DNG for LibRaw. Korvane decodes the tile streams from memory
// and LibRaw unpacks the DNG from memory (open_buffer), so neither reads a disk. Each
// iteration times both, in alternating order; the counter "ratio" is Korvane's time / LibRaw's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench/LibRawPeer.hpp"
#include "common/RecordingReporter.hpp"
#include "decode/LosslessJpeg.hpp"
#include "tests/support/LosslessJpegEncoder.hpp"

namespace {

using namespace korvane::bench;
constexpr std::uint32_t kWidth = 6000;
constexpr std::uint32_t kHeight = 4000;
constexpr int kBits = 14;

// A smooth scene with sensor-like noise: a few bits of difference per sample, as in real
// raw files (pure noise would measure the worst case instead).
std::vector<std::uint16_t> scene() {
    std::vector<std::uint16_t> out(std::size_t{kWidth} * kHeight);
    std::uint64_t state = 88172645463325252ull;
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            const std::uint32_t base = 1024 + ((x / 3 + y / 2) % 6000) + ((x & 1) ^ (y & 1)) * 900;
            out[std::size_t{y} * kWidth + x] =
                static_cast<std::uint16_t>(std::min<std::uint32_t>(base + (state & 63), 16383));
        }
    }
    return out;
}

struct Data {
    std::uint32_t tileWidth;
    std::uint32_t tileLength;
    std::vector<std::vector<std::uint8_t>> tiles; // row by row
    std::vector<std::uint8_t> dng;
};

Data make(std::uint32_t tileWidth, std::uint32_t tileLength) {
    const auto image = scene();
    korvane::test::LosslessJpegOptions o;
    o.components = 2;
    o.precision = kBits;
    Data d{tileWidth, tileLength, {}, {}};
    d.dng = korvane::test::losslessJpegDng(image, kWidth, kHeight, tileWidth, tileLength, o);
    o.samplesPerLine = static_cast<std::uint16_t>(tileWidth / 2);
    o.lines = static_cast<std::uint16_t>(tileLength);
    for (std::uint32_t top = 0; top < kHeight; top += tileLength)
        for (std::uint32_t left = 0; left < kWidth; left += tileWidth)
            d.tiles.push_back(korvane::test::encodeLosslessJpeg(
                korvane::test::tileOf(image, kWidth, kHeight, top, left, tileWidth, tileLength, 0),
                o));
    return d;
}

bool korvaneDecode(const Data& d, std::vector<std::uint16_t>& image) {
    korvane::RecordingReporter reporter;
    std::size_t index = 0;
    for (std::uint32_t top = 0; top < kHeight; top += d.tileLength) {
        for (std::uint32_t left = 0; left < kWidth; left += d.tileWidth, ++index) {
            korvane::LosslessJpegTarget t;
            t.image = image;
            t.imageWidth = kWidth;
            t.imageHeight = kHeight;
            t.width = d.tileWidth;
            t.rows = d.tileLength;
            t.rowStart = top;
            t.columnStart = left;
            t.bitsPerSample = kBits;
            korvane::MemoryByteSource source(d.tiles[index]);
            if (korvane::failed(korvane::DecodeLosslessJpeg(
                    source, static_cast<std::uint32_t>(d.tiles[index].size()), t, reporter,
                    "bench")))
                return false;
        }
    }
    benchmark::DoNotOptimize(image.data());
    return true;
}

void compare(benchmark::State& state, std::uint32_t tileWidth, std::uint32_t tileLength) {
    static std::vector<std::pair<std::uint64_t, Data>> made;
    const std::uint64_t key = (std::uint64_t{tileWidth} << 32) | tileLength;
    const Data* data = nullptr;
    for (const auto& m : made)
        if (m.first == key) data = &m.second;
    if (!data) data = &made.emplace_back(key, make(tileWidth, tileLength)).second;

    std::vector<std::uint16_t> image(std::size_t{kWidth} * kHeight);
    if (!korvaneDecode(*data, image)) return state.SkipWithError("Korvane does not decode it");
    if (!libRawUnpack(data->dng, nullptr)) return state.SkipWithError("LibRaw does not unpack it");
    Seconds korvane{0}, libraw{0};
    inTurns(
        state, [&] { addTime(korvane, [&] { korvaneDecode(*data, image); }); },
        [&] { libRawUnpack(data->dng, &libraw); });
    setRates(state, korvane, libraw, double(kWidth) * kHeight * 2 / 1e6, "MBps");
}

void WholeImageTile(benchmark::State& state) {
    compare(state, kWidth, kHeight);
}
void Tiles512(benchmark::State& state) {
    compare(state, 512, 512);
}

} // namespace

BENCHMARK(WholeImageTile)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(Tiles512)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK_MAIN();
