#pragma once
#include <optional>
#include <span>
#include <string_view>

#include "platform/Dialog.hpp"

namespace korvane {

// How one control of the main dialog is drawn: its text colour and font changes.
struct ControlStyle {
    int id;
    std::optional<platform::Rgb> colour;
    std::string_view face;    // empty: the default face
    int weight = 0;           // 0: keep the current weight
    float sizeChange = 0;     // points added when the table is first applied
    std::int8_t sizeStep = 0; // points per font step of the keyboard's + and -
    bool italic = false;
    bool underline = false;
};

inline constexpr std::string_view kDefaultStyleFace = "Times New Roman";

// The styled controls of the main dialog, in table order.
[[nodiscard]] std::span<const ControlStyle> controlStyleTable();
[[nodiscard]] const ControlStyle* findControlStyle(int id);

// Rebuilds the font of every styled control: with step 0 each grows by its size change, with
// +1 or -1 by its size step. `dpi` is the screen's vertical resolution.
void applyControlStyles(platform::DialogWindow& window, int dpi, int step);

} // namespace korvane
