// One command sequence assembled in a single malloc'd block of a size known in advance.
// Appends never pass the capacity: an append that would is dropped and marks the buffer
// as overrun, so a sizing mistake shows up as a failed command, never as a memory fault.
#ifndef QUORVANE_PRINTER_NZCOMMANDBUFFER_H
#define QUORVANE_PRINTER_NZCOMMANDBUFFER_H

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

class NZCommandBuffer {
public:
    // Largest command a single port write can report as fully written (its result is an int).
    static constexpr size_t kMaxCommand = static_cast<size_t>(INT_MAX);

    // A block of capacity bytes from malloc; none for 0 or more than kMaxCommand bytes.
    explicit NZCommandBuffer(size_t capacity)
        : m_data(nullptr), m_capacity(capacity), m_size(0), m_overrun(false), m_owned(true)
    {
        if (capacity > 0 && capacity <= kMaxCommand)
            m_data = static_cast<unsigned char *>(malloc(capacity));
    }
    // Fills the caller's storage (fixed-size commands built on the stack).
    NZCommandBuffer(unsigned char *storage, size_t capacity)
        : m_data(storage), m_capacity(capacity), m_size(0), m_overrun(false), m_owned(false)
    {
    }
    ~NZCommandBuffer()
    {
        if (m_owned)
            free(m_data);
    }
    NZCommandBuffer(const NZCommandBuffer &) = delete;
    NZCommandBuffer &operator=(const NZCommandBuffer &) = delete;

    // True when the block exists (allocation succeeded and the size was acceptable).
    bool Allocated() const { return m_data != nullptr; }
    // True when exactly the announced number of bytes was appended.
    bool Complete() const { return m_data && !m_overrun && m_size == m_capacity; }

    const unsigned char *Data() const { return m_data; }
    size_t Size() const { return m_size; }

    void Put(unsigned int b)
    {
        unsigned char c = static_cast<unsigned char>(b & 0xFFu);
        PutBytes(&c, 1);
    }
    void PutLE16(unsigned int v)
    {
        Put(v);
        Put(v >> 8);
    }
    void PutBE16(unsigned int v)
    {
        Put(v >> 8);
        Put(v);
    }
    void PutLE32(uint32_t v)
    {
        PutLE16(v & 0xFFFFu);
        PutLE16(v >> 16);
    }
    void PutBytes(const void *src, size_t n)
    {
        if (!m_data || m_overrun)
            return;
        if (n > m_capacity - m_size) {
            m_overrun = true;
            return;
        }
        if (n)
            memcpy(m_data + m_size, src, n);
        m_size += n;
    }

private:
    unsigned char *m_data;
    size_t m_capacity;
    size_t m_size;
    bool m_overrun;
    bool m_owned;
};

#endif
