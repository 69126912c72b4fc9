#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/Services.hpp"
#include "qt/KeyRouter.hpp"

class QWidget;

namespace korvane::qt {

class QtDialogWindow;

// The window system's services on Qt. Message boxes, the open-file dialog and opening a
// document go through sinks that tests and the screenshot run replace; by default they are
// a QMessageBox with OK only, a QFileDialog and the desktop's opener. Needs a QApplication.
class QtServices final : public platform::Services {
public:
    using MessageSink = std::function<void(QWidget* owner, const FormattedMessage&)>;
    using OpenFileSink =
        std::function<std::optional<std::string>(QWidget* owner, const platform::OpenFileRequest&)>;
    using OpenDocumentSink = std::function<bool(const std::string& pathOrUrl)>;

    QtServices();
    ~QtServices() override;
    QtServices(const QtServices&) = delete;
    QtServices& operator=(const QtServices&) = delete;

    MessageSink messageSink;
    OpenFileSink openFileSink;
    OpenDocumentSink openDocumentSink;
    // Told when a dialog has been shown.
    std::function<void(QtDialogWindow&)> onDialogShown;

    KeyRouter& keys() { return keys_; }
    void dialogShown(QtDialogWindow& dialog) {
        if (onDialogShown) onDialogShown(dialog);
    }

    // Services.
    void messageBox(platform::DialogWindow* owner, const FormattedMessage& message) override;
    bool isKeyDown(int virtualKey) const override { return keys_.isKeyDown(virtualKey); }
    std::optional<std::string> openFileDialog(platform::DialogWindow* owner,
                                              const platform::OpenFileRequest& request) override;
    bool openDocument(const std::string& pathOrUrl) override;
    bool setClipboardBitmap(const platform::Surface& picture) override;
    void setCursor(platform::CursorKind cursor) override;
    std::optional<platform::ProductVersion> productVersion() const override;
    std::string programFolder() const override;
    bool fileExists(const std::string& path) const override;
    int screenDpiY() const override;
    int runModalDialog(int templateId, platform::DialogHandler& handler,
                       platform::DialogWindow* owner) override;
    platform::DialogWindow* createModelessDialog(int templateId, platform::DialogHandler& handler,
                                                 platform::DialogWindow* owner) override;

private:
    KeyRouter keys_;
    platform::CursorKind cursor_ = platform::CursorKind::Arrow;
};

// The sinks' defaults.
void showMessageBox(QWidget* owner, const FormattedMessage& message);
std::optional<std::string> askForFile(QWidget* owner, const platform::OpenFileRequest& request);
bool openWithDesktop(const std::string& pathOrUrl);

} // namespace korvane::qt
