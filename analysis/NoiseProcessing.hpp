#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/Histograms.hpp"
#include "analysis/NoiseParameters.hpp"
#include "analysis/NoiseStage.hpp"
#include "analysis/ReplacePrimes.hpp"

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
    // The Replace working state of one value: width Wd, half Hf, where its counter stands on
    // the round trip up the primes and back (the phase: index c going up is phase c, coming
    // down 2 x kLastCounter - c), the previous noise P, and the multiplier that takes a
    // remainder by the width without dividing. Kept together, so that a step touches one place.
    struct ReplaceEntry {
        std::uint32_t inverse = 0; // 2^32 / width rounded up
        std::uint16_t width = 1, half = 0, phase = 0, previous = 0;
    };
    // The entries of a channel's values 0 .. replaceRange(channel). Valid after begin.
    ReplaceEntry* replaceEntries(int channel) {
        return channels_[static_cast<std::size_t>(channel) & 3].replace.entries.data();
    }
    // The Replace step of a value w from 0 to replaceRange(channel), by its entry: the noise
    // lies from 0 to Wd - 1 and Hf is at most w, so the result is never below 0.
    static std::uint32_t replaceStep(ReplaceEntry& e, std::int32_t w) {
        const std::uint32_t phase = e.phase + 1u == kCycle ? 0 : e.phase + 1u;
        e.phase = static_cast<std::uint16_t>(phase);
        const std::uint32_t noise =
            remainder(std::uint32_t{kPhasePrimes[phase]} + e.previous, e.inverse, e.width);
        e.previous = static_cast<std::uint16_t>(noise);
        return static_cast<std::uint32_t>(w) + noise - e.half;
    }
    std::int64_t replaceStep(int channel, std::int32_t w) {
        return replaceStep(replaceEntries(channel)[static_cast<std::size_t>(w)], w);
    }
    std::int64_t after(std::int64_t x, int channel) const;
    // What before, after and the Replace ranges of the drawing begun last depend on (with the
    // white level a renderer passes to before): two drawings begun alike are worked alike.
    struct Begun {
        NoiseParameters parameters;
        std::uint8_t kind = 0;
        std::array<std::int64_t, 4> white{};
        bool operator==(const Begun&) const = default;
    };
    const Begun& begun() const { return begun_; }
    // Moves the Replace sequence of value w on as if `count` samples of it had taken the
    // step, so that a drawing shared out in parts can start each part where the one before
    // it ends: the result does not depend on how the drawing is shared out.
    void skip(int channel, std::int32_t w, std::uint64_t count);

private:
    // A counter walks the primes up to the last index and back down to 0: one round trip.
    static constexpr auto kLastCounter = static_cast<std::int32_t>(kReplaceLastPrime);
    static constexpr std::uint32_t kCycle = 2 * kLastCounter;
    // The prime at each phase of the round trip.
    static constexpr std::array<std::uint16_t, kCycle> kPhasePrimes = [] {
        std::array<std::uint16_t, kCycle> primes{};
        for (std::uint32_t j = 0; j < kCycle; ++j)
            primes[j] = kReplacePrimes[j <= kReplaceLastPrime ? j : kCycle - j];
        return primes;
    }();
    // a mod d for a and d below 2^16, with inverse = 2^32 / d rounded up (Lemire's method).
    static std::uint32_t remainder(std::uint32_t a, std::uint32_t inverse, std::uint32_t d) {
        return static_cast<std::uint32_t>((std::uint64_t{inverse * a} * d) >> 32);
    }

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
    static std::int64_t shifted(std::int64_t v, const Channel& c);
    std::int64_t greyShifted(std::int64_t v, const Channel& c) const;
    void prepareReplace(int channel);

    const NoiseParameters& live_;
    Begun begun_;
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
