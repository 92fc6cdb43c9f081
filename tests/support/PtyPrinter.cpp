#include "support/PtyPrinter.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>

namespace quorvane_test {

PtyPrinter::PtyPrinter(const std::vector<AnswerRule> &rules)
    : m_rules(rules), m_ruleFrom(rules.size(), 0), m_stop(false)
{
    if (m_pty.ok())
        m_thread = std::thread(&PtyPrinter::Serve, this);
}

PtyPrinter::~PtyPrinter()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::string PtyPrinter::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

bool PtyPrinter::WaitForReceivedCount(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_received.size() >= count; });
}

void PtyPrinter::Serve()
{
    std::string all; // this thread's copy, searched by the rules
    while (!m_stop) {
        struct pollfd p = {m_pty.master(), POLLIN, 0};
        if (poll(&p, 1, 20) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = read(m_pty.master(), buf, sizeof(buf));
        if (n <= 0) {
            // No slave open at the moment (EIO): wait for the next opener.
            usleep(2000);
            continue;
        }
        all.append(buf, static_cast<size_t>(n));
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.append(buf, static_cast<size_t>(n));
        }
        m_cond.notify_all();
        for (size_t i = 0; i < m_rules.size(); ++i) {
            size_t at;
            while ((at = all.find(m_rules[i].when, m_ruleFrom[i])) != std::string::npos) {
                m_ruleFrom[i] = at + m_rules[i].when.size();
                if (!m_rules[i].reply.empty())
                    m_pty.WriteMaster(m_rules[i].reply);
            }
        }
    }
}

} // namespace quorvane_test
