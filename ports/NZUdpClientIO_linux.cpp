#include "ports/NZUdpClientIO_linux.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

NZUdpClientIO_linux::NZUdpClientIO_linux() {}
NZUdpClientIO_linux::~NZUdpClientIO_linux() {}

bool NZUdpClientIO_linux::OpenSocket(const char *localIp, unsigned short localPort, const char *destIp,
                                     unsigned short destPort, bool threaded)
{
    if (!BeginOpen())
        return false;
    uint32_t dest;
    if (!destIp || !*destIp || !ParseIPv4(destIp, &dest) || !ParseIPv4(localIp, nullptr))
        return false;
    if (!CreateSocket(SOCK_DGRAM, IPPROTO_UDP))
        return false;
    if (((localIp && *localIp) || localPort != 0) && !bind_addr(localIp, localPort)) {
        NZSocketIO_linux::BaseClose();
        return false;
    }
    m_destAddr = dest;
    m_destPort = destPort;
    if (threaded) {
        setsockopt_reuseaddr(true);
        setsockopt_broadcast(true);
    }
    SetOpened(true);
    if (threaded) {
        // One read per datagram, each whole: a shorter read loses the datagram's rest.
        SetReadPacketSize(MaxReadPacketSize);
        if (!StartReadThread()) {
            SetOpened(false);
            NZSocketIO_linux::BaseClose();
            return false;
        }
    }
    return true;
}

bool NZUdpClientIO_linux::Open(const char *localIp, unsigned short localPort, const char *destIp,
                               unsigned short destPort)
{
    return OpenSocket(localIp, localPort, destIp, destPort, true);
}

bool NZUdpClientIO_linux::OpenNonThread(const char *localIp, unsigned short localPort, const char *destIp,
                                        unsigned short destPort)
{
    return OpenSocket(localIp, localPort, destIp, destPort, false);
}

namespace {
struct sockaddr_in Address(unsigned int addr, unsigned short port)
{
    struct sockaddr_in sa;
    memset(&sa, 0, sizeof(sa));
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = addr;
    sa.sin_port = htons(port);
    return sa;
}

ssize_t SendDatagram(int fd, const unsigned char *data, unsigned int len, const struct sockaddr_in &sa, int flags)
{
    return sendto(fd, data, len, MSG_NOSIGNAL | flags, reinterpret_cast<const struct sockaddr *>(&sa), sizeof(sa));
}
} // namespace

int NZUdpClientIO_linux::SendtoRefused(int err)
{
    printf("NZUdpClientIO_linux socket_sendto: sendto error: %d\n", err);
    fflush(stdout);
    // UDP has no connection to lose: the system refuses single datagrams for passing
    // reasons (no route yet, no buffers, a firewall rule, port 0). Only a socket that is
    // gone ends the port.
    if (err == EBADF || err == ENOTSOCK)
        MarkLostBySend();
    return -1;
}

int NZUdpClientIO_linux::BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    if (!data && len != 0)
        return -1;
    NZDescriptorUse use(m_sock);
    if (use.fd() < 0)
        return -1;
    const struct sockaddr_in sa = Address(m_destAddr, m_destPort);
    const NZMsTimer timer(timeoutMs);
    bool timeUp;
    const ssize_t n = CallWithin(use.fd(), POLLOUT, timer, &timeUp,
                                 [&](int fd) { return SendDatagram(fd, data, len, sa, MSG_DONTWAIT); });
    if (n >= 0)
        return static_cast<int>(n);
    return timeUp ? 0 : SendtoRefused(errno);
}

int NZUdpClientIO_linux::socket_sendto(const unsigned char *data, unsigned int len, unsigned int addr,
                                       unsigned short port)
{
    if (!data && len != 0)
        return -1;
    ssize_t n;
    int err;
    {
        NZDescriptorUse use(m_sock);
        if (use.fd() < 0)
            return -1;
        n = SendDatagram(use.fd(), data, len, Address(addr, port), 0);
        err = errno;
    }
    return n >= 0 ? static_cast<int>(n) : SendtoRefused(err);
}

int NZUdpClientIO_linux::Receive(unsigned char *buf, unsigned int len, unsigned int *addr, unsigned short *port,
                                 const NZMsTimer *within)
{
    if (!buf && len != 0)
        return -1;
    NZDescriptorUse use(m_sock);
    if (use.fd() < 0)
        return -1;
    struct sockaddr_in sa;
    memset(&sa, 0, sizeof(sa));
    auto receive = [&](int fd, int flags) {
        socklen_t saLen = sizeof(sa);
        return recvfrom(fd, buf, len, flags, reinterpret_cast<struct sockaddr *>(&sa), &saLen);
    };
    ssize_t n;
    if (within) {
        bool timeUp;
        n = CallWithin(use.fd(), POLLIN, *within, &timeUp, [&](int fd) { return receive(fd, MSG_DONTWAIT); });
        if (timeUp)
            return 0;
    } else {
        n = receive(use.fd(), 0);
    }
    const int err = errno;
    if (n >= 0) {
        if (addr)
            *addr = sa.sin_addr.s_addr;
        if (port)
            *port = sa.sin_port;
        return static_cast<int>(n);
    }
    if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR)
        return 0;
    printf("NZUdpClientIO_linux socket_recvfrom: recvfrom failed with error: %d\n", err);
    fflush(stdout);
    SetInvalid(true);
    return static_cast<int>(n);
}

int NZUdpClientIO_linux::BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    const NZMsTimer timer(timeoutMs);
    return Receive(buf, len, nullptr, nullptr, &timer);
}

int NZUdpClientIO_linux::socket_recvfrom(unsigned char *buf, unsigned int len, unsigned int *addr,
                                         unsigned short *port)
{
    return Receive(buf, len, addr, port, nullptr);
}

bool NZUdpClientIO_linux::setsockopt_broadcast(bool on) { return SetIntOption(SOL_SOCKET, SO_BROADCAST, on ? 1 : 0); }
