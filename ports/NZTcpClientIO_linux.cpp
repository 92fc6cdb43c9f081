#include "ports/NZTcpClientIO_linux.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
bool ConnectWithin(int fd, uint32_t addr, unsigned short port, unsigned int timeoutMs)
{
    struct sockaddr_in sa;
    memset(&sa, 0, sizeof(sa));
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = addr;
    sa.sin_port = htons(port);
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return false;
    bool ok = false;
    if (connect(fd, reinterpret_cast<struct sockaddr *>(&sa), sizeof(sa)) == 0) {
        ok = true;
    } else if (errno == EINPROGRESS || errno == EINTR) {
        // 0: the system's own connect time-out alone ends the wait.
        const NZMsTimer timer(timeoutMs);
        short revents = 0;
        if (NZPollDescriptor(fd, POLLOUT, -1, timeoutMs == 0 ? nullptr : &timer, &revents) == 1) {
            int err = 0;
            socklen_t len = sizeof(err);
            ok = getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
        }
    }
    // The socket itself blocks again: each send and receive of ours asks for no waiting
    // itself and waits with poll, within its own time-out.
    if (fcntl(fd, F_SETFL, flags) < 0)
        ok = false;
    return ok;
}
}

NZTcpClientIO_linux::NZTcpClientIO_linux() {}
NZTcpClientIO_linux::~NZTcpClientIO_linux() {}

bool NZTcpClientIO_linux::Open(const char *localIp, const char *destIp, unsigned short port, unsigned int timeoutMs)
{
    if (!BeginOpen())
        return false;
    uint32_t dest;
    if (!destIp || !*destIp || !ParseIPv4(destIp, &dest) || !ParseIPv4(localIp, nullptr))
        return false;
    if (!CreateSocket(SOCK_STREAM, IPPROTO_TCP))
        return false;
    if (localIp && *localIp && !bind_addr(localIp, 0)) {
        NZSocketIO_linux::BaseClose();
        return false;
    }
    bool connected;
    {
        NZDescriptorUse use(m_sock);
        connected = use.fd() >= 0 && ConnectWithin(use.fd(), dest, port, timeoutMs);
    }
    if (!connected) {
        NZSocketIO_linux::BaseClose();
        return false;
    }
    SetOpened(true);
    SetReadPacketSize(1024);
    if (!StartReadThread()) {
        SetOpened(false);
        NZSocketIO_linux::BaseClose();
        return false;
    }
    return true;
}

void NZTcpClientIO_linux::BaseClose()
{
    EndLossWatch();
    const int fd = m_sock.Get();
    if (!m_shutdownOnClose || fd < 0) {
        NZSocketIO_linux::BaseClose();
        return;
    }
    if (shutdown(fd, SHUT_WR) != 0) {
        printf("NZTcpClientIO_linux BaseClose: shutdown failed with error: %d\n", errno);
        fflush(stdout);
        NZSocketIO_linux::BaseClose();
        return;
    }
    // The read thread ends once the printer answers the half-close by closing its side;
    // one still held (an open that failed after the connect) must read to see it.
    ReleaseReads();
    if (WaitReadThreadFinished(m_closeWaitMs)) {
        NZSocketIO_linux::BaseClose();
        return;
    }
    puts("NZTcpClientIO_linux BaseClose: force closesocket");
    fflush(stdout);
    // Shut both directions down so a receive or send in flight returns; the descriptor is
    // closed once, after the read thread and every caller have left it.
    SetCancelRead(true);
    shutdown(fd, SHUT_RDWR);
    NZSocketIO_linux::BaseClose();
}

void NZTcpClientIO_linux::SendRefused(int err)
{
    printf("NZTcpClientIO_linux socket_send: send error: %d\n", err);
    fflush(stdout);
    // The printer refused the data (it closed its side, or reset): the connection is lost.
    // Later writes fail at once, without another send or message.
    if (err != EINTR)
        MarkLostBySend();
}

