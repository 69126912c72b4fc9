#include "analysis/SampleEvaluator.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "analysis/MappingArrays.hpp"
#include "analysis/NoiseStage.hpp"

namespace korvane {

namespace {

constexpr std::int32_t kMinimumRange = 3;
// Exposure marks split at this value, not at the black or white point.
constexpr std::int64_t kLowMarkTop = 2047;

constexpr platform::Rgb kBlack = 0x00000000, kWhite = 0x00FFFFFF;
constexpr std::array<platform::Rgb, 3> kMarkColour{0x00FF0000, 0x0000FF00, 0x000000FF};
constexpr std::array<int, 3> kColourShift{16, 8, 0};
// The white balance multipliers are stored red, first green, second green, blue.
constexpr std::array<std::size_t, 4> kMultiplierOfChannel{0, 1, 3, 2};

constexpr platform::Rgb grey(std::uint8_t level) {
    return platform::rgb(level, level, level);
}

std::size_t at(SampleClass c) {
    return static_cast<std::size_t>(c);
}

} // namespace

std::int32_t DisplayRange(std::uint32_t blackPoint, std::uint32_t whitePoint) {
    const std::uint32_t range = whitePoint - blackPoint; // unsigned on purpose
    return static_cast<std::int32_t>(
        std::clamp<std::uint32_t>(range, kMinimumRange, kMaxMappingPositions));
}

DisplayLevels DisplayLevelsOf(const ImageDescriptor& image, const RenderSettings& settings,
                              std::int32_t blackMinimum) {
    DisplayLevels levels;
    levels.range = DisplayRange(settings.blackPoint, settings.whitePoint);
    levels.pointOffset = std::int64_t{settings.blackPoint} - blackMinimum;
    levels.rawClipping = settings.checks.rawClipping;
    for (std::size_t ch = 0; ch < 4; ++ch) {
        const std::int64_t w = image.channelWhite[ch];
        levels.white[ch] = w != 0 ? w : settings.whitePoint;
    }
    levels.saturation = {levels.white[0], levels.white[1], levels.white[2], levels.white[1]};
    const float top =
        static_cast<float>(*std::max_element(levels.white.begin(), levels.white.end()));
    const float exposure =
        image.exposureFactor > 0 ? static_cast<float>(image.exposureFactor) : 1.0f;
    for (std::size_t ch = 0; ch < 4; ++ch) {
        const float wb = image.wbMultipliers[kMultiplierOfChannel[ch]];
        const auto white = static_cast<float>(levels.white[ch]);
        // A white level of 0 (no level and a white point of 0) scales like the largest.
        const float factor = settings.mode == DisplayMode::Exposure ? 1.0f
                             : white > 0                            ? exposure * top * wb / white
                                                                    : exposure * wb;
        // A negative or missing multiplier would give values below 0, outside the mapping
        // array: such a channel carries no light.
        levels.factor[ch] =
            factor >= 0 && factor < std::numeric_limits<float>::infinity() ? factor : 0.0f;
    }
    return levels;
}

SampleEvaluator::SampleEvaluator(const ImageDescriptor& image, const Viewport& view,
                                 const RenderSettings& settings, const BlackLevels& black,
                                 const std::uint8_t* mapping)
    : view_(view), black_(black), mapping_(mapping),
      levels_(DisplayLevelsOf(image, settings, black.minimum())) {
    const DisplayChecks& checks = settings.checks;
    exposure_ = settings.mode == DisplayMode::Exposure;
    channelMode_ = !exposure_ && settings.subMode == ImageSubMode::Channel;
    const bool greyscale = !exposure_ && settings.subMode == ImageSubMode::Greyscale;
    greyMarks_ = greyscale && !view.reduced;
    pixelsOut_ = exposure_ || channelMode_ || greyMarks_;
    adjusted_ = checks.adjusted;
    blackCorrectedMarks_ = checks.blackCorrected;
    outsideRange_ = checks.outsideRange;
    blackPoint_ = settings.blackPoint;
    whitePoint_ = settings.whitePoint;

    const std::int32_t range = levels_.range;
    const bool pointMoved = levels_.pointOffset != 0;
    for (std::size_t ch = 0; ch < 4; ++ch) {
        // Composite and Channel invert a channel only where it carries light at all.
        const bool lit = greyscale || levels_.factor[ch] != 0;
        auto& v = clipValue_[ch];
        v[at(SampleClass::AtBlack)] = checks.rawClipping && lit ? range : 0;
        v[at(SampleClass::BelowPoint)] = checks.showClipping && lit && pointMoved ? range : 0;
        v[at(SampleClass::AboveRange)] = checks.showClipping && lit ? 0 : range;
        v[at(SampleClass::Saturated)] = greyscale || lit ? 0 : range;
    }
    clipPixel_[at(SampleClass::AtBlack)] = checks.rawClipping ? kWhite : kBlack;
    clipPixel_[at(SampleClass::BelowPoint)] = checks.showClipping && pointMoved ? kWhite : kBlack;
    clipPixel_[at(SampleClass::AboveRange)] = checks.showClipping ? kBlack : kWhite;
    clipPixel_[at(SampleClass::Saturated)] = kBlack;

    for (std::size_t c = 0; c < 3; ++c) {
        channelMask_[c] =
            checks.lowSide[c] || checks.highSide[c] ? platform::Rgb{0xFF} << kColourShift[c] : 0;
        lowMark_[c] = checks.lowSide[c] ? kMarkColour[c] : 0;
        highMark_[c] = checks.highSide[c] ? kMarkColour[c] : 0;
    }
}

bool SampleEvaluator::blackVaries() const {
    return exposure_ ? blackCorrectedMarks_ && black_.arraysPresent() : black_.imageBlackVaries();
}

std::int64_t SampleEvaluator::saturationOf(int q) const {
    return levels_.saturation[view_.cfa.channel[q]];
}

std::int32_t SampleEvaluator::blackAt(std::int64_t row, std::int64_t column, int q) const {
    const std::uint32_t entry = view_.cfa.storedEntry[q];
    if (exposure_) return blackCorrectedMarks_ ? black_.exposureMarkBlack(row, column, entry) : 0;
    return black_.imageBlack(row, column, entry, view_.cfa.channel[q]);
}

std::uint32_t SampleEvaluator::correctedLimit(int q) const {
    std::int64_t limit = 0;
    if (exposure_) {
        // Beyond both points and the mark split every value is marked alike, or not at all.
        limit = std::max<std::int64_t>({blackPoint_, whitePoint_, kLowMarkTop}) + 1;
    } else {
        // From the black point on the value rises with v until it passes the range; the
        // float product is monotonic, and two values of margin cover its rounding.
        const float f = levels_.factor[view_.cfa.channel[q]];
        const std::int64_t start = std::max<std::int64_t>(1, levels_.pointOffset + 1);
        const double over = f > 0 ? std::ceil((levels_.range + 1.0) / f) + 2 : 0;
        limit = over < 0x10000 ? std::max<std::int64_t>(start, levels_.pointOffset +
                                                                   static_cast<std::int64_t>(over))
                               : 0xFFFF;
    }
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(limit, 0, 0xFFFF));
}

