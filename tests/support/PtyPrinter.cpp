#include "support/PtyPrinter.h"

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "support/TestUtil.h"

PtyPrinter::PtyPrinter() : m_master(-1), m_slave(-1), m_stop(false)
{
    m_path[0] = '\0';
    termios raw;
    memset(&raw, 0, sizeof(raw));
    cfmakeraw(&raw);
    if (openpty(&m_master, &m_slave, m_path, &raw, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    m_thread = std::thread(&PtyPrinter::Serve, this);
}

PtyPrinter::~PtyPrinter()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    Hang();
}

void PtyPrinter::Hang()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_slave >= 0)
        close(m_slave);
    if (m_master >= 0)
        close(m_master);
    m_slave = m_master = -1;
}

void PtyPrinter::AddRule(const std::string &when, const std::string &reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rules.emplace_back(when, reply);
    m_ruleFrom.push_back(m_received.size());
}

bool PtyPrinter::Send(const std::string &bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_master >= 0 && write(m_master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::string PtyPrinter::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

bool PtyPrinter::WaitForReceivedCount(size_t count, int timeoutMs) const
{
    return quorvane_test::WaitFor([&] { return Received().size() >= count; }, timeoutMs);
}

void PtyPrinter::Serve()
{
    while (!m_stop) {
        int fd;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            fd = m_master;
        }
        if (fd < 0)
            return;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN))
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_master < 0)
            return;
        char buf[512];
        const ssize_t n = read(m_master, buf, sizeof(buf));
        if (n <= 0)
            continue;
        m_received.append(buf, static_cast<size_t>(n));
        for (size_t i = 0; i < m_rules.size(); ++i) {
            size_t at;
            while ((at = m_received.find(m_rules[i].first, m_ruleFrom[i])) != std::string::npos) {
                m_ruleFrom[i] = at + m_rules[i].first.size();
                const std::string &reply = m_rules[i].second;
                ssize_t w = write(m_master, reply.data(), reply.size());
                (void)w;
            }
        }
    }
}
