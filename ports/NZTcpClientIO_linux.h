// TCP client port on Linux: timed connect, keep-alive, and a half-close that waits for
// the printer to close its side before the socket is closed.
#ifndef QUORVANE_PORTS_NZTCPCLIENTIO_LINUX_H
#define QUORVANE_PORTS_NZTCPCLIENTIO_LINUX_H

#include "ports/NZSocketIO_linux.h"
#include "ports/NZTcpClientIO.h"

class NZTcpClientIO_linux : public NZSocketIO_linux, public NZTcpClientIO {
public:
    NZTcpClientIO_linux();
    ~NZTcpClientIO_linux() override;

    void BaseClose() override;
    // Connects within timeoutMs (0: the system's own connect limit) and starts the read
    // thread with 1024-byte packets.
    bool Open(const char *localIp, const char *destIp, unsigned short port, unsigned int timeoutMs) override;
    using NZTcpClientIO::Open;
    // One send; a receive-side signal never ends the process. A send time-out returns 0.
    int socket_send(const unsigned char *data, unsigned int len) override;
    // One receive: the count, 0 on time-out, 0 with the port unreadable once the printer
    // closed its side, or a negative result with the port invalid on an error.
    int socket_recv(unsigned char *buf, unsigned int len) override;
    bool setsockopt_keepalive(bool on) override;
    bool setsockopt_keepalivevals(bool on, unsigned int idleMs, unsigned int intervalMs, unsigned int count) override;
    bool setsockopt_keepidle(unsigned int ms);
    bool setsockopt_keepintvl(unsigned int ms);
    bool setsockopt_keepcnt(unsigned int count);
};

#endif
