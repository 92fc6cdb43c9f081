#include "ports/NZIORxBuffer.h"

#include <cstdlib>

NZIORxBuffer::NZIORxBuffer() : NZIORxBuffer(16384) {}

NZIORxBuffer::NZIORxBuffer(unsigned int size)
    : m_size(size), m_storage(size ? static_cast<unsigned char *>(malloc(size)) : nullptr), m_read(0), m_write(0)
{
}

NZIORxBuffer::~NZIORxBuffer() { free(m_storage); }

// A ring of fewer than two slots, or without storage, is both empty and full.
bool NZIORxBuffer::IsEmpty() const
{
    if (!Usable())
        return true;
    return m_write.load(std::memory_order_acquire) % m_size == m_read.load(std::memory_order_acquire) % m_size;
}

bool NZIORxBuffer::IsFull() const
{
    if (!Usable())
        return true;
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
    if (!Usable())
        return;
    while (IsFull()) {
    }
    const unsigned int w = m_write.load(std::memory_order_relaxed);
    m_storage[w % m_size] = byte;
    m_write.store((w + 1) % m_size, std::memory_order_release);
}

unsigned char NZIORxBuffer::PopFront()
{
    if (!Usable())
        return 0;
    while (IsEmpty()) {
    }
    const unsigned int r = m_read.load(std::memory_order_relaxed);
    const unsigned char byte = m_storage[r % m_size];
    m_read.store((r + 1) % m_size, std::memory_order_release);
    return byte;
}

void NZIORxBuffer::Reset()
{
    m_write.store(0, std::memory_order_release);
    m_read.store(0, std::memory_order_release);
}
