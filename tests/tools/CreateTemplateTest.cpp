#include "tools/CreateTemplate.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "common/RecordingReporter.hpp"
#include "tests/analysis/SyntheticImage.hpp"

namespace korvane {
namespace {

using test::makeImage;
using test::sampleAt;

// Black 100 and a clip level per channel that differs, so a ratio taken against the wrong
// channel shows. With makeImage's RGGB pattern the clips of positions 0 to 3 (R, G1, G2, B)
// are 1000, 1100, 1300 and 1200.
constexpr std::uint16_t kBlack = 100;
constexpr std::array<std::int32_t, 4> kClipLevels{1100, 1200, 1300, 1400}; // R G1 B G2
constexpr std::uint16_t kUnclipped = kBlack + 500;

ImageDescriptor makeTemplateImage(std::uint32_t width, std::uint32_t height, std::uint16_t fill) {
    ImageDescriptor image = makeImage(width, height, fill);
    image.bitsPerSample = 12;
    image.blackLevelMaximum = kBlack;
    image.clipLevels = kClipLevels;
    return image;
}

// A slot that holds something, to see whether a call kept or emptied it.
RecoveryTemplate someTemplate() {
    RecoveryTemplate t;
    t.active = true;
    t.counts[0][0] = 1;
    t.lists[0][0].push_back({neighbour_flags::kEast, 0.5f, 0, 0, 0, 0.25f});
    return t;
}

struct Rejection {
    const char* name;
    std::function<void(ImageDescriptor&)> change;
    std::optional<SampleRect> selection; // in an 8 x 8 image of unclipped samples
    int slotNumber;
    int message;
    const char* text1; // nullptr: not checked
    bool slotKept;     // the check comes before the slot is emptied
};

TEST(CreateTemplate, RejectsWithItsMessageAndLeavesTheSlotAsTheOrderOfChecksSays) {
    const auto none = [](ImageDescriptor&) {};
    const SampleRect fine{1, 1, 6, 6};
    const Rejection cases[] = {
        {"8-bit image without a selection", [](ImageDescriptor& i) { i.bitsPerSample = 8; },
         std::nullopt, 1, 35, "8bit raw data", true},
        {"8-bit image before the pattern check",
         [](ImageDescriptor& i) {
             i.bitsPerSample = 8;
             i.cfaRepeatRows = 3;
         },
         fine, 1, 35, "8bit raw data", true},
        {"3 x 3 pattern", [](ImageDescriptor& i) { i.cfaRepeatRows = i.cfaRepeatCols = 3; }, fine,
         1, 35, "CFA size", true},
        {"1 x 4 pattern: four entries, no 2 x 2 cell",
         [](ImageDescriptor& i) {
             i.cfaRepeatRows = 1;
             i.cfaRepeatCols = 4;
         },
         fine, 1, 35, "CFA size", true},
        {"no sample data", [](ImageDescriptor& i) { i.samples.resize(63); }, fine, 1, 27, nullptr,
         true},
        {"no selection", none, std::nullopt, 1, 32, nullptr, true},
        {"one 2 x 2 cell", none, SampleRect{2, 2, 2, 2}, 1, 34, nullptr, true},
        {"two rows high", none, SampleRect{2, 0, 2, 8}, 1, 34, nullptr, true},
        {"cut to two columns by the image edge", none, SampleRect{0, 6, 8, 40}, 1, 34, nullptr,
         true},
        {"cut to nothing by the active area", [](ImageDescriptor& i) { i.activeHeight = 4; },
         SampleRect{4, 0, 4, 8}, 1, 34, nullptr, true},
        {"3 x 3: one interior sample", none, SampleRect{0, 0, 3, 3}, 1, 34, nullptr, false},
        {"all clipped", [](ImageDescriptor& i) { i.samples.assign(64, 1400); }, fine, 1, 34,
         nullptr, false},
        {"all at black", [](ImageDescriptor& i) { i.samples.assign(64, kBlack); }, fine, 1, 34,
         nullptr, false},
        {"slot 0", none, fine, 0, 33, nullptr, true},
        {"slot 11", none, fine, 11, 33, nullptr, true},
    };
    for (const Rejection& c : cases) {
        SCOPED_TRACE(c.name);
        ImageDescriptor image = makeTemplateImage(8, 8, kUnclipped);
        c.change(image);
        RecoveryTemplateSlots slots;
        slots.fill(someTemplate());
        RecordingReporter reporter;
        EXPECT_TRUE(failed(CreateTemplate(image, c.selection, slots, c.slotNumber, reporter)));
        ASSERT_EQ(reporter.numbers(), std::vector<int>{c.message});
        if (c.text1) {
            EXPECT_EQ(reporter.records()[0].args.text1, c.text1);
        }
        if (c.message == 33) {
            EXPECT_EQ(reporter.records()[0].args.int1, c.slotNumber);
        }
        for (int s = 0; s < kTemplateSlotCount; ++s) {
            const bool emptied = s == c.slotNumber - 1 && !c.slotKept;
            EXPECT_EQ(slots[s], emptied ? RecoveryTemplate{} : someTemplate()) << "slot " << s + 1;
        }
    }
}

TEST(CreateTemplate, AFourByFourSelectionScansItsTwoByTwoInterior) {
    // Unclipped everywhere: every interior sample has eight unclipped neighbours.
    const ImageDescriptor image = makeTemplateImage(8, 8, kUnclipped);
    RecoveryTemplateSlots slots;
    RecordingReporter reporter;
    ASSERT_TRUE(succeeded(CreateTemplate(image, SampleRect{3, 2, 4, 4}, slots, 2, reporter)));
    EXPECT_TRUE(reporter.records().empty());
    const RecoveryTemplate& t = slots[1];
    EXPECT_TRUE(t.active);
    // Interior rows 4 and 5, columns 3 and 4: positions 1, 0, 3, 2 in scan order.
    const std::array<float, 4> clip{1000, 1100, 1300, 1200};
    for (int p = 0; p < kPatternPositionCount; ++p) {
        EXPECT_EQ(t.counts[4][p], 1);
        ASSERT_EQ(t.lists[4][p].size(), 1u);
        EXPECT_EQ(t.lists[4][p][0].neighbourFlags, 0xFF);
        EXPECT_EQ(t.lists[4][p][0].centre, 500.0f / clip[p]);
    }
    for (int s = 0; s < kTemplateSlotCount; ++s) {
        if (s != 1) {
            EXPECT_EQ(slots[s], RecoveryTemplate{});
        }
    }
}

// A 3 x 3 block of unclipped samples (rows 1 to 3, columns 1 to 3) and an unclipped pair at
// (2, 6) and (2, 7), among samples that must not count: at black, below black, at the clip
// level and far above it.
TEST(CreateTemplate, RecordsClassesFlagsAndRatiosOfAKnownScene) {
    ImageDescriptor image = makeTemplateImage(10, 6, kBlack);
    for (std::uint32_t r = 1; r <= 3; ++r)
        for (std::uint32_t c = 1; c <= 3; ++c)
            sampleAt(image, r, c) = kBlack + 520;
    sampleAt(image, 2, 6) = kBlack + 300;
    sampleAt(image, 2, 7) = kBlack + 700;
    sampleAt(image, 2, 5) = 1200;  // exactly the clip level of its position (G1)
    sampleAt(image, 1, 6) = 65535; // far above it
    sampleAt(image, 1, 5) = kBlack - 1;
    RecoveryTemplateSlots slots;
    slots[0] = someTemplate(); // replaced
    RecordingReporter reporter;
    ASSERT_TRUE(succeeded(CreateTemplate(image, SampleRect{0, 0, 6, 10}, slots, 1, reporter)));
    EXPECT_TRUE(reporter.records().empty());
    const RecoveryTemplate& t = slots[0];

    const std::vector<std::string> expectedLines{
        "class 0 position 0: 1", "class 0 position 1: 1", "class 0 position 2: 0",
        "class 0 position 3: 0", "class 1 position 0: 0", "class 1 position 1: 0",
        "class 1 position 2: 0", "class 1 position 3: 0", "class 2 position 0: 0",
        "class 2 position 1: 2", "class 2 position 2: 2", "class 2 position 3: 4",
        "class 3 position 0: 0", "class 3 position 1: 0", "class 3 position 2: 0",
        "class 3 position 3: 0", "class 4 position 0: 1", "class 4 position 1: 0",
        "class 4 position 2: 0", "class 4 position 3: 0"};
    EXPECT_EQ(templateCountLines(t), expectedLines);

    // The block's centre (2, 2), red: north and south are G2, west and east G1, diagonals B.
    const float r = 520.0f / 1000, g1 = 520.0f / 1100, g2 = 520.0f / 1300, b = 520.0f / 1200;
    ASSERT_EQ(t.lists[4][0].size(), 1u);
    EXPECT_EQ(t.lists[4][0][0], (TemplateSample{0xFF, r, g2, g2, g1, g1, b, b, b, b}));
    // The block's corners (1, 1) and (1, 3), blue, come first in scan order.
    ASSERT_EQ(t.lists[2][3].size(), 4u);
    EXPECT_EQ(t.lists[2][3][0], (TemplateSample{0x51, b, 0, g1, 0, g2, 0, 0, 0, r}));
    EXPECT_EQ(t.lists[2][3][1], (TemplateSample{0x64, b, 0, g1, g2, 0, 0, r, 0, 0}));
    // The pair: only the east neighbour of (2, 6), only the west one of (2, 7).
    ASSERT_EQ(t.lists[0][0].size(), 1u);
    ASSERT_EQ(t.lists[0][1].size(), 1u);
    EXPECT_EQ(t.lists[0][0][0], (TemplateSample{0x10, 300.0f / 1000, 0, 0, 0, 700.0f / 1100}));
    EXPECT_EQ(t.lists[0][1][0], (TemplateSample{0x20, 700.0f / 1100, 0, 0, 300.0f / 1000, 0}));
}

// ---- An independent reference over random small images, written from the description.

struct Outcome {
    int message = 0; // 0: success
    bool slotKept = false;
    RecoveryTemplate slot;
};

Outcome referenceOutcome(const ImageDescriptor& im, const SampleRect& sel) {
    const SampleRect a = im.activeRect();
    const int top = std::max<int>(sel.top, a.top), left = std::max<int>(sel.left, a.left);
    const int bottom = std::min<int>(sel.top + sel.height, a.top + a.height) - 1;
    const int right = std::min<int>(sel.left + sel.width, a.left + a.width) - 1;
    if (bottom - top < 2 || right - left < 2) return {34, true, {}};
    // ratio of (row, column), or -1 when clipped
    const auto ratio = [&](int row, int col) {
        const int pr = (row - a.top) % 2, pc = (col - a.left) % 2;
        const int colour = im.cfaPattern[pr * 2 + pc];
        const int channel = colour == 1 ? (pr == 0 ? 1 : 3) : colour;
        const int clip = im.clipLevels[channel] - im.blackLevelMaximum;
        const int v = im.samples[std::size_t(row) * im.imageWidth + col] - im.blackLevelMaximum;
        return v > 0 && v < clip ? static_cast<float>(v) / static_cast<float>(clip) : -1.0f;
    };
    Outcome out;
    int recorded = 0;
    for (int row = top + 1; row < bottom; ++row) {
        for (int col = left + 1; col < right; ++col) {
            const float centre = ratio(row, col);
            if (centre < 0) continue;
            const float n[8] = {ratio(row - 1, col),     ratio(row + 1, col),
                                ratio(row, col - 1),     ratio(row, col + 1),
                                ratio(row - 1, col - 1), ratio(row + 1, col - 1),
                                ratio(row - 1, col + 1), ratio(row + 1, col + 1)};
            int o = 0, d = 0, flags = 0;
            for (int k = 0; k < 8; ++k) {
                if (n[k] < 0) continue;
                (k < 4 ? o : d) += 1;
                flags |= 0x80 >> k;
            }
            if (o + d == 0) continue;
            const int cls = o == 4 && d == 4               ? 4
                            : o == 4                       ? 3
                            : (o == 2 || o == 3) && d >= 1 ? 2
                            : o + d >= 2                   ? 1
                                                           : 0;
            const int p = (row - a.top) % 2 * 2 + (col - a.left) % 2;
            const auto z = [](float x) { return std::max(x, 0.0f); };
            out.slot.lists[cls][p].push_back(
                TemplateSample{static_cast<std::uint8_t>(flags), centre, z(n[0]), z(n[1]), z(n[2]),
                               z(n[3]), z(n[4]), z(n[5]), z(n[6]), z(n[7])});
            ++out.slot.counts[cls][p];
            ++recorded;
        }
    }
    if (recorded <= 3) return {34, false, {}};
    out.slot.active = true;
    return out;
}

TEST(CreateTemplate, MatchesASimpleReferenceOnRandomImages) {
    std::mt19937 rng(20240613);
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    constexpr std::array<std::array<std::uint8_t, 4>, 4> kPatterns{
        {{0, 1, 1, 2}, {2, 1, 1, 0}, {1, 0, 2, 1}, {1, 2, 0, 1}}};
    int successes = 0;
    std::array<int, kNeighbourClassCount> classesSeen{};
    for (int round = 0; round < 400; ++round) {
        const auto width = static_cast<std::uint32_t>(pick(3, 14));
        const auto height = static_cast<std::uint32_t>(pick(3, 14));
        ImageDescriptor image = makeTemplateImage(width, height, 0);
        const auto pattern = kPatterns[pick(0, 3)];
        std::copy(pattern.begin(), pattern.end(), image.cfaPattern.begin());
        image.activeTop = static_cast<std::uint32_t>(pick(0, 1));
        image.activeLeft = static_cast<std::uint32_t>(pick(0, 1));
        image.blackLevelMaximum = static_cast<std::uint16_t>(pick(0, 200));
        // Now and then a channel whose clip lies at or below black: it records nothing.
        for (auto& level : image.clipLevels)
            level = pick(0, 9) == 0 ? pick(0, 200) : pick(300, 1000);
        for (auto& s : image.samples) {
            const int black = image.blackLevelMaximum, clip = image.clipLevels[pick(0, 3)];
            const int choices[] = {black, black + 1, black - 1, clip - 1, clip, clip + 1, 65535};
            s = static_cast<std::uint16_t>(
                std::clamp(pick(0, 2) == 0 ? choices[pick(0, 6)]
                                           : pick(std::min(black, clip), std::max(black, clip)),
                           0, 65535));
        }
        // Sometimes reaching past the image, which cuts it.
        const SampleRect sel{
            static_cast<std::uint32_t>(pick(0, 2)), static_cast<std::uint32_t>(pick(0, 2)),
            static_cast<std::uint32_t>(pick(1, 16)), static_cast<std::uint32_t>(pick(1, 16))};
        const int slotNumber = pick(1, kTemplateSlotCount);
        SCOPED_TRACE("round " + std::to_string(round));

        const Outcome expected = referenceOutcome(image, sel);
        RecoveryTemplateSlots slots;
        slots.fill(someTemplate());
        RecordingReporter reporter;
        const Status status = CreateTemplate(image, sel, slots, slotNumber, reporter);
        EXPECT_EQ(succeeded(status), expected.message == 0);
        EXPECT_EQ(reporter.numbers(),
                  expected.message == 0 ? std::vector<int>{} : std::vector<int>{expected.message});
        const RecoveryTemplate& wanted = expected.slotKept ? someTemplate() : expected.slot;
        EXPECT_EQ(slots[slotNumber - 1], wanted);
        if (expected.message != 0) continue;
        ++successes;
        for (int c = 0; c < kNeighbourClassCount; ++c)
            for (int p = 0; p < kPatternPositionCount; ++p)
                classesSeen[c] += expected.slot.counts[c][p];
    }
    // The draw must reach every class, and both outcomes, or the comparison proves little.
    EXPECT_GT(successes, 40);
    for (int c = 0; c < kNeighbourClassCount; ++c)
        EXPECT_GT(classesSeen[c], 0) << "class " << c;
}

} // namespace
} // namespace korvane
