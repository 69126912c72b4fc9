#pragma once

namespace korvane::platform {

// Virtual-key codes. The values are those of the Windows key tables, so that key handling
// reads as the command tables are written.
namespace vk {
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12; // Alt
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kPrior = 0x21; // Page Up
inline constexpr int kNext = 0x22;  // Page Down
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kInsert = 0x2D;
inline constexpr int kDelete = 0x2E;
inline constexpr int k0 = 0x30;       // '0' to '9' are 0x30 to 0x39
inline constexpr int kA = 0x41;       // 'A' to 'Z' are 0x41 to 0x5A
inline constexpr int kNumpad0 = 0x60; // to 0x69
inline constexpr int kMultiply = 0x6A;
inline constexpr int kAdd = 0x6B;
inline constexpr int kSeparator = 0x6C;
inline constexpr int kSubtract = 0x6D;
inline constexpr int kDecimal = 0x6E;
inline constexpr int kDivide = 0x6F;
inline constexpr int kF1 = 0x70; // to F24 at 0x87
inline constexpr int kOemPlus = 0xBB;
inline constexpr int kOemMinus = 0xBD;
constexpr int letter(char c) {
    return kA + (c >= 'a' ? c - 'a' : c - 'A');
}
constexpr int digit(int d) {
    return k0 + d;
}
} // namespace vk

} // namespace korvane::platform
