#include "analysis/RenderImage.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <system_error>
#include <thread>

#include "analysis/InParts.hpp"
#include "analysis/MappingArrays.hpp"
#include "analysis/NoiseProcessing.hpp"
#include "analysis/NoiseStage.hpp"
#include "analysis/NoiseWalk.hpp"
#include "analysis/RenderWalk.hpp"
#include "analysis/SampleEvaluator.hpp"

namespace korvane {

namespace {

using namespace render_walk;
using platform::Rgb;

constexpr Rgb kMarginColour = 0x00FFFFFF;
constexpr Rgb kFrameColour = 0x00FF6600;
constexpr std::uint16_t kDisplayLevels = 256;

// What the walk paints with, besides its source.
struct Canvas {
    const Viewport& view;
    platform::Surface& picture;
    const std::uint16_t* first; // the first visible sample
    const std::uint8_t* mapping;
    UnitRange selected;    // units of the selection; empty without one
    Evaluated& statistics; // the source for the selected cells
    PixelMapping pixels{}; // the mapping as pixels for Composite cells, when there is one
};

// The mapping as whole pixels per colour and in grey, kept from one drawing to the next while
// the mapping stays the same.
PixelMapping pixelMapping(const std::vector<std::uint8_t>& values) {
    thread_local std::vector<std::uint8_t> mapped;
    thread_local std::vector<std::uint32_t> tables;
    const std::size_t n = values.size();
    if (mapped != values) {
        mapped = values;
        tables.resize(4 * n);
        for (std::size_t i = 0; i < n; ++i) {
            tables[i] = platform::rgb(values[i], 0, 0);
            tables[n + i] = platform::rgb(0, values[i], 0);
            tables[2 * n + i] = platform::rgb(0, 0, values[i]);
            tables[3 * n + i] = platform::rgb(values[i], values[i], values[i]);
        }
    }
    return {tables.data(), n};
}

Rgb* imageRow(const Canvas& c, std::int32_t pixelRow) {
    return c.picture.row(c.view.geometry.originY + pixelRow) + c.view.geometry.originX;
}

// Copies the first of `rows` pixel rows from `pixelRow` on into the others.
void replicateRows(const Canvas& c, std::int32_t pixelRow, std::int32_t rows) {
    const Rgb* source = imageRow(c, pixelRow);
    const auto bytes = static_cast<std::size_t>(c.view.x.shownPixels) * sizeof(Rgb);
    for (std::int32_t k = 1; k < rows; ++k)
        std::memcpy(imageRow(c, pixelRow + k), source, bytes);
}

// Runs paint(from, to, source) over [0, end), the units in [selFrom, selTo) with the
// statistics source when `selectedBand`.
template <typename Source, typename Paint>
void inSegments(std::int32_t end, std::int32_t selFrom, std::int32_t selTo, bool selectedBand,
                Source& source, Evaluated& statistics, Paint paint) {
    selFrom = std::clamp(selFrom, 0, end);
    selTo = std::clamp(selTo, selFrom, end);
    if (!selectedBand || selFrom == selTo) {
        paint(0, end, source);
        return;
    }
    paint(0, selFrom, source);
    paint(selFrom, selTo, statistics);
    paint(selTo, end, source);
}

// Channel, Greyscale at one sample per pixel, Exposure: every sample is a pixel block.
// Each paints the bands (sample rows or cell rows) from `from` to `to`.
template <typename Source>
void paintSamples(const Canvas& c, Source& source, std::int32_t from, std::int32_t to) {
    const Viewport& v = c.view;
    const std::int32_t width = v.x.visibleSamples, m = v.magnification;
    std::vector<Rgb> units(m > 1 ? static_cast<std::size_t>(width) : 0);
    const UnitRange& s = c.selected;
    for (std::int32_t dy = from; dy < to; ++dy) {
        Rgb* target = imageRow(c, dy * m);
        Rgb* row = m > 1 ? units.data() : target;
        const std::uint16_t* first = c.first + dy * v.stepY;
        const int cellRow = dy % v.cfa.height;
        const bool selectedBand = !s.empty() && dy >= s.firstY && dy <= s.lastY;
        source.beginBand(dy, 1);
        // Only selected bands use the statistics source, which all parts share.
        if (selectedBand) c.statistics.beginBand(dy, 1);
        inSegments(width, s.firstX, s.lastX + 1, selectedBand, source, c.statistics,
                   [&](std::int32_t from, std::int32_t to, auto& src) {
                       paintSampleRow(v, first, cellRow, from, to, src, row);
                   });
        if (m > 1) {
            expandRow(units.data(), width, m, target, v.x.shownPixels);
            replicateRows(c, dy * m, m);
        }
    }
}

// Composite, and Greyscale with one pixel per cell: every CFA cell is one colour.
template <bool Grey, typename Source>
void paintCells(const Canvas& c, Source& source, std::int32_t from, std::int32_t to) {
    const Viewport& v = c.view;
    const int cw = v.cfa.width, ch = v.cfa.height;
    const std::int32_t wholeX = v.x.visibleSamples / cw, partX = v.x.visibleSamples % cw;
    const std::int32_t cellsX = wholeX + (partX > 0 ? 1 : 0);
    const std::int32_t cellsY = (v.y.visibleSamples + ch - 1) / ch;
    const std::int32_t unitX = v.cellPixelsX();
    const int partY = v.y.visibleSamples % ch;
    // A side that is not a whole number of cells ends in a cut cell of the samples it has.
    const CellShape whole = cellShape(v, cw, ch), right = cellShape(v, partX, ch);
    const CellShape bottom = cellShape(v, cw, partY), corner = cellShape(v, partX, partY);
    std::vector<Rgb> units(unitX > 1 ? static_cast<std::size_t>(cellsX) : 0);
    const UnitRange& s = c.selected;
    for (std::int32_t cy = from; cy < std::min(to, cellsY); ++cy) {
        const std::int32_t rows = std::min(ch, v.y.visibleSamples - cy * ch);
        const CellShape& band = rows == ch ? whole : bottom;
        const CellShape& edge = rows == ch ? right : corner;
        const std::int32_t pixelRow = cy * v.cellPixelsY();
        Rgb* target = imageRow(c, pixelRow);
        Rgb* row = unitX > 1 ? units.data() : target;
        const std::uint16_t* first = c.first + cy * ch * v.stepY;
        const bool selectedBand = !s.empty() && cy >= s.firstY && cy <= s.lastY;
        source.beginBand(cy * ch, rows);
        if (selectedBand) c.statistics.beginBand(cy * ch, rows);
        const auto paint = [&](const CellShape& shape) {
            return [&](std::int32_t from, std::int32_t to, auto& src) {
                paintCellRow<Grey>(v, shape, first, from, to, c.mapping, src, row, c.pixels);
            };
        };
        inSegments(wholeX, s.firstX, s.lastX + 1, selectedBand, source, c.statistics, paint(band));
        if (partX > 0) {
            const bool selectedEdge = selectedBand && wholeX >= s.firstX && wholeX <= s.lastX;
            if (selectedEdge)
                paint(edge)(wholeX, cellsX, c.statistics);
            else
                paint(edge)(wholeX, cellsX, source);
        }
        if (unitX > 1) expandRow(units.data(), cellsX, unitX, target, v.x.shownPixels);
        replicateRows(c, pixelRow, v.reduced ? 1 : rows * v.magnification);
    }
}

// Whether every sample is its own pixel block; else every CFA cell is one.
bool paintsSamples(const RenderSettings& settings, const Viewport& view) {
    return settings.mode == DisplayMode::Exposure || settings.subMode == ImageSubMode::Channel ||
           (settings.subMode == ImageSubMode::Greyscale && !view.reduced);
}

// How many parts a drawing of `samples` visible samples is shared out in: one per processor
// up to four, each of at least kSamplesPerPart.
constexpr std::int64_t kSamplesPerPart = 1 << 18;
int processorsToUse() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}
int partsFor(std::int64_t samples) {
    const int processors = processorsToUse();
    return static_cast<int>(std::clamp<std::int64_t>(samples / kSamplesPerPart, 1, processors));
}

// The same for drawings whose parts are independent, in smaller parts (of at least an eighth
// of kSamplesPerPart, up to eight per processor): on a machine that
// others share, a worker may lose its processor in the middle of a part, and the calling
// thread would wait for that part with nothing to do. With several parts per processor the
// threads that run take what the others have not started.
constexpr int kPartsPerProcessor = 8;
int smallPartsFor(std::int64_t samples) {
    const int processors = processorsToUse();
    if (processors == 1) return 1;
    return static_cast<int>(std::clamp<std::int64_t>(
        samples / (kSamplesPerPart / kPartsPerProcessor), 1, processors * kPartsPerProcessor));
}

// Paints in parts when `shared`: each part with its own copy of the source.
// Paints the bands from `from` to `to` as the mode paints them.
template <typename Source>
void paintBands(const Canvas& c, const RenderSettings& settings, Source& source, std::int32_t from,
                std::int32_t to) {
    if (paintsSamples(settings, c.view))
        paintSamples(c, source, from, to);
    else if (settings.subMode == ImageSubMode::Greyscale)
        paintCells<true>(c, source, from, to);
    else
        paintCells<false>(c, source, from, to);
}

template <typename Source>
void paintWith(const Canvas& c, const RenderSettings& settings, Source& source, bool shared) {
    const Viewport& v = c.view;
    const bool samples = paintsSamples(settings, v);
    const std::int32_t bands =
        samples ? v.y.visibleSamples : (v.y.visibleSamples + v.cfa.height - 1) / v.cfa.height;
    const auto paint = [&](Source& src, std::int32_t from, std::int32_t to) {
        const LentMemory<Source> lent(src);
        paintBands(c, settings, src, from, to);
    };
    const int parts =
        shared ? smallPartsFor(std::int64_t{v.x.visibleSamples} * v.y.visibleSamples) : 1;
    if (parts == 1) {
        paint(source, 0, bands);
        return;
    }
    std::vector<Source> copies(static_cast<std::size_t>(parts - 1), source);
    inParts(parts, bands, [&](int part, std::int32_t from, std::int32_t to) {
        paint(part == 0 ? source : copies[static_cast<std::size_t>(part - 1)], from, to);
    });
}

// The noise stage's drawing in parts, as one thread would paint it: every part after the
// first counts the samples the bands before it give the Replace step, and starts from a copy
// of the stage whose Replace sequences are moved on by that count. No part waits for
// another: the first paints at once, while the others count, and the parts are cut so that
// counting and painting take each about as long (see noisePartStarts).
// The statistics of the selected units are gathered by each part for its bands.
// The tables reach up to the largest sample of the drawing before (a slider's drawings show
// the same samples), so that a drawing need not read every sample first to find its own:
// the parts note the largest sample they meet, and a drawing that meets one above its
// tables is drawn again with tables that reach it.
// On a machine that others keep busy the parts may get one processor between them (or two
// that slow each other down): they then take turns, and the counting is work for nothing.
// The drawings note the time per sample a drawing took in one part and in parts, take the
// way that was faster, and every eighth drawing the other way, to see whether it has become
// the faster.
class NoiseSharing {
public:
    int partsFor(int parts, RenderSettings::NoiseParts mode) {
        if (parts == 1 || mode == RenderSettings::NoiseParts::Always) return parts;
        const bool faster = perSample_[1] <= perSample_[0]; // in parts (unknown counts as 0)
        const bool other = ++drawings_ % kTryOther == 0;
        return faster != other ? parts : 1;
    }
    void measured(int parts, double seconds, std::int64_t samples) {
        if (samples > 0) perSample_[parts > 1 ? 1 : 0] = seconds / static_cast<double>(samples);
    }

private:
    static constexpr int kTryOther = 8;
    std::array<double, 2> perSample_{}; // in one part, in parts; 0 until measured
    int drawings_ = 0;
};

// Where each of `parts` parts of a noise drawing of `bands` bands starts (and, last, the end).
// Part k counts the bands before it and paints its own; counting a band takes about
// kCountingShare of painting it, so a later part paints fewer bands: with the first part's
// bands L (as a share of all), part k + 1 starts at start(k) x (1 - c) + L, which makes each
// part's work L, and L = c / (1 - (1 - c)^parts) ends the last part at the end. Without
// Replace steps nothing is counted and the parts are even.
constexpr double kCountingShare = 0.2;
std::vector<std::int32_t> noisePartStarts(int parts, std::int32_t bands, bool counting) {
    parts = std::clamp(parts, 1, std::max(bands, 1));
    const double c = counting ? kCountingShare : 0.0;
    const double share = c > 0 ? c / (1 - std::pow(1 - c, parts)) : 1.0 / parts;
    std::vector<std::int32_t> starts(static_cast<std::size_t>(parts) + 1, bands);
    double start = 0;
    for (int k = 0; k < parts; ++k) {
        starts[static_cast<std::size_t>(k)] =
            std::min(bands, static_cast<std::int32_t>(std::lround(start * bands)));
        start = start * (1 - c) + share;
    }
    return starts;
}

void paintWithNoise(const Canvas& c, const RenderSettings& settings, const SampleEvaluator& e,
                    NoiseProcessing& stage, const UnitRange& units,
                    SelectionStatistics& statistics) {
    const Viewport& v = c.view;
    thread_local NoiseSharing sharing;
    const std::int64_t visible = std::int64_t{v.x.visibleSamples} * v.y.visibleSamples;
    const int parts = sharing.partsFor(partsFor(visible), settings.noiseParts);
    const auto start = std::chrono::steady_clock::now();
    // Kept from one drawing to the next, so that a drawing allocates (and the system clears)
    // no new pages for the tables: every table a drawing reads is written first. (Named
    // through a reference: the parts' workers must see this thread's tables, not their own.)
    thread_local NoiseLookup kept;
    thread_local std::int32_t largestBefore = -1;
    NoiseLookup& lookup = kept;
    const bool samples = paintsSamples(settings, v);
    const std::int32_t ch = samples ? 1 : v.cfa.height;
    const std::int32_t bands = (v.y.visibleSamples + ch - 1) / ch;
    const auto rowsOf = [&](std::int32_t band) {
        return std::min(ch, v.y.visibleSamples - band * ch);
    };
    const std::int32_t ux = samples ? 1 : v.cfa.width, uy = samples ? 1 : v.cfa.height;
    const SampleRange selected{
        units.firstX * ux, std::min((units.lastX + 1) * ux, v.x.visibleSamples), units.firstY * uy,
        std::min((units.lastY + 1) * uy, v.y.visibleSamples)};
    std::vector<SelectionStatistics> partStatistics(static_cast<std::size_t>(parts));
    std::vector<std::int32_t> largest(static_cast<std::size_t>(parts), 0);
    const auto tablesOf = [&](NoiseProcessing& s, int part) {
        NoiseTables t;
        t.lookup = &lookup;
        t.stage = &s;
        t.evaluator = &e;
        t.view = &v;
        t.first = c.first;
        if (!units.empty()) {
            t.statistics = &partStatistics[static_cast<std::size_t>(part)];
            t.selected = selected;
        }
        return t;
    };
    std::int32_t high =
        largestBefore >= 0 ? largestBefore : largestVisibleSample(v, c.first, parts);
    for (;;) {
        buildNoiseLookup(e, v, stage, high, !samples, lookup);
        const std::vector<std::int32_t> starts = noisePartStarts(parts, bands, lookup.replacing);
        inParts(parts, parts, [&](int part, std::int32_t, std::int32_t) {
            const auto k = static_cast<std::size_t>(part);
            const std::int32_t from = starts[k], to = starts[k + 1];
            NoiseProcessing mine = stage;
            if (from > 0 && lookup.replacing) {
                std::array<std::vector<std::uint32_t>, 4> counts;
                for (int channel = 0; channel < 4; ++channel)
                    counts[channel].assign(
                        static_cast<std::size_t>(std::max(stage.replaceRange(channel), -1) + 1), 0);
                NoiseTables counting = tablesOf(stage, part); // counting takes no step
                for (std::int32_t band = 0; band < from; ++band)
                    counting.countBand(band * ch, rowsOf(band), counts);
                for (int channel = 0; channel < 4; ++channel)
                    for (std::size_t w = 0; w < counts[channel].size(); ++w)
                        mine.skip(channel, static_cast<std::int32_t>(w), counts[channel][w]);
            }
            NoiseTables t = tablesOf(mine, part);
            const LentMemory<NoiseTables> lent(t);
            paintBands(c, settings, t, from, to);
            largest[k] = t.largest;
        });
        const std::int32_t met = *std::max_element(largest.begin(), largest.end());
        largestBefore = met;
        if (met <= high) break;
        high = met;
        for (SelectionStatistics& s : partStatistics)
            s = SelectionStatistics{};
    }
    for (const SelectionStatistics& s : partStatistics)
        statistics.add(s);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    sharing.measured(parts, took.count(), visible);
}

// Memory one drawing works in.
struct Scratch {
    std::vector<std::uint32_t> tables;
};

// Cell positions that share channel and black level share one table.
RawTables rawTables(const SampleEvaluator& e, const Viewport& v,
                    std::vector<std::uint32_t>& storage) {
    RawTables t;
    std::vector<std::pair<int, std::int32_t>> keys;
    std::vector<int> first; // a cell position of each key
    std::vector<std::size_t> keyOf(v.cfa.size()), start;
    for (std::size_t q = 0; q < v.cfa.size(); ++q) {
        const std::pair<int, std::int32_t> key{v.cfa.channel[q],
                                               e.blackAt(-1, -1, static_cast<int>(q))};
        const auto found = std::find(keys.begin(), keys.end(), key);
        keyOf[q] = static_cast<std::size_t>(found - keys.begin());
        if (found != keys.end()) continue;
        keys.push_back(key);
        first.push_back(static_cast<int>(q));
    }
    std::size_t size = 0;
    for (const int q : first) {
        start.push_back(size);
        size += e.rawLimit(q) + std::size_t{1};
    }
    storage.resize(size);
    for (std::size_t k = 0; k < keys.size(); ++k) {
        std::uint32_t* table = storage.data() + start[k];
        const std::uint32_t limit = e.rawLimit(first[k]);
        for (std::uint32_t s = 0; s <= limit; ++s)
            table[s] = e.outFromRaw(s, first[k]);
    }
    for (std::size_t q = 0; q < v.cfa.size(); ++q) {
        t.table[q] = storage.data() + start[keyOf[q]];
        t.limit[q] = e.rawLimit(first[keyOf[q]]);
    }
    return t;
}

// The black level varies per sample: one table pair per channel, by corrected value.
CorrectedTables correctedTables(const SampleEvaluator& e, const Viewport& v,
                                const std::uint16_t* first, std::vector<std::uint32_t>& storage) {
    CorrectedTables t;
    t.evaluator = &e;
    t.view = &v;
    t.first = first;
    std::array<std::int32_t, 4> startOf{}, limitOf{};
    std::array<int, 4> firstOf{-1, -1, -1, -1}; // a cell position of each channel
    std::int32_t size = 0;
    for (std::size_t q = 0; q < v.cfa.size(); ++q) {
        const int channel = v.cfa.channel[q];
        if (firstOf[channel] >= 0) continue;
        firstOf[channel] = static_cast<int>(q);
        startOf[channel] = size;
        limitOf[channel] = static_cast<std::int32_t>(e.correctedLimit(static_cast<int>(q)));
        size += 2 * (limitOf[channel] + 1);
    }
    storage.resize(static_cast<std::size_t>(size));
    for (int channel = 0; channel < 4; ++channel) {
        const int q = firstOf[channel];
        if (q < 0) continue;
        std::uint32_t* below = storage.data() + startOf[channel];
        std::uint32_t* saturated = below + limitOf[channel] + 1;
        for (std::int32_t s = 0; s <= limitOf[channel]; ++s) {
            below[s] = e.outFromCorrected(s, false, q);
            saturated[s] = e.outFromCorrected(s, true, q);
        }
    }
    t.block = storage.data();
    for (std::size_t q = 0; q < v.cfa.size(); ++q) {
        const int channel = v.cfa.channel[q];
        t.start[q] = startOf[channel];
        t.limit[q] = limitOf[channel];
        t.saturatedOffset[q] = limitOf[channel] + 1;
        t.saturatedAt[q] = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(e.saturationOf(static_cast<int>(q)), 0, 0x10000));
    }
    t.narrow = e.largestBlack() < 0x8000;
    for (std::size_t q = 0; q < v.cfa.size(); ++q)
        t.narrow = t.narrow && t.limit[q] < 0x8000 && t.saturatedAt[q] >= 1;
    return t;
}