std::uint32_t SampleEvaluator::rawLimit(int q) const {
    const std::int64_t black = blackAt(-1, -1, q);
    const std::int64_t limit = black + correctedLimit(q);
    const std::int64_t saturation = exposure_ ? 0 : saturationOf(q);
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(std::max(limit, saturation), 0, 0xFFFF));
}

void SampleEvaluator::blackLine(std::int64_t row, std::int64_t column, int rowStep, int columnStep,
                                int cellRow, std::int32_t count, std::int32_t* out) const {
    black_.weightedLine(row, column, rowStep, columnStep, count, out);
    // Off the arrays (no row or column given) the sources give only their fixed part.
    const int cw = view_.cfa.width;
    std::array<std::int32_t, 8> fixed{};
    for (int j = 0; j < cw; ++j)
        fixed[j] = blackAt(-1, -1, cellRow * cw + j);
    if (std::all_of(fixed.begin(), fixed.begin() + cw, [](std::int32_t b) { return b == 0; }))
        return;
    for (std::int32_t i = 0, j = 0; i < count; ++i, j = j + 1 == cw ? 0 : j + 1)
        out[i] += fixed[j];
}

const std::int32_t* SampleEvaluator::blackLine(std::int64_t row, std::int64_t column, int rowStep,
                                               int columnStep, int cellRow, std::int32_t count,
                                               BlackLineCache& cache) const {
    const std::optional<BlackLevels::LineKey> line =
        black_.lineKey(row, column, rowStep, columnStep, count);
    if (!line) {
        std::int32_t* out = cache.scratch(count);
        blackLine(row, column, rowStep, columnStep, cellRow, count, out);
        return out;
    }
    const BlackLineCache::Key key{*line, cellRow};
    if (const std::int32_t* found = cache.find(key)) return found;
    std::int32_t* out = cache.add(key, count);
    blackLine(row, column, rowStep, columnStep, cellRow, count, out);
    return out;
}

