// The Nikon and Pentax decoders against LibRaw's unpack of the same data: NEF and PEF files
// of the cameras' own frames made by the tests' encoders and file builders. Korvane decodes
// the strip from memory with the CompressionInfo of the file, and LibRaw unpacks the file from
// memory (open_buffer), so neither reads a disk. Each iteration times both, in alternating
// order; the counter "ratio" is Korvane's time / LibRaw's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench/LibRawPeer.hpp"
#include "common/RecordingReporter.hpp"
#include "decode/NikonDecoder.hpp"
#include "decode/PentaxDecoder.hpp"
#include "tests/support/NikonEncoder.hpp"
#include "tests/support/PentaxEncoder.hpp"

namespace {

namespace test = korvane::test;
using namespace korvane::bench;

// One coding of one camera: the strip and what the decoder is told, and the whole file.
struct Data {
    std::uint32_t width = 0, height = 0;
    bool pentax = false;
    std::uint16_t kind = 0;
    std::uint8_t bits = 0;
    std::vector<std::uint8_t> info, strip, file;
};

Data nef(std::uint16_t kind, std::uint8_t bits, const char* model, std::uint32_t width,
         std::uint32_t height) {
    Data d{width, height, false, kind, bits, {}, {}, {}};
    auto made = test::syntheticNef(kind, bits, model, width, height);
    d.info = std::move(made.info);
    d.strip = std::move(made.strip);
    d.file = std::move(made.file);
    return d;
}

Data pef() {
    Data d{3936, 2624, true, 0, 12, {}, {}, {}};
    d.strip = test::encodePentax(test::sceneSamples(d.width, d.height, 12, 2), d.width, d.height);
    test::PefLayout s;
    s.strip = d.strip;
    d.file = test::buildPef(s);
    return d;
}

bool korvaneDecode(const Data& d, std::vector<std::uint16_t>& image) {
    korvane::RecordingReporter reporter;
    const korvane::SampleTarget target{image, d.width, d.height, d.width, d.height, 0, 0};
    korvane::MemoryByteSource source(d.strip);
    const auto count = static_cast<std::uint32_t>(d.strip.size());
    korvane::Status status = korvane::kOk;
    if (d.pentax) {
        status = korvane::DecodePentax(source, count, target, reporter, "bench");
    } else {
        const korvane::NikonCompression c{d.kind, true, d.info, true, d.bits};
        status = korvane::DecodeNikon(source, count, target, c, false, reporter, "bench");
    }
    benchmark::DoNotOptimize(image.data());
    return korvane::succeeded(status) && reporter.records().empty();
}

void compare(benchmark::State& state, const Data& data) {
    std::vector<std::uint16_t> image(std::size_t{data.width} * data.height);
    if (!korvaneDecode(data, image)) return state.SkipWithError("Korvane does not decode it");
    if (!libRawUnpack(data.file, nullptr)) return state.SkipWithError("LibRaw does not unpack it");
    Seconds korvane{0}, libraw{0};
    inTurns(
        state, [&] { addTime(korvane, [&] { korvaneDecode(data, image); }); },
        [&] { libRawUnpack(data.file, &libraw); });
    setRates(state, korvane, libraw, double(data.width) * data.height * 2 / 1e6, "MBps");
}

void D700Lossless14(benchmark::State& state) {
    static const Data data = nef(3, 14, "NIKON D700", 4288, 2844);
    compare(state, data);
}
void D700LossyType2Of14Bits(benchmark::State& state) {
    static const Data data = nef(4, 14, "NIKON D700", 4288, 2844);
    compare(state, data);
}
void D70LossyType1(benchmark::State& state) {
    static const Data data = nef(1, 12, "NIKON D70", 3040, 2014);
    compare(state, data);
}
void K10D(benchmark::State& state) {
    static const Data data = pef();
    compare(state, data);
}

} // namespace

BENCHMARK(D700Lossless14)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(D700LossyType2Of14Bits)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(D70LossyType1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(K10D)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_MAIN();
