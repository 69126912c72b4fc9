#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "SyntheticImage.hpp"
#include "analysis/BlackLevels.hpp"
#include "analysis/Histograms.hpp"
#include "analysis/NoiseProcessing.hpp"

namespace korvane {
namespace {

using Counts = std::array<std::array<std::uint64_t, 512>, 3>;

std::uint32_t pick(std::mt19937& rng, std::uint32_t low, std::uint32_t high) {
    return std::uniform_int_distribution<std::uint32_t>(low, high)(rng);
}

// A small image with a random pattern (1 to 4 square), plane colours, active area and
// values around the value count V.
ImageDescriptor randomImage(std::mt19937& rng, std::uint32_t width, std::uint32_t height) {
    ImageDescriptor image = test::makeImage(width, height);
    image.cfaRepeatRows = static_cast<std::uint8_t>(pick(rng, 1, 4));
    image.cfaRepeatCols = static_cast<std::uint8_t>(pick(rng, 1, 4));
    for (auto& e : image.cfaPattern)
        e = static_cast<std::uint8_t>(pick(rng, 0, 3));
    for (auto& c : image.cfaPlaneColors)
        c = static_cast<std::uint8_t>(pick(rng, 0, 3));
    image.activeTop = pick(rng, 0, 3);
    image.activeLeft = pick(rng, 0, 3);
    image.activeHeight = pick(rng, 0, height);
    image.activeWidth = pick(rng, 0, width);
    constexpr std::int32_t kRanges[] = {0,    1,     100,   511,    512,       513,
                                        4096, 16384, 65536, 100000, 0x7FFFFFFF};
    image.valueRange = kRanges[pick(rng, 0, std::size(kRanges) - 1)];
    const auto top = static_cast<std::uint32_t>(
        std::min<std::int64_t>(std::int64_t{image.valueRange} + 600, 65535));
    for (auto& s : image.samples)
        s = static_cast<std::uint16_t>(pick(rng, 0, top));
    image.wbMultipliers = {1.5f, pick(rng, 0, 2) == 0 ? 0.0f : 1.0f,
                           pick(rng, 0, 2) == 0 ? 0.0f : 1.0f, 2.0f};
    return image;
}

// The colour (0 red, 1 green, 2 blue) and the CFA row of a sample, CFA counted from the
// active area's corner.
std::pair<int, std::int64_t> colourAt(const ImageDescriptor& image, std::int64_t r,
                                      std::int64_t c) {
    const std::int64_t ph = std::max<int>(image.cfaRepeatRows, 1);
    const std::int64_t pw = std::max<int>(image.cfaRepeatCols, 1);
    const std::int64_t cr = ((r - image.activeRect().top) % ph + ph) % ph;
    const std::int64_t cc = ((c - image.activeRect().left) % pw + pw) % pw;
    const int plane = image.cfaPattern[cr * pw + cc];
    return {std::min<int>(image.cfaPlaneColors[plane], 2), cr};
}

// bin(i) as the running bin of the raw histogram walks it, for i below `reach`.
std::vector<std::uint32_t> referenceBins(std::uint64_t n, std::uint64_t reach) {
    std::vector<std::uint32_t> bins;
    std::uint64_t b = 0;
    for (std::uint64_t i = 0; i < reach; ++i) {
        if (b < 511 && i >= (b + 1) * n / 512) ++b;
        bins.push_back(static_cast<std::uint32_t>(b));
    }
    return bins;
}

// The raw histogram counted sample by sample as the rules say.
struct ReferenceRaw {
    HistogramBins bins{};
    std::array<std::int32_t, 3> maxima{};
    std::array<std::uint32_t, 3> totals{};
};
ReferenceRaw referenceRaw(const ImageDescriptor& image, HistogramMode mode, std::uint32_t start,
                          SampleRect area, const std::array<std::uint32_t, 3>& fullTotals) {
    const std::uint64_t v = std::max(image.valueRange, 0);
    const std::uint64_t n = mode == HistogramMode::WholeRange || v < 512 ? v : 512;
    const std::vector<std::uint32_t> bin = referenceBins(n, std::min<std::uint64_t>(n, 65536));
    const bool g1Off = image.wbMultipliers[1] == 0, g2Off = image.wbMultipliers[2] == 0;
    Counts counts{};
    std::array<std::uint64_t, 3> samples{};
    ReferenceRaw out;
    const std::uint64_t bottom =
        std::min<std::uint64_t>(std::uint64_t{area.top} + area.height, image.imageLength);
    const std::uint64_t right =
        std::min<std::uint64_t>(std::uint64_t{area.left} + area.width, image.imageWidth);
    for (std::uint64_t r = area.top; r < bottom; ++r)
        for (std::uint64_t c = area.left; c < right; ++c) {
            const auto [colour, cfaRow] = colourAt(image, r, c);
            const bool off = colour == 1 && g1Off != g2Off && (cfaRow == 0 ? g1Off : g2Off);
            if (mode != HistogramMode::WholeRange && off) continue;
            ++samples[colour];
            const std::uint64_t s = image.samples[r * image.imageWidth + c];
            if (mode == HistogramMode::WholeRange) {
                out.maxima[colour] = std::max<std::int32_t>(out.maxima[colour], s);
                if (n > 0) ++counts[colour][bin[std::min(s, n - 1)]];
            } else if (s >= start && s - start < 512 && n > 0) {
                ++counts[colour][bin[std::min(s - start, n - 1)]];
            }
        }
    for (int ch = 0; ch < 3; ++ch) {
        std::uint64_t total = 0;
        for (const std::uint64_t k : counts[ch])
            total += k;
        out.totals[ch] = static_cast<std::uint32_t>(total);
        double f = total ? 12800.0 / total : 0;
        if (mode == HistogramMode::Window && v >= 512)
            f = fullTotals[ch] ? v * 12800.0 / (fullTotals[ch] * 512.0) : 0;
        if (mode == HistogramMode::Selection && v >= 512)
            f = samples[ch] ? 12800.0 / samples[ch] : 0;
        for (int b = 0; b < 512; ++b)
            out.bins[ch][b] = counts[ch][b] * f;
    }
    return out;
}

void expectBins(const HistogramBins& actual, const HistogramBins& expected, const char* what) {
    for (int ch = 0; ch < 3; ++ch)
        for (int b = 0; b < 512; ++b)
            ASSERT_DOUBLE_EQ(actual[ch][b], expected[ch][b])
                << what << " ch " << ch << " bin " << b;
}

TEST(RawHistogram, EveryModeCountsAsTheReferenceOverRandomImages) {
    std::mt19937 rng(20240611);
    for (int trial = 0; trial < 300; ++trial) {
        // The last trials are large enough to be counted on two threads.
        const bool large = trial >= 297;
        ImageDescriptor image = large ? randomImage(rng, 1200, 1000)
                                      : randomImage(rng, pick(rng, 1, 40), pick(rng, 1, 30));
        RecordingReporter reporter;
        HistogramCounts counts;
        const auto mode = static_cast<HistogramMode>(pick(rng, 0, 2));
        const std::uint32_t start = pick(rng, 0, std::min<std::uint32_t>(image.valueRange, 70000));
        const SampleRect selection{pick(rng, 0, 50), pick(rng, 0, 50), pick(rng, 0, 40),
                                   pick(rng, 0, 40)};
        BuildRawHistogram(image, counts, mode, start, selection, reporter);
        EXPECT_TRUE(reporter.records().empty());
        ASSERT_TRUE(counts.counted); // the window modes count the whole range first
        const ReferenceRaw full =
            referenceRaw(image, HistogramMode::WholeRange, 0, image.activeRect(), {});
        expectBins(counts.fullRange, full.bins, "whole range");
        EXPECT_EQ(counts.channelTotals, full.totals);
        EXPECT_EQ(counts.channelMaxima, full.maxima);
        if (mode == HistogramMode::WholeRange) continue;
        const SampleRect area = mode == HistogramMode::Selection ? selection : image.activeRect();
        expectBins(counts.window, referenceRaw(image, mode, start, area, full.totals).bins,
                   "window");
        // Another window straight after: its table is made from the one before.
        const std::uint32_t next = pick(rng, 0, std::min<std::uint32_t>(image.valueRange, 70000));
        BuildRawHistogram(image, counts, mode, next, selection, reporter);
        expectBins(counts.window, referenceRaw(image, mode, next, area, full.totals).bins,
                   "next window");
    }
}

TEST(RawHistogram, OfV4096TheFirstBinHoldsValues0To7AndTheLastOneHolds4095) {
    ImageDescriptor image = test::makeImage(12, 1);
    image.cfaRepeatRows = image.cfaRepeatCols = 1; // all red
    image.valueRange = 4096;
    image.samples = {0, 7, 7, 8, 15, 16, 4087, 4088, 4095, 4095, 5000, 65535};
    HistogramCounts counts;
    RecordingReporter reporter;
    BuildRawHistogram(image, counts, HistogramMode::WholeRange, 0, {}, reporter);
    const double one = 12800.0 / 12;
    const auto& red = counts.fullRange[0];
    EXPECT_DOUBLE_EQ(red[0], 3 * one);
    EXPECT_DOUBLE_EQ(red[1], 2 * one);
    EXPECT_DOUBLE_EQ(red[2], one);
    EXPECT_DOUBLE_EQ(red[510], one);
    EXPECT_DOUBLE_EQ(red[511], 5 * one); // 4088, 4095 twice, and values above the range
    EXPECT_EQ(counts.channelMaxima[0], 65535);
}

TEST(RawHistogram, ACountIsRepeatedOnlyWhenWindowOrSelectionChanged) {
    ImageDescriptor image = test::makeImage(8, 8, 600);
    image.valueRange = 4096;
    HistogramCounts counts;
    RecordingReporter reporter;
    BuildRawHistogram(image, counts, HistogramMode::Window, 500, {}, reporter);
    const double before = counts.window[0][100];
    EXPECT_DOUBLE_EQ(before, 4096 * 12800.0 / 512); // all 16 reds at 600, scaled to V / 512
    test::sampleAt(image, 0, 0) = 601;
    BuildRawHistogram(image, counts, HistogramMode::Window, 500, {}, reporter);
    EXPECT_DOUBLE_EQ(counts.window[0][100], before); // unchanged request: not counted
    BuildRawHistogram(image, counts, HistogramMode::Selection, 500, {0, 0, 2, 2}, reporter);
    EXPECT_DOUBLE_EQ(counts.window[0][101], 12800.0); // the one red of the selection
    EXPECT_TRUE(counts.selectionValid);
    BuildRawHistogram(image, counts, HistogramMode::Window, 500, {}, reporter);
    EXPECT_DOUBLE_EQ(counts.window[0][101], before / 16); // the window again, recounted
    EXPECT_FALSE(counts.selectionValid);
}

// The RGB histogram counted sample by sample as the rules say, with the noise parameters
// `p` (each function only while its box is on, nothing while they are not valid).
HistogramBins referenceRgb(const ImageDescriptor& image, const RgbHistogramRequest& q,
                           const NoiseParameters& p) {
    const bool valid = p.valid == 1;
    // The Masked weights scale the column and row profiles; 0 leaves a profile out.
    ImageDescriptor weighed;
    weighed.blackLevel = image.blackLevel;
    weighed.blackLevelMinimum = image.blackLevelMinimum;
    weighed.blackLevelArray = image.blackLevelArray;
    weighed.blackDeltaH = image.blackDeltaH;
    weighed.blackDeltaV = image.blackDeltaV;
    weighed.columnWeighting = image.columnWeighting;
    weighed.rowWeighting = image.rowWeighting;
    const auto weigh = [](std::vector<std::uint16_t>& profile, float w) {
        if (w == 0) profile.clear();
        for (auto& b : profile)
            b = static_cast<std::uint16_t>(std::min(65535.0, std::trunc(b * double{w})));
    };
    if (valid && p.maskedOn) {
        weigh(weighed.blackDeltaH, p.maskedHorizontal);
        weigh(weighed.blackDeltaV, p.maskedVertical);
    }
    const BlackLevels black(weighed, nullptr);
    const SampleRect a = image.activeRect();
    const std::int64_t range = std::clamp<std::uint32_t>(q.whitePoint - q.blackPoint, 3, 131072);
    Counts counts{};
    std::array<std::uint64_t, 3> samples{};
    constexpr int kWbOfChannel[] = {0, 1, 3, 2};
    for (std::uint32_t r = 0; r < a.height; ++r)
        for (std::uint32_t c = 0; c < a.width; ++c) {
            const auto [colour, cfaRow] = colourAt(image, a.top + r, a.left + c);
            const int k = colour == 0 ? 0 : colour == 2 ? 2 : cfaRow == 0 ? 1 : 3;
            const std::uint32_t entry = cfaRow * image.cfaRepeatCols + (c % image.cfaRepeatCols);
            const std::int32_t b =
                valid && p.blackOn ? p.black[k] & 0xFFFF : black.imageBlack(r, c, entry, k);
            double z = image.samples[(a.top + r) * image.imageWidth + a.left + c] - b;
            if (valid) {
                const double s = p.shiftRange[k] ? p.shiftRange[k] : image.maximumValue;
                const double m = p.multiplyRange[k] ? p.multiplyRange[k] : image.maximumValue;
                z += p.offsetOn ? p.offset[k] : 0;
                const int sv = p.shiftOn ? p.shift[k] : 0;
                if (sv != 0 && s - z > 0) z = std::trunc(sv * (s - z) / s + z);
                const double f = p.multiplyOn ? p.multiply[k] : 0;
                if (f != 0 && m - z > 0) z = std::trunc(f * ((m - z) / m * z));
            }
            const double wb = q.applyWhiteBalance ? image.wbMultipliers[kWbOfChannel[k]] : 1.0;
            const double p = std::trunc(std::max(z, 0.0) * q.exposureFactor * wb);
            const auto position = static_cast<std::size_t>(p >= range ? range - 1 : p);
            ++counts[colour][image.mapping.values[position]]; // with B = 256, bin(d) = d
            ++samples[colour];
        }
    HistogramBins out{};
    for (int ch = 0; ch < 3; ++ch)
        for (int b = 0; b < 512; ++b)
            out[ch][b] = samples[ch] ? counts[ch][b / 2] * 16384.0 / (2.0 * samples[ch]) : 0;
    return out;
}

TEST(RgbHistogram, CountsAsTheReferenceOverRandomImagesLevelsAndNoise) {
    std::mt19937 rng(77);
    for (int trial = 0; trial < 120; ++trial) {
        const bool large = trial >= 118;
        ImageDescriptor image = large ? randomImage(rng, 1100, 1000)
                                      : randomImage(rng, pick(rng, 1, 30), pick(rng, 1, 20));
        image.maximumValue = 16384;
        image.wbMultipliers = {2.25f, pick(rng, 0, 3) == 0 ? 0.0f : 1.0f, 0.5f, 1.75f};
        image.mappingFunction = static_cast<std::int32_t>(pick(rng, 0, 14));
        const std::uint32_t source = pick(rng, 0, 2); // single, CFA array, column and row arrays
        if (source == 0) image.blackLevel = static_cast<std::uint16_t>(pick(rng, 0, 300));
        if (source == 1)
            for (int i = 0; i < 16; ++i)
                image.blackLevelArray.push_back(static_cast<std::uint16_t>(pick(rng, 0, 300)));
        if (source == 2) {
            for (std::uint32_t c = 0; c < image.imageWidth; ++c) {
                image.blackDeltaH.push_back(static_cast<std::uint16_t>(pick(rng, 0, 300)));
                image.columnWeighting.push_back(static_cast<std::int16_t>(pick(rng, 0, 30)) - 1);
            }
            for (std::uint32_t r = 0; r < image.imageLength; ++r) {
                image.blackDeltaV.push_back(static_cast<std::uint16_t>(pick(rng, 0, 300)));
                image.rowWeighting.push_back(static_cast<std::int16_t>(pick(rng, 0, 30)) - 1);
            }
        }
        // Valid or not, each function on or off, ranges of 0 (the maximum value) and
        // negative ones, the black function with equal and with differing levels.
        NoiseParameters p;
        p.valid = pick(rng, 0, 3) != 0;
        for (std::uint8_t* on : {&p.offsetOn, &p.shiftOn, &p.multiplyOn, &p.blackOn, &p.maskedOn})
            *on = pick(rng, 0, 2) != 0;
        const bool equalBlacks = pick(rng, 0, 1) == 1;
        for (int k = 0; k < 4; ++k) {
            p.offset[k] = static_cast<std::int32_t>(pick(rng, 0, 200)) - 100;
            p.shift[k] = static_cast<std::int32_t>(pick(rng, 0, 3)) * 40 - 40;
            p.shiftRange[k] = static_cast<std::int32_t>(pick(rng, 0, 3)) * 500 - 500;
            p.multiply[k] = static_cast<float>(pick(rng, 0, 4)) * 0.375f;
            p.multiplyRange[k] = static_cast<std::int32_t>(pick(rng, 0, 3)) * 3000 - 3000;
            p.black[k] = static_cast<std::int32_t>(equalBlacks ? 120 : pick(rng, 0, 300)) +
                         (pick(rng, 0, 3) == 0 ? 0x10000 : 0); // only the low 16 bits count
        }
        constexpr float kWeights[] = {0.0f, 1.0f, 0.5f, 2.3f};
        p.maskedHorizontal = kWeights[pick(rng, 0, 3)];
        p.maskedVertical = kWeights[pick(rng, 0, 3)];
        const std::optional<HistogramNoise> noise = HistogramNoiseOf(p);
        NoiseProcessing stage(p);
        RgbHistogramRequest q;
        q.blackPoint = pick(rng, 0, 400);
        q.whitePoint = pick(rng, 0, 20000);
        q.applyWhiteBalance = pick(rng, 0, 1) == 1;
        // A dark exposure: long runs of samples on one mapping position.
        q.exposureFactor = std::array{1.0, 0.5, 2.5198421, 0.0883883}[pick(rng, 0, 3)];
        q.mappingFunction = image.mappingFunction;
        q.noise = noise ? &*noise : nullptr;
        q.blackStage = p.valid ? &stage : nullptr;
        HistogramCounts counts;
        RecordingReporter reporter;
        ASSERT_EQ(BuildRgbHistogram(image, counts, q, reporter), kOk);
        const auto range = std::clamp<std::uint32_t>(q.whitePoint - q.blackPoint, 3, 131072);
        EXPECT_EQ(image.mapping.positionCount, std::min(range + 1, 131072u));
        EXPECT_EQ(image.mapping.outputRange, 256);
        expectBins(counts.rgb, referenceRgb(image, q, p), "rgb");
        EXPECT_EQ(counts.blackOffsets.has_value(), q.noise == nullptr);
    }
}

TEST(RgbHistogram, AnUnchangedRequestIsNotCountedAndOffsetsAreMinusTheBlackLevels) {
    ImageDescriptor image = test::makeImage(4, 4, 300);
    image.blackLevelArray = {100, 110, 120, 130}; // R, G1 / G2, B of the RGGB pattern
    image.wbMultipliers = {2.0f, 1.0f, 1.0f, 1.5f};
    RgbHistogramRequest q;
    q.whitePoint = 255;
    q.mappingFunction = test::kLinearRow;
    HistogramCounts counts;
    RecordingReporter reporter;
    ASSERT_EQ(BuildRgbHistogram(image, counts, q, reporter), kOk);
    EXPECT_EQ(counts.blackOffsets, (std::array<std::int32_t, 4>{-100, -110, -130, -120}));
    // Red: 300 - 100 = 200, shown as truncate(200 x 255 / 255 + 0.5) = 200 by "Linear".
    EXPECT_DOUBLE_EQ(counts.rgb[0][400], 8192.0);
    EXPECT_DOUBLE_EQ(counts.rgb[0][401], 8192.0);
    test::fillSamples(image, [](std::uint32_t, std::uint32_t) { return std::uint16_t{250}; });
    ASSERT_EQ(BuildRgbHistogram(image, counts, q, reporter), kOk);
    EXPECT_DOUBLE_EQ(counts.rgb[0][400], 8192.0); // nothing changed: the old counts stay
    q.applyWhiteBalance = true;
    ASSERT_EQ(BuildRgbHistogram(image, counts, q, reporter), kOk);
    EXPECT_DOUBLE_EQ(counts.rgb[0][400], 0.0);
    EXPECT_DOUBLE_EQ(counts.rgb[0][2 * 254], 8192.0); // 150 x 2 = 300 is past the range
    // A change of the noise parameters alone counts again.
    NoiseParameters p;
    p.valid = p.offsetOn = 1;
    p.offset = {-50, 0, 0, 0};
    const std::optional<HistogramNoise> noise = HistogramNoiseOf(p);
    q.noise = &*noise;
    ASSERT_EQ(BuildRgbHistogram(image, counts, q, reporter), kOk);
    EXPECT_DOUBLE_EQ(counts.rgb[0][2 * 200], 8192.0); // (250 - 100 - 50) x 2
}

} // namespace
} // namespace korvane
