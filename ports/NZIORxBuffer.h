// Single-producer, single-consumer byte ring; one slot always stays free.
#ifndef QUORVANE_PORTS_NZIORXBUFFER_H
#define QUORVANE_PORTS_NZIORXBUFFER_H

#include <atomic>

class NZIORxBuffer {
public:
    NZIORxBuffer();
    explicit NZIORxBuffer(unsigned int size);
    ~NZIORxBuffer();
    NZIORxBuffer(const NZIORxBuffer &) = delete;
    NZIORxBuffer &operator=(const NZIORxBuffer &) = delete;

    // Waits while the ring is full; producers that must not wait test IsFull() first.
    // A ring without storage drops the byte instead of waiting for ever.
    void PushBack(unsigned char byte);
    // Waits while the ring is empty; consumers that must not wait test IsEmpty() first.
    // A ring without storage returns 0 at once.
    unsigned char PopFront();
    bool IsEmpty() const;
    bool IsFull() const;
    unsigned int Available() const;
    unsigned int Size() const { return m_size; }
    void Reset();

private:
    bool Usable() const { return m_storage && m_size >= 2; }

    unsigned int m_size;
    unsigned char *m_storage;
    std::atomic<unsigned int> m_read;
    std::atomic<unsigned int> m_write;
};

#endif
