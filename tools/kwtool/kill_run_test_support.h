// For kwtool's kill tests: kills a running kwtool at a chosen moment, and tells from the settings
// file whether the kill cut its run short.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/core/setting_keys.h"
#include "platform/profile.h"

namespace kwtool::testing {

// Waits until started() holds (or the child has ended), then delayMs more, and kills the child
// with SIGKILL (delayMs < 0: lets it finish). The child's wait status, or -1 when the wait failed.
inline int KillWhenStarted(pid_t child, const std::function<bool()> &started, int delayMs) {
    int status = 0;
    bool running = true;
    while (running && !started()) {
        running = ::waitpid(child, &status, WNOHANG) != child;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (running && delayMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(child, SIGKILL);
    }
    if (running && ::waitpid(child, &status, 0) != child) return -1;
    return status;
}

// Whether the run that ended with status in work was cut short: not marked clean. A kill can land
// after the run closed its database and marked itself clean, while the process is still exiting
// (slow under a sanitizer's leak check); that run was not cut short, and its database must be
// whole, as after a run left to finish. A run that was not killed must always be clean.
inline bool RunWasCutShort(const std::string &work, int status) {
    const kw::platform::Profile ini(kw::SettingsFilePath(work));
    const bool cutShort = ini.GetString("Status", "Clean", "") == "0";
    if (!WIFSIGNALED(status)) {
        EXPECT_FALSE(cutShort);
    }
    return cutShort;
}

}  // namespace kwtool::testing