// The table result of a sample with black level b.
std::uint32_t outOf(const RawTables& t, std::uint32_t s, std::int32_t, int q) {
    return t.table[q][std::min(s, t.limit[q])];
}
std::uint32_t outOf(const CorrectedTables& t, std::uint32_t s, std::int32_t b, int q) {
    return t.resultOf(s, b, q);
}

// Adds the samples of one cell position along a row, from column `from` to `to` in steps of
// `step`, to `t`; `blacks` holds each column's black level, or is null for `fixed`.
template <typename Displayed>
void addSamples(const std::uint16_t* row, std::ptrdiff_t stepX, std::int32_t from, std::int32_t to,
                int step, const std::int32_t* blacks, std::int32_t fixed, bool adjusted,
                Displayed displayedOf, ImageTotals& totals) {
    ImageTotals t = totals;
    for (std::int32_t dx = from; dx < to; dx += step) {
        const std::uint32_t s = row[dx * stepX];
        const std::int32_t b = blacks != nullptr ? blacks[dx] : fixed;
        const std::int64_t displayed = displayedOf(s, b);
        const std::int64_t value = std::int64_t{s} - b;
        const std::int64_t corrected = value < 1 ? 0 : value;
        const std::int64_t reported = adjusted ? value : std::int64_t{s};
        ++t.n;
        t.rawMin = std::min(t.rawMin, reported);
        t.rawMax = std::max(t.rawMax, reported);
        t.rawSum += reported;
        t.corrSum += static_cast<std::uint64_t>(corrected);
        t.corrSq += static_cast<std::uint64_t>(corrected * corrected);
        t.blackSum += b;
        t.dispMin = std::min(t.dispMin, displayed);
        t.dispMax = std::max(t.dispMax, displayed);
        t.dispSum += static_cast<std::uint64_t>(displayed);
        t.dispSq += static_cast<std::uint64_t>(displayed * displayed);
    }
    totals = t;
}

