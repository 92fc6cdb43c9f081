// A TCP listener on 127.0.0.1 that never accepts, its queue filled by connects of its own:
// a further connect to it waits for its time-out (a printer too busy to take a connection).
#ifndef QUORVANE_TESTS_SUPPORT_FULLQUEUE_H
#define QUORVANE_TESTS_SUPPORT_FULLQUEUE_H

#include <vector>

namespace quorvane_test {

class FullQueue {
public:
    FullQueue() = default;
    ~FullQueue();
    FullQueue(const FullQueue &) = delete;
    FullQueue &operator=(const FullQueue &) = delete;

    // Listens and fills the queue; false when the system took every connect at once.
    bool Start();
    unsigned short Port() const { return m_port; }

private:
    int m_listener = -1;
    unsigned short m_port = 0;
    std::vector<int> m_fillers;
};

} // namespace quorvane_test

#endif
