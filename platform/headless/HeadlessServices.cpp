#include "platform/headless/HeadlessServices.hpp"

#include <filesystem>

#include "resources/DialogTemplates.hpp"

namespace korvane::platform::headless {

HeadlessServices::HeadlessServices() {
#ifdef KORVANE_VERSION_MAJOR
    version = ProductVersion{KORVANE_VERSION_MAJOR, KORVANE_VERSION_MINOR, KORVANE_VERSION_PATCH,
                             KORVANE_VERSION_TWEAK};
#endif
}

HeadlessServices::~HeadlessServices() = default;

void HeadlessServices::messageBox(DialogWindow*, const FormattedMessage& message) {
    messages.push_back(message);
}

std::optional<std::string> HeadlessServices::openFileDialog(DialogWindow*,
                                                            const OpenFileRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers.empty()) return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

bool HeadlessServices::openDocument(const std::string& pathOrUrl) {
    openedDocuments.push_back(pathOrUrl);
    return documentsOpen;
}

bool HeadlessServices::setClipboardBitmap(const Surface& picture) {
    if (!clipboardAvailable) return false;
    clipboard = picture;
    return true;
}

bool HeadlessServices::fileExists(const std::string& path) const {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

int HeadlessServices::runModalDialog(int templateId, DialogHandler& handler, DialogWindow*) {
    const DialogTemplate* source = resources::findDialogTemplate(templateId);
    if (source == nullptr) return -1;
    auto kept = std::make_unique<HeadlessDialog>(*source, handler);
    HeadlessDialog& dialog = *kept;
    dialog.open();
    ModalRecord record{templateId, dialog.title(), {}};
    for (const auto& c : source->controls)
        record.texts[c.id] = dialog.text(c.id);
    modalDialogs.push_back(std::move(record));
    // Nobody is there to answer a modal dialog: it is closed as with its OK button.
    if (!dialog.ended()) dialog.endDialog(1);
    handler.onDestroy();
    const int result = dialog.result();
    lastModal_[templateId] = std::move(kept);
    return result;
}

DialogWindow* HeadlessServices::createModelessDialog(int templateId, DialogHandler& handler,
                                                     DialogWindow* owner) {
    const DialogTemplate* source = resources::findDialogTemplate(templateId);
    if (source == nullptr) return nullptr;
    modeless_.push_back(std::make_unique<HeadlessDialog>(
        *source, handler, dynamic_cast<HeadlessDialog*>(owner), true));
    HeadlessDialog* dialog = modeless_.back().get();
    dialog->open();
    return dialog;
}

HeadlessDialog* HeadlessServices::openModelessDialog(int templateId) const {
    for (const auto& d : modeless_)
        if (!d->ended() && d->dialogTemplate().id == templateId) return d.get();
    return nullptr;
}

const HeadlessDialog* HeadlessServices::lastModalDialog(int templateId) const {
    const auto it = lastModal_.find(templateId);
    return it == lastModal_.end() ? nullptr : it->second.get();
}

std::vector<HeadlessDialog*> HeadlessServices::openModelessDialogs() const {
    std::vector<HeadlessDialog*> out;
    for (const auto& d : modeless_)
        if (!d->ended()) out.push_back(d.get());
    return out;
}

} // namespace korvane::platform::headless
