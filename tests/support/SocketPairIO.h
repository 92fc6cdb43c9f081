// A threaded test port over one end of a socket pair: the other end plays the device.
#ifndef QUORVANE_TESTS_SUPPORT_SOCKETPAIRIO_H
#define QUORVANE_TESTS_SUPPORT_SOCKETPAIRIO_H

#include <atomic>

#include "ports/NZThreadIO.h"

namespace quorvane_test {

class SocketPairIO : public NZThreadIO {
public:
    SocketPairIO();
    ~SocketPairIO() override;

    // Opens the pair and starts the read thread; Peer() is the device's end.
    bool Open(const char *name) override;
    void BaseClose() override;
    int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs) override;
    int BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs) override;
    int Peer() const { return m_peer; }
    // Closes the device's end: the port sees end of file and marks itself invalid.
    void DropPeer();

private:
    std::atomic<int> m_fd;
    std::atomic<int> m_peer;
};

} // namespace quorvane_test

#endif
