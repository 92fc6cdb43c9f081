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
        struct sockaddr_in sa;
        memset(&sa, 0, sizeof(sa));
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = addr;
        sa.sin_port = htons(port);
        n = sendto(use.fd(), data, len, MSG_NOSIGNAL, reinterpret_cast<struct sockaddr *>(&sa), sizeof(sa));
        err = errno;
    }
    if (n < 0) {
        printf("NZUdpClientIO_linux socket_sendto: sendto error: %d\n", err);
        fflush(stdout);
        // As on TCP, a refusal other than a time-out or a signal means the connection is
        // lost; a datagram too large to send is refused alone and the port stays.
        if (err != EAGAIN && err != EWOULDBLOCK && err != EINTR && err != EMSGSIZE)
            MarkLostBySend();
    }
    return static_cast<int>(n);
}

int NZUdpClientIO_linux::socket_recvfrom(unsigned char *buf, unsigned int len, unsigned int *addr,
                                         unsigned short *port)
{
    if (!buf && len != 0)
        return -1;
    NZDescriptorUse use(m_sock);
    if (use.fd() < 0)
        return -1;
    struct sockaddr_in sa;
    memset(&sa, 0, sizeof(sa));
    socklen_t saLen = sizeof(sa);
    const ssize_t n = recvfrom(use.fd(), buf, len, 0, reinterpret_cast<struct sockaddr *>(&sa), &saLen);
    if (n >= 0) {
        if (addr)
            *addr = sa.sin_addr.s_addr;
        if (port)
            *port = sa.sin_port;
        return static_cast<int>(n);
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    printf("NZUdpClientIO_linux socket_recvfrom: recvfrom failed with error: %d\n", errno);
    fflush(stdout);
    SetInvalid(true);
    return static_cast<int>(n);
}

bool NZUdpClientIO_linux::setsockopt_broadcast(bool on) { return SetIntOption(SOL_SOCKET, SO_BROADCAST, on ? 1 : 0); }
