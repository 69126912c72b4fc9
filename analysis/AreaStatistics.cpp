#include "analysis/AreaStatistics.hpp"

#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis/CfaColours.hpp"

namespace korvane {

double ChannelFigures::mean() const {
    return count == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(count);
}

double ChannelFigures::standardDeviation() const {
    if (count == 0) return 0.0;
    // n * sum of squares - sum^2 is n^2 times the variance, exactly, in 128 bits.
    using Wide = unsigned __int128;
    const Wide spread = Wide{count} * sumOfSquares - Wide{sum} * sum;
    return std::sqrt(static_cast<double>(spread)) / static_cast<double>(count);
}

namespace {

// Where each levels channel (kChannelRed, kChannelGreen1, kChannelBlue, kChannelGreen2)
// stands in the R, G1, G2, B order of the figures.
constexpr std::array<std::size_t, 4> kFigureOfChannel{0, 1, 3, 2};

// The figures of every step-th sample of a row from `first` on, all of one channel, added
// to `into`. The sums run in locals so the compiler can keep them in registers.
void addRow(const std::uint16_t* first, std::uint32_t samples, std::uint32_t step,
            std::uint32_t black, std::uint32_t white, ChannelFigures& into) {
    std::uint64_t sum = 0, squares = 0, atWhite = 0, atBlack = 0;
    std::uint32_t low = into.minimum, high = into.maximum;
    std::uint32_t n = 0;
    for (std::uint32_t i = 0; i < samples; i += step, ++n) {
        const std::uint32_t v = first[i];
        sum += v;
        squares += std::uint64_t{v} * v;
        low = std::min(low, v);
        high = std::max(high, v);
        atWhite += v >= white;
        atBlack += v <= black;
    }
    into.count += n;
    into.sum += sum;
    into.sumOfSquares += squares;
    into.atWhite += atWhite;
    into.atBlack += atBlack;
    into.minimum = static_cast<std::uint16_t>(low);
    into.maximum = static_cast<std::uint16_t>(high);
}

#if defined(__SSE2__)
// Eight samples at a time, the even ones of one channel and the odd ones of the other, as a
// pattern two samples wide lays them along a row. The 16-bit lane counters and the 32-bit
// lane sums take at most kRun vectors before they are added to the 64-bit figures.
constexpr std::uint32_t kRun = 4096;

struct LaneTotals {
    std::array<std::uint64_t, 2> sum{}, squares{}, above{}, below{};
    std::array<std::uint32_t, 2> low{0xFFFF, 0xFFFF}, high{0, 0};
};

template <int Lane32> std::uint32_t lane32(__m128i v) {
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(v, Lane32)));
}

std::uint64_t sum32(__m128i v) {
    return std::uint64_t{lane32<0>(v)} + lane32<1>(v) + lane32<2>(v) + lane32<3>(v);
}

std::uint64_t sum64(__m128i v) {
    alignas(16) std::uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), v);
    return lanes[0] + lanes[1];
}

// The squares of the four 32-bit lanes, added in two 64-bit lanes.
__m128i squares(__m128i v) {
    const __m128i odd = _mm_srli_epi64(v, 32);
    return _mm_add_epi64(_mm_mul_epu32(v, v), _mm_mul_epu32(odd, odd));
}

