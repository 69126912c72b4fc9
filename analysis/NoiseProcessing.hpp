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

private:
    // The Replace working tables of one channel, indexed by the value 0 .. range.
    struct ReplaceTables {
        std::int32_t range = 0; // Rr, at most kReplaceRangeLimit; 0: Replace is off
        std::vector<std::uint16_t> width, half, counter, previous;
        std::vector<std::int8_t> direction;
    };
    // What one channel does to its samples in the drawing begun last.
    struct Channel {
        bool multiply = false;
        double factor = 1;       // f
        std::int32_t fade = 0;   // r
        bool shift = false;
        double scale = 0;        // S
        std::int32_t where = 0;  // s
        double divisor = 1;      // Z (Composite, Channel) or the Greyscale divisor
        std::int64_t offset = 0; // 0 while Offset is off
        ReplaceTables replace;
    };
    enum class Kind : std::uint8_t { Off, Colour, Greyscale };

    std::int64_t multiplied(std::int64_t v, const Channel& c, std::int32_t white) const;
    static std::int64_t replaced(std::int64_t v, ReplaceTables& t);
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
