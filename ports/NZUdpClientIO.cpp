#include "ports/NZUdpClientIO.h"

#include <cstdlib>

#include "ports/NZUtils.h"

NZUdpClientIO::NZUdpClientIO() : m_destAddr(0), m_destPort(0) {}
NZUdpClientIO::~NZUdpClientIO() {}

bool NZUdpClientIO::Open(const char *, unsigned short, const char *, unsigned short)
{
    return BeginOpen() && IsOpened();
}

bool NZUdpClientIO::OpenA(const char *localIp, unsigned short localPort, const char *destIp, unsigned short destPort)
{
    return Open(localIp, localPort, destIp, destPort);
}

namespace {
template <typename F> bool WithNarrow(const wchar_t *a, const wchar_t *b, F f)
{
    char *na = NZStringUtils::nzutils_wcstombs_local(a);
    char *nb = NZStringUtils::nzutils_wcstombs_local(b);
    bool ok = false;
    if ((!a || na) && (!b || nb))
        ok = f(na, nb);
    free(na);
    free(nb);
    return ok;
}
}

bool NZUdpClientIO::OpenW(const wchar_t *localIp, unsigned short localPort, const wchar_t *destIp,
                          unsigned short destPort)
{
    return WithNarrow(localIp, destIp,
                      [&](const char *l, const char *d) { return Open(l, localPort, d, destPort); });
}

bool NZUdpClientIO::Open(const char *destIp) { return Open(nullptr, 0, destIp, 5100); }

bool NZUdpClientIO::OpenNonThread(const char *, unsigned short, const char *, unsigned short)
{
    return BeginOpen() && IsOpened();
}

bool NZUdpClientIO::OpenNonThreadA(const char *localIp, unsigned short localPort, const char *destIp,
                                   unsigned short destPort)
{
    return OpenNonThread(localIp, localPort, destIp, destPort);
}

bool NZUdpClientIO::OpenNonThreadW(const wchar_t *localIp, unsigned short localPort, const wchar_t *destIp,
                                   unsigned short destPort)
{
    return WithNarrow(localIp, destIp,
                      [&](const char *l, const char *d) { return OpenNonThread(l, localPort, d, destPort); });
}

int NZUdpClientIO::socket_sendto(const unsigned char *, unsigned int, unsigned int, unsigned short) { return -1; }
int NZUdpClientIO::socket_recvfrom(unsigned char *, unsigned int, unsigned int *, unsigned short *) { return -1; }

int NZUdpClientIO::BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    if (!setsockopt_sndtimeo(timeoutMs))
        return -1;
    return socket_sendto(data, len, m_destAddr, m_destPort);
}

int NZUdpClientIO::BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    if (!setsockopt_rcvtimeo(timeoutMs))
        return -1;
    return socket_recvfrom(buf, len, nullptr, nullptr);
}

bool NZUdpClientIO::setsockopt_broadcast(bool) { return false; }
