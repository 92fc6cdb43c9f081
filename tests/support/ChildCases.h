// Runs numbered cases each in a forked child process, several at a time, each with a time
// limit, and collects how every child ended and what it printed. Call it while the process
// has only one thread.
#ifndef QUORVANE_TESTS_SUPPORT_CHILDCASES_H
#define QUORVANE_TESTS_SUPPORT_CHILDCASES_H

#include <functional>
#include <string>
#include <vector>

namespace quorvane_test {

struct ChildOutcome {
    bool timedOut = false; // killed after the time limit
    bool exited = false;   // exited normally (else killed by a signal)
    int code = 0;          // exit code, or the signal number
    long long ms = 0;      // wall time the case took
    std::string output;    // what the child wrote to stdout and stderr
};

// Runs body(i) for i in [0, count) in children, at most `parallel` at once; a child's exit
// code is body's result. A child that runs longer than limitMs is killed.
std::vector<ChildOutcome> RunChildCases(size_t count, const std::function<int(size_t)> &body, int limitMs,
                                        int parallel);

} // namespace quorvane_test

#endif
