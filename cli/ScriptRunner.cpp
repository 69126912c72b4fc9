#include "cli/ScriptRunner.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <tuple>
#include <vector>

#include "cli/DumpCommand.hpp"
#include "cli/PngWriter.hpp"
#include "platform/VirtualKeys.hpp"
#include "resources/DialogTemplates.hpp"

namespace korvane::cli {

namespace {

using platform::headless::KeyChord;

bool readInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// Splits "a b rest of line" into the first word and the rest (blanks around removed).
std::pair<std::string, std::string> firstWord(const std::string& text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return {};
    const std::size_t end = text.find_first_of(" \t", start);
    if (end == std::string::npos) return {text.substr(start), {}};
    const std::size_t rest = text.find_first_not_of(" \t", end);
    std::string tail = rest == std::string::npos ? std::string() : text.substr(rest);
    while (!tail.empty() && (tail.back() == ' ' || tail.back() == '\t' || tail.back() == '\r'))
        tail.pop_back();
    return {text.substr(start, end - start), tail};
}

// The blank-separated words of a line.
std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> w;
    for (std::string word; in >> word;)
        w.push_back(word);
    return w;
}

// The point of the last two words, which start at `at`.
bool readPoint(const std::vector<std::string>& w, std::size_t at, platform::Point& p) {
    return w.size() == at + 2 && readInt(w[at], p.x) && readInt(w[at + 1], p.y);
}

} // namespace

std::string oneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

ScriptRunner::ScriptRunner(std::ostream& out, LoadStages stages) : out_(out) {
    analyzer_ = std::make_unique<CAnalyzerDlg>(services_, std::string(), std::move(stages));
    dialog_ = std::make_unique<platform::headless::HeadlessDialog>(resources::mainDialogTemplate(),
                                                                   *analyzer_);
    driver_ = std::make_unique<platform::headless::HeadlessDriver>(*dialog_, services_);
    dialog_->open();
}

ScriptRunner::~ScriptRunner() {
    if (analyzer_) analyzer_->onDestroy();
}

