// Test support for kill tests: runs a piece of work in a child process and kills it with SIGKILL
// part-way. The child reports its progress as ints written to a pipe; the caller gets the last
// one that arrived before the kill, so it knows which steps the child had finished for certain.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kw::testing {

// Forks a child that runs work(pipeOut) and never returns (it reports each finished step by
// writing an int to pipeOut), kills it after delayMicros and returns the last step it reported
// (0 when none). Returns -1 after adding a test failure when a system call failed or the child
// ended by itself.
template <typename Work>
int RunChildAndKill(Work work, useconds_t delayMicros) {
    int fds[2];
    if (::pipe(fds) != 0) return ADD_FAILURE() << "pipe failed", -1;
    const pid_t child = ::fork();
    if (child < 0) return ADD_FAILURE() << "fork failed", -1;
    if (child == 0) {
        ::close(fds[0]);
        work(fds[1]);
        ::_exit(5);  // the work was meant to run until it was killed
    }
    ::close(fds[1]);
    ::usleep(delayMicros);
    const bool killed = ::kill(child, SIGKILL) == 0;
    int status = 0;
    const bool reaped = ::waitpid(child, &status, 0) == child;
    int last = 0, n = 0;
    while (::read(fds[0], &n, sizeof n) == sizeof n)
        last = n;
    ::close(fds[0]);
    if (!killed || !reaped) return ADD_FAILURE() << "the child could not be killed", -1;
    if (!WIFSIGNALED(status)) return ADD_FAILURE() << "the child ended by itself: " << status, -1;
    return last;
}

}  // namespace kw::testing
