#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "analysis/BlackLevels.hpp"
#include "analysis/CfaColours.hpp"
#include "analysis/HistogramTally.hpp"
#include "analysis/Histograms.hpp"
#include "analysis/InParts.hpp"
#include "analysis/MappingArrays.hpp"
#include "analysis/NoiseStage.hpp"
#include "analysis/SampleEvaluator.hpp"

namespace korvane {

namespace {

using namespace histogram_tally;

// An RGB histogram's 512 columns of one channel add up to this (100 %).
constexpr double kRgbChannelTotal = 16384;
constexpr std::uint16_t kDisplayLevels = 256;
// The white balance multipliers are stored red, first green, second green, blue.
constexpr std::array<std::size_t, 4> kMultiplierOfChannel{0, 1, 3, 2};
constexpr const char* kTableName = "RGB histogram mapping array";

// What one channel does to its samples before the mapping look-up.
struct ChannelArithmetic {
    std::int32_t offset = 0;
    std::int32_t shiftValue = 0;
    std::int32_t shiftRange = 0;
    double multiply = 0;
    std::int32_t multiplyRange = 0;
    double factor = 1; // exposure, times the white balance coefficient when applied
    friend bool operator==(const ChannelArithmetic&, const ChannelArithmetic&) = default;
};

ChannelArithmetic arithmeticOf(const ImageDescriptor& image, const RgbHistogramRequest& request,
                               int channel) {
    ChannelArithmetic a;
    const auto ch = static_cast<std::size_t>(channel);
    const double exposure = request.exposureFactor > 0 ? request.exposureFactor : 1.0;
    a.factor = exposure * (request.applyWhiteBalance
                               ? static_cast<double>(image.wbMultipliers[kMultiplierOfChannel[ch]])
                               : 1.0);
    if (const HistogramNoise* n = request.noise) {
        // A range of 0 stands for the whole range of the image's values.
        const auto orMaximum = [&](std::int32_t r) { return r != 0 ? r : image.maximumValue; };
        a.offset = n->offset[ch];
        a.shiftValue = n->shiftValue[ch];
        a.shiftRange = orMaximum(n->shiftRange[ch]);
        a.multiply = n->multiply[ch];
        a.multiplyRange = orMaximum(n->multiplyRange[ch]);
    }
    return a;
}

// The mapping position of a sample: black subtracted, the noise dialog's shift and multiply,
// then the channel's factor. Shift and multiply act on the value as it is; a value still
// below 0 after them has no light and takes position 0.
std::uint32_t mappingPosition(std::int64_t sample, std::int64_t black, const ChannelArithmetic& a,
                              std::uint32_t range) {
    double z = static_cast<double>(sample + a.offset - black);
    const double s = a.shiftRange, r = a.multiplyRange;
    // A range of 0 (an image without a maximum value) has nothing to divide by.
    if (a.shiftValue != 0 && s != 0 && s - z > 0) z = std::trunc(a.shiftValue * (s - z) / s + z);
    if (a.multiply != 0 && r != 0 && r - z > 0) z = std::trunc(a.multiply * ((r - z) / r * z));
    const double p = std::trunc(std::max(z, 0.0) * a.factor);
    if (!(p > 0)) return 0; // also for a factor that is no number
    return p >= range ? range - 1 : static_cast<std::uint32_t>(p);
}

// The RGB histogram mapping array: the bin of each display value. A running bin is taken
// first and then moves on when the value reaches its share of the B values; with B = 256
// every display value has its own bin.
using DisplayBins = std::array<std::uint16_t, kDisplayLevels>;
constexpr DisplayBins kDisplayBins = [] {
    DisplayBins bins{};
    std::uint32_t b = 0;
    for (std::uint32_t d = 0; d < kDisplayLevels; ++d) {
        bins[d] = static_cast<std::uint16_t>(b);
        if (b < kHistogramBins - 1 && d >= (b + 1) * kDisplayLevels / kHistogramBins) ++b;
    }
    return bins;
}();
// Each display bin fills two columns of the 512.
static_assert(kDisplayBins.back() < kHistogramBins / 2);

// What a count looks up: the mapping array and its range.
struct Lookup {
    const std::vector<std::uint8_t>& values;
    std::uint32_t range;
    std::uint32_t positionOf(std::int64_t sample, std::int64_t black,
                             const ChannelArithmetic& a) const {
        return std::min<std::size_t>(mappingPosition(sample, black, a, range), values.size() - 1);
    }
    std::uint16_t binOf(std::int64_t sample, std::int64_t black, const ChannelArithmetic& a) const {
        return kDisplayBins[values[positionOf(sample, black, a)]];
    }
};

// The per-position arithmetic and colour of the plan's pattern.
struct PositionArithmetic {
    std::array<ChannelArithmetic, 64> arithmetic{};
    std::array<int, 64> channel{};
};

PositionArithmetic positionsOf(const ImageDescriptor& image, const RgbHistogramRequest& request,
                               TallyPlan& plan) {
    PositionArithmetic out;
    const std::uint32_t pw = plan.patternWidth;
    for (std::uint32_t e = 0; e < pw * plan.patternHeight; ++e) {
        const CfaColour colour = cfaColourOfEntry(image, e);
        out.channel[e] = channelOf(colour, e / pw);
        out.arithmetic[e] = arithmeticOf(image, request, out.channel[e]);
        plan.rules[e].region = static_cast<std::uint32_t>(colour);
    }
    return out;
}

// Positions alike in arithmetic and black level share one table.
struct TableKey {
    ChannelArithmetic arithmetic;
    std::int32_t black = 0;
    friend bool operator==(const TableKey&, const TableKey&) = default;
};

// The table of one key: the bin of every 16-bit sample. Once the noise dialog's shift and
// multiply no longer act (they act below their ranges only) and the value is above the black
// level, the position only grows with the sample; when it reaches the last position, or when
// the factor gives no light at all, every larger sample has the same bin.
void fillTable(const Lookup& lookup, const TableKey& key, std::uint16_t* table) {
    const ChannelArithmetic& a = key.arithmetic;
    const std::int64_t plain = std::max<std::int64_t>(
        {std::int64_t{key.black} - a.offset + 1,
         a.shiftValue != 0 ? std::int64_t{key.black} - a.offset + a.shiftRange : 0,
         a.multiply != 0 ? std::int64_t{key.black} - a.offset + a.multiplyRange : 0});
    const std::uint32_t last =
        static_cast<std::uint32_t>(std::min<std::size_t>(lookup.range, lookup.values.size())) - 1;
    const bool dark = !(a.factor > 0);
    // Below a factor of one half every position is taken by a run of samples: its end is
    // found by doubling steps and halving back, and the run filled whole.
    const bool runs = !dark && a.factor < 0.5;
    const auto positionOf = [&](std::uint32_t v) { return lookup.positionOf(v, key.black, a); };
    for (std::uint32_t v = 0; v < kTableSize; ++v) {
        const std::uint32_t position = positionOf(v);
        table[v] = kDisplayBins[lookup.values[position]];
        if (v < plain) continue;
        if (dark || position >= last) {
            std::fill(table + v + 1, table + kTableSize, table[v]);
            return;
        }
        if (!runs) continue;
        std::uint32_t same = v, step = 1, other = kTableSize; // other: past the run
        while (same + step < kTableSize) {
            if (positionOf(same + step) != position) {
                other = same + step;
                break;
            }
            same += step;
            step *= 2;
        }
        while (other - same > 1) {
            const std::uint32_t middle = same + (other - same) / 2;
            (positionOf(middle) == position ? same : other) = middle;
        }
        std::fill(table + v + 1, table + same + 1, table[v]);
        v = same;
    }
}

// With one black level per position, the whole chain is a function of the sample: a table
// per distinct arithmetic and black level turns it into its display bin.
[[nodiscard]] bool tallyByTables(const TallyPlan& base, const PositionArithmetic& positions,
                                 const BlackLevels& black, const Lookup& lookup, Tally& tally,
                                 Reporter& reporter) {
    TallyPlan plan = base;
    std::vector<TableKey> keys;
    // The tables are kept from one count to the next of the same thread.
    thread_local std::vector<std::vector<std::uint16_t>> tables;
    for (std::uint32_t e = 0; e < plan.patternWidth * plan.patternHeight; ++e) {
        const TableKey key{positions.arithmetic[e],
                           black.imageBlackAtEntry(e, positions.channel[e])};
        auto found = std::find(keys.begin(), keys.end(), key);
        if (found == keys.end()) {
            try {
                if (tables.size() <= keys.size()) tables.emplace_back();
                tables[keys.size()].resize(kTableSize);
                keys.push_back(key);
            } catch (const std::bad_alloc&) {
                reporter.ShowMessage(MessageId::AllocationFailed,
                                     static_cast<std::int32_t>(kTableSize * sizeof(std::uint16_t)),
                                     kTableName);
                return false;
            }
            fillTable(lookup, key, tables[keys.size() - 1].data());
            found = keys.end() - 1;
        }
        plan.rules[e].table = tables[static_cast<std::size_t>(found - keys.begin())].data();
    }
    tallyArea(plan, tally);
    return true;
}

// Column and row black arrays give every sample its own black level: each is worked out
// along its row.
[[nodiscard]] bool tallyEachSample(const TallyPlan& plan, const PositionArithmetic& positions,
                                   const BlackLevels& black, const Lookup& lookup, Tally& tally,
                                   Reporter& reporter) {
    const int parts = partsFor(plan.area);
    std::vector<std::vector<std::int32_t>> lines;
    std::vector<Tally> partTallies;
    try {
        lines.assign(static_cast<std::size_t>(parts), std::vector<std::int32_t>(plan.area.width));
        partTallies.resize(static_cast<std::size_t>(parts));
    } catch (const std::bad_alloc&) {
        reporter.ShowMessage(MessageId::AllocationFailed,
                             static_cast<std::int32_t>(plan.area.width * 4), kTableName);
        return false;
    }
    const std::uint32_t pw = plan.patternWidth, ph = plan.patternHeight;
    inParts(
        parts, static_cast<std::int32_t>(plan.area.height),
        [&](int part, std::int32_t from, std::int32_t to) {
            std::int32_t* line = lines[static_cast<std::size_t>(part)].data();
            Tally& t = partTallies[static_cast<std::size_t>(part)];
            for (std::int32_t y = from; y < to; ++y) {
                const std::uint16_t* row =
                    plan.samples + (std::size_t{plan.area.top} + y) * plan.pitch + plan.area.left;
                black.weightedLine(y, 0, 0, 1, static_cast<std::int32_t>(plan.area.width), line);
                const std::uint32_t cfaRow = (plan.firstRow + y) % ph * pw;
                for (std::uint32_t x = 0, j = plan.firstColumn; x < plan.area.width; ++x) {
                    const std::uint32_t e = cfaRow + j;
                    const std::uint16_t bin =
                        lookup.binOf(row[x], line[x], positions.arithmetic[e]);
                    ++t.counts[plan.rules[e].region * kSlots + bin];
                    j = j + 1 == pw ? 0 : j + 1;
                }
            }
        });
    tally = Tally{};
    for (const Tally& t : partTallies)
        tally.add(t);
    return true;
}

// Minus the black level of each channel at its first position in the pattern (the single
// black level for a channel the pattern does not have).
std::array<std::int32_t, 4> blackOffsetsOf(const ImageDescriptor& image,
                                           const PositionArithmetic& positions,
                                           const TallyPlan& plan, const BlackLevels& black) {
    std::array<std::int32_t, 4> offsets{};
    for (int ch = 0; ch < 4; ++ch) {
        offsets[static_cast<std::size_t>(ch)] = -static_cast<std::int32_t>(image.blackLevel);
        for (std::uint32_t e = 0; e < plan.patternWidth * plan.patternHeight; ++e)
            if (positions.channel[e] == ch) {
                offsets[static_cast<std::size_t>(ch)] = -black.imageBlackAtEntry(e, ch);
                break;
            }
    }
    return offsets;
}

} // namespace

Status BuildRgbHistogram(ImageDescriptor& image, HistogramCounts& counts,
                         const RgbHistogramRequest& request, Reporter& reporter) {
    RgbHistogramInputs inputs;
    inputs.mappingFunction = request.mappingFunction;
    inputs.blackPoint = request.blackPoint;
    inputs.whitePoint = request.whitePoint;
    inputs.whiteBalance = image.wbMultipliers;
    inputs.applyWhiteBalance = request.applyWhiteBalance;
    inputs.exposureFactor = request.exposureFactor;
    if (request.noise != nullptr) inputs.noise = *request.noise;
    if (const NoiseStage* stage = request.blackStage) {
        inputs.stageBlack = stage->blackLevels();
        inputs.columnBlackOn = stage->columnBlackOn();
        inputs.rowBlackOn = stage->rowBlackOn();
    }
    if (counts.rgbCounted && counts.rgbInputs == inputs) return kOk;
    const auto range =
        static_cast<std::uint32_t>(DisplayRange(request.blackPoint, request.whitePoint));
    image.mappingFunction = request.mappingFunction;
    const Status built = EnsureMappingArrays(image, range + 1, kDisplayLevels, reporter);
    if (failed(built)) return built;

    TallyPlan plan = tallyPlanOf(image, image.activeRect());
    const PositionArithmetic positions = positionsOf(image, request, plan);
    BlackLevels black(image, request.blackStage);
    std::vector<std::uint16_t> weighedColumns, weighedRows;
    if (const HistogramNoise* n = request.noise)
        black.weighProfiles(n->maskedHorizontal, n->maskedVertical, weighedColumns, weighedRows);
    const Lookup lookup{image.mapping.values, range};
    Tally tally;
    const bool done = black.imageBlackVaries()
                          ? tallyEachSample(plan, positions, black, lookup, tally, reporter)
                          : tallyByTables(plan, positions, black, lookup, tally, reporter);
    if (!done) return kFailed;

    for (std::uint32_t c = 0; c < kHistogramChannels; ++c) {
        const std::uint64_t samples = tally.samples(c);
        const double f = samples == 0 ? 0.0 : kRgbChannelTotal / (2.0 * samples);
        counts.rgbSamples[c].fill(0);
        for (std::uint32_t b = 0; b < kHistogramBins / 2; ++b) {
            counts.rgbSamples[c][b] = tally.at(c, b);
            counts.rgb[c][2 * b] = counts.rgb[c][2 * b + 1] = tally.at(c, b) * f;
        }
    }
    if (request.noise == nullptr)
        counts.blackOffsets = blackOffsetsOf(image, positions, plan, black);
    counts.rgbInputs = inputs;
    counts.rgbCounted = true;
    return kOk;
}

} // namespace korvane
