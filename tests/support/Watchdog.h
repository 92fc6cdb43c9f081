// Ends the test program when a watched call does not return in time. A deadlocked thread
// can neither finish its test nor be joined, so the watchdog names what hung and aborts
// (the test then fails instead of hanging until the runner's time-out).
//
//     Watchdog dog;
//     {
//         Watchdog::Scope call(dog, "CP_Port_Close", 5000);
//         CP_Port_Close(h);
//     }
#ifndef QUORVANE_TESTS_SUPPORT_WATCHDOG_H
#define QUORVANE_TESTS_SUPPORT_WATCHDOG_H

#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <thread>

namespace quorvane_test {

struct WatchedCall {
    const char *what;
    int64_t startMs;
    int64_t limitMs;
};

class Watchdog {
public:
    Watchdog();
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

    // Watches the enclosing block: it must end within limitMs of the scope's start.
    class Scope {
    public:
        Scope(Watchdog &dog, const char *what, int limitMs);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        Watchdog &m_dog;
        std::list<WatchedCall>::iterator m_it;
    };

    // Longest time any watched block took so far, in ms.
    int64_t LongestMs() const;

private:
    void Run();

    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    std::list<WatchedCall> m_calls;
    int64_t m_longestMs;
    bool m_stop;
    std::thread m_thread;
};

} // namespace quorvane_test

#endif
