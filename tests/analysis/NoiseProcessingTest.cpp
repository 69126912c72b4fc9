// The noise stage's functions one by one on chosen values: the cases its rules single out.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <random>
#include <vector>

#include "SyntheticImage.hpp"
#include "analysis/NoiseProcessing.hpp"
#include "analysis/ReplacePrimes.hpp"

namespace korvane {
namespace {

constexpr std::int32_t kWhite = 1000;

struct Case {
    const char* name;
    std::function<void(NoiseParameters&)> set;
    int channel;
    std::vector<std::int32_t> in;  // corrected values, in this order
    std::vector<std::int32_t> out; // what the stage makes of them
    ImageSubMode subMode = ImageSubMode::Composite;
    DisplayMode mode = DisplayMode::Image;
};

const Case kCases[] = {
    // Wd(0) = 2, Hf(0) = 0, C(0) from 1: 0 + (5 mod 2), (7 + 1) mod 2, (11 + 0) mod 2; 4 is
    // above the range, -1 below it; Wd(3) = 3 = Hf(3), C(3) from 4: 3 + (13 mod 3) - 3.
    {"Replace A = 3, Rr = 3",
     [](NoiseParameters& p) {
         p.replaceOn = 1;
         p.replace[0] = 3;
         p.replaceRange[0] = 3;
     },
     kChannelRed,
     {0, 0, 0, 4, -1, 3},
     {1, 0, 1, 4, -1, 1}},
    {"Replace A above Rr is taken as Rr",
     [](NoiseParameters& p) {
         p.replaceOn = 1;
         p.replace[0] = 50;
         p.replaceRange[0] = 3;
     },
     kChannelRed,
     {0, 0, 0, 4, -1},
     {1, 0, 1, 4, -1}},
    {"Replace off by its box",
     [](NoiseParameters& p) { p.replace[0] = p.replaceRange[0] = 3; },
     kChannelRed,
     {0, 0, 1},
     {0, 0, 1}},
    {"Multiply r = 0, f = 2 doubles",
     [](NoiseParameters& p) {
         p.multiplyOn = 1;
         p.multiply[1] = 2;
     },
     kChannelGreen1,
     {0, 1, 17, 500, -3},
     {0, 2, 34, 1000, -6}},
    {"Multiply f = 1 and f = -1 are off",
     [](NoiseParameters& p) {
         p.multiplyOn = 1;
         p.multiply = {1, -1, 1, -1};
         p.multiplyRange = {0, 100, -100, 0};
     },
     kChannelGreen1,
     {5, 50, 500},
     {5, 50, 500}},
    {"Multiply fading over r = 100: the factor 2 falls to 1 towards v = 100",
     [](NoiseParameters& p) {
         p.multiplyOn = 1;
         p.multiply[2] = 2;
         p.multiplyRange[2] = 100;
     },
     // v x 2 / (v / 100 + 1): 0, 1.98, 66.7, 99.5; from r on nothing.
     kChannelBlue,
     {0, 1, 50, 99, 100, 300},
     {0, 1, 66, 99, 100, 300}},
    {"Multiply off by its box",
     [](NoiseParameters& p) { p.multiply[1] = 2; },
     kChannelGreen1,
     {17},
     {17}},
    {"Shift s = 0, S = 100: almost 100 just above 0, almost nothing near white",
     [](NoiseParameters& p) {
         p.shiftOn = 1;
         p.shift[3] = 100;
     },
     kChannelGreen2,
     {1, 500, 999, -5},
     {100, 550, 999, -5}},
    {"Shift below s = -200 with S = -50 pulls down, never below 0",
     [](NoiseParameters& p) {
         p.shiftOn = 1;
         p.shift[0] = -50;
         p.shiftRange[0] = -200;
     },
     // v + v / 200 x -50: 200 -> 150, 100 -> 75, 201 above the range stays.
     kChannelRed,
     {200, 100, 201, 0},
     {150, 75, 201, 0}},
    {"Shift off by its box",
     [](NoiseParameters& p) { p.shift[3] = 100; },
     kChannelGreen2,
     {1},
     {1}},
    {"Offset, and off by its box",
     [](NoiseParameters& p) {
         p.offset = {7, -9, 11, 13};
     },
     kChannelBlue,
     {5},
     {5}},
    {"Offset last: after a shift that floors at 0",
     [](NoiseParameters& p) {
         p.offsetOn = p.shiftOn = 1;
         p.offset[2] = -10;
         p.shift[2] = -500;
     },
     kChannelBlue,
     {0, 10},
     {-10, 5 - 10}},
    {"Greyscale: only shift and offset, the second green with the first green's",
     [](NoiseParameters& p) {
         p.offsetOn = p.shiftOn = p.multiplyOn = p.replaceOn = 1;
         p.multiply = {2, 2, 2, 2};
         p.replace = {3, 3, 3, 3};
         p.replaceRange = {3, 3, 3, 3};
         p.offset = {0, 4, 0, 900};
         p.shift = {0, 100, 0, 0};
         p.shiftRange = {0, 200, 0, 0};
     },
     // v + (200 - v) / 200 x 100 + 4: 0 -> 104, 100 -> 154, 200 stays (+ 4).
     kChannelGreen2,
     {0, 100, 200},
     {104, 154, 204},
     ImageSubMode::Greyscale},
    {"Greyscale shift with s < 0 fades towards Wmax",
     [](NoiseParameters& p) {
         p.shiftOn = 1;
         p.shift[0] = 100;
         p.shiftRange[0] = -200;
     },
     // Only v above 200: v + (v - 200) / (1100 - 200) x 100.
     kChannelRed,
     {200, 290, 1100},
     {200, 300, 1200},
     ImageSubMode::Greyscale},
    {"Exposure: nothing acts",
     [](NoiseParameters& p) {
         p.offsetOn = p.multiplyOn = 1;
         p.offset[0] = 50;
         p.multiply[0] = 3;
     },
     kChannelRed,
     {10},
     {10},
     ImageSubMode::Composite,
     DisplayMode::Exposure},
};

TEST(NoiseProcessing, EachFunctionDoesWhatItsRulesSay) {
    ImageDescriptor image = test::makeImage(4, 4);
    image.channelWhite = {kWhite, kWhite, 1100, kWhite}; // Wmax 1100
    for (const Case& c : kCases) {
        NoiseParameters p;
        p.valid = 1;
        c.set(p);
        NoiseProcessing stage(p);
        // Twice: every drawing starts the Replace sequences again.
        for (int drawing = 0; drawing < 2; ++drawing) {
            stage.begin(image, c.mode, c.subMode);
            std::vector<std::int32_t> out;
            for (const std::int32_t v : c.in)
                out.push_back(stage.apply(v, c.channel, image.channelWhite[c.channel]));
            EXPECT_EQ(out, c.out) << c.name << ", drawing " << drawing;
        }
    }
}

TEST(NoiseProcessing, ReplaceKeepsItsNoiseNearTheValueAndOnlyInItsRange) {
    ImageDescriptor image = test::makeImage(4, 4);
    NoiseParameters p;
    p.valid = p.replaceOn = 1;
    p.replace = {20, 20, 20, 20};
    p.replaceRange = {2000, 100, 100, 100}; // red's range is taken as 1000
    NoiseProcessing stage(p);
    stage.begin(image, DisplayMode::Image, ImageSubMode::Composite);
    for (int channel = 0; channel < 4; ++channel) {
        const std::int32_t range = channel == 0 ? 1000 : 100;
        std::vector<bool> varied(static_cast<std::size_t>(range) + 1, false);
        // Enough samples of each value to walk a counter past both ends of the primes.
        for (int round = 0; round < 1400; ++round)
            for (std::int32_t v = 0; v <= range + 1; ++v) {
                const std::int32_t out = stage.apply(v, channel, kWhite);
                if (v > range) {
                    ASSERT_EQ(out, v);
                    continue;
                }
                // The noise is a width of at most A near the value, never below 0.
                ASSERT_GE(out, 0) << channel << " " << v;
                ASSERT_LE(std::abs(out - v), 20) << channel << " " << v;
                if (out != v) varied[static_cast<std::size_t>(v)] = true;
            }
        EXPECT_EQ(std::count(varied.begin(), varied.end(), true), range + 1) << channel;
    }
}

TEST(NoiseProcessing, BlackLevelsGatesAndOffsetsFollowTheirBoxes) {
    NoiseParameters p;
    p.valid = 1;
    p.black = {0x10080, 81, 82, 83};
    p.offset = {1, 2, 3, 4};
    p.maskedHorizontal = 0;
    p.maskedVertical = 0.5f;
    NoiseProcessing stage(p);
    ImageDescriptor image = test::makeImage(4, 4);
    stage.begin(image, DisplayMode::Image, ImageSubMode::Composite);
    EXPECT_FALSE(stage.blackLevels().has_value());
    EXPECT_TRUE(stage.columnBlackOn());
    EXPECT_EQ(stage.offset(kChannelGreen2), 0);
    p.blackOn = p.maskedOn = p.offsetOn = 1;
    EXPECT_EQ(stage.blackLevels(), (std::array<std::uint16_t, 4>{0x80, 81, 82, 83}));
    EXPECT_FALSE(stage.columnBlackOn());
    EXPECT_TRUE(stage.rowBlackOn());
    EXPECT_EQ(stage.offset(kChannelGreen2), 4);
    stage.begin(image, DisplayMode::Image, ImageSubMode::Greyscale);
    EXPECT_EQ(stage.offset(kChannelGreen2), 2); // Greyscale: the first green's
    p.valid = 0;                                // nothing while the parameters are not valid
    EXPECT_FALSE(stage.blackLevels().has_value());
    EXPECT_TRUE(stage.columnBlackOn());

    const std::optional<HistogramNoise> none = HistogramNoiseOf(p);
    EXPECT_FALSE(none.has_value());
    p.valid = 1;
    p.shiftOn = p.multiplyOn = 0;
    p.shift = {5, 5, 5, 5};
    p.multiply = {2, 2, 2, 2};
    const std::optional<HistogramNoise> n = HistogramNoiseOf(p);
    ASSERT_TRUE(n.has_value());
    EXPECT_EQ(n->offset, p.offset);
    EXPECT_EQ(n->shiftValue, (std::array<std::int32_t, 4>{}));
    EXPECT_EQ(n->multiply, (std::array<float, 4>{}));
    EXPECT_EQ(n->maskedHorizontal, 0.0f);
    EXPECT_EQ(n->maskedVertical, 0.5f);
}

} // namespace
} // namespace korvane

