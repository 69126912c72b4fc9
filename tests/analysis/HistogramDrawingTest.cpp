#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>

#include "SyntheticImage.hpp"
#include "analysis/Histograms.hpp"

namespace korvane {
namespace {

using platform::Rgb;
using platform::Surface;

constexpr Rgb kGrey = 0x808080, kBlack = 0, kWhite = 0xFFFFFF, kYellow = 0xE0E000, kCyan = 0x00E0E0;
constexpr Rgb kColours[] = {0xC00000, 0x00A000, 0x0000FF};

// A pixel of channel panel `ch`, relative to the panel's origin (12, 15 + 155 ch).
Rgb at(const Surface& s, int ch, int x, int y) {
    return s.pixel(12 + x, 15 + 155 * ch + y);
}

// Rows of the bar of `bin` painted in the channel colour, counted up from row 129; the
// rows above must not be.
int paintedRows(const Surface& s, int ch, int bin) {
    int h = 0;
    while (h < 128 && at(s, ch, 7 + bin, 129 - h) == kColours[ch])
        ++h;
    for (int i = h; i < 128; ++i)
        if (at(s, ch, 7 + bin, 129 - i) == kColours[ch]) return -1;
    return h;
}

HistogramPlan planOf(bool fine, std::uint32_t black, std::uint32_t white, std::int32_t v) {
    HistogramChoices c;
    c.fine = fine;
    c.blackPoint = black;
    c.whitePoint = white;
    c.valueCount = v;
    return planHistograms(c);
}

TEST(HistogramDrawing, AZeroImageFillsBin0ToRow126AndLeavesTheTopRow) {
    ImageDescriptor image = test::makeImage(4, 4, 0);
    image.valueRange = 4096;
    HistogramCounts counts;
    RecordingReporter reporter;
    BuildRawHistogram(image, counts, HistogramMode::WholeRange, 0, {}, reporter);
    Surface s(600, 470);
    EXPECT_FALSE(DrawHistograms(image, counts, planOf(false, 0, 0, 4096), s).tooSmall);
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_DOUBLE_EQ(counts.fullRange[ch][0], 12800.0);
        EXPECT_EQ(paintedRows(s, ch, 0), 127);
        EXPECT_EQ(at(s, ch, 7, 2), kGrey);
        EXPECT_EQ(paintedRows(s, ch, 1), 0);
        // Frame two pixels thick around the bars, scale marks beside it.
        for (const auto& [x, y] : {std::pair{5, 0}, {6, 1}, {520, 131}, {519, 130}, {5, 131}})
            EXPECT_EQ(at(s, ch, x, y), kBlack) << x << "," << y;
        EXPECT_EQ(at(s, ch, 300, 50), kGrey);
        for (const int h : {17, 32, 54, 64, 86, 95, 117}) {
            for (const int x : {0, 4, 521, 525})
                EXPECT_EQ(at(s, ch, x, 130 - h), kWhite);
            EXPECT_EQ(at(s, ch, 5, 130 - h), kBlack);
            EXPECT_EQ(at(s, ch, 526, 130 - h), kGrey);
        }
        // No black level: the marks stand at 7 + m; whole stops 8 rows long, others 6.
        for (const auto& [m, length] : {std::pair{7, 8}, {63, 8}, {80, 6}, {255, 8}, {406, 6}}) {
            EXPECT_EQ(at(s, ch, 7 + m, 132 + length - 1), kWhite) << m;
            EXPECT_EQ(at(s, ch, 7 + m, 132 + length), kGrey) << m;
        }
        EXPECT_EQ(at(s, ch, 58, 132), kGrey); // no even marks in the whole range
    }
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 1}, {599, 469}, {598, 200}, {300, 468}})
        EXPECT_EQ(s.pixel(x, y), kBlack);
    EXPECT_EQ(s.pixel(2, 2), kGrey);
}

