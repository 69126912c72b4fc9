// The renderer drawing a 1600 x 1000 panel from a 24-megapixel image (6000 x 4000, 14-bit
// RGGB samples), as the dialog calls it on every scroll step: every mode at 1:1, 1:2 and
// 3:1, with each black level source (a single level, the CFA array, masked-area columns and
// rows), with the clipping marks on and off, with a neutral white balance, and with a
// selection. The peer is the least any drawing can do: one table look-up per visible sample
// of a 1:1 view into the same panel. It is measured in the same run, right after each
// drawing's own measurement, and every drawing reports its best time as a ratio to the
// peer's best ("per_peer"; "mean_per_peer" for the mean), so the figures compare across
// machines and loads; the dialog's target of 10 ms per drawing is about 10 to 20 peers on the
// 2-core development machine (a peer there takes 0.5 to 1 ms, as the machine's load goes).
// The renderer shares a large drawing out in bands over the processors (up to four); the peer
// runs on one. (A drawing through the noise stage goes in one part or in parts, whichever the
// drawings before found faster: on a machine whose other processor is busy, one part.) The
// target holds also while another process keeps one processor busy: run the benchmark under
// `taskset -c 0`, or beside a busy loop. The noise processing stage is measured with every function
// of the noise dialog on (its own black levels, the masked-profile gates, Multiply, Replace, Shift
// and Offset), in Composite at 1:1 and 1:2 and in Channel and Greyscale at 1:1, to the same 10 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "SceneImage.hpp"
#include "analysis/NoiseProcessing.hpp"
#include "analysis/RenderImage.hpp"
#include "bench/BestTime.hpp"
#include "common/RecordingReporter.hpp"
#include "platform/Surface.hpp"

