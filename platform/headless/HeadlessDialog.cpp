#include "platform/headless/HeadlessDialog.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace korvane::platform::headless {

namespace {

// An 8-point dialog font of 6 x 13 pixels: a dialog unit is 6/4 pixels across, 13/8 down.
constexpr int kBaseX = 6;
constexpr int kBaseY = 13;

bool takesFocusNotifications(const ControlState& c) {
    return c.source != nullptr && c.source->kind == ControlKind::Edit;
}

} // namespace

Rect dialogUnitsToPixels(int x, int y, int cx, int cy) {
    const int left = x * kBaseX / 4;
    const int top = y * kBaseY / 8;
    return {left, top, left + cx * kBaseX / 4, top + cy * kBaseY / 8};
}

HeadlessDialog::HeadlessDialog(const DialogTemplate& source, DialogHandler& handler,
                               HeadlessDialog* owner, bool modeless)
    : source_(source), handler_(handler), owner_(owner), modeless_(modeless), title_(source.title) {
    const Rect client = dialogUnitsToPixels(0, 0, source.cx, source.cy);
    client_ = {client.width(), client.height()};
    placement_.normal = {100, 100, 100 + client_.width + 8, 100 + client_.height + 30};
    for (const auto& t : source.controls) {
        ControlState c;
        c.source = &t;
        c.text = std::string(t.text);
        c.enabled = !t.has(style::kDisabled);
        c.visible = !t.has(style::kHidden);
        c.ownerDrawn = t.has(style::kOwnerDrawn);
        c.textLimit = t.textLimit;
        c.rect = dialogUnitsToPixels(t.x, t.y, t.cx, t.cy);
        c.font = {"MS Shell Dlg", -11, 400, false, false};
        if (t.kind == ControlKind::Panel) {
            panelId_ = t.id;
            panel_.resize(c.rect.width(), c.rect.height());
        }
        if (t.has(style::kDefault)) defaultControl_ = t.id;
        controls_[t.id] = std::move(c);
    }
}

void HeadlessDialog::open() {
    handler_.onInitDialog(*this);
}

bool HeadlessDialog::preTranslate(const KeyMessage& key) {
    if (ended_) return false;
    if (handler_.preTranslate(key)) return true;
    for (HeadlessDialog* d = owner_; d != nullptr && !ended_; d = d->owner_)
        if (!d->ended_ && d->handler_.preTranslate(key)) return true;
    return false;
}

const ControlState& HeadlessDialog::control(int id) const {
    const auto it = controls_.find(id);
    if (it == controls_.end()) throw std::out_of_range("no control " + std::to_string(id));
    return it->second;
}

ControlState& HeadlessDialog::control(int id) {
    return const_cast<ControlState&>(std::as_const(*this).control(id));
}

void HeadlessDialog::setPanelSize(Size size) {
    if (panelId_ == 0) return;
    auto& c = control(panelId_);
    c.rect.right = c.rect.left + size.width;
    c.rect.bottom = c.rect.top + size.height;
    panel_.resize(size.width, size.height);
}

void HeadlessDialog::resizeClient(Size size) {
    client_ = size;
    placement_.normal.right = placement_.normal.left + size.width + 8;
    placement_.normal.bottom = placement_.normal.top + size.height + 30;
    handler_.onSize(SizeKind::Restored, size);
}

void HeadlessDialog::setText(int id, std::string_view text) {
    auto& c = control(id);
    c.text = std::string(text);
    if (c.textLimit > 0 && c.text.size() > static_cast<std::size_t>(c.textLimit) &&
        c.source->kind == ControlKind::Edit)
        c.text.resize(static_cast<std::size_t>(c.textLimit));
}
std::string HeadlessDialog::text(int id) const {
    return control(id).text;
}
void HeadlessDialog::setTextLimit(int id, int characters) {
    control(id).textLimit = characters;
}

