#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "analysis/DisplayMode.hpp"

namespace korvane {

// A short decimal text for x: the integer digits, then one decimal below 100 and two below
// 10, all truncated; values below 0.01 (and anything that is no number) give "0.00".
// So 1234.56 gives "1234", 56.789 "56.7", 3.14159 "3.14", 0.05 "0.05" and 0.009 "0.00".
[[nodiscard]] std::string FormatShortNumber(double x);

// What the selection gathers per colour while the renderer paints. "Raw" is the reported
// raw value (the corrected one with "Adj"), "corrected" the black-corrected value, floored
// at 0; "display" the byte the mapping array gives the sample's value.
struct ColourStatistics {
    std::uint32_t n = 0;
    std::int64_t rawMin = 9999999;
    std::int64_t rawMax = 0;
    long double rawSum = 0;
    long double corrSum = 0;
    long double corrSq = 0;
    long double blackSum = 0;
    std::int64_t dispMin = 9999999;
    std::int64_t dispMax = 0;
    double dispSum = 0;
    double dispSq = 0;
};

// Exact integer sums of the Image modes' figures for one colour, gathered apart from the
// painting and added at once. Every term is an integer and every sum stays below 2^64, so
// the extended real sums come out the same as sample by sample.
struct ImageTotals {
    std::uint32_t n = 0;
    std::int64_t rawMin = 9999999, rawMax = 0, rawSum = 0;
    std::uint64_t corrSum = 0, corrSq = 0;
    std::int64_t blackSum = 0;
    std::int64_t dispMin = 9999999, dispMax = 0;
    std::uint64_t dispSum = 0, dispSq = 0;

    void add(const ImageTotals& t) {
        n += t.n;
        rawMin = std::min(rawMin, t.rawMin);
        rawMax = std::max(rawMax, t.rawMax);
        rawSum += t.rawSum;
        corrSum += t.corrSum;
        corrSq += t.corrSq;
        blackSum += t.blackSum;
        dispMin = std::min(dispMin, t.dispMin);
        dispMax = std::max(dispMax, t.dispMax);
        dispSum += t.dispSum;
        dispSq += t.dispSq;
    }
};

class SelectionStatistics {
public:
    void addImageTotals(CfaColour colour, const ImageTotals& t) {
        if (t.n == 0) return;
        ColourStatistics& s = colours_[static_cast<std::size_t>(colour)];
        s.n += t.n;
        s.rawMin = std::min(s.rawMin, t.rawMin);
        s.rawMax = std::max(s.rawMax, t.rawMax);
        s.rawSum += static_cast<long double>(t.rawSum);
        s.corrSum += static_cast<long double>(t.corrSum);
        s.corrSq += static_cast<long double>(t.corrSq);
        s.blackSum += static_cast<long double>(t.blackSum);
        s.dispMin = std::min(s.dispMin, t.dispMin);
        s.dispMax = std::max(s.dispMax, t.dispMax);
        s.dispSum += static_cast<double>(t.dispSum);
        s.dispSq += static_cast<double>(t.dispSq);
    }
    void addImageSample(CfaColour colour, std::int32_t reportedRaw, std::int32_t corrected,
                        double black, std::int32_t displayed) {
        ColourStatistics& s = add(colour, reportedRaw, corrected);
        s.blackSum += black;
        s.dispMin = std::min<std::int64_t>(s.dispMin, displayed);
        s.dispMax = std::max<std::int64_t>(s.dispMax, displayed);
        s.dispSum += displayed;
        s.dispSq += static_cast<double>(displayed) * displayed;
    }
    void addExposureSample(CfaColour colour, std::int32_t raw, std::int32_t corrected) {
        add(colour, raw, corrected);
    }
    // The statistics of another part of the same selection. The sums are of whole numbers
    // and halves far inside the precision, so the parts can be added in any order.
    void add(const SelectionStatistics& other) {
        for (std::size_t c = 0; c < colours_.size(); ++c) {
            ColourStatistics& s = colours_[c];
            const ColourStatistics& o = other.colours_[c];
            s.n += o.n;
            s.rawMin = std::min(s.rawMin, o.rawMin);
            s.rawMax = std::max(s.rawMax, o.rawMax);
            s.rawSum += o.rawSum;
            s.corrSum += o.corrSum;
            s.corrSq += o.corrSq;
            s.blackSum += o.blackSum;
            s.dispMin = std::min(s.dispMin, o.dispMin);
            s.dispMax = std::max(s.dispMax, o.dispMax);
            s.dispSum += o.dispSum;
            s.dispSq += o.dispSq;
        }
    }
    const ColourStatistics& colour(int k) const { return colours_[static_cast<std::size_t>(k)]; }

private:
    ColourStatistics& add(CfaColour colour, std::int32_t raw, std::int32_t corrected) {
        ColourStatistics& s = colours_[static_cast<std::size_t>(colour)];
        ++s.n;
        s.rawMin = std::min<std::int64_t>(s.rawMin, raw);
        s.rawMax = std::max<std::int64_t>(s.rawMax, raw);
        s.rawSum += raw;
        s.corrSum += corrected;
        s.corrSq += static_cast<long double>(corrected) * corrected;
        return s;
    }
    std::array<ColourStatistics, 3> colours_{};
};

// What follows from the statistics of a selection, per colour red, green, blue.
struct SelectionSummary {
    std::string text; // the statistics line(s) of control 1062
    // For the histogram of the selection: the smallest raw minimum and the largest raw
    // maximum of the colours that have samples, and the samples per colour.
    std::uint16_t rawMinimum = 0;
    std::uint16_t rawMaximum = 0;
    std::array<std::uint32_t, 3> samples{};
    // Image modes: the exposure index (without its "-") and the level ratio.
    std::array<std::string, 3> exposureIndexTexts{};
    std::array<std::string, 3> ratioTexts{};
    std::array<float, 3> whiteBalance{1.0f, 1.0f, 1.0f};
};

// The levels the texts and the white balance of a selection are measured against.
struct SelectionLevels {
    // White levels as stored: red, first green, blue, second green (0 allowed).
    std::array<std::int64_t, 4> white{};
    std::uint32_t whitePoint = 0; // stands for a white level of 0 in the white balance
    // Per colour red, green, blue: which colour is the white balance reference (largest).
    std::array<std::int64_t, 3> references{};
};

[[nodiscard]] SelectionSummary SummariseSelection(const SelectionStatistics& statistics,
                                                  bool imageModes, const SelectionLevels& levels);

// The white balance a selection suggests from its corrected means (red, green, blue).
[[nodiscard]] std::array<float, 3> SelectionWhiteBalance(const std::array<double, 3>& means,
                                                         const SelectionLevels& levels);

} // namespace korvane
