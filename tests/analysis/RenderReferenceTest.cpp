// The renderer against a plain evaluation of every visible sample, written straight from
// the display rules: the black level of the sample, the black point, the channel factor,
// the clipping value of each case, the mapping array, the cell means, magnification, the
// margins, the selection frame and what the selection gathers. The renderer's look-up
// tables and fast paths must paint exactly what this evaluation paints, in every mode,
// orientation, zoom, black level source and check box combination below.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "SyntheticImage.hpp"
#include "analysis/NoiseProcessing.hpp"
#include "analysis/SelectionStatistics.hpp"

namespace korvane {
namespace {

using platform::Rgb;

enum class Black { None, Single, CfaArray, ColumnsAndRows, ColumnsOnly, RowsOnly };

// The scene's stored size and active area; the large drawings below replace it for a while.
struct SceneSize {
    std::uint32_t width, height, activeTop, activeLeft, activeWidth, activeHeight;
};
constexpr SceneSize kSmallScene{74, 50, 2, 2, 68, 44};
SceneSize scene_ = kSmallScene;

std::uint16_t scene(std::uint32_t r, std::uint32_t c) {
    std::uint32_t x = r * 7919u + c * 104729u + 17u;
    x ^= x >> 7;
    x *= 2654435761u;
    // Below every black level, across the range and past every white level.
    return static_cast<std::uint16_t>((x >> 12) % 1300);
}

ImageDescriptor makeScene(Black black, std::uint16_t orientation) {
    ImageDescriptor image = test::makeImage(scene_.width, scene_.height);
    test::fillSamples(image, scene);
    image.activeTop = scene_.activeTop;
    image.activeLeft = scene_.activeLeft;
    image.activeWidth = scene_.activeWidth;
    image.activeHeight = scene_.activeHeight;
    image.orientation = orientation;
    image.channelWhite = {1000, 900, 1100, 950};
    image.wbMultipliers = {2.1f, 1.0f, 1.0f, 1.6f};
    image.exposureFactor = 0.8;
    image.mappingFunction = 0; // sRGB: a curve, not the identity
    image.blackLevelMinimum = 30;
    switch (black) {
    case Black::None:
        break;
    case Black::Single:
        image.blackLevel = 37;
        break;
    case Black::CfaArray:
        image.blackLevelArray = {31, 44, 52, 39};
        break;
    case Black::ColumnsAndRows:
    case Black::ColumnsOnly:
    case Black::RowsOnly:
        if (black != Black::RowsOnly)
            for (std::uint32_t c = 0; c < scene_.activeWidth; ++c) {
                image.blackDeltaH.push_back(static_cast<std::uint16_t>(20 + c % 9 * 5));
                image.columnWeighting.push_back(static_cast<std::int16_t>(c % 5 - 1));
            }
        if (black != Black::ColumnsOnly)
            for (std::uint32_t r = 0; r < scene_.activeHeight; ++r) {
                image.blackDeltaV.push_back(static_cast<std::uint16_t>(30 + r % 7 * 3));
                image.rowWeighting.push_back(static_cast<std::int16_t>(r % 4 + 1));
            }
        break;
    }
    return image;
}

// --- The rules, one sample at a time ---------------------------------------------------

struct Stored {
    std::int64_t row, column; // relative to the active area
};

// The stored position the orientation shows at display position (x, y).
Stored storedOf(std::uint16_t orientation, std::int64_t x, std::int64_t y) {
    const std::int64_t w = scene_.activeWidth, h = scene_.activeHeight;
    switch (orientation) {
    case 3:
        return {h - 1 - y, w - 1 - x};
    case 6:
        return {h - 1 - x, y};
    case 8:
        return {x, w - 1 - y};
    default:
        return {y, x};
    }
}

int colourAt(const ImageDescriptor& image, Stored s) {
    const std::uint32_t entry = static_cast<std::uint32_t>((s.row % 2) * 2 + s.column % 2);
    return image.cfaPlaneColors[image.cfaPattern[entry]];
}

// Combined column and row black, as the weightings ask; the noise parameters' Masked
// weights can switch either array off.
std::int32_t arraysBlack(const ImageDescriptor& image, Stored s, bool weighted,
                         bool columnsOn = true, bool rowsOn = true) {
    const bool hasColumns = !image.blackDeltaH.empty() && columnsOn;
    const bool hasRows = !image.blackDeltaV.empty() && rowsOn;
    if (hasColumns && hasRows) {
        const std::int32_t c = image.blackDeltaH[s.column], r = image.blackDeltaV[s.row];
        const std::int32_t wc = image.columnWeighting[s.column], wr = image.rowWeighting[s.row];
        if (!weighted || wr < 1 || wc < 1) return (c + r) / 2;
        return (wc * r + wr * c) / (wr + wc);
    }
    if (hasColumns) return image.blackDeltaH[s.column];
    if (hasRows) return image.blackDeltaV[s.row];
    return 0;
}

std::int32_t cfaBlack(const ImageDescriptor& image, Stored s) {
    if (image.blackLevelArray.empty()) return 0;
    return image.blackLevelArray[static_cast<std::size_t>((s.row % 2) * 2 + s.column % 2)];
}

std::int32_t imageBlack(const ImageDescriptor& image, Stored s, bool columnsOn = true,
                        bool rowsOn = true) {
    if (image.blackLevel != 0) return image.blackLevel;
    if (!image.blackLevelArray.empty()) return cfaBlack(image, s);
    return arraysBlack(image, s, true, columnsOn, rowsOn);
}

// The primes below 5000, by sieving.
std::vector<int> primesBelow5000() {
    std::vector<bool> composite(5000, false);
    std::vector<int> primes;
    for (int n = 2; n < 5000; ++n) {
        if (composite[n]) continue;
        primes.push_back(n);
        for (int m = 2 * n; m < 5000; m += n)
            composite[m] = true;
    }
    return primes;
}

// The noise processing stage as its rules read, one sample at a time: channel k is red,
// first green, blue, second green, `white` the white levels by channel. The Replace
// counters run on from sample to sample, so the samples must come in painting order.
struct NoiseRules {
    NoiseParameters p;
    bool greyscale = false;
    std::array<std::int64_t, 4> white{};
    std::int64_t largestWhite = 0;
    struct Counter {
        int c = 0, d = 1, previous = 0;
    };
    std::array<std::array<Counter, 1001>, 4> counters{};
    std::vector<int> primes = primesBelow5000();

