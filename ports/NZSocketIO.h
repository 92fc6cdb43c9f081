// Socket port interfaces: NZSocketIO (binding and socket options), the TCP client and
// the UDP port. The platform-neutral defaults open nothing and send nothing.
#ifndef QUORVANE_PORTS_NZSOCKETIO_H
#define QUORVANE_PORTS_NZSOCKETIO_H

#include <cwchar>

#include "ports/NZThreadIO.h"

class NZSocketIO : public virtual NZThreadIO {
public:
    NZSocketIO();
    ~NZSocketIO() override;

    // Binds to an IPv4 address text (null or empty: any address) and a port.
    virtual bool bind_addr(const char *ip, unsigned short port);
    virtual bool bind_addr_a(const char *ip, unsigned short port);
    virtual bool bind_addr_w(const wchar_t *ip, unsigned short port);
    virtual bool setsockopt_linger(bool on, unsigned int seconds);
    virtual bool setsockopt_reuseaddr(bool on);
    virtual bool setsockopt_sndbuf(unsigned int bytes);
    virtual bool setsockopt_rcvbuf(unsigned int bytes);
    // Time-outs in milliseconds; 0 means no limit.
    virtual bool setsockopt_rcvtimeo(unsigned int ms);
    virtual bool setsockopt_sndtimeo(unsigned int ms);
};

#endif
