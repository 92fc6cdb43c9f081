#include "support/FakePrinter.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "support/TestUtil.h"

FakePrinter::FakePrinter(uint16_t port)
    : m_port(port), m_listenFd(-1), m_wakePipe{-1, -1}, m_running(false), m_silent(false), m_refuse(false),
      m_stalled(false),
      m_dropAfter(0), m_dropHow(After::Nothing), m_accepted(0), m_live(0), m_stop(false)
{
}

FakePrinter::~FakePrinter() { Stop(); }

bool FakePrinter::Start()
{
    if (m_running)
        return true;
    m_startError = 0;
    m_listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        m_startError = errno;
        return false;
    }
    int one = 1;
    setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr;
    memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(m_port);
    socklen_t len = sizeof(addr);
    if (bind(m_listenFd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0 || listen(m_listenFd, 64) != 0 ||
        getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&addr), &len) != 0 ||
        pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_startError = errno;
        close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    m_port = ntohs(addr.sin_port);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = false;
    }
    m_thread = std::thread(&FakePrinter::Serve, this);
    m_running = true;
    return true;
}

void FakePrinter::Stop()
{
    if (!m_running)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    Wake();
    m_thread.join();
    m_running = false;
    close(m_listenFd);
    close(m_wakePipe[0]);
    close(m_wakePipe[1]);
    m_listenFd = m_wakePipe[0] = m_wakePipe[1] = -1;
}

void FakePrinter::Wake()
{
    if (m_wakePipe[1] >= 0) {
        const char b = 1;
        ssize_t r = write(m_wakePipe[1], &b, 1);
        (void)r;
    }
}

void FakePrinter::SetGreeting(const std::string &bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_greeting = bytes;
}

void FakePrinter::AddRule(const std::string &when, const std::string &reply, After after)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rules.push_back(Rule{when, reply, after});
}

void FakePrinter::ClearRules()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rules.clear();
}

void FakePrinter::SetSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_silent = silent;
}

void FakePrinter::DropAfterReceiving(size_t count, After how)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dropAfter = count;
    m_dropHow = how;
}

void FakePrinter::SetRefuse(bool refuse)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refuse = refuse;
}

void FakePrinter::SetStalled(bool stalled)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stalled = stalled;
    }
    Wake();
}

void FakePrinter::Send(const std::string &bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.push_back(Command{Command::SendBytes, bytes});
    }
    Wake();
}

void FakePrinter::CloseAll()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.push_back(Command{Command::CloseAllConns, std::string()});
    }
    Wake();
}

void FakePrinter::ResetAll()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.push_back(Command{Command::ResetAllConns, std::string()});
    }
    Wake();
}

std::string FakePrinter::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

size_t FakePrinter::ReceivedCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received.size();
}

void FakePrinter::ClearReceived()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
}

int FakePrinter::Accepted() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_accepted;
}

int FakePrinter::Live() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_live;
}

template <typename Pred>
bool FakePrinter::WaitUntil(int timeoutMs, Pred pred) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs), pred);
}

bool FakePrinter::WaitForReceived(const std::string &pattern, int timeoutMs) const
{
    return WaitUntil(timeoutMs, [&] { return m_received.find(pattern) != std::string::npos; });
}

bool FakePrinter::WaitForReceivedCount(size_t count, int timeoutMs) const
{
    return WaitUntil(timeoutMs, [&] { return m_received.size() >= count; });
}

bool FakePrinter::WaitForAccepted(int count, int timeoutMs) const
{
    return WaitUntil(timeoutMs, [&] { return m_accepted >= count; });
}

bool FakePrinter::WaitForLive(int count, int timeoutMs) const
{
    return WaitUntil(timeoutMs, [&] { return m_live == count; });
}

std::string FakePrinter::Hex(const char *text)
{
    const quorvane_test::Bytes b = quorvane_test::Hex(text ? text : "");
    return std::string(b.begin(), b.end());
}

void FakePrinter::SendTo(Conn &c, const std::string &bytes)
{
    size_t off = 0;
    int spins = 0;
    while (off < bytes.size() && spins < 200) {
        const ssize_t n = send(c.fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            off += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            pollfd pfd{c.fd, POLLOUT, 0};
            poll(&pfd, 1, 10);
            ++spins;
        } else {
            return;
        }
    }
}

