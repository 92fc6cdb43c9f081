#include "ports/NZIORxBuffer.h"

#include <cstdlib>

NZIORxBuffer::NZIORxBuffer() : NZIORxBuffer(16384) {}

NZIORxBuffer::NZIORxBuffer(unsigned int size)
    : m_size(size), m_storage(nullptr), m_read(0), m_write(0)
{
}

NZIORxBuffer::~NZIORxBuffer() { free(m_storage.load()); }

bool NZIORxBuffer::Allocate()
{
    if (m_size < 2)
        return false;
    if (m_storage.load(std::memory_order_relaxed))
        return true;
    unsigned char *storage = static_cast<unsigned char *>(malloc(m_size));
    m_storage.store(storage, std::memory_order_release);
    return storage != nullptr;
}

// A ring of fewer than two slots is both empty and full; one whose storage is not there
// yet is empty and not full (a push allocates it).
bool NZIORxBuffer::IsEmpty() const
{
    if (!Usable())
        return true;
    return m_write.load(std::memory_order_acquire) % m_size == m_read.load(std::memory_order_acquire) % m_size;
}

bool NZIORxBuffer::IsFull() const
{
    if (m_size < 2)
        return true;
    if (!Usable())
        return false;
    return (m_write.load(std::memory_order_acquire) + 1) % m_size == m_read.load(std::memory_order_acquire) % m_size;
}

unsigned int NZIORxBuffer::Available() const
{
    if (!Usable())
        return 0;
    const unsigned int w = m_write.load(std::memory_order_acquire) % m_size;
    const unsigned int r = m_read.load(std::memory_order_acquire) % m_size;
    return (w + m_size - r) % m_size;
}

void NZIORxBuffer::PushBack(unsigned char byte)
{
    if (!Allocate())
        return;
    while (IsFull()) {
    }
    const unsigned int w = m_write.load(std::memory_order_relaxed);
    m_storage.load(std::memory_order_relaxed)[w % m_size] = byte;
    m_write.store((w + 1) % m_size, std::memory_order_release);
}

unsigned char NZIORxBuffer::PopFront()
{
    if (m_size < 2)
        return 0;
    while (IsEmpty()) {
    }
    const unsigned int r = m_read.load(std::memory_order_relaxed);
    const unsigned char byte = m_storage.load(std::memory_order_acquire)[r % m_size];
    m_read.store((r + 1) % m_size, std::memory_order_release);
    return byte;
}

void NZIORxBuffer::Reset()
{
    m_write.store(0, std::memory_order_release);
    m_read.store(0, std::memory_order_release);
}