std::span<const ScriptRunner::VerbRow> ScriptRunner::verbs() {
    using S = ScriptRunner;
    constexpr Reach R = Reach::Runner, W = Reach::Window, RW = Reach::ReadWindow;
    // The window line's help names the dialogs by number.
    static_assert(ids::kMainDialog == 102 && ids::kWhiteBalanceDialog == 167 &&
                  ids::kNoiseDialog == 169 && ids::kAboutDialog == 100);
    // {verb, arguments, handler, window it acts on, help line}, in the order the help lists them
    static constexpr std::array kRows = std::to_array<VerbRow>({
        {"panel", "W H", &S::panel, R, "size the picture panel to W x H pixels"},
        {"held", "KEYS", &S::held, R, "hold KEYS (e.g. Ctrl+Shift+W) during the next command"},
        {"process", "PATH", &S::process, R, "type PATH into the path edit and click Process"},
        {"window", "ID", &S::window, R,
         "address the lines that follow to dialog ID until the next window\n"
         "line: 102 the main dialog (the start), 167 the white balance and\n"
         "169 the noise processing dialog (open them with key Ctrl+Alt+W and\n"
         "key Ctrl+Alt+N), 100 the About box as it closed (print and state)\n"
         "print, state, click, type, key, char, slider, spin, pick and focus\n"
         "act on that window"},
        {"drop", "PATH", &S::drop, R, "drop the file PATH on the window, as from a file manager"},
        {"click", "ID", &S::click, W, "click a control (check boxes toggle, radio buttons select)"},
        {"type", "ID TEXT", &S::typeText, W, "focus an edit and replace its text"},
        {"key", "KEYS", &S::key, W,
         "press and release a key with modifiers: key Ctrl+Alt+W, key Enter"},
        {"char", "C", &S::character, W, "send one character"},
        {"slider", "ID POS", &S::numberedControl, W, "move a slider or scroll bar to POS"},
        {"spin", "ID STEPS", &S::numberedControl, W,
         "press an up-down control's arrow STEPS times (negative: the down\n"
         "arrow); 'held Ctrl+Alt' before it for the larger steps"},
        {"pick", "ID INDEX", &S::numberedControl, W, "choose an item of a combo box"},
        {"select", "L T R B", &S::selectArea, R,
         "select a rectangle of the picture panel (client pixels, edges\n"
         "inclusive), as a right-button drag does; 'select none' drops it"},
        {"mouse", "down|up left|right X Y, mouse move X Y", &S::mouse, R,
         "the mouse in the picture panel (client pixels); 'mouse dialog X Y'\n"
         "the pointer over the dialog outside the panel (dialog pixels)"},
        {"wheel", "DY", &S::wheel, R,
         "turn the wheel DY notches over the panel (positive: towards the\n"
         "user, scrolling down; with 'held Shift' across)"},
        {"probe", "X Y", &S::probe, R,
         "print what the tooltip says of the sample under panel pixel X Y"},
        {"scroll", "ID CODE [POS]", &S::scroll, R,
         "a scroll bar or slider notification; CODE is line-up,\n"
         "line-down, page-up, page-down, top, bottom, thumb (with POS), end"},
        {"cursor", "", &S::cursor, R, "print the cursor shown: hand, cross or arrow"},
        {"template", "N", &S::recoveryTemplate, R,
         "print the samples recovery template slot N holds, per neighbour\n"
         "class and CFA position: 'class C position P: N'"},
        {"focus", "ID", &S::focus, W,
         "put the keyboard focus on a control, as a click into it does"},
        {"dump", "OUT.pgm", &S::dumpSamples, R,
         "the sample buffer as it stands now, as korvane-cli dump writes it"},
        {"clipboard", "OUT.png", &S::clipboard, R, "write the picture last put on the clipboard"},
        {"print", "ID|title", &S::print, RW,
         "print a control's text (line breaks as \\n); 'print title' the title"},
        {"state", "ID", &S::state, RW, "print enabled, visible, checked and position of a control"},
        {"messages", "", &S::messages, R,
         "print each message shown as 'number | caption | text', then forget them"},
        {"save", "OUT.png", &S::save, R, "write the picture panel as a PNG"},
    });
    return kRows;
}

std::string ScriptRunner::help() {
    const auto id = [](int control) { return std::to_string(control); };
    std::string text =
        "Drives the main dialog without a window, one command a line, read from SCRIPT or\n"
        "standard input. Blank lines and lines starting with # are skipped. Ids are the\n"
        "dialog's control ids (" +
        id(ids::kPathEdit) + " the path edit, " + id(ids::kProcess) + " Process, " +
        id(ids::kExposureSlider) +
        " the exposure slider...).\n\n"
        "Commands:\n";
    // The help lines start in this column; a longer verb puts its help on the next line.
    constexpr std::size_t kColumn = 19;
    const std::string indent(kColumn, ' ');
    for (const VerbRow& row : verbs()) {
        std::string head = "  " + std::string(row.verb);
        if (!row.arguments.empty()) head += " " + std::string(row.arguments);
        text += head.size() < kColumn ? head + std::string(kColumn - head.size(), ' ')
                                      : head + "\n" + indent;
        for (const char c : row.help)
            text += c == '\n' ? "\n" + indent : std::string(1, c);
        text += '\n';
    }
    return text;
}

bool ScriptRunner::run(const std::string& line, std::string& error) {
    const auto [verb, rest] = firstWord(line);
    if (verb.empty() || verb[0] == '#') return true;
    failureStatus_ = 1;
    // Keys named by "held" are down for this one command.
    const bool holding = verb != "held" && held_.has_value();
    if (holding) {
        if (held_->ctrl) services_.press(platform::vk::kControl);
        if (held_->shift) services_.press(platform::vk::kShift);
        if (held_->alt) services_.press(platform::vk::kMenu);
        if (held_->key != 0) services_.press(held_->key);
    }
    const bool ok = dispatch(verb, rest, error);
    if (holding) {
        services_.releaseAll();
        held_.reset();
    }
    return ok;
}