#if defined(__SSE2__)
// The results of `count` samples of a row from column x0 on (`samples` and `blacks` start at
// x0's), into out.
void resultRun(const RawTables& t, const std::uint16_t* samples, int cellRow, std::int32_t x0,
               const std::int32_t*, std::int32_t count, std::uint32_t* out) {
    const int qa = 2 * cellRow + x0 % 2, qb = 2 * cellRow + (x0 + 1) % 2;
    rawPairRow(t, qa, qb, samples, 1, 0, count & ~1, out);
    if (count % 2 == 1) out[count - 1] = t.bound(qa)(samples + count - 1, 0, 0);
}
void resultRun(const CorrectedTables& t, const std::uint16_t* samples, int cellRow, std::int32_t x0,
               const std::int32_t* blacks, std::int32_t count, std::uint32_t* out) {
    t.resultRun(samples, cellRow, x0, blacks, count, out);
}

// One selected row of a pattern two columns wide whose samples lie side by side: its `count`
// samples from column x0 on (`samples` and `blacks` start at x0's; no blacks: `fixed` per
// position, x0's first), eight at a time in 16-bit lanes, added to the totals of x0's cell
// position (first) and the other's. Every black level lies below 2^15; false, and nothing
// added, where a sample does not.
template <typename Tables>
bool addPairRow(const SampleEvaluator& e, const Tables& tables, const std::uint16_t* samples,
                int cellRow, std::int32_t x0, const std::int32_t* blacks,
                std::array<std::int32_t, 2> fixed, std::int32_t count, bool adjusted,
                ImageTotals& first, ImageTotals& second) {
    thread_local std::vector<std::uint32_t> results;
    thread_local std::vector<std::uint16_t> shown;
    results.resize(static_cast<std::size_t>(count));
    shown.resize(static_cast<std::size_t>(count));
    resultRun(tables, samples, cellRow, x0, blacks, count, results.data());
    shownBytes(e, cellRow, x0, results.data(), count, shown.data());
    const __m128i fixed8 = pairLanes(fixed[0], fixed[1]);
    const __m128i zero = _mm_setzero_si128();
    return addPairRun(
        count, shown.data(),
        [&](std::int32_t i) {
            const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
            const __m128i b = blacks != nullptr ? narrowBlacks(blacks + i) : fixed8;
            const __m128i v = _mm_sub_epi16(s, b);
            // A sample of 2^15 or more does not fit.
            return PairLanes{adjusted ? v : s, _mm_max_epi16(v, zero), b, s};
        },
        [&](std::int32_t i) {
            const std::int64_t raw = samples[i];
            const std::int64_t b =
                blacks != nullptr ? blacks[i] : fixed[static_cast<std::size_t>(i % 2)];
            return PairSample{adjusted ? raw - b : raw, std::max<std::int64_t>(raw - b, 0), b};
        },
        first, second);
}
#endif

