// kwtool's command registry. Each command lives in its own file and registers itself with
// KWTOOL_COMMAND; main.cc parses the global options (--workdir DIR, --json, --help), changes to
// the working directory and runs the command with the remaining arguments.
#pragma once

#include <string>
#include <vector>

namespace kwtool {

struct Options {
    std::string workdir;            // "" when not given: the current directory
    bool json = false;              // --json: counts as JSON where the command supports it
    std::vector<std::string> args;  // the command's own arguments, in order
};

// A command returns the process exit status: 0 success, 1 failure, 2 usage error.
using CommandFn = int (*)(const Options &options);

struct Command {
    const char *name;
    const char *usage;    // arguments, e.g. "FILE [--filter N]"
    const char *summary;  // one line
    CommandFn run;
};

// Registers a command; called from static initialisers through KWTOOL_COMMAND.
bool RegisterCommand(const Command &command);
const std::vector<Command> &Commands();

// Prints "kwtool: message" to stderr and returns 1 (or the status given).
int Fail(const std::string &message, int status = 1);
// Prints the usage line of a command to stderr and returns 2.
int Usage(const Options &options, const char *name);

// Takes "--name VALUE" or "--name=VALUE" out of args; true when present.
bool TakeOption(std::vector<std::string> *args, const std::string &name, std::string *value);
// Takes a flag "--name" out of args; true when present.
bool TakeFlag(std::vector<std::string> *args, const std::string &name);

}  // namespace kwtool

#define KWTOOL_CONCAT2(a, b) a##b
#define KWTOOL_CONCAT(a, b) KWTOOL_CONCAT2(a, b)
#define KWTOOL_COMMAND(name, usage, summary, fn)                    \
    static const bool KWTOOL_CONCAT(kwtool_registered_, __LINE__) = \
        ::kwtool::RegisterCommand(::kwtool::Command{name, usage, summary, fn})
