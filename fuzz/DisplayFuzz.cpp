// Fuzz target for the display: an image as the loader leaves it (size, pattern, levels, black
// arrays, white balance and samples from the input) and the dialog's settings, drawn by
// RenderImage, counted into the raw and RGB histograms, and analysed for its frequencies in
// the drawing's selection. The checks: every step ends with a status and a failure said why;
// the picture has the panel's size; the whole-range histogram counts every active sample
// once; the frequency analysis writes nothing outside the selection's stored rectangle.
//
// Input layout (bytes beyond the input read as 0):
//   0, 1   width - 1, height - 1 (1 to 64)
//   2      bits per sample 10 to 12 (10 + byte % 3); with bits 7 and 6, 13 to 16 and levels to
//          65535
//   3      pattern: RGGB, GRBG, GBRG, BGGR, or a 1 x 1 monochrome pattern (byte % 5)
//   4-7    active area: top, left, height, width (bytes % the image's size; 0 the whole)
//   8, 9   white level (16-bit, limited to the largest value)   10, 11 black level
//   12     bit 0 column black array, bit 1 row black array, bit 2 per-position black levels,
//          bit 3 "Show clipping", bit 4 "Raw clipping", bit 5 "Outside range", bit 6 "Adj"
//   13     display mode and sub-mode (byte % 5)   14 magnification - 1 (1 to 10), bit 7 reduction 2
//   15     orientation (1 + byte % 8)   16 mapping function (byte % 15)   17 exposure step (% 97)
//   18-21  white balance, R G1 G2 B (byte / 64: 0 to 4)
//   22, 23 panel width, height (1 to 256)   24-27 selection left, top, right, bottom (0: none)
//   28-31  black point, white point (12 bits each; 16 with byte 2's bits 7 and 6)
//   32     frequency colour (% 4), bit 2 Shift, bit 3 Ctrl; bits 4 and 5 keep the two points
//          as they are, else the lower is the black point; bit 6 the noise stage, whose
//          parameters the first 51 bytes after these give (they are samples too): the Enable
//          boxes (bits 0 to 5: Offset, Replace, Shift, Multiply, black, masked), then per
//          channel offsets, amplitudes, Replace ranges, shift scales, shift ranges, factors,
//          fading ranges and black levels, and the two masked weights
//   then   the samples, 16-bit little-endian (0 where the input ends)
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "analysis/FrequencyAnalysis.hpp"
#include "analysis/Histograms.hpp"
#include "analysis/NoiseProcessing.hpp"
#include "analysis/RenderImage.hpp"
#include "common/RecordingReporter.hpp"
#include "fuzz/FuzzCheck.hpp"

using namespace korvane;

