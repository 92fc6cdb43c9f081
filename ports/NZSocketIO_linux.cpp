#include "ports/NZSocketIO_linux.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

NZSocketIO_linux::NZSocketIO_linux() {}
NZSocketIO_linux::~NZSocketIO_linux() {}

bool NZSocketIO_linux::ParseIPv4(const char *text, uint32_t *addr)
{
    struct in_addr in;
    if (!text || !*text)
        in.s_addr = htonl(INADDR_ANY);
    else if (inet_pton(AF_INET, text, &in) != 1)
        return false;
    if (addr)
        *addr = in.s_addr;
    return true;
}

bool NZSocketIO_linux::CreateSocket(int type, int protocol)
{
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC, protocol);
    if (fd < 0)
        return false;
    m_sock.Attach(fd);
    return true;
}

bool NZSocketIO_linux::bind_addr(const char *ip, unsigned short port)
{
    uint32_t addr;
    if (!ParseIPv4(ip, &addr))
        return false;
    NZDescriptorUse use(m_sock);
    if (use.fd() < 0)
        return false;
    struct sockaddr_in sa;
    memset(&sa, 0, sizeof(sa));
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = addr;
    sa.sin_port = htons(port);
    return bind(use.fd(), reinterpret_cast<struct sockaddr *>(&sa), sizeof(sa)) == 0;
}

bool NZSocketIO_linux::SetIntOption(int level, int name, int value)
{
    NZDescriptorUse use(m_sock);
    if (use.fd() < 0)
        return false;
    return setsockopt(use.fd(), level, name, &value, sizeof(value)) == 0;
}

bool NZSocketIO_linux::SetTimeOption(int name, unsigned int ms)
{
    NZDescriptorUse use(m_sock);
    if (use.fd() < 0)
        return false;
    struct timeval tv;
    tv.tv_sec = static_cast<time_t>(ms / 1000);
    tv.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
    return setsockopt(use.fd(), SOL_SOCKET, name, &tv, sizeof(tv)) == 0;
}

bool NZSocketIO_linux::setsockopt_linger(bool on, unsigned int seconds)
{
    NZDescriptorUse use(m_sock);
    if (use.fd() < 0)
        return false;
    struct linger lg;
    lg.l_onoff = on ? 1 : 0;
    lg.l_linger = static_cast<int>(seconds & 0xFFFF);
    return setsockopt(use.fd(), SOL_SOCKET, SO_LINGER, &lg, sizeof(lg)) == 0;
}

bool NZSocketIO_linux::setsockopt_reuseaddr(bool on) { return SetIntOption(SOL_SOCKET, SO_REUSEADDR, on ? 1 : 0); }
bool NZSocketIO_linux::setsockopt_sndbuf(unsigned int bytes)
{
    return SetIntOption(SOL_SOCKET, SO_SNDBUF, static_cast<int>(bytes));
}
bool NZSocketIO_linux::setsockopt_rcvbuf(unsigned int bytes)
{
    return SetIntOption(SOL_SOCKET, SO_RCVBUF, static_cast<int>(bytes));
}
bool NZSocketIO_linux::setsockopt_rcvtimeo(unsigned int ms) { return SetTimeOption(SO_RCVTIMEO, ms); }
bool NZSocketIO_linux::setsockopt_sndtimeo(unsigned int ms) { return SetTimeOption(SO_SNDTIMEO, ms); }

void NZSocketIO_linux::WakeSocket(void *, int fd) { shutdown(fd, SHUT_RDWR); }

void NZSocketIO_linux::BaseClose()
{
    EndLossWatch();
    SetCancelRead(true);
    StopReadThread();
    m_sock.Close(&NZSocketIO_linux::WakeSocket, this);
}