bool ScriptRunner::dispatch(const std::string& verb, const std::string& rest, std::string& error) {
    const auto rows = verbs();
    const auto row =
        std::find_if(rows.begin(), rows.end(), [&](const VerbRow& r) { return r.verb == verb; });
    if (row == rows.end()) {
        error = "unknown command '" + verb + "'";
        return false;
    }
    Line line;
    line.verb = row->verb;
    line.rest = rest;
    std::tie(line.first, line.second) = firstWord(rest);
    if (row->reach != Reach::Runner) {
        // The main dialog, an open tool window, or (to be read only) the last About box.
        line.live =
            windowId_ == ids::kMainDialog ? dialog_.get() : services_.openModelessDialog(windowId_);
        line.shown = line.live != nullptr ? line.live : services_.lastModalDialog(windowId_);
        if (line.shown == nullptr || (line.live == nullptr && row->reach != Reach::ReadWindow)) {
            error = "window " + std::to_string(windowId_) + " is not open";
            return false;
        }
    }
    return (this->*row->handler)(line, error);
}

bool ScriptRunner::controlId(const Line& line, int& id, std::string& error) const {
    if (!readInt(line.first, id) || !line.shown->hasControl(id)) {
        error = "no control '" + line.first + "' in window " + std::to_string(windowId_);
        return false;
    }
    return true;
}

bool ScriptRunner::window(const Line& line, std::string& error) {
    int id = 0;
    if (!readInt(line.rest, id) || resources::findDialogTemplate(id) == nullptr) {
        error = "no dialog '" + line.rest + "'";
        return false;
    }
    windowId_ = id;
    return true;
}

bool ScriptRunner::print(const Line& line, std::string& error) {
    if (line.first == "title") {
        out_ << oneLine(line.shown->title()) << '\n';
        return true;
    }
    int id = 0;
    if (!controlId(line, id, error)) return false;
    out_ << oneLine(line.shown->text(id)) << '\n';
    return true;
}

bool ScriptRunner::state(const Line& line, std::string& error) {
    int id = 0;
    if (!controlId(line, id, error)) return false;
    const auto& c = line.shown->control(id);
    out_ << id << ": enabled=" << c.enabled << " visible=" << c.visible << " checked=" << c.checked
         << " position=" << c.range.position << '\n';
    return true;
}

bool ScriptRunner::click(const Line& line, std::string& error) {
    int id = 0;
    if (!controlId(line, id, error)) return false;
    platform::headless::HeadlessDriver(*line.live, services_).click(id);
    return true;
}

bool ScriptRunner::typeText(const Line& line, std::string& error) {
    int id = 0;
    if (!controlId(line, id, error)) return false;
    platform::headless::HeadlessDriver(*line.live, services_).type(id, line.second);
    return true;
}

bool ScriptRunner::key(const Line& line, std::string& error) {
    const auto chord = platform::headless::parseKeyChord(line.rest);
    if (!chord || chord->key == 0) {
        error = "unknown keys '" + line.rest + "'";
        return false;
    }
    // A key held by "held" stays down through the whole chord.
    KeyChord c = *chord;
    if (held_) c.ctrl |= held_->ctrl, c.shift |= held_->shift, c.alt |= held_->alt;
    platform::headless::HeadlessDriver(*line.live, services_).key(c);
    return true;
}

bool ScriptRunner::character(const Line& line, std::string& error) {
    if (line.rest.size() != 1) {
        error = "char needs one character";
        return false;
    }
    platform::headless::HeadlessDriver(*line.live, services_).character(line.rest[0]);
    return true;
}

bool ScriptRunner::numberedControl(const Line& line, std::string& error) {
    int id = 0;
    if (!controlId(line, id, error)) return false;
    int value = 0;
    if (!readInt(line.second, value)) {
        error = std::string(line.verb) + " needs a number";
        return false;
    }
    platform::headless::HeadlessDriver driver(*line.live, services_);
    if (line.verb == "slider")
        driver.slide(id, value);
    else if (line.verb == "pick")
        driver.pick(id, value);
    else if (!driver.spin(id, value)) {
        error = "no usable up-down control '" + line.first + "'";
        return false;
    }
    return true;
}

bool ScriptRunner::focus(const Line& line, std::string& error) {
    int id = 0;
    if (!controlId(line, id, error)) return false;
    line.live->setFocus(id);
    return true;
}

