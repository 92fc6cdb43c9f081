// BSD-socket implementation of binding, socket options and the close of a socket port.
#ifndef QUORVANE_PORTS_NZSOCKETIO_LINUX_H
#define QUORVANE_PORTS_NZSOCKETIO_LINUX_H

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/types.h>

#include "ports/NZDescriptor_linux.h"
#include "ports/NZSocketIO.h"
#include "ports/NZUtils.h"

class NZSocketIO_linux : public virtual NZSocketIO {
public:
    NZSocketIO_linux();
    ~NZSocketIO_linux() override;

    // Null or empty text binds any address; text that is not a dotted IPv4 address fails.
    bool bind_addr(const char *ip, unsigned short port) override;
    bool setsockopt_linger(bool on, unsigned int seconds) override;
    bool setsockopt_reuseaddr(bool on) override;
    bool setsockopt_sndbuf(unsigned int bytes) override;
    bool setsockopt_rcvbuf(unsigned int bytes) override;
    bool setsockopt_rcvtimeo(unsigned int ms) override;
    bool setsockopt_sndtimeo(unsigned int ms) override;
    // Cancels reads, stops the read thread, ends calls in flight and closes the socket once.
    void BaseClose() override;

    // The socket descriptor, -1 while closed.
    int GetSocket() const { return m_sock.Get(); }

    // Dotted IPv4 text to a network-order address; null or empty gives any address (0).
    static bool ParseIPv4(const char *text, uint32_t *addr);

protected:
    bool SetIntOption(int level, int name, int value);
    bool SetTimeOption(int name, unsigned int ms);
    // Creates the socket (close-on-exec) and takes it over; false on failure.
    bool CreateSocket(int type, int protocol);
    static void WakeSocket(void *self, int fd);

    // Runs call(fd), a non-blocking socket call, and repeats it after EAGAIN or EINTR once
    // the socket is ready for events, until it succeeds or fails, or the timer is up. The
    // timer alone bounds the wait: a signal neither ends it early nor cuts it short, and a
    // time-out of 0 is the one attempt. Returns the call's result; a -1 with *timeUp set
    // means the time ran out (or the wait itself failed), otherwise errno says why the
    // call failed.
    template <typename Call>
    static ssize_t CallWithin(int fd, short events, const NZMsTimer &timer, bool *timeUp, Call call)
    {
        *timeUp = false;
        for (;;) {
            const ssize_t n = call(fd);
            if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                return n;
            short revents = 0;
            if (timer.IsUp() || NZPollDescriptor(fd, events, -1, &timer, &revents) != 1) {
                *timeUp = true;
                return -1;
            }
        }
    }

    NZDescriptor_linux m_sock;
};

#endif
