#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/Dialog.hpp"

namespace korvane::platform::headless {

// Every control's state, as a window would hold it.
struct ControlState {
    const ControlTemplate* source = nullptr;
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    bool ownerDrawn = false;
    int textLimit = 0;
    RangeState range;
    std::vector<std::string> items;
    int selection = -1;
    FontDescription font;
    Rect rect;
    Surface bitmap;
    int redraws = 0;
};

// A dialog kept in memory: built from its template, driven by its handler, and inspected by
// tests and scripts. Dialog units become pixels with a fixed dialog font of 6 x 13 pixels.
class HeadlessDialog final : public DialogWindow {
public:
    // `owner`: the dialog whose logic also hears this one's keys (a tool window's main
    // dialog); `modeless`: ending the dialog destroys it, and its handler hears onDestroy.
    HeadlessDialog(const DialogTemplate& source, DialogHandler& handler,
                   HeadlessDialog* owner = nullptr, bool modeless = false);

    // Calls the handler's initialisation, as a window does once it exists.
    void open();
    DialogHandler& handler() { return handler_; }
    HeadlessDialog* owner() const { return owner_; }
    // The pre-translation hook: this dialog's logic first, then its owners' in turn; true
    // when one of them consumed the key. Stops when the dialog ends on the way.
    bool preTranslate(const KeyMessage& key);
    // How often the logic brought the window to the front.
    int timesBroughtToFront() const { return broughtToFront_; }
    bool ended() const { return ended_; }
    int result() const { return result_; }
    const ControlState& control(int id) const;
    ControlState& control(int id);
    bool hasControl(int id) const { return controls_.count(id) != 0; }
    std::vector<std::pair<int, std::string>> systemMenu() const { return systemMenu_; }
    int panelUpdates() const { return panelUpdates_; }
    // Resizes the picture panel (and its picture) to a client size in pixels.
    void setPanelSize(Size size);
    // Resizes the dialog's client area and tells the handler.
    void resizeClient(Size size);

    // DialogWindow.
    const DialogTemplate& dialogTemplate() const override { return source_; }
    void setTitle(std::string_view title) override { title_ = title; }
    std::string title() const override { return title_; }
    void setText(int id, std::string_view text) override;
    std::string text(int id) const override;
    void setTextLimit(int id, int characters) override;
    void selectAllText(int id) override { (void)id; }
    void setChecked(int id, bool checked) override;
    bool isChecked(int id) const override;
    void setEnabled(int id, bool enabled) override;
    bool isEnabled(int id) const override;
    void setVisible(int id, bool visible) override;
    bool isVisible(int id) const override;
    void setFocus(int id) override;
    int focus() const override { return focus_; }
    void setDefaultControl(int id) override { defaultControl_ = id; }
    int defaultControl() const override { return defaultControl_; }
    void setRangeState(int id, const RangeState& state) override;
    RangeState rangeState(int id) const override;
    void setPosition(int id, int position) override;
    void setItems(int id, const std::vector<std::string>& items) override;
    std::vector<std::string> items(int id) const override;
    void setSelection(int id, int index) override;
    int selection(int id) const override;
    void setFont(int id, const FontDescription& font) override;
    FontDescription font(int id) const override;
    void setOwnerDrawn(int id, bool ownerDrawn) override;
    bool isOwnerDrawn(int id) const override;
    void setBitmap(int id, const Surface& bitmap) override;
    void redraw(int id, bool now) override;
    Rect controlRect(int id) const override;
    void moveControl(int id, const Rect& rect) override;
    Size clientSize() const override { return client_; }
    WindowPlacement placement() const override { return placement_; }
    void setPlacement(const WindowPlacement& placement) override;
    Surface& panelSurface() override { return panel_; }
    void updatePanel() override { ++panelUpdates_; }
    void addSystemMenuItem(int command, std::string_view text) override;
    void bringToFront() override { ++broughtToFront_; }
    void endDialog(int result) override;

    // What an owner-drawn button showed at its last immediate redraw.
    const std::vector<std::string>& ownerDrawnFaces() const { return ownerDrawnFaces_; }

private:
    // The highest position a slider or scroll bar takes.
    int lastPosition(int id) const;

    const DialogTemplate& source_;
    DialogHandler& handler_;
    HeadlessDialog* owner_ = nullptr;
    bool modeless_ = false;
    int broughtToFront_ = 0;
    std::map<int, ControlState> controls_;
    std::string title_;
    int focus_ = 0;
    int defaultControl_ = 0;
    Size client_;
    WindowPlacement placement_;
    Surface panel_;
    int panelId_ = 0;
    int panelUpdates_ = 0;
    bool ended_ = false;
    int result_ = 0;
    std::vector<std::pair<int, std::string>> systemMenu_;
    std::vector<std::string> ownerDrawnFaces_;
};

// Dialog units to pixels in the headless binding.
Rect dialogUnitsToPixels(int x, int y, int cx, int cy);

} // namespace korvane::platform::headless
