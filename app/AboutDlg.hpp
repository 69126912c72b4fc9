#pragma once
#include <string>

#include "platform/Dialog.hpp"

namespace korvane {

// The About box: the icon, the program's name and version, and OK.
class CAboutDlg final : public platform::DialogHandler {
public:
    explicit CAboutDlg(std::string versionText) : versionText_(std::move(versionText)) {}
    void onInitDialog(platform::DialogWindow& window) override;
    void onCommand(int id, platform::Notification code) override;

private:
    std::string versionText_;
    platform::DialogWindow* window_ = nullptr;
};

} // namespace korvane
