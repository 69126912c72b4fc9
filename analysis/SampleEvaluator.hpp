#pragma once
#include <array>
#include <cstdint>

#include "analysis/BlackLevels.hpp"
#include "analysis/BlackLineCache.hpp"
#include "analysis/RenderSettings.hpp"
#include "analysis/Viewport.hpp"
#include "common/IfdNode.hpp"
#include "platform/Geometry.hpp"

namespace korvane {

// What a sample is on its way to the screen, in the Image modes.
enum class SampleClass : std::uint8_t {
    Value = 0,      // inside the display range: its value is used
    AtBlack = 1,    // at or below the black level (L)
    BelowPoint = 2, // below the black point (U)
    AboveRange = 3, // scaled above the display range, not raw saturated (O)
    Saturated = 4,  // raw saturated with "Raw clipping" checked (S)
};
inline constexpr std::size_t kSampleClasses = 5;

// The levels of one drawing in the Image modes.
struct DisplayLevels {
    std::int32_t range = 3;       // displayRange: white point - black point, 3 to 131072
    std::int64_t pointOffset = 0; // black point - black level minimum
    bool rawClipping = false;
    std::array<float, 4> factor{}; // per channel: red, first green, blue, second green
    // The level at which a channel's raw sample saturates (both greens: the first green's),
    // and each channel's own white level; a white level of 0 stands for the white point.
    std::array<std::int64_t, 4> saturation{};
    std::array<std::int64_t, 4> white{};
};

// Display range of a black and a white point: their difference taken as unsigned, at least
// 3 and at most 0x20000 (so a white point below the black point gives 0x20000).
[[nodiscard]] std::int32_t DisplayRange(std::uint32_t blackPoint, std::uint32_t whitePoint);

// The channel factors are exposure x largest white level x multiplier / the channel's white
// level, in single precision; 1 in the Exposure mode.
[[nodiscard]] DisplayLevels DisplayLevelsOf(const ImageDescriptor& image,
                                            const RenderSettings& settings,
                                            std::int32_t blackMinimum);

struct Classified {
    SampleClass kind = SampleClass::Value;
    std::int32_t value = 0;
};

// The class and value of a sample with corrected value v (black level subtracted, noise
// stage applied) and raw saturation `saturated`, for a channel with factor f.
inline Classified classify(std::int64_t v, bool saturated, float f, const DisplayLevels& levels) {
    if (v < 1) return {SampleClass::AtBlack, 0};
    const std::int64_t d = v - levels.pointOffset;
    if (d < 1) return {SampleClass::BelowPoint, 0};
    const float y = static_cast<float>(d) * f;
    const bool above = y >= static_cast<float>(levels.range) + 1;
    if (!saturated)
        return above ? Classified{SampleClass::AboveRange, 0}
                     : Classified{SampleClass::Value, static_cast<std::int32_t>(y)};
    if (levels.rawClipping) return {SampleClass::Saturated, 0};
    return {SampleClass::Value, above ? levels.range : static_cast<std::int32_t>(y)};
}

// Everything about one sample, for painting and for the selection statistics.
struct SampleResult {
    std::uint32_t out = 0;        // value index (cell modes) or pixel (sample modes)
    std::int32_t reportedRaw = 0; // the raw value the statistics report
    std::int32_t corrected = 0;   // black-corrected, floored at 0
    double black = 0;             // black level used, noise offset included (Image modes)
    std::int32_t displayed = 0;   // byte shown for the sample (Image modes)
};

// Turns samples into what the mode paints: in Composite and the reduced Greyscale, the
// value whose mapping the cell means select; in Channel, Greyscale at 1 sample per pixel and
// Exposure, the pixel itself. The renderer caches outFromRaw / outFromCorrected in tables
// and calls evaluate only where a table cannot serve (noise stage, selection statistics).
class SampleEvaluator {
public:
    SampleEvaluator(const ImageDescriptor& image, const Viewport& view,
                    const RenderSettings& settings, const BlackLevels& black,
                    const std::uint8_t* mapping);

