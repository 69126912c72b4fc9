#pragma once
#include <string>
#include <string_view>

#include "platform/headless/HeadlessDialog.hpp"
#include "platform/headless/HeadlessServices.hpp"
#include "platform/headless/KeyNames.hpp"

namespace korvane::platform::headless {

// What a user does to a headless dialog, with the window system's default handling of what
// the dialog logic leaves alone: clicks toggle check boxes and radio buttons and move the
// focus, Enter presses the default button, Escape cancels, Tab moves the focus, characters
// type into the focused edit, arrows move a focused slider.
class HeadlessDriver {
public:
    HeadlessDriver(HeadlessDialog& dialog, HeadlessServices& services)
        : dialog_(dialog), services_(services) {}

    // False when the control is missing, hidden or disabled (nothing happens then).
    bool click(int id);
    // Focuses an edit and replaces its text, as typing over a selection does.
    bool type(int id, std::string_view text);
    // Presses and releases a chord: the logic sees key down (and the character it types),
    // then key up, with the modifiers held throughout.
    bool key(const KeyChord& chord);
    // A character message alone.
    void character(char c);
    // Moves a slider or scroll bar to a position, as dragging its thumb does.
    bool slide(int id, int position);
    // Presses an up-down control's arrow |steps| times: up for positive steps, down for
    // negative ones, with the modifiers held now.
    bool spin(int id, int steps);
    // Chooses a combo box item.
    bool pick(int id, int index);
    void mouse(MouseKind kind, Point at);
    // The pointer moved over the dialog outside the panel (dialog client coordinates).
    void dialogMouse(Point at);
    // A turn of the wheel over the panel (120 a notch), with the modifiers held now.
    void wheel(int delta, Point at);

private:
    bool usable(int id) const;
    void defaultKeyDown(const KeyChord& chord);
    void moveFocus(bool backwards);

    HeadlessDialog& dialog_;
    HeadlessServices& services_;
};

} // namespace korvane::platform::headless
