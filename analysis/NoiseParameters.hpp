#pragma once
#include <array>
#include <cstdint>

namespace korvane {

// Channel bits of the noise dialog's selection masks.
inline constexpr std::uint8_t kNoiseMaskRed = 0x80;
inline constexpr std::uint8_t kNoiseMaskGreen1 = 0x40;
inline constexpr std::uint8_t kNoiseMaskBlue = 0x20;
inline constexpr std::uint8_t kNoiseMaskGreen2 = 0x10;
inline constexpr std::uint8_t kNoiseMaskAll = 0xF0;

// The noise processing parameters: what the noise dialog edits and the display applies to
// every sample on its way to the screen. Channel index k: 0 red, 1 first green, 2 blue,
// 3 second green (the greens of the first and of the second row of the CFA cell in display
// orientation). The main dialog holds the live block, which the renderer and the RGB
// histogram read while `valid` is 1, and ten saved slots; the dialog works on a copy.
struct NoiseParameters {
    // The channels last selected for each function (kNoiseMask* bits).
    std::uint8_t offsetMask = 0;
    std::uint8_t shiftMask = 0;
    std::uint8_t multiplyMask = 0;
    std::uint8_t replaceMask = 0;
    std::uint8_t blackMask = 0;
    // 1 once any value has been stored; the functions apply only while it is 1.
    std::uint8_t valid = 0;
    // The Enable check boxes.
    std::uint8_t offsetOn = 0;
    std::uint8_t replaceOn = 0;
    std::uint8_t shiftOn = 0;
    std::uint8_t multiplyOn = 0;
    std::uint8_t blackOn = 0;
    std::uint8_t maskedOn = 0;

    std::array<std::int32_t, 4> offset{};
    std::array<std::int32_t, 4> shift{};         // the shift's scale S
    std::array<std::int32_t, 4> shiftRange{};    // where it acts (s); its sign chooses the side
    std::array<float, 4> multiply{};             // factor f
    std::array<std::int32_t, 4> multiplyRange{}; // fading range r (0: a plain factor)
    std::array<std::uint16_t, 4> replace{};      // noise amplitude A
    std::array<std::int32_t, 4> replaceRange{};  // the values 0 .. Rr that are replaced
    std::array<std::int32_t, 4> black{};         // black level per channel (its low 16 bits)
    // Weights of the column (horizontal) and row (vertical) masked-area black profiles,
    // 0 .. 10; a weight of 0 switches that profile off.
    float maskedHorizontal = 1.0f;
    float maskedVertical = 1.0f;

    bool operator==(const NoiseParameters&) const = default;
};

inline constexpr int kNoiseSavedSlotCount = 10;

} // namespace korvane
