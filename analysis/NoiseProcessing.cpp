#include "analysis/NoiseProcessing.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/ReplacePrimes.hpp"
#include "common/IfdNode.hpp"

namespace korvane {

namespace {

// Where each channel's Replace counters start: red, first green, second green, blue at 0,
// 5, 10 and 15, here in channel order (red, first green, blue, second green).
constexpr std::array<std::int32_t, 4> kCounterStart{0, 5, 15, 10};

// A value of the stage as a sample value: truncated towards zero, held to 32 bits.
std::int64_t truncated(double x) {
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    if (!(x == x)) return 0; // no number: nothing to add
    return static_cast<std::int64_t>(std::clamp(std::trunc(x), kLow, kHigh));
}

std::int32_t asSample(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// A white level of 0 stands for the white point, as in the renderer.
std::array<std::int64_t, 4> whiteLevels(const ImageDescriptor& image) {
    std::array<std::int64_t, 4> white{};
    for (std::size_t ch = 0; ch < 4; ++ch)
        white[ch] = image.channelWhite[ch] != 0 ? image.channelWhite[ch] : image.whitePoint;
    return white;
}

} // namespace

std::optional<std::array<std::uint16_t, 4>> NoiseProcessing::blackLevels() const {
    if (live_.valid != 1 || live_.blackOn == 0) return std::nullopt;
    std::array<std::uint16_t, 4> levels{};
    for (std::size_t k = 0; k < 4; ++k)
        levels[k] = static_cast<std::uint16_t>(live_.black[k] & 0xFFFF);
    return levels;
}

// A weight of 0 switches its profile off; a weight that is no positive number cannot weigh
// a profile either.
bool NoiseProcessing::columnBlackOn() const {
    return live_.valid != 1 || live_.maskedOn == 0 || live_.maskedHorizontal > 0;
}

bool NoiseProcessing::rowBlackOn() const {
    return live_.valid != 1 || live_.maskedOn == 0 || live_.maskedVertical > 0;
}

std::int32_t NoiseProcessing::offset(int channel) const {
    if (live_.valid != 1 || live_.offsetOn == 0) return 0;
    // The Greyscale mode gives both greens the first green's offset.
    if (kind_ == Kind::Greyscale && channel == kChannelGreen2) channel = kChannelGreen1;
    return live_.offset[static_cast<std::size_t>(channel) & 3];
}

void NoiseProcessing::begin(const ImageDescriptor& image, DisplayMode mode, ImageSubMode subMode) {
    const NoiseParameters& p = live_;
    kind_ = p.valid != 1 || mode == DisplayMode::Exposure ? Kind::Off
            : subMode == ImageSubMode::Greyscale          ? Kind::Greyscale
                                                          : Kind::Colour;
    for (Channel& c : channels_) {
        c.multiply = c.shift = false;
        c.offset = 0;
        c.replace.range = 0;
    }
    begun_ = {p, static_cast<std::uint8_t>(kind_), {}};
    if (kind_ == Kind::Off) return;
    const std::array<std::int64_t, 4> white = whiteLevels(image);
    begun_.white = white;
    largestWhite_ = *std::max_element(white.begin(), white.end());
    for (int ch = 0; ch < 4; ++ch) {
        Channel& c = channels_[static_cast<std::size_t>(ch)];
        // Greyscale: both greens take the first green's offset and shift.
        const auto k =
            static_cast<std::size_t>(kind_ == Kind::Greyscale && ch == kChannelGreen2 ? 1 : ch);
        if (p.offsetOn != 0) c.offset = p.offset[k];
        const std::int32_t s = p.shiftRange[k];
        c.shift = p.shiftOn != 0 && p.shift[k] != 0;
        c.scale = p.shift[k];
        c.where = s;
        if (kind_ == Kind::Greyscale) {
            // s >= 1 fades over 0 .. s, s < 0 over -s .. Wmax; s = 0 (or a range that ends
            // at or below 0) has nowhere to act.
            const std::int64_t divisor = s >= 1 ? s : s + largestWhite_;
            c.shift = c.shift && s != 0 && divisor > 0;
            c.divisor = static_cast<double>(divisor);
            continue;
        }
        c.divisor = s >= 0 ? static_cast<double>(std::max<std::int64_t>(white[k] - s, 1))
                           : -static_cast<double>(s);
        const float f = p.multiply[k];
        c.factor = f;
        c.fade = p.multiplyRange[k];
        c.multiply = p.multiplyOn != 0 && f != 1.0f && f != -1.0f && (c.fade != 0 || f > 0);
        if (p.replaceOn != 0) prepareReplace(ch);
    }
}

void NoiseProcessing::prepareReplace(int channel) {
    const auto k = static_cast<std::size_t>(channel);
    ReplaceTables& t = channels_[k].replace;
    // A range that is not positive replaces nothing, as does an amplitude of 0.
    const std::int32_t range = std::min(live_.replaceRange[k], kReplaceRangeLimit);
    const std::int32_t amplitude = std::min<std::int32_t>(live_.replace[k], range);
    if (range <= 0 || amplitude <= 0) return;
    t.range = range;
    const auto n = static_cast<std::size_t>(range) + 1;
    t.entries.assign(n, ReplaceEntry{});
    for (std::int32_t v = 0; v <= range; ++v) {
        const std::int32_t w = std::max((2 * amplitude * range + v * amplitude) / (3 * range), 1);
        std::int32_t half = w >= v ? v : w / 2;
        // Blue's noise is kept below the top of the range.
        if (channel == kChannelBlue && w < v && v >= range - w / 2) half = w + v - range;
        const auto i = static_cast<std::size_t>(v);
        ReplaceEntry& e = t.entries[i];
        e.width = static_cast<std::uint16_t>(w);
        e.half = static_cast<std::uint16_t>(half);
        const std::int32_t start =
            (kCounterStart[k] + 1 + v) % static_cast<std::int32_t>(kReplacePrimeCount);
        // A counter that starts on the last index turns there rather than run off the table,
        // as one starting just below it going up does.
        e.phase = static_cast<std::uint16_t>(std::min(start, kLastCounter - 1));
        e.inverse = ~std::uint32_t{0} / static_cast<std::uint32_t>(w) + 1;
    }
}

std::int64_t NoiseProcessing::multiplied(std::int64_t v, const Channel& c,
                                         std::int32_t white) const {
    const double f = c.factor, x = static_cast<double>(v);
    const std::int64_t r = c.fade;
    if (r == 0) return truncated(x * f);
    double q = 0;
    if (r >= 1) {
        if (r - v < 1) return v;
        q = f >= 0 ? x / r : (r - x) / r;
    } else {
        const std::int64_t span = r + white;
        // A fading range reaching past the white level has no values to fade over.
        if (v + r < 1 || span <= 0) return v;
        q = f >= 0 ? (white - x) / span : (x + r) / span;
    }
    // Values beyond the range (below 0, above the white level) take the end's factor.
    q = std::clamp(q, 0.0, 1.0);
    const double g = std::abs(f);
    return truncated(x * g / (q * (g - 1) + 1));
}

namespace {

// A counter walks the primes up to the last index and back down to 0: one round trip of
// kCycle steps. Phase j of the trip stands at index j going up (j < kLast), at 2 kLast - j
// coming down.
constexpr std::int64_t kLast = static_cast<std::int64_t>(kReplaceLastPrime);
constexpr std::int64_t kCycle = 2 * kLast;
constexpr std::int64_t indexAtPhase(std::int64_t j) {
    return j <= kLast ? j : kCycle - j;
}
// The sums of the primes at phases 0 .. m - 1 of the trip.
constexpr std::array<std::uint32_t, kCycle + 1> kPhaseSums = [] {
    std::array<std::uint32_t, kCycle + 1> sums{};
    for (std::int64_t m = 0; m < kCycle; ++m)
        sums[static_cast<std::size_t>(m + 1)] =
            sums[static_cast<std::size_t>(m)] +
            kReplacePrimes[static_cast<std::size_t>(indexAtPhase(m))];
    return sums;
}();
// The primes at phases 0 .. m - 1 of the trip repeated without end.
std::uint64_t phaseSum(std::uint64_t m) {
    const auto cycle = static_cast<std::uint64_t>(kCycle);
    return m / cycle * kPhaseSums[kCycle] + kPhaseSums[static_cast<std::size_t>(m % cycle)];
}

} // namespace

void NoiseProcessing::skip(int channel, std::int32_t w, std::uint64_t count) {
    ReplaceTables& t = channels_[static_cast<std::size_t>(channel) & 3].replace;
    if (count == 0 || kind_ != Kind::Colour || t.range <= 0 || w < 0 || w > t.range) return;
    ReplaceEntry& e = t.entries[static_cast<std::size_t>(w)];
    // Each step moves one phase on and adds the prime of the phase it reaches.
    const std::uint64_t from = e.phase;
    const std::uint64_t added = phaseSum(from + count + 1) - phaseSum(from + 1);
    e.previous = static_cast<std::uint16_t>((e.previous + added % e.width) % e.width);
    e.phase = static_cast<std::uint16_t>((from + count) % static_cast<std::uint64_t>(kCycle));
}

std::int64_t NoiseProcessing::shifted(std::int64_t v, const Channel& c) {
    const std::int64_t s = c.where;
    const double x = static_cast<double>(v), z = c.divisor, scale = c.scale;
    double y = 0;
    if (s < 0) {
        if (v > -s) return v;
        y = scale >= 1 ? x + (static_cast<double>(-s - v) / z) * scale : x + (x / z) * scale;
    } else {
        if (v < s) return v;
        const double e = static_cast<double>(v - s);
        y = scale >= 1 ? x + ((z - e) / z) * scale : x + (e / z) * scale;
    }
    return std::max<std::int64_t>(truncated(y), 0);
}

std::int64_t NoiseProcessing::greyShifted(std::int64_t v, const Channel& c) const {
    const std::int64_t s = c.where;
    const double x = static_cast<double>(v);
    double y = 0;
    if (s >= 1) {
        if (s - v < 1) return v;
        y = x + (static_cast<double>(s - v) / c.divisor) * c.scale;
    } else {
        if (v + s < 1) return v;
        y = x + (static_cast<double>(v + s) / c.divisor) * c.scale;
    }
    return std::max<std::int64_t>(truncated(y), 0);
}

std::int64_t NoiseProcessing::after(std::int64_t x, int channel) const {
    if (kind_ == Kind::Off) return x;
    const Channel& c = channels_[static_cast<std::size_t>(channel) & 3];
    if (c.shift) x = kind_ == Kind::Greyscale ? greyShifted(x, c) : shifted(x, c);
    return asSample(x + c.offset);
}

std::int32_t NoiseProcessing::apply(std::int32_t v, int channel, std::int32_t white) {
    if (kind_ == Kind::Off) return v;
    std::int64_t x = before(v, channel, white);
    const std::int32_t range = replaceRange(channel);
    if (x >= 0 && x <= range) x = replaceStep(channel, static_cast<std::int32_t>(x));
    return static_cast<std::int32_t>(after(x, channel));
}

std::optional<HistogramNoise> HistogramNoiseOf(const NoiseParameters& p) {
    if (p.valid != 1) return std::nullopt;
    HistogramNoise n;
    if (p.offsetOn != 0) n.offset = p.offset;
    if (p.shiftOn != 0) {
        n.shiftValue = p.shift;
        n.shiftRange = p.shiftRange;
    }
    if (p.multiplyOn != 0) {
        n.multiply = p.multiply;
        n.multiplyRange = p.multiplyRange;
    }
    if (p.maskedOn != 0) {
        n.maskedHorizontal = p.maskedHorizontal;
        n.maskedVertical = p.maskedVertical;
    }
    return n;
}

} // namespace korvane
