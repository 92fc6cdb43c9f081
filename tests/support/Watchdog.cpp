#include "support/Watchdog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "ports/NZUtils.h"

namespace quorvane_test {

Watchdog::Watchdog() : m_longestMs(0), m_stop(false), m_thread(&Watchdog::Run, this) {}

Watchdog::~Watchdog()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_cond.notify_all();
    m_thread.join();
}

Watchdog::Scope::Scope(Watchdog &dog, const char *what, int limitMs) : m_dog(dog)
{
    std::lock_guard<std::mutex> lock(m_dog.m_mutex);
    m_it = m_dog.m_calls.insert(m_dog.m_calls.end(), WatchedCall{what, NZUtils_MonotonicMs(), limitMs});
}

Watchdog::Scope::~Scope()
{
    const int64_t now = NZUtils_MonotonicMs();
    std::lock_guard<std::mutex> lock(m_dog.m_mutex);
    if (now - m_it->startMs > m_dog.m_longestMs)
        m_dog.m_longestMs = now - m_it->startMs;
    m_dog.m_calls.erase(m_it);
}

int64_t Watchdog::LongestMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_longestMs;
}

void Watchdog::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        m_cond.wait_for(lock, std::chrono::milliseconds(50));
        const int64_t now = NZUtils_MonotonicMs();
        for (const WatchedCall &c : m_calls) {
            if (now - c.startMs > c.limitMs) {
                fprintf(stderr, "watchdog: %s did not return within %lld ms: deadlock?\n", c.what,
                        static_cast<long long>(c.limitMs));
                fflush(stderr);
                std::abort();
            }
        }
    }
}

} // namespace quorvane_test