namespace {

constexpr std::size_t kHeaderBytes = 33;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t byte(std::size_t at) const { return at < size_ ? data_[at] : 0; }
    std::uint32_t word(std::size_t at) const { return byte(at) | byte(at + 1) << 8; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// Most inputs keep to 10 to 12 bits and levels below 4096: the renderer's and the mapping's
// tables then stay small and a run fast; bits 7 and 6 of byte 2 together open the whole 16-bit
// range, whose tables of 65536 values took most of a run when one bit did.
bool wideRange(const Input& in) {
    return (in.byte(2) & 0xC0) == 0xC0;
}

constexpr std::array<std::array<std::uint8_t, 4>, 4> kPatterns = {
    {{0, 1, 1, 2}, {1, 0, 2, 1}, {1, 2, 0, 1}, {2, 1, 1, 0}}};

ImageDescriptor imageOf(const Input& in) {
    ImageDescriptor image;
    image.imageWidth = in.byte(0) % 64 + 1;
    image.imageLength = in.byte(1) % 64 + 1;
    image.width = image.imageWidth;
    image.height = image.imageLength;
    image.bitsPerSample =
        static_cast<std::uint8_t>(wideRange(in) ? 13 + in.byte(2) % 4 : 10 + in.byte(2) % 3);
    const std::uint32_t pattern = in.byte(3) % 5;
    image.cfaPlaneColorCount = 3;
    image.cfaPlaneColors = {0, 1, 2, 0};
    image.cfaLayout = 1;
    if (pattern < 4) {
        image.cfaRepeatRows = image.cfaRepeatCols = 2;
        image.cfaPatternCount = 4;
        std::copy(kPatterns[pattern].begin(), kPatterns[pattern].end(), image.cfaPattern.begin());
    } else {
        image.cfaRepeatRows = image.cfaRepeatCols = 1;
        image.cfaPatternCount = 1;
        image.cfaPattern[0] = 1;
    }
    image.activeTop = in.byte(4) % image.imageLength;
    image.activeLeft = in.byte(5) % image.imageWidth;
    image.activeHeight = in.byte(6) % (image.imageLength - image.activeTop + 1);
    image.activeWidth = in.byte(7) % (image.imageWidth - image.activeLeft + 1);
    const SampleRect active = image.activeRect();

    const std::int32_t largest = (1 << image.bitsPerSample) - 1;
    image.maximumValue = largest;
    image.valueRange = largest + 1;
    image.whiteLevel = std::clamp<std::int32_t>(static_cast<std::int32_t>(in.word(8)), 1, largest);
    image.displayWhite = image.whiteLevel;
    image.channelWhite.fill(image.whiteLevel);
    image.channelMaximum.fill(largest);
    image.clipLevels = image.channelWhite;
    const auto black =
        static_cast<std::uint16_t>(in.word(10) % static_cast<std::uint32_t>(image.whiteLevel));
    image.blackLevel = image.blackLevelMinimum = image.blackLevelMaximum = image.blackLevelAverage =
        black;
    const std::uint32_t options = in.byte(12);
    if ((options & 1) != 0)
        image.blackDeltaH.assign(active.width, static_cast<std::uint16_t>(black / 2));
    if ((options & 2) != 0)
        image.blackDeltaV.assign(active.height, static_cast<std::uint16_t>(black / 3));
    if ((options & 4) != 0) {
        image.blackRepeatRows = image.cfaRepeatRows;
        image.blackRepeatCols = image.cfaRepeatCols;
        for (std::uint32_t i = 0; i < image.cfaPatternCount; ++i)
            image.blackLevelArray.push_back(static_cast<std::uint16_t>(black + 7 * i));
        image.blackLevelMaximum =
            static_cast<std::uint16_t>(black + 7 * (image.cfaPatternCount - 1));
    }
    image.orientation = static_cast<std::uint16_t>(1 + in.byte(15) % 8);
    image.mappingFunction = static_cast<std::int32_t>(in.byte(16) % 15);
    image.exposureStep = static_cast<std::int32_t>(in.byte(17) % 97);
    image.exposureStep6 = image.exposureStep * 6;
    image.exposureFactor = std::exp2((image.exposureStep - 48) / 6.0);
    for (std::size_t k = 0; k < 4; ++k)
        image.wbMultipliers[k] = static_cast<float>(in.byte(18 + k) / 64);

    image.samples.resize(std::size_t{image.imageWidth} * image.imageLength);
    for (std::size_t i = 0; i < image.samples.size(); ++i)
        image.samples[i] = static_cast<std::uint16_t>(in.word(kHeaderBytes + 2 * i));
    return image;
}

RenderSettings settingsOf(const Input& in) {
    RenderSettings s;
    const std::uint32_t mode = in.byte(13) % 5;
    s.mode = mode == 4 ? DisplayMode::Exposure : DisplayMode::Image;
    s.subMode = mode == 1   ? ImageSubMode::Greyscale
                : mode == 2 ? ImageSubMode::Channel
                            : ImageSubMode::Composite;
    s.magnification = static_cast<std::uint8_t>((in.byte(14) & 0x7F) % 10 + 1);
    s.reduction = (in.byte(14) & 0x80) != 0 ? 2 : 1;
    const std::uint32_t options = in.byte(12);
    s.checks.showClipping = (options & 8) != 0;
    s.checks.rawClipping = (options & 16) != 0;
    s.checks.outsideRange = (options & 32) != 0;
    s.checks.adjusted = (options & 64) != 0;
    s.checks.lowSide = {true, (options & 1) != 0, true};
    s.checks.highSide = {(options & 2) != 0, true, true};
    s.panel = {static_cast<int>(in.byte(22)) + 1, static_cast<int>(in.byte(23)) + 1};
    if (in.byte(24) != 0 || in.byte(26) != 0) {
        s.selection.valid = true;
        s.selection.left = static_cast<std::int32_t>(in.byte(24));
        s.selection.top = static_cast<std::int32_t>(in.byte(25));
        s.selection.right = static_cast<std::int32_t>(in.byte(26));
        s.selection.bottom = static_cast<std::int32_t>(in.byte(27));
    }
    const std::uint32_t levelMask = wideRange(in) ? 0xFFFF : 0xFFF;
    s.blackPoint = in.word(28) & levelMask;
    s.whitePoint = in.word(30) & levelMask;
    // A white point below the black point maps through the largest mapping array (131072
    // positions); a few inputs keep that, most draw a range the points enclose.
    if ((in.byte(32) & 0x30) != 0x30 && s.whitePoint < s.blackPoint)
        std::swap(s.blackPoint, s.whitePoint);
    s.relayout = true;
    s.countsPending = true;
    return s;
}

NoiseParameters noiseOf(const Input& in) {
    const std::size_t at = kHeaderBytes;
    const auto small = [&](std::size_t k) { return static_cast<std::int8_t>(in.byte(k)); };
    const auto wide = [&](std::size_t k) { return static_cast<std::int16_t>(in.word(k)); };
    NoiseParameters p;
    p.valid = 1;
    const std::uint32_t on = in.byte(at);
    p.offsetOn = on & 1;
    p.replaceOn = (on >> 1) & 1;
    p.shiftOn = (on >> 2) & 1;
    p.multiplyOn = (on >> 3) & 1;
    p.blackOn = (on >> 4) & 1;
    p.maskedOn = (on >> 5) & 1;
    for (std::size_t k = 0; k < 4; ++k) {
        p.offset[k] = small(at + 1 + k);
        p.replace[k] = static_cast<std::uint16_t>(in.byte(at + 5 + k) * 6);
        p.replaceRange[k] = static_cast<std::int32_t>(in.word(at + 9 + 2 * k) % 1400) - 100;
        p.shift[k] = small(at + 17 + k) * 4;
        p.shiftRange[k] = wide(at + 21 + 2 * k) / 8;
        p.multiply[k] = static_cast<float>(small(at + 29 + k)) / 16.0f;
        p.multiplyRange[k] = wide(at + 33 + 2 * k) / 8;
        p.black[k] =
            static_cast<std::int32_t>(in.word(at + 41 + 2 * k) & (wideRange(in) ? 0xFFFF : 0xFFF));
    }
    p.maskedHorizontal = static_cast<float>(in.byte(at + 49)) / 64.0f;
    p.maskedVertical = static_cast<float>(in.byte(at + 50)) / 64.0f;
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Input in(data, size);
    ImageDescriptor image = imageOf(in);
    RenderSettings settings = settingsOf(in);
    const NoiseParameters noise = noiseOf(in);
    NoiseProcessing stage(noise);
    if ((in.byte(32) & 0x40) != 0) settings.noise = &stage;
    RecordingReporter reporter;

    platform::Surface picture;
    const RenderOutcome outcome = RenderImage(image, settings, picture, reporter);
    fuzz::checkStatus(outcome.status, reporter);
    FUZZ_CHECK(picture.width() == settings.panel.width &&
               picture.height() == settings.panel.height);
    // The noise stage starts every drawing afresh, with tables from what the drawing before
    // met (the last input's): the same drawing again paints the same picture and statistics.
    if (settings.noise != nullptr && outcome.status == kOk) {
        platform::Surface again;
        RecordingReporter quiet;
        const RenderOutcome repeated = RenderImage(image, settings, again, quiet);
        FUZZ_CHECK(repeated.status == kOk && again.pixels() == picture.pixels() &&
                   repeated.statisticsText == outcome.statisticsText);
    }

    HistogramCounts counts;
    const SampleRect active = image.activeRect();
    BuildRawHistogram(image, counts, HistogramMode::WholeRange, 0, SampleRect{}, reporter);
    if (counts.counted) {
        std::uint64_t total = 0;
        for (const std::uint32_t t : counts.channelTotals)
            total += t;
        FUZZ_CHECK(total == std::uint64_t{active.width} * active.height);
    }
    BuildRawHistogram(image, counts, HistogramMode::Window, settings.blackPoint, SampleRect{},
                      reporter);
    BuildRawHistogram(image, counts, HistogramMode::Selection, settings.blackPoint,
                      SampleRect{active.top, active.left, active.height / 2, active.width / 2},
                      reporter);
    RgbHistogramRequest rgb;
    rgb.blackPoint = std::min(settings.blackPoint, settings.whitePoint);
    rgb.whitePoint = std::max(settings.blackPoint, settings.whitePoint);
    rgb.applyWhiteBalance = (in.byte(12) & 128) != 0;
    rgb.exposureFactor = image.exposureFactor;
    rgb.mappingFunction = image.mappingFunction;
    fuzz::checkStatus(BuildRgbHistogram(image, counts, rgb, reporter), reporter);

    // The frequency analysis of the drawing's selection writes only inside its rectangle.
    const std::vector<std::uint16_t> before = image.samples;
    const std::uint32_t choice = in.byte(32);
    const Status frequency =
        AnalyseFrequencies(image, outcome.view, settings.selection, static_cast<int>(choice % 4),
                           (choice & 4) != 0, (choice & 8) != 0, reporter);
    fuzz::checkStatus(frequency, reporter);
    const SampleRect rect =
        storedSelection(outcome.view, image, selectionInImage(outcome.view, settings.selection));
    fuzz::checkOutsideUntouched(image.samples, image.imageWidth, image.imageLength,
                                settings.selection.valid ? rect : SampleRect{}, before);
    return 0;
}
