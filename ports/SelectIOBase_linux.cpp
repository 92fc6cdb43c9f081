#include "ports/SelectIOBase_linux.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "ports/NZUtils.h"

SelectIOBase_linux::SelectIOBase_linux() : m_wakeFd(-1) {}

SelectIOBase_linux::~SelectIOBase_linux() {}

int SelectIOBase_linux::OpenDeviceNode(const char *path, int extraFlags)
{
    if (!path || !*path)
        return -1;
    return open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC | extraFlags);
}

bool SelectIOBase_linux::AttachDevice(int fd, bool withReader)
{
    if (fd < 0)
        return false;
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        close(fd);
        return false;
    }
    m_wakeFd = wake;
    m_dev.Attach(fd);
    SetOpened(true);
    if (withReader) {
        SetReadPacketSize(64);
        if (!StartReadThread()) {
            SetOpened(false);
            BaseClose();
            return false;
        }
    }
    return true;
}

void SelectIOBase_linux::Wake(void *self, int)
{
    const int wake = static_cast<SelectIOBase_linux *>(self)->m_wakeFd.load();
    if (wake >= 0) {
        const uint64_t one = 1;
        ssize_t r = write(wake, &one, sizeof(one));
        (void)r;
    }
}

void SelectIOBase_linux::BaseClose()
{
    SetCancelRead(true);
    // The wake descriptor stays signalled: every later wait on this port returns at once.
    Wake(this, -1);
    StopReadThread();
    m_dev.Close(&SelectIOBase_linux::Wake, this);
    const int wake = m_wakeFd.exchange(-1);
    if (wake >= 0)
        close(wake);
}

int SelectIOBase_linux::Wait(short events, unsigned int timeoutMs, short *revents)
{
    NZDescriptorUse use(m_dev);
    if (use.fd() < 0)
        return -1;
    const NZMsTimer timer(timeoutMs);
    const int r = NZPollDescriptor(use.fd(), events, m_wakeFd.load(), &timer, revents);
    if (r == 2)
        return -1; // closing
    return r;
}

int SelectIOBase_linux::SelectWrite(unsigned int timeoutMs) { return Wait(POLLOUT, timeoutMs, nullptr); }

int SelectIOBase_linux::SelectRead(unsigned int timeoutMs)
{
    short revents = 0;
    const int r = Wait(POLLIN, timeoutMs, &revents);
    if (r == 1 && (revents & POLLNVAL))
        return -1;
    return r;
}

int SelectIOBase_linux::BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    if (!data && len != 0)
        return -1;
    NZDescriptorUse use(m_dev);
    const int fd = use.fd();
    if (fd < 0)
        return -1;
    const int wake = m_wakeFd.load();
    NZMsTimer timer(timeoutMs);
    unsigned int done = 0;
    bool failed = false;
    while (done < len) {
        short revents = 0;
        const int r = NZPollDescriptor(fd, POLLOUT, wake, &timer, &revents);
        if (r == 0)
            break; // time-out
        if (r != 1 || (revents & POLLNVAL)) {
            failed = true;
            break;
        }
        const unsigned int chunk = len - done > static_cast<unsigned int>(INT_MAX) ? INT_MAX : len - done;
        const ssize_t n = write(fd, data + done, chunk);
        if (n > 0) {
            done += static_cast<unsigned int>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (timer.IsUp())
                break;
            continue;
        }
        failed = true;
        break;
    }
    if (done > 0)
        return static_cast<int>(done);
    return failed ? -1 : 0;
}

int SelectIOBase_linux::BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    if (!buf && len != 0)
        return -1;
    NZDescriptorUse use(m_dev);
    const int fd = use.fd();
    if (fd < 0)
        return -1;
    if (len == 0)
        return 0;
    const NZMsTimer timer(timeoutMs);
    short revents = 0;
    const int r = NZPollDescriptor(fd, POLLIN, m_wakeFd.load(), &timer, &revents);
    if (r == 0 || r == 2)
        return 0; // time-out, or woken by a close
    if (r < 0 || (revents & POLLNVAL)) {
        SetInvalid(true);
        return -1;
    }
    const ssize_t n = read(fd, buf, len);
    if (n > 0)
        return static_cast<int>(n);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return 0;
    // End of file or a device error: the device is gone.
    SetInvalid(true);
    return n < 0 ? -1 : 0;
}
