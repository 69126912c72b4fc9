#pragma once
// How korvane-cli's commands declare their arguments: each is a CLI::App, with one
// declaration per option giving its name, the name of its value, its help line and its check.
#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace korvane::cli {

// What a command does once its arguments are parsed into the values its options write:
// returns the exit status, 0 success or 2 the file could not be processed.
using CommandRun = std::function<int()>;

// Declares a command's arguments on `command` and returns what running it does.
using CommandDeclaration = CommandRun (*)(CLI::App& command);

// Adds the paragraph a command's help page gives after the summary the program lists.
void describe(CLI::App& command, const std::string& paragraph);

// The usage fault of an option's value, as an option's function throws it: "--panel needs
// WIDTHxHEIGHT, not '0x10'".
[[noreturn]] void refuseValue(const std::string& option, const std::string& wants,
                              const std::string& value);

// Parses `args` (the words after the command's name) into what `command` declares; false
// with `error` set when they are refused.
[[nodiscard]] bool parseArguments(CLI::App& command, const std::vector<std::string>& args,
                                  std::string& error);

// The help flag and column layout every command's help page shares.
void shapeHelp(CLI::App& command);

// Parses `args` into `request` through the arguments `declare` declares for the command `name`.
template <class Request>
[[nodiscard]] bool parseRequest(const char* name, void (*declare)(CLI::App&, Request&),
                                const std::vector<std::string>& args, Request& request,
                                std::string& error) {
    CLI::App command("", name);
    shapeHelp(command);
    declare(command, request);
    return parseArguments(command, args, error);
}

} // namespace korvane::cli
