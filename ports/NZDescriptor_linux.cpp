#include "ports/NZDescriptor_linux.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

#include "ports/NZUtils.h"

NZDescriptor_linux::NZDescriptor_linux() : m_fd(-1), m_users(0), m_closing(false) {}

void NZDescriptor_linux::Attach(int fd)
{
    m_fd = fd;
    m_closing = false;
}

int NZDescriptor_linux::Enter()
{
    m_users.fetch_add(1);
    const int fd = m_fd.load();
    if (m_closing.load() || fd < 0) {
        m_users.fetch_sub(1);
        return -1;
    }
    return fd;
}

void NZDescriptor_linux::Leave() { m_users.fetch_sub(1); }

bool NZDescriptor_linux::Close(void (*wake)(void *arg, int fd), void *arg)
{
    m_closing = true;
    const int fd = m_fd.load();
    while (m_users.load() > 0) {
        if (wake && fd >= 0)
            wake(arg, fd);
        NZIOSleep::SleepMs(1);
    }
    const int old = m_fd.exchange(-1);
    if (old < 0)
        return false;
    close(old);
    return true;
}

int NZPollDescriptor(int fd, short events, int wakeFd, const NZMsTimer *timer, short *revents)
{
    if (revents)
        *revents = 0;
    if (fd < 0) {
        errno = EBADF;
        return -1;
    }
    for (;;) {
        struct pollfd fds[2];
        fds[0].fd = fd;
        fds[0].events = events;
        fds[0].revents = 0;
        fds[1].fd = wakeFd;
        fds[1].events = POLLIN;
        fds[1].revents = 0;
        const nfds_t n = wakeFd >= 0 ? 2 : 1;
        const int r = poll(fds, n, timer ? timer->RemainingMs() : -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (r == 0) {
            if (timer->IsUp())
                return 0;
            continue; // one poll's longest wait ended, not the time-out
        }
        if (n == 2 && fds[1].revents != 0)
            return 2;
        if (revents)
            *revents = fds[0].revents;
        return 1;
    }
}
