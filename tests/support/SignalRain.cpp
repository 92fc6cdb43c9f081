#include "support/SignalRain.h"

#include <cstring>
#include <unistd.h>

namespace quorvane_test {

namespace {
void Ignore(int) {}
} // namespace

SignalRain::SignalRain(pthread_t target, int intervalUs, bool restart)
{
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = &Ignore;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = restart ? SA_RESTART : 0;
    sigaction(SIGUSR1, &sa, &m_old);
    m_thread = std::thread([this, target, intervalUs] {
        while (!m_stop.load()) {
            if (pthread_kill(target, SIGUSR1) != 0)
                break; // the target has ended
            m_sent.fetch_add(1);
            usleep(static_cast<useconds_t>(intervalUs));
        }
    });
}

SignalRain::~SignalRain()
{
    m_stop = true;
    m_thread.join();
    sigaction(SIGUSR1, &m_old, nullptr);
}

} // namespace quorvane_test