bool ScriptRunner::panel(const Line& line, std::string& error) {
    int w = 0, h = 0;
    if (!readInt(line.first, w) || !readInt(line.second, h) || w <= 0 || h <= 0) {
        error = "panel needs a width and a height";
        return false;
    }
    dialog_->setPanelSize({w, h});
    return true;
}

bool ScriptRunner::held(const Line& line, std::string& error) {
    const auto chord = platform::headless::parseKeyChord(line.rest);
    if (!chord) {
        error = "unknown keys '" + line.rest + "'";
        return false;
    }
    held_ = chord;
    return true;
}

bool ScriptRunner::process(const Line& line, std::string& error) {
    if (line.rest.empty()) {
        error = "process needs a path";
        return false;
    }
    driver_->type(ids::kPathEdit, line.rest);
    driver_->click(ids::kProcess);
    return true;
}

bool ScriptRunner::drop(const Line& line, std::string& error) {
    if (line.rest.empty()) {
        error = "drop needs a path";
        return false;
    }
    dialog_->handler().onFileDropped(line.rest);
    return true;
}

bool ScriptRunner::selectArea(const Line& line, std::string& error) {
    if (line.rest == "none") {
        analyzer_->clearPanelSelection();
        return true;
    }
    std::istringstream words(line.rest);
    std::string word;
    std::array<int, 4> edge{};
    std::size_t n = 0;
    while (words >> word) {
        if (n == edge.size() || !readInt(word, edge[n])) {
            n = edge.size() + 1;
            break;
        }
        ++n;
    }
    if (n != edge.size()) {
        error = "select needs four numbers: left top right bottom";
        return false;
    }
    analyzer_->setPanelSelection(edge[0], edge[1], edge[2], edge[3]);
    return true;
}

bool ScriptRunner::wheel(const Line& line, std::string& error) {
    int notches = 0;
    if (!readInt(line.rest, notches)) {
        error = "wheel needs a number of notches";
        return false;
    }
    const platform::Size panel = dialog_->panelSurface().size();
    driver_->wheel(-120 * notches, {panel.width / 2, panel.height / 2});
    return true;
}

bool ScriptRunner::recoveryTemplate(const Line& line, std::string& error) {
    int n = 0;
    if (!readInt(line.rest, n) || n < 1 || n > kTemplateSlotCount) {
        error = "template needs a slot number from 1 to 10";
        return false;
    }
    const RecoveryTemplate& slot = analyzer_->recoveryTemplates()[static_cast<std::size_t>(n - 1)];
    if (!slot.active) out_ << "slot " << n << " holds no template\n";
    for (const std::string& text : templateCountLines(slot))
        out_ << text << '\n';
    return true;
}

bool ScriptRunner::dumpSamples(const Line& line, std::string& error) {
    const std::string& path = line.rest;
    if (path.empty()) {
        error = "dump needs a file name";
        return false;
    }
    if (!analyzer_->imageDecoded()) {
        error = "dump: no image is loaded";
        failureStatus_ = 2;
        return false;
    }
    const ImageDescriptor& image = *analyzer_->image();
    SampleRect whole;
    whole.width = image.imageWidth;
    whole.height = image.imageLength;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out || !writePgm(out, image, whole)) {
        out.close();
        std::remove(path.c_str());
        error = "cannot write " + path;
        failureStatus_ = 2;
        return false;
    }
    return true;
}

bool ScriptRunner::cursor(const Line&, std::string&) {
    static constexpr const char* kNames[] = {"arrow", "hand", "cross"};
    out_ << kNames[static_cast<int>(services_.cursor)] << '\n';
    return true;
}

bool ScriptRunner::clipboard(const Line& line, std::string& error) {
    if (line.rest.empty()) {
        error = "clipboard needs a file name";
        return false;
    }
    if (!services_.clipboard) {
        error = "clipboard: no picture has been put on the clipboard";
        return false;
    }
    std::string why;
    if (!writePng(*services_.clipboard, line.rest, why)) {
        error = why;
        failureStatus_ = 2;
        return false;
    }
    return true;
}

