// Whole decodes of files of each coding, with Korvane (open, parse, load, on the shared
// worker pool) against LibRaw (open_file, unpack) on the same file from disk in the same run:
// synthetic files of 10 megapixels or more from the tests' encoders (among them DNGs of
// 12-bit packed and 14-bit bit-packed samples), the real tiled Blackmagic DNG and Magic
// Lantern's bit-packed DNG. Each iteration times both, alternating
// which goes first; the counter "ratio" is Korvane's time / LibRaw's. With
// KORVANE_BENCH_FILES=DIR the synthetic files are written to DIR and kept there (for
// scripts/bench-vs-libraw); otherwise to a temporary folder that is removed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/LibRawPeer.hpp"
#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "decode/LoadImageData.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/KodakEncoder.hpp"
#include "tests/support/LosslessJpegEncoder.hpp"
#include "tests/support/NikonEncoder.hpp"
#include "tests/support/OlympusEncoder.hpp"
#include "tests/support/PentaxEncoder.hpp"
#include "tests/support/SonyEncoder.hpp"

namespace {

using namespace korvane;
using Bytes = std::vector<std::uint8_t>;
using namespace korvane::bench;

// Where the synthetic files go, and whether they stay.
struct FileFolder {
    std::filesystem::path path;
    bool keep = false;
    FileFolder() {
        if (const char* given = std::getenv("KORVANE_BENCH_FILES")) {
            path = given;
            keep = true;
        } else {
            path = std::filesystem::temp_directory_path() / "korvane-bench-whole-files";
        }
        std::filesystem::create_directories(path);
    }
    ~FileFolder() {
        if (!keep) std::filesystem::remove_all(path);
    }
};

FileFolder& folder() {
    static FileFolder f;
    return f;
}

std::string written(const std::string& name, const Bytes& bytes) {
    const auto file = folder().path / name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return file.string();
}

Bytes nef(std::uint16_t kind, std::uint8_t bits, const char* model, std::uint32_t width,
          std::uint32_t height) {
    return test::syntheticNef(kind, bits, model, width, height).file;
}

// 6000 x 4000 samples of 14 bits in lossless JPEG tiles of 512 x 512, two components a line.
Bytes losslessJpegDng() {
    constexpr std::uint32_t kWidth = 6000, kHeight = 4000;
    test::LosslessJpegOptions o;
    o.components = 2;
    o.precision = 14;
    return test::losslessJpegDng(test::sceneSamples(kWidth, kHeight, 14, 3), kWidth, kHeight, 512,
                                 512, o);
}

// 5472 x 3648 samples of `bits` bits in strips: at 16 bits uncompressed, at 12 bits two
// samples in three bytes (the packed decoder's), at 14 bits packed bit after bit without gaps
// (the bit-packed decoder's).
Bytes stripDng(std::uint32_t bits) {
    test::DngDescription d;
    d.width = 5472;
    d.height = 3648;
    d.activeArea = {8, 16, 3648, 5472};
    d.maskedAreas = {{0, 0, 8, 5472}, {8, 0, 3648, 16}};
    d.rawInSubIfd = false;
    d.bitsPerSample = bits;
    return test::buildDng(d, test::demoScene(d));
}

const std::string& synthetic(const char* name, Bytes (*make)()) {
    // One file per name, made at its first use.
    static std::vector<std::pair<std::string, std::string>> made;
    for (const auto& [n, p] : made)
        if (n == name) return p;
    made.emplace_back(name, written(name, make()));
    return made.back().second;
}

bool korvaneDecode(const std::string& path) {
    RawFileContext ctx;
    RecordingReporter reporter;
    ctx.path = path;
    if (openRawFile(ctx) != 0) return false;
    ctx.buffer.resize(kReadBufferSize);
    ctx.bufferSize = kReadBufferSize;
    const NoKeysHeld keys;
    const bool ok = succeeded(ParseContainer(ctx, reporter, keys, [](const std::string&) {})) &&
                    succeeded(LoadImageData(ctx, reporter, keys));
    ReleaseOffsetTables(ctx);
    if (ok) benchmark::DoNotOptimize(ctx.mainImage->samples.data());
    return ok;
}

void compare(benchmark::State& state, const std::string& path) {
    if (!std::filesystem::exists(path)) return state.SkipWithError("no such file");
    if (!korvaneDecode(path)) return state.SkipWithError("Korvane does not decode this file");
    if (!libRawUnpack(path, nullptr))
        return state.SkipWithError("LibRaw does not decode this file");
    Seconds korvane{0}, libraw{0};
    inTurns(
        state, [&] { addTime(korvane, [&] { korvaneDecode(path); }); },
        [&] { addTime(libraw, [&] { libRawUnpack(path, nullptr); }); });
    setMilliseconds(state, korvane, libraw);
}

#define KORVANE_WHOLE_FILE(name, make)                                                             \
    void name(benchmark::State& state) {                                                           \
        compare(state, synthetic(#name, make));                                                    \
    }                                                                                              \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->Iterations(7)

KORVANE_WHOLE_FILE(LosslessJpegDng24Mp, losslessJpegDng);
KORVANE_WHOLE_FILE(Uncompressed16Dng20Mp, [] { return stripDng(16); });
KORVANE_WHOLE_FILE(Packed12Dng20Mp, [] { return stripDng(12); });
KORVANE_WHOLE_FILE(BitPacked14Dng20Mp, [] { return stripDng(14); });
KORVANE_WHOLE_FILE(NikonD700Lossless14, [] { return nef(3, 14, "NIKON D700", 4288, 2844); });
KORVANE_WHOLE_FILE(NikonD700Lossy14, [] { return nef(4, 14, "NIKON D700", 4288, 2844); });
KORVANE_WHOLE_FILE(PentaxK10D, [] {
    test::PefLayout s;
    s.strip = test::encodePentax(test::sceneSamples(s.width, s.height, 12, 2), s.width, s.height);
    return test::buildPef(s);
});
KORVANE_WHOLE_FILE(SonyA700, [] {
    const test::SonyArwLayout s;
    return test::sonyArw(test::sceneSamples(s.width, s.height, 11, 4), s);
});
KORVANE_WHOLE_FILE(KodakDcsProSlrN, [] {
    const test::KodakDcrLayout l;
    return test::kodakDcr(test::sceneSamples(l.width, l.height, 12, 5), l);
});
KORVANE_WHOLE_FILE(OlympusE3, [] {
    const test::OlympusOrfLayout s;
    return test::olympusOrf(test::sceneSamples(s.width, s.height, 12, 6), s);
});

void BlackmagicDctTiles(benchmark::State& state) {
    compare(state, std::string(KORVANE_SAMPLES_DIR) +
                       "/blackmagic_pocket4k_dng-ljpeg12-lintable-tiled.dng");
}
BENCHMARK(BlackmagicDctTiles)->Unit(benchmark::kMillisecond)->Iterations(7);

// 14-bit samples packed without gaps in one strip (the DNG of Magic Lantern).
void MagicLanternBitPacked(benchmark::State& state) {
    compare(state, std::string(KORVANE_SAMPLES_DIR) +
                       "/canon_eos550d_dng-uncompressed14-magiclantern.dng");
}
BENCHMARK(MagicLanternBitPacked)->Unit(benchmark::kMillisecond)->Iterations(7);

} // namespace

BENCHMARK_MAIN();