void HeadlessDialog::setChecked(int id, bool checked) {
    control(id).checked = checked;
}
bool HeadlessDialog::isChecked(int id) const {
    return control(id).checked;
}
void HeadlessDialog::setEnabled(int id, bool enabled) {
    control(id).enabled = enabled;
}
bool HeadlessDialog::isEnabled(int id) const {
    return control(id).enabled;
}
void HeadlessDialog::setVisible(int id, bool visible) {
    control(id).visible = visible;
}
bool HeadlessDialog::isVisible(int id) const {
    return control(id).visible;
}

void HeadlessDialog::setFocus(int id) {
    if (id == focus_ || (id != 0 && !hasControl(id))) return;
    const int old = focus_;
    focus_ = id;
    // Edits report focus changes, as they do in a real window; a handler may move the focus
    // again while it hears them.
    if (old != 0 && takesFocusNotifications(control(old)))
        handler_.onCommand(old, Notification::KillFocus);
    if (focus_ == id && id != 0 && takesFocusNotifications(control(id)))
        handler_.onCommand(id, Notification::SetFocus);
}

int HeadlessDialog::lastPosition(int id) const {
    const auto& c = control(id);
    const RangeState& r = c.range;
    const bool scrollBar =
        c.source->kind == ControlKind::HScrollBar || c.source->kind == ControlKind::VScrollBar;
    // A scroll bar's thumb stops a page short of the end (see RangeState).
    const int last = scrollBar ? r.maximum - std::max(r.page, 1) + 1 : r.maximum;
    return std::max(r.minimum, last);
}

void HeadlessDialog::setRangeState(int id, const RangeState& state) {
    auto& r = control(id).range;
    r = state;
    r.position = std::clamp(r.position, r.minimum, lastPosition(id));
}
RangeState HeadlessDialog::rangeState(int id) const {
    return control(id).range;
}
void HeadlessDialog::setPosition(int id, int position) {
    auto& r = control(id).range;
    r.position = std::clamp(position, r.minimum, lastPosition(id));
}

void HeadlessDialog::setItems(int id, const std::vector<std::string>& items) {
    auto& c = control(id);
    c.items = items;
    c.selection = -1;
}
std::vector<std::string> HeadlessDialog::items(int id) const {
    return control(id).items;
}
void HeadlessDialog::setSelection(int id, int index) {
    auto& c = control(id);
    c.selection = (index >= 0 && index < static_cast<int>(c.items.size())) ? index : -1;
}
int HeadlessDialog::selection(int id) const {
    return control(id).selection;
}

void HeadlessDialog::setFont(int id, const FontDescription& font) {
    control(id).font = font;
}
FontDescription HeadlessDialog::font(int id) const {
    return control(id).font;
}
void HeadlessDialog::setOwnerDrawn(int id, bool ownerDrawn) {
    control(id).ownerDrawn = ownerDrawn;
}
bool HeadlessDialog::isOwnerDrawn(int id) const {
    return control(id).ownerDrawn;
}
void HeadlessDialog::setBitmap(int id, const Surface& bitmap) {
    control(id).bitmap = bitmap;
}

void HeadlessDialog::redraw(int id, bool now) {
    auto& c = control(id);
    ++c.redraws;
    if (now && c.ownerDrawn) ownerDrawnFaces_.push_back(handler_.ownerDrawFace(id).text);
}

Rect HeadlessDialog::controlRect(int id) const {
    return control(id).rect;
}
void HeadlessDialog::moveControl(int id, const Rect& rect) {
    control(id).rect = rect;
    if (id == panelId_) panel_.resize(rect.width(), rect.height());
}

void HeadlessDialog::setPlacement(const WindowPlacement& placement) {
    placement_ = placement;
    const Size client{placement.normal.width() - 8, placement.normal.height() - 30};
    if (client == client_) return;
    // A new size is reported, as a window system does when a window is resized.
    client_ = client;
    handler_.onSize(SizeKind::Restored, client);
}

void HeadlessDialog::addSystemMenuItem(int command, std::string_view text) {
    systemMenu_.emplace_back(command, std::string(text));
}

void HeadlessDialog::endDialog(int result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    // A modeless window is destroyed at once, as DestroyWindow does; its logic may delete
    // itself on hearing it, so nothing of it is touched afterwards.
    if (modeless_) handler_.onDestroy();
}

} // namespace korvane::platform::headless
