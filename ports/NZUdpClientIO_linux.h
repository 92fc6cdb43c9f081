// UDP port on Linux.
#ifndef QUORVANE_PORTS_NZUDPCLIENTIO_LINUX_H
#define QUORVANE_PORTS_NZUDPCLIENTIO_LINUX_H

#include "ports/NZSocketIO_linux.h"
#include "ports/NZUdpClientIO.h"

class NZUdpClientIO_linux : public NZSocketIO_linux, public NZUdpClientIO {
public:
    NZUdpClientIO_linux();
    ~NZUdpClientIO_linux() override;

    // Binds when a local address or port is given (no address: any), remembers the
    // destination, switches address reuse and broadcast on and starts the read thread, which
    // reads each datagram whole.
    // A local or destination text that is not an IPv4 address fails.
    bool Open(const char *localIp, unsigned short localPort, const char *destIp, unsigned short destPort) override;
    using NZUdpClientIO::Open;
    // As Open, without socket options and without the read thread.
    bool OpenNonThread(const char *localIp, unsigned short localPort, const char *destIp,
                       unsigned short destPort) override;
    // Sends the bytes as one datagram to the destination, waiting up to timeoutMs (0: one
    // attempt without waiting) for room, signals or not. Returns len, 0 on time-out, or -1
    // when the system refused the datagram: that write fails and the port stays as it was
    // (UDP has no connection to lose).
    int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs) override;
    // Waits up to timeoutMs (0: no wait) for a datagram, signals or not, and reads it.
    int BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs) override;
    // One sendto, bounded by the send time-out option.
    int socket_sendto(const unsigned char *data, unsigned int len, unsigned int addr, unsigned short port) override;
    // One recvfrom, bounded by the receive time-out option.
    int socket_recvfrom(unsigned char *buf, unsigned int len, unsigned int *addr, unsigned short *port) override;
    bool setsockopt_broadcast(bool on) override;

private:
    bool OpenSocket(const char *localIp, unsigned short localPort, const char *destIp, unsigned short destPort,
                    bool threaded);
    // Reports a refused datagram (errno err); returns the failed result.
    int SendtoRefused(int err);
    // One datagram: waiting with poll until the timer is up when one is given, else bounded
    // by the receive time-out option.
    int Receive(unsigned char *buf, unsigned int len, unsigned int *addr, unsigned short *port,
                const NZMsTimer *within);
};

#endif