// The Image modes' statistics of the selected units, gathered after painting from the same
// tables (the statistics do not depend on the order of the samples).
template <typename Tables>
void gatherSelection(const Viewport& v, const UnitRange& units, bool samples,
                     const std::uint16_t* first, const SampleEvaluator& e, const Tables& tables,
                     bool shared, std::uint64_t drawing, SelectionStatistics& statistics) {
    const int cw = v.cfa.width, ch = v.cfa.height;
    const std::int32_t ux = samples ? 1 : cw, uy = samples ? 1 : ch;
    const std::int32_t x0 = units.firstX * ux,
                       x1 = std::min((units.lastX + 1) * ux, v.x.visibleSamples);
    const std::int32_t y0 = units.firstY * uy,
                       y1 = std::min((units.lastY + 1) * uy, v.y.visibleSamples);
    const bool adjusted = e.adjusted();
    const bool varies = e.blackVaries();
    std::array<std::int32_t, 64> fixedBlack{};
    std::array<bool, 64> inOut{};
    for (std::size_t q = 0; q < v.cfa.size(); ++q) {
        fixedBlack[q] = e.blackAt(-1, -1, static_cast<int>(q));
        inOut[q] = e.displayedInOut(static_cast<int>(q));
    }
    const std::int32_t width = std::max(x1 - x0, 0), height = std::max(y1 - y0, 0);
    const int parts = shared ? smallPartsFor(std::int64_t{width} * height) : 1;
    // Rows of two cell positions side by side go eight samples at a time.
    const bool pairRows = cw == 2 && v.stepX == 1 && width >= 2 && e.largestBlack() < 0x8000;
    std::vector<std::array<ImageTotals, 3>> partTotals(static_cast<std::size_t>(parts));
    inParts(parts, height, [&](int part, std::int32_t from, std::int32_t to) {
        std::array<ImageTotals, 3>& totals = partTotals[static_cast<std::size_t>(part)];
        thread_local BlackLineCache blackLines;
        blackLines.keepFor(drawing);
        for (std::int32_t dy = y0 + from; dy < y0 + to; ++dy) {
            const std::uint16_t* row = first + dy * v.stepY;
            const int cellRow = dy % ch;
            const std::int32_t* blacks = nullptr;
            if (varies) {
                const StoredAt at = storedAt(v, x0, dy);
                blacks = e.blackLine(at.row, at.column, v.state.rowPerX, v.state.colPerX, cellRow,
                                     x1 - x0, blackLines);
            }
#if defined(__SSE2__)
            if (pairRows && inOut[cellRow * 2] && inOut[cellRow * 2 + 1]) {
                const int qa = cellRow * 2 + x0 % 2, qb = cellRow * 2 + (x0 + 1) % 2;
                std::array<ImageTotals, 2> pair{};
                if (addPairRow(e, tables, row + x0, cellRow, x0, blacks,
                               {fixedBlack[qa], fixedBlack[qb]}, x1 - x0, adjusted, pair[0],
                               pair[1])) {
                    totals[static_cast<std::size_t>(v.cfa.colour[qa])].add(pair[0]);
                    totals[static_cast<std::size_t>(v.cfa.colour[qb])].add(pair[1]);
                    continue;
                }
            }
#endif
            // One cell position at a time: its colour, black source and display rule stay
            // fixed, and its totals stay in registers.
            for (int phase = 0; phase < std::min(cw, x1 - x0); ++phase) {
                const std::int32_t start = x0 + phase;
                const int q = cellRow * cw + start % cw;
                ImageTotals t;
                const SampleEvaluator::DisplayedRule rule = e.displayedRule(q);
                const std::int32_t* lineBlacks = varies ? blacks - x0 : nullptr;
                const auto along = [&](auto displayedOf) {
                    addSamples(
                        row, v.stepX, start, x1, cw, lineBlacks, fixedBlack[q], adjusted,
                        [&](std::uint32_t s, std::int32_t b) {
                            return displayedOf(outOf(tables, s, b, q));
                        },
                        t);
                };
                if (!inOut[q])
                    along([&](std::uint32_t) { return std::int64_t{0}; });
                else if (rule.mapping != nullptr)
                    along([m = rule.mapping](std::uint32_t out) { return std::int64_t{m[out]}; });
                else
                    along([shift = rule.shift](std::uint32_t out) {
                        return std::int64_t{(out >> shift) & 0xFF};
                    });
                if (!inOut[q]) {
                    // A colour switched off in the Channel mode: the byte it would show.
                    t.dispMin = 9999999;
                    t.dispMax = t.dispSum = t.dispSq = 0;
                    for (std::int32_t dx = start; dx < x1; dx += cw) {
                        const StoredAt at = storedAt(v, dx, dy);
                        const std::int64_t d =
                            e.evaluate(row[dx * v.stepX], at.row, at.column, q, nullptr).displayed;
                        t.dispMin = std::min(t.dispMin, d);
                        t.dispMax = std::max(t.dispMax, d);
                        t.dispSum += static_cast<std::uint64_t>(d);
                        t.dispSq += static_cast<std::uint64_t>(d * d);
                    }
                }
                if (t.n > 0) totals[static_cast<std::size_t>(v.cfa.colour[q])].add(t);
            }
        }
    });
    for (const std::array<ImageTotals, 3>& totals : partTotals)
        for (std::size_t c = 0; c < 3; ++c)
            statistics.addImageTotals(static_cast<CfaColour>(c), totals[c]);
}

