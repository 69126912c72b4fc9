#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/KeyState.hpp"
#include "common/MessageCatalogue.hpp"
#include "platform/Dialog.hpp"
#include "platform/Surface.hpp"

namespace korvane::platform {

enum class CursorKind : std::uint8_t { Arrow, Hand, Cross };

struct OpenFileRequest {
    std::string title;
    std::string filterName;    // "All files (*.*)"
    std::string filterPattern; // "*.*"
    bool mustExist = true;
    int maxPath = 260;
};

// Four 16-bit parts, as a product version is written.
using ProductVersion = std::array<std::uint16_t, 4>;

// What the dialog logic needs of the window system besides its own window.
class Services : public KeyState {
public:
    // A modal box with an OK button only, owned by `owner` (may be null); returns when closed.
    virtual void messageBox(DialogWindow* owner, const FormattedMessage& message) = 0;
    // isKeyDown (from KeyState): whether a key is down as the current message is handled.
    // The path chosen, or none when the user cancelled.
    virtual std::optional<std::string> openFileDialog(DialogWindow* owner,
                                                      const OpenFileRequest& request) = 0;
    // Opens a file or web address with the desktop's opener; false when that failed.
    virtual bool openDocument(const std::string& pathOrUrl) = 0;
    // Puts a picture on the clipboard; false when the clipboard is not available.
    virtual bool setClipboardBitmap(const Surface& picture) = 0;
    virtual void setCursor(CursorKind cursor) = 0;
    virtual std::optional<ProductVersion> productVersion() const = 0;
    virtual std::string programFolder() const = 0;
    virtual bool fileExists(const std::string& path) const = 0;
    // Vertical resolution of the screen in dots per inch.
    virtual int screenDpiY() const = 0;

    // Builds the dialog of template `templateId` for `handler` and runs it modally; returns
    // the result it ended with.
    virtual int runModalDialog(int templateId, DialogHandler& handler, DialogWindow* owner) = 0;
    // Builds a modeless dialog; it lives until it ends or the owner goes. Null on failure.
    virtual DialogWindow* createModelessDialog(int templateId, DialogHandler& handler,
                                               DialogWindow* owner) = 0;
};

} // namespace korvane::platform
