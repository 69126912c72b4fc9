#include "app/AboutDlg.hpp"

#include "resources/ControlIds.hpp"

namespace korvane {

void CAboutDlg::onInitDialog(platform::DialogWindow& window) {
    window_ = &window;
    window.setText(ids::kAboutVersion, versionText_);
    window.setFocus(ids::kOk);
}

void CAboutDlg::onCommand(int id, platform::Notification code) {
    if (code == platform::Notification::Clicked && (id == ids::kOk || id == ids::kCancel) &&
        window_)
        window_->endDialog(1);
}

} // namespace korvane
