#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DialogTemplate.hpp"
#include "platform/Geometry.hpp"
#include "platform/Surface.hpp"

namespace korvane::platform {

// A font as the dialog logic chooses it. heightPixels follows the Windows convention: a
// negative value is the character height in pixels, which the size computations use.
struct FontDescription {
    std::string face;
    int heightPixels = -13;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    friend bool operator==(const FontDescription&, const FontDescription&) = default;
};

// Slider and scroll-bar settings. A trackbar's thumb takes every position from minimum to
// maximum. A scroll bar's range covers the whole document and its page the visible part, as
// Windows has it: the thumb stops a page short of the end, at maximum - page + 1 (at
// maximum for a page of 0 or 1), and a position set beyond that is held there.
struct RangeState {
    int minimum = 0;
    int maximum = 100;
    int position = 0;
    int page = 1;
    int line = 1;
    int tickFrequency = 0;
};

// Where a window stands on the screen, and whether it is minimised or maximised.
struct WindowPlacement {
    Rect normal; // screen pixels, outer frame
    bool minimised = false;
    bool maximised = false;
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// A dialog window built from a template, driven by its logic through control ids. Every
// setter leaves the control's change signals silent: the logic never hears its own writes.
class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    virtual const DialogTemplate& dialogTemplate() const = 0;

    virtual void setTitle(std::string_view title) = 0;
    virtual std::string title() const = 0;

    virtual void setText(int id, std::string_view text) = 0;
    virtual std::string text(int id) const = 0;
    virtual void setTextLimit(int id, int characters) = 0;
    virtual void selectAllText(int id) = 0;

    virtual void setChecked(int id, bool checked) = 0;
    virtual bool isChecked(int id) const = 0;
    virtual void setEnabled(int id, bool enabled) = 0;
    virtual bool isEnabled(int id) const = 0;
    virtual void setVisible(int id, bool visible) = 0;
    virtual bool isVisible(int id) const = 0;

    virtual void setFocus(int id) = 0;
    virtual int focus() const = 0; // id of the focused control, 0 for none
    virtual void setDefaultControl(int id) = 0;
    virtual int defaultControl() const = 0;

    // Trackbars and scroll bars.
    virtual void setRangeState(int id, const RangeState& state) = 0;
    virtual RangeState rangeState(int id) const = 0;
    virtual void setPosition(int id, int position) = 0;
    int position(int id) const { return rangeState(id).position; }

    // Combo boxes.
    virtual void setItems(int id, const std::vector<std::string>& items) = 0;
    virtual std::vector<std::string> items(int id) const = 0;
    virtual void setSelection(int id, int index) = 0;
    virtual int selection(int id) const = 0; // -1 for none

    virtual void setFont(int id, const FontDescription& font) = 0;
    virtual FontDescription font(int id) const = 0;
    // An owner-drawn button asks DialogHandler::ownerDrawFace for what to show.
    virtual void setOwnerDrawn(int id, bool ownerDrawn) = 0;
    virtual bool isOwnerDrawn(int id) const = 0;
    virtual void setBitmap(int id, const Surface& bitmap) = 0;
    // Redraws a control; with `now` before returning (the "Process" button during a load).
    virtual void redraw(int id, bool now = false) = 0;

    // Rectangles in pixels, in the dialog's client coordinates.
    virtual Rect controlRect(int id) const = 0;
    virtual void moveControl(int id, const Rect& rect) = 0;
    virtual Size clientSize() const = 0;
    virtual WindowPlacement placement() const = 0;
    virtual void setPlacement(const WindowPlacement& placement) = 0;

    // The picture panel's picture; its size is the panel's client size. The logic fills it
    // and calls updatePanel() to have it shown.
    virtual Surface& panelSurface() = 0;
    virtual void updatePanel() = 0;

    // Adds an item to the window system's menu for this window (or, where there is none, to
    // the dialog's context menu); choosing it sends DialogHandler::onSystemCommand.
    virtual void addSystemMenuItem(int command, std::string_view text) = 0;

