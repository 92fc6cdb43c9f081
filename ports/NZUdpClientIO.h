// UDP port interface: every write leaves as one datagram to the remembered destination,
// every read takes one datagram from any sender.
#ifndef QUORVANE_PORTS_NZUDPCLIENTIO_H
#define QUORVANE_PORTS_NZUDPCLIENTIO_H

#include <cstdint>

#include "ports/NZSocketIO.h"

class NZUdpClientIO : public virtual NZSocketIO {
public:
    NZUdpClientIO();
    ~NZUdpClientIO() override;

    // Local address and port (empty address and port 0: nothing bound), destination.
    virtual bool Open(const char *localIp, unsigned short localPort, const char *destIp, unsigned short destPort);
    virtual bool OpenA(const char *localIp, unsigned short localPort, const char *destIp, unsigned short destPort);
    virtual bool OpenW(const wchar_t *localIp, unsigned short localPort, const wchar_t *destIp,
                       unsigned short destPort);
    // Destination port 5100, nothing bound.
    bool Open(const char *destIp) override;
    // As Open without the read thread and without address reuse or broadcast.
    virtual bool OpenNonThread(const char *localIp, unsigned short localPort, const char *destIp,
                               unsigned short destPort);
    virtual bool OpenNonThreadA(const char *localIp, unsigned short localPort, const char *destIp,
                                unsigned short destPort);
    virtual bool OpenNonThreadW(const wchar_t *localIp, unsigned short localPort, const wchar_t *destIp,
                                unsigned short destPort);
    // Address in network order, port in host order.
    virtual int socket_sendto(const unsigned char *data, unsigned int len, unsigned int addr, unsigned short port);
    // The sender's address comes back in network order, its port as stored in the address
    // record (network order).
    virtual int socket_recvfrom(unsigned char *buf, unsigned int len, unsigned int *addr, unsigned short *port);
    int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs) override;
    int BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs) override;
    virtual bool setsockopt_broadcast(bool on);

    unsigned int GetDestAddress() const { return m_destAddr; }
    unsigned short GetDestPort() const { return m_destPort; }

    using NZIO::OpenA;
    using NZIO::OpenW;

protected:
    uint32_t m_destAddr;    // network order
    uint16_t m_destPort;    // host order
};

#endif
