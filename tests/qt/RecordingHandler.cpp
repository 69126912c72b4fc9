#include "RecordingHandler.hpp"

namespace korvane::qt::test {

using namespace platform;

std::string nameOf(Notification code) {
    switch (code) {
    case Notification::Clicked:
        return "Clicked";
    case Notification::SetFocus:
        return "SetFocus";
    case Notification::KillFocus:
        return "KillFocus";
    case Notification::SelectionChange:
        return "SelectionChange";
    case Notification::Change:
        return "Change";
    }
    return "?";
}

std::string nameOf(ScrollCode code) {
    switch (code) {
    case ScrollCode::LineUp:
        return "LineUp";
    case ScrollCode::LineDown:
        return "LineDown";
    case ScrollCode::PageUp:
        return "PageUp";
    case ScrollCode::PageDown:
        return "PageDown";
    case ScrollCode::ThumbPosition:
        return "ThumbPosition";
    case ScrollCode::ThumbTrack:
        return "ThumbTrack";
    case ScrollCode::Top:
        return "Top";
    case ScrollCode::Bottom:
        return "Bottom";
    case ScrollCode::EndScroll:
        return "EndScroll";
    }
    return "?";
}

std::string nameOf(KeyMessageKind kind) {
    switch (kind) {
    case KeyMessageKind::KeyDown:
        return "KeyDown";
    case KeyMessageKind::KeyUp:
        return "KeyUp";
    case KeyMessageKind::Char:
        return "Char";
    case KeyMessageKind::SysKeyDown:
        return "SysKeyDown";
    case KeyMessageKind::SysKeyUp:
        return "SysKeyUp";
    case KeyMessageKind::SysChar:
        return "SysChar";
    }
    return "?";
}

std::string nameOf(MouseKind kind) {
    switch (kind) {
    case MouseKind::LeftDown:
        return "LeftDown";
    case MouseKind::LeftUp:
        return "LeftUp";
    case MouseKind::RightDown:
        return "RightDown";
    case MouseKind::RightUp:
        return "RightUp";
    case MouseKind::Move:
        return "Move";
    }
    return "?";
}

std::vector<std::string> RecordingHandler::logOf(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : log)
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

void RecordingHandler::onInitDialog(DialogWindow& w) {
    window = &w;
    log.push_back("init");
    if (init) init(w);
}

void RecordingHandler::onCommand(int id, Notification code) {
    log.push_back("command " + std::to_string(id) + " " + nameOf(code));
    if (commands) commands(id, code);
}

void RecordingHandler::onHScroll(int id, ScrollCode code, int position) {
    log.push_back("hscroll " + std::to_string(id) + " " + nameOf(code) + " " +
                  std::to_string(position));
    if (scrolls) scrolls(id, code, position);
}

void RecordingHandler::onVScroll(int id, ScrollCode code, int position) {
    log.push_back("vscroll " + std::to_string(id) + " " + nameOf(code) + " " +
                  std::to_string(position));
    if (scrolls) scrolls(id, code, position);
}

bool RecordingHandler::preTranslate(const KeyMessage& key) {
    log.push_back("key " + nameOf(key.kind) + " " + std::to_string(key.code));
    return keys && keys(key);
}

void RecordingHandler::onPanelMouse(const MouseEvent& event) {
    log.push_back("mouse " + nameOf(event.kind) + " " + std::to_string(event.at.x) + "," +
                  std::to_string(event.at.y));
}

void RecordingHandler::onDialogMouseMove(Point at) {
    log.push_back("dialogmouse " + std::to_string(at.x) + "," + std::to_string(at.y));
}

void RecordingHandler::onSize(SizeKind kind, Size client) {
    const char* names[] = {"Restored", "Minimised", "Maximised", "MaxShow", "MaxHide"};
    log.push_back(std::string("size ") + names[static_cast<int>(kind)] + " " +
                  std::to_string(client.width) + "x" + std::to_string(client.height));
    if (sizes) sizes(client);
}

void RecordingHandler::onPanelPaint() {
    log.push_back("paint");
    if (paint) paint();
}

void RecordingHandler::onSystemCommand(int command) {
    log.push_back("syscommand " + std::to_string(command));
}

std::optional<Rgb> RecordingHandler::controlTextColour(int id) const {
    const auto it = colours.find(id);
    if (it == colours.end()) return std::nullopt;
    return it->second;
}

OwnerDrawFace RecordingHandler::ownerDrawFace(int) const {
    ++faceRequests;
    return face;
}

void RecordingHandler::onDestroy() {
    destroyed = true;
    window = nullptr;
    log.push_back("destroy");
    if (destroying) destroying();
}

} // namespace korvane::qt::test