    // Raises the window above the others and activates it.
    virtual void bringToFront() = 0;
    // Ends the dialog. A modeless window is destroyed: its handler hears onDestroy, at once
    // or once the window system has let go of it, and may delete itself then.
    virtual void endDialog(int result) = 0;
};

enum class Notification : std::uint8_t {
    Clicked,
    SetFocus,
    KillFocus,
    SelectionChange,
    Change,
};

// Scroll codes carry the Windows values.
enum class ScrollCode : std::uint8_t {
    LineUp = 0,
    LineDown = 1,
    PageUp = 2,
    PageDown = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Top = 6,
    Bottom = 7,
    EndScroll = 8,
};

enum class KeyMessageKind : std::uint8_t { KeyDown, KeyUp, Char, SysKeyDown, SysKeyUp, SysChar };

// A key as the pre-translation hook sees it: a virtual-key code for key messages, the
// character code for character messages.
struct KeyMessage {
    KeyMessageKind kind;
    int code;
};

enum class MouseKind : std::uint8_t { LeftDown, LeftUp, RightDown, RightUp, Move };

struct MouseEvent {
    MouseKind kind;
    Point at; // panel client coordinates
};

// A turn of the mouse wheel over the panel: delta in eighths of a degree as the window
// system counts them (120 a notch, positive away from the user), with the modifiers held.
struct WheelEvent {
    int delta = 0;
    bool shift = false;
    bool ctrl = false;
    Point at; // panel client coordinates
};

enum class SizeKind : std::uint8_t { Restored, Minimised, Maximised, MaxShow, MaxHide };

// What an owner-drawn button shows.
struct OwnerDrawFace {
    Rgb background = rgb(255, 255, 255);
    Rgb textColour = 0;
    std::string text;
};

// The dialog logic: everything a window tells it.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;

    // The window exists with every control of its template; the handler keeps `window`.
    virtual void onInitDialog(DialogWindow& window) = 0;
    virtual void onCommand(int id, Notification code) = 0;
    virtual void onHScroll(int id, ScrollCode code, int position) {
        (void)id, (void)code, (void)position;
    }
    virtual void onVScroll(int id, ScrollCode code, int position) {
        (void)id, (void)code, (void)position;
    }
    // An arrow of an up-down control was pressed: +1 for up, -1 for down.
    virtual void onSpin(int id, int delta) { (void)id, (void)delta; }
    // Sees every key before the focused control; returns true when it consumed the key.
    virtual bool preTranslate(const KeyMessage& key) {
        (void)key;
        return false;
    }
    virtual void onPanelMouse(const MouseEvent& event) { (void)event; }
    virtual void onPanelWheel(const WheelEvent& event) { (void)event; }
    // The tooltip for the pointer resting at a panel point; empty for none.
    virtual std::string panelToolTip(Point at) {
        (void)at;
        return {};
    }
    // The pointer moved over the dialog outside the panel (dialog client coordinates).
    virtual void onDialogMouseMove(Point at) { (void)at; }
    virtual void onSize(SizeKind kind, Size client) { (void)kind, (void)client; }
    virtual void onMove() {}
    // The panel needs its picture (exposed, resized): fill panelSurface() and updatePanel().
    virtual void onPanelPaint() {}
    virtual void onSystemCommand(int command) { (void)command; }
    // Files dragged from a file manager: whether the window takes them, and the first local
    // file dropped on it.
    virtual bool acceptsFileDrops() const { return false; }
    virtual void onFileDropped(const std::string& path) { (void)path; }
    // The text colour of a control, or none for the window system's own.
    virtual std::optional<Rgb> controlTextColour(int id) const {
        (void)id;
        return std::nullopt;
    }
    virtual OwnerDrawFace ownerDrawFace(int id) const {
        (void)id;
        return {};
    }
    // The window is going away.
    virtual void onDestroy() {}
};

} // namespace korvane::platform
