// korvane-cli's command line: every help page lists every option and verb, and every
// refused command line is a usage error (status 1) with a message on standard error.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sstream>

#include "cli/ScriptRunner.hpp"
#include "tests/cli/CliRun.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane::test {
namespace {

// Whether a help page has a line for `option`: two blanks, the option, then its value or the end.
bool listed(const std::string& help, const std::string& option) {
    return help.find("  " + option + ' ') != std::string::npos ||
           help.find("  " + option + '\n') != std::string::npos;
}

TEST(CommandLine, EveryHelpPageListsEveryOption) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> pages = {
        {"", {"info", "dump", "stats", "render", "histogram", "script", "-h,--help"}},
        {"info", {"FILE", "--json"}},
        {"dump", {"FILE", "-o", "--active"}},
        {"stats", {"FILE", "--rect", "--json", "--csv"}},
        {"render",
         {"FILE", "-o", "--panel", "--mode", "--mapping", "--zoom", "--scroll", "--orientation",
          "--black", "--white", "--exposure", "--wb", "--check", "--uncheck", "--select",
          "--noise"}},
        {"histogram",
         {"FILE", "-o", "--csv", "--panel", "--fine", "--select", "--black", "--white", "--mapped",
          "--wb", "--apply-wb", "--mapping", "--exposure"}},
        {"script", {"SCRIPT", "panel",     "held",  "process", "window",   "drop",     "click",
                    "type",   "key",       "char",  "slider",  "spin",     "pick",     "select",
                    "mouse",  "wheel",     "probe", "scroll",  "cursor",   "template", "focus",
                    "dump",   "clipboard", "print", "state",   "messages", "save"}},
    };
    TempFolder folder;
    for (const auto& [command, options] : pages) {
        SCOPED_TRACE(command);
        for (const char* help : {" --help", " -h"}) {
            const CliRun r = runCli(command + help, folder.path() / "err.txt");
            EXPECT_EQ(r.status, 0);
            EXPECT_TRUE(r.err.empty()) << r.err;
            EXPECT_NE(r.out.find("Usage: korvane-cli" + (command.empty() ? "" : " " + command)),
                      std::string::npos)
                << r.out;
            for (const std::string& option : options)
                EXPECT_TRUE(listed(r.out, option)) << option << "\n" << r.out;
        }
    }
}

// The script's verbs: the help lists each with its arguments, and each is a command the
// runner knows, whatever it then says of the missing arguments.
TEST(CommandLine, EveryScriptVerbIsListedAndKnown) {
    const std::string help = cli::ScriptRunner::help();
    std::ostringstream out;
    cli::ScriptRunner runner(out);
    for (const auto& row : cli::ScriptRunner::verbs()) {
        const std::string verb(row.verb);
        SCOPED_TRACE(verb);
        EXPECT_TRUE(
            listed(help, row.arguments.empty() ? verb : verb + " " + std::string(row.arguments)))
            << help;
        EXPECT_FALSE(row.help.empty());
        std::string error;
        if (!runner.run(verb, error)) {
            EXPECT_EQ(error.find("unknown command"), std::string::npos) << error;
        }
    }
    std::string error;
    EXPECT_FALSE(runner.run("frobnicate 1", error));
    EXPECT_EQ(error, "unknown command 'frobnicate'");
}

TEST(CommandLine, RefusedCommandLinesAreUsageErrorsWithAMessage) {
    // {arguments, what the message names}
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"", "korvane-cli: "},
        {"frobnicate f.dng", "unknown command 'frobnicate'"},
        {"--bogus", "--bogus"},
        {"info", "FILE"},
        {"info a.dng b.dng", "b.dng"},
        {"info --bogus a.dng", "--bogus"},
        {"dump f.dng", "-o"},
        {"dump f.dng -o out.png",
         "-o needs a file name ending in .pgm, .tiff or .tif, not 'out.png'"},
        {"dump f.dng -o a.pgm -o b.pgm", "-o"},
        {"dump f.dng -o a.pgm --bogus", "--bogus"},
        {"stats", "FILE"},
        {"stats --rect 1,2,3 f.dng", "--rect needs L,T,W,H"},
        {"stats --rect 1,2,3,4 --rect 1,2,3,4 f.dng", "--rect"},
        {"stats --json --csv f.dng", "--json excludes --csv"},
        {"stats --json --json f.dng", "--json"},
        {"stats --bogus f.dng", "--bogus"},
        {"render f.dng", "-o"},
        {"render -o o.png", "FILE"},
        {"render f.dng g.dng -o o.png", "g.dng"},
        {"render f.dng -o", "-o"},
        {"render f.dng -o o.png --panel 0x10", "--panel needs WIDTHxHEIGHT"},
        {"render f.dng -o o.png --mode colour", "--mode needs"},
        {"render f.dng -o o.png --zoom 2:2", "--zoom needs"},
        {"render f.dng -o o.png --wb 1,1,1", "--wb needs"},
        {"render f.dng -o o.png --check 1066 --uncheck x", "--uncheck needs a control id, not 'x'"},
        {"render f.dng -o o.png --noise none.json", "--noise: "},
        {"render f.dng -o o.png --frobnicate 1", "--frobnicate"},
        {"histogram f.dng -o o.png --zoom 2:1", "--zoom"},
        {"histogram f.dng -o o.png --select 1,2,3,4", "--select requires --fine"},
        {"histogram f.dng -o o.png --fine --mapped", "excludes"},
        {"histogram f.dng -o o.png --apply-wb", "--apply-wb requires --mapped"},
        {"histogram f.dng -o o.png --csv", "--csv"},
        {"histogram f.dng -o o.png --exposure 97", "--exposure needs"},
        {"script a.txt b.txt", "b.txt"},
        {"script --bogus", "--bogus"},
    };
    TempFolder folder;
    for (const auto& [arguments, named] : refused) {
        SCOPED_TRACE(arguments);
        const CliRun r = runCli(arguments, folder.path() / "err.txt");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.empty()) << r.out;
        const std::string command = arguments.substr(0, arguments.find(' '));
        const bool known = command != "frobnicate" && !command.empty() && command[0] != '-';
        EXPECT_EQ(r.err.rfind(known ? "korvane-cli " + command + ": " : "korvane-cli: ", 0), 0u)
            << r.err;
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
    }
    // Nothing was written but the messages.
    const auto written = std::distance(std::filesystem::directory_iterator(folder.path()), {});
    EXPECT_EQ(written, 1);
}

} // namespace
} // namespace korvane::test
