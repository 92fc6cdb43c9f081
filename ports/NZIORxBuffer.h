// Single-producer, single-consumer byte ring; one slot always stays free. The storage is
// allocated when the ring is first needed (Allocate, or the first PushBack), so an idle
// ring costs no more than the object.
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

    // Allocates the storage unless it is there; false when malloc fails or the ring has
    // fewer than two slots. Producer side only.
    bool Allocate();
    // Waits while the ring is full; producers that must not wait test IsFull() first.
    // A ring whose storage cannot be allocated drops the byte instead of waiting for ever.
    void PushBack(unsigned char byte);
    // Waits while the ring is empty; consumers that must not wait test IsEmpty() first.
    // A ring of fewer than two slots returns 0 at once.
    unsigned char PopFront();
    bool IsEmpty() const;
    bool IsFull() const;
    unsigned int Available() const;
    unsigned int Size() const { return m_size; }
    void Reset();

private:
    bool Usable() const { return m_size >= 2 && m_storage.load(std::memory_order_acquire); }

    unsigned int m_size;
    // Written once by the producer before the first index it publishes.
    std::atomic<unsigned char *> m_storage;
    std::atomic<unsigned int> m_read;
    std::atomic<unsigned int> m_write;
};

#endif
