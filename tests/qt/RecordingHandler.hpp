#pragma once
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Dialog.hpp"

namespace korvane::qt::test {

std::string nameOf(platform::Notification code);
std::string nameOf(platform::ScrollCode code);
std::string nameOf(platform::KeyMessageKind kind);
std::string nameOf(platform::MouseKind kind);

// A dialog logic that writes down what the window tells it, one line per event
// ("command 1000 Clicked", "hscroll 1004 LineDown 3", "key KeyDown 65", ...), and answers
// as a test sets it up.
class RecordingHandler : public platform::DialogHandler {
public:
    std::vector<std::string> log;
    platform::DialogWindow* window = nullptr;
    bool destroyed = false;

    std::function<void(platform::DialogWindow&)> init;
    std::function<void(int, platform::Notification)> commands;
    std::function<void(int, platform::ScrollCode, int)> scrolls;
    // Returns whether the key is consumed; none consumes nothing.
    std::function<bool(const platform::KeyMessage&)> keys;
    std::function<void()> paint;
    std::function<void()> destroying;
    std::function<void(platform::Size)> sizes;
    std::map<int, platform::Rgb> colours;
    platform::OwnerDrawFace face;
    mutable int faceRequests = 0;

    // Only the lines that start with `prefix`.
    std::vector<std::string> logOf(const std::string& prefix) const;
    void clear() { log.clear(); }

    void onInitDialog(platform::DialogWindow& w) override;
    void onCommand(int id, platform::Notification code) override;
    void onHScroll(int id, platform::ScrollCode code, int position) override;
    void onVScroll(int id, platform::ScrollCode code, int position) override;
    bool preTranslate(const platform::KeyMessage& key) override;
    void onPanelMouse(const platform::MouseEvent& event) override;
    void onDialogMouseMove(platform::Point at) override;
    void onSize(platform::SizeKind kind, platform::Size client) override;
    void onMove() override { log.push_back("move"); }
    void onPanelPaint() override;
    void onSystemCommand(int command) override;
    std::optional<platform::Rgb> controlTextColour(int id) const override;
    platform::OwnerDrawFace ownerDrawFace(int id) const override;
    void onDestroy() override;
};

} // namespace korvane::qt::test

namespace korvane::platform {
// Test names and failure messages show a control by its id.
inline void PrintTo(const ControlTemplate& control, std::ostream* out) {
    *out << "control " << control.id;
}
} // namespace korvane::platform
