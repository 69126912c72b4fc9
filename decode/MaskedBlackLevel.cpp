#include "decode/MaskedBlackLevel.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "decode/Allocation.hpp"

namespace korvane {

namespace {

enum MaskedSide { kTop = 0, kLeft = 1, kBottom = 2, kRight = 3 };

// A weighting is a 16-bit signed value; a sensor whose noise is far above its black level
// would overflow it, and is as unusable at the limit.
constexpr std::int32_t kMaxWeighting = std::numeric_limits<std::int16_t>::max();
// The CFA black values hold at most 8 x 8 positions.
constexpr std::uint32_t kMaxCfaPositions = 64;

struct Sum {
    std::uint64_t sum = 0;
    std::uint64_t count = 0;
};

// The texts of the allocation messages of one direction.
struct DirectionTexts {
    const char* values;
    const char* squares;
    const char* weighting;
};
constexpr DirectionTexts kColumnTexts{"vertical black level delta value array",
                                      "vertical black level delta squared value array",
                                      "vertical black level correction weighting"};
constexpr DirectionTexts kRowTexts{"horizontal black level delta value array",
                                   "horizontal black level delta squared value array",
                                   "horizontal black level correction weighting"};

// What one direction (columns or rows) measured.
struct Direction {
    bool measured = false; // at least one sample counted
    std::vector<std::uint16_t> black;
    std::vector<std::int16_t> weighting;
    std::uint16_t minimum = 0;
    std::uint16_t maximum = 0;
    std::uint16_t average = 0;
    std::int32_t largestWeighting = 1;
    std::int64_t weightingSum = 0;
    std::uint32_t weightingCount = 0;
    double sigmaSum = 0;
    Sum total;
    std::int64_t meanWeighting() const {
        return weightingCount ? weightingSum / weightingCount : 0;
    }
};

// Where a masked sample lies in the CFA pattern, in phase with the active area.
struct CfaPhase {
    std::uint32_t width, height, left, top;
    static std::uint32_t index(std::uint32_t at, std::uint32_t origin, std::uint32_t size) {
        if (at >= origin) return (at - origin) % size;
        const std::uint32_t back = (origin - at) % size;
        return back == 0 ? 0 : size - back;
    }
    std::uint32_t position(std::uint32_t y, std::uint32_t x) const {
        return index(y, top, height) * width + index(x, left, width);
    }
};

bool inside(const SensorArea& a, const ImageDescriptor& image) {
    return std::uint32_t{a.left} + a.width <= image.imageWidth &&
           std::uint32_t{a.top} + a.height <= image.imageLength;
}

Status checkGeometry(const ImageDescriptor& image, Reporter& reporter) {
    const auto& m = image.maskedAreas;
    const SampleRect active = image.activeRect();
    const auto contradicts = [](const SensorArea& a, const SensorArea& b, bool horizontal,
                                std::uint32_t activeSize) {
        const SensorArea& any = a.empty() ? b : a;
        if (!a.empty() && !b.empty()) {
            if (horizontal && (a.width != b.width || a.left != b.left)) return true;
            if (!horizontal && (a.height != b.height || a.top != b.top)) return true;
        }
        return (horizontal ? any.width : any.height) != activeSize;
    };
    if ((!m[kTop].empty() || !m[kBottom].empty()) &&
        contradicts(m[kTop], m[kBottom], true, active.width)) {
        reporter.ShowMessage(MessageId::InvalidCameraDescription,
                             "Contradicting top/bottom masked area specification");
        return kFailed;
    }
    if ((!m[kLeft].empty() || !m[kRight].empty()) &&
        contradicts(m[kLeft], m[kRight], false, active.height)) {
        reporter.ShowMessage(MessageId::InvalidCameraDescription,
                             "Contradicting left/right masked area specification");
        return kFailed;
    }
    for (const auto& area : m) {
        if (!area.empty() && !inside(area, image)) {
            reporter.ShowMessage(MessageId::InvalidCameraDescription,
                                 "Masked area outside the image");
            return kFailed;
        }
    }
    return kOk;
}

// Counts the in-range samples of `areas` per line: per column of the active width when
// `columns`, else per row of the active height. The CFA sums take every counted sample.
Status measureDirection(const ImageDescriptor& image, const SensorArea& first,
                        const SensorArea& second, bool columns, const CfaPhase& phase,
                        std::array<Sum, kMaxCfaPositions>& cfa, Direction& out,
                        Reporter& reporter) {
    const SampleRect active = image.activeRect();
    const std::uint32_t lines = columns ? active.width : active.height;
    const DirectionTexts& texts = columns ? kColumnTexts : kRowTexts;
    std::vector<Sum> sums;
    std::vector<std::uint64_t> squares;
    if (!allocateZeroed(sums, lines, reporter, texts.values) ||
        !allocateZeroed(squares, lines, reporter, texts.squares) ||
        !allocateZeroed(out.weighting, lines, reporter, texts.weighting) ||
        !allocateZeroed(out.black, lines, reporter, texts.values))
        return kFailed;

    const std::uint16_t low = image.blackRangeLow;
    const std::uint16_t high = image.blackRangeHigh;
    for (const SensorArea* area : {&first, &second}) {
        if (area->empty()) continue;
        for (std::uint32_t y = area->top; y < std::uint32_t{area->top} + area->height; ++y) {
            const std::uint16_t* row = image.samples.data() + std::size_t{y} * image.imageWidth;
            for (std::uint32_t x = area->left; x < std::uint32_t{area->left} + area->width; ++x) {
                const std::uint16_t v = row[x];
                if (v < low || v > high) continue;
                Sum& line = sums[columns ? x - area->left : y - area->top];
                ++line.count;
                line.sum += v;
                squares[columns ? x - area->left : y - area->top] += std::uint64_t{v} * v;
                Sum& position = cfa[phase.position(y, x) % kMaxCfaPositions];
                ++position.count;
                position.sum += v;
            }
        }
    }

    for (std::uint32_t e = 0; e < lines; ++e) {
        const Sum& line = sums[e];
        out.total.sum += line.sum;
        out.total.count += line.count;
        const std::uint64_t mean = line.count ? line.sum / line.count : 0;
        out.weighting[e] = -1;
        // A mean of 0 says no more than no sample at all.
        if (mean == 0) continue;
        const double n = static_cast<double>(line.count);
        const double s = static_cast<double>(line.sum);
        const double sigma =
            std::sqrt(std::max(0.0, (static_cast<double>(squares[e]) - s * s / n) / n));
        const auto scaled = static_cast<std::int64_t>(1000.0 * sigma) % 65536;
        const auto w =
            static_cast<std::int32_t>(std::min<std::int64_t>(scaled / mean, kMaxWeighting));
        out.black[e] = static_cast<std::uint16_t>(mean);
        out.weighting[e] = static_cast<std::int16_t>(w);
        out.largestWeighting = std::max(out.largestWeighting, w);
        out.weightingSum += w;
        ++out.weightingCount;
        out.sigmaSum += sigma;
    }
    out.measured = out.total.count > 0;
    if (!out.measured) {
        out.black = {};
        out.weighting = {};
        return kOk;
    }
    // Lines without a counted sample take the mean of all that this direction counted; the
    // minimum, maximum and average are those of the values the lines end with.
    const auto overall = static_cast<std::uint16_t>(out.total.sum / out.total.count);
    std::uint64_t sum = 0;
    out.minimum = std::numeric_limits<std::uint16_t>::max();
    for (auto& value : out.black) {
        if (value == 0) value = overall;
        out.minimum = std::min(out.minimum, value);
        out.maximum = std::max(out.maximum, value);
        sum += value;
    }
    out.average = static_cast<std::uint16_t>(sum / out.black.size());
    return kOk;
}

// The mean noise of the counted lines, rounded and held in 8 signed bits; saturated rather
// than wrapped, since a negative value would ask for CFA-only black levels.
std::int16_t noiseAverage(const Direction& d) {
    if (d.weightingCount == 0) return 1;
    const double mean = d.sigmaSum / d.weightingCount + 0.5;
    return static_cast<std::int16_t>(std::min(mean, 127.0));
}

void combineOffsets(ImageDescriptor& image, const Direction& c, const Direction& r) {
    if (c.measured && r.measured) {
        const std::int64_t lc = c.largestWeighting, lr = r.largestWeighting;
        const std::int64_t wc = c.meanWeighting(), wr = r.meanWeighting();
        image.blackOffsetMinimum = static_cast<std::uint16_t>((c.minimum + r.minimum) / 2);
        image.blackOffsetMaximum =
            static_cast<std::uint16_t>((c.maximum * lr + r.maximum * lc) / (lc + lr));
        image.blackOffsetAverage = static_cast<std::uint16_t>(
            wc + wr == 0 ? (c.average + r.average) / 2
                         : (c.average * wr + r.average * wc) / (wc + wr));
        return;
    }
    const Direction* one = c.measured ? &c : r.measured ? &r : nullptr;
    image.blackOffsetMinimum = one ? one->minimum : 0;
    image.blackOffsetMaximum = one ? one->maximum : 0;
    image.blackOffsetAverage = one ? one->average : 0;
}

} // namespace

Status MeasureMaskedBlackLevel(ImageDescriptor& image, Reporter& reporter) {
    if (failed(checkGeometry(image, reporter))) return kFailed;
    const auto& m = image.maskedAreas;
    const bool anyArea =
        std::any_of(m.begin(), m.end(), [](const SensorArea& a) { return !a.empty(); });
    if (!anyArea || image.samples.size() < std::size_t{image.imageWidth} * image.imageLength) {
        image.blackOffsetMinimum = image.blackOffsetMaximum = image.blackOffsetAverage = 0;
        SummariseBlackLevel(image);
        return kOk;
    }
    const SampleRect active = image.activeRect();
    const CfaPhase phase{std::max<std::uint32_t>(image.cfaRepeatCols, 1),
                         std::max<std::uint32_t>(image.cfaRepeatRows, 1), active.left, active.top};
    std::array<Sum, kMaxCfaPositions> cfa{};
    Direction columns, rows;
    if (failed(measureDirection(image, m[kTop], m[kBottom], true, phase, cfa, columns, reporter)) ||
        failed(measureDirection(image, m[kLeft], m[kRight], false, phase, cfa, rows, reporter)))
        return kFailed;

    if (image.columnNoiseAverage == 0 && image.rowNoiseAverage == 0) {
        const bool both = columns.measured && rows.measured;
        image.columnNoiseAverage = both ? noiseAverage(columns) : 1;
        image.rowNoiseAverage = both ? noiseAverage(rows) : 1;
    }
    combineOffsets(image, columns, rows);
    const std::uint32_t positions = std::min(phase.width * phase.height, kMaxCfaPositions);
    for (std::uint32_t p = 0; p < positions; ++p)
        if (cfa[p].count)
            image.cfaBlackValues[p] = static_cast<std::uint16_t>(cfa[p].sum / cfa[p].count);

    const Sum total{columns.total.sum + rows.total.sum, columns.total.count + rows.total.count};
    if (total.count > 0) {
        // What was measured replaces the file's own column and row data.
        image.blackDeltaH = std::move(columns.black);
        image.columnWeighting = std::move(columns.weighting);
        image.blackDeltaV = std::move(rows.black);
        image.rowWeighting = std::move(rows.weighting);
        if (image.columnNoiseAverage < 0 && image.rowNoiseAverage < 0) {
            // CFA-only black: one value everywhere; the offsets would count it twice.
            image.blackDeltaH = {};
            image.blackDeltaV = {};
            image.columnWeighting = {};
            image.rowWeighting = {};
            image.blackLevelArray.assign(positions,
                                         static_cast<std::uint16_t>(total.sum / total.count));
            image.blackOffsetMinimum = image.blackOffsetMaximum = image.blackOffsetAverage = 0;
        }
    }
    if (!image.blackDeltaH.empty() || !image.blackDeltaV.empty()) {
        image.blackLevel = 0;
        image.blackLevelArray = {};
    }
    SummariseBlackLevel(image);
    return kOk;
}

void SummariseBlackLevel(ImageDescriptor& image) {
    const auto& cfa = image.blackLevelArray;
    if (!cfa.empty()) {
        const auto [low, high] = std::minmax_element(cfa.begin(), cfa.end());
        std::uint32_t sum = 0; // 32 bits: 64 entries of 16 bits cannot overflow it
        for (const std::uint16_t v : cfa)
            sum += v;
        image.blackLevelMinimum = *low;
        image.blackLevelMaximum = *high;
        image.blackLevelAverage = static_cast<std::uint16_t>(sum / cfa.size());
        image.blackLevel = *low == *high ? *low : 0;
        if (*low == *high) image.blackLevelArray = {};
        return;
    }
    const auto plus = [&](std::uint16_t offset) {
        return static_cast<std::uint16_t>(
            std::min<std::uint32_t>(std::uint32_t{image.blackLevel} + offset, 0xFFFF));
    };
    image.blackLevelMinimum = plus(image.blackOffsetMinimum);
    image.blackLevelMaximum = plus(image.blackOffsetMaximum);
    image.blackLevelAverage = plus(image.blackOffsetAverage);
}

} // namespace korvane
