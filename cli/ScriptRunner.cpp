#include "cli/ScriptRunner.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
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
    while (!tail.empty() && (tail.back() == ' ' || tail.back() == '\t' || tail.back() == '\r')) tail.pop_back();
    return {text.substr(start, end - start), tail};
}

} // namespace

std::string oneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}

ScriptRunner::ScriptRunner(std::ostream& out, LoadStages stages) : out_(out) {
    analyzer_ = std::make_unique<CAnalyzerDlg>(services_, std::string(), std::move(stages));
    dialog_ = std::make_unique<platform::headless::HeadlessDialog>(resources::mainDialogTemplate(), *analyzer_);
    driver_ = std::make_unique<platform::headless::HeadlessDriver>(*dialog_, services_);
    dialog_->open();
}

ScriptRunner::~ScriptRunner() {
    if (analyzer_) analyzer_->onDestroy();
}

const char* ScriptRunner::help() {
    return "usage: korvane-cli script [SCRIPT]\n"
           "\n"
           "Drives the main dialog without a window, one command a line, read from SCRIPT or\n"
           "standard input. Blank lines and lines starting with # are skipped. Ids are the\n"
           "dialog's control ids (1001 the path edit, 1002 Process, 1069 the exposure slider...).\n"
           "\n"
           "  panel W H        size the picture panel to W x H pixels\n"
           "  held KEYS        hold KEYS (e.g. Ctrl+Shift+W) during the next command\n"
           "  process PATH     type PATH into the path edit and click Process\n"
           "  window ID        address the lines that follow to dialog ID until the next window\n"
           "                   line: 102 the main dialog (the start), 167 the white balance and\n"
           "                   169 the noise processing dialog (open them with key Ctrl+Alt+W and\n"
           "                   key Ctrl+Alt+N), 100 the About box as it closed (print and state)\n"
           "                   print, state, click, type, key, char, slider, spin, pick and focus\n"
           "                   act on that window\n"
           "  drop PATH        drop the file PATH on the window, as from a file manager\n"
           "  click ID         click a control (check boxes toggle, radio buttons select)\n"
           "  type ID TEXT     focus an edit and replace its text\n"
           "  key KEYS         press and release a key with modifiers: key Ctrl+Alt+W, key Enter\n"
           "  char C           send one character\n"
           "  slider ID POS    move a slider or scroll bar to POS\n"
           "  spin ID STEPS    press an up-down control's arrow STEPS times (negative: the down\n"
           "                   arrow); 'held Ctrl+Alt' before it for the larger steps\n"
           "  pick ID INDEX    choose an item of a combo box\n"
           "  select L T R B   select a rectangle of the picture panel (client pixels, edges\n"
           "                   inclusive), as a right-button drag does; 'select none' drops it\n"
           "  mouse down left|right X Y, mouse up left|right X Y, mouse move X Y\n"
           "                   the mouse in the picture panel (client pixels)\n"
           "  mouse dialog X Y the pointer over the dialog outside the panel (dialog pixels)\n"
           "  wheel DY         turn the wheel DY notches over the panel (positive: towards the\n"
           "                   user, scrolling down; with 'held Shift' across)\n"
           "  probe X Y        print what the tooltip says of the sample under panel pixel X Y\n"
           "  scroll ID CODE [POS]  a scroll bar or slider notification; CODE is line-up,\n"
           "                   line-down, page-up, page-down, top, bottom, thumb (with POS), end\n"
           "  cursor           print the cursor shown: hand, cross or arrow\n"
           "  template N       print the samples recovery template slot N holds, per neighbour\n"
           "                   class and CFA position: 'class C position P: N'\n"
           "  focus ID         put the keyboard focus on a control, as a click into it does\n"
           "  dump OUT.pgm     the sample buffer as it stands now, as korvane-cli dump writes it\n"
           "  clipboard OUT.png  write the picture last put on the clipboard\n"
           "  print ID         print a control's text (line breaks as \\n); 'print title' the title\n"
           "  state ID         print enabled, visible, checked and position of a control\n"
           "  messages         print each message shown as 'number | caption | text', then forget them\n"
           "  save OUT.png     write the picture panel as a PNG\n"
           "\n"
           "Exit status: 0 when every line ran, 1 at the first line that is not a command,\n"
           "2 at a save when no image is shown (no file processed, or it did not load).\n";
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

bool ScriptRunner::windowVerb(const std::string& verb, const std::string& rest, std::string& error, bool& handled) {
    static constexpr const char* kVerbs[] = {"print", "state", "click", "type", "key", "char",
                                             "slider", "spin", "pick", "focus"};
    handled = std::find(std::begin(kVerbs), std::end(kVerbs), verb) != std::end(kVerbs);
    if (!handled) return false;
    // The main dialog, an open tool window, or (to be read only) the last About box.
    platform::headless::HeadlessDialog* live =
        windowId_ == resources::mainDialogTemplate().id ? dialog_.get() : services_.openModelessDialog(windowId_);
    const platform::headless::HeadlessDialog* shown = live != nullptr ? live : services_.lastModalDialog(windowId_);
    const bool reading = verb == "print" || verb == "state";
    if (shown == nullptr || (live == nullptr && !reading)) {
        error = "window " + std::to_string(windowId_) + " is not open";
        return false;
    }
    const auto& d = *shown;
    const auto [arg1, arg2] = firstWord(rest);
    int id = 0;
    const auto needId = [&]() {
        if (!readInt(arg1, id) || !d.hasControl(id)) {
            error = "no control '" + arg1 + "' in window " + std::to_string(windowId_);
            return false;
        }
        return true;
    };
    if (verb == "print") {
        if (arg1 == "title") {
            out_ << oneLine(d.title()) << '\n';
            return true;
        }
        if (!needId()) return false;
        out_ << oneLine(d.text(id)) << '\n';
        return true;
    }
    if (verb == "state") {
        if (!needId()) return false;
        const auto& c = d.control(id);
        out_ << id << ": enabled=" << c.enabled << " visible=" << c.visible << " checked=" << c.checked
             << " position=" << c.range.position << '\n';
        return true;
    }
    platform::headless::HeadlessDriver driver(*live, services_);
    if (verb == "key") {
        const auto chord = platform::headless::parseKeyChord(rest);
        if (!chord || chord->key == 0) {
            error = "unknown keys '" + rest + "'";
            return false;
        }
        // A key held by "held" stays down through the whole chord.
        KeyChord c = *chord;
        if (held_) c.ctrl |= held_->ctrl, c.shift |= held_->shift, c.alt |= held_->alt;
        driver.key(c);
        return true;
    }
    if (verb == "char") {
        if (rest.size() != 1) {
            error = "char needs one character";
            return false;
        }
        driver.character(rest[0]);
        return true;
    }
    if (!needId()) return false;
    if (verb == "click") {
        driver.click(id);
        return true;
    }
    if (verb == "type") {
        driver.type(id, arg2);
        return true;
    }
    if (verb == "focus") {
        live->setFocus(id);
        return true;
    }
    int value = 0;
    if (!readInt(arg2, value)) {
        error = verb + " needs a number";
        return false;
    }
    if (verb == "slider") driver.slide(id, value);
    else if (verb == "pick") driver.pick(id, value);
    else if (!driver.spin(id, value)) {
        error = "no usable up-down control '" + arg1 + "'";
        return false;
    }
    return true;
}

bool ScriptRunner::dispatch(const std::string& verb, const std::string& rest, std::string& error) {
    auto& d = *dialog_;
    if (verb == "window") {
        int id = 0;
        if (!readInt(rest, id) || resources::findDialogTemplate(id) == nullptr) {
            error = "no dialog '" + rest + "'";
            return false;
        }
        windowId_ = id;
        return true;
    }
    bool handled = false;
    const bool done = windowVerb(verb, rest, error, handled);
    if (handled) return done;
    const auto [arg1, arg2] = firstWord(rest);
    if (verb == "panel") {
        int w = 0, h = 0;
        if (!readInt(arg1, w) || !readInt(arg2, h) || w <= 0 || h <= 0) {
            error = "panel needs a width and a height";
            return false;
        }
        d.setPanelSize({w, h});
        return true;
    }
    if (verb == "held") {
        const auto chord = platform::headless::parseKeyChord(rest);
        if (!chord) {
            error = "unknown keys '" + rest + "'";
            return false;
        }
        held_ = chord;
        return true;
    }
    if (verb == "process") {
        if (rest.empty()) {
            error = "process needs a path";
            return false;
        }
        driver_->type(1001, rest);
        driver_->click(1002);
        return true;
    }
    if (verb == "drop") {
        if (rest.empty()) {
            error = "drop needs a path";
            return false;
        }
        d.handler().onFileDropped(rest);
        return true;
    }
    if (verb == "select") {
        if (rest == "none") {
            analyzer_->clearPanelSelection();
            return true;
        }
        std::istringstream words(rest);
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
    if (verb == "mouse" || verb == "probe") return pointer(verb, rest, error);
    if (verb == "wheel") {
        int notches = 0;
        if (!readInt(rest, notches)) {
            error = "wheel needs a number of notches";
            return false;
        }
        const platform::Size panel = d.panelSurface().size();
        driver_->wheel(-120 * notches, {panel.width / 2, panel.height / 2});
        return true;
    }
    if (verb == "scroll") return scroll(arg1, arg2, error);
    if (verb == "template") {
        int n = 0;
        if (!readInt(rest, n) || n < 1 || n > kTemplateSlotCount) {
            error = "template needs a slot number from 1 to 10";
            return false;
        }
        const RecoveryTemplate& slot = analyzer_->recoveryTemplates()[static_cast<std::size_t>(n - 1)];
        if (!slot.active) out_ << "slot " << n << " holds no template\n";
        for (const std::string& line : templateCountLines(slot)) out_ << line << '\n';
        return true;
    }
    if (verb == "dump") {
        if (rest.empty()) {
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
        std::ofstream out(rest, std::ios::binary | std::ios::trunc);
        if (!out || !writePgm(out, image, whole)) {
            out.close();
            std::remove(rest.c_str());
            error = "cannot write " + rest;
            failureStatus_ = 2;
            return false;
        }
        return true;
    }
    if (verb == "cursor") {
        static constexpr const char* kNames[] = {"arrow", "hand", "cross"};
        out_ << kNames[static_cast<int>(services_.cursor)] << '\n';
        return true;
    }
    if (verb == "clipboard") {
        if (rest.empty()) {
            error = "clipboard needs a file name";
            return false;
        }
        if (!services_.clipboard) {
            error = "clipboard: no picture has been put on the clipboard";
            return false;
        }
        std::string why;
        if (!writePng(*services_.clipboard, rest, why)) {
            error = why;
            failureStatus_ = 2;
            return false;
        }
        return true;
    }
    if (verb == "messages") {
        for (const auto& m : services_.messages)
            out_ << m.number << " | " << oneLine(m.caption) << " | " << oneLine(m.text) << '\n';
        services_.messages.clear();
        return true;
    }
    if (verb == "save") {
        if (rest.empty()) {
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
        if (!writePng(d.panelSurface(), rest, why)) {
            error = why;
            return false;
        }
        return true;
    }
    error = "unknown command '" + verb + "'";
    return false;
}

bool ScriptRunner::pointer(const std::string& verb, const std::string& rest, std::string& error) {
    std::istringstream words(rest);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    const auto point = [&](std::size_t at, platform::Point& p) {
        return w.size() == at + 2 && readInt(w[at], p.x) && readInt(w[at + 1], p.y);
    };
    platform::Point p;
    if (verb == "probe") {
        if (!point(0, p)) {
            error = "probe needs X Y";
            return false;
        }
        out_ << analyzer_->panelToolTip(p) << '\n';
        return true;
    }
    using platform::MouseKind;
    if (!w.empty() && w[0] == "move" && point(1, p)) {
        driver_->mouse(MouseKind::Move, p);
        return true;
    }
    if (!w.empty() && w[0] == "dialog" && point(1, p)) {
        driver_->dialogMouse(p);
        return true;
    }
    if (w.size() >= 2 && (w[0] == "down" || w[0] == "up") && (w[1] == "left" || w[1] == "right") && point(2, p)) {
        const bool left = w[1] == "left";
        driver_->mouse(w[0] == "down" ? (left ? MouseKind::LeftDown : MouseKind::RightDown)
                                      : (left ? MouseKind::LeftUp : MouseKind::RightUp),
                       p);
        return true;
    }
    error = "mouse needs down|up left|right X Y, move X Y or dialog X Y";
    return false;
}

bool ScriptRunner::scroll(const std::string& control, const std::string& rest, std::string& error) {
    using platform::ScrollCode;
    static constexpr std::pair<const char*, ScrollCode> kCodes[] = {
        {"line-up", ScrollCode::LineUp},     {"line-down", ScrollCode::LineDown},
        {"page-up", ScrollCode::PageUp},     {"page-down", ScrollCode::PageDown},
        {"top", ScrollCode::Top},            {"bottom", ScrollCode::Bottom},
        {"thumb", ScrollCode::ThumbPosition}, {"end", ScrollCode::EndScroll},
    };
    int id = 0;
    const auto kind = [&] { return dialog_->control(id).source->kind; };
    using platform::ControlKind;
    if (!readInt(control, id) || !dialog_->hasControl(id) ||
        (kind() != ControlKind::HScrollBar && kind() != ControlKind::VScrollBar && kind() != ControlKind::Trackbar)) {
        error = "no scroll bar or slider '" + control + "'";
        return false;
    }
    const auto [codeName, positionText] = firstWord(rest);
    const auto code = std::find_if(std::begin(kCodes), std::end(kCodes),
                                   [&](const auto& c) { return codeName == c.first; });
    int position = dialog_->position(id);
    if (code == std::end(kCodes) || (code->second == ScrollCode::ThumbPosition && !readInt(positionText, position))) {
        error = "scroll needs a code (line-up, line-down, page-up, page-down, top, bottom, thumb POS, end)";
        return false;
    }
    if (kind() == ControlKind::VScrollBar) analyzer_->onVScroll(id, code->second, position);
    else analyzer_->onHScroll(id, code->second, position);
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
