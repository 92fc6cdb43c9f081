// One descriptor shared by a port's read thread, its writers and its close: calls
// that use it register first, and the close refuses new users, wakes the ones in
// flight and closes the descriptor exactly once, after the last one has left.
#ifndef QUORVANE_PORTS_NZDESCRIPTOR_LINUX_H
#define QUORVANE_PORTS_NZDESCRIPTOR_LINUX_H

#include <atomic>

class NZDescriptor_linux {
public:
    NZDescriptor_linux();

    // Takes ownership of an open descriptor (or -1) and accepts users again.
    void Attach(int fd);
    int Get() const { return m_fd.load(); }

    // Registers a call; returns the descriptor, or -1 (nothing registered) when there is
    // none or a close is under way.
    int Enter();
    void Leave();

    // Refuses new users, runs wake(arg, fd) while calls are still in flight so they
    // return, then closes the descriptor once. Returns whether a descriptor was closed.
    bool Close(void (*wake)(void *arg, int fd), void *arg);

private:
    std::atomic<int> m_fd;
    std::atomic<int> m_users;
    std::atomic<bool> m_closing;
};

// Registers one call on a descriptor for the lifetime of the object.
class NZDescriptorUse {
public:
    explicit NZDescriptorUse(NZDescriptor_linux &d) : m_d(d), m_fd(d.Enter()) {}
    ~NZDescriptorUse()
    {
        if (m_fd >= 0)
            m_d.Leave();
    }
    NZDescriptorUse(const NZDescriptorUse &) = delete;
    NZDescriptorUse &operator=(const NZDescriptorUse &) = delete;
    int fd() const { return m_fd; }

private:
    NZDescriptor_linux &m_d;
    int m_fd;
};

class NZMsTimer;

// Waits until fd is ready for events or wakeFd (if not -1) is readable, retrying after
// signals, until the timer is up (null: no limit); a time-out longer than one poll can
// wait is waited out whole. Returns 1 ready (revents through *revents), 0 time-out,
// 2 woken, -1 failure (errno kept).
int NZPollDescriptor(int fd, short events, int wakeFd, const NZMsTimer *timer, short *revents);

#endif
