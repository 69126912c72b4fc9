// The Sony, Kodak and Olympus decoders against LibRaw's unpack of the same data: a synthetic
// file of each camera's full size (A700 ARW, DCS Pro SLR/n DCR, E-3 ORF) made by the tests'
// encoders. Korvane decodes the file's one strip from memory; LibRaw unpacks the file from
// memory (open_buffer, which parses the directories, is not timed). The two run in turns,
// alternating which goes first; the counter "ratio" is Korvane's time / LibRaw's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <span>
#include <string_view>
#include <vector>

#include "bench/LibRawPeer.hpp"
#include "common/RecordingReporter.hpp"
#include "decode/KodakDecoder.hpp"
#include "decode/OlympusDecoder.hpp"
#include "decode/SonyDecoder.hpp"
#include "tests/support/KodakEncoder.hpp"
#include "tests/support/OlympusEncoder.hpp"
#include "tests/support/SonyEncoder.hpp"

namespace {

using namespace korvane;
using namespace korvane::bench;

// A photograph-like scene below 2^bits: smooth areas, edges and a few bits of noise.
std::vector<std::uint16_t> scene(std::uint32_t width, std::uint32_t height, std::uint32_t bits) {
    std::vector<std::uint16_t> out(std::size_t{width} * height);
    const std::uint32_t top = (1u << bits) - 1;
    std::uint64_t state = 88172645463325252ull;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            const std::uint32_t base = (x / 3 + y / 2) % (top / 2) +
                                       ((x / 200 + y / 150) % 2) * (top / 4) +
                                       ((x & 1) ^ (y & 1)) * (top / 16);
            out[std::size_t{y} * width + x] =
                static_cast<std::uint16_t>(std::min<std::uint64_t>(base + (state & 31), top));
        }
    return out;
}

using Samples = std::span<const std::uint16_t>;
using Bytes = std::vector<std::uint8_t>;
using Decoder = Status (*)(ByteSource&, std::uint32_t, const SampleTarget&, Reporter&,
                           std::string_view);

// One coding: the file LibRaw reads, the strip Korvane reads, and Korvane's decoder.
struct Case {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Bytes file;
    Bytes strip;
    Decoder decode = nullptr;
};

Case makeCase(std::uint32_t width, std::uint32_t height, std::uint32_t bits, Bytes (*file)(Samples),
              Bytes (*strip)(Samples, std::uint32_t), Decoder decode) {
    const auto samples = scene(width, height, bits);
    return {width, height, file(samples), strip(samples, width), decode};
}

Status decodeSony(ByteSource& s, std::uint32_t n, const SampleTarget& t, Reporter& r,
                  std::string_view p) {
    return DecodeSonyCraw(s, n, t, test::kSonyA700Ranges, r, p);
}

bool korvaneDecode(const Case& c, std::vector<std::uint16_t>& image, Seconds* time) {
    RecordingReporter reporter;
    MemoryByteSource source(c.strip);
    const SampleTarget target{image, c.width, c.height, c.width, c.height, 0, 0};
    const auto start = std::chrono::steady_clock::now();
    const bool ok = succeeded(
        c.decode(source, static_cast<std::uint32_t>(c.strip.size()), target, reporter, "bench"));
    if (time) *time += std::chrono::steady_clock::now() - start;
    benchmark::DoNotOptimize(image.data());
    return ok;
}

void compare(benchmark::State& state, const Case& c) {
    std::vector<std::uint16_t> image(std::size_t{c.width} * c.height);
    if (!korvaneDecode(c, image, nullptr)) return state.SkipWithError("Korvane does not decode it");
    if (!libRawUnpack(c.file, nullptr)) return state.SkipWithError("LibRaw does not unpack it");
    Seconds korvane{0}, libraw{0};
    inTurns(
        state, [&] { korvaneDecode(c, image, &korvane); }, [&] { libRawUnpack(c.file, &libraw); });
    setRates(state, korvane, libraw, double(c.width) * c.height / 1e6, "Mspps");
}

// The cameras' sizes; the Sony coding's values have 11 bits, the others' samples 12.
void SonyCraw(benchmark::State& state) {
    static const Case c = makeCase(
        4288, 2856, 11, [](Samples v) { return test::sonyArw(v, {}); },
        [](Samples v, std::uint32_t w) { return test::encodeSonyCraw(v, w); }, decodeSony);
    compare(state, c);
}
void Kodak65000(benchmark::State& state) {
    static const Case c = makeCase(
        4516, 3012, 12, [](Samples v) { return test::kodakDcr(v, {}); },
        [](Samples v, std::uint32_t w) { return test::encodeKodak(v, w); }, DecodeKodak);
    compare(state, c);
}
void OlympusCompressed(benchmark::State& state) {
    static const Case c = makeCase(
        3720, 2800, 12, [](Samples v) { return test::olympusOrf(v, {}); },
        [](Samples v, std::uint32_t w) { return test::encodeOlympus(v, w); }, DecodeOlympus);
    compare(state, c);
}

} // namespace

BENCHMARK(SonyCraw)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(Kodak65000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(OlympusCompressed)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_MAIN();
