// kwtool: the command-line face of Kettleworth. It works on the same database and settings
// files as the window program, in the working directory (or the one --workdir names).
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "command.h"
#include "platform/path.h"

namespace kwtool {

namespace {
std::vector<Command> &Registry() {
    static std::vector<Command> commands;
    return commands;
}

// Makes dir and any missing parents; failures show up at the chdir that follows.
void MakeDirectories(const std::string &dir) {
    for (size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1))
        kw::platform::MakeDirectory(dir.substr(0, slash));
    kw::platform::MakeDirectory(dir);
}

void PrintHelp() {
    std::cout << "usage: kwtool [--workdir DIR] [--json] COMMAND [ARGS...]\n\ncommands:\n";
    auto commands = Commands();
    std::sort(commands.begin(), commands.end(),
              [](const Command &a, const Command &b) { return std::strcmp(a.name, b.name) < 0; });
    for (const auto &c : commands) {
        std::string head = std::string(c.name) + " " + c.usage;
        std::printf("  %-40s %s\n", head.c_str(), c.summary);
    }
}
}  // namespace

bool RegisterCommand(const Command &command) {
    Registry().push_back(command);
    return true;
}

const std::vector<Command> &Commands() {
    return Registry();
}

int Fail(const std::string &message, int status) {
    std::cerr << "kwtool: " << message << "\n";
    return status;
}

int Usage(const Options &, const char *name) {
    for (const auto &c : Commands())
        if (std::strcmp(c.name, name) == 0)
            std::cerr << "usage: kwtool " << c.name << " " << c.usage << "\n";
    return 2;
}

bool TakeOption(std::vector<std::string> *args, const std::string &name, std::string *value) {
    for (size_t i = 0; i < args->size(); ++i) {
        const std::string &a = (*args)[i];
        if (a == name && i + 1 < args->size()) {
            *value = (*args)[i + 1];
            args->erase(args->begin() + static_cast<long>(i),
                        args->begin() + static_cast<long>(i) + 2);
            return true;
        }
        if (a.rfind(name + "=", 0) == 0) {
            *value = a.substr(name.size() + 1);
            args->erase(args->begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

bool TakeFlag(std::vector<std::string> *args, const std::string &name) {
    auto it = std::find(args->begin(), args->end(), name);
    if (it == args->end()) return false;
    args->erase(it);
    return true;
}

}  // namespace kwtool

int main(int argc, char **argv) {
    using namespace kwtool;
    Options options;
    std::string command;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i)
        rest.emplace_back(argv[i]);

    // Global options may stand before or after the command.
    std::string workdir;
    if (TakeOption(&rest, "--workdir", &workdir)) options.workdir = workdir;
    options.json = TakeFlag(&rest, "--json");
    if (rest.empty() || rest[0] == "--help" || rest[0] == "-h" || rest[0] == "help") {
        PrintHelp();
        return rest.empty() ? 2 : 0;
    }
    command = rest[0];
    options.args.assign(rest.begin() + 1, rest.end());

    // A working directory that does not exist yet is made, so "--workdir DIR create" works on
    // a fresh machine.
    if (!options.workdir.empty() && !kw::platform::IsDirectory(options.workdir))
        MakeDirectories(options.workdir);
    if (!options.workdir.empty() && ::chdir(options.workdir.c_str()) != 0)
        return Fail("cannot change to the working directory " + options.workdir + ": " +
                    std::strerror(errno));

    for (const auto &c : Commands())
        if (command == c.name) return c.run(options);
    return Fail("unknown command '" + command + "' (kwtool --help lists them)", 2);
}
