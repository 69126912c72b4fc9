// The renderer drawing a 1600 x 1000 panel from a 24-megapixel image (6000 x 4000, 14-bit
// RGGB samples), as the dialog calls it on every scroll step: Composite at 1:1, 1:2 and
// 3:1, the other modes at 1:1, and the per-sample black of masked-area columns and rows.
// The peer is the least any drawing can do: one table look-up per visible sample into the
// same panel, so the ratio shows what the layout, the tables and the cell means cost.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "analysis/RenderImage.hpp"
#include "common/RecordingReporter.hpp"
#include "platform/Surface.hpp"

namespace korvane {
namespace {

constexpr std::uint32_t kWidth = 6000, kHeight = 4000;
constexpr int kPanelWidth = 1600, kPanelHeight = 1000;

ImageDescriptor makeImage(bool blackArrays) {
    ImageDescriptor image;
    image.imageWidth = kWidth;
    image.imageLength = kHeight;
    image.cfaRepeatRows = image.cfaRepeatCols = 2;
    image.cfaPatternCount = 4;
    image.cfaPattern = {0, 1, 1, 2};
    image.cfaPlaneColorCount = 3;
    image.cfaPlaneColors = {0, 1, 2, 0};
    image.orientation = 1;
    image.channelWhite = {16383, 16383, 16383, 16383};
    image.wbMultipliers = {2.1f, 1.0f, 1.0f, 1.6f};
    image.blackLevel = blackArrays ? 0 : 512;
    image.blackLevelMinimum = 500;
    image.samples.resize(std::size_t{kWidth} * kHeight);
    std::uint32_t x = 12345;
    for (std::uint32_t r = 0; r < kHeight; ++r)
        for (std::uint32_t c = 0; c < kWidth; ++c) {
            x = x * 1103515245u + 12345u;
            // A smooth scene with noise, a few clipped highlights.
            const std::uint32_t scene = 600 + (r * 3 + c * 2) % 12000 + ((x >> 16) & 255);
            image.samples[std::size_t{r} * kWidth + c] =
                static_cast<std::uint16_t>(std::min(scene, 16383u));
        }
    if (blackArrays) {
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

ImageDescriptor& image(bool blackArrays) {
    static ImageDescriptor plain = makeImage(false);
    static ImageDescriptor arrays = makeImage(true);
    return blackArrays ? arrays : plain;
}

RenderSettings settings(DisplayMode mode, ImageSubMode subMode, std::uint8_t magnification,
                        std::uint8_t reduction) {
    RenderSettings s;
    s.mode = mode;
    s.subMode = subMode;
    s.magnification = magnification;
    s.reduction = reduction;
    s.blackPoint = 500;
    s.whitePoint = 16383;
    s.panel = {kPanelWidth, kPanelHeight};
    s.checks.showClipping = true;
    s.checks.lowSide = {true, true, true};
    s.checks.highSide = {true, true, true};
    return s;
}

void render(benchmark::State& state, bool blackArrays, RenderSettings s) {
    ImageDescriptor& img = image(blackArrays);
    img.scrollX = 700; // somewhere in the middle
    img.scrollY = 500;
    RecordingReporter reporter;
    platform::Surface picture;
    for (auto _ : state) {
        const RenderOutcome out = RenderImage(img, s, picture, reporter);
        benchmark::DoNotOptimize(picture.pixels().data());
        benchmark::DoNotOptimize(out.status);
    }
}

void BM_Composite_1to1(benchmark::State& s) {
    render(s, false, settings(DisplayMode::Image, ImageSubMode::Composite, 1, 1));
}
void BM_Composite_1to2(benchmark::State& s) {
    render(s, false, settings(DisplayMode::Image, ImageSubMode::Composite, 1, 2));
}
void BM_Composite_3to1(benchmark::State& s) {
    render(s, false, settings(DisplayMode::Image, ImageSubMode::Composite, 3, 1));
}
void BM_Greyscale_1to1(benchmark::State& s) {
    render(s, false, settings(DisplayMode::Image, ImageSubMode::Greyscale, 1, 1));
}
void BM_Channel_1to1(benchmark::State& s) {
    render(s, false, settings(DisplayMode::Image, ImageSubMode::Channel, 1, 1));
}
void BM_Exposure_1to1(benchmark::State& s) {
    render(s, false, settings(DisplayMode::Exposure, ImageSubMode::Composite, 1, 1));
}
void BM_CompositeBlackArrays_1to1(benchmark::State& s) {
    render(s, true, settings(DisplayMode::Image, ImageSubMode::Composite, 1, 1));
}
void BM_CompositeBlackArrays_1to2(benchmark::State& s) {
    render(s, true, settings(DisplayMode::Image, ImageSubMode::Composite, 1, 2));
}
void BM_CompositeWithSelection_1to1(benchmark::State& s) {
    RenderSettings r = settings(DisplayMode::Image, ImageSubMode::Composite, 1, 1);
    r.selection = {true, 400, 300, 799, 599}; // 400 x 300 pixels
    render(s, false, r);
}

// The peer: a table look-up per sample of the 1596 x 996 samples a 1:1 view shows.
void BM_PeerOneLookUpPerSample_1to1(benchmark::State& state) {
    const ImageDescriptor& img = image(false);
    std::vector<std::uint32_t> table(0x10000);
    for (std::uint32_t i = 0; i < table.size(); ++i)
        table[i] = i * 2654435761u;
    platform::Surface picture(kPanelWidth, kPanelHeight);
    for (auto _ : state) {
        for (int y = 0; y < 996; ++y) {
            const std::uint16_t* p = img.samples.data() + std::size_t(1000 + y) * kWidth + 1400;
            platform::Rgb* out = picture.row(2 + y) + 2;
            for (int x = 0; x < 1596; ++x)
                out[x] = table[p[x]];
        }
        benchmark::DoNotOptimize(picture.pixels().data());
    }
}

BENCHMARK(BM_PeerOneLookUpPerSample_1to1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Composite_1to1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Composite_1to2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Composite_3to1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Greyscale_1to1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Channel_1to1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Exposure_1to1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompositeWithSelection_1to1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompositeBlackArrays_1to1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompositeBlackArrays_1to2)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace korvane

BENCHMARK_MAIN();