namespace korvane {
namespace {

constexpr std::uint32_t kWidth = 6000, kHeight = 4000;
constexpr int kPanelWidth = 1600, kPanelHeight = 1000;

enum class Black { Single, CfaArray, ColumnsAndRows };
constexpr const char* kBlackNames[] = {"SingleBlack", "CfaBlack", "ColumnRowBlack"};

ImageDescriptor makeImage(Black black) {
    ImageDescriptor image = bench::sceneImage(kWidth, kHeight);
    image.channelWhite = {16383, 16383, 16383, 16383};
    image.wbMultipliers = {2.1f, 1.0f, 1.0f, 1.6f};
    image.blackLevel = black == Black::Single ? 512 : 0;
    image.blackLevelMinimum = 500;
    if (black == Black::CfaArray) image.blackLevelArray = {511, 514, 509, 512};
    if (black == Black::ColumnsAndRows) {
        for (std::uint32_t c = 0; c < kWidth; ++c) {
            image.blackDeltaH.push_back(static_cast<std::uint16_t>(505 + c % 11));
            image.columnWeighting.push_back(static_cast<std::int16_t>(20 + c % 7));
        }
        for (std::uint32_t r = 0; r < kHeight; ++r) {
            image.blackDeltaV.push_back(static_cast<std::uint16_t>(508 + r % 5));
            image.rowWeighting.push_back(static_cast<std::int16_t>(15 + r % 3));
        }
    }
    return image;
}

ImageDescriptor& image(Black black) {
    static ImageDescriptor images[] = {makeImage(Black::Single), makeImage(Black::CfaArray),
                                       makeImage(Black::ColumnsAndRows)};
    return images[static_cast<int>(black)];
}

// The peer: a table look-up per sample of the 1596 x 996 samples a 1:1 view shows; the
// best of `rounds` rounds.
double peerSeconds(int rounds) {
    const ImageDescriptor& img = image(Black::Single);
    static const std::vector<std::uint32_t> table = [] {
        std::vector<std::uint32_t> t(0x10000);
        for (std::uint32_t i = 0; i < t.size(); ++i)
            t[i] = i * 2654435761u;
        return t;
    }();
    static platform::Surface picture(kPanelWidth, kPanelHeight);
    return bench::bestOf(rounds, [&] {
        for (int y = 0; y < 996; ++y) {
            const std::uint16_t* p = img.samples.data() + std::size_t(1000 + y) * kWidth + 1400;
            platform::Rgb* out = picture.row(2 + y) + 2;
            for (int x = 0; x < 1596; ++x)
                out[x] = table[p[x]];
        }
        benchmark::DoNotOptimize(picture.pixels().data());
        benchmark::ClobberMemory();
    });
}

struct Zoom {
    const char* name;
    std::uint8_t magnification, reduction;
};
constexpr Zoom kZooms[] = {{"1to1", 1, 1}, {"1to2", 1, 2}, {"3to1", 3, 1}};

struct Mode {
    const char* name;
    DisplayMode mode;
    ImageSubMode subMode;
};
constexpr Mode kModes[] = {{"Composite", DisplayMode::Image, ImageSubMode::Composite},
                           {"Greyscale", DisplayMode::Image, ImageSubMode::Greyscale},
                           {"Channel", DisplayMode::Image, ImageSubMode::Channel},
                           {"Exposure", DisplayMode::Exposure, ImageSubMode::Composite}};

enum class Variant { Clipping, NoClipping, NeutralBalance, Selection };
constexpr const char* kVariantNames[] = {"Clipping", "NoClipping", "NeutralBalance", "Selection"};

RenderSettings settings(const Mode& m, const Zoom& z, Variant variant) {
    RenderSettings s;
    s.mode = m.mode;
    s.subMode = m.subMode;
    s.magnification = z.magnification;
    s.reduction = z.reduction;
    s.blackPoint = 520;
    s.whitePoint = 16383;
    s.panel = {kPanelWidth, kPanelHeight};
    // Clipping marks and black-corrected exposure marks; off in NoClipping.
    const bool marks = variant != Variant::NoClipping;
    s.checks.showClipping = marks;
    s.checks.rawClipping = marks;
    s.checks.blackCorrected = marks;
    s.checks.outsideRange = !marks;
    s.checks.lowSide = {true, true, true};
    s.checks.highSide = {true, true, true};
    if (variant == Variant::Selection) s.selection = {true, 400, 300, 799, 599}; // 400 x 300
    return s;
}

// Noise parameters with every function on, over the 14-bit scene's values.
NoiseParameters everyNoiseFunction() {
    NoiseParameters p;
    p.valid = 1;
    p.offsetOn = p.replaceOn = p.shiftOn = p.multiplyOn = p.blackOn = p.maskedOn = 1;
    p.offset = {20, 10, 20, 10};
    p.replace = {30, 25, 30, 25};
    p.replaceRange = {800, 600, 800, 600};
    p.shift = {50, 40, 50, 40};
    p.shiftRange = {2000, 2000, -3000, -3000};
    p.multiply = {1.3f, 1.2f, 0.8f, 1.2f};
    p.multiplyRange = {4000, 0, -2000, 4000};
    p.black = {512, 510, 514, 511};
    p.maskedHorizontal = 1.0f;
    p.maskedVertical = 0.0f;
    return p;
}

void render(benchmark::State& state, Black black, RenderSettings s, bool neutral) {
    ImageDescriptor& img = image(black);
    const std::array<float, 4> balance = img.wbMultipliers;
    if (neutral) img.wbMultipliers = {1, 1, 1, 1};
    img.scrollX = 700; // somewhere in the middle
    img.scrollY = 500;
    RecordingReporter reporter;
    platform::Surface picture;
    // The best drawing against the best peer timed right after it: on a machine that
    // others share, the two see the same load.
    double best = 1e9, total = 0;
    for (auto _ : state) {
        const double took = bench::secondsOf([&] {
            const RenderOutcome out = RenderImage(img, s, picture, reporter);
            benchmark::DoNotOptimize(picture.pixels().data());
            benchmark::DoNotOptimize(out.status);
        });
        best = std::min(best, took);
        total += took;
    }
    img.wbMultipliers = balance;
    const double peer = peerSeconds(40);
    state.counters["best_ms"] = best * 1e3;
    state.counters["per_peer"] = best / peer;
    state.counters["mean_per_peer"] = total / static_cast<double>(state.iterations()) / peer;
}

void registerAll() {
    benchmark::RegisterBenchmark("PeerOneLookUpPerSample_1to1", [](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(peerSeconds(1));
    })->Unit(benchmark::kMillisecond);
    for (const Mode& m : kModes)
        for (const Zoom& z : kZooms)
            for (const Variant v : {Variant::Clipping, Variant::NoClipping, Variant::NeutralBalance,
                                    Variant::Selection})
                for (const Black b : {Black::Single, Black::CfaArray, Black::ColumnsAndRows}) {
                    // White balance acts alike whatever the black: one source suffices.
                    if (v == Variant::NeutralBalance && b != Black::ColumnsAndRows) continue;
                    const std::string name = std::string(m.name) + "_" + z.name + "/" +
                                             kVariantNames[static_cast<int>(v)] + "/" +
                                             kBlackNames[static_cast<int>(b)];
                    const RenderSettings s = settings(m, z, v);
                    const bool neutral = v == Variant::NeutralBalance;
                    benchmark::RegisterBenchmark(
                        name.c_str(),
                        [=](benchmark::State& state) { render(state, b, s, neutral); })
                        ->Unit(benchmark::kMillisecond)
                        ->MinTime(0.2);
                }
    static const NoiseParameters noise = everyNoiseFunction();
    static NoiseProcessing stage(noise);
    const std::pair<Mode, Zoom> noisy[] = {{kModes[0], kZooms[0]},
                                           {kModes[0], kZooms[1]},
                                           {kModes[2], kZooms[0]},
                                           {kModes[1], kZooms[0]}};
    for (const auto& [m, z] : noisy)
        for (const Variant v : {Variant::Clipping, Variant::Selection}) {
            const std::string name = std::string(m.name) + "_" + z.name + "/" +
                                     kVariantNames[static_cast<int>(v)] + "/EveryNoiseFunction";
            RenderSettings s = settings(m, z, v);
            s.noise = &stage;
            benchmark::RegisterBenchmark(
                name.c_str(),
                [=](benchmark::State& state) { render(state, Black::ColumnsAndRows, s, false); })
                ->Unit(benchmark::kMillisecond)
                ->MinTime(0.2);
        }
}

} // namespace
} // namespace korvane

int main(int argc, char** argv) {
    return korvane::bench::runBenchmarks(argc, argv, korvane::registerAll);
}
