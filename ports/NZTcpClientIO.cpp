#include "ports/NZTcpClientIO.h"

#include <cstdlib>

#include "ports/NZUtils.h"

NZTcpClientIO::NZTcpClientIO() : m_shutdownOnClose(true), m_closeWaitMs(3000) {}
NZTcpClientIO::~NZTcpClientIO() {}

bool NZTcpClientIO::Open(const char *, const char *, unsigned short, unsigned int)
{
    return BeginOpen() && IsOpened();
}

bool NZTcpClientIO::OpenA(const char *localIp, const char *destIp, unsigned short port, unsigned int timeoutMs)
{
    return Open(localIp, destIp, port, timeoutMs);
}

bool NZTcpClientIO::OpenW(const wchar_t *localIp, const wchar_t *destIp, unsigned short port, unsigned int timeoutMs)
{
    char *local = NZStringUtils::nzutils_wcstombs_local(localIp);
    char *dest = NZStringUtils::nzutils_wcstombs_local(destIp);
    bool ok = false;
    if ((!localIp || local) && (!destIp || dest))
        ok = Open(local, dest, port, timeoutMs);
    free(local);
    free(dest);
    return ok;
}

bool NZTcpClientIO::Open(const char *destIp) { return Open(nullptr, destIp, 9100, 5000); }

int NZTcpClientIO::socket_send(const unsigned char *, unsigned int) { return -1; }
int NZTcpClientIO::socket_recv(unsigned char *, unsigned int) { return -1; }

int NZTcpClientIO::BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    if (!setsockopt_sndtimeo(timeoutMs))
        return -1;
    return socket_send(data, len);
}

int NZTcpClientIO::BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    if (!setsockopt_rcvtimeo(timeoutMs))
        return -1;
    return socket_recv(buf, len);
}

bool NZTcpClientIO::setsockopt_keepalive(bool) { return false; }
bool NZTcpClientIO::setsockopt_keepalivevals(bool, unsigned int, unsigned int, unsigned int) { return false; }
