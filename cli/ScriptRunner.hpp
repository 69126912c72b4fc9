#pragma once
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/AnalyzerDlg.hpp"
#include "platform/headless/HeadlessDriver.hpp"
#include "platform/headless/KeyNames.hpp"
#include "resources/ControlIds.hpp"

namespace korvane::cli {

// Drives the headless main dialog with one command a line and writes what was asked for.
class ScriptRunner {
public:
    explicit ScriptRunner(std::ostream& out, LoadStages stages = LoadStages::standard());
    ~ScriptRunner();

    // Runs one line; false with `error` set for a line that is not a command.
    bool run(const std::string& line, std::string& error);
    // Runs every line of a stream; stops at the first bad line and returns 1 (usage) or 2 (a
    // save with no image shown), else 0.
    int runAll(std::istream& in, std::ostream& err);

    platform::headless::HeadlessServices& services() { return services_; }
    platform::headless::HeadlessDialog& dialog() { return *dialog_; }
    CAnalyzerDlg& analyzer() { return *analyzer_; }

    // The script's commands, one line each, as `korvane-cli script --help` lists them.
    static std::string help();

    // Which window a verb acts on.
    enum class Reach : std::uint8_t {
        Runner,     // the runner's own state or the main dialog's panel
        Window,     // the window the script addresses, which must be open
        ReadWindow, // the same, or the About box as it closed (to be read only)
    };
    // One line of a script as its verb's handler gets it.
    struct Line {
        std::string_view verb;
        std::string rest;                                   // everything after the verb
        std::string first;                                  // the first word of `rest`
        std::string second;                                 // what follows it
        platform::headless::HeadlessDialog* live = nullptr; // with Reach::Window
        const platform::headless::HeadlessDialog* shown =
            nullptr; // with Reach::Window and ReadWindow
    };
    // A verb of the script language: the run of a line finds its row by the line's first word.
    struct VerbRow {
        std::string_view verb;
        std::string_view arguments; // as the help writes them
        bool (ScriptRunner::*handler)(const Line& line, std::string& error);
        Reach reach;
        std::string_view help; // a \n continues it on the next line of the help
    };
    // Every verb, in the order the help lists them.
    static std::span<const VerbRow> verbs();

private:
    bool dispatch(const std::string& verb, const std::string& rest, std::string& error);
    // The control `line.first` names in the addressed window: false with `error` set when it has
    // none.
    bool controlId(const Line& line, int& id, std::string& error) const;

    bool window(const Line& line, std::string& error);
    bool print(const Line& line, std::string& error);
    bool state(const Line& line, std::string& error);
    bool click(const Line& line, std::string& error);
    bool typeText(const Line& line, std::string& error);
    bool key(const Line& line, std::string& error);
    bool character(const Line& line, std::string& error);
    bool numberedControl(const Line& line, std::string& error); // slider, spin, pick
    bool focus(const Line& line, std::string& error);
    bool panel(const Line& line, std::string& error);
    bool held(const Line& line, std::string& error);
    bool process(const Line& line, std::string& error);
    bool drop(const Line& line, std::string& error);
    bool selectArea(const Line& line, std::string& error);
    bool mouse(const Line& line, std::string& error);
    bool probe(const Line& line, std::string& error);
    bool wheel(const Line& line, std::string& error);
    bool scroll(const Line& line, std::string& error);
    bool recoveryTemplate(const Line& line, std::string& error);
    bool dumpSamples(const Line& line, std::string& error);
    bool cursor(const Line& line, std::string& error);
    bool clipboard(const Line& line, std::string& error);
    bool messages(const Line& line, std::string& error);
    bool save(const Line& line, std::string& error);

    std::ostream& out_;
    platform::headless::HeadlessServices services_;
    std::unique_ptr<CAnalyzerDlg> analyzer_;
    std::unique_ptr<platform::headless::HeadlessDialog> dialog_;
    std::unique_ptr<platform::headless::HeadlessDriver> driver_;
    std::optional<platform::headless::KeyChord> held_;
    // The dialog template the window verbs address: the main dialog until a "window" line.
    int windowId_ = ids::kMainDialog;
    // The exit status of the line that failed: 1 for a usage fault, 2 when no image is shown.
    int failureStatus_ = 1;
};

// A text as one line: line breaks written as \n, backslashes as \\.
std::string oneLine(const std::string& text);

} // namespace korvane::cli
