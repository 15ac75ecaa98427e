// For kwtool's tests: runs the built kwtool through the shell, the way a user would, and
// collects what it printed and how it ended.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

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

}  // namespace kwtool::testing
