#include "analysis/SelectionStatistics.hpp"

#include <cmath>
#include <cstdio>

namespace korvane {

namespace {

// The population standard deviation from a sum and a sum of squares; rounding can leave the
// variance a hair below 0, which is 0.
template <typename Real> double deviation(Real sum, Real squares, double n) {
    const Real variance = (squares - sum * sum / n) / n;
    return variance > 0 ? std::sqrt(static_cast<double>(variance)) : 0.0;
}

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

struct ColourFigures {
    std::int64_t rawMin = 0, rawMax = 0, mean = 0;
    double meanCorr = 0;
    std::string deviationText = "0.00";
    std::string indexPrefix, indexText = "0", ratioText = "0";
    std::int64_t dispMin = 0, dispMax = 0;
    double dispMean = 0, dispDeviation = 0;
};

// The white level a colour's exposure index is measured against: red, first green, blue.
std::int64_t indexWhite(const SelectionLevels& levels, int colour) {
    return levels.white[static_cast<std::size_t>(colour)];
}

ColourFigures figuresOf(const ColourStatistics& s, bool imageModes, std::int64_t white) {
    ColourFigures f;
    if (s.n == 0) return f;
    const double n = s.n;
    f.rawMin = s.rawMin;
    f.rawMax = s.rawMax;
    f.mean = static_cast<std::int64_t>(s.rawSum / n);
    f.meanCorr = static_cast<double>(s.corrSum / n);
    f.deviationText = FormatShortNumber(deviation(s.corrSum, s.corrSq, n));
    if (!imageModes) return f;
    const double headroom = static_cast<double>(white) - static_cast<double>(s.blackSum / n);
    // Without light or without room below the white level there is no finite index.
    if (f.meanCorr > 0 && headroom > 0) {
        f.indexText = FormatShortNumber(std::log2(headroom / f.meanCorr));
        f.ratioText = format("%.4f", f.meanCorr / headroom);
        if (f.indexText != "0") f.indexPrefix = "-";
    }
    f.dispMin = s.dispMin;
    f.dispMax = s.dispMax;
    f.dispMean = s.dispSum / n;
    f.dispDeviation = deviation(s.dispSum, s.dispSq, n);
    return f;
}

std::string exposureText(const std::array<ColourFigures, 3>& f) {
    char text[512];
    std::snprintf(text, sizeof text,
                  " Raw (min,max,avrg,StDev) = ((%lli, %lli, %lli, %s), (%lli, %lli, %lli, %s), "
                  "(%lli, %lli, %lli, %s))",
                  static_cast<long long>(f[0].rawMin), static_cast<long long>(f[0].rawMax),
                  static_cast<long long>(f[0].mean), f[0].deviationText.c_str(),
                  static_cast<long long>(f[1].rawMin), static_cast<long long>(f[1].rawMax),
                  static_cast<long long>(f[1].mean), f[1].deviationText.c_str(),
                  static_cast<long long>(f[2].rawMin), static_cast<long long>(f[2].rawMax),
                  static_cast<long long>(f[2].mean), f[2].deviationText.c_str());
    return text;
}

std::string imageRawPart(const ColourFigures& f) {
    char text[160];
    std::snprintf(text, sizeof text, "(%lli, %lli, %lli, %s, %s%s)",
                  static_cast<long long>(f.rawMin), static_cast<long long>(f.rawMax),
                  static_cast<long long>(f.mean), f.deviationText.c_str(), f.indexPrefix.c_str(),
                  f.indexText.c_str());
    return text;
}

std::string imageDisplayPart(const ColourFigures& f) {
    char text[160];
    std::snprintf(text, sizeof text, "(%lli, %lli, %.1f, %.2f)", static_cast<long long>(f.dispMin),
                  static_cast<long long>(f.dispMax), f.dispMean, f.dispDeviation);
    return text;
}

std::string imageText(const std::array<ColourFigures, 3>& f) {
    return " Raw (min,max,avrg,StDev,AI) = (" + imageRawPart(f[0]) + ", " + imageRawPart(f[1]) +
           ", " + imageRawPart(f[2]) + ")\n RGB (min,max,avrg,StDev) = (" + imageDisplayPart(f[0]) +
           ", " + imageDisplayPart(f[1]) + ", " + imageDisplayPart(f[2]) + ")";
}

std::uint16_t clamp16(std::int64_t v) {
    return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, 65535));
}

} // namespace

std::string FormatShortNumber(double x) {
    if (!(x >= 0.01)) return "0.00";
    // Hundredths by truncation of the value itself, so that no digit is rounded up.
    const long double scaled = static_cast<long double>(x) * 100;
    const auto hundredths =
        scaled < 1e19L ? static_cast<std::uint64_t>(scaled) : UINT64_C(10000000000000000000);
    std::string text = std::to_string(hundredths / 100);
    if (x < 100) text += static_cast<char>('0' + hundredths / 10 % 10);
    if (x < 10) text += static_cast<char>('0' + hundredths % 10);
    if (x < 100) text.insert(text.size() - (x < 10 ? 2 : 1), 1, '.');
    return text;
}

std::array<float, 3> SelectionWhiteBalance(const std::array<double, 3>& means,
                                           const SelectionLevels& levels) {
    if (means[0] == 0 || means[1] == 0 || means[2] == 0) return {1.0f, 1.0f, 1.0f};
    const auto level = [&](std::size_t channel) {
        const std::int64_t w = levels.white[channel];
        return static_cast<double>(w != 0 ? w : levels.whitePoint);
    };
    const std::array<double, 3> white{level(0), (level(1) + level(3)) / 2, level(2)};
    const auto& r = levels.references;
    // Ties go to green, then blue, then red.
    const std::size_t ref = r[1] >= r[0] && r[1] >= r[2] ? 1 : r[2] >= r[0] ? 2 : 0;
    std::array<float, 3> wb{};
    for (std::size_t k = 0; k < 3; ++k)
        wb[k] = k == ref || white[ref] == 0
                    ? 1.0f
                    : static_cast<float>((white[k] / white[ref]) * (means[ref] / means[k]));
    return wb;
}

SelectionSummary SummariseSelection(const SelectionStatistics& statistics, bool imageModes,
                                    const SelectionLevels& levels) {
    std::array<ColourFigures, 3> figures;
    SelectionSummary summary;
    std::array<double, 3> means{};
    bool any = false;
    std::int64_t low = 0, high = 0;
    for (int k = 0; k < 3; ++k) {
        const ColourStatistics& s = statistics.colour(k);
        figures[k] = figuresOf(s, imageModes, indexWhite(levels, k));
        means[k] = figures[k].meanCorr;
        summary.samples[k] = s.n;
        summary.exposureIndexTexts[k] = figures[k].indexText;
        summary.ratioTexts[k] = figures[k].ratioText;
        if (s.n == 0) continue;
        low = any ? std::min(low, s.rawMin) : s.rawMin;
        high = any ? std::max(high, s.rawMax) : s.rawMax;
        any = true;
    }
    summary.rawMinimum = clamp16(low);
    summary.rawMaximum = clamp16(high);
    summary.text = imageModes ? imageText(figures) : exposureText(figures);
    summary.whiteBalance = SelectionWhiteBalance(means, levels);
    return summary;
}

} // namespace korvane
