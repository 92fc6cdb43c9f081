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
    int socket_sendto(const unsigned char *data, unsigned int len, unsigned int addr, unsigned short port) override;
    int socket_recvfrom(unsigned char *buf, unsigned int len, unsigned int *addr, unsigned short *port) override;
    bool setsockopt_broadcast(bool on) override;

private:
    bool OpenSocket(const char *localIp, unsigned short localPort, const char *destIp, unsigned short destPort,
                    bool threaded);
};

#endif
