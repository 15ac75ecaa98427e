// For kwtool's tests: runs the built kwtool through the shell, the way a user would, and
// collects what it printed and how it ended.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char **environ;

namespace kwtool::testing {

struct KwtoolRun {
    int status = -1;  // exit status; -1 when kwtool did not run or did not exit normally
    std::string out;  // standard output
};

// Runs "kwtool --workdir WORKDIR ARGUMENTS"; ARGUMENTS is shell text, so quoting and
// redirections (" 2>&1") work as on a command line.
inline KwtoolRun RunKwtool(const std::string &workdir, const std::string &arguments) {
    KwtoolRun run;
    const std::string command =
        std::string(KW_BIN_DIR) + "/kwtool --workdir " + workdir + " " + arguments;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Starts "kwtool ARGUMENTS..." with its output thrown away, without waiting for it (a test that
// kills it part-way waits itself); its process id, or -1.
inline pid_t SpawnKwtoolQuietly(std::vector<std::string> arguments) {
    const std::string program = std::string(KW_BIN_DIR) + "/kwtool";
    arguments.insert(arguments.begin(), program);
    std::vector<char *> argv;
    for (std::string &word : arguments)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace kwtool::testing
