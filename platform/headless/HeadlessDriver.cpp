#include "platform/headless/HeadlessDriver.hpp"

#include <algorithm>
#include <cstdlib>

#include "platform/VirtualKeys.hpp"

namespace korvane::platform::headless {

namespace {

bool focusable(ControlKind kind) {
    switch (kind) {
    case ControlKind::Static:
    case ControlKind::GroupBox:
    case ControlKind::Panel:
    case ControlKind::Icon:
    case ControlKind::UpDown:
        return false;
    default:
        return true;
    }
}

} // namespace

bool HeadlessDriver::usable(int id) const {
    if (dialog_.ended() || !dialog_.hasControl(id)) return false;
    const auto& c = dialog_.control(id);
    return c.visible && c.enabled;
}

bool HeadlessDriver::click(int id) {
    if (!usable(id)) return false;
    const ControlTemplate& t = *dialog_.control(id).source;
    if (focusable(t.kind)) dialog_.setFocus(id);
    switch (t.kind) {
    case ControlKind::CheckBox:
        dialog_.setChecked(id, !dialog_.isChecked(id));
        break;
    case ControlKind::RadioButton: {
        // Radio buttons of one group exclude each other; a group starts at a kGroup control.
        const auto& all = dialog_.dialogTemplate().controls;
        const auto self =
            std::find_if(all.begin(), all.end(), [&](const auto& c) { return c.id == id; });
        auto first = self;
        while (first != all.begin() && !first->has(style::kGroup))
            --first;
        for (auto it = first; it != all.end(); ++it) {
            if (it != first && it->has(style::kGroup)) break;
            if (it->kind == ControlKind::RadioButton) dialog_.setChecked(it->id, it->id == id);
        }
        break;
    }
    case ControlKind::Static:
        if (!t.has(style::kNotify)) return true;
        break;
    case ControlKind::PushButton:
    case ControlKind::GroupBox:
        break;
    default:
        return true; // edits, sliders and lists only take the focus
    }
    dialog_.handler().onCommand(id, Notification::Clicked);
    return true;
}

bool HeadlessDriver::type(int id, std::string_view text) {
    if (!usable(id)) return false;
    dialog_.setFocus(id);
    dialog_.setText(id, text);
    dialog_.handler().onCommand(id, Notification::Change);
    return true;
}

void HeadlessDriver::moveFocus(bool backwards) {
    const auto& all = dialog_.dialogTemplate().controls;
    const int n = static_cast<int>(all.size());
    int at = 0;
    for (int i = 0; i < n; ++i)
        if (all[i].id == dialog_.focus()) at = i;
    for (int step = 1; step <= n; ++step) {
        const int i = ((at + (backwards ? -step : step)) % n + n) % n;
        if (all[i].has(style::kTabStop) && usable(all[i].id)) {
            dialog_.setFocus(all[i].id);
            return;
        }
    }
}

void HeadlessDriver::defaultKeyDown(const KeyChord& chord) {
    const int focus = dialog_.focus();
    const ControlState* focused =
        focus != 0 && dialog_.hasControl(focus) ? &dialog_.control(focus) : nullptr;
    switch (chord.key) {
    case vk::kReturn: {
        // As a dialog manager does: a focused push button is pressed; otherwise the default id
        // is sent even when it names a hidden control, unless that control is disabled.
        if (focused != nullptr && focused->source->kind == ControlKind::PushButton) {
            dialog_.handler().onCommand(focus, Notification::Clicked);
            return;
        }
        const int id = dialog_.defaultControl() != 0 ? dialog_.defaultControl() : 1;
        if (!dialog_.hasControl(id) || dialog_.isEnabled(id))
            dialog_.handler().onCommand(id, Notification::Clicked);
        return;
    }
    case vk::kEscape:
        dialog_.handler().onCommand(2, Notification::Clicked);
        return;
    case vk::kTab:
        moveFocus(chord.shift);
        return;
    default:
        break;
    }
    if (focused == nullptr) return;
    const ControlKind kind = focused->source->kind;
    if (kind == ControlKind::Trackbar || kind == ControlKind::HScrollBar ||
        kind == ControlKind::VScrollBar) {
        const RangeState r = dialog_.rangeState(focus);
        int to = r.position;
        ScrollCode code = ScrollCode::EndScroll;
        switch (chord.key) {
        case vk::kLeft:
        case vk::kUp:
            to -= r.line, code = ScrollCode::LineUp;
            break;
        case vk::kRight:
        case vk::kDown:
            to += r.line, code = ScrollCode::LineDown;
            break;
        case vk::kPrior:
            to -= r.page, code = ScrollCode::PageUp;
            break;
        case vk::kNext:
            to += r.page, code = ScrollCode::PageDown;
            break;
        case vk::kHome:
            to = r.minimum, code = ScrollCode::Top;
            break;
        case vk::kEnd:
            to = r.maximum, code = ScrollCode::Bottom;
            break;
        default:
            return;
        }
        // Trackbars move themselves before they notify; scroll bars leave that to the logic.
        if (kind == ControlKind::Trackbar) dialog_.setPosition(focus, to);
        if (kind == ControlKind::VScrollBar)
            dialog_.handler().onVScroll(focus, code, to);
        else
            dialog_.handler().onHScroll(focus, code, to);
    }
}

bool HeadlessDriver::key(const KeyChord& chord) {
    // Alt without Ctrl makes system keys, as a window system does.
    const bool system = chord.alt && !chord.ctrl;
    const auto hold = [&](bool on, int vkCode) {
        if (on) services_.press(vkCode);
    };
    hold(chord.ctrl, vk::kControl);
    hold(chord.shift, vk::kShift);
    hold(chord.alt, vk::kMenu);
    if (chord.key != 0) services_.press(chord.key);

    if (chord.key != 0 && !dialog_.ended()) {
        const KeyMessage down{system ? KeyMessageKind::SysKeyDown : KeyMessageKind::KeyDown,
                              chord.key};
        if (!dialog_.preTranslate(down) && !system && !dialog_.ended()) defaultKeyDown(chord);
        const char c = characterOf(chord);
        if (c != 0 && c != '\r' && c != 0x1B && !dialog_.ended()) {
            if (system)
                dialog_.preTranslate({KeyMessageKind::SysChar, static_cast<unsigned char>(c)});
            else
                character(c);
        }
        if (!dialog_.ended())
            dialog_.preTranslate(
                {system ? KeyMessageKind::SysKeyUp : KeyMessageKind::KeyUp, chord.key});
    }
    services_.releaseAll();
    return true;
}

void HeadlessDriver::character(char c) {
    if (dialog_.ended() ||
        dialog_.preTranslate({KeyMessageKind::Char, static_cast<unsigned char>(c)}))
        return;
    if (dialog_.ended()) return;
    const int focus = dialog_.focus();
    if (focus == 0 || !dialog_.hasControl(focus) ||
        dialog_.control(focus).source->kind != ControlKind::Edit)
        return;
    std::string text = dialog_.text(focus);
    if (c == 0x08) {
        if (!text.empty()) text.pop_back();
    } else if (static_cast<unsigned char>(c) >= 0x20) {
        const int limit = dialog_.control(focus).textLimit;
        if (limit > 0 && static_cast<int>(text.size()) >= limit) return;
        text += c;
    } else {
        return;
    }
    dialog_.setText(focus, text);
    dialog_.handler().onCommand(focus, Notification::Change);
}

bool HeadlessDriver::slide(int id, int position) {
    if (!usable(id)) return false;
    const ControlKind kind = dialog_.control(id).source->kind;
    if (kind != ControlKind::Trackbar && kind != ControlKind::HScrollBar &&
        kind != ControlKind::VScrollBar)
        return false;
    if (kind == ControlKind::Trackbar) dialog_.setPosition(id, position);
    auto& handler = dialog_.handler();
    if (kind == ControlKind::VScrollBar) {
        handler.onVScroll(id, ScrollCode::ThumbPosition, position);
        handler.onVScroll(id, ScrollCode::EndScroll, position);
    } else {
        handler.onHScroll(id, ScrollCode::ThumbPosition, position);
        handler.onHScroll(id, ScrollCode::EndScroll, position);
    }
    return true;
}

bool HeadlessDriver::spin(int id, int steps) {
    if (!usable(id) || dialog_.control(id).source->kind != ControlKind::UpDown) return false;
    for (int i = 0; i < std::abs(steps) && !dialog_.ended(); ++i)
        dialog_.handler().onSpin(id, steps > 0 ? 1 : -1);
    return true;
}

bool HeadlessDriver::pick(int id, int index) {
    if (!usable(id) || dialog_.control(id).source->kind != ControlKind::ComboBox) return false;
    dialog_.setFocus(id);
    dialog_.setSelection(id, index);
    dialog_.handler().onCommand(id, Notification::SelectionChange);
    return true;
}

void HeadlessDriver::mouse(MouseKind kind, Point at) {
    dialog_.handler().onPanelMouse({kind, at});
}

void HeadlessDriver::dialogMouse(Point at) {
    dialog_.handler().onDialogMouseMove(at);
}

void HeadlessDriver::wheel(int delta, Point at) {
    // The modifiers are those held now, as the window system sends them with the turn.
    const bool shift = services_.isKeyDown(vk::kShift), ctrl = services_.isKeyDown(vk::kControl);
    dialog_.handler().onPanelWheel({delta, shift, ctrl, at});
}

} // namespace korvane::platform::headless
