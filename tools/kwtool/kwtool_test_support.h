// For kwtool's tests: running the built kwtool in a working directory of the test's choosing and
// collecting what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace kw::testing {

struct KwtoolRun {
    int status = -1;  // the exit status, -1 when it did not exit normally
    std::string out;  // standard output and standard error together
};

// Runs "kwtool --workdir WORKDIR ARGUMENTS" (arguments as one shell word list).
inline KwtoolRun RunKwtool(const std::string &workdir, const std::string &arguments) {
    KwtoolRun run;
    const std::string command =
        std::string(KW_BIN_DIR) + "/kwtool --workdir '" + workdir + "' " + arguments + " 2>&1";
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

}  // namespace kw::testing
