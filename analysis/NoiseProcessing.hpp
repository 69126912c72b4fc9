#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/Histograms.hpp"
#include "analysis/NoiseParameters.hpp"
#include "analysis/NoiseStage.hpp"

namespace korvane {

// The noise processing stage the display applies while the noise parameters are valid:
// black levels and masked-profile gates for the black level source, then per sample
// Multiply, Replace, Shift and Offset (Composite and Channel), or the Greyscale mode's own
// Shift and Offset. It reads the live parameters it is given at every begin, so one stage
// serves every drawing; the Replace sequences restart there, so equal drawings are equal.
class NoiseProcessing final : public NoiseStage {
public:
    explicit NoiseProcessing(const NoiseParameters& live) : live_(live) {}

    void begin(const ImageDescriptor& image, DisplayMode mode, ImageSubMode subMode) override;
    std::optional<std::array<std::uint16_t, 4>> blackLevels() const override;
    bool columnBlackOn() const override;
    bool rowBlackOn() const override;
    std::int32_t apply(std::int32_t v, int channel, std::int32_t white) override;
    std::int32_t offset(int channel) const override;

    // apply in three steps, for a renderer that tabulates the two that keep no state:
    // apply(v) = after(replaced(before(v))), where the Replace step acts on the values 0 to
    // replaceRange(channel) only (none when that is below 0) and runs on from sample to
    // sample. Valid after begin.
    std::int64_t before(std::int64_t v, int channel, std::int32_t white) const {
        const Channel& c = channels_[static_cast<std::size_t>(channel) & 3];
        return kind_ == Kind::Colour && c.multiply ? multiplied(v, c, white) : v;
    }
    std::int32_t replaceRange(int channel) const {
        const ReplaceTables& t = channels_[static_cast<std::size_t>(channel) & 3].replace;
        return kind_ == Kind::Colour && t.range > 0 ? t.range : -1;
    }
    // The Replace step of a value w from 0 to replaceRange(channel).
    std::int64_t replaceStep(int channel, std::int32_t w) {
        return replaced(w, channels_[static_cast<std::size_t>(channel) & 3].replace);
    }
    std::int64_t after(std::int64_t x, int channel) const;
    // Moves the Replace sequence of value w on as if `count` samples of it had taken the
    // step, so that a drawing shared out in parts can start each part where the one before
    // it ends: the result does not depend on how the drawing is shared out.
    void skip(int channel, std::int32_t w, std::uint64_t count);

private:
    // The Replace working tables of one value: width Wd, half Hf, counter C, direction D and
    // previous P, kept together so that a step touches one place; and the multiplier that
    // takes a remainder by the width without dividing.
    struct ReplaceEntry {
        std::uint64_t inverse = 0;
        std::uint16_t width = 1, half = 0, counter = 0, previous = 0;
        std::int8_t direction = 1;
    };
    // Those of one channel, indexed by the value 0 .. range.
    struct ReplaceTables {
        std::int32_t range = 0; // Rr, at most kReplaceRangeLimit; 0: Replace is off
        std::vector<ReplaceEntry> entries;
    };
    // What one channel does to its samples in the drawing begun last.
    struct Channel {
        bool multiply = false;
        double factor = 1;     // f
        std::int32_t fade = 0; // r
        bool shift = false;
        double scale = 0;        // S
        std::int32_t where = 0;  // s
        double divisor = 1;      // Z (Composite, Channel) or the Greyscale divisor
        std::int64_t offset = 0; // 0 while Offset is off
        ReplaceTables replace;
    };
    enum class Kind : std::uint8_t { Off, Colour, Greyscale };

    std::int64_t multiplied(std::int64_t v, const Channel& c, std::int32_t white) const;
    static std::int64_t replaced(std::int64_t v, ReplaceTables& t) {
        ReplaceEntry& e = t.entries[static_cast<std::size_t>(v)];
        std::int32_t counter = e.counter + e.direction;
        if (counter <= 0) {
            counter = 0;
            e.direction = 1;
        } else if (counter >= kLastCounter) {
            counter = kLastCounter;
            e.direction = -1;
        }
        e.counter = static_cast<std::uint16_t>(counter);
        const std::uint32_t noise =
            remainder(primeAt(counter) + std::uint32_t{e.previous}, e.inverse, e.width);
        e.previous = static_cast<std::uint16_t>(noise);
        return v + noise - e.half;
    }
    static constexpr std::int32_t kLastCounter = 668;
    static std::uint32_t primeAt(std::int32_t counter);
    // a mod d for a below 2^32, with inverse = 2^64 / d rounded up (Lemire's method).
    static std::uint32_t remainder(std::uint32_t a, std::uint64_t inverse, std::uint32_t d) {
        return static_cast<std::uint32_t>((static_cast<unsigned __int128>(inverse * a) * d) >> 64);
    }
    static std::int64_t shifted(std::int64_t v, const Channel& c);
    std::int64_t greyShifted(std::int64_t v, const Channel& c) const;
    void prepareReplace(int channel);

    const NoiseParameters& live_;
    Kind kind_ = Kind::Off;
    std::int64_t largestWhite_ = 0; // Wmax, for the Greyscale shift
    std::array<Channel, 4> channels_{};
};

// Replace acts on the values 0 .. Rr with Rr taken as at most this.
inline constexpr std::int32_t kReplaceRangeLimit = 1000;

// The noise parameters as the RGB histogram applies them: nothing while they are not valid;
// otherwise each function's values while its Enable box is on (a function that is off
// counts as 0, its Masked weights as 1).
[[nodiscard]] std::optional<HistogramNoise> HistogramNoiseOf(const NoiseParameters& p);

} // namespace korvane
