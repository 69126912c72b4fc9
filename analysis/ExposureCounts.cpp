#include "analysis/ExposureCounts.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "analysis/CfaColours.hpp"
#include "analysis/InParts.hpp"

namespace korvane {

namespace {

// The marks and the counts split the values of the range at the same place, whatever the
// black and white points.
constexpr std::uint32_t kLowSideTop = 2047;

std::string countText(const ExposureCounts& counts, int first,
                      const std::array<std::string, 3>& shares) {
    char text[160];
    std::snprintf(text, sizeof text, "R,G,B  #: %u, %u, %u\nR,G,B %%: %s%%, %s%%, %s%%",
                  counts[first], counts[first + 1], counts[first + 2], shares[0].c_str(),
                  shares[1].c_str(), shares[2].c_str());
    return text;
}

} // namespace

std::string ExposurePercentage(std::uint64_t count, std::uint64_t samples, std::uint32_t entries,
                               std::uint32_t colourEntries) {
    const std::uint64_t denominator = samples * colourEntries;
    if (denominator == 0) return "0";
    // Whole or not is decided in integers, so that 25 % is never written 24.9999.
    const std::uint64_t numerator = count * entries * 100;
    char text[48];
    if (numerator % denominator == 0)
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(numerator / denominator));
    else
        std::snprintf(text, sizeof text, "%.4f",
                      static_cast<double>(numerator) / static_cast<double>(denominator));
    return text;
}

ExposureCountTexts CountExposureClasses(ImageDescriptor& image, std::uint32_t blackPoint,
                                        std::uint32_t whitePoint, bool outsideRange) {
    image.blackPoint = blackPoint;
    image.whitePoint = whitePoint;
    ExposureCounts counts{};
    const SampleRect area = image.activeRect();
    const std::uint32_t pw = cfaPatternWidth(image), ph = cfaPatternHeight(image);
    const std::size_t pitch = image.imageWidth;
    const bool complete = image.samples.size() >= pitch * image.imageLength;

    // Per pattern entry: the counter offset of its colour, or none for a switched-off green.
    std::array<int, 64> colourOf{};
    std::array<std::uint32_t, 3> colourEntries{};
    for (std::uint32_t e = 0; e < pw * ph; ++e) {
        const CfaColour c = cfaColourOfEntry(image, e);
        ++colourEntries[static_cast<std::size_t>(c)];
        const int channel = channelOf(c, e / pw);
        const bool off = (channel == kChannelGreen1 && image.wbMultipliers[1] == 0) ||
                         (channel == kChannelGreen2 && image.wbMultipliers[2] == 0);
        colourOf[e] = off ? -1 : static_cast<int>(c);
    }
    // Rows in parts on the worker pool, each part counting on its own; whole-number sums
    // come out the same whatever the parts.
    // Without branches on the samples (their values decide, and no predictor guesses them):
    // each sample adds 0 or 1 to a counter of its side and colour; a switched-off green
    // counts into a fourth colour that is dropped.
    const auto countRows = [&](std::uint32_t from, std::uint32_t to, ExposureCounts& into) {
        std::array<std::array<std::uint64_t, 4>, 2> sides{}; // [low, high][R, G, B, none]
        for (std::uint32_t y = from; y < to; ++y) {
            const std::uint16_t* row = image.samples.data() + (area.top + y) * pitch + area.left;
            const int* colours = colourOf.data() + (y % ph) * pw;
            std::uint32_t e = 0;
            for (std::uint32_t x = 0; x < area.width; ++x) {
                const int colour = colours[e];
                if (++e == pw) e = 0;
                const auto c = static_cast<std::size_t>(colour < 0 ? 3 : colour);
                const std::uint32_t s = row[x];
                if (outsideRange) {
                    const bool low = s <= blackPoint;
                    sides[0][c] += low;
                    sides[1][c] += !low & (s >= whitePoint);
                } else {
                    const bool inside = (s >= blackPoint) & (s <= whitePoint);
                    sides[s > kLowSideTop][c] += inside;
                }
            }
        }
        for (std::size_t c = 0; c < 3; ++c) {
            into[exposure_count::kLowRed + c] += static_cast<std::uint32_t>(sides[0][c]);
            into[exposure_count::kHighRed + c] += static_cast<std::uint32_t>(sides[1][c]);
        }
    };
    if (complete) {
        constexpr std::uint64_t kSamplesPerPart = 1 << 20;
        const std::uint64_t area64 = std::uint64_t{area.width} * area.height;
        const int parts = static_cast<int>(std::clamp<std::uint64_t>(
            area64 / kSamplesPerPart, 1, WorkerPool::shared().concurrency()));
        std::vector<ExposureCounts> partCounts(static_cast<std::size_t>(parts), ExposureCounts{});
        inParts(parts, static_cast<std::int32_t>(area.height),
                [&](int part, std::int32_t from, std::int32_t to) {
                    countRows(static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to),
                              partCounts[static_cast<std::size_t>(part)]);
                });
        for (const ExposureCounts& part : partCounts)
            for (std::size_t i = 0; i < counts.size(); ++i)
                counts[i] += part[i];
    }
    image.exposureCounts = counts;

    const std::uint64_t samples = std::uint64_t{area.height} * area.width;
    std::array<std::string, 3> low, high;
    for (std::size_t c = 0; c < 3; ++c) {
        low[c] = ExposurePercentage(counts[exposure_count::kLowRed + c], samples, pw * ph,
                                    colourEntries[c]);
        high[c] = ExposurePercentage(counts[exposure_count::kHighRed + c], samples, pw * ph,
                                     colourEntries[c]);
    }
    return {countText(counts, exposure_count::kLowRed, low),
            countText(counts, exposure_count::kHighRed, high)};
}

} // namespace korvane
