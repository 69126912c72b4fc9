#pragma once
#include <cstdint>

#include "common/KeyState.hpp"
#include "common/RawFileContext.hpp"

namespace korvane {

// Virtual-key codes (the Win32 values the key state reports) of the keys loading looks at.
namespace held_key {
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kAlt = 0x12;
inline constexpr int kDigit0 = 0x30;  // '0' to '9' on the main keyboard
inline constexpr int kNumpad0 = 0x60; // 0 to 9 on the numeric keypad
inline constexpr int kD = 0x44;
} // namespace held_key

// What the keys held at "Process" ask of the loaded samples. Ctrl with a digit asks for one
// of these; Shift and Alt choose which.
enum class BitOperation : std::uint8_t {
    None,          // nothing requested
    DropOnly,      // Ctrl+0: only the black corrections are dropped, no pass
    SubtractBlack, // Ctrl+Alt+0: corrections dropped, then the black level subtracted
    Modulo,        // Ctrl+Shift+Alt+2..9: v modulo digit
    Shift,         // Ctrl+Shift+0..8: v shifted right by digit bits
    Keep,          // Ctrl+Alt+1..8: the low digit bits kept
    Erase,         // Ctrl+1..8: the low digit bits cleared
};

struct BitRequest {
    BitOperation operation = BitOperation::None;
    std::uint32_t digit = 0;
    bool dropBlackCorrections = false; // the column, row and CFA black data are dropped first
    bool runsPass() const {
        return operation != BitOperation::None && operation != BitOperation::DropOnly;
    }
};

// Reads Ctrl, Shift, Alt and the lowest digit held (main keyboard or numeric keypad).
[[nodiscard]] BitRequest readBitRequest(const KeyState& keys);

// Frees the column, row and CFA black arrays and the weightings; the black level minimum,
// maximum and average become the single black level and the offsets 0.
void dropBlackCorrections(ImageDescriptor& image);

// Subtracts every black correction from each sample of the active area, applies the requested
// operation, moves the levels of the image and the file down by the black level, clears the
// black data and appends the description of the operation to the file's ProcessingNote.
void applyBitManipulation(RawFileContext& file, ImageDescriptor& image, const BitRequest& request);

} // namespace korvane