void FakePrinter::End(Conn &c, After how)
{
    if (c.fd < 0)
        return;
    if (how == After::Reset) {
        linger lg;
        lg.l_onoff = 1;
        lg.l_linger = 0;
        setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &lg, sizeof(lg));
    }
    close(c.fd);
    c.fd = -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_live;
    m_cond.notify_all();
}

void FakePrinter::Accept()
{
    const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    std::string greeting;
    bool refuse, silent;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_accepted;
        ++m_live;
        greeting = m_greeting;
        refuse = m_refuse;
        silent = m_silent;
        m_cond.notify_all();
    }
    m_conns.push_back(Conn{fd, std::string(), std::vector<size_t>(), 0});
    Conn &c = m_conns.back();
    if (refuse) {
        End(c, After::Reset);
        return;
    }
    if (!silent && !greeting.empty())
        SendTo(c, greeting);
}

bool FakePrinter::OnReadable(Conn &c)
{
    char buf[4096];
    const ssize_t n = recv(c.fd, buf, sizeof(buf), MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        // The peer closed its side (or the connection broke): close ours too.
        End(c, After::Close);
        return false;
    }
    if (n < 0)
        return true;
    std::vector<Rule> rules;
    bool silent;
    size_t dropAfter;
    After dropHow;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.append(buf, static_cast<size_t>(n));
        rules = m_rules;
        silent = m_silent;
        dropAfter = m_dropAfter;
        dropHow = m_dropHow;
        m_cond.notify_all();
    }
    c.received.append(buf, static_cast<size_t>(n));
    c.total += static_cast<size_t>(n);
    c.ruleFrom.resize(rules.size(), 0);
    for (size_t i = 0; i < rules.size(); ++i) {
        const Rule &r = rules[i];
        if (r.when.empty())
            continue;
        size_t at;
        while ((at = c.received.find(r.when, c.ruleFrom[i])) != std::string::npos) {
            c.ruleFrom[i] = at + r.when.size();
            if (!silent && !r.reply.empty())
                SendTo(c, r.reply);
            if (r.after != After::Nothing) {
                End(c, r.after);
                return false;
            }
        }
    }
    if (dropAfter > 0 && dropHow != After::Nothing && c.total >= dropAfter) {
        End(c, dropHow);
        return false;
    }
    return true;
}

void FakePrinter::Serve()
{
    for (;;) {
        std::vector<Command> commands;
        bool stalled;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop)
                break;
            commands.swap(m_commands);
            stalled = m_stalled;
        }
        for (const Command &cmd : commands) {
            for (Conn &c : m_conns) {
                if (c.fd < 0)
                    continue;
                if (cmd.kind == Command::SendBytes)
                    SendTo(c, cmd.bytes);
                else
                    End(c, cmd.kind == Command::ResetAllConns ? After::Reset : After::Close);
            }
        }
        for (size_t i = 0; i < m_conns.size();) {
            if (m_conns[i].fd < 0)
                m_conns.erase(m_conns.begin() + static_cast<long>(i));
            else
                ++i;
        }

        std::vector<pollfd> fds;
        fds.push_back(pollfd{m_wakePipe[0], POLLIN, 0});
        fds.push_back(pollfd{m_listenFd, POLLIN, 0});
        // Stalled: connections are not polled, so nothing is read from them.
        for (const Conn &c : m_conns)
            fds.push_back(pollfd{c.fd, static_cast<short>(stalled ? 0 : POLLIN), 0});
        if (poll(fds.data(), fds.size(), 50) <= 0)
            continue;
        if (fds[0].revents) {
            char drain[64];
            while (read(m_wakePipe[0], drain, sizeof(drain)) > 0) {
            }
        }
        // Connections first (their indices match fds), then new ones.
        const size_t known = m_conns.size();
        for (size_t i = 0; i < known; ++i) {
            if (fds[i + 2].revents && m_conns[i].fd >= 0)
                OnReadable(m_conns[i]);
        }
        if (fds[1].revents & POLLIN)
            Accept();
    }
    for (Conn &c : m_conns)
        End(c, After::Close);
    m_conns.clear();
}