    NoiseRules(const NoiseParameters& params, bool grey, const std::array<std::int64_t, 4>& w)
        : p(params), greyscale(grey), white(w),
          largestWhite(*std::max_element(w.begin(), w.end())) {
        // Red, first green, second green and blue start at 0, 5, 10, 15.
        constexpr int kStart[4] = {0, 5, 15, 10};
        for (int k = 0; k < 4; ++k)
            for (int v = 0; v <= 1000; ++v)
                counters[k][v].c = (kStart[k] + 1 + v) % 669;
    }

    static std::int64_t floored(double x) { return std::max<std::int64_t>(0, std::trunc(x)); }

    std::int64_t grey(std::int64_t v, int k) const {
        const int g = k == 3 ? 1 : k; // both greens take the first green's settings
        const std::int64_t s = p.shiftRange[g];
        const double S = p.shift[g];
        if (p.shiftOn && S != 0) {
            if (s >= 1 && s - v >= 1) v = floored(v + double(s - v) / double(s) * S);
            if (s < 0 && v + s >= 1 && s + largestWhite > 0)
                v = floored(v + double(v + s) / double(s + largestWhite) * S);
        }
        return v + (p.offsetOn ? p.offset[g] : 0);
    }

    std::int64_t apply(std::int64_t v, int k) {
        if (greyscale) return grey(v, k);
        const std::int64_t W = white[k];
        const double f = p.multiply[k];
        const std::int64_t r = p.multiplyRange[k];
        if (p.multiplyOn && f != 1 && f != -1 && (r != 0 || f > 0)) {
            if (r == 0) {
                v = static_cast<std::int64_t>(std::trunc(double(v) * f));
            } else {
                const bool acts = r >= 1 ? r - v >= 1 : v + r >= 1 && r + W > 0;
                double q = r >= 1 ? (f >= 0 ? double(v) / double(r) : double(r - v) / double(r))
                                  : (f >= 0 ? double(W - v) / double(r + W)
                                            : double(v + r) / double(r + W));
                const double g = std::abs(f);
                // Outside the range the fade keeps its end's factor.
                q = std::clamp(q, 0.0, 1.0);
                if (acts)
                    v = static_cast<std::int64_t>(std::trunc(double(v) * g / (q * (g - 1) + 1)));
            }
        }
        const std::int64_t rr = std::min(p.replaceRange[k], 1000);
        const std::int64_t a = std::min<std::int64_t>(p.replace[k], rr);
        if (p.replaceOn && rr > 0 && a > 0 && v >= 0 && v <= rr) {
            const std::int64_t wd = std::max<std::int64_t>(1, (2 * a * rr + v * a) / (3 * rr));
            std::int64_t hf = wd >= v ? v : wd / 2;
            if (k == 2 && wd < v && v >= rr - wd / 2) hf = wd + v - rr;
            Counter& c = counters[k][v];
            c.c += c.d;
            if (c.c == 0) {
                c.d = 1;
            } else if (c.c >= 668) {
                c.c = 668; // the last index of the primes
                c.d = -1;
            }
            const std::int64_t t = (primes[c.c] + c.previous) % wd;
            c.previous = static_cast<int>(t);
            v = v + t - hf;
        }
        const double S = p.shift[k];
        const std::int64_t s = p.shiftRange[k];
        if (p.shiftOn && S != 0) {
            if (s < 0 && v <= -s) {
                const double Z = double(-s);
                v = floored(S >= 1 ? v + double(-s - v) / Z * S : v + double(v) / Z * S);
            } else if (s >= 0 && v >= s) {
                const double Z = double(std::max<std::int64_t>(W - s, 1)), e = double(v - s);
                v = floored(S >= 1 ? v + (Z - e) / Z * S : v + e / Z * S);
            }
        }
        return v + (p.offsetOn ? p.offset[k] : 0);
    }
};

enum Clip { kValue, kAtBlack, kBelowPoint, kAboveRange, kSaturated };

struct Evaluation {
    Clip clip = kValue;
    std::int64_t value = 0; // in the display range, before the clipping values
    std::int64_t v = 0;     // s - black
    std::int32_t black = 0;
    int colour = 0;
    int channel = 0; // red, first green, blue, second green
};

struct Reference {
    const ImageDescriptor& image;
    const RenderSettings& settings;
    const std::vector<std::uint8_t>& mapping;
    std::uint16_t orientation;
    std::int64_t range = 0;
    std::array<float, 4> factor{};
    std::array<std::int64_t, 4> white{};
    // With valid noise parameters in an Image mode: the stage, its black levels and gates.
    std::optional<NoiseRules> noise;
    std::optional<std::array<std::int32_t, 4>> stageBlack;
    bool columnsOn = true, rowsOn = true;
    std::int64_t minimum = 0;            // the black level minimum
    std::array<double, 4> noiseOffset{}; // what the statistics add to the black level

    Reference(const ImageDescriptor& i, const RenderSettings& s, const std::vector<std::uint8_t>& m,
              const NoiseParameters* p = nullptr)
        : image(i), settings(s), mapping(m), orientation(i.orientation),
          minimum(i.blackLevelMinimum) {
        const std::uint32_t difference = s.whitePoint - s.blackPoint;
        range = std::clamp<std::uint32_t>(difference, 3, 131072);
        for (int k = 0; k < 4; ++k)
            white[k] = i.channelWhite[k] != 0 ? i.channelWhite[k] : s.whitePoint;
        const float top = static_cast<float>(*std::max_element(white.begin(), white.end()));
        const float e = i.exposureFactor > 0 ? static_cast<float>(i.exposureFactor) : 1.0f;
        // Multipliers are stored red, first green, second green, blue.
        const std::array<float, 4> wb{i.wbMultipliers[0], i.wbMultipliers[1], i.wbMultipliers[3],
                                      i.wbMultipliers[2]};
        for (int k = 0; k < 4; ++k)
            factor[k] = e * top * wb[k] / static_cast<float>(white[k]);
        if (p == nullptr || p->valid != 1 || s.mode == DisplayMode::Exposure) return;
        const bool grey = s.subMode == ImageSubMode::Greyscale;
        noise.emplace(*p, grey, white);
        if (p->maskedOn) {
            columnsOn = p->maskedHorizontal != 0;
            rowsOn = p->maskedVertical != 0;
        }
        if (p->blackOn) {
            stageBlack.emplace();
            for (int k = 0; k < 4; ++k)
                (*stageBlack)[k] = p->black[k] & 0xFFFF;
            minimum = *std::min_element(stageBlack->begin(), stageBlack->end());
        }
        const auto offsetOf = [&](int k) {
            return p->offsetOn ? p->offset[grey && k == 3 ? 1 : k] : 0;
        };
        noiseOffset = {double(offsetOf(0)), (offsetOf(1) + offsetOf(3)) / 2.0, double(offsetOf(2)),
                       (offsetOf(1) + offsetOf(3)) / 2.0};
    }

