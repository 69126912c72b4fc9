#pragma once
#include <QPoint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialog.hpp"
#include "qt/DialogFont.hpp"

class QButtonGroup;
class QWidget;

namespace korvane::qt {

class DialogWidget;
class PanelWidget;
class QtServices;

// A dialog built from a template: one widget per control, placed by dialog units of the
// template's font, driven by the logic through control ids, and reporting what the user does
// to the DialogHandler. The DialogWidget owns it; it goes when its window goes.
class QtDialogWindow final : public platform::DialogWindow {
public:
    QtDialogWindow(DialogWidget& widget, const platform::DialogTemplate& source,
                   platform::DialogHandler& handler, QtDialogWindow* owner, QtServices& services);
    ~QtDialogWindow() override;
    QtDialogWindow(const QtDialogWindow&) = delete;
    QtDialogWindow& operator=(const QtDialogWindow&) = delete;

    // The logic's initialisation; once, before the window shows.
    void initialise();
    // Shows the window and returns the result it ended with (at once if it ended while
    // initialising).
    int runModal();
    void showModeless();
    bool ended() const { return ended_; }
    int result() const { return result_; }

    // The logic, or null once the window is going away.
    platform::DialogHandler* handler() const { return handler_; }
    QtDialogWindow* owner() const { return owner_; }
    DialogWidget& widget() { return widget_; }
    const DialogFont& dialogFont() const { return font_; }
    QWidget* controlWidget(int id) const;
    // The control a widget belongs to (the widget or one of its ancestors), 0 for none.
    int controlOf(const QWidget* widget) const;
    const std::vector<std::pair<int, std::string>>& systemMenu() const { return systemMenu_; }

    // What the dialog widget reports.
    void onCloseRequest();
    // Enter that no control took.
    void onEnter();
    void onResized();
    void onMoved();
    void onWindowStateChanged(Qt::WindowStates previous);
    void onContextMenu(QPoint global);
    void onMouseMove(QPoint at);
    void onShown();
    // A local file dragged over the window and dropped, when the logic takes such drops.
    bool acceptsFileDrops() const;
    void onFileDropped(const std::string& path);
    // The window is going away: the logic hears it once, after the windows it owns went.
    void teardown();

    // DialogWindow.
    const platform::DialogTemplate& dialogTemplate() const override { return source_; }
    void setTitle(std::string_view title) override;
    std::string title() const override;
    void setText(int id, std::string_view text) override;
    std::string text(int id) const override;
    void setTextLimit(int id, int characters) override;
    void selectAllText(int id) override;
    void setChecked(int id, bool checked) override;
    bool isChecked(int id) const override;
    void setEnabled(int id, bool enabled) override;
    bool isEnabled(int id) const override;
    void setVisible(int id, bool visible) override;
    bool isVisible(int id) const override;
    void setFocus(int id) override;
    int focus() const override;
    void setDefaultControl(int id) override;
    int defaultControl() const override { return defaultId_; }
    void setRangeState(int id, const platform::RangeState& state) override;
    platform::RangeState rangeState(int id) const override;
    void setPosition(int id, int position) override;
    void setItems(int id, const std::vector<std::string>& items) override;
    std::vector<std::string> items(int id) const override;
    void setSelection(int id, int index) override;
    int selection(int id) const override;
    void setFont(int id, const platform::FontDescription& font) override;
    platform::FontDescription font(int id) const override;
    void setOwnerDrawn(int id, bool ownerDrawn) override;
    bool isOwnerDrawn(int id) const override;
    void setBitmap(int id, const platform::Surface& bitmap) override;
    void redraw(int id, bool now) override;
    platform::Rect controlRect(int id) const override;
    void moveControl(int id, const platform::Rect& rect) override;
    platform::Size clientSize() const override;
    platform::WindowPlacement placement() const override;
    void setPlacement(const platform::WindowPlacement& placement) override;
    platform::Surface& panelSurface() override;
    void updatePanel() override;
    void addSystemMenuItem(int command, std::string_view text) override;
    void bringToFront() override;
    void endDialog(int result) override;

private:
    class ControlEvents;
    friend class ControlEvents;

    struct Control {
        const platform::ControlTemplate* source = nullptr;
        QWidget* widget = nullptr;
        platform::FontDescription font;
        platform::RangeState range;
        std::optional<platform::Rgb> textColour; // as last applied
    };

    void buildControls();
    void groupRadioButtons();
    void connectControl(Control& control);
    void place(Control& control, const QRect& rect);
    Control* find(int id);
    const Control* find(int id) const;
    // Text colour from the logic, applied before the control paints.
    void refreshTextColour(Control& control);
    void command(int id, platform::Notification code);
    void scrolled(const platform::ControlTemplate& source, platform::ScrollCode code, int position);
    void focusChanged(int id, bool gained);

    DialogWidget& widget_;
    const platform::DialogTemplate& source_;
    platform::DialogHandler* handler_;
    QtDialogWindow* owner_;
    QtServices& services_;
    DialogFont font_;
    std::unique_ptr<ControlEvents> events_;
    std::map<int, Control> controls_;
    std::vector<QButtonGroup*> radioGroups_;
    PanelWidget* panel_ = nullptr;
    platform::Surface noPanel_;
    std::vector<std::pair<int, std::string>> systemMenu_;
    int defaultId_ = 0;
    // A control that holds the focus without being able to take it in Qt (hidden or
    // disabled): the dialog itself has the focus meanwhile.
    int heldFocus_ = 0;
    bool initialised_ = false;
    bool ended_ = false;
    bool modeless_ = false;
    int result_ = 0;
};

} // namespace korvane::qt
