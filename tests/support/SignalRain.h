// Signals aimed at one thread at a steady pace, as interval timers, profilers, SIGCHLD and
// other languages' runtimes send them to an application's threads. The handler does
// nothing; with restart false it is installed without SA_RESTART, so system calls that
// the signal interrupts fail with EINTR instead of resuming.
//
//     std::thread writer(...);
//     SignalRain rain(writer.native_handle(), 1000, false); // every 1 ms until destroyed
#ifndef QUORVANE_TESTS_SUPPORT_SIGNALRAIN_H
#define QUORVANE_TESTS_SUPPORT_SIGNALRAIN_H

#include <atomic>
#include <pthread.h>
#include <signal.h>
#include <thread>

namespace quorvane_test {

class SignalRain {
public:
    SignalRain(pthread_t target, int intervalUs, bool restart);
    ~SignalRain(); // stops the signals and puts the previous handler back
    SignalRain(const SignalRain &) = delete;
    SignalRain &operator=(const SignalRain &) = delete;

    // Signals delivered so far.
    int Sent() const { return m_sent.load(); }

private:
    struct sigaction m_old;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_sent{0};
    std::thread m_thread;
};

} // namespace quorvane_test

#endif
