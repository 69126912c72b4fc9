#pragma once
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Services.hpp"
#include "platform/headless/HeadlessDialog.hpp"

namespace korvane::platform::headless {

// The window system's services kept in memory: messages recorded, key state settable,
// clipboard kept, the open-file dialog answered from a queue.
class HeadlessServices final : public Services {
public:
    HeadlessServices();
    ~HeadlessServices() override;

    // Recorded output.
    std::vector<FormattedMessage> messages;
    std::vector<OpenFileRequest> fileRequests;
    std::vector<std::string> openedDocuments;
    std::optional<Surface> clipboard;
    CursorKind cursor = CursorKind::Arrow;
    struct ModalRecord {
        int templateId;
        std::string title;
        std::map<int, std::string> texts;
    };
    std::vector<ModalRecord> modalDialogs;

    // Settings.
    std::deque<std::optional<std::string>> fileAnswers; // none: the user cancels
    bool clipboardAvailable = true;
    bool documentsOpen = true;
    std::optional<ProductVersion> version;
    std::string folder;
    int dpi = 96;

    // Key state.
    void press(int virtualKey) { keys_.insert(virtualKey); }
    void release(int virtualKey) { keys_.erase(virtualKey); }
    void releaseAll() { keys_.clear(); }
    const std::set<int>& heldKeys() const { return keys_; }

    // Services.
    void messageBox(DialogWindow* owner, const FormattedMessage& message) override;
    bool isKeyDown(int virtualKey) const override { return keys_.count(virtualKey) != 0; }
    std::optional<std::string> openFileDialog(DialogWindow* owner,
                                              const OpenFileRequest& request) override;
    bool openDocument(const std::string& pathOrUrl) override;
    bool setClipboardBitmap(const Surface& picture) override;
    void setCursor(CursorKind kind) override { cursor = kind; }
    std::optional<ProductVersion> productVersion() const override { return version; }
    std::string programFolder() const override { return folder; }
    bool fileExists(const std::string& path) const override;
    int screenDpiY() const override { return dpi; }
    int runModalDialog(int templateId, DialogHandler& handler, DialogWindow* owner) override;
    DialogWindow* createModelessDialog(int templateId, DialogHandler& handler,
                                       DialogWindow* owner) override;

    // The modeless dialogs created so far that have not ended.
    std::vector<HeadlessDialog*> openModelessDialogs() const;
    // The open modeless dialog of a template, or null.
    HeadlessDialog* openModelessDialog(int templateId) const;
    // The last modal dialog of a template, as it stood when it closed (its controls only: its
    // logic is gone), or null.
    const HeadlessDialog* lastModalDialog(int templateId) const;

private:
    std::set<int> keys_;
    std::vector<std::unique_ptr<HeadlessDialog>> modeless_;
    std::map<int, std::unique_ptr<HeadlessDialog>> lastModal_;
};

} // namespace korvane::platform::headless