// The margins white and, unless the walk paints it, the image area black; a picture of
// the panel's size is reused as it is.
void prepare(platform::Surface& picture, platform::Size panel, const Viewport& v, bool painted) {
    if (picture.size() != panel) picture.resize(panel.width, panel.height, kMarginColour);
    const PanelGeometry& g = v.geometry;
    const std::int32_t bottom = g.originY + v.y.shownPixels, right = g.originX + v.x.shownPixels;
    for (std::int32_t y = 0; y < picture.height(); ++y) {
        Rgb* row = picture.row(y);
        if (y < g.originY || y >= bottom) {
            std::fill(row, row + picture.width(), kMarginColour);
            continue;
        }
        std::fill(row, row + g.originX, kMarginColour);
        std::fill(row + right, row + picture.width(), kMarginColour);
        if (!painted) std::fill(row + g.originX, row + right, Rgb{0});
    }
}

void drawFrame(platform::Surface& picture, const PanelSelection& s) {
    const auto put = [&](std::int32_t x, std::int32_t y) {
        if (x >= 0 && y >= 0 && x < picture.width() && y < picture.height())
            picture.setPixel(x, y, kFrameColour);
    };
    for (std::int32_t x = s.left - 1; x <= s.right + 1; ++x) {
        put(x, s.top - 1);
        put(x, s.bottom + 1);
    }
    for (std::int32_t y = s.top; y <= s.bottom; ++y) {
        put(s.left - 1, y);
        put(s.right + 1, y);
    }
}