TEST(HistogramDrawing, BarRowsFollowTheThresholds) {
    std::array<double, 128> t{};
    t[0] = 1e-9;
    t[1] = 1.337752254;
    for (int i = 1; i < 127; ++i)
        t[i + 1] = t[i] * 1.07545916;
    EXPECT_NEAR(t[127], 12800.0003, 0.00005);
    HistogramCounts counts;
    for (int ch = 0; ch < 3; ++ch)
        for (int i = 0; i < 128; ++i) {
            counts.rgb[ch][i] = t[i];                            // reaches row i
            counts.rgb[ch][128 + i] = std::nextafter(t[i], 0.0); // stops below it
        }
    counts.rgb[1][300] = 12800;
    counts.rgb[1][301] = std::numeric_limits<double>::quiet_NaN();
    counts.rgb[1][302] = 1e300;
    HistogramChoices mapped;
    mapped.mapped = true;
    Surface s(555, 470);
    ImageDescriptor image;
    (void)DrawHistograms(image, counts, planHistograms(mapped), s);
    for (int ch = 0; ch < 3; ++ch)
        for (int i = 0; i < 128; ++i) {
            ASSERT_EQ(paintedRows(s, ch, i), i + 1) << ch << " " << i;
            ASSERT_EQ(paintedRows(s, ch, 128 + i), i) << ch << " " << i;
        }
    EXPECT_EQ(paintedRows(s, 1, 300), 127);
    EXPECT_EQ(paintedRows(s, 1, 301), 0);
    EXPECT_EQ(paintedRows(s, 1, 302), 128);
    // The RGB histogram: nine even marks 10 rows long every 51 columns from 58.
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(at(s, 2, 58 + 51 * i, 141), kWhite);
        EXPECT_EQ(at(s, 2, 58 + 51 * i, 142), kGrey);
        EXPECT_EQ(at(s, 2, 59 + 51 * i, 132), kGrey);
    }
}

// The 16 dots of a marker from `first` down, 8 rows apart, and nothing between them.
void expectMarker(const Surface& s, int ch, int column, int first, Rgb colour) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(at(s, ch, column, first + 8 * i), colour) << column << " dot " << i;
        EXPECT_NE(at(s, ch, column, first + 8 * i + 1), colour) << column;
    }
}

TEST(HistogramDrawing, MarkersStandInsideTheWindowOverTheirValues) {
    ImageDescriptor image = test::makeImage(2, 2);
    image.valueRange = 4096;
    image.blackLevelMinimum = 3600;
    HistogramCounts counts;
    counts.channelMaxima = {4000, 3584, 4095}; // the window's first and last values: none
    HistogramPlan plan = planOf(true, 4000, 4050, 4096);
    EXPECT_EQ(plan.mode, HistogramMode::Window);
    Surface s(600, 470);
    (void)DrawHistograms(image, counts, plan, s);
    for (int ch = 0; ch < 3; ++ch) {
        expectMarker(s, ch, 7 + 3600 - 3584, 2, kYellow);
        expectMarker(s, ch, 7 + 416, 6, kCyan);
        expectMarker(s, ch, 7 + 466, 8, kCyan);
        EXPECT_EQ(at(s, ch, 58, 141), kWhite);
    }
    expectMarker(s, 0, 7 + 416, 1, kYellow);
    for (int x = 7; x <= 518; ++x) {
        EXPECT_NE(at(s, 1, x, 1), kYellow) << x; // green's maximum is the window start
        EXPECT_NE(at(s, 2, x, 1), kYellow) << x;
    }

    // The whole range of V = 16384: bins of 32 values, black level maximum 1024, so the
    // exposure marks stand at 32 + 0.9375 m.
    image.valueRange = 16384;
    image.blackLevelMinimum = 1000;
    image.blackLevelMaximum = 1024;
    counts.channelMaxima = {16383, 16351, 33};
    (void)DrawHistograms(image, counts, planOf(false, 20, 16384, 16384), s);
    expectMarker(s, 0, 7 + 1000 / 32, 2, kYellow);
    expectMarker(s, 1, 7 + 16351 / 32, 1, kYellow);
    expectMarker(s, 2, 7 + 1, 1, kYellow);
    EXPECT_NE(at(s, 0, 7 + 511, 1), kYellow); // 16383 is in the last bin
    for (int x = 7; x <= 518; ++x)
        EXPECT_NE(at(s, 0, x, 6), kCyan); // 20 is in the first
    for (const auto& [column, length] : {std::pair{45, 8}, {53, 8}, {114, 6}, {419, 6}}) {
        EXPECT_EQ(at(s, 0, column, 132 + length - 1), kWhite) << column;
        EXPECT_EQ(at(s, 0, column, 132 + length), kGrey) << column;
        EXPECT_EQ(at(s, 0, column + 1, 132), kGrey) << column;
    }
}

