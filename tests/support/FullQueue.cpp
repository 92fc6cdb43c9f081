#include "support/FullQueue.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvane_test {

bool FullQueue::Start()
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr *>(&a), len) != 0 ||
        listen(m_listener, 0) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr *>(&a), &len) != 0)
        return false;
    m_port = ntohs(a.sin_port);
    for (int i = 0; i < 8; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return false;
        m_fillers.push_back(fd);
        if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 && errno != EINPROGRESS)
            return false;
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, 100) == 0)
            return true; // this one waits: the queue is full
    }
    return false;
}

FullQueue::~FullQueue()
{
    for (int fd : m_fillers)
        close(fd);
    if (m_listener >= 0)
        close(m_listener);
}

} // namespace quorvane_test
