#pragma once
#include <array>
#include <cstdint>
#include <optional>

#include "analysis/DisplayMode.hpp"

namespace korvane {

struct IfdNode;
using ImageDescriptor = IfdNode;

// The noise processing stage of the display: the settings of the noise dialog act on every
// sample between black level subtraction and the black point comparison. The renderer
// calls it through this interface only, so the stage can be built and tested on its own.
// While a stage is given, the renderer evaluates every sample through apply (no look-up
// tables), in the order it paints them, so that a stage with running state sees each painted
// sample once. The display's own stage, NoiseProcessing, lays its work out so that the
// renderer can tabulate all but its running Replace step and still give that step every
// painted sample in painting order.
class NoiseStage {
public:
    virtual ~NoiseStage() = default;

    // Once per drawing, before the first sample: the working tables of the stage.
    virtual void begin(const ImageDescriptor& image, DisplayMode mode, ImageSubMode subMode) = 0;

    // The four black levels that replace the image's black level source (red, first green,
    // blue, second green), when the stage's black function is on.
    virtual std::optional<std::array<std::uint16_t, 4>> blackLevels() const = 0;
    // Whether the masked-profile gates let the column and the row black arrays take part.
    virtual bool columnBlackOn() const = 0;
    virtual bool rowBlackOn() const = 0;

    // One sample: v is the value after black level subtraction; channel is kChannelRed,
    // kChannelGreen1, kChannelBlue or kChannelGreen2; white is that channel's white level.
    virtual std::int32_t apply(std::int32_t v, int channel, std::int32_t white) = 0;
    // The offset the stage adds to a channel (0 while its offset function is off); the
    // selection statistics add it to the black level of each sample.
    virtual std::int32_t offset(int channel) const = 0;
};

} // namespace korvane
