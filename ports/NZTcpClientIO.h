// TCP client port interface.
#ifndef QUORVANE_PORTS_NZTCPCLIENTIO_H
#define QUORVANE_PORTS_NZTCPCLIENTIO_H

#include "ports/NZSocketIO.h"

class NZTcpClientIO : public virtual NZSocketIO {
public:
    NZTcpClientIO();
    ~NZTcpClientIO() override;

    // Local address (null or empty: none bound), destination, port, connect time-out in ms.
    virtual bool Open(const char *localIp, const char *destIp, unsigned short port, unsigned int timeoutMs);
    virtual bool OpenA(const char *localIp, const char *destIp, unsigned short port, unsigned int timeoutMs);
    virtual bool OpenW(const wchar_t *localIp, const wchar_t *destIp, unsigned short port, unsigned int timeoutMs);
    // Port 9100, no local address, 5000 ms.
    bool Open(const char *destIp) override;
    virtual int socket_send(const unsigned char *data, unsigned int len);
    virtual int socket_recv(unsigned char *buf, unsigned int len);
    int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs) override;
    int BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs) override;
    virtual bool setsockopt_keepalive(bool on);
    virtual bool setsockopt_keepalivevals(bool on, unsigned int idleMs, unsigned int intervalMs, unsigned int count);

    using NZIO::OpenA;
    using NZIO::OpenW;

protected:
    // Half-close on close and wait up to the close wait for the printer to close its side.
    bool m_shutdownOnClose;
    unsigned int m_closeWaitMs;
};

#endif
