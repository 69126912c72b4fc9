#include "cli/CommandLine.hpp"

#include <memory>
#include <sstream>

namespace korvane::cli {

namespace {

// A command's description is its summary line, then (after a blank line) the paragraph its
// own help page gives; the program's list of commands shows the summary only.
class HelpFormatter final : public CLI::Formatter {
public:
    std::string make_subcommand(const CLI::App* command) const override {
        const std::string& text = command->get_description();
        std::ostringstream out;
        CLI::detail::format_help(out, command->get_display_name(true),
                                 text.substr(0, text.find("\n\n")), get_column_width());
        return out.str();
    }
    std::string make_description(const CLI::App* command) const override {
        const std::string text = command->get_description();
        return text.empty() ? text : text + "\n\n";
    }
};

} // namespace

void describe(CLI::App& command, const std::string& paragraph) {
    const std::string& summary = command.get_description();
    command.description(summary.empty() ? paragraph : summary + "\n\n" + paragraph);
}

void refuseValue(const std::string& option, const std::string& wants, const std::string& value) {
    throw CLI::ValidationError(option + " needs " + wants + ", not '" + value + "'");
}

bool parseArguments(CLI::App& command, const std::vector<std::string>& args, std::string& error) {
    // CLI11 takes the words last first.
    std::vector<std::string> words(args.rbegin(), args.rend());
    try {
        command.parse(words);
    } catch (const CLI::CallForHelp&) {
        error = "--help asks for the help page, not a run";
        return false;
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return false;
    }
    return true;
}

void shapeHelp(CLI::App& command) {
    // Wide enough for "--check ID, --uncheck ID"; longer help lines break with their own \n.
    auto formatter = std::make_shared<HelpFormatter>();
    formatter->column_width(24);
    formatter->label("SUBCOMMAND", "COMMAND");
    command.formatter(formatter);
    command.set_help_flag("-h,--help", "this text");
}

} // namespace korvane::cli