TEST(HistogramDrawing, AnySurfaceIsDrawnClippedAndOnlyInTheHistogramColours) {
    ImageDescriptor image = test::makeImage(2, 2);
    Surface s(554, 500);
    EXPECT_TRUE(DrawHistograms(image, HistogramCounts{}, planOf(false, 0, 0, 0), s).tooSmall);
    EXPECT_EQ(at(s, 0, 5, 0), kBlack); // drawn all the same
    s.resize(555, 385);
    EXPECT_FALSE(DrawHistograms(image, HistogramCounts{}, planOf(false, 0, 0, 0), s).tooSmall);
    s.resize(0, 0);
    EXPECT_TRUE(DrawHistograms(image, HistogramCounts{}, planOf(false, 0, 0, 0), s).tooSmall);

    const std::set<Rgb> palette{kGrey, kBlack,      kWhite,      kYellow,
                                kCyan, kColours[0], kColours[1], kColours[2]};
    std::mt19937 rng(5);
    const double odd[] = {-1,
                          0,
                          1e-10,
                          1,
                          12800,
                          std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN()};
    for (int trial = 0; trial < 40; ++trial) {
        HistogramCounts counts;
        for (auto& channel : counts.fullRange)
            for (double& b : channel)
                b = odd[rng() % 7];
        counts.channelMaxima = {static_cast<std::int32_t>(rng() % 70000), -5, 0x7FFFFFFF};
        image.valueRange = static_cast<std::int32_t>(rng());
        image.blackLevelMinimum = static_cast<std::uint16_t>(rng());
        image.blackLevelMaximum = static_cast<std::uint16_t>(rng());
        s.resize(static_cast<int>(rng() % 700), static_cast<int>(rng() % 600));
        (void)DrawHistograms(image, counts, planOf(trial % 2 == 0, rng(), rng(), image.valueRange),
                             s);
        for (const Rgb p : s.pixels())
            ASSERT_TRUE(palette.count(p)) << std::hex << p;
    }
}

TEST(HistogramPlan, ChoicesGiveModeWindowAndRangeText) {
    struct Case {
        bool fine, selectionChecked, selectionPresent;
        std::uint32_t black;
        std::int32_t v;
        HistogramMode mode;
        std::uint32_t start, end;
    };
    const Case cases[] = {
        {false, true, true, 4000, 4096, HistogramMode::WholeRange, 0, 4095},
        {true, false, true, 4000, 4096, HistogramMode::Window, 3584, 4095},
        {true, true, false, 4000, 4096, HistogramMode::Window, 3584, 4095},
        {true, true, true, 100, 16384, HistogramMode::Selection, 100, 611},
        {true, false, false, 0xFFFFFFFF, 65536, HistogramMode::Window, 65024, 65535},
        {true, false, false, 50, 300, HistogramMode::Window, 0, 299},
        {false, false, false, 0, 0, HistogramMode::WholeRange, 0, 0},
    };
    for (const Case& c : cases) {
        HistogramChoices choices;
        choices.fine = c.fine;
        choices.selectionChecked = c.selectionChecked;
        choices.selectionPresent = c.selectionPresent;
        choices.blackPoint = c.black;
        choices.valueCount = c.v;
        choices.applyWbChecked = true;
        choices.whiteBalance = {2, 1, 1, 1.5};
        const HistogramPlan plan = planHistograms(choices);
        EXPECT_FALSE(plan.rgb);
        EXPECT_FALSE(plan.applyWbEnabled);
        EXPECT_EQ(plan.mode, c.mode) << c.black;
        EXPECT_EQ(plan.rangeText, HistogramRangeText(c.start, c.end));
        EXPECT_EQ(plan.windowStart, c.start);
        EXPECT_EQ(plan.windowEnd, c.end);
    }
    EXPECT_EQ(HistogramRangeText(3584, 4095), "Range\n3584:4095");

    HistogramChoices mapped;
    mapped.mapped = mapped.applyWbChecked = true;
    EXPECT_FALSE(planHistograms(mapped).applyWbEnabled); // all four coefficients are 1
    mapped.whiteBalance[2] = 1.01f;
    const HistogramPlan plan = planHistograms(mapped);
    EXPECT_TRUE(plan.rgb && plan.applyWbEnabled && plan.applyWhiteBalance);
    EXPECT_EQ(plan.rangeText, "");
}

TEST(HistogramSummary, BlackLevelTextOnlyWithABlackLevel) {
    ImageDescriptor image;
    const std::array<float, 4> current{2.0f, 1.0f, 1.0f, 1.53125f};
    EXPECT_EQ(HistogramSummaryText("", image, std::nullopt, current),
              "\nCurrent WB coeffs RGGB: (2.0000, 1.0000, 1.0000, 1.5312)");
    image.blackLevelMinimum = image.blackLevelMaximum = 0;
    image.blackLevelAverage = 7; // no minimum, no spread: no text
    EXPECT_EQ(HistogramSummaryText("Bits 14 ", image, std::nullopt, current),
              "Bits 14 \nCurrent WB coeffs RGGB: (2.0000, 1.0000, 1.0000, 1.5312)");
    image.blackLevelMinimum = 510;
    image.blackLevelMaximum = 514;
    image.blackLevelAverage = 512;
    EXPECT_EQ(HistogramSummaryText("", image, std::array{1.9f, 1.0f, 1.0f, 1.25f}, current),
              "Black level min: 510, max: 514, avrg: 512 \nShot WB coeffs RGGB: (1.9000, 1.0000, "
              "1.0000, 1.2500),  Current WB coeffs RGGB: (2.0000, 1.0000, 1.0000, 1.5312)");
}

} // namespace
} // namespace korvane