int NZTcpClientIO_linux::BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    if (!data && len != 0)
        return -1;
    NZDescriptorUse use(m_sock);
    if (use.fd() < 0)
        return -1;
    const NZMsTimer timer(timeoutMs);
    unsigned int done = 0;
    while (done < len) {
        const size_t chunk = len - done > static_cast<unsigned int>(INT_MAX) ? INT_MAX : len - done;
        bool timeUp;
        const ssize_t n = CallWithin(use.fd(), POLLOUT, timer, &timeUp, [&](int fd) {
            return send(fd, data + done, chunk, MSG_NOSIGNAL | MSG_DONTWAIT);
        });
        if (n > 0) {
            done += static_cast<unsigned int>(n);
            continue;
        }
        if (timeUp || n == 0)
            break;
        SendRefused(errno);
        return done > 0 ? static_cast<int>(done) : -1;
    }
    return static_cast<int>(done);
}

int NZTcpClientIO_linux::socket_send(const unsigned char *data, unsigned int len)
{
    if (!data && len != 0)
        return -1;
    ssize_t n;
    int err;
    {
        NZDescriptorUse use(m_sock);
        if (use.fd() < 0)
            return -1;
        n = send(use.fd(), data, len, MSG_NOSIGNAL);
        err = errno;
    }
    if (n >= 0)
        return static_cast<int>(n);
    if (err == EAGAIN || err == EWOULDBLOCK)
        return 0; // send time-out: nothing left in time
    SendRefused(err);
    return static_cast<int>(n);
}

int NZTcpClientIO_linux::Receive(unsigned char *buf, unsigned int len, const NZMsTimer *within)
{
    if (!buf && len != 0)
        return -1;
    NZDescriptorUse use(m_sock);
    if (use.fd() < 0)
        return -1;
    if (len == 0)
        return 0;
    ssize_t n;
    if (within) {
        bool timeUp;
        n = CallWithin(use.fd(), POLLIN, *within, &timeUp, [&](int fd) { return recv(fd, buf, len, MSG_DONTWAIT); });
        if (timeUp)
            return 0;
    } else {
        n = recv(use.fd(), buf, len, 0);
    }
    const int err = errno;
    if (n > 0)
        return static_cast<int>(n);
    if (n == 0) {
        if (IsCancelRead())
            return 0; // our own close shut the socket down
        puts("NZTcpClientIO_linux socket_recv: recv 0. connection closed.\r");
        fflush(stdout);
        SetUnreadable(true);
        return 0;
    }
    if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR)
        return 0;
    printf("NZTcpClientIO_linux socket_recv: recv failed with error: %d\n", err);
    fflush(stdout);
    SetInvalid(true);
    return static_cast<int>(n);
}

int NZTcpClientIO_linux::BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    const NZMsTimer timer(timeoutMs);
    return Receive(buf, len, &timer);
}

int NZTcpClientIO_linux::socket_recv(unsigned char *buf, unsigned int len) { return Receive(buf, len, nullptr); }

bool NZTcpClientIO_linux::setsockopt_keepalive(bool on) { return SetIntOption(SOL_SOCKET, SO_KEEPALIVE, on ? 1 : 0); }

bool NZTcpClientIO_linux::setsockopt_keepidle(unsigned int ms)
{
    return SetIntOption(IPPROTO_TCP, TCP_KEEPIDLE, static_cast<int>(ms / 1000));
}

bool NZTcpClientIO_linux::setsockopt_keepintvl(unsigned int ms)
{
    return SetIntOption(IPPROTO_TCP, TCP_KEEPINTVL, static_cast<int>(ms / 1000));
}

bool NZTcpClientIO_linux::setsockopt_keepcnt(unsigned int count)
{
    return SetIntOption(IPPROTO_TCP, TCP_KEEPCNT, static_cast<int>(count));
}

bool NZTcpClientIO_linux::setsockopt_keepalivevals(bool on, unsigned int idleMs, unsigned int intervalMs,
                                                   unsigned int count)
{
    return setsockopt_keepalive(on) && setsockopt_keepidle(idleMs) && setsockopt_keepintvl(intervalMs) &&
           setsockopt_keepcnt(count);
}
