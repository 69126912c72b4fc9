#pragma once
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "app/AnalyzerDlg.hpp"
#include "platform/headless/HeadlessDriver.hpp"
#include "platform/headless/KeyNames.hpp"

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

    static const char* help();

private:
    bool dispatch(const std::string& verb, const std::string& rest, std::string& error);
    // The verbs that act on the window the script addresses (see "window").
    bool windowVerb(const std::string& verb, const std::string& rest, std::string& error, bool& handled);
    bool pointer(const std::string& verb, const std::string& rest, std::string& error);
    bool scroll(const std::string& control, const std::string& rest, std::string& error);

    std::ostream& out_;
    platform::headless::HeadlessServices services_;
    std::unique_ptr<CAnalyzerDlg> analyzer_;
    std::unique_ptr<platform::headless::HeadlessDialog> dialog_;
    std::unique_ptr<platform::headless::HeadlessDriver> driver_;
    std::optional<platform::headless::KeyChord> held_;
    // The dialog template the window verbs address: the main dialog until a "window" line.
    int windowId_ = 102;
    // The exit status of the line that failed: 1 for a usage fault, 2 when no image is shown.
    int failureStatus_ = 1;
};

// A text as one line: line breaks written as \n, backslashes as \\.
std::string oneLine(const std::string& text);

} // namespace korvane::cli