namespace korvane {
namespace {

// A drawing shared out in parts starts each part with the sequences skipped on by what the
// parts before it replaced: skipping must land where stepping does.
TEST(NoiseProcessing, SkippingTheReplaceSequenceLandsWhereSteppingDoes) {
    ImageDescriptor image = test::makeImage(4, 4);
    NoiseParameters p;
    p.valid = p.replaceOn = 1;
    p.replace = {900, 37, 1000, 5};
    p.replaceRange = {1000, 700, 1000, 1000};
    for (const int channel : {0, 1, 2, 3})
        // Among them the values whose counters start on or next to the last index.
        for (const std::int32_t w : {0, 1, 651, 652, 657, 662, 666, 667, 700})
            for (const std::uint64_t count :
                 {0u, 1u, 2u, 667u, 668u, 669u, 1335u, 1336u, 1337u, 4000u, 123457u}) {
                NoiseProcessing stepped(p), skipped(p);
                stepped.begin(image, DisplayMode::Image, ImageSubMode::Composite);
                skipped.begin(image, DisplayMode::Image, ImageSubMode::Composite);
                // Both first take a few steps, then one goes on step by step, the other skips.
                for (int i = 0; i < 3; ++i) {
                    (void)stepped.replaceStep(channel, w);
                    (void)skipped.replaceStep(channel, w);
                }
                for (std::uint64_t i = 0; i < count; ++i)
                    (void)stepped.replaceStep(channel, w);
                skipped.skip(channel, w, count);
                for (int i = 0; i < 1400; ++i)
                    ASSERT_EQ(skipped.replaceStep(channel, w), stepped.replaceStep(channel, w))
                        << "channel " << channel << ", value " << w << ", " << count
                        << " skipped, step " << i;
            }
}

// The Replace rules taken literally: per value a counter walking the primes up to the last
// index and back, and the noise (prime + previous noise) mod Wd, against the stage over
// long runs of random values, past both ends of the primes.
TEST(NoiseProcessing, ReplaceSequencesFollowTheCounterUpAndDownThePrimes) {
    ImageDescriptor image = test::makeImage(4, 4);
    std::mt19937 rng(77);
    for (int trial = 0; trial < 6; ++trial) {
        NoiseParameters p;
        p.valid = p.replaceOn = 1;
        for (std::size_t k = 0; k < 4; ++k) {
            p.replaceRange[k] = std::uniform_int_distribution<std::int32_t>(1, 1000)(rng);
            p.replace[k] = std::uniform_int_distribution<std::int32_t>(1, p.replaceRange[k])(rng);
        }
        NoiseProcessing stage(p);
        stage.begin(image, DisplayMode::Image, ImageSubMode::Composite);
        for (int channel = 0; channel < 4; ++channel) {
            const auto k = static_cast<std::size_t>(channel);
            const std::int32_t range = p.replaceRange[k], a = p.replace[k];
            // Counters start at 0, 5, 15 and 10 (red, first green, blue, second green).
            const std::int32_t start = std::array<std::int32_t, 4>{0, 5, 15, 10}[k];
            const auto n = static_cast<std::size_t>(range) + 1;
            std::vector<std::int32_t> counter(n), direction(n, 1), previous(n, 0);
            for (std::size_t v = 0; v < n; ++v)
                counter[v] =
                    std::min<std::int32_t>((start + 1 + static_cast<std::int32_t>(v)) % 669, 667);
            // A few values at each end of the range, so that each takes thousands of steps.
            std::uniform_int_distribution<std::int32_t> pick(0, std::min(range, 5));
            for (int i = 0; i < 20000; ++i) {
                const std::int32_t v = i % 2 == 0 ? pick(rng) : range - pick(rng);
                const auto at = static_cast<std::size_t>(v);
                const std::int32_t w = std::max((2 * a * range + v * a) / (3 * range), 1);
                std::int32_t half = w >= v ? v : w / 2;
                if (channel == kChannelBlue && w < v && v >= range - w / 2) half = w + v - range;
                counter[at] += direction[at];
                if (counter[at] <= 0) counter[at] = 0, direction[at] = 1;
                if (counter[at] >= 668) counter[at] = 668, direction[at] = -1;
                previous[at] = static_cast<std::int32_t>(
                    (kReplacePrimes[static_cast<std::size_t>(counter[at])] + previous[at]) % w);
                ASSERT_EQ(stage.apply(v, channel, kWhite), v + previous[at] - half)
                    << "trial " << trial << ", channel " << channel << ", value " << v
                    << ", sample " << i;
            }
        }
    }
}

} // namespace
} // namespace korvane