SelectionLevels selectionLevels(const ImageDescriptor& image, const RenderSettings& settings) {
    SelectionLevels levels;
    std::copy(image.channelWhite.begin(), image.channelWhite.end(), levels.white.begin());
    levels.whitePoint = settings.whitePoint;
    std::copy_n(image.channelMaximum.begin(), 3, levels.references.begin());
    return levels;
}

// Lays out and answers everything that does not need the samples.
Viewport layOut(ImageDescriptor& image, const RenderSettings& settings, RenderOutcome& out) {
    ViewportRequest request;
    request.panel = settings.panel;
    request.orientation = resolvedOrientation(image.orientation, settings.fileOrientation);
    request.mode =
        settings.mode == DisplayMode::Exposure ? DisplayMode::Exposure : DisplayMode::Image;
    request.subMode = settings.subMode;
    request.magnification = settings.magnification;
    request.reduction = settings.reduction;
    const Viewport view = LayOutViewport(image, request);
    out.geometry = view.geometry;
    out.view = view;
    out.horizontalScrollable = view.x.scrollable;
    out.verticalScrollable = view.y.scrollable;
    out.orientationGroup = view.group;
    if (settings.relayout || settings.layoutPending) {
        out.scrollBarsSetUp = true;
        out.horizontalBar = scrollBarSetup(view, true, settings.dragging);
        out.verticalBar = scrollBarSetup(view, false, settings.dragging);
    }
    out.zoomText =
        zoomText(request.mode, settings.subMode, settings.magnification, settings.reduction);
    return view;
}