void addRun(const std::uint16_t* first, std::uint32_t vectors, std::uint32_t black,
            std::uint32_t white, LaneTotals& t) {
    // Signed 16-bit comparisons and minima order unsigned values once 0x8000 is flipped.
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i blackFlipped = _mm_set1_epi16(static_cast<short>(black ^ 0x8000));
    const __m128i whiteFlipped = _mm_set1_epi16(static_cast<short>(white ^ 0x8000));
    const __m128i low16 = _mm_set1_epi32(0xFFFF);
    __m128i sumEven = _mm_setzero_si128(), sumOdd = _mm_setzero_si128();
    __m128i squaresEven = _mm_setzero_si128(), squaresOdd = _mm_setzero_si128();
    __m128i aboveBlack = _mm_setzero_si128(), belowWhite = _mm_setzero_si128();
    __m128i low = _mm_set1_epi16(0x7FFF), high = _mm_set1_epi16(static_cast<short>(0x8000));
    for (std::uint32_t i = 0; i < vectors; ++i) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 8 * i));
        const __m128i even = _mm_and_si128(x, low16);
        const __m128i odd = _mm_srli_epi32(x, 16);
        sumEven = _mm_add_epi32(sumEven, even);
        sumOdd = _mm_add_epi32(sumOdd, odd);
        squaresEven = _mm_add_epi64(squaresEven, squares(even));
        squaresOdd = _mm_add_epi64(squaresOdd, squares(odd));
        const __m128i flipped = _mm_xor_si128(x, flip);
        low = _mm_min_epi16(low, flipped);
        high = _mm_max_epi16(high, flipped);
        // A true comparison is -1 in its lane: subtracting it counts one.
        aboveBlack = _mm_sub_epi16(aboveBlack, _mm_cmpgt_epi16(flipped, blackFlipped));
        belowWhite = _mm_sub_epi16(belowWhite, _mm_cmpgt_epi16(whiteFlipped, flipped));
    }
    alignas(16) std::uint16_t lanes[4][8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), _mm_xor_si128(low, flip));
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), _mm_xor_si128(high, flip));
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), aboveBlack);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[3]), belowWhite);
    for (int lane = 0; lane < 8; ++lane) {
        const int k = lane % 2;
        t.low[k] = std::min<std::uint32_t>(t.low[k], lanes[0][lane]);
        t.high[k] = std::max<std::uint32_t>(t.high[k], lanes[1][lane]);
        t.above[k] += lanes[2][lane];
        t.below[k] += lanes[3][lane];
    }
    t.sum[0] += sum32(sumEven);
    t.sum[1] += sum32(sumOdd);
    t.squares[0] += sum64(squaresEven);
    t.squares[1] += sum64(squaresOdd);
}

// A row of a pattern two samples wide: its even samples to `even`, its odd ones to `odd`.
void addRowPairs(const std::uint16_t* first, std::uint32_t samples, std::uint32_t black,
                 std::uint32_t white, ChannelFigures& even, ChannelFigures& odd) {
    const std::uint32_t vectors = samples / 8;
    LaneTotals t;
    for (std::uint32_t done = 0; done < vectors; done += kRun)
        addRun(first + 8 * done, std::min(kRun, vectors - done), black, white, t);
    const std::uint64_t perChannel = std::uint64_t{vectors} * 4;
    for (int k = 0; k < 2; ++k) {
        ChannelFigures& f = k == 0 ? even : odd;
        f.count += perChannel;
        f.sum += t.sum[k];
        f.sumOfSquares += t.squares[k];
        f.atBlack += perChannel - t.above[k];
        f.atWhite += perChannel - t.below[k];
        f.minimum = static_cast<std::uint16_t>(std::min<std::uint32_t>(f.minimum, t.low[k]));
        f.maximum = static_cast<std::uint16_t>(std::max<std::uint32_t>(f.maximum, t.high[k]));
    }
    const std::uint32_t rest = 8 * vectors;
    if (rest < samples) addRow(first + rest, samples - rest, 2, black, white, even);
    if (rest + 1 < samples) addRow(first + rest + 1, samples - rest - 1, 2, black, white, odd);
}
#endif

} // namespace

AreaStatistics MeasureArea(const ImageDescriptor& image, const SampleRect& area,
                           std::uint32_t black, std::uint32_t white) {
    AreaStatistics out;
    const SampleRect active = image.activeRect();
    if (area.width == 0 || area.height == 0 ||
        area.left + std::uint64_t{area.width} > active.width ||
        area.top + std::uint64_t{area.height} > active.height ||
        image.samples.size() < std::uint64_t{image.imageWidth} * image.imageLength)
        return out;
    const std::uint32_t pw = cfaPatternWidth(image), ph = cfaPatternHeight(image);
    for (std::uint32_t y = 0; y < area.height; ++y) {
        const std::uint32_t row = area.top + y; // in the active area
        const std::uint16_t* line = image.samples.data() +
                                    std::size_t{active.top + row} * image.imageWidth + active.left +
                                    area.left;
        const auto figuresAt = [&](std::uint32_t k) -> ChannelFigures& {
            const int channel = channelOf(cfaColourAt(image, row, area.left + k), row % ph);
            return out.channels[kFigureOfChannel[static_cast<std::size_t>(channel)]];
        };
#if defined(__SSE2__)
        if (pw == 2 && area.width >= 2) {
            addRowPairs(line, area.width, black, white, figuresAt(0), figuresAt(1));
            continue;
        }
#endif
        // Each column of the pattern is one colour down a row: every pw-th sample.
        for (std::uint32_t k = 0; k < pw && k < area.width; ++k) {
            addRow(line + k, area.width - k, pw, black, white, figuresAt(k));
        }
    }
    return out;
}

} // namespace korvane