    std::uint16_t sampleAt(Stored s) const {
        return image
            .samples[(scene_.activeTop + s.row) * scene_.width + scene_.activeLeft + s.column];
    }

    Evaluation evaluate(std::int64_t x, std::int64_t y) {
        const Stored at = storedOf(orientation, x, y);
        const std::int64_t s = sampleAt(at);
        Evaluation e;
        e.colour = colourAt(image, at);
        e.channel = e.colour == 1 ? (y % 2 == 0 ? 1 : 3) : (e.colour == 0 ? 0 : 2);
        e.black = stageBlack ? (*stageBlack)[e.channel] : imageBlack(image, at, columnsOn, rowsOn);
        e.v = s - e.black;
        if (noise) e.v = noise->apply(e.v, e.channel);
        if (e.v < 1) {
            e.clip = kAtBlack;
            return e;
        }
        const std::int64_t d = e.v - (std::int64_t{settings.blackPoint} - minimum);
        if (d < 1) {
            e.clip = kBelowPoint;
            return e;
        }
        // Both greens saturate at the first green's level.
        const std::int64_t level = white[e.colour == 1 ? 1 : e.colour == 0 ? 0 : 2];
        const auto scaled = static_cast<std::int64_t>(static_cast<float>(d) * factor[e.channel]);
        if (s < level) {
            if (scaled > range) e.clip = kAboveRange;
            e.value = scaled;
        } else if (settings.checks.rawClipping) {
            e.clip = kSaturated;
        } else {
            e.value = std::min(scaled, range);
        }
        return e;
    }

    // The value Composite and Channel look up, with their clipping values.
    std::int64_t colourValue(const Evaluation& e) const {
        const bool lit = factor[e.channel] != 0;
        const DisplayChecks& c = settings.checks;
        const bool pointMoved = settings.blackPoint != minimum;
        switch (e.clip) {
        case kBelowPoint:
            return c.showClipping && lit && pointMoved ? range : 0;
        case kAboveRange:
            return c.showClipping && lit ? 0 : range;
        case kAtBlack:
            return c.rawClipping && lit ? range : 0;
        case kSaturated:
            return lit ? 0 : range;
        default:
            return e.value;
        }
    }

    // The value the Greyscale cell means take.
    std::int64_t greyValue(const Evaluation& e) const {
        const DisplayChecks& c = settings.checks;
        const bool pointMoved = settings.blackPoint != minimum;
        switch (e.clip) {
        case kBelowPoint:
            return c.showClipping && pointMoved ? range : 0;
        case kAboveRange:
            return c.showClipping ? 0 : range;
        case kAtBlack:
            return c.rawClipping ? range : 0;
        case kSaturated:
            return 0;
        default:
            return e.value;
        }
    }

    // Greyscale with a pixel per sample: the clipping cases paint whole pixels.
    Rgb greyPixel(const Evaluation& e) const {
        const DisplayChecks& c = settings.checks;
        const bool pointMoved = settings.blackPoint != minimum;
        const Rgb white = 0xFFFFFF, black = 0;
        switch (e.clip) {
        case kAtBlack:
            return c.rawClipping ? white : black;
        case kBelowPoint:
            return c.showClipping && pointMoved ? white : black;
        case kAboveRange:
            return c.showClipping ? black : white;
        case kSaturated:
            return black;
        default: {
            const std::uint8_t level = mapping[static_cast<std::size_t>(e.value)];
            return platform::rgb(level, level, level);
        }
        }
    }

    Rgb channelPixel(const Evaluation& e) const {
        const DisplayChecks& c = settings.checks;
        if (!c.lowSide[e.colour] && !c.highSide[e.colour]) return 0;
        const Rgb byte = mapping[static_cast<std::size_t>(colourValue(e))];
        return byte << (16 - 8 * e.colour);
    }

    std::int64_t exposureValue(std::int64_t x, std::int64_t y) const {
        const Stored at = storedOf(orientation, x, y);
        const std::int64_t s = sampleAt(at);
        if (!settings.checks.blackCorrected) return s;
        const std::int64_t e =
            s - image.blackLevel - cfaBlack(image, at) - arraysBlack(image, at, true);
        return std::max<std::int64_t>(e, 0);
    }

    Rgb exposurePixel(std::int64_t x, std::int64_t y) const {
        const std::int64_t e = exposureValue(x, y);
        const int colour = colourAt(image, storedOf(orientation, x, y));
        const DisplayChecks& c = settings.checks;
        const bool marked = c.outsideRange ? e <= settings.blackPoint || e >= settings.whitePoint
                                           : e >= settings.blackPoint && e <= settings.whitePoint;
        if (!marked) return 0;
        const bool on = e <= 2047 ? c.lowSide[colour] : c.highSide[colour];
        return on ? Rgb{0xFF} << (16 - 8 * colour) : 0;
    }