// Whether a drawing shows so few samples against the values its tables would hold (a small
// image, or a close view of a wide range) that evaluating each sample is much less work than
// tabulating every value: the tables take one evaluation per value and channel (two with a
// varying black level), a sample a few more.
bool evaluatesEachSample(const RenderSettings& settings, const SampleEvaluator& e,
                         const Viewport& v) {
    using Evaluation = RenderSettings::Evaluation;
    if (settings.evaluation != Evaluation::LessWork)
        return settings.evaluation == Evaluation::EachSample;
    std::int64_t entries = 0;
    std::array<bool, 4> seen{};
    for (std::size_t q = 0; q < v.cfa.size(); ++q) {
        const auto channel = static_cast<std::size_t>(v.cfa.channel[q]) & 3;
        if (seen[channel]) continue;
        seen[channel] = true;
        const int at = static_cast<int>(q);
        entries += e.blackVaries() ? 2 * (std::int64_t{e.correctedLimit(at)} + 1)
                                   : std::int64_t{e.rawLimit(at)} + 1;
    }
    return 16 * std::int64_t{v.x.visibleSamples} * v.y.visibleSamples < entries;
}

// Paints the samples of the view into the picture, gathering the selection's statistics.
void paintImage(const ImageDescriptor& image, const RenderSettings& settings,
                platform::Surface& picture, const Viewport& view, const SampleEvaluator& evaluator,
                NoiseStage* noise, const std::uint8_t* mapping, bool exposure, bool takesPart,
                SelectionStatistics& statistics) {
    const std::size_t pitch = image.imageWidth;
    const bool complete = image.samples.size() >= pitch * image.imageLength;
    if (!complete || view.empty()) return;
    // The place of the noise processing stage: it is prepared once per drawing and then
    // sees every painted sample, in painting order.
    if (noise != nullptr) noise->begin(image, settings.mode, settings.subMode);
    Evaluated selected{&evaluator, &view, noise, &statistics, exposure};
    const bool samples = paintsSamples(settings, view);
    const UnitRange units =
        takesPart ? selectedUnits(view, settings.selection, samples) : UnitRange{};
    // With the noise stage the selected units are gathered by the noise tables, or
    // evaluated while painting (another stage, or the Exposure mode); otherwise the
    // tables paint everything and the selection is gathered after.
    const bool gatherAfter = noise == nullptr && !exposure;
    const std::uint16_t* first = image.samples.data() + view.firstIndex;
    // Composite cells read the mapping three times a cell: as pixels, once per colour; grey
    // cells once, as a grey pixel.
    const PixelMapping pixels = !exposure && !samples && mapping != nullptr
                                    ? pixelMapping(image.mapping.values)
                                    : PixelMapping{};
    const Canvas canvas{view,     picture, first, mapping, gatherAfter ? UnitRange{} : units,
                        selected, pixels};
    // The tables are kept from one drawing to the next of the same thread (the lines of each
    // part by the thread painting it), so that following a slider does not allocate and
    // clear them every time.
    thread_local Scratch scratch;
    std::vector<std::uint32_t>& storage = scratch.tables;
    // Numbers the drawings, so that the parts of one can share what they work out.
    static std::atomic<std::uint64_t> drawings{0};
    const std::uint64_t drawing = ++drawings;
    auto* processing = dynamic_cast<NoiseProcessing*>(noise);
    if (processing != nullptr) {
        // The parts gather the selection themselves.
        const Canvas whole{view, picture, first, mapping, UnitRange{}, selected, pixels};
        paintWithNoise(whole, settings, evaluator, *processing, units, statistics);
    } else if (noise != nullptr || evaluatesEachSample(settings, evaluator, view)) {
        // Sample by sample on one thread (a stage sees the samples in painting order),
        // gathering the selection as it evaluates it.
        const Canvas gathering{view, picture, first, mapping, units, selected, pixels};
        Evaluated each{&evaluator, &view, noise, nullptr, exposure};
        paintWith(gathering, settings, each, false);
    } else if (evaluator.blackVaries()) {
        CorrectedTables tables = correctedTables(evaluator, view, first, storage);
        tables.drawing = drawing;
        paintWith(canvas, settings, tables, canvas.selected.empty());
        if (gatherAfter && !units.empty())
            gatherSelection(view, units, samples, first, evaluator, tables, true, drawing,
                            statistics);
    } else {
        RawTables tables = rawTables(evaluator, view, storage);
        paintWith(canvas, settings, tables, canvas.selected.empty());
        if (gatherAfter && !units.empty())
            gatherSelection(view, units, samples, first, evaluator, tables, true, drawing,
                            statistics);
    }
}

} // namespace

