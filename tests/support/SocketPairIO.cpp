#include "support/SocketPairIO.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvane_test {

SocketPairIO::SocketPairIO() : m_fd(-1), m_peer(-1) {}

SocketPairIO::~SocketPairIO()
{
    StopReadThread();
    if (m_fd >= 0)
        ::close(m_fd);
    DropPeer();
}

bool SocketPairIO::Open(const char *)
{
    if (!BeginOpen())
        return false;
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
        return false;
    m_fd = sv[0];
    m_peer = sv[1];
    SetOpened(true);
    if (!StartReadThread()) {
        SetOpened(false);
        return false;
    }
    return true;
}

void SocketPairIO::BaseClose()
{
    SetCancelRead(true);
    StopReadThread();
    const int fd = m_fd.exchange(-1);
    if (fd >= 0)
        ::close(fd);
}

void SocketPairIO::DropPeer()
{
    const int fd = m_peer.exchange(-1);
    if (fd >= 0)
        ::close(fd);
}

int SocketPairIO::BaseWrite(const unsigned char *data, unsigned int len, unsigned int)
{
    const ssize_t n = ::send(m_fd, data, len, MSG_NOSIGNAL);
    return n < 0 ? -1 : static_cast<int>(n);
}

int SocketPairIO::BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    struct pollfd p = {m_fd, POLLIN, 0};
    const int r = poll(&p, 1, static_cast<int>(timeoutMs));
    if (r == 0 || (r < 0 && errno == EINTR))
        return 0;
    if (r < 0) {
        SetInvalid(true);
        return -1;
    }
    const ssize_t n = ::recv(m_fd, buf, len, 0);
    if (n > 0)
        return static_cast<int>(n);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return 0;
    SetInvalid(true);
    return -1;
}

} // namespace quorvane_test