    // The corrected value the Exposure statistics take.
    std::int64_t exposureCorrected(std::int64_t x, std::int64_t y) const {
        const Stored at = storedOf(orientation, x, y);
        const std::int64_t s = sampleAt(at);
        std::int64_t c = 0;
        const bool data = !image.blackLevelArray.empty() || !image.blackDeltaH.empty() ||
                          !image.blackDeltaV.empty();
        if (settings.blackPoint < image.blackLevelMinimum)
            c = s - settings.blackPoint;
        else if (data)
            c = s - image.blackLevel - cfaBlack(image, at) - arraysBlack(image, at, false);
        else
            c = s - image.blackLevel;
        return std::max<std::int64_t>(c, 0);
    }
};

// --- The picture and the statistics from the rules -------------------------------------

struct Expected {
    platform::Surface picture;
    SelectionStatistics statistics;
};

bool paintsSamples(const RenderSettings& s, bool reduced) {
    return s.mode == DisplayMode::Exposure || s.subMode == ImageSubMode::Channel ||
           (s.subMode == ImageSubMode::Greyscale && !reduced);
}

Expected expectedRender(const ImageDescriptor& image, const RenderSettings& s,
                        const PanelGeometry& g, const NoiseParameters* noise) {
    Reference ref(image, s, image.mapping.values, noise);
    const bool turned = image.orientation >= 5;
    const std::int64_t shownW = turned ? scene_.activeHeight : scene_.activeWidth;
    const std::int64_t shownH = turned ? scene_.activeWidth : scene_.activeHeight;
    const bool exposure = s.mode == DisplayMode::Exposure;
    const bool reduced = s.reduction > 1 && !exposure && s.subMode != ImageSubMode::Channel;
    const std::int64_t m = reduced ? 1 : s.magnification, k = reduced ? s.reduction : 1;
    const std::int64_t pixelsW = s.panel.width - g.originX - g.marginRight;
    const std::int64_t pixelsH = s.panel.height - g.originY - g.marginBottom;
    // Scrolling moves by whole cells; one pixel shows k samples, or a sample m pixels.
    const std::int64_t firstX = (reduced ? k : 2) * image.scrollX;
    const std::int64_t firstY = (reduced ? k : 2) * image.scrollY;
    const std::int64_t samplesW = std::min(pixelsW * k / m, shownW - firstX);
    const std::int64_t samplesH = std::min(pixelsH * k / m, shownH - firstY);

    Expected out;
    out.picture.resize(s.panel.width, s.panel.height, 0xFFFFFF);
    const PanelSelection& sel = s.selection;
    const auto selected = [&](std::int64_t px, std::int64_t py) {
        return sel.valid && px >= sel.left - g.originX && px <= sel.right - g.originX &&
               py >= sel.top - g.originY && py <= sel.bottom - g.originY;
    };
    const auto put = [&](std::int64_t px, std::int64_t py, std::int64_t w, std::int64_t h,
                         Rgb colour) {
        for (std::int64_t yy = py; yy < py + h; ++yy)
            for (std::int64_t xx = px; xx < px + w; ++xx)
                out.picture.setPixel(static_cast<int>(g.originX + xx),
                                     static_cast<int>(g.originY + yy), colour);
    };
    // The Image modes gather the evaluation the sample was painted with.
    const auto gather = [&](std::int64_t x, std::int64_t y, const Evaluation& e) {
        const std::int64_t dx = firstX + x, dy = firstY + y;
        const Stored at = storedOf(image.orientation, dx, dy);
        const std::int64_t raw = ref.sampleAt(at);
        const auto colour = static_cast<CfaColour>(colourAt(image, at));
        if (exposure) {
            out.statistics.addExposureSample(
                colour, static_cast<std::int32_t>(raw),
                static_cast<std::int32_t>(ref.exposureCorrected(dx, dy)));
            return;
        }
        const bool grey = s.subMode == ImageSubMode::Greyscale;
        const auto& map = image.mapping.values;
        const std::int32_t displayed =
            grey ? (reduced ? map[static_cast<std::size_t>(ref.greyValue(e))]
                            : static_cast<std::int32_t>(ref.greyPixel(e) & 0xFF))
                 : map[static_cast<std::size_t>(ref.colourValue(e))];
        out.statistics.addImageSample(colour,
                                      static_cast<std::int32_t>(s.checks.adjusted ? e.v : raw),
                                      static_cast<std::int32_t>(e.v < 1 ? 0 : e.v),
                                      e.black + ref.noiseOffset[e.channel], displayed);
    };

    if (paintsSamples(s, reduced)) {
        for (std::int64_t y = 0; y < samplesH; ++y)
            for (std::int64_t x = 0; x < samplesW; ++x) {
                const std::int64_t dx = firstX + x, dy = firstY + y;
                Rgb p = 0;
                Evaluation e;
                if (exposure)
                    p = ref.exposurePixel(dx, dy);
                else if (s.subMode == ImageSubMode::Channel)
                    p = ref.channelPixel(e = ref.evaluate(dx, dy));
                else
                    p = ref.greyPixel(e = ref.evaluate(dx, dy));
                put(x * m, y * m, m, m, p);
                if (selected(x * m, y * m)) gather(x, y, e);
            }
    } else {
        const bool grey = s.subMode == ImageSubMode::Greyscale;
        const std::int64_t cellPixels = reduced ? 1 : 2 * m;
        for (std::int64_t cy = 0; cy * 2 < samplesH; ++cy)
            for (std::int64_t cx = 0; cx * 2 < samplesW; ++cx) {
                std::array<std::int64_t, 3> sum{}, count{};
                const std::int64_t rows = std::min<std::int64_t>(2, samplesH - cy * 2);
                const std::int64_t columns = std::min<std::int64_t>(2, samplesW - cx * 2);
                const bool inSelection = selected(cx * cellPixels, cy * cellPixels);
                for (std::int64_t i = 0; i < rows; ++i)
                    for (std::int64_t j = 0; j < columns; ++j) {
                        const Evaluation e = ref.evaluate(firstX + cx * 2 + j, firstY + cy * 2 + i);
                        sum[e.colour] += grey ? ref.greyValue(e) : ref.colourValue(e);
                        ++count[e.colour];
                        if (inSelection) gather(cx * 2 + j, cy * 2 + i, e);
                    }
                std::array<std::int64_t, 3> mean{};
                for (int c = 0; c < 3; ++c)
                    mean[c] = sum[c] / std::max<std::int64_t>(count[c], 1);
                const auto& map = image.mapping.values;
                Rgb p = 0;
                if (grey) {
                    const std::uint8_t level = map[(mean[0] + mean[1] + mean[2]) / 3];
                    p = platform::rgb(level, level, level);
                } else {
                    p = platform::rgb(map[mean[0]], map[mean[1]], map[mean[2]]);
                }
                // A cut cell covers the pixels of the samples it has.
                put(cx * cellPixels, cy * cellPixels, reduced ? 1 : columns * m,
                    reduced ? 1 : rows * m, p);
            }
    }
    if (sel.valid) {
        const auto frame = [&](std::int64_t x, std::int64_t y) {
            out.picture.setPixel(static_cast<int>(x), static_cast<int>(y), 0xFF6600);
        };
        for (std::int64_t x = sel.left - 1; x <= sel.right + 1; ++x) {
            frame(x, sel.top - 1);
            frame(x, sel.bottom + 1);
        }
        for (std::int64_t y = sel.top; y <= sel.bottom; ++y) {
            frame(sel.left - 1, y);
            frame(sel.right + 1, y);
        }
    }
    return out;
}

struct Mode {
    const char* name;
    DisplayMode mode;
    ImageSubMode subMode;
    std::uint8_t magnification, reduction;
};

constexpr Mode kModes[] = {
    {"Composite 1:1", DisplayMode::Image, ImageSubMode::Composite, 1, 1},
    {"Composite 1:2", DisplayMode::Image, ImageSubMode::Composite, 1, 2},
    {"Composite 3:1", DisplayMode::Image, ImageSubMode::Composite, 3, 1},
    {"Greyscale 1:1", DisplayMode::Image, ImageSubMode::Greyscale, 1, 1},
    {"Greyscale 1:2", DisplayMode::Image, ImageSubMode::Greyscale, 1, 2},
    {"Greyscale 3:1", DisplayMode::Image, ImageSubMode::Greyscale, 3, 1},
    {"Channel 1:1", DisplayMode::Image, ImageSubMode::Channel, 1, 1},
    {"Channel 1:2 (shown 1:1)", DisplayMode::Image, ImageSubMode::Channel, 1, 2},
    {"Channel 3:1", DisplayMode::Image, ImageSubMode::Channel, 3, 1},
    {"Exposure 1:1", DisplayMode::Exposure, ImageSubMode::Composite, 1, 1},
    {"Exposure 3:1", DisplayMode::Exposure, ImageSubMode::Composite, 3, 1},
};

constexpr Black kBlacks[] = {Black::None,           Black::Single,      Black::CfaArray,
                             Black::ColumnsAndRows, Black::ColumnsOnly, Black::RowsOnly};

const char* nameOf(Black b) {
    constexpr const char* names[] = {"none",         "single",   "CFA array", "columns and rows",
                                     "columns only", "rows only"};
    return names[static_cast<int>(b)];
}

struct Checks {
    bool showClipping, rawClipping, outsideRange, blackCorrected, adjusted;
};
constexpr Checks kChecks[] = {{false, false, false, false, false},
                              {true, false, true, true, false},
                              {false, true, false, true, true},
                              {true, true, true, false, true}};

struct Outcome {
    bool matches = true;
    std::string where;
};

// Compares the renderer's picture and statistics with the rules for one drawing, with the
// noise stage of `noise` while they are valid.
Outcome compare(ImageDescriptor& image, RenderSettings s, const NoiseParameters* noise = nullptr) {
    std::optional<NoiseProcessing> stage;
    if (noise != nullptr && noise->valid == 1) s.noise = &stage.emplace(*noise);
    // Without the noise stage, painted from tables and sample by sample, each as the rules.
    using Evaluation = RenderSettings::Evaluation;
    if (s.noise == nullptr && s.evaluation == Evaluation::LessWork) {
        for (const Evaluation way : {Evaluation::Tables, Evaluation::EachSample}) {
            s.evaluation = way;
            const Outcome o = compare(image, s, noise);
            if (!o.matches)
                return {false,
                        (way == Evaluation::Tables ? "tables: " : "each sample: ") + o.where};
        }
        return {};
    }
    const test::Rendered r = test::render(image, s);
    Outcome o;
    if (r.outcome.status != kOk) return {false, "status"};
    const Expected e = expectedRender(image, s, r.outcome.geometry, noise);
    for (int y = 0; y < s.panel.height && o.matches; ++y)
        for (int x = 0; x < s.panel.width && o.matches; ++x)
            if (r.picture.pixel(x, y) != e.picture.pixel(x, y)) {
                char text[120];
                std::snprintf(text, sizeof text, "pixel %d,%d is %06X, the rules give %06X", x, y,
                              r.picture.pixel(x, y), e.picture.pixel(x, y));
                o = {false, text};
            }
    if (o.matches && s.selection.valid) {
        SelectionLevels levels;
        std::copy(image.channelWhite.begin(), image.channelWhite.end(), levels.white.begin());
        levels.whitePoint = s.whitePoint;
        const bool imageModes = s.mode != DisplayMode::Exposure;
        const std::string text = SummariseSelection(e.statistics, imageModes, levels).text;
        if (r.outcome.statisticsText != text)
            o = {false, "statistics " + r.outcome.statisticsText + " against " + text};
    }
    return o;
}

RenderSettings settingsFor(const Mode& m, const Checks& c) {
    RenderSettings s = test::identitySettings(46, 34);
    s.mode = m.mode;
    s.subMode = m.subMode;
    s.magnification = m.magnification;
    s.reduction = m.reduction;
    s.blackPoint = 60;
    s.whitePoint = 900;
    s.checks.showClipping = c.showClipping;
    s.checks.rawClipping = c.rawClipping;
    s.checks.outsideRange = c.outsideRange;
    s.checks.blackCorrected = c.blackCorrected;
    s.checks.adjusted = c.adjusted;
    s.checks.lowSide = {true, false, true};
    s.checks.highSide = {true, true, false};
    return s;
}

TEST(RenderReference, EveryModeZoomOrientationAndBlackSourcePaintsWhatTheRulesGive) {
    int drawings = 0;
    for (const std::uint16_t orientation : {1, 3, 6, 8})
        for (const Black black : kBlacks)
            for (const Mode& m : kModes)
                for (const Checks& c : kChecks) {
                    ImageDescriptor image = makeScene(black, orientation);
                    image.scrollX = 3;
                    image.scrollY = 2;
                    const RenderSettings s = settingsFor(m, c);
                    const Outcome o = compare(image, s);
                    ++drawings;
                    ASSERT_TRUE(o.matches)
                        << m.name << ", orientation " << orientation << ", black " << nameOf(black)
                        << ", checks " << c.showClipping << c.rawClipping << c.outsideRange
                        << c.blackCorrected << ": " << o.where;
                }
    EXPECT_EQ(drawings, 4 * 6 * 11 * 4);
}

TEST(RenderReference, ASelectionGathersWhatTheRulesGiveAndPaintsTheSame) {
    for (const Black black : kBlacks)
        for (const Mode& m : kModes)
            for (const Checks& c : {kChecks[0], kChecks[2]})
                for (const std::uint16_t orientation : {1, 6})
                    for (const bool blueOff : {false, true}) {
                        ImageDescriptor image = makeScene(black, orientation);
                        // Some rows hold samples of 2^15 and more, beyond what 16-bit lanes
                        // take as they are.
                        if (blueOff)
                            for (std::size_t i = 0; i < image.samples.size(); i += 389)
                                image.samples[i] = static_cast<std::uint16_t>(0x8000 + i * 7);
                        image.scrollX = 1;
                        image.scrollY = 1;
                        RenderSettings s = settingsFor(m, c);
                        // A colour switched off in Channel still counts its displayed bytes.
                        if (blueOff) s.checks.lowSide[2] = s.checks.highSide[2] = false;
                        // Starts and ends inside units, and inside the image area.
                        const PanelGeometry g = test::render(image, s).outcome.geometry;
                        const int right = s.panel.width - 1 - g.marginRight;
                        const int bottom = s.panel.height - 1 - g.marginBottom;
                        s.selection = {true, g.originX + 3, g.originY + 1, right - 4, bottom - 2};
                        const Outcome o = compare(image, s);
                        ASSERT_TRUE(o.matches)
                            << m.name << ", orientation " << orientation << ", black "
                            << nameOf(black) << ", blue off " << blueOff << ": " << o.where;
                    }
}

TEST(RenderReference, WhiteBalanceExposureAndChannelsWithoutLight) {
    struct Balance {
        std::array<float, 4> wb;
        double exposure;
    };
    const Balance balances[] = {{{1, 1, 1, 1}, 1.0},
                                {{0, 1.3f, 0.7f, 2.5f}, 2.0}, // red carries no light
                                {{1.9f, 0, 1, 1.2f}, 0.0},    // nor the first green
                                {{3.2f, 1.1f, 1.05f, 0.4f}, 0.25}};
    for (const Balance& b : balances)
        for (const Mode& m : kModes)
            for (const Checks& c : kChecks)
                for (const Black black : {Black::Single, Black::ColumnsAndRows}) {
                    ImageDescriptor image = makeScene(black, 1);
                    image.wbMultipliers = b.wb;
                    image.exposureFactor = b.exposure;
                    const RenderSettings s = settingsFor(m, c);
                    const Outcome o = compare(image, s);
                    ASSERT_TRUE(o.matches) << m.name << ", wb " << b.wb[0] << "/" << b.wb[1]
                                           << ", black " << nameOf(black) << ": " << o.where;
                }
}

TEST(RenderReference, PointsOnEitherSideOfTheBlackLevelMinimumAndNarrowRanges) {
    struct Points {
        std::uint32_t black, white;
    };
    // Below the minimum, at it, a range of 3, and a white point below the black point.
    const Points points[] = {{10, 700}, {30, 1300}, {200, 201}, {400, 399}};
    for (const Points& p : points)
        for (const Mode& m : kModes)
            for (const Checks& c : kChecks) {
                ImageDescriptor image = makeScene(Black::CfaArray, 3);
                RenderSettings s = settingsFor(m, c);
                s.blackPoint = p.black;
                s.whitePoint = p.white;
                const Outcome o = compare(image, s);
                ASSERT_TRUE(o.matches)
                    << m.name << ", points " << p.black << "-" << p.white << ": " << o.where;
            }
}

// Noise parameters over the scene's values: every function on or off, Multiply with plain,
// fading and falling factors (and the factors 1 and -1 that switch it off), Replace ranges
// past 1000 and amplitudes past their range, Shift on either side, differing and equal
// black levels, and Masked weights that switch the arrays off.
NoiseParameters randomNoise(std::mt19937& rng) {
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    NoiseParameters p;
    p.valid = 1;
    for (std::uint8_t* on :
         {&p.offsetOn, &p.replaceOn, &p.shiftOn, &p.multiplyOn, &p.blackOn, &p.maskedOn})
        *on = pick(0, 2) != 0;
    constexpr float kFactors[] = {1.0f, -1.0f, 0.0f, 2.0f, 0.5f, -1.7f, 3.25f, -0.4f, 1.0001f};
    const bool equalBlacks = pick(0, 2) == 0;
    for (std::size_t k = 0; k < 4; ++k) {
        p.offset[k] = pick(-100, 100);
        p.shift[k] = pick(0, 3) == 0 ? 0 : pick(-300, 300);
        p.shiftRange[k] = pick(-700, 700);
        p.multiply[k] = pick(0, 3) == 0 ? static_cast<float>(pick(-3000, 3000)) / 1000.0f
                                        : kFactors[pick(0, 8)];
        p.multiplyRange[k] = pick(0, 2) == 0 ? 0 : pick(-900, 900);
        p.replace[k] = static_cast<std::uint16_t>(pick(0, 3) == 0 ? pick(0, 1500) : pick(0, 60));
        p.replaceRange[k] = pick(0, 3) == 0 ? pick(-10, 1300) : pick(0, 400);
        p.black[k] = (equalBlacks ? 40 : pick(0, 90)) + (pick(0, 3) == 0 ? 0x30000 : 0);
    }
    p.maskedHorizontal = pick(0, 1) == 0 ? 0.0f : 1.0f;
    p.maskedVertical = pick(0, 1) == 0 ? 0.0f : 2.5f;
    return p;
}

TEST(RenderReference, ADrawingBrighterThanTheOneBeforeStillTakesEverySampleAsItIs) {
    // The noise stage's tables start from what the drawing before met: a brighter drawing
    // must still paint and gather its brightest samples as they are.
    NoiseParameters noise;
    noise.valid = noise.replaceOn = noise.offsetOn = 1;
    noise.replace = {9, 7, 9, 7};
    noise.replaceRange = {300, 300, 300, 300};
    noise.offset = {5, -3, 7, 2};
    for (const Mode& m : {kModes[0], kModes[1], kModes[4]})
        for (const int shift : {3, 0, 2}) {
            ImageDescriptor image = makeScene(Black::ColumnsAndRows, 1);
            for (std::uint16_t& sample : image.samples)
                sample = static_cast<std::uint16_t>(sample >> shift);
            RenderSettings s = settingsFor(m, kChecks[2]);
            const PanelGeometry g = test::render(image, s).outcome.geometry;
            s.selection = {true, g.originX, g.originY, s.panel.width - 1 - g.marginRight,
                           s.panel.height - 1 - g.marginBottom};
            const Outcome o = compare(image, s, &noise);
            ASSERT_TRUE(o.matches) << m.name << ", samples / " << (1 << shift) << ": " << o.where;
        }
}

TEST(RenderReference, TablesKeptFromTheDrawingBeforeServeOnlyTheSameStage) {
    // The noise stage's part of the tables is kept while the next drawing's stage is the same:
    // a drawing with other display levels keeps it, one with another factor, another Replace
    // range or other white levels must not.
    NoiseParameters a;
    a.valid = a.replaceOn = a.offsetOn = a.multiplyOn = a.shiftOn = 1;
    a.replace = {9, 7, 9, 7};
    a.replaceRange = {300, 250, 300, 250};
    a.offset = {5, -3, 7, 2};
    a.multiply = {1.5f, 0.75f, 2.0f, 1.25f};
    a.multiplyRange = {400, 0, -300, 0};
    a.shift = {20, 10, -20, 0};
    a.shiftRange = {200, -300, 100, 0};
    NoiseParameters otherFactor = a, otherRange = a;
    otherFactor.multiply[1] = 1.75f;
    otherRange.replaceRange[0] = 120;
    for (const Mode& m : {kModes[0], kModes[1]}) {
        ImageDescriptor image = makeScene(Black::Single, 1);
        const RenderSettings s = settingsFor(m, kChecks[1]);
        RenderSettings brighter = s;
        brighter.whitePoint = 700;
        struct Step {
            const NoiseParameters* noise;
            const RenderSettings* settings;
            std::array<std::int32_t, 4> white;
        };
        const std::array<std::int32_t, 4> white = image.channelWhite, lower = {800, 700, 900, 750};
        const Step steps[] = {{&a, &s, white},           {&a, &brighter, white},
                              {&otherFactor, &s, white}, {&otherRange, &s, white},
                              {&otherRange, &s, lower},  {&a, &brighter, white}};
        for (std::size_t k = 0; k < std::size(steps); ++k) {
            image.channelWhite = steps[k].white;
            const Outcome o = compare(image, *steps[k].settings, steps[k].noise);
            ASSERT_TRUE(o.matches) << m.name << ", drawing " << k << ": " << o.where;
        }
    }
}

TEST(RenderReference, ADrawingAfterTheColumnBlacksChangeTakesTheNewOnes) {
    // Rows keep their black and weighting from one drawing to the next while every column's
    // black moves: nothing worked out for the first drawing may stand in the second.
    NoiseParameters noise;
    noise.valid = 1;
    noise.replaceOn = 1;
    noise.replace = {9, 7, 9, 7};
    noise.replaceRange = {300, 300, 300, 300};
    for (const Mode& m : kModes)
        for (const std::uint16_t orientation : {1, 6})
            for (const NoiseParameters* stage : {static_cast<const NoiseParameters*>(nullptr),
                                                 static_cast<const NoiseParameters*>(&noise)}) {
                ImageDescriptor image = makeScene(Black::ColumnsAndRows, orientation);
                RenderSettings s = settingsFor(m, kChecks[1]);
                const PanelGeometry g = test::render(image, s).outcome.geometry;
                s.selection = {true, g.originX + 2, g.originY + 2,
                               s.panel.width - 5 - g.marginRight,
                               s.panel.height - 3 - g.marginBottom};
                ASSERT_TRUE(compare(image, s, stage).matches);
                for (std::uint16_t& black : image.blackDeltaH)
                    black = static_cast<std::uint16_t>(black + 11);
                const Outcome o = compare(image, s, stage);
                ASSERT_TRUE(o.matches) << m.name << ", orientation " << orientation << ", noise "
                                       << (stage != nullptr) << ": " << o.where;
            }
}

TEST(RenderReference, TheNoiseStageOverRandomParametersPaintsAndGathersWhatTheRulesGive) {
    std::mt19937 rng(4242);
    constexpr std::uint16_t kOrientations[] = {1, 3, 6, 8};
    for (int trial = 0; trial < 400; ++trial) {
        NoiseParameters p = randomNoise(rng);
        const Mode& m = kModes[trial % std::size(kModes)];
        const Black black = kBlacks[(trial / 3) % std::size(kBlacks)];
        ImageDescriptor image = makeScene(black, kOrientations[(trial / 7) % 4]);
        // Now and then values past 16 bits, from large factors or from samples of 2^15 and
        // more.
        if (trial % 8 == 1) {
            p.multiplyOn = 1;
            for (float& factor : p.multiply)
                factor = factor * 40.0f + 30.0f;
        }
        if (trial % 4 == 3) {
            for (std::size_t i = 0; i < image.samples.size(); i += 389)
                image.samples[i] = static_cast<std::uint16_t>(0x8000 + i * 7);
            // Stage black levels that bring those samples' values back into 16 bits.
            if (trial % 8 == 7) {
                p.blackOn = 1;
                p.black = {0x6000, 0x6100, 0x6000, 0x5F00};
            }
        }
        image.scrollX = 1;
        // Now and then red in both rows of the cell (R G / R B): one channel's Replace
        // sequence then runs through a cell's rows in the order the cell is painted.
        if (trial % 3 == 2) image.cfaPattern[2] = 0;
        RenderSettings s = settingsFor(m, kChecks[(trial / 5) % std::size(kChecks)]);
        if (trial % 2 == 1) {
            const PanelGeometry g = test::render(image, s).outcome.geometry;
            s.selection = {true, g.originX + 3, g.originY + 1, s.panel.width - 6 - g.marginRight,
                           s.panel.height - 4 - g.marginBottom};
        }
        const Outcome o = compare(image, s, &p);
        ASSERT_TRUE(o.matches) << "trial " << trial << ", " << m.name << ", black " << nameOf(black)
                               << ": " << o.where;
    }
}

TEST(RenderReference, NoiseFunctionsSwitchedOffByTheirBoxesAndRedrawsChangeNothing) {
    std::mt19937 rng(99);
    NoiseParameters off = randomNoise(rng);
    off.offsetOn = off.replaceOn = off.shiftOn = off.multiplyOn = off.blackOn = off.maskedOn = 0;
    NoiseParameters on = randomNoise(rng);
    on.offsetOn = on.replaceOn = on.shiftOn = on.multiplyOn = on.blackOn = on.maskedOn = 1;
    on.replace = {40, 40, 40, 40};
    on.replaceRange = {300, 300, 300, 300};
    for (const Mode& m : kModes)
        for (const Black black : {Black::Single, Black::ColumnsAndRows}) {
            ImageDescriptor image = makeScene(black, 1);
            RenderSettings s = settingsFor(m, kChecks[0]);
            const test::Rendered plain = test::render(image, s);
            NoiseProcessing stage(off);
            s.noise = &stage;
            EXPECT_EQ(test::render(image, s).picture.pixels(), plain.picture.pixels()) << m.name;
            // Every function on: Replace runs on from sample to sample, yet two drawings
            // with the same settings are the same picture.
            NoiseProcessing busy(on);
            s.noise = &busy;
            const test::Rendered first = test::render(image, s);
            EXPECT_EQ(test::render(image, s).picture.pixels(), first.picture.pixels()) << m.name;
            if (m.mode == DisplayMode::Exposure)
                EXPECT_EQ(first.picture.pixels(), plain.picture.pixels()) << m.name;
            else
                EXPECT_NE(first.picture.pixels(), plain.picture.pixels()) << m.name;
        }
}

// Drawings of over a million samples are painted in bands on several threads where the
// machine has more than one processor; they must paint and gather what one thread would.
TEST(RenderReference, LargeDrawingsSharedOutInBandsPaintAndGatherTheSame) {
    scene_ = {1108, 1010, 4, 4, 1100, 1000};
    struct Large {
        Mode mode;
        int panelWidth, panelHeight;
    };
    const Large larges[] = {
        {{"Composite 1:1", DisplayMode::Image, ImageSubMode::Composite, 1, 1}, 1104, 1004},
        {{"Composite 1:2", DisplayMode::Image, ImageSubMode::Composite, 1, 2}, 554, 504},
        {{"Greyscale 1:2", DisplayMode::Image, ImageSubMode::Greyscale, 1, 2}, 554, 504},
        {{"Channel 1:1", DisplayMode::Image, ImageSubMode::Channel, 1, 1}, 1004, 1104},
        {{"Exposure 1:1", DisplayMode::Exposure, ImageSubMode::Composite, 1, 1}, 1104, 1004},
    };
    // With the noise stage, every function on: the Replace sequences run on across the bands.
    std::mt19937 rng(7);
    NoiseParameters noise = randomNoise(rng);
    noise.offsetOn = noise.replaceOn = noise.shiftOn = noise.multiplyOn = 1;
    noise.replace = {30, 50, 45, 60};
    noise.replaceRange = {400, 800, 1000, 600};
    for (const Large& l : larges)
        for (const Black black : {Black::CfaArray, Black::ColumnsAndRows})
            for (const int variant : {0, 1, 2, 3}) {
                const bool selected = variant % 2 == 1, noisy = variant >= 2;
                ImageDescriptor image =
                    makeScene(black, l.mode.subMode == ImageSubMode::Channel ? 6 : 1);
                RenderSettings s = settingsFor(l.mode, kChecks[1]);
                s.panel = {l.panelWidth, l.panelHeight};
                s.noiseParts = RenderSettings::NoiseParts::Always;
                // Across the band boundaries.
                if (selected) s.selection = {true, 10, 17, l.panelWidth - 30, l.panelHeight - 9};
                const Outcome o = compare(image, s, noisy ? &noise : nullptr);
                EXPECT_TRUE(o.matches)
                    << l.mode.name << ", black " << nameOf(black) << ", selection " << selected
                    << ", noise " << noisy << ": " << o.where;
            }
    scene_ = kSmallScene;
}

TEST(RenderReference, ReplaceStepsCountedForThePartsBelowStayWithTheirChannel) {
    // Red and the second green take the Replace step throughout, the first green and blue
    // never: a part that starts any channel's sequences where another channel's stand paints
    // the second half wrong.
    scene_ = {1108, 1010, 4, 4, 1100, 1000};
    NoiseParameters noise;
    noise.valid = 1;
    noise.replaceOn = 1;
    noise.replace = {20, 25, 30, 35};
    noise.replaceRange = {700, 700, 700, 700};
    for (const Black black : {Black::Single, Black::ColumnsAndRows}) {
        ImageDescriptor image = makeScene(black, 1);
        test::fillSamples(image, [](std::uint32_t r, std::uint32_t c) {
            const bool replaced = (r + c) % 2 == 0; // red and the second green of RGGB
            return static_cast<std::uint16_t>(replaced ? 100 + (r * 7 + c * 3) % 400 : 1250);
        });
        for (const Mode& m : {kModes[0], kModes[6]}) {
            RenderSettings s = settingsFor(m, kChecks[0]);
            s.panel = {1104, 1004};
            s.noiseParts = RenderSettings::NoiseParts::Always;
            const Outcome o = compare(image, s, &noise);
            EXPECT_TRUE(o.matches) << m.name << ", black " << nameOf(black) << ": " << o.where;
        }
    }
    scene_ = kSmallScene;
}

} // namespace
} // namespace korvane
