// korvane-cli: the analyser without a window, for batch work and scripting.

#include <array>
#include <fstream>
#include <iostream>
#include <string>

#include "cli/CommandLine.hpp"
#include "cli/DumpCommand.hpp"
#include "cli/HistogramCommand.hpp"
#include "cli/InfoCommand.hpp"
#include "cli/RenderCommand.hpp"
#include "cli/ScriptRunner.hpp"
#include "cli/StatsCommand.hpp"

namespace {

using namespace korvane::cli;

CommandRun declareScript(CLI::App& command) {
    auto script = std::make_shared<std::string>("-");
    command.add_option("SCRIPT", *script, "the script file; standard input without it or for -")
        ->type_name("");
    describe(command, ScriptRunner::help());
    command.footer(
        "Exit status: 0 when every line ran, 1 at the first line that is not a command,\n"
        "2 at a save when no image is shown (no file processed, or it did not load).");
    return [script] {
        ScriptRunner runner(std::cout);
        if (*script == "-") return runner.runAll(std::cin, std::cerr);
        std::ifstream in(*script);
        if (!in) {
            std::cerr << "cannot read " << *script << '\n';
            return 1;
        }
        return runner.runAll(in, std::cerr);
    };
}

struct Command {
    const char* name;
    const char* summary; // the program's help line for it
    CommandDeclaration declare;
};

// The commands, in the order the program's help lists them.
constexpr std::array kCommands = std::to_array<Command>({
    {"info", "the file's directories, camera, main image and shot information", declareInfo},
    {"dump", "the decoded samples as a 16-bit PGM or greyscale TIFF", declareDump},
    {"stats",
     "per CFA channel of the active area (or a rectangle of it): count, min,\n"
     "max, mean, stddev, samples at the white and black levels",
     declareStats},
    {"render", "the picture panel as the display draws it", declareRender},
    {"histogram", "the raw or RGB histograms as Histogram mode draws them", declareHistogram},
    {"script", "drive the main dialog with commands from SCRIPT or standard input", declareScript},
});

constexpr int kUsageStatus = 1;

} // namespace

int main(int argc, char** argv) {
    CLI::App program(
        "Korvane reads camera raw files (TIFF-based: CR2, NEF, ORF, PEF, ARW, DCR, DNG and\n"
        "relatives) and shows the samples the camera recorded. It never writes the raw file.",
        "korvane-cli");
    shapeHelp(program);
    program.footer("'korvane-cli COMMAND --help' lists a command's options.\n\n"
                   "Exit status: 0 success, 1 usage, 2 the file could not be processed.");
    program.require_subcommand(1, 1);
    std::array<std::pair<CLI::App*, CommandRun>, kCommands.size()> commands;
    for (std::size_t i = 0; i < kCommands.size(); ++i) {
        CLI::App* command =
            program.add_subcommand(kCommands[i].name, kCommands[i].summary)->group("Commands");
        commands[i] = {command, kCommands[i].declare(*command)};
    }
    try {
        program.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        // The help of the command named, or the program's.
        std::cout << program.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        const auto named = program.get_subcommands();
        const std::string who =
            named.empty() ? "korvane-cli" : "korvane-cli " + named.front()->get_name();
        if (named.empty() && argc < 2)
            std::cerr << who << ": no command given\n";
        else if (named.empty())
            std::cerr << who << ": unknown " << (argv[1][0] == '-' ? "option" : "command") << " '"
                      << argv[1] << "'\n";
        else
            std::cerr << who << ": " << e.what() << '\n';
        std::cerr << "'" << who << " --help' lists the " << (named.empty() ? "commands" : "options")
                  << ".\n";
        return kUsageStatus;
    }
    for (const auto& [command, run] : commands)
        if (command->parsed()) return run();
    return kUsageStatus;
}
