// Descriptor-based transport base of the serial, USB printer and parallel ports:
// timed reads and writes with poll, and a close that can end a stuck call.
#ifndef QUORVANE_PORTS_SELECTIOBASE_LINUX_H
#define QUORVANE_PORTS_SELECTIOBASE_LINUX_H

#include <atomic>

#include "ports/NZDescriptor_linux.h"
#include "ports/NZThreadIO.h"

class SelectIOBase_linux : public virtual NZThreadIO {
public:
    SelectIOBase_linux();
    ~SelectIOBase_linux() override;

    // Stops the read thread, wakes any call in flight and closes the descriptor once.
    void BaseClose() override;
    // Writes the whole buffer while the device accepts data within the time-out; returns the
    // bytes written, 0 when nothing could be written in time, -1 on an error before any byte.
    int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs) override;
    // One read of up to len bytes once readable; 0 on time-out. End of file or a device
    // error marks the port invalid.
    int BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs) override;

    // Waits for the device to become writable / readable: 1 ready, 0 time-out, -1 failure
    // (no descriptor, a closing port, or a poll error).
    int SelectWrite(unsigned int timeoutMs);
    int SelectRead(unsigned int timeoutMs);

    // The device descriptor, -1 while closed.
    int GetFd() const { return m_dev.Get(); }

protected:
    // Opens the device node non-blocking and close-on-exec; -1 on failure.
    static int OpenDeviceNode(const char *path, int extraFlags);
    // Takes over an opened descriptor and marks the port open; with a reader, starts the
    // read thread with 64-byte packets. On failure everything is released and false returned.
    bool AttachDevice(int fd, bool withReader);

    NZDescriptor_linux m_dev;

private:
    int Wait(short events, unsigned int timeoutMs, short *revents);
    static void Wake(void *self, int fd);

    std::atomic<int> m_wakeFd;
};

#endif
