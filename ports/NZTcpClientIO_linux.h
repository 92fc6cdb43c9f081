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
    // Sends until every byte is out or timeoutMs has passed (0: one attempt without
    // waiting), going on after short sends and signals. Returns the count sent (what went
    // out by the time-out, 0 if nothing did), or -1 when the printer refused the data
    // before any went out; a refusal marks the connection lost.
    int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs) override;
    // Waits up to timeoutMs (0: no wait) for data, signals or not, then reads as
    // socket_recv does.
    int BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs) override;
    // One send, bounded by the send time-out option; a receive-side signal never ends the
    // process. A send time-out returns 0.
    int socket_send(const unsigned char *data, unsigned int len) override;
    // One receive: the count, 0 on time-out, 0 with the port unreadable once the printer
    // closed its side, or a negative result with the port invalid on an error.
    int socket_recv(unsigned char *buf, unsigned int len) override;
    bool setsockopt_keepalive(bool on) override;
    bool setsockopt_keepalivevals(bool on, unsigned int idleMs, unsigned int intervalMs, unsigned int count) override;
    bool setsockopt_keepidle(unsigned int ms);
    bool setsockopt_keepintvl(unsigned int ms);
    bool setsockopt_keepcnt(unsigned int count);

private:
    // Reports a send the system refused (errno err) and marks the connection lost.
    void SendRefused(int err);
    // One receive: waiting with poll until the timer is up when one is given, else bounded
    // by the receive time-out option.
    int Receive(unsigned char *buf, unsigned int len, const NZMsTimer *within);
};

#endif
