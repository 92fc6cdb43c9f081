// Cancels a thread the way a C program does (pthread_cancel), for the tests of callers
// whose threads are cancelled inside library calls.
#ifndef QUORVANE_TESTS_SUPPORT_THREADCANCEL_H
#define QUORVANE_TESTS_SUPPORT_THREADCANCEL_H

#include <functional>

namespace quorvane_test {

struct CancelOutcome {
    bool started = false;   // the thread could be made
    bool joined = false;    // it ended within the join limit (else it is left running)
    bool cancelled = false; // the cancel ended it: its result is PTHREAD_CANCELED
};

// Runs fn(arg) on a thread of its own, cancels it after delayUs microseconds (a negative
// delay sends no cancel: something else does), runs afterCancel (when given) and joins the
// thread, waiting at most joinLimitMs.
CancelOutcome CancelAndJoin(void *(*fn)(void *), void *arg, int delayUs, int joinLimitMs,
                            const std::function<void()> &afterCancel = nullptr);

// CancelAndJoin after ms, with a join limit of a minute; true when the cancel ended fn.
inline bool EndedByCancel(void *(*fn)(void *), void *arg, int ms)
{
    return CancelAndJoin(fn, arg, ms * 1000, 60000).cancelled;
}

} // namespace quorvane_test

#endif
