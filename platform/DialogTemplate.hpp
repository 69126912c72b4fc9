#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/Geometry.hpp"

namespace korvane::platform {

enum class ControlKind : std::uint8_t {
    PushButton,
    Edit,
    Static, // a text; with kNotify a click on it is a command
    GroupBox,
    CheckBox,
    RadioButton,
    Trackbar, // horizontal slider
    ComboBox, // drop-down list
    HScrollBar,
    VScrollBar,
    Panel,  // the picture panel: shows a Surface
    Icon,   // the program icon
    UpDown, // a pair of arrows stepping a value up and down (reports DialogHandler::onSpin)
};

// Initial styles of a control.
namespace style {
inline constexpr std::uint32_t kHidden = 0x0001;
inline constexpr std::uint32_t kDisabled = 0x0002;
inline constexpr std::uint32_t kDefault = 0x0004; // the default push button
inline constexpr std::uint32_t kOwnerDrawn = 0x0008;
inline constexpr std::uint32_t kPushLike = 0x0010;
inline constexpr std::uint32_t kBitmap = 0x0020; // a push button showing a bitmap
inline constexpr std::uint32_t kGroup = 0x0040;  // starts a group (radio buttons)
inline constexpr std::uint32_t kTabStop = 0x0080;
inline constexpr std::uint32_t kNotify = 0x0100; // a static that reports clicks
inline constexpr std::uint32_t kMultiline = 0x0200;
inline constexpr std::uint32_t kCentre = 0x0400; // centred text
inline constexpr std::uint32_t kRight = 0x0800;  // right-aligned text
inline constexpr std::uint32_t kSunken = 0x1000; // sunken frame
} // namespace style

// One control of a dialog template. The rectangle is in dialog units (a quarter of the
// average character width of the dialog font horizontally, an eighth of its height
// vertically), as (left, top, width, height).
struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string_view text;
    int x, y, cx, cy;
    std::uint32_t styles = 0;
    int textLimit = 0; // edits: most characters accepted, 0 for no limit

    bool has(std::uint32_t s) const { return (styles & s) != 0; }
};

struct DialogTemplate {
    int id;
    std::string_view title;
    int cx, cy; // client size in dialog units
    std::string_view fontFace;
    int fontPoints;
    std::span<const ControlTemplate> controls;

    const ControlTemplate* find(int controlId) const {
        for (const auto& c : controls)
            if (c.id == controlId) return &c;
        return nullptr;
    }
};

} // namespace korvane::platform
