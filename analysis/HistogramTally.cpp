#include "analysis/HistogramTally.hpp"

#include <algorithm>
#include <thread>

#include "analysis/CfaColours.hpp"
#include "analysis/InParts.hpp"

namespace korvane::histogram_tally {

namespace {

// Two threads pay for themselves from about a million samples on (a 1-megapixel count
// takes about a millisecond); more do not, as the loop then waits for memory.
constexpr std::uint64_t kSamplesPerPart = 1 << 20;
constexpr int kMostParts = 2;

// Neighbouring samples of one colour often land in the same slot; each increment of a slot
// waits for the previous one. Two sets of counters taking turns, a pair of samples each,
// let the next increment start before the last has been stored.
struct PartTally {
    Tally one;
    Tally two;
};

// A row whose pattern repeats every two columns (or every column): rule `a` at the even
// columns of the row, `b` at the odd ones.
template <bool KeepMaxima>
void pairRow(const std::uint16_t* row, std::uint32_t count, PositionRule a, PositionRule b,
             PartTally& t) {
    std::uint32_t* one = t.one.counts.data();
    std::uint32_t* two = t.two.counts.data();
    const std::uint16_t* ta = a.table;
    const std::uint16_t* tb = b.table;
    const std::uint32_t baseA = a.region * kSlots, baseB = b.region * kSlots;
    std::uint32_t maxA = 0, maxB = 0;
    std::uint32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const std::uint32_t s0 = row[x], s1 = row[x + 1], s2 = row[x + 2], s3 = row[x + 3];
        ++one[baseA + ta[s0]];
        ++one[baseB + tb[s1]];
        ++two[baseA + ta[s2]];
        ++two[baseB + tb[s3]];
        if constexpr (KeepMaxima) {
            maxA = std::max({maxA, s0, s2});
            maxB = std::max({maxB, s1, s3});
        }
    }
    for (; x < count; ++x) {
        const bool even = (x & 1) == 0;
        const std::uint32_t s = row[x];
        ++one[(even ? baseA : baseB) + (even ? ta : tb)[s]];
        if constexpr (KeepMaxima) (even ? maxA : maxB) = std::max(even ? maxA : maxB, s);
    }
    if constexpr (KeepMaxima) {
        t.one.maxima[a.region] = std::max(t.one.maxima[a.region], maxA);
        t.one.maxima[b.region] = std::max(t.one.maxima[b.region], maxB);
    }
}

// A row of any other pattern width: the rule moves on with every column.
template <bool KeepMaxima>
void cycleRow(const std::uint16_t* row, std::uint32_t count, const PositionRule* rules,
              std::uint32_t width, std::uint32_t column, Tally& t) {
    for (std::uint32_t x = 0; x < count; ++x) {
        const PositionRule& r = rules[column];
        const std::uint32_t s = row[x];
        ++t.counts[r.region * kSlots + r.table[s]];
        if constexpr (KeepMaxima) t.maxima[r.region] = std::max(t.maxima[r.region], s);
        column = column + 1 == width ? 0 : column + 1;
    }
}

void tallyRows(const TallyPlan& plan, std::uint32_t from, std::uint32_t to, PartTally& t) {
    const std::uint32_t pw = plan.patternWidth, ph = plan.patternHeight;
    const std::uint32_t count = plan.area.width;
    for (std::uint32_t y = from; y < to; ++y) {
        const std::uint16_t* row =
            plan.samples + (std::size_t{plan.area.top} + y) * plan.pitch + plan.area.left;
        const PositionRule* rules = plan.rules.data() + ((plan.firstRow + y) % ph) * pw;
        if (pw <= 2) {
            const PositionRule a = rules[plan.firstColumn % pw];
            const PositionRule b = rules[(plan.firstColumn + 1) % pw];
            if (plan.keepMaxima)
                pairRow<true>(row, count, a, b, t);
            else
                pairRow<false>(row, count, a, b, t);
        } else if (plan.keepMaxima) {
            cycleRow<true>(row, count, rules, pw, plan.firstColumn, t.one);
        } else {
            cycleRow<false>(row, count, rules, pw, plan.firstColumn, t.one);
        }
    }
}

// The CFA phase of `position` counted from `origin`, also for a position before it.
std::uint32_t phase(std::uint32_t position, std::uint32_t origin, std::uint32_t period) {
    const std::int64_t offset = std::int64_t{position} - origin;
    return static_cast<std::uint32_t>(((offset % period) + period) % period);
}

// The table of a position whose samples are left out: any slot of the left-out region.
const std::uint16_t* leftOutTable() {
    static const std::array<std::uint16_t, kTableSize> table{};
    return table.data();
}

} // namespace

std::uint64_t Tally::samples(std::uint32_t region) const {
    std::uint64_t n = 0;
    for (std::uint32_t slot = 0; slot < kSlots; ++slot)
        n += at(region, slot);
    return n;
}

void Tally::add(const Tally& other) {
    for (std::size_t i = 0; i < counts.size(); ++i)
        counts[i] += other.counts[i];
    for (std::size_t i = 0; i < maxima.size(); ++i)
        maxima[i] = std::max(maxima[i], other.maxima[i]);
}

SampleRect clippedToImage(const ImageDescriptor& image, const SampleRect& rect) {
    SampleRect r;
    r.top = std::min(rect.top, image.imageLength);
    r.left = std::min(rect.left, image.imageWidth);
    r.height = std::min(rect.height, image.imageLength - r.top);
    r.width = std::min(rect.width, image.imageWidth - r.left);
    return r;
}

TallyPlan tallyPlanOf(const ImageDescriptor& image, const SampleRect& area) {
    TallyPlan plan;
    plan.samples = image.samples.data();
    plan.pitch = image.imageWidth;
    const bool complete = image.samples.size() >= std::size_t{image.imageWidth} * image.imageLength;
    if (complete) plan.area = clippedToImage(image, area);
    plan.patternWidth = cfaPatternWidth(image);
    plan.patternHeight = cfaPatternHeight(image);
    const SampleRect active = image.activeRect();
    plan.firstRow = phase(plan.area.top, active.top, plan.patternHeight);
    plan.firstColumn = phase(plan.area.left, active.left, plan.patternWidth);
    for (PositionRule& rule : plan.rules)
        rule.table = leftOutTable();
    return plan;
}

int partsFor(const SampleRect& area) {
    const std::uint64_t samples = std::uint64_t{area.width} * area.height;
    const int processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return static_cast<int>(
        std::clamp<std::uint64_t>(samples / kSamplesPerPart, 1, std::min(kMostParts, processors)));
}

void tallyArea(const TallyPlan& plan, Tally& out) {
    std::array<PartTally, kMostParts> parts;
    inParts(partsFor(plan.area), static_cast<std::int32_t>(plan.area.height),
            [&](int part, std::int32_t from, std::int32_t to) {
                tallyRows(plan, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to),
                          parts[static_cast<std::size_t>(part)]);
            });
    out = Tally{};
    for (const PartTally& p : parts) {
        out.add(p.one);
        out.add(p.two);
    }
}

} // namespace korvane::histogram_tally