std::int32_t SampleEvaluator::valueOf(const Classified& c, int q) const {
    return c.kind == SampleClass::Value ? c.value : clipValue_[view_.cfa.channel[q]][at(c.kind)];
}

std::uint32_t SampleEvaluator::imageOut(const Classified& c, int q) const {
    if (greyMarks_)
        return c.kind == SampleClass::Value ? grey(mapping_[c.value]) : clipPixel_[at(c.kind)];
    const std::int32_t value = valueOf(c, q);
    if (!channelMode_) return static_cast<std::uint32_t>(value);
    const auto colour = static_cast<std::size_t>(view_.cfa.colour[q]);
    return (platform::Rgb{mapping_[value]} << kColourShift[colour]) & channelMask_[colour];
}

std::uint32_t SampleEvaluator::exposureOut(std::int64_t e, int q) const {
    const bool marked =
        outsideRange_ ? e <= blackPoint_ || e >= whitePoint_ : e >= blackPoint_ && e <= whitePoint_;
    if (!marked) return 0;
    const auto colour = static_cast<std::size_t>(view_.cfa.colour[q]);
    return e <= kLowMarkTop ? lowMark_[colour] : highMark_[colour];
}

std::uint32_t SampleEvaluator::outFromCorrected(std::int64_t v, bool saturated, int q) const {
    if (exposure_) return exposureOut(std::max<std::int64_t>(v, 0), q);
    return imageOut(classify(v, saturated, levels_.factor[view_.cfa.channel[q]], levels_), q);
}

std::uint32_t SampleEvaluator::outFromRaw(std::uint32_t s, int q) const {
    const std::int64_t v = std::int64_t{s} - blackAt(-1, -1, q);
    if (exposure_) return exposureOut(blackCorrectedMarks_ ? std::max<std::int64_t>(v, 0) : s, q);
    return outFromCorrected(v, s >= saturationOf(q), q);
}

std::int32_t SampleEvaluator::displayedOfCorrected(std::int64_t v, bool saturated, int q) const {
    const Classified c = classify(v, saturated, levels_.factor[view_.cfa.channel[q]], levels_);
    return greyMarks_ ? static_cast<std::int32_t>(imageOut(c, q) & 0xFF) : mapping_[valueOf(c, q)];
}

bool SampleEvaluator::displayedInOut(int q) const {
    if (!channelMode_) return true;
    return channelMask_[static_cast<std::size_t>(view_.cfa.colour[q])] != 0;
}

SampleResult SampleEvaluator::evaluate(std::uint32_t s, std::int64_t row, std::int64_t column,
                                       int q, NoiseStage* noise) const {
    SampleResult r;
    const std::int32_t b = blackAt(row, column, q);
    if (exposure_) {
        const std::int64_t e = std::int64_t{s} - b;
        r.out = exposureOut(blackCorrectedMarks_ ? std::max<std::int64_t>(e, 0) : s, q);
        r.reportedRaw = static_cast<std::int32_t>(s);
        const std::uint32_t entry = view_.cfa.storedEntry[q];
        r.corrected = std::max<std::int32_t>(
            static_cast<std::int32_t>(s) -
                black_.exposureStatisticsBlack(row, column, entry, blackPoint_),
            0);
        return r;
    }
    const int channel = view_.cfa.channel[q];
    std::int64_t v = std::int64_t{s} - b;
    r.black = b;
    if (noise != nullptr) {
        v = noise->apply(static_cast<std::int32_t>(v), channel,
                         static_cast<std::int32_t>(levels_.white[channel]));
        const bool green = channel == kChannelGreen1 || channel == kChannelGreen2;
        r.black += green ? (noise->offset(kChannelGreen1) + noise->offset(kChannelGreen2)) / 2.0
                         : noise->offset(channel);
    }
    const Classified c = classify(v, s >= saturationOf(q), levels_.factor[channel], levels_);
    r.out = imageOut(c, q);
    r.reportedRaw = static_cast<std::int32_t>(adjusted_ ? v : s);
    r.corrected = static_cast<std::int32_t>(v < 1 ? 0 : v);
    r.displayed = greyMarks_ ? static_cast<std::int32_t>(r.out & 0xFF) : mapping_[valueOf(c, q)];
    return r;
}

} // namespace korvane