    bool pixelsOut() const { return pixelsOut_; }
    // Whether the black level differs between samples of one cell position.
    bool blackVaries() const;
    // Result for a raw sample at a cell position whose black level does not vary.
    std::uint32_t outFromRaw(std::uint32_t s, int q) const;
    // Result for a corrected value v >= 0 at a cell position, raw saturated or not.
    std::uint32_t outFromCorrected(std::int64_t v, bool saturated, int q) const;
    // The black level subtracted at a sample (row, column of the active area, stored).
    std::int32_t blackAt(std::int64_t row, std::int64_t column, int q) const;
    // The same for `count` samples along a line of one cell row from (row, column): the
    // combined column and row black, plus what each cell position adds to it.
    void blackLine(std::int64_t row, std::int64_t column, int rowStep, int columnStep, int cellRow,
                   std::int32_t count, std::int32_t* out) const;
    // The same line from `cache` where one of the same black and weighting was worked out
    // before, else worked out into it; valid until the cache's next line.
    const std::int32_t* blackLine(std::int64_t row, std::int64_t column, int rowStep,
                                  int columnStep, int cellRow, std::int32_t count,
                                  BlackLineCache& cache) const;
    std::int64_t saturationOf(int q) const;
    // The white level of a cell position's channel (a white level of 0 stands for the white
    // point), and the largest black level subtracted anywhere.
    std::int64_t whiteOf(int q) const { return levels_.white[view_.cfa.channel[q]]; }
    std::int32_t largestBlack() const { return black_.largest(); }
    // From which raw sample (outFromRaw) or corrected value (outFromCorrected) on the result
    // no longer changes, at most 0xFFFF: the look-up tables end there.
    std::uint32_t rawLimit(int q) const;
    std::uint32_t correctedLimit(int q) const;

    // The byte the statistics take for a sample whose table result is `out`, where the
    // result shows it: not for a Channel sample of a colour that is switched off.
    bool displayedInOut(int q) const;
    std::int32_t displayedOf(std::uint32_t out, int q) const {
        if (greyMarks_) return static_cast<std::int32_t>(out & 0xFF);
        if (channelMode_)
            return static_cast<std::int32_t>(
                (out >> (16 - 8 * static_cast<int>(view_.cfa.colour[q]))) & 0xFF);
        return mapping_[out];
    }
    // displayedOf for one cell position, as a rule for loops: through the mapping when
    // `mapping` is set, else the byte of the result at `shift`.
    struct DisplayedRule {
        const std::uint8_t* mapping = nullptr;
        int shift = 0;
    };
    DisplayedRule displayedRule(int q) const {
        if (greyMarks_) return {nullptr, 0};
        if (channelMode_) return {nullptr, 16 - 8 * static_cast<int>(view_.cfa.colour[q])};
        return {mapping_, 0};
    }
    // The byte the statistics take for a corrected value (Image modes).
    std::int32_t displayedOfCorrected(std::int64_t v, bool saturated, int q) const;
    bool exposure() const { return exposure_; }
    bool adjusted() const { return adjusted_; }

    // The whole evaluation of a sample, with the noise stage when one is given.
    SampleResult evaluate(std::uint32_t s, std::int64_t row, std::int64_t column, int q,
                          NoiseStage* noise) const;

private:
    std::int32_t valueOf(const Classified& c, int q) const;
    std::uint32_t imageOut(const Classified& c, int q) const;
    std::uint32_t exposureOut(std::int64_t e, int q) const;

    const Viewport& view_;
    const BlackLevels& black_;
    const std::uint8_t* mapping_;
    DisplayLevels levels_;
    bool exposure_ = false;
    bool pixelsOut_ = false;
    bool greyMarks_ = false; // Greyscale at one sample per pixel: clipping paints pixels
    bool channelMode_ = false;
    bool adjusted_ = false;
    bool blackCorrectedMarks_ = false;
    bool outsideRange_ = false;
    std::uint32_t blackPoint_ = 0;
    std::uint32_t whitePoint_ = 0;
    // Per channel, per class: the value a clipped class gives; and with greyMarks_, the pixel.
    std::array<std::array<std::int32_t, kSampleClasses>, 4> clipValue_{};
    std::array<platform::Rgb, kSampleClasses> clipPixel_{};
    // Per colour: Channel mode enable, and the low-side and high-side exposure mark colours.
    std::array<platform::Rgb, 3> channelMask_{};
    std::array<platform::Rgb, 3> lowMark_{};
    std::array<platform::Rgb, 3> highMark_{};
};

} // namespace korvane