RenderOutcome RenderImage(ImageDescriptor& image, const RenderSettings& settings,
                          platform::Surface& picture, Reporter& reporter) {
    RenderOutcome out;
    // The tables below follow the white balance at every drawing, so a change of the greens
    // between zero and not needs no more than that.
    image.greensChanged = false;
    if (settings.blackPoint != image.blackPoint || settings.whitePoint != image.whitePoint) {
        image.blackPoint = settings.blackPoint;
        image.whitePoint = settings.whitePoint;
        out.levelTextsStale = true;
    }
    const Viewport view = layOut(image, settings, out);
    if (settings.countsPending)
        out.counts = CountExposureClasses(image, settings.blackPoint, settings.whitePoint,
                                          settings.checks.outsideRange);

    const bool exposure = settings.mode == DisplayMode::Exposure;
    if (!exposure) {
        const std::uint32_t positions =
            static_cast<std::uint32_t>(DisplayRange(settings.blackPoint, settings.whitePoint)) + 1;
        out.status = EnsureMappingArrays(image, positions, kDisplayLevels, reporter);
        if (failed(out.status)) return out;
    }

    const std::size_t pitch = image.imageWidth;
    const bool complete = image.samples.size() >= pitch * image.imageLength;
    prepare(picture, settings.panel, view, complete && !view.empty());
    const bool takesPart = selectionInsideImage(view, settings.panel, settings.selection);
    out.selectionDropped = settings.selection.valid && !takesPart;
    NoiseStage* noise = exposure ? nullptr : settings.noise;
    const BlackLevels black(image, noise);
    const std::uint8_t* mapping = exposure ? nullptr : image.mapping.values.data();
    const SampleEvaluator evaluator(image, view, settings, black, mapping);
    SelectionStatistics statistics;
    // The parts' working memory (lines, tables, copies of the sources) is allocated as they
    // paint, on their own threads; a failure there comes back here and ends this drawing with
    // a message, the picture as far as it was painted.
    try {
        paintImage(image, settings, picture, view, evaluator, noise, mapping, exposure, takesPart,
                   statistics);
    } catch (const std::bad_alloc&) {
        const std::int64_t bytes = std::int64_t{view.x.visibleSamples} * view.y.visibleSamples * 4;
        reporter.ShowMessage(MessageId::AllocationFailed,
                             static_cast<std::int32_t>(std::min<std::int64_t>(
                                 bytes, std::numeric_limits<std::int32_t>::max())),
                             "picture drawing tables");
        out.status = kFailed;
        return out;
    }

    if (takesPart) {
        drawFrame(picture, settings.selection);
        SelectionSummary summary =
            SummariseSelection(statistics, !exposure, selectionLevels(image, settings));
        image.selectionWb = summary.whiteBalance;
        image.selectionArea = selectionInImage(view, settings.selection);
        out.statisticsText = summary.text;
        out.coordinatesText = coordinatesText(image.selectionArea);
        out.selectionSummary = std::move(summary);
    }
    return out;
}

} // namespace korvane
