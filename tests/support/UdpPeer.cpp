#include "support/UdpPeer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <ctime>
#include <unistd.h>

#include "ports/NZUtils.h"

namespace quorvane_test {

uint32_t Ipv4(const char *text)
{
    struct in_addr a;
    if (inet_pton(AF_INET, text, &a) != 1)
        return 0;
    return a.s_addr;
}

UdpPeer::UdpPeer(const char *ip, unsigned short port) : m_fd(-1), m_port(0)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    struct sockaddr_in sa;
    memset(&sa, 0, sizeof(sa));
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = Ipv4(ip);
    sa.sin_port = htons(port);
    socklen_t len = sizeof(sa);
    if (bind(fd, reinterpret_cast<struct sockaddr *>(&sa), sizeof(sa)) != 0 ||
        getsockname(fd, reinterpret_cast<struct sockaddr *>(&sa), &len) != 0) {
        close(fd);
        return;
    }
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof(on));
    m_fd = fd;
    m_port = ntohs(sa.sin_port);
}

UdpPeer::~UdpPeer()
{
    if (m_fd >= 0)
        close(m_fd);
}

void UdpPeer::EnableBroadcast()
{
    int on = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
}

bool UdpPeer::Receive(Datagram &out, int timeoutMs)
{
    NZMsTimer timer(static_cast<uint64_t>(timeoutMs < 0 ? 0 : timeoutMs));
    for (;;) {
        struct pollfd p;
        p.fd = m_fd;
        p.events = POLLIN;
        p.revents = 0;
        const int r = poll(&p, 1, timer.RemainingMs());
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        unsigned char buf[2048];
        struct sockaddr_in sa;
        memset(&sa, 0, sizeof(sa));
        struct iovec iov = {buf, sizeof(buf)};
        union {
            char space[CMSG_SPACE(sizeof(struct timespec))];
            struct cmsghdr align;
        } control;
        struct msghdr msg;
        memset(&msg, 0, sizeof(msg));
        msg.msg_name = &sa;
        msg.msg_namelen = sizeof(sa);
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control.space;
        msg.msg_controllen = sizeof(control.space);
        const ssize_t n = recvmsg(m_fd, &msg, 0);
        if (n < 0)
            return false;
        out.data.assign(buf, buf + n);
        out.addr = sa.sin_addr.s_addr;
        out.port = ntohs(sa.sin_port);
        // The kernel's arrival stamp, free of this thread's scheduling delays.
        out.atMs = NZUtils_GetSysTimeMs();
        for (struct cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                struct timespec ts;
                memcpy(&ts, CMSG_DATA(c), sizeof(ts));
                out.atMs = static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
            }
        }
        return true;
    }
}

bool UdpPeer::SendTo(const std::vector<unsigned char> &data, uint32_t addr, uint16_t port)
{
    struct sockaddr_in sa;
    memset(&sa, 0, sizeof(sa));
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = addr;
    sa.sin_port = htons(port);
    return sendto(m_fd, data.data(), data.size(), 0, reinterpret_cast<struct sockaddr *>(&sa), sizeof(sa)) ==
           static_cast<ssize_t>(data.size());
}

bool UdpPeer::SendTo(const std::vector<unsigned char> &data, const char *ip, uint16_t port)
{
    return SendTo(data, Ipv4(ip), port);
}

} // namespace quorvane_test