bool ScriptRunner::messages(const Line&, std::string&) {
    for (const auto& m : services_.messages)
        out_ << m.number << " | " << oneLine(m.caption) << " | " << oneLine(m.text) << '\n';
    services_.messages.clear();
    return true;
}

bool ScriptRunner::save(const Line& line, std::string& error) {
    if (line.rest.empty()) {
        error = "save needs a file name";
        return false;
    }
    if (!analyzer_->imageDecoded()) {
        // Without a decoded image the panel shows nothing of any file.
        error = "save: no image is shown (no file was processed, or it did not load)";
        failureStatus_ = 2;
        return false;
    }
    std::string why;
    if (!writePng(dialog_->panelSurface(), line.rest, why)) {
        error = why;
        return false;
    }
    return true;
}

bool ScriptRunner::probe(const Line& line, std::string& error) {
    platform::Point p;
    if (!readPoint(words(line.rest), 0, p)) {
        error = "probe needs X Y";
        return false;
    }
    out_ << analyzer_->panelToolTip(p) << '\n';
    return true;
}

bool ScriptRunner::mouse(const Line& line, std::string& error) {
    const std::vector<std::string> w = words(line.rest);
    platform::Point p;
    using platform::MouseKind;
    if (!w.empty() && w[0] == "move" && readPoint(w, 1, p)) {
        driver_->mouse(MouseKind::Move, p);
        return true;
    }
    if (!w.empty() && w[0] == "dialog" && readPoint(w, 1, p)) {
        driver_->dialogMouse(p);
        return true;
    }
    if (w.size() >= 2 && (w[0] == "down" || w[0] == "up") && (w[1] == "left" || w[1] == "right") &&
        readPoint(w, 2, p)) {
        const bool left = w[1] == "left";
        driver_->mouse(w[0] == "down" ? (left ? MouseKind::LeftDown : MouseKind::RightDown)
                                      : (left ? MouseKind::LeftUp : MouseKind::RightUp),
                       p);
        return true;
    }
    error = "mouse needs down|up left|right X Y, move X Y or dialog X Y";
    return false;
}

bool ScriptRunner::scroll(const Line& line, std::string& error) {
    using platform::ScrollCode;
    static constexpr std::pair<const char*, ScrollCode> kCodes[] = {
        {"line-up", ScrollCode::LineUp},
        {"line-down", ScrollCode::LineDown},
        {"page-up", ScrollCode::PageUp},
        {"page-down", ScrollCode::PageDown},
        {"top", ScrollCode::Top},
        {"bottom", ScrollCode::Bottom},
        {"thumb", ScrollCode::ThumbPosition},
        {"end", ScrollCode::EndScroll},
    };
    int id = 0;
    const auto kind = [&] { return dialog_->control(id).source->kind; };
    using platform::ControlKind;
    if (!readInt(line.first, id) || !dialog_->hasControl(id) ||
        (kind() != ControlKind::HScrollBar && kind() != ControlKind::VScrollBar &&
         kind() != ControlKind::Trackbar)) {
        error = "no scroll bar or slider '" + line.first + "'";
        return false;
    }
    const auto [codeName, positionText] = firstWord(line.second);
    const auto code = std::find_if(std::begin(kCodes), std::end(kCodes),
                                   [&name = codeName](const auto& c) { return name == c.first; });
    int position = dialog_->position(id);
    if (code == std::end(kCodes) ||
        (code->second == ScrollCode::ThumbPosition && !readInt(positionText, position))) {
        error = "scroll needs a code (line-up, line-down, page-up, page-down, top, bottom, thumb "
                "POS, end)";
        return false;
    }
    if (kind() == ControlKind::VScrollBar)
        analyzer_->onVScroll(id, code->second, position);
    else
        analyzer_->onHScroll(id, code->second, position);
    return true;
}

int ScriptRunner::runAll(std::istream& in, std::ostream& err) {
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string error;
        if (!run(line, error)) {
            err << "script line " << number << ": " << error << '\n';
            out_.flush();
            return failureStatus_;
        }
    }
    out_.flush();
    return 0;
}

} // namespace korvane::cli
